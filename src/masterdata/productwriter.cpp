#include "masterdata/productwriter.h"

#include "datastore/mdatabase.h"
#include "datastore/transaction.h"

using mDatabase::SqlStr;

namespace {

QString flag(bool on)
{
    return on ? QStringLiteral("'1'") : QStringLiteral("'0'");
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
    const auto rs
        = mDatabase::OpenRecordset(QStringLiteral("Select * from Product where ID=%1").arg(id));
    if (!rs || rs->isEmpty())
        return std::nullopt;
    return fromRow(*rs, 0);
}

std::optional<QVector<ProductRecord>> all()
{
    const auto rs = mDatabase::OpenRecordset(QStringLiteral("Select * from Product order by ID"));
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
    return mDatabase::InsertAndGetID(
        QStringLiteral("insert into Product (name,unit,detail,IsDefault,status,IsContainer,"
                       "ContainerID,price) values (%1,%2,%3,%4,%5,%6,%7,%8)")
            .arg(SqlStr(p.name.trimmed()), SqlStr(p.unit), SqlStr(p.detail), flag(p.isDefault),
                flag(!p.suspended), flag(p.isContainer),
                QString::number(p.isContainer ? 0 : p.containerId), p.price.toSqlText()));
}

bool saveEdit(const ProductRecord &p)
{
    mDatabase::Transaction tx;
    if (!tx)
        return false;
    const int changed = mDatabase::ExecuteAffected(
        QStringLiteral("update Product set name=%1, unit=%2, detail=%3, price=%4, IsDefault=%5,"
                       "Status=%6,IsContainer=%7,ContainerID=%8 where ID=%9")
            .arg(SqlStr(p.name.trimmed()), SqlStr(p.unit), SqlStr(p.detail), p.price.toSqlText(),
                flag(p.isDefault), flag(!p.suspended), flag(p.isContainer),
                QString::number(p.isContainer ? 0 : p.containerId), QString::number(p.id)));
    if (changed < 0)
        return false;
    if ((!p.isContainer || p.suspended)
        && !mDatabase::ExecuteSQL(
            QStringLiteral("Update Product set ContainerID=0 WHERE ContainerID=%1").arg(p.id)))
        return false;
    return tx.commit();
}

} // namespace ProductWriter
