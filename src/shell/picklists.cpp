#include "shell/picklists.h"

#include "datastore/mdatabase.h"

namespace PickLists {

std::optional<Recordset> activeStations()
{
    return mDatabase::OpenRecordset(QStringLiteral("select * from Station WHERE Status='1'"));
}

std::optional<Recordset> activeProducts()
{
    return mDatabase::OpenRecordset(QStringLiteral("Select * from product where Status='1'"));
}

std::optional<Recordset> activeSenders(bool allStations, qint64 stationId)
{
    return mDatabase::OpenRecordset(allStations
            ? QStringLiteral("Select * from Sender where Status='1'")
            : QStringLiteral("Select * from Sender where Status='1' and StationID=%1")
                  .arg(stationId));
}

} // namespace PickLists
