#include "masterdata/senderwriter.h"

#include "datastore/boundstatement.h"
#include "datastore/mdatabase.h"

namespace {

QString status(bool suspended)
{
    return suspended ? QStringLiteral("0") : QStringLiteral("1");
}

} // namespace

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
    const auto rs = mDatabase::OpenBound(QStringLiteral("Select * from Sender where ID=?"), {id});
    if (!rs || rs->isEmpty())
        return std::nullopt;
    return fromRow(*rs, 0);
}

std::optional<QVector<SenderRecord>> all(qint64 stationId)
{
    const auto rs = stationId == 0
        ? mDatabase::OpenBound(QStringLiteral("Select * from Sender order by ID"))
        : mDatabase::OpenBound(
            QStringLiteral("Select * from Sender where StationID=? order by ID"), {stationId});
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
    if (!mDatabase::AmountsInRange({s.price}))
        return 0;
    return mDatabase::InsertBoundAndGetID(
        QStringLiteral("insert into Sender (name,phone,detail,status,price,StationID) values "
                       "(?,?,?,?,?,?)"),
        {s.name.trimmed(), s.phone, s.detail, status(s.suspended), QVariant::fromValue(s.price),
            s.stationId});
}

bool saveEdit(const SenderRecord &s)
{
    if (!mDatabase::AmountsInRange({s.price}))
        return false;
    return mDatabase::ExecuteBound(
        QStringLiteral("update Sender set name=?, phone=?, detail=?, price=?, StationID=?, "
                       "Status=? where ID=?"),
        {s.name.trimmed(), s.phone, s.detail, QVariant::fromValue(s.price), s.stationId,
            status(s.suspended), s.id});
}

} // namespace SenderWriter
