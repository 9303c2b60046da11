#include "masterdata/stationwriter.h"

#include "datastore/boundstatement.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "shell/picklists.h"

namespace {

StationRecord fromRow(const Recordset &rs, int row)
{
    StationRecord s;
    s.id = rs.value(row, QStringLiteral("ID")).toLongLong();
    s.name = rs.value(row, QStringLiteral("Name")).toString();
    s.suspended
        = rs.value(row, QStringLiteral("Status")).toString().trimmed() == QLatin1String("0");
    return s;
}

} // namespace

namespace StationReader {

std::optional<StationRecord> load(qint64 id)
{
    const auto rs = mDatabase::OpenBound(QStringLiteral("Select * from Station where ID=?"), {id});
    if (!rs || rs->isEmpty())
        return std::nullopt;
    return fromRow(*rs, 0);
}

std::optional<QVector<StationRecord>> all()
{
    const auto rs = mDatabase::OpenBound(QStringLiteral("Select * from Station order by ID"));
    if (!rs)
        return std::nullopt;
    QVector<StationRecord> list;
    for (int row = 0; row < rs->recordCount(); ++row)
        list << fromRow(*rs, row);
    return list;
}

std::optional<Recordset> active()
{
    return PickLists::activeStations();
}

bool isHeadStation(qint64 id)
{
    return id != 0 && mDatabase::GetMinValue(QStringLiteral("Station"), QStringLiteral("ID")) == id;
}

} // namespace StationReader

namespace StationWriter {

qint64 saveNew(const StationRecord &s)
{
    return mDatabase::InsertBoundAndGetID(
        QStringLiteral("insert into Station (name,status) values (?,?)"),
        {s.name.trimmed(), s.suspended ? QStringLiteral("0") : QStringLiteral("1")});
}

bool saveEdit(const StationRecord &s)
{
    if (s.suspended && StationReader::isHeadStation(s.id)) {
        Prompt::information(
            QStringLiteral("总站（编号最小的供水站）管理所有下属供水站，不能暂停使用！"
                           "请取消“暂停使用”后再保存。"),
            QStringLiteral("提示"));
        return false;
    }
    return mDatabase::ExecuteBound(QStringLiteral("update Station set name=?, Status=? where ID=?"),
        {s.name.trimmed(), s.suspended ? QStringLiteral("0") : QStringLiteral("1"), s.id});
}

} // namespace StationWriter
