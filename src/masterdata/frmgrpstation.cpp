#include "masterdata/frmgrpstation.h"

#include "datastore/schema.h"
#include "masterdata/stationwriter.h"

#include <QCheckBox>
#include <QLineEdit>

frmGrpStation::frmGrpStation(QWidget *parent)
    : MasterForm(QStringLiteral("frmGrpStation"), QStringLiteral("下属供水站"), parent)
{
    txtName = addLine(0, "txtName", QStringLiteral("名称："));
    chkDisable = addCheck(1, "chkDisable", QStringLiteral("暂停使用"));
    // No more than the column holds, so every database stores what is typed.
    txtName->setMaxLength(
        Schema::textColumnSize(QStringLiteral("Station"), QStringLiteral("Name")));
    setSaveRule([this] { return !txtName->text().trimmed().isEmpty(); });
}

bool frmGrpStation::loadRecord()
{
    const auto station = StationReader::load(mCurID);
    if (!station)
        return false;
    txtName->setText(station->name);
    chkDisable->setChecked(station->suspended);
    // The head station cannot be suspended. Stored suspended all the same
    // (by an older program, or by hand), it can be taken back into use.
    chkDisable->setEnabled(!StationReader::isHeadStation(mCurID) || station->suspended);
    return true;
}

bool frmGrpStation::saveRecord()
{
    if (txtName->text().trimmed().isEmpty())
        return false;
    const StationRecord s{mCurID, txtName->text(), chkDisable->isChecked()};
    if (mActionType == Edit)
        return StationWriter::saveEdit(s);
    mCurID = StationWriter::saveNew(s);
    return mCurID != 0;
}

void frmGrpStation::clearForNext()
{
    txtName->clear();
    chkDisable->setChecked(false);
    txtName->setFocus();
}
