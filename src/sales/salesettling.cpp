#include "sales/salesettling.h"

#include "datastore/boundstatement.h"
#include "datastore/mdatabase.h"
#include "datastore/transaction.h"

#include <QVariantList>

namespace SaleSettling {
namespace {

// The first value of a bound query as a number; nothing after a reported
// failure.
std::optional<qint64> readNumber(const QString &sql, const QVariantList &values)
{
    const auto rs = mDatabase::OpenBound(sql, values);
    if (!rs)
        return std::nullopt;
    return rs->isEmpty() ? 0 : rs->value(0, 0).toLongLong();
}

// What a step sets. The same assignment settles one order or all of them.
QString assignment(Step step)
{
    switch (step) {
    case Step::InMoney:
        return QStringLiteral("InMoney=TotalMoney");
    case Step::OutMoney:
        return QStringLiteral("InMoney=0");
    case Step::OutAmount:
        return QStringLiteral("OutAmount=TotalAmount");
    case Step::InAmount:
        return QStringLiteral("OutAmount=0");
    case Step::InContainer:
        return QStringLiteral("InContainer=TotalContainer");
    case Step::OutContainer:
        return QStringLiteral("InContainer=0");
    }
    return {};
}

// When a single order may still take the step.
QString stillAllowed(Step step)
{
    switch (step) {
    case Step::InMoney:
        return QStringLiteral("FinishFlag<>'1' and TotalMoney-InMoney>0");
    case Step::OutMoney:
        return QStringLiteral("FinishFlag<>'1'");
    default:
        return QStringLiteral("FinishFlag='0'");
    }
}

// Locks the open orders (up to lastId, when given) in the order of their
// IDs before a statement changes them all. Workstations that settle all at
// once then queue up instead of each holding rows the other one wants next.
bool lockOpenOrders(mDatabase::Transaction &tx, qint64 lastId = 0)
{
    if (mDatabase::dialect().kind() != SqlDialect::PostgreSQL)
        return true; // SQLite locks the whole file; SQL Server is not run here
    if (lastId == 0)
        return tx.execute(QStringLiteral(
                   "select ID from Sale where FinishFlag='0' order by ID for update"))
            >= 0;
    // Reading the rows whole is what takes their locks.
    return mDatabase::OpenBound(
        QStringLiteral("select ID from Sale where FinishFlag='0' and ID<=? order by ID for update"),
        {lastId})
        .has_value();
}

} // namespace

Outcome settle(Step step, qint64 saleId)
{
    const int changed
        = mDatabase::ExecuteBoundAffected(QStringLiteral("update Sale set %1 where ID=? and %2")
                                              .arg(assignment(step), stillAllowed(step)),
            {saleId});
    if (changed < 0)
        return Outcome::Failed;
    if (changed > 0)
        return Outcome::Done;
    const auto still = readNumber(QStringLiteral("select count(*) from Sale where ID=?"), {saleId});
    return still && *still == 0 ? Outcome::DeletedElsewhere : Outcome::ChangedElsewhere;
}

bool settleAll(Step step)
{
    const QString statement
        = QStringLiteral("update Sale set %1 where FinishFlag='0'").arg(assignment(step));
    return mDatabase::RetryTransaction([&statement](mDatabase::Transaction &tx) {
        return lockOpenOrders(tx) && tx.execute(statement) >= 0;
    });
}

Outcome deleteOpen(qint64 saleId)
{
    // Header and lines go together: no line may outlive its order, and the
    // lines of an order closed meanwhile stay with it. The order goes
    // first, as every writer touches an order before its lines, so a delete
    // waits for a closing instead of deadlocking with it.
    mDatabase::Transaction tx;
    if (!tx)
        return Outcome::Failed;
    const int deleted = mDatabase::ExecuteBoundAffected(
        QStringLiteral("delete from Sale where ID=? and FinishFlag='0'"), {saleId});
    if (deleted < 0)
        return Outcome::Failed;
    if (deleted == 0) {
        tx.rollback();
        const auto still
            = readNumber(QStringLiteral("select count(*) from Sale where ID=?"), {saleId});
        return still && *still == 0 ? Outcome::DeletedElsewhere : Outcome::ChangedElsewhere;
    }
    if (mDatabase::ExecuteBoundAffected(
            QStringLiteral("delete from Sale_detail where SaleID=?"), {saleId})
        < 0)
        return Outcome::Failed;
    return tx.commit() ? Outcome::Done : Outcome::Failed;
}

std::optional<OpenOrders> openOrders()
{
    const auto rs = mDatabase::OpenBound(
        QStringLiteral("select count(*), max(ID) from Sale where FinishFlag='0'"));
    if (!rs)
        return std::nullopt;
    OpenOrders open;
    if (!rs->isEmpty()) {
        open.count = rs->value(0, 0).toInt();
        open.lastId = rs->value(0, 1).toLongLong();
    }
    return open;
}

bool deleteOpenOrders(const OpenOrders &asked)
{
    if (asked.count == 0)
        return true;
    mDatabase::Transaction tx;
    return tx && lockOpenOrders(tx, asked.lastId)
        && mDatabase::ExecuteBoundAffected(
               QStringLiteral("delete from Sale_detail where SaleID in "
                              "(select ID from Sale where FinishFlag='0' and ID<=?)"),
               {asked.lastId})
        >= 0
        && mDatabase::ExecuteBoundAffected(
               QStringLiteral("delete from Sale where FinishFlag='0' and ID<=?"), {asked.lastId})
        >= 0
        && tx.commit();
}

} // namespace SaleSettling
