#pragma once

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

private:
    bool m_open = false;
};

} // namespace mDatabase
