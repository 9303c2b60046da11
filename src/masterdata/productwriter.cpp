#include "masterdata/productwriter.h"

#include "datastore/boundstatement.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "datastore/transaction.h"

namespace {

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

ProductRecord fromRow(const Recordset &rs, int row)
{
    const auto field = [&](const char *name) {
        return rs.value(row, QLatin1String(name));
    };
    ProductRecord p;
    p.id = field("ID").toLongLong();
    p.name = field("Name").toString();
    p.unit = field("Unit").toString();
    p.price = Currency::fromVariant(field("Price"));
    p.detail = field("Detail").toString();
    p.suspended = field("Status").toString().trimmed() == QLatin1String("0");
    p.isDefault = field("IsDefault").toString().trimmed() != QLatin1String("0");
    p.isContainer = field("IsContainer").toString() == QLatin1String("1");
    p.containerId = field("ContainerID").toLongLong();
    return p;
}

} // namespace

namespace ProductReader {

std::optional<ProductRecord> load(qint64 id)
{
    const auto rs = mDatabase::OpenBound(QStringLiteral("Select * from Product where ID=?"), {id});
    if (!rs || rs->isEmpty())
        return std::nullopt;
    return fromRow(*rs, 0);
}

std::optional<QVector<ProductRecord>> all()
{
    const auto rs = mDatabase::OpenBound(QStringLiteral("Select * from Product order by ID"));
    if (!rs)
        return std::nullopt;
    QVector<ProductRecord> list;
    for (int row = 0; row < rs->recordCount(); ++row)
        list << fromRow(*rs, row);
    return list;
}

std::optional<Recordset> activeBottles()
{
    return mDatabase::OpenRecordset(
        QStringLiteral("select * from Product WHERE isContainer='1' and Status='1'"));
}

} // namespace ProductReader

namespace ProductWriter {

qint64 saveNew(const ProductRecord &p)
{
    if (!mDatabase::AmountsInRange({p.price}))
        return 0;
    return mDatabase::InsertBoundAndGetID(
        QStringLiteral("insert into Product (name,unit,detail,IsDefault,status,IsContainer,"
                       "ContainerID,price) values (?,?,?,?,?,?,?,?)"),
        {p.name.trimmed(), p.unit, p.detail, flag(p.isDefault), flag(!p.suspended),
            flag(p.isContainer), p.isContainer ? 0 : p.containerId, QVariant::fromValue(p.price)});
}

bool saveEdit(const ProductRecord &p)
{
    if (!mDatabase::AmountsInRange({p.price}))
        return false;
    mDatabase::Transaction tx;
    if (!tx)
        return false;
    const int changed = mDatabase::ExecuteBoundAffected(
        QStringLiteral("update Product set name=?, unit=?, detail=?, price=?, IsDefault=?, "
                       "Status=?, IsContainer=?, ContainerID=? where ID=?"),
        {p.name.trimmed(), p.unit, p.detail, QVariant::fromValue(p.price), flag(p.isDefault),
            flag(!p.suspended), flag(p.isContainer), p.isContainer ? 0 : p.containerId, p.id});
    if (changed < 0)
        return false;
    if ((!p.isContainer || p.suspended)
        && !mDatabase::ExecuteBound(
            QStringLiteral("Update Product set ContainerID=0 WHERE ContainerID=?"), {p.id}))
        return false;
    return tx.commit();
}

} // namespace ProductWriter
