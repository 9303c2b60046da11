#pragma once

#include "datastore/connectiontarget.h"

#include <QString>
#include <QStringList>

// The floor of a benchmark: statements run by the database's own
// command-line client (sqlite3 or psql) with its own timer on, so that the
// figure is the time the database needs, without starting the client or
// connecting. A fresh session pays a one-off cost on its first statements
// (a new server process loads its catalogue) that a program's long-lived
// connection has long paid: `warmUp` runs first in the same session and is
// neither timed nor shown.
namespace DbClient {

struct Result {
    bool ok = false;
    double ms = 0; // every statement's time, summed
    QList<double> timings; // per statement, in order
    QStringList rows; // the output, one line per row, fields split by '|'
    QString error;
};

// `database` names another database on the same server (PostgreSQL) or
// another file (SQLite); empty: the target's own.
Result run(const ConnectionTarget &target, const QStringList &statements,
    const QString &database = QString(), const QStringList &warmUp = {});

} // namespace DbClient
