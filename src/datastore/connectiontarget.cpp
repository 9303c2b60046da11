#include "datastore/connectiontarget.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

namespace {

const QString SqlitePrefix = QStringLiteral("sqlite:");
const QString PgsqlPrefix = QStringLiteral("pgsql:");

QString expandHome(const QString &path)
{
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        return QDir::homePath() + path.mid(1);
    return path;
}

void splitHostPortDb(QString rest, ConnectionTarget *t)
{
    while (rest.startsWith(QLatin1Char('/')))
        rest.remove(0, 1);
    const int slash = rest.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
        t->database = rest.mid(slash + 1);
        rest.truncate(slash);
    }
    const int colon = rest.lastIndexOf(QLatin1Char(':'));
    if (colon > 0 && !rest.contains(QLatin1Char(']'), Qt::CaseSensitive)) {
        bool ok = false;
        const int port = rest.mid(colon + 1).toInt(&ok);
        if (ok) {
            t->port = port;
            rest.truncate(colon);
        }
    }
    t->host = rest;
}

} // namespace

ConnectionTarget ConnectionTarget::fromSettings(
    const QString &hostText, const QString &user, const QString &password)
{
    ConnectionTarget t;
    t.user = user;
    t.password = password;
    if (hostText.startsWith(SqlitePrefix, Qt::CaseInsensitive)) {
        t.kind = SqlDialect::SQLite;
        QString path = hostText.mid(SqlitePrefix.size());
        if (path.startsWith(QLatin1String("//")))
            path = path.mid(2);
        t.host = expandHome(path);
    } else if (hostText.startsWith(PgsqlPrefix, Qt::CaseInsensitive)) {
        t.kind = SqlDialect::PostgreSQL;
        splitHostPortDb(hostText.mid(PgsqlPrefix.size()), &t);
        if (t.database.isEmpty())
            t.database = QStringLiteral("pelkor");
    } else {
        t.kind = SqlDialect::SqlServer;
        t.host = hostText;
        t.database = QStringLiteral("Pelkor");
    }
    return t;
}

bool ConnectionTarget::fromUrl(const QString &text, ConnectionTarget *out, QString *error)
{
    const QString lower = text.toLower();
    const bool pg = lower.startsWith(QLatin1String("pgsql://"))
        || lower.startsWith(QLatin1String("postgresql://"))
        || lower.startsWith(QLatin1String("postgres://"));
    const bool ms = lower.startsWith(QLatin1String("mssql://"));
    if (!pg && !ms) {
        *out = fromSettings(text, QStringLiteral("sa"), QString());
        if (out->host.isEmpty()) {
            if (error)
                *error = QStringLiteral("数据库地址为空：%1").arg(text);
            return false;
        }
        return true;
    }
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        if (error)
            *error = QStringLiteral("无法识别的数据库地址：%1").arg(text);
        return false;
    }
    ConnectionTarget t;
    t.kind = pg ? SqlDialect::PostgreSQL : SqlDialect::SqlServer;
    t.host = url.host();
    t.port = url.port(0);
    t.user = url.userName(QUrl::FullyDecoded);
    t.password = url.password(QUrl::FullyDecoded);
    if (t.user.isEmpty())
        t.user = pg ? QStringLiteral("postgres") : QStringLiteral("sa");
    t.database = url.path(QUrl::FullyDecoded).mid(1);
    if (t.database.isEmpty())
        t.database = pg ? QStringLiteral("pelkor") : QStringLiteral("Pelkor");
    *out = t;
    return true;
}

QString ConnectionTarget::kindPrefix(SqlDialect::Kind kind)
{
    switch (kind) {
    case SqlDialect::SQLite:
        return SqlitePrefix;
    case SqlDialect::PostgreSQL:
        return PgsqlPrefix;
    case SqlDialect::SqlServer:
        break;
    }
    return {};
}

QString ConnectionTarget::stripKindPrefix(const QString &hostText)
{
    for (const QString &prefix : {SqlitePrefix, PgsqlPrefix}) {
        if (hostText.startsWith(prefix, Qt::CaseInsensitive))
            return hostText.mid(prefix.size());
    }
    return hostText;
}

ConnectionTarget ConnectionTarget::localDatabase()
{
    ConnectionTarget t;
    t.kind = SqlDialect::SQLite;
    t.host = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Pelkor/pelkor.db");
    return t;
}

QString ConnectionTarget::hostText() const
{
    switch (kind) {
    case SqlDialect::SQLite:
        return SqlitePrefix + host;
    case SqlDialect::PostgreSQL: {
        QString text = PgsqlPrefix + host;
        if (port > 0)
            text += QLatin1Char(':') + QString::number(port);
        if (!database.isEmpty() && database != QLatin1String("pelkor"))
            text += QLatin1Char('/') + database;
        return text;
    }
    case SqlDialect::SqlServer:
        break;
    }
    return host;
}

QString ConnectionTarget::driverName() const
{
    return kind == SqlDialect::SQLite ? QStringLiteral("QSQLITE") : QStringLiteral("QODBC");
}

QString ConnectionTarget::odbcValue(const QString &value)
{
    const bool needsBraces = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('{'))
        || value.contains(QLatin1Char('}')) || value.startsWith(QLatin1Char(' '))
        || value.endsWith(QLatin1Char(' '));
    if (!needsBraces)
        return value;
    QString escaped = value;
    escaped.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}

QString ConnectionTarget::sqlServerConnectionString(
    const QString &host, const QString &user, const QString &password)
{
    return QStringLiteral("driver={SQL Server};server=") + odbcValue(host) + QStringLiteral(";uid=")
        + odbcValue(user) + QStringLiteral(";pwd=") + odbcValue(password)
        + QStringLiteral(";database=Pelkor");
}

QStringList ConnectionTarget::installedOdbcDrivers()
{
    QStringList names;
#ifdef Q_OS_WIN
    // The driver manager's own list: one value per installed driver.
    const QSettings drivers(
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers"),
        QSettings::NativeFormat);
    names = drivers.childKeys();
#else
    // unixODBC's list of drivers: the section names of odbcinst.ini, where
    // ODBCSYSINI says or in /etc.
    const QString folder = qEnvironmentVariable("ODBCSYSINI", QStringLiteral("/etc"));
    QFile ini(folder + QStringLiteral("/odbcinst.ini"));
    if (ini.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QStringList lines = QString::fromUtf8(ini.readAll()).split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            const QString t = line.trimmed();
            if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))
                && t != QLatin1String("[ODBC]"))
                names << t.mid(1, t.size() - 2);
        }
    }
#endif
    return names;
}

QString ConnectionTarget::sqlServerDriver()
{
    // Microsoft's own driver when installed, else FreeTDS from Debian.
    const QStringList installed = installedOdbcDrivers();
    for (const char *name : {"ODBC Driver 18 for SQL Server", "ODBC Driver 17 for SQL Server"})
        if (installed.contains(QLatin1String(name)))
            return QString::fromLatin1(name);
    return QStringLiteral("FreeTDS");
}

QString ConnectionTarget::postgresDriver()
{
    // The 64-bit Windows driver registers under its own name.
    const QStringList installed = installedOdbcDrivers();
    for (const char *name : {"PostgreSQL Unicode", "PostgreSQL Unicode(x64)"})
        if (installed.contains(QLatin1String(name)))
            return QString::fromLatin1(name);
    return QStringLiteral("PostgreSQL Unicode");
}

QString ConnectionTarget::odbcConnectionString() const
{
    return odbcConnectionString(kind == SqlDialect::SqlServer ? sqlServerDriver() : QString());
}

QString ConnectionTarget::odbcConnectionString(const QString &sqlServerDriverName) const
{
    if (kind == SqlDialect::PostgreSQL) {
        QString s = QStringLiteral("Driver={%1};Server=").arg(postgresDriver()) + odbcValue(host);
        if (port > 0)
            s += QStringLiteral(";Port=") + QString::number(port);
        s += QStringLiteral(";Database=") + odbcValue(database) + QStringLiteral(";Uid=")
            + odbcValue(user) + QStringLiteral(";Pwd=") + odbcValue(password)
            + QStringLiteral(";pqopt={connect_timeout=%1}").arg(LoginTimeoutSeconds)
            // Every result comes whole, in the statement's own round trip:
            // the driver's cursor would hold a transaction open while its
            // rows are read, and costs a station across town two more round
            // trips per statement. Nothing large is read in one statement:
            // lists read pages by key, and the database copy reads its
            // source through a cursor of its own.
            + QStringLiteral(";UseDeclareFetch=0")
            // Bound values go with their statement in one message: a plan
            // prepared on the server costs a station across town a round
            // trip to prepare and another to free, for every statement.
            + QStringLiteral(";UseServerSidePrepare=0");
        return s;
    }
    if (kind != SqlDialect::SqlServer)
        return {};
#ifdef Q_OS_WIN
    Q_UNUSED(sqlServerDriverName)
    QString s = sqlServerConnectionString(host, user, password);
    if (database != QLatin1String("Pelkor"))
        s.replace(
            QLatin1String(";database=Pelkor"), QStringLiteral(";database=") + odbcValue(database));
    return s;
#else
    // "host,port" is SQL Server's way of naming a port; the Linux drivers
    // want it as a key of its own.
    QString server = host;
    int serverPort = port;
    const int comma = server.indexOf(QLatin1Char(','));
    if (comma > 0) {
        serverPort = server.mid(comma + 1).trimmed().toInt();
        server.truncate(comma);
    }
    const QString &driver = sqlServerDriverName;
    QString s = sqlServerConnectionString(server, user, password);
    s.replace(QLatin1String("driver={SQL Server}"), QStringLiteral("driver={%1}").arg(driver));
    if (database != QLatin1String("Pelkor"))
        s.replace(
            QLatin1String(";database=Pelkor"), QStringLiteral(";database=") + odbcValue(database));
    if (driver == QLatin1String("FreeTDS")) {
        if (!server.contains(QLatin1Char('\\')))
            s += QStringLiteral(";Port=%1").arg(serverPort > 0 ? serverPort : 1433);
        s += QStringLiteral(";TDS_Version=7.4;ClientCharset=UTF-8");
    } else if (serverPort > 0) {
        s.replace(QStringLiteral(";server=") + odbcValue(server),
            QStringLiteral(";server=")
                + odbcValue(server + QLatin1Char(',') + QString::number(serverPort)));
    }
    if (driver.startsWith(QLatin1String("ODBC Driver 18"))) {
        // Version 18 encrypts by default and refuses the self-signed
        // certificate a group's own server usually has; the traffic stays
        // encrypted, the certificate is taken as the server offers it.
        s += QStringLiteral(";Encrypt=yes;TrustServerCertificate=yes");
    }
    return s;
#endif
}

QString ConnectionTarget::connectOptions() const
{
    if (kind == SqlDialect::SQLite)
        return QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");
    return QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(LoginTimeoutSeconds);
}

QString ConnectionTarget::describe() const
{
    switch (kind) {
    case SqlDialect::SQLite:
        return QStringLiteral("SQLite：%1").arg(host);
    case SqlDialect::PostgreSQL:
        return QStringLiteral("PostgreSQL：%1%2/%3")
            .arg(host, port > 0 ? QLatin1Char(':') + QString::number(port) : QString(), database);
    case SqlDialect::SqlServer:
        break;
    }
    return QStringLiteral("SQL Server：%1/%2").arg(host, database);
}
