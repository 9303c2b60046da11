#pragma once

#include <QDate>
#include <QString>

#include <optional>

// One customer as the customer form gathers it: parsed values only.
struct CustomerRecord {
    qint64 id = 0; // the customer to change when editing
    // The system numbers the customer with its own key; otherwise account.
    bool systemAccount = true;
    qint32 account = 0;
    QString name;
    QString phone;
    QString address;
    QString detail;
    QDate createDate;
    int custType = 1;
    QString status = QStringLiteral("1"); // '0' suspended
    qint64 stationId = 0;
};

// Stores customers entered by hand. Failures and refusals are told to the
// operator here, with the form's fixed messages.
namespace CustomerWriter {

// The address and a chosen account must be unused. Returns the new
// customer's ID, 0 when nothing was stored. A customer stored with account 0
// gets its own ID as account, so it can be looked up.
qint64 saveNew(const CustomerRecord &customer);
// Rewrites the editable fields of customer.id; account and opening date
// stay. asLoaded is the record as the form read it: when the stored row no
// longer matches it (changed or deleted elsewhere since), nothing is written.
bool saveEdit(const CustomerRecord &customer, const CustomerRecord &asLoaded);
// Suspends a customer or takes one back into use; customers are never
// deleted, their sales keep pointing at them.
bool setStatus(qint64 id, bool active);

} // namespace CustomerWriter

namespace CustomerReader {

// Nothing when the customer is gone or could not be read.
std::optional<CustomerRecord> load(qint64 id);

} // namespace CustomerReader
