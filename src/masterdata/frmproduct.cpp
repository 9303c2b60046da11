#include "masterdata/frmproduct.h"

#include "datastore/prompt.h"
#include "datastore/recordset.h"
#include "datastore/schema.h"
#include "masterdata/productwriter.h"
#include "shell/idlist.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

frmProduct::frmProduct(QWidget *parent)
    : MasterForm(QStringLiteral("frmProduct"), QStringLiteral("产品及服务"), parent)
{
    txtName = addLine(0, "txtName", QStringLiteral("名称："));
    txtUnit = addLine(1, "txtUnit", QStringLiteral("单位："));
    txtPrice = addLine(2, "txtPrice", QStringLiteral("单价："));
    txtDetail = addLine(3, "txtDetail", QStringLiteral("备注："));
    cmbContainer = new QComboBox;
    cmbContainer->setObjectName(QStringLiteral("cmbContainer"));
    fields()->addWidget(new QLabel(QStringLiteral("所用空瓶：")), 4, 0, Qt::AlignRight);
    fields()->addWidget(cmbContainer, 4, 1);
    chkDisable = addCheck(5, "chkDisable", QStringLiteral("暂停使用"));
    chkIsDefault = addCheck(6, "chkIsDefault", QStringLiteral("属经常销售产品"));
    chkIsContainer = addCheck(7, "chkIsContainer", QStringLiteral("该项产品本身是空瓶"));
    makePriceField(txtPrice);
    // No more than the columns hold, so every database stores what is typed.
    const QString table = QStringLiteral("Product");
    txtName->setMaxLength(Schema::textColumnSize(table, QStringLiteral("Name")));
    txtUnit->setMaxLength(Schema::textColumnSize(table, QStringLiteral("Unit")));
    txtDetail->setMaxLength(Schema::textColumnSize(table, QStringLiteral("Detail")));

    // Only active bottles can be a product's bottle; the first entry is none.
    IdList::fill(cmbContainer, ProductReader::activeBottles().value_or(Recordset()));
    cmbContainer->insertItem(0, QString(), qint64(0));
    cmbContainer->setCurrentIndex(0);

    connect(chkIsContainer, &QCheckBox::clicked, this, [this] { isContainerClicked(); });
    setSaveRule([this] {
        return !txtName->text().trimmed().isEmpty() && !txtUnit->text().trimmed().isEmpty();
    });
}

void frmProduct::isContainerClicked()
{
    const bool bottle = chkIsContainer->isChecked();
    if (!bottle)
        Prompt::information(QStringLiteral("如果要取消该产品的空瓶属性，则所有以它该产品作为空瓶的"
                                           "产品都将成为无空瓶的产品！"),
            QStringLiteral("提示"));
    cmbContainer->setEnabled(!bottle);
    chkIsDefault->setEnabled(!bottle);
}

bool frmProduct::loadRecord()
{
    const auto product = ProductReader::load(mCurID);
    if (!product)
        return false;
    txtName->setText(product->name);
    txtUnit->setText(product->unit);
    txtDetail->setText(product->detail);
    txtPrice->setText(product->price.toSqlText());
    chkDisable->setChecked(product->suspended);
    chkIsContainer->setChecked(product->isContainer);
    cmbContainer->setEnabled(!product->isContainer);
    // A bottle that is suspended meanwhile still shows as this product's bottle.
    if (product->containerId != 0 && cmbContainer->findData(product->containerId) < 0) {
        if (const auto bottle = ProductReader::load(product->containerId))
            cmbContainer->addItem(bottle->name, bottle->id);
    }
    IdList::select(cmbContainer, product->containerId);
    chkIsDefault->setChecked(product->isDefault);
    return true;
}

bool frmProduct::saveRecord()
{
    if (txtName->text().trimmed().isEmpty())
        return false;
    ProductRecord p;
    if (!priceOf(txtPrice, &p.price)) {
        txtPrice->setFocus();
        return false;
    }
    p.id = mCurID;
    p.name = txtName->text();
    p.unit = txtUnit->text();
    p.detail = txtDetail->text();
    p.suspended = chkDisable->isChecked();
    p.isDefault = chkIsDefault->isChecked();
    p.isContainer = chkIsContainer->isChecked();
    p.containerId = IdList::selected(cmbContainer);
    if (mActionType == Edit)
        return ProductWriter::saveEdit(p);
    mCurID = ProductWriter::saveNew(p);
    return mCurID != 0;
}

void frmProduct::clearForNext()
{
    txtName->clear();
    txtUnit->clear();
    txtDetail->clear();
    txtPrice->setText(QStringLiteral("0"));
    chkDisable->setChecked(false);
    chkIsDefault->setChecked(false);
    txtName->setFocus();
}
