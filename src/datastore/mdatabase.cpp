#include "mdatabase.h"

#include "cregistry.h"
#include "currency.h"
#include "frmdbsetup.h"
#include "prompt.h"
#include "schema.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <cmath>

namespace mDatabase {
namespace {

ConnectionTarget s_target;
SqlDialect s_dialect;

const QString ReadErrorText = QStringLiteral("读取数据库时出现系统错误，错误信息：");
const QString UpdateErrorText = QStringLiteral("更新数据库时出现系统错误，错误信息：");
const QString SystemErrorTitle = QStringLiteral("系统错误");
const QString NoSettingsText
    = QStringLiteral("您没有设置与SQLServer数据库服务器的连接参数，请单击[确认]按钮开始设置！");
const QString BadSettingsText
    = QStringLiteral("连接SQLServer数据库服务器失败，请单击[确认]按钮重新设置！");

QString errorText(const QSqlError &error)
{
    QString text = error.text().trimmed();
    return text.isEmpty() ? QStringLiteral("数据库未连接") : text;
}

// Opens db on target. SQLite files are created on first use, together with
// the folder that holds them.
bool openOn(QSqlDatabase &db, const ConnectionTarget &target)
{
    if (target.kind == SqlDialect::SQLite) {
        QDir().mkpath(QFileInfo(target.host).absolutePath());
        db.setDatabaseName(target.host);
    } else {
        db.setDatabaseName(target.odbcConnectionString());
    }
    db.setConnectOptions(target.connectOptions());
    return db.open();
}

bool exec(QSqlQuery &query, const QString &sql)
{
    query.setForwardOnly(true);
    return query.exec(sql);
}

ConnectResult runSetupDialog()
{
    frmDBSetup dialog;
    dialog.exec();
    if (dialog.ExitRequested())
        return ConnectResult::ExitRequested;
    return isConnected() ? ConnectResult::Connected : ConnectResult::NotConnected;
}

// Why an SQLite file cannot serve as the database; empty when it can,
// including a file not there yet in a folder that can be written.
QString sqliteFileProblem(const QString &path)
{
    if (path.trimmed().isEmpty())
        return QStringLiteral("数据库文件名为空");
    const QFileInfo file(path);
    if (file.exists())
        return {};
    QFileInfo dir(file.absolutePath());
    while (!dir.exists() && dir.absoluteFilePath() != QDir::rootPath())
        dir = QFileInfo(dir.absolutePath());
    if (!dir.isDir() || !dir.isWritable())
        return QStringLiteral("无法在该位置创建数据库文件：%1").arg(path);
    return {};
}

// Opens and closes a connection of its own; the driver's complaint, if any.
QString trialConnectionProblem(const ConnectionTarget &target)
{
    const bool sqlite = target.kind == SqlDialect::SQLite;
    const QString name
        = QStringLiteral("pelkor-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString failure;
    {
        QSqlDatabase trial = QSqlDatabase::addDatabase(target.driverName(), name);
        trial.setConnectOptions(
            sqlite ? QStringLiteral("QSQLITE_OPEN_READONLY") : target.connectOptions());
        trial.setDatabaseName(sqlite ? target.host : target.odbcConnectionString());
        if (!trial.open()) {
            failure = errorText(trial.lastError());
        } else if (sqlite) {
            // Any file opens; only a query tells a database from other files.
            QSqlQuery probe(trial);
            if (!probe.exec(QStringLiteral("select count(*) from sqlite_master")))
                failure = errorText(probe.lastError());
        }
        trial.close();
    }
    QSqlDatabase::removeDatabase(name);
    return failure;
}

QString readSetting(const QString &name, bool *exists = nullptr)
{
    cRegistry reg;
    reg.setClassKey(cRegistry::HKEY_LOCAL_MACHINE);
    reg.setValueType(cRegistry::REG_SZ);
    reg.setSectionKey(RegistryRoot + QLatin1Char('\\') + name);
    const bool keyExists = reg.KeyExists();
    if (exists)
        *exists = keyExists;
    return keyExists ? TrimBlanks(reg.Value().toString()) : QString();
}

} // namespace

QSqlDatabase gConnection()
{
    return QSqlDatabase::database(ConnectionName, false);
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
    QString escaped = text;
    escaped.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
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

bool TestConnection(const QString &host, const QString &user, const QString &password)
{
    return TestConnection(ConnectionTarget::fromSettings(host, user, password));
}

bool TestConnection(const ConnectionTarget &target)
{
    QString failure;
    bool nothingToOpen = false;
    if (target.kind == SqlDialect::SQLite) {
        failure = sqliteFileProblem(target.host);
        // A missing file is created with its tables on first use.
        nothingToOpen = !QFileInfo::exists(target.host);
    }
    if (failure.isEmpty() && !nothingToOpen)
        failure = trialConnectionProblem(target);
    if (!failure.isEmpty()) {
        Prompt::error(
            QStringLiteral("连接SQLServer数据库服务器失败:") + failure, QStringLiteral("错误"));
        return false;
    }
    return true;
}

ConnectResult ConnectDatabase()
{
    bool hostKeyExists = false;
    const QString host = readSetting(HostSetting, &hostKeyExists);
    if (!hostKeyExists || host.isEmpty()) {
        Prompt::message(NoSettingsText);
        return runSetupDialog();
    }
    QString user = readSetting(UserSetting);
    if (user.isEmpty())
        user = QStringLiteral("sa");
    const QString password = readSetting(PasswordSetting);

    const ConnectionTarget target = ConnectionTarget::fromSettings(host, user, password);
    if (TestConnection(target)) {
        QString error;
        if (OpenConnection(target, &error))
            return ConnectResult::Connected;
        Prompt::error(
            QStringLiteral("连接SQLServer数据库服务器失败:") + error, QStringLiteral("错误"));
    }
    Prompt::message(BadSettingsText);
    return runSetupDialog();
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
    if (!EnsureSchema(error)) {
        CloseConnection();
        return false;
    }
    return true;
}

void CloseConnection()
{
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
    QStringList statements;
    if (!missing.isEmpty())
        statements = Schema::createStatements(s_dialect, missing);
    if (fresh) {
        statements << Schema::initialContent();
    } else {
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
                              .arg(Schema::Version)
                              .arg(SqlStr(Schema::VersionSettingName));
        }
    }
    if (statements.isEmpty())
        return true;

    if (!db.transaction()) {
        if (error)
            *error = errorText(db.lastError());
        return false;
    }
    for (const QString &sql : statements) {
        QSqlQuery query(db);
        if (!query.exec(sql)) {
            if (error)
                *error = errorText(query.lastError()) + QStringLiteral("\n") + sql;
            db.rollback();
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
    if (!exec(query, sql)) {
        Prompt::error(UpdateErrorText + errorText(query.lastError()), SystemErrorTitle);
        return false;
    }
    return true;
}

int ExecuteAffected(const QString &sql)
{
    QSqlQuery query(gConnection());
    if (!exec(query, sql)) {
        Prompt::error(UpdateErrorText + errorText(query.lastError()), SystemErrorTitle);
        return -1;
    }
    return qMax(0, query.numRowsAffected());
}

std::optional<Recordset> OpenRecordset(const QString &sql)
{
    QSqlQuery query(gConnection());
    if (!exec(query, sql)) {
        Prompt::error(ReadErrorText + errorText(query.lastError()), SystemErrorTitle);
        return std::nullopt;
    }
    return Recordset::fromQuery(query);
}

qint64 InsertRow(const QString &insertStatement, QString *error)
{
    QSqlQuery query(gConnection());
    if (!exec(query, s_dialect.insertReturningId(insertStatement))) {
        *error = errorText(query.lastError());
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
    if (id == 0)
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
        return ExecuteSQL(QStringLiteral("insert into Sysvalue(Name,myValue) values(")
            + SqlStr(name) + QLatin1Char(',') + SqlStr(value) + QLatin1Char(')'));
    }
    return ExecuteSQL(QStringLiteral("update SysValue set MyValue=") + SqlStr(value)
        + QStringLiteral(" where Name=") + SqlStr(name));
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
    QSqlDatabase db = gConnection();
    if (!db.transaction()) {
        Prompt::error(UpdateErrorText + errorText(db.lastError()), SystemErrorTitle);
        return false;
    }
    return true;
}

bool CommitTrans()
{
    QSqlDatabase db = gConnection();
    if (!db.commit()) {
        Prompt::error(UpdateErrorText + errorText(db.lastError()), SystemErrorTitle);
        db.rollback();
        return false;
    }
    return true;
}

void RollbackTrans()
{
    gConnection().rollback();
}

} // namespace mDatabase
