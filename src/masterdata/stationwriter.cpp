#include "stationwriter.h"

#include "mdatabase.h"

using mDatabase::SqlStr;

namespace StationReader {

std::optional<StationRecord> load(qint64 id)
{
    const auto rs
        = mDatabase::OpenRecordset(QStringLiteral("Select * from Station where ID=%1").arg(id));
    if (!rs || rs->isEmpty())
        return std::nullopt;
    StationRecord s;
    s.id = id;
    s.name = rs->value(0, QStringLiteral("Name")).toString();
    s.suspended = rs->value(0, QStringLiteral("Status")).toString().trimmed() == QLatin1String("0");
    return s;
}

bool isHeadStation(qint64 id)
{
    return id != 0 && mDatabase::GetMinValue(QStringLiteral("Station"), QStringLiteral("ID")) == id;
}

} // namespace StationReader

namespace StationWriter {

qint64 saveNew(const StationRecord &s)
{
    return mDatabase::InsertAndGetID(
        QStringLiteral("insert into Station (name,status) values (%1,%2)")
            .arg(SqlStr(s.name.trimmed()),
                s.suspended ? QStringLiteral("'0'") : QStringLiteral("'1'")));
}

bool saveEdit(const StationRecord &s)
{
    if (s.suspended && StationReader::isHeadStation(s.id))
        return false;
    return mDatabase::ExecuteSQL(
        QStringLiteral("update Station set name=%1, Status=%2 where ID=%3")
            .arg(SqlStr(s.name.trimmed()),
                s.suspended ? QStringLiteral("'0'") : QStringLiteral("'1'"),
                QString::number(s.id)));
}

} // namespace StationWriter
