#pragma once

#include <QString>

// The statements that find a customer for the sale window, within the
// station the operator may see.
namespace CustomerLookup {

enum SearchType { ByAccount = 0, ByPhone = 1, ByAddress = 2 };

// Empty when the key cannot be searched for (an account that is no number).
QString customerQuery(int searchType, const QString &key);
QString addressSearchQuery(const QString &text);
QString addressListQuery();
QString historySumsQuery(qint64 customerId);
QString historyListQuery(qint64 customerId);
// "未开户", "已开户", ... for Customer.CustType; empty for unknown types.
QString customerTypeText(int custType);

} // namespace CustomerLookup
