#include "masterdata/frmsender.h"

#include "datastore/recordset.h"
#include "datastore/schema.h"
#include "masterdata/senderwriter.h"
#include "masterdata/stationwriter.h"
#include "shell/idlist.h"
#include "shell/loginstate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

frmSender::frmSender(QWidget *parent)
    : MasterForm(QStringLiteral("frmSender"), QStringLiteral("送水工"), parent)
{
    txtName = addLine(0, "txtName", QStringLiteral("姓名："));
    txtPhone = addLine(1, "txtPhone", QStringLiteral("电话："));
    txtPrice = addLine(2, "txtPrice", QStringLiteral("运费："));
    txtDetail = addLine(3, "txtDetail", QStringLiteral("备注："));
    cmbStation = new QComboBox;
    cmbStation->setObjectName(QStringLiteral("cmbStation"));
    fields()->addWidget(new QLabel(QStringLiteral("所辖供水站：")), 4, 0, Qt::AlignRight);
    fields()->addWidget(cmbStation, 4, 1);
    chkDisable = addCheck(5, "chkDisable", QStringLiteral("暂停使用"));
    makePriceField(txtPrice);
    // No more than the columns hold, so every database stores what is typed.
    const QString table = QStringLiteral("Sender");
    txtName->setMaxLength(Schema::textColumnSize(table, QStringLiteral("Name")));
    txtPhone->setMaxLength(Schema::textColumnSize(table, QStringLiteral("Phone")));
    txtDetail->setMaxLength(Schema::textColumnSize(table, QStringLiteral("Detail")));

    IdList::fill(cmbStation, StationReader::active().value_or(Recordset()));
    IdList::select(cmbStation, gStationID);
    // Branch operators keep their delivery staff at their own station.
    cmbStation->setEnabled(gIsHeadStation);
    setSaveRule([this] { return !txtName->text().trimmed().isEmpty(); });
}

bool frmSender::loadRecord()
{
    const auto sender = SenderReader::load(mCurID);
    if (!sender)
        return false;
    txtName->setText(sender->name);
    txtPhone->setText(sender->phone);
    txtDetail->setText(sender->detail);
    txtPrice->setText(sender->price.toSqlText());
    // A suspended station still shows as the person's station.
    if (cmbStation->findData(sender->stationId) < 0) {
        if (const auto station = StationReader::load(sender->stationId))
            cmbStation->addItem(station->name, station->id);
    }
    IdList::select(cmbStation, sender->stationId);
    chkDisable->setChecked(sender->suspended);
    return true;
}

bool frmSender::saveRecord()
{
    if (txtName->text().trimmed().isEmpty())
        return false;
    SenderRecord s;
    if (!priceOf(txtPrice, &s.price)) {
        txtPrice->setFocus();
        return false;
    }
    s.id = mCurID;
    s.name = txtName->text();
    s.phone = txtPhone->text();
    s.detail = txtDetail->text();
    s.suspended = chkDisable->isChecked();
    s.stationId = IdList::selected(cmbStation);
    if (s.stationId == 0)
        s.stationId = gStationID;
    if (mActionType == Edit)
        return SenderWriter::saveEdit(s);
    mCurID = SenderWriter::saveNew(s);
    return mCurID != 0;
}

void frmSender::clearForNext()
{
    txtName->clear();
    txtPhone->clear();
    txtDetail->clear();
    txtPrice->setText(QStringLiteral("0"));
    chkDisable->setChecked(false);
    txtName->setFocus();
}
