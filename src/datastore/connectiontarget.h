#pragma once

#include "datastore/sqldialect.h"

#include <QString>
#include <QStringList>

// Where the shared database lives and how to reach it. The workstation keeps
// three settings (host, user, password); the host text also carries the kind
// of database:
//   "sqlite:/path/pelkor.db"        the embedded single-file database
//   "pgsql:host[:port][/database]"  PostgreSQL through ODBC
//   anything else                   SQL Server through ODBC, as always
struct ConnectionTarget {
    SqlDialect::Kind kind = SqlDialect::SqlServer;
    QString host; // server host, or the file path for SQLite
    int port = 0; // 0: the driver's default
    QString database; // server-side database name
    QString user;
    QString password;

    static constexpr int LoginTimeoutSeconds = 5;

    static ConnectionTarget fromSettings(
        const QString &hostText, const QString &user, const QString &password);
    // Command-line form: "sqlite:PATH", "pgsql://user:pw@host:port/db",
    // "mssql://user:pw@host/db"; a bare host text is read as fromSettings.
    static bool fromUrl(const QString &url, ConnectionTarget *out, QString *error);

    // The workstation's own single-file database, where a program with no
    // stored settings starts: ~/.local/share/Pelkor/pelkor.db on Linux, the
    // user's application-data folder on other systems.
    static ConnectionTarget localDatabase();

    // The text stored in DBSERVER_HOST for this target.
    QString hostText() const;
    // Host as typed in the setup dialog's host box, without the kind prefix.
    static QString stripKindPrefix(const QString &hostText);
    static QString kindPrefix(SqlDialect::Kind kind);

    QString driverName() const;
    QString odbcConnectionString() const;
    // The same with the ODBC driver that serves SQL Server named, as found
    // on this machine by sqlServerDriver().
    QString odbcConnectionString(const QString &sqlServerDriverName) const;
    QString connectOptions() const;
    QString describe() const;

    // The connection string this program has always used for SQL Server.
    static QString sqlServerConnectionString(
        const QString &host, const QString &user, const QString &password);
    // Braces a value that would otherwise end or break the string.
    static QString odbcValue(const QString &value);
    // The ODBC driver that serves "{SQL Server}" on this machine.
    static QString sqlServerDriver();
    // The PostgreSQL ODBC driver as this machine registers it ("PostgreSQL
    // Unicode", on 64-bit Windows "PostgreSQL Unicode(x64)").
    static QString postgresDriver();
    // The names of the ODBC drivers installed here, as the driver manager
    // lists them.
    static QStringList installedOdbcDrivers();
};
