#include "masterdata/frmgrpstationadmin.h"

#include "masterdata/frmgrpstation.h"
#include "masterdata/stationwriter.h"

frmGrpStationAdmin::frmGrpStationAdmin(QWidget *parent)
    : MasterListDialog(QStringLiteral("frmGrpStationAdmin"), QStringLiteral("下属供水站管理"),
        {QStringLiteral("编号"), QStringLiteral("名称")}, parent)
{
    LoadList();
}

std::optional<QVector<MasterListDialog::Item>> frmGrpStationAdmin::readItems()
{
    const auto stations = StationReader::all();
    if (!stations)
        return std::nullopt;
    QVector<Item> items;
    for (const StationRecord &s : *stations)
        items.append({s.id, {QString::number(s.id), s.name}, !s.suspended});
    return items;
}

void frmGrpStationAdmin::openForm(int actionType, qint64 id)
{
    frmGrpStation form(this);
    form.mActionType = MasterForm::ActionType(actionType);
    form.mCurID = id;
    form.exec();
}
