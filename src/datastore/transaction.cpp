#include "datastore/transaction.h"

#include "datastore/eventlog.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"

#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

namespace mDatabase {

Transaction::Transaction() : m_open(BeginTrans()) { }

Transaction::~Transaction()
{
    rollback();
}

bool Transaction::commit()
{
    if (!m_open)
        return false;
    m_open = false;
    return CommitTrans();
}

void Transaction::rollback()
{
    if (!m_open)
        return;
    m_open = false;
    RollbackTrans();
}

int Transaction::execute(const QString &sql)
{
    QSqlQuery query(gConnection());
    query.setForwardOnly(true);
    if (query.exec(sql))
        return qMax(0, query.numRowsAffected());
    if (noteConflict(query.lastError()))
        return -1;
    Prompt::error(
        QStringLiteral("更新数据库时出现系统错误，错误信息：") + query.lastError().text().trimmed(),
        QStringLiteral("系统错误"));
    return -1;
}

bool Transaction::noteConflict(const QSqlError &error)
{
    if (!IsConflict(error))
        return false;
    m_conflicted = true;
    m_lastConflict = error.text().trimmed();
    return true;
}

bool IsConflict(const QSqlError &error)
{
    // Drivers differ in where the code shows: the native code, or only the
    // server's message (PostgreSQL through ODBC gives a driver number).
    const QString code = error.nativeErrorCode();
    const QString text = error.text();
    for (const char *state : {"40P01", "40001"}) {
        if (code.contains(QLatin1String(state)) || text.contains(QLatin1String(state)))
            return true;
    }
    return code == QLatin1String("1205") || text.contains(QLatin1String("deadlock detected"))
        || text.contains(QLatin1String("could not serialize access"))
        || text.contains(QLatin1String("was deadlocked on lock"));
}

namespace {

TransactionOutcome retry(
    const std::function<bool(Transaction &tx)> &work, int attempts, QString *conflict)
{
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        {
            Transaction tx;
            if (!tx)
                return TransactionOutcome::Failed;
            const bool done = work(tx);
            if (done && !tx.conflicted())
                return tx.commit() ? TransactionOutcome::Committed : TransactionOutcome::Failed;
            if (!tx.conflicted())
                return TransactionOutcome::Failed;
            *conflict = tx.lastConflict();
        } // rolled back here, before the pause
        // The operator may never see the server's words; support can.
        EventLog::write(QStringLiteral("与其他工作站冲突，第%1次尝试已撤销：%2")
                            .arg(QString::number(attempt), *conflict));
        if (attempt == attempts)
            break;
        // Workstations that collided should not meet again at once.
        QThread::msleep(20 * attempt + QRandomGenerator::global()->bounded(50 * attempt));
    }
    return TransactionOutcome::Conflicted;
}

} // namespace

bool RetryTransaction(const std::function<bool(Transaction &tx)> &work, int attempts)
{
    QString conflict;
    const TransactionOutcome outcome = retry(work, attempts, &conflict);
    if (outcome == TransactionOutcome::Conflicted)
        Prompt::error(QStringLiteral("更新数据库时出现系统错误，错误信息：") + conflict,
            QStringLiteral("系统错误"));
    return outcome == TransactionOutcome::Committed;
}

TransactionOutcome RetryTransactionQuietly(
    const std::function<bool(Transaction &tx)> &work, int attempts)
{
    QString conflict;
    return retry(work, attempts, &conflict);
}

} // namespace mDatabase
