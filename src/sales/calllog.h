#pragma once

#include <QString>

// The log of incoming calls (the Call table).
namespace CallLog {

// One call as received, quotes and blanks included, stamped now.
bool add(const QString &number);
bool remove(qint64 id);
// Every station's calls.
bool clear();

} // namespace CallLog
