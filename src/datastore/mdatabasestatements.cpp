#include "datastore/mdatabase.h"

#include "datastore/currency.h"
#include "datastore/drivererror.h"
#include "datastore/eventlog.h"
#include "datastore/mdatabasedetail.h"
#include "datastore/prompt.h"

#include <QSqlError>
#include <QSqlQuery>

#include <cmath>

// The statements every window runs on the shared connection, and the quoting helpers for
// the system's text statements. Failures are told with the fixed texts.
namespace mDatabase {

using detail::ReadErrorText;
using detail::SystemErrorTitle;
using detail::UpdateErrorText;
namespace {

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

QString SqlStr(const QString &text)
{
    return dialect().textLiteral(text);
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

std::optional<Recordset> OpenReportRecordset(const QString &sql)
{
    QSqlDatabase db = ListConnection();
    if (db.connectionName() != gConnection().connectionName()) {
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
    if (!run(query, dialect().insertReturningId(insertStatement), error)) {
        if (error->isEmpty())
            *error = ConnectionLostText;
        return 0;
    }
    const qint64 value = InsertedID(query);
    if (value <= 0) {
        *error = QStringLiteral("无法取得新记录的编号");
        return 0;
    }
    return value;
}

qint64 InsertedID(QSqlQuery &query)
{
    const QVariant id = dialect().insertReturnsRow() ? (query.next() ? query.value(0) : QVariant())
                                                     : query.lastInsertId();
    bool ok = false;
    const qint64 value = id.toLongLong(&ok);
    return ok && value > 0 ? value : 0;
}

qint64 InsertAndGetID(const QString &insertStatement)
{
    QString error;
    const qint64 id = InsertRow(insertStatement, &error);
    // A lost connection has had its own message.
    if (id == 0 && !(ConnectionLost() && error == ConnectionLostText))
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

} // namespace mDatabase
