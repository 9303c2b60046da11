#include "datastore/mdatabase.h"

#include "datastore/currency.h"
#include "datastore/drivererror.h"
#include "datastore/eventlog.h"
#include "datastore/prompt.h"
#include "datastore/schema.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>

namespace mDatabase {

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

bool s_inTransaction = false;
// The connection dropped; the message about it has been shown.
bool s_lost = false;
bool s_commitUnknown = false;

const QString ReadErrorText = QStringLiteral("读取数据库时出现系统错误，错误信息：");
const QString UpdateErrorText = QStringLiteral("更新数据库时出现系统错误，错误信息：");
const QString SystemErrorTitle = QStringLiteral("系统错误");

// LIKE tells upper from lower case, as it does on PostgreSQL, so a filter
// or an address search finds the same rows on either database. Set on every
// SQLite connection: the lists read through one of their own.
void likeAsOnServers(QSqlDatabase &db)
{
    QSqlQuery pragma(db);
    pragma.exec(QStringLiteral("PRAGMA case_sensitive_like=ON"));
}

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
        {
            QSqlQuery wal(db);
            wal.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        }
        // After the statement above is finished: SQLite refuses to redefine
        // LIKE while any statement of the connection is active.
        likeAsOnServers(db);
    }
    return true;
}

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
    if (s_dialect.kind() == SqlDialect::SQLite || !QSqlDatabase::contains(ConnectionName))
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

bool hasRows(const QSqlDatabase &db, const QString &table)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    return query.exec(QStringLiteral("select count(*) from %1").arg(table)) && query.next()
        && query.value(0).toLongLong() > 0;
}

bool exec(QSqlQuery &query, const QString &sql)
{
    query.setForwardOnly(true);
    return query.exec(sql);
}

// Runs sql on the shared connection after reopening it when it was lost.
// On failure *error holds the driver's complaint, or is cleared when the
// person has already been told (a lost connection).
bool run(QSqlQuery &query, const QString &sql, QString *error)
{
    if (!EnsureConnected()) {
        error->clear();
        return false;
    }
    if (exec(query, sql))
        return true;
    EventLog::write(QStringLiteral("数据库错误：%1 ⏎ 语句：%2")
                        .arg(errorText(query.lastError()), EventLog::safeStatement(sql)));
    if (NoteConnectionFailure(query.lastError()))
        error->clear();
    else
        *error = errorText(query.lastError());
    return false;
}

} // namespace

QSqlDatabase gConnection()
{
    return QSqlDatabase::database(ConnectionName, false);
}

QSqlDatabase ListConnection()
{
    // A list keeps its statement open while the grid scrolls. On SQLite an
    // open statement holds its connection's snapshot, and a save on that
    // same connection after another workstation's commit would fail at once
    // ("database is locked"); the lists read through a connection of their
    // own instead, which in WAL mode holds up nobody.
    if (s_dialect.kind() != SqlDialect::SQLite || !isConnected())
        return gConnection();
    const QString name = ConnectionName + QStringLiteral("-lists");
    QSqlDatabase db = QSqlDatabase::contains(name)
        ? QSqlDatabase::database(name, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    if (db.isOpen() && db.databaseName() == s_target.host)
        return db;
    db.close();
    db.setDatabaseName(s_target.host);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        return gConnection();
    likeAsOnServers(db);
    return db;
}

bool isConnected()
{
    return QSqlDatabase::contains(ConnectionName) && gConnection().isOpen();
}

const ConnectionTarget &currentTarget()
{
    return s_target;
}

const SqlDialect &dialect()
{
    return s_dialect;
}

QString SqlStr(const QString &text)
{
    return s_dialect.textLiteral(text);
}

QString SqlLikeAnywhere(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('!'), QLatin1String("!!"));
    escaped.replace(QLatin1Char('%'), QLatin1String("!%"));
    escaped.replace(QLatin1Char('_'), QLatin1String("!_"));
    return SqlStr(QLatin1Char('%') + escaped + QLatin1Char('%')) + QStringLiteral(" ESCAPE '!'");
}

QString TrimBlanks(const QString &text)
{
    int begin = 0;
    int end = int(text.size());
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

bool OpenConnection(const ConnectionTarget &target, QString *error)
{
    CloseConnection();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(target.driverName(), ConnectionName);
        ok = openOn(db, target);
        if (!ok && error)
            *error = errorText(db.lastError());
    }
    if (!ok) {
        QSqlDatabase::removeDatabase(ConnectionName);
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

QSqlDatabase ReportConnection()
{
    // Reports are sums of few rows over many: read whole, PostgreSQL plans
    // them for all their rows and may share the work among its workers,
    // which it never does for the block-wise cursor the lists need.
    if (s_dialect.kind() != SqlDialect::PostgreSQL || !isConnected())
        return ListConnection();
    const QString name = ConnectionName + QStringLiteral("-reports");
    QString wanted = s_target.odbcConnectionString();
    wanted.replace(QLatin1String("UseDeclareFetch=1"), QLatin1String("UseDeclareFetch=0"));
    QSqlDatabase db = QSqlDatabase::contains(name)
        ? QSqlDatabase::database(name, false)
        : QSqlDatabase::addDatabase(s_target.driverName(), name);
    if (db.isOpen() && db.databaseName() == wanted)
        return db;
    db.close();
    db.setDatabaseName(wanted);
    db.setConnectOptions(s_target.connectOptions());
    return db.open() ? db : gConnection();
}

std::optional<Recordset> OpenReportRecordset(const QString &sql)
{
    QSqlDatabase db = ReportConnection();
    if (db.connectionName() != ConnectionName) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (query.exec(sql))
            return Recordset::fromQuery(query);
        // A dropped or broken report connection is opened again next time;
        // this once the shared connection answers, with its own reporting.
        db.close();
    }
    return OpenRecordset(sql);
}

void CloseConnection()
{
    for (const char *suffix : {"-lists", "-reports"}) {
        const QString name = ConnectionName + QLatin1String(suffix);
        if (QSqlDatabase::contains(name))
            QSqlDatabase::database(name, false).close();
    }
    if (!QSqlDatabase::contains(ConnectionName))
        return;
    {
        QSqlDatabase db = gConnection();
        db.close();
    }
    QSqlDatabase::removeDatabase(ConnectionName);
}

bool EnsureSchema(QString *error)
{
    QSqlDatabase db = gConnection();
    const QStringList existing = db.tables();
    QStringList missing;
    for (const QString &table : Schema::tableNames()) {
        if (!existing.contains(table, Qt::CaseInsensitive))
            missing << table;
    }
    const bool fresh = missing.size() == Schema::tableNames().size();
    bool needsLoginRows = false;
    QStringList statements;
    if (!missing.isEmpty())
        statements = Schema::createStatements(s_dialect, missing);
    if (fresh) {
        statements << Schema::initialContent(s_dialect);
    } else if (!missing.isEmpty() || !hasRows(db, QStringLiteral("Station"))
        || !hasRows(db, QStringLiteral("SysUser"))) {
        // Checked again below inside the transaction; this only saves the
        // transaction when there is nothing to do.
        needsLoginRows = true;
    }
    if (!fresh) {
        // A database of an older version is brought up to this one.
        QSqlQuery version(db);
        int stored = Schema::Version;
        if (version.exec(QStringLiteral("select myValue from SysValue where Name=")
                + SqlStr(Schema::VersionSettingName))
            && version.next())
            stored = version.value(0).toInt();
        version.finish();
        if (stored < Schema::Version) {
            statements << Schema::upgradeStatements(stored);
            statements << QStringLiteral("update SysValue set myValue='%1' where Name=%2")
                              .arg(QString::number(Schema::Version),
                                  SqlStr(Schema::VersionSettingName));
        }
    }
    if (statements.isEmpty() && !needsLoginRows)
        return true;

    QSqlError beginError;
    if (!beginOn(db, &beginError)) {
        if (error)
            *error = errorText(beginError);
        return false;
    }
    const auto runAll = [&](const QStringList &list) {
        for (const QString &sql : list) {
            QSqlQuery query(db);
            if (!query.exec(sql)) {
                if (error)
                    *error = errorText(query.lastError()) + QStringLiteral("\n") + sql;
                db.rollback();
                return false;
            }
        }
        return true;
    };
    if (!runAll(statements))
        return false;
    if (needsLoginRows) {
        // Somebody must always be able to log in: a station and an operator
        // with every right, as a new database starts with.
        if (!hasRows(db, QStringLiteral("Station"))
            && !runAll({Schema::headStationStatement(s_dialect)}))
            return false;
        if (!hasRows(db, QStringLiteral("SysUser"))) {
            QSqlQuery head(db);
            if (!head.exec(QStringLiteral("select min(ID) from Station")) || !head.next()) {
                if (error)
                    *error = errorText(head.lastError());
                db.rollback();
                return false;
            }
            const qint64 headId = head.value(0).toLongLong();
            head.finish();
            if (!runAll({Schema::administratorStatement(headId, s_dialect)}))
                return false;
        }
    }
    if (!db.commit()) {
        if (error)
            *error = errorText(db.lastError());
        db.rollback();
        return false;
    }
    return true;
}

bool ExecuteSQL(const QString &sql)
{
    QSqlQuery query(gConnection());
    QString error;
    if (!run(query, sql, &error)) {
        if (!error.isEmpty())
            Prompt::error(UpdateErrorText + error, SystemErrorTitle);
        return false;
    }
    return true;
}

int ExecuteAffected(const QString &sql)
{
    QSqlQuery query(gConnection());
    QString error;
    if (!run(query, sql, &error)) {
        if (!error.isEmpty())
            Prompt::error(UpdateErrorText + error, SystemErrorTitle);
        return -1;
    }
    return qMax(0, query.numRowsAffected());
}

std::optional<Recordset> OpenRecordset(const QString &sql)
{
    QSqlQuery query(gConnection());
    QString error;
    if (!run(query, sql, &error)) {
        if (!error.isEmpty())
            Prompt::error(ReadErrorText + error, SystemErrorTitle);
        return std::nullopt;
    }
    return Recordset::fromQuery(query);
}

qint64 InsertRow(const QString &insertStatement, QString *error)
{
    QSqlQuery query(gConnection());
    if (!run(query, s_dialect.insertReturningId(insertStatement), error)) {
        if (error->isEmpty())
            *error = ConnectionLostText;
        return 0;
    }
    QVariant id;
    if (s_dialect.insertReturnsRow()) {
        if (query.next())
            id = query.value(0);
    } else {
        id = query.lastInsertId();
    }
    bool ok = false;
    const qint64 value = id.toLongLong(&ok);
    if (!ok || value <= 0) {
        *error = QStringLiteral("无法取得新记录的编号");
        return 0;
    }
    return value;
}

qint64 InsertAndGetID(const QString &insertStatement)
{
    QString error;
    const qint64 id = InsertRow(insertStatement, &error);
    // A lost connection has had its own message.
    if (id == 0 && !(s_lost && error == ConnectionLostText))
        Prompt::error(UpdateErrorText + error, SystemErrorTitle);
    return id;
}

bool IsUniqueValue(const QString &table, const QString &column, const QString &value, int kind)
{
    QString sql = QStringLiteral("select * from ") + table + QStringLiteral(" where ") + column;
    if (kind == 0) {
        sql += QStringLiteral(" =") + SqlStr(value);
    } else {
        // A number goes in only as a number: anything else cannot be stored
        // in a numeric column, so it cannot be taken either.
        bool ok = false;
        const double number = value.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(number))
            return false;
        sql += QStringLiteral(" =") + QString::number(number, 'g', 17);
    }
    const auto rs = OpenRecordset(sql);
    return rs && rs->isEmpty();
}

int GetMinValue(const QString &table, const QString &column)
{
    const auto rs = OpenRecordset(
        QStringLiteral("select min(") + column + QStringLiteral(") as NewField from ") + table);
    if (!rs || rs->isEmpty())
        return 0;
    bool ok = false;
    const int value = rs->value(0, QStringLiteral("NewField")).toInt(&ok);
    return ok ? value : 0;
}

QString GetFieldByID(qint64 id, const QString &table, const QString &column)
{
    const auto rs = OpenRecordset(QStringLiteral("select * from ") + table
        + QStringLiteral(" where ID=") + QString::number(id));
    if (!rs || rs->isEmpty())
        return {};
    const QVariant value = rs->value(0, column);
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().toString(Qt::ISODate);
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', 15);
    return value.toString();
}

int GetSumValue(const QString &table, const QString &whereClause, const QString &column)
{
    QString sql
        = QStringLiteral("select sum(") + column + QStringLiteral(") as TotalValue from ") + table;
    if (!whereClause.isEmpty())
        sql += QLatin1Char(' ') + whereClause;
    const auto rs = OpenRecordset(sql);
    if (!rs || rs->isEmpty())
        return 0;
    const QVariant value = rs->value(0, QStringLiteral("TotalValue"));
    if (value.isNull())
        return 0;
    return int(Currency::fromVariant(value).roundToWhole());
}

QString GetSysValue(const QString &name, bool *ok)
{
    const auto rs
        = OpenRecordset(QStringLiteral("Select * from SysValue where Name=") + SqlStr(name));
    if (ok)
        *ok = rs.has_value();
    if (!rs || rs->isEmpty())
        return {};
    return rs->value(0, QStringLiteral("myValue")).toString();
}

bool SetSysValue(const QString &name, const QString &value)
{
    const auto rs
        = OpenRecordset(QStringLiteral("Select * from SysValue where Name=") + SqlStr(name));
    if (!rs)
        return false;
    if (rs->isEmpty()) {
        return ExecuteSQL(QStringLiteral("insert into Sysvalue(Name,myValue) values(%1,%2)")
                              .arg(SqlStr(name), SqlStr(value)));
    }
    return ExecuteSQL(QStringLiteral("update SysValue set MyValue=%1 where Name=%2")
                          .arg(SqlStr(value), SqlStr(name)));
}

int GetCustomerIDByAccount(qint64 account)
{
    const auto rs = OpenRecordset(
        QStringLiteral("Select * from customer where Account=") + QString::number(account));
    if (!rs || rs->isEmpty())
        return 0;
    return rs->value(0, QStringLiteral("ID")).toInt();
}

bool BeginTrans()
{
    s_commitUnknown = false;
    if (!EnsureConnected())
        return false;
    QSqlDatabase db = gConnection();
    QSqlError error;
    if (!beginOn(db, &error)) {
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
    if (QSqlDatabase::contains(ConnectionName))
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
    if (QSqlDatabase::contains(ConnectionName)) {
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
