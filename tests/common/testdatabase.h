#pragma once

#include "connectiontarget.h"

#include <QString>
#include <QStringList>

// A fresh database for every test, on the backend the test run asks for
// (PELKOR_TEST_BACKEND=sqlite|pg). PostgreSQL is reached through ODBC with
// the server named by PELKOR_TEST_PG ("pgsql://user:pw@127.0.0.1:port/db";
// the role must be allowed to create databases).
class TestDatabase
{
public:
    ~TestDatabase();

    static QString backend();
    static bool isPostgres() { return backend() == QLatin1String("pg"); }
    // Why the configured backend cannot be used here; empty when it can.
    static QString unavailableReason();

    // Creates an empty database and returns how to reach it (the tables are
    // created by the first connection to it).
    bool create(ConnectionTarget *target, QString *error);
    // create() and open the shared connection on it.
    bool open(QString *error);

    // Drops every database this object created.
    void dropAll();

private:
    QStringList m_pgDatabases;
    QStringList m_files;
};

// In a test function: a fresh database as the shared connection, or skip.
#define PELKOR_FRESH_DATABASE(db)                                                                  \
    do {                                                                                           \
        const QString reason_ = TestDatabase::unavailableReason();                                 \
        if (!reason_.isEmpty())                                                                    \
            QSKIP(qPrintable(reason_));                                                            \
        QString error_;                                                                            \
        QVERIFY2((db).open(&error_), qPrintable(error_));                                          \
    } while (false)
