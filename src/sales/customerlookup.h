#pragma once

#include "datastore/recordset.h"

#include <QString>

#include <optional>

// Finds a customer for the sale window, within the station the operator may
// see. Each returns nothing after a reported failure.
namespace CustomerLookup {

enum SearchType { ByAccount = 0, ByPhone = 1, ByAddress = 2 };

// The active customers the key names; none when the key cannot be searched
// for (an account that is no number).
std::optional<Recordset> findCustomers(int searchType, const QString &key);
// The same search as a statement of its own, for the customer picker, which
// runs the statement it is given.
QString customerQuery(int searchType, const QString &key);
// The active customers whose address holds text, by address; every one of
// them when text is empty.
std::optional<Recordset> addressMatches(const QString &text);
// One row: HistoryAmount, HistoryMoney, HistoryContainerBalance,
// HistoryMoneyBalance, TotalNumber.
std::optional<Recordset> historySums(qint64 customerId);
// The customer's sales, oldest first.
std::optional<Recordset> historyList(qint64 customerId);
// "未开户", "已开户", ... for Customer.CustType; empty for unknown types.
QString customerTypeText(int custType);

} // namespace CustomerLookup
