#pragma once

#include <QString>

// A ringing telephone fills the sale form: the call is logged and, while an
// operator has an empty new sale open, the caller's number finds the
// customer. A new sale with typed input keeps it and the call is shown beside
// it; with no new sale open the call is shown on its own, unless this
// workstation turned that off.
namespace IncomingCall {

// What the main window runs for every caller number its line reports.
// A blank number does nothing at all.
void Tapiline_InfoCallerID(const QString &number);

} // namespace IncomingCall
