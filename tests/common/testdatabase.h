#pragma once

#include "datastore/connectiontarget.h"

#include <QString>
#include <QStringList>

// A fresh database for every test, on the backend the test run asks for
// (PELKOR_TEST_BACKEND=sqlite|pg). PostgreSQL is reached through ODBC with
// the server named by PELKOR_TEST_PG ("pgsql://user:pw@127.0.0.1:port/db";
// the role must be allowed to create databases).
class TestDatabase {
public:
    ~TestDatabase();

    static QString backend();
    static bool isPostgres() { return backend() == QLatin1String("pg"); }
    // True when the run must not skip the PostgreSQL side (PELKOR_REQUIRE_PG=1).
    static bool isRequired();
    // Why the configured backend cannot be used here; empty when it can.
    static QString unavailableReason();

    // Creates an empty database and returns how to reach it (the tables are
    // created by the first connection to it).
    bool create(ConnectionTarget *target, QString *error);
    // create() and open the shared connection on it.
    bool open(QString *error);

    // Drops every database this object created.
    void dropAll();

    // What a server restart or a network fault does to the running program
    // (PostgreSQL only): the server ends the shared connection's session.
    static bool dropSharedConnection(QString *error);

private:
    QStringList m_pgDatabases;
    QStringList m_files;
};

// The first value of the first row of a query, as a whole number: how
// many rows a count(*) found; -1 when the query failed.
int countRows(const QString &sql);

// In a test function: skip when the configured backend cannot be reached,
// or fail when the run requires it (PELKOR_REQUIRE_PG=1, set by CI, so that
// a server that did not start cannot turn the PostgreSQL runs into skips).
#define PELKOR_REQUIRE_DATABASE()                                                                  \
    do {                                                                                           \
        const QString reason_ = TestDatabase::unavailableReason();                                 \
        if (!reason_.isEmpty()) {                                                                  \
            if (TestDatabase::isRequired())                                                        \
                QFAIL(qPrintable(reason_));                                                        \
            QSKIP(qPrintable(reason_));                                                            \
        }                                                                                          \
    } while (false)

// In a test function: a fresh database as the shared connection, or skip.
#define PELKOR_FRESH_DATABASE(db)                                                                  \
    do {                                                                                           \
        PELKOR_REQUIRE_DATABASE();                                                                 \
        QString error_;                                                                            \
        QVERIFY2((db).open(&error_), qPrintable(error_));                                          \
    } while (false)
