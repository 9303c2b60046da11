#pragma once

#include <QString>

#include <functional>

class QSqlError;

// A transaction on the shared connection that lasts as long as this object:
// begun in the constructor, rolled back in the destructor unless commit()
// succeeded. Every early return of a writer therefore leaves nothing behind:
//
//     mDatabase::Transaction tx;
//     if (!tx || !writeHeader(..) || !writeLines(..))
//         return 0;                      // rolled back
//     return tx.commit() ? id : 0;
//
// A failure to begin or to commit is reported like BeginTrans/CommitTrans.
namespace mDatabase {

class Transaction {
public:
    Transaction();
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // True while the transaction is open and neither committed nor rolled back.
    explicit operator bool() const { return m_open; }
    bool commit();
    void rollback();

    // One statement of this transaction; the number of rows it changed, or
    // -1 when it failed. A conflict with another workstation is kept quiet
    // and remembered (conflicted()), so that RetryTransaction can run the
    // work again; any other failure is reported like ExecuteSQL.
    int execute(const QString &sql);
    // For work that runs statements of its own (bound values): keeps error
    // as a conflict when it is one, as execute() does, and says whether it was.
    bool noteConflict(const QSqlError &error);
    bool conflicted() const { return m_conflicted; }
    QString lastConflict() const { return m_lastConflict; }

private:
    bool m_open = false;
    bool m_conflicted = false;
    QString m_lastConflict;
};

// True when the server broke a statement off because it lost out to another
// workstation: a deadlock (SQLSTATE 40P01, SQL Server 1205) or a
// serialization failure (40001). Running the whole transaction again then
// usually succeeds.
bool IsConflict(const QSqlError &error);

// Runs work in a transaction of its own and commits it. When a statement run
// through tx.execute() conflicted with another workstation, everything is
// rolled back and the work runs again after a short random pause, up to
// attempts times; only the last conflict is reported. Any other failure
// (work returns false) ends the attempts. True once committed.
bool RetryTransaction(const std::function<bool(Transaction &tx)> &work, int attempts = 5);

enum class TransactionOutcome {
    Committed,
    Failed, // the work or the commit failed, and said so
    Conflicted, // every attempt lost out to another workstation; nobody was told yet
};

// RetryTransaction for a caller that explains a lost conflict in its own
// words instead of with the server's text.
TransactionOutcome RetryTransactionQuietly(
    const std::function<bool(Transaction &tx)> &work, int attempts = 5);

} // namespace mDatabase
