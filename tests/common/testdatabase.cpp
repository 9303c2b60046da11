#include "testdatabase.h"

#include "datastore/mdatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QUuid>

namespace {

bool adminTarget(ConnectionTarget *target, QString *error)
{
    const QString url = qEnvironmentVariable("PELKOR_TEST_PG");
    if (url.isEmpty()) {
        *error = QStringLiteral("PostgreSQL test server not configured (PELKOR_TEST_PG is empty)");
        return false;
    }
    return ConnectionTarget::fromUrl(url, target, error);
}

bool runAdmin(const QStringList &statements, QString *error)
{
    ConnectionTarget admin;
    if (!adminTarget(&admin, error))
        return false;
    const QString name = QStringLiteral("pelkor-admin");
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::contains(name)
            ? QSqlDatabase::database(name, false)
            : QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        if (!db.isOpen()) {
            db.setDatabaseName(admin.odbcConnectionString());
            if (!db.open()) {
                *error = db.lastError().text();
                return false;
            }
        }
        for (const QString &sql : statements) {
            QSqlQuery query(db);
            if (!query.exec(sql)) {
                *error = query.lastError().text() + QLatin1Char('\n') + sql;
                ok = false;
                break;
            }
        }
    }
    return ok;
}

int s_counter = 0;

} // namespace

TestDatabase::~TestDatabase()
{
    dropAll();
}

QString TestDatabase::backend()
{
    const QString b = qEnvironmentVariable("PELKOR_TEST_BACKEND");
    return b.isEmpty() ? QStringLiteral("sqlite") : b;
}

bool TestDatabase::isRequired()
{
    return isPostgres() && qEnvironmentVariable("PELKOR_REQUIRE_PG") == QLatin1String("1");
}

QString TestDatabase::unavailableReason()
{
    if (!isPostgres())
        return {};
    ConnectionTarget admin;
    QString error;
    if (!adminTarget(&admin, &error))
        return error;
    return {};
}

bool TestDatabase::create(ConnectionTarget *target, QString *error)
{
    if (!isPostgres()) {
        const QString dir = QDir::tempPath() + QStringLiteral("/pelkor-tests");
        QDir().mkpath(dir);
        const QString file = dir
            + QStringLiteral("/t-%1-%2.db")
                  .arg(QCoreApplication::applicationPid())
                  .arg(QUuid::createUuid().toString(QUuid::Id128).left(12));
        QFile::remove(file);
        m_files << file;
        *target = ConnectionTarget::fromSettings(
            QStringLiteral("sqlite:") + file, QString(), QString());
        return true;
    }
    ConnectionTarget admin;
    if (!adminTarget(&admin, error))
        return false;
    const QString name
        = QStringLiteral("pelkor_t_%1_%2").arg(QCoreApplication::applicationPid()).arg(++s_counter);
    if (!runAdmin(
            {QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name),
                QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'").arg(name)},
            error))
        return false;
    m_pgDatabases << name;
    *target = admin;
    target->database = name;
    return true;
}

bool TestDatabase::open(QString *error)
{
    ConnectionTarget target;
    if (!create(&target, error))
        return false;
    return mDatabase::OpenConnection(target, error);
}

void TestDatabase::dropAll()
{
    mDatabase::CloseConnection();
    for (const QString &file : std::as_const(m_files)) {
        QFile::remove(file);
        QFile::remove(file + QStringLiteral("-journal"));
        // The write-ahead log and its index, when a connection was still open.
        QFile::remove(file + QStringLiteral("-wal"));
        QFile::remove(file + QStringLiteral("-shm"));
    }
    m_files.clear();
    QString error;
    for (const QString &name : std::as_const(m_pgDatabases))
        runAdmin({QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name)}, &error);
    m_pgDatabases.clear();
}

// What a server restart or a network fault does to the running program: the
// server ends the shared connection's session, asked from a second one.
bool TestDatabase::dropSharedConnection(QString *error)
{
    qint64 pid = 0;
    {
        QSqlQuery query(mDatabase::gConnection());
        if (!query.exec(QStringLiteral("select pg_backend_pid()")) || !query.next()) {
            *error = query.lastError().text();
            return false;
        }
        pid = query.value(0).toLongLong();
    }
    const QString name = QStringLiteral("dropper-") + QUuid::createUuid().toString();
    bool ok = false;
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        other.setDatabaseName(mDatabase::currentTarget().odbcConnectionString());
        if (!other.open()) {
            *error = other.lastError().text();
        } else {
            QSqlQuery kill(other);
            ok = kill.exec(QStringLiteral("select pg_terminate_backend(%1)").arg(pid));
            if (!ok)
                *error = kill.lastError().text();
            // The session is gone once the server no longer lists it.
            for (int i = 0; ok && i < 200; ++i) {
                QSqlQuery alive(other);
                if (alive.exec(QStringLiteral("select count(*) from pg_stat_activity where pid=%1")
                                   .arg(pid))
                    && alive.next() && alive.value(0).toInt() == 0)
                    break;
                QThread::msleep(10);
            }
            other.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

int countRows(const QString &sql)
{
    const auto rs = mDatabase::OpenRecordset(sql);
    return rs ? rs->value(0, 0).toInt() : -1;
}
