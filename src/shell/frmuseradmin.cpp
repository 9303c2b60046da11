#include "shell/frmuseradmin.h"

#include "shell/frmuser.h"
#include "shell/operatorstore.h"

frmUserAdmin::frmUserAdmin(QWidget *parent)
    : MasterListDialog(QStringLiteral("frmUserAdmin"), QStringLiteral("操作员管理"),
        {QStringLiteral("编号"), QStringLiteral("用户姓名"), QStringLiteral("用户描述")}, parent)
{
    LoadList();
}

std::optional<QVector<MasterListDialog::Item>> frmUserAdmin::readItems()
{
    const auto users = UserReader::allUsers();
    if (!users)
        return std::nullopt;
    QVector<Item> items;
    for (const OperatorRecord &u : *users)
        items.append({u.id, {QString::number(u.id), u.name, u.detail}, u.active});
    return items;
}

void frmUserAdmin::openForm(int actionType, qint64 id)
{
    frmUser form(this);
    form.mActionType = MasterForm::ActionType(actionType);
    form.mCurID = id;
    form.exec();
}
