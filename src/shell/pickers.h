#pragma once

#include <QDate>
#include <QString>

// The two modal choosers that many windows share, and the values they leave
// behind for their callers.
extern QDate PickedDate; // null: nothing picked
extern qint32 PickedCustomerID; // -1: nothing picked

namespace mSystem {

// Asks for a date; a null date when the person picked none.
QDate PickDate();

// Offers the customers that query yields; the chosen ID, or 0 for none.
qint32 SelectCustomer(const QString &query);

} // namespace mSystem
