#pragma once

#include <QString>

// A ringing telephone fills the sale form: the call is logged and, while an
// operator has a new sale open, the caller's number finds the customer.
namespace IncomingCall {

// What the main window runs for every caller number its line reports.
// A blank number, or no new sale open, does nothing at all.
void Tapiline_InfoCallerID(const QString &number);

} // namespace IncomingCall
