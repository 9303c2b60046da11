#include "sales/salesettling.h"

#include "datastore/eventlog.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "datastore/transaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariantList>

namespace SaleSettling {
namespace {

enum class Kind { Read, Change };

// Runs a statement with its values bound on the shared connection. A
// failure is logged and reported as OpenRecordset or ExecuteSQL report
// theirs (a lost connection once, by the connection itself).
bool runBound(QSqlQuery &query, Kind kind, const QString &sql, const QVariantList &values)
{
    if (!mDatabase::EnsureConnected())
        return false;
    query.setForwardOnly(true);
    if (query.prepare(sql)) {
        for (const QVariant &value : values)
            query.addBindValue(value);
        if (query.exec())
            return true;
    }
    const QSqlError error = query.lastError();
    EventLog::write(QStringLiteral("数据库错误：%1 ⏎ 语句：%2")
                        .arg(error.text().trimmed(), EventLog::safeStatement(sql)));
    if (!mDatabase::NoteConnectionFailure(error))
        Prompt::error((kind == Kind::Read ? QStringLiteral("读取数据库时出现系统错误，错误信息：")
                                          : QStringLiteral("更新数据库时出现系统错误，错误信息："))
                + error.text().trimmed(),
            QStringLiteral("系统错误"));
    return false;
}

// The rows a bound statement changed; -1 after a reported failure.
int changeRows(const QString &sql, const QVariantList &values)
{
    QSqlQuery query(mDatabase::gConnection());
    if (!runBound(query, Kind::Change, sql, values))
        return -1;
    return qMax(0, query.numRowsAffected());
}

// The first value of a bound query as a number; nothing after a reported
// failure.
std::optional<qint64> readNumber(const QString &sql, const QVariantList &values)
{
    QSqlQuery query(mDatabase::gConnection());
    if (!runBound(query, Kind::Read, sql, values))
        return std::nullopt;
    return query.next() ? query.value(0).toLongLong() : 0;
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
    QSqlQuery query(mDatabase::gConnection());
    if (!runBound(query, Kind::Change,
            QStringLiteral(
                "select ID from Sale where FinishFlag='0' and ID<=? order by ID for update"),
            {lastId}))
        return false;
    while (query.next()) { }
    return true;
}

} // namespace

Outcome settle(Step step, qint64 saleId)
{
    const int changed = changeRows(QStringLiteral("update Sale set %1 where ID=? and %2")
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
    // lines of an order closed meanwhile stay with it.
    mDatabase::Transaction tx;
    if (!tx)
        return Outcome::Failed;
    if (changeRows(QStringLiteral("delete from Sale_detail where SaleID in "
                                  "(select ID from Sale where ID=? and FinishFlag='0')"),
            {saleId})
        < 0)
        return Outcome::Failed;
    const int deleted
        = changeRows(QStringLiteral("delete from Sale where ID=? and FinishFlag='0'"), {saleId});
    if (deleted < 0)
        return Outcome::Failed;
    if (deleted == 0) {
        tx.rollback();
        const auto still
            = readNumber(QStringLiteral("select count(*) from Sale where ID=?"), {saleId});
        return still && *still == 0 ? Outcome::DeletedElsewhere : Outcome::ChangedElsewhere;
    }
    return tx.commit() ? Outcome::Done : Outcome::Failed;
}

std::optional<OpenOrders> openOrders()
{
    QSqlQuery query(mDatabase::gConnection());
    if (!runBound(query, Kind::Read,
            QStringLiteral("select count(*), max(ID) from Sale where FinishFlag='0'"), {}))
        return std::nullopt;
    OpenOrders open;
    if (query.next()) {
        open.count = query.value(0).toInt();
        open.lastId = query.value(1).toLongLong();
    }
    return open;
}

bool deleteOpenOrders(const OpenOrders &asked)
{
    if (asked.count == 0)
        return true;
    mDatabase::Transaction tx;
    return tx && lockOpenOrders(tx, asked.lastId)
        && changeRows(QStringLiteral("delete from Sale_detail where SaleID in "
                                     "(select ID from Sale where FinishFlag='0' and ID<=?)"),
               {asked.lastId})
        >= 0
        && changeRows(
               QStringLiteral("delete from Sale where FinishFlag='0' and ID<=?"), {asked.lastId})
        >= 0
        && tx.commit();
}

} // namespace SaleSettling
