#include "masterdata/senderwriter.h"

#include "datastore/mdatabase.h"

using mDatabase::SqlStr;

namespace {

SenderRecord fromRow(const Recordset &rs, int row)
{
    const auto field = [&](const char *name) {
        return rs.value(row, QLatin1String(name));
    };
    SenderRecord s;
    s.id = field("ID").toLongLong();
    s.name = field("Name").toString();
    s.phone = field("Phone").toString();
    s.detail = field("Detail").toString();
    s.price = Currency::fromVariant(field("Price"));
    s.suspended = field("Status").toString().trimmed() == QLatin1String("0");
    s.stationId = field("StationID").toLongLong();
    return s;
}

} // namespace

namespace SenderReader {

std::optional<SenderRecord> load(qint64 id)
{
    const auto rs
        = mDatabase::OpenRecordset(QStringLiteral("Select * from Sender where ID=%1").arg(id));
    if (!rs || rs->isEmpty())
        return std::nullopt;
    return fromRow(*rs, 0);
}

std::optional<QVector<SenderRecord>> all(qint64 stationId)
{
    const auto rs = mDatabase::OpenRecordset(stationId == 0
            ? QStringLiteral("Select * from Sender order by ID")
            : QStringLiteral("Select * from Sender where StationID=%1 order by ID").arg(stationId));
    if (!rs)
        return std::nullopt;
    QVector<SenderRecord> list;
    for (int row = 0; row < rs->recordCount(); ++row)
        list << fromRow(*rs, row);
    return list;
}

} // namespace SenderReader

namespace SenderWriter {

qint64 saveNew(const SenderRecord &s)
{
    return mDatabase::InsertAndGetID(
        QStringLiteral("insert into Sender (name,phone,detail,status,price,StationID) values "
                       "(%1,%2,%3,%4,%5,%6)")
            .arg(SqlStr(s.name.trimmed()), SqlStr(s.phone), SqlStr(s.detail),
                s.suspended ? QStringLiteral("'0'") : QStringLiteral("'1'"), s.price.toSqlText(),
                QString::number(s.stationId)));
}

bool saveEdit(const SenderRecord &s)
{
    return mDatabase::ExecuteSQL(
        QStringLiteral("update Sender set name=%1, phone=%2, detail=%3, price=%4, StationID=%5, "
                       "Status=%6 where ID=%7")
            .arg(SqlStr(s.name.trimmed()), SqlStr(s.phone), SqlStr(s.detail), s.price.toSqlText(),
                QString::number(s.stationId),
                s.suspended ? QStringLiteral("'0'") : QStringLiteral("'1'"),
                QString::number(s.id)));
}

} // namespace SenderWriter
