#pragma once

#include "datastore/connectiontarget.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Moving a group's data to another database, as a station that outgrows its
// single-file database moves to a server: every table copied with its IDs,
// in one transaction on the target, then both sides counted and summed.
namespace DatabaseCopy {

struct Outcome {
    bool ok = false;
    // Plain words for the person at the command line: what was copied, or
    // why nothing was.
    QString message;
    qint64 rows = 0;
};

// Copies every table of `source` (a database with this program's tables,
// already brought up to date) into `target`, which must hold none of them.
// The target gets the tables, every row with its ID, and identity counters
// that continue after the copied IDs. Nothing stays on the target when any
// step fails, including the final comparison of row counts and sums.
Outcome copy(QSqlDatabase source, const ConnectionTarget &target);

} // namespace DatabaseCopy
