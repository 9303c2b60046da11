#include "masterdata/frmsenderadmin.h"

#include "masterdata/frmsender.h"
#include "masterdata/senderwriter.h"
#include "shell/loginstate.h"

frmSenderAdmin::frmSenderAdmin(QWidget *parent)
    : MasterListDialog(QStringLiteral("frmSenderAdmin"), QStringLiteral("送水工管理"),
        // The number first: the sale lists name a delivery person by it
        // (送水工编号).
        {QStringLiteral("编号"), QStringLiteral("用户名"), QStringLiteral("运费"),
            QStringLiteral("联系电话")},
        parent)
{
    LoadList();
}

std::optional<QVector<MasterListDialog::Item>> frmSenderAdmin::readItems()
{
    const auto senders = SenderReader::all(gIsHeadStation ? 0 : gStationID);
    if (!senders)
        return std::nullopt;
    QVector<Item> items;
    for (const SenderRecord &s : *senders)
        items.append(
            {s.id, {QString::number(s.id), s.name, s.price.toGrouped(), s.phone}, !s.suspended});
    return items;
}

void frmSenderAdmin::openForm(int actionType, qint64 id)
{
    frmSender form(this);
    form.mActionType = MasterForm::ActionType(actionType);
    form.mCurID = id;
    form.exec();
}
