#include "transaction.h"

#include "mdatabase.h"

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

} // namespace mDatabase
