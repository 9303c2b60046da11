#include "datastore/mdatabase.h"

#include "datastore/drivererror.h"
#include "datastore/mdatabasedetail.h"
#include "datastore/prompt.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <utility>

// The shared connection's life: opening it on a target, the list and report connections
// beside it, transactions, and noticing and reopening a connection the server dropped.
namespace mDatabase {

using detail::ReadErrorText;
using detail::SystemErrorTitle;
using detail::UpdateErrorText;

const QString ConnectionLostText
    = QStringLiteral("与数据库服务器的连接已中断，刚才的操作没有完成。\n下一次操作时程序会自动重新"
                     "连接，请稍后再试一次。");
const QString CommitUnknownText
    = QStringLiteral("保存时与数据库服务器的连接中断，无法确定这张单据是否已经保存。\n"
                     "请先刷新列表查看这张单据，确认列表中没有它之后再重新输入，以免重复。");

namespace {

const QString ConnectionLostTitle = QStringLiteral("连接中断");

ConnectionTarget s_target;
SqlDialect s_dialect;
// The Qt connection that is the shared one: its own name, or the trial
// connection it went on with.
QString s_sharedName = ConnectionName;
QString s_trialName;
QString s_trialTarget;

bool s_inTransaction = false;
// The connection dropped; the message about it has been shown.
bool s_lost = false;
bool s_commitUnknown = false;

// Opens db on target. An SQLite file runs in WAL mode, so that
// workstations reading the file do not hold up the one that saves.
bool openOn(QSqlDatabase &db, const ConnectionTarget &target)
{
    if (target.kind == SqlDialect::SQLite) {
        QDir().mkpath(QFileInfo(target.host).absolutePath());
        db.setDatabaseName(target.host);
    } else {
        db.setDatabaseName(target.odbcConnectionString());
    }
    db.setConnectOptions(target.connectOptions());
    if (!db.open())
        return false;
    if (target.kind == SqlDialect::SQLite) {
        QSqlQuery wal(db);
        wal.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    }
    return true;
}

QString listConnectionName()
{
    return ConnectionName + QStringLiteral("-lists");
}

// Opened again on the next read: after a reconnect, whatever the server
// dropped under the shared connection it dropped under this one too. A
// connection closed for good is forgotten, so that the next target, maybe
// of another kind, starts afresh.
void closeListConnection(bool forget)
{
    if (!QSqlDatabase::contains(listConnectionName()))
        return;
    QSqlDatabase::database(listConnectionName(), false).close();
    if (forget)
        QSqlDatabase::removeDatabase(listConnectionName());
}

void dropTrial()
{
    if (s_trialName.isEmpty())
        return;
    QSqlDatabase::database(s_trialName, false).close();
    QSqlDatabase::removeDatabase(s_trialName);
    s_trialName.clear();
}

// The kept trial connection's name when it was opened on target and is
// still open; it is no longer a trial then.
QString takeTrial(const ConnectionTarget &target)
{
    if (s_trialName.isEmpty() || target.kind == SqlDialect::SQLite
        || s_trialTarget != target.odbcConnectionString()
        || !QSqlDatabase::database(s_trialName, false).isOpen()) {
        dropTrial();
        return {};
    }
    return std::exchange(s_trialName, QString());
}

// Errors by which the drivers say the connection itself is gone: ODBC's
// communication-link states, PostgreSQL's "server shut down" states, and the
// texts libpq gives when the socket closed.
bool saysConnectionLost(const QSqlError &error)
{
    const QString all = error.nativeErrorCode() + QLatin1Char(' ') + error.text();
    static const char *const markers[] = {"08S01", "08003", "08006", "08001", "57P01", "57P02",
        "57P03", "server closed the connection", "no connection to the server",
        "could not receive data from server", "could not send data to server",
        "terminating connection", "connection not open", "Communication link failure",
        "SSL SYSCALL error", "Broken pipe", "Connection reset"};
    for (const char *marker : markers) {
        if (all.contains(QLatin1String(marker), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// Whether a failure means the connection is gone. A file does not go away
// under a running program; a server connection is asked with a trivial
// query when the error alone does not say (not inside a transaction, where
// PostgreSQL refuses every statement after the first failure anyway).
bool connectionGone(const QSqlError &error)
{
    if (s_dialect.kind() == SqlDialect::SQLite || !QSqlDatabase::contains(s_sharedName))
        return false;
    if (saysConnectionLost(error))
        return true;
    if (s_inTransaction)
        return false;
    QSqlQuery probe(gConnection());
    return !probe.exec(QStringLiteral("select 1"));
}

// After a failed commit no transaction is open any more as far as the
// program is concerned; a probe tells a dropped connection from a commit
// the server refused.
bool connectionGoneAfterCommit()
{
    QSqlQuery probe(gConnection());
    const bool gone = !probe.exec(QStringLiteral("select 1"));
    probe.finish();
    return gone;
}

} // namespace

namespace detail {

// Begins a transaction on db; SQLite takes its write lock at once, waiting
// up to the busy timeout for another writer to finish.
bool beginOn(QSqlDatabase &db, QSqlError *error)
{
    if (s_dialect.kind() == SqlDialect::SQLite) {
        QSqlQuery begin(db);
        if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            *error = begin.lastError();
            return false;
        }
        return true;
    }
    if (!db.transaction()) {
        *error = db.lastError();
        return false;
    }
    return true;
}

} // namespace detail

QSqlDatabase gConnection()
{
    return QSqlDatabase::database(s_sharedName, false);
}

QSqlDatabase ListConnection()
{
    // Lists and reports read each statement to its end and finish it at
    // once, so nothing stays open while a list sits on screen. On SQLite an
    // open statement would still hold its connection's snapshot, and a save
    // after another workstation's commit would fail at once ("database is
    // locked"): lists read through a read-only connection of their own,
    // which in WAL mode holds up nobody. A server reads whole results on the
    // shared connection, which saves a station across town a second
    // connection's log-in.
    if (!isConnected() || s_dialect.kind() != SqlDialect::SQLite)
        return gConnection();
    QSqlDatabase db = QSqlDatabase::contains(listConnectionName())
        ? QSqlDatabase::database(listConnectionName(), false)
        : QSqlDatabase::addDatabase(s_target.driverName(), listConnectionName());
    if (db.isOpen() && db.databaseName() == s_target.host)
        return db;
    db.close();
    db.setDatabaseName(s_target.host);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
    return db.open() ? db : gConnection();
}

bool isConnected()
{
    return QSqlDatabase::contains(s_sharedName) && gConnection().isOpen();
}

const ConnectionTarget &currentTarget()
{
    return s_target;
}

const SqlDialect &dialect()
{
    return s_dialect;
}

bool OpenConnection(const ConnectionTarget &target, QString *error)
{
    const QString trial = takeTrial(target);
    CloseConnection();
    bool ok = !trial.isEmpty();
    s_sharedName = ok ? trial : ConnectionName;
    if (!ok) {
        QSqlDatabase db = QSqlDatabase::addDatabase(target.driverName(), s_sharedName);
        ok = openOn(db, target);
        if (!ok && error)
            *error = errorText(db.lastError());
    }
    if (!ok) {
        QSqlDatabase::removeDatabase(s_sharedName);
        return false;
    }
    s_target = target;
    s_dialect = SqlDialect(target.kind);
    s_inTransaction = false;
    s_lost = false;
    s_commitUnknown = false;
    if (!EnsureSchema(error)) {
        CloseConnection();
        return false;
    }
    return true;
}

void CloseConnection()
{
    closeListConnection(true);
    dropTrial();
    if (!QSqlDatabase::contains(s_sharedName))
        return;
    {
        QSqlDatabase db = gConnection();
        db.close();
    }
    QSqlDatabase::removeDatabase(s_sharedName);
}

namespace detail {

void keepTrial(const QString &connectionName, const ConnectionTarget &target)
{
    dropTrial();
    s_trialName = connectionName;
    s_trialTarget = target.odbcConnectionString();
}

} // namespace detail

bool BeginTrans()
{
    s_commitUnknown = false;
    if (!EnsureConnected())
        return false;
    QSqlDatabase db = gConnection();
    QSqlError error;
    if (!detail::beginOn(db, &error)) {
        if (!NoteConnectionFailure(error))
            Prompt::error(UpdateErrorText + errorText(error), SystemErrorTitle);
        return false;
    }
    s_inTransaction = true;
    return true;
}

bool CommitTrans()
{
    QSqlDatabase db = gConnection();
    if (s_inTransaction && s_lost) {
        // A statement of this transaction found the connection gone and
        // said so; the transaction went with it.
        RollbackTrans();
        return false;
    }
    if (!db.commit()) {
        const QSqlError error = db.lastError();
        if (s_dialect.kind() != SqlDialect::SQLite
            && (saysConnectionLost(error) || connectionGoneAfterCommit())) {
            // The commit may have reached the server before the reply was
            // lost: nobody can say whether the changes are stored.
            s_lost = true;
            s_commitUnknown = true;
            s_inTransaction = false;
            Prompt::error(CommitUnknownText, QStringLiteral("保存结果未知"));
            return false;
        }
        Prompt::error(UpdateErrorText + errorText(error), SystemErrorTitle);
        RollbackTrans();
        return false;
    }
    s_inTransaction = false;
    return true;
}

void RollbackTrans()
{
    s_inTransaction = false;
    if (QSqlDatabase::contains(s_sharedName))
        gConnection().rollback();
}

bool InTransaction()
{
    return s_inTransaction;
}

bool ConnectionLost()
{
    return s_lost;
}

bool NoteConnectionFailure(const QSqlError &error)
{
    if (s_lost)
        return true;
    if (!connectionGone(error))
        return false;
    s_lost = true;
    Prompt::error(ConnectionLostText, ConnectionLostTitle);
    return true;
}

bool EnsureConnected()
{
    if (!s_lost)
        return true;
    // Inside a transaction the work done so far is gone with the old
    // connection; the caller fails and rolls back, the next action reopens.
    if (s_inTransaction)
        return false;
    QString error;
    bool reopened = false;
    if (QSqlDatabase::contains(s_sharedName)) {
        closeListConnection(false);
        QSqlDatabase db = gConnection();
        db.close();
        reopened = openOn(db, s_target);
        if (!reopened)
            error = errorText(db.lastError());
    } else {
        reopened = OpenConnection(s_target, &error);
    }
    if (!reopened) {
        Prompt::error(QStringLiteral("重新连接数据库服务器失败：") + error, ConnectionLostTitle);
        return false;
    }
    s_lost = false;
    return true;
}

bool CommitOutcomeUnknown()
{
    return s_commitUnknown;
}

} // namespace mDatabase
