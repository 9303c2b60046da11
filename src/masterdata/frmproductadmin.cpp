#include "masterdata/frmproductadmin.h"

#include "masterdata/frmproduct.h"
#include "masterdata/productwriter.h"

frmProductAdmin::frmProductAdmin(QWidget *parent)
    : MasterListDialog(QStringLiteral("frmProductAdmin"), QStringLiteral("产品及服务管理"),
        {QStringLiteral("编号"), QStringLiteral("名称"), QStringLiteral("单位"),
            QStringLiteral("单价")},
        parent)
{
    LoadList();
}

std::optional<QVector<MasterListDialog::Item>> frmProductAdmin::readItems()
{
    const auto products = ProductReader::all();
    if (!products)
        return std::nullopt;
    QVector<Item> items;
    for (const ProductRecord &p : *products)
        items.append(
            {p.id, {QString::number(p.id), p.name, p.unit, p.price.toGrouped()}, !p.suspended});
    return items;
}

void frmProductAdmin::openForm(int actionType, qint64 id)
{
    frmProduct form(this);
    form.mActionType = MasterForm::ActionType(actionType);
    form.mCurID = id;
    form.exec();
}
