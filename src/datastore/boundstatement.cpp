#include "datastore/boundstatement.h"

#include "datastore/currency.h"
#include "datastore/drivererror.h"
#include "datastore/eventlog.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"

#include <QDate>
#include <QDateTime>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace mDatabase {
namespace {

const QString ReadErrorText = QStringLiteral("读取数据库时出现系统错误，错误信息：");
const QString UpdateErrorText = QStringLiteral("更新数据库时出现系统错误，错误信息：");
const QString SystemErrorTitle = QStringLiteral("系统错误");
const QString NotTextMessage
    = QStringLiteral("输入的文字中有无效的字符（不成对的代理字符），无法保存。\n"
                     "请删除这个字符后重新输入。");
const QString LeadingMarkMessage
    = QStringLiteral("输入的文字以一个看不见的字节顺序标记（BOM，常见于从文件复制的文字）开头，"
                     "无法原样保存。\n请删除文字开头的这个字符后重新输入。");

// Why text cannot be stored as it is; empty when it can.
QString whyNotStorable(const QString &text)
{
    if (HasLoneSurrogate(text))
        return NotTextMessage;
    // SQLite drops it when the value arrives, PostgreSQL's driver when the
    // value is read back: neither keeps it, so it is not taken at all.
    if (text.startsWith(QChar(0xFEFF)))
        return LeadingMarkMessage;
    return {};
}

enum class Failure { None, Reported, Driver };

// Prepares sql, binds values and runs it on the shared connection. On a
// driver failure *error holds the driver's text; a lost connection and text
// that cannot be stored have been reported already.
Failure run(QSqlQuery &query, const QString &sql, const QVariantList &values, QString *error)
{
    for (const QVariant &value : values) {
        if (value.typeId() != QMetaType::QString)
            continue;
        const QString why = whyNotStorable(value.toString());
        if (!why.isEmpty()) {
            Prompt::error(why, QStringLiteral("错误"));
            return Failure::Reported;
        }
    }
    if (!EnsureConnected())
        return Failure::Reported;
    query.setForwardOnly(true);
    // Exact decimal text instead of doubles: money reads back to the last
    // of its four places, however large.
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    bool ok = query.prepare(sql);
    if (ok) {
        for (const QVariant &value : values)
            query.addBindValue(BoundValue(value));
        ok = query.exec();
    }
    if (ok)
        return Failure::None;
    EventLog::write(QStringLiteral("数据库错误：%1 ⏎ 语句：%2")
                        .arg(errorText(query.lastError()), EventLog::safeStatement(sql)));
    if (NoteConnectionFailure(query.lastError()))
        return Failure::Reported;
    *error = errorText(query.lastError());
    return Failure::Driver;
}

QSqlQuery sharedQuery()
{
    return QSqlQuery(gConnection());
}

// A decimal as the driver gave it in text ("12.5000") in its shortest exact
// form: a whole number as an integer, otherwise the text without trailing
// zeros ("12.5"). Callers read it as they read a double before, and nothing
// is lost on the way.
QVariant shortestExact(const QVariant &value)
{
    if (value.typeId() != QMetaType::QString)
        return value;
    QString text = value.toString();
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point >= 0) {
        qsizetype end = text.size();
        while (end > point + 1 && text.at(end - 1) == QLatin1Char('0'))
            --end;
        if (end == point + 1)
            end = point;
        text.truncate(end);
    }
    bool whole = false;
    const qlonglong number = text.toLongLong(&whole);
    if (whole)
        return number;
    bool decimal = false;
    text.toDouble(&decimal);
    return decimal && point >= 0 ? QVariant(text) : value;
}

// Every row of the query, decimals in their shortest exact form.
Recordset readAll(QSqlQuery &query)
{
    const QSqlRecord record = query.record();
    QStringList fields;
    QList<bool> decimal;
    for (int i = 0; i < record.count(); ++i) {
        fields << record.fieldName(i);
        decimal << (record.field(i).metaType().id() == QMetaType::Double);
    }
    QVector<QVector<QVariant>> rows;
    while (query.next()) {
        QVector<QVariant> row;
        row.reserve(fields.size());
        for (int i = 0; i < fields.size(); ++i)
            row << (decimal.at(i) ? shortestExact(query.value(i)) : query.value(i));
        rows << row;
    }
    return Recordset(fields, rows);
}

} // namespace

bool HasLoneSurrogate(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate())
                return true;
            ++i;
        } else if (c.isLowSurrogate()) {
            return true;
        }
    }
    return false;
}

bool AmountsInRange(const QList<Currency> &amounts)
{
    for (const Currency &amount : amounts) {
        if (amount.isStorableAmount())
            continue;
        const QString shown = amount.isValid() ? amount.toGrouped() : QStringLiteral("?");
        Prompt::error(
            QStringLiteral("金额 %1 超出了系统允许的范围（最大 %2），本次没有保存。\n"
                           "请检查输入的单价、数量和金额。")
                .arg(shown, Currency::fromUnits(Currency::LargestAmountUnits).toGrouped()),
            QStringLiteral("错误"));
        return false;
    }
    return true;
}

QVariant BoundValue(const QVariant &value)
{
    const bool onFile = dialect().kind() == SqlDialect::SQLite;
    if (value.typeId() == qMetaTypeId<Currency>())
        return value.value<Currency>().toSqlText();
    switch (value.typeId()) {
    case QMetaType::QString: {
        QString text = value.toString();
        text.remove(QChar(0));
        // An empty text is stored as empty, never as NULL.
        return text.isNull() ? QStringLiteral("") : text;
    }
    case QMetaType::QDate:
        return onFile ? QVariant(value.toDate().toString(Qt::ISODate)) : value;
    case QMetaType::QDateTime: {
        // Whole seconds, as the schema keeps a call's time on every database.
        const QDateTime when = value.toDateTime();
        if (onFile)
            return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        return QDateTime(
            when.date(), QTime(when.time().hour(), when.time().minute(), when.time().second()));
    }
    default:
        break;
    }
    return value;
}

std::optional<Recordset> OpenBound(const QString &sql, const QVariantList &values)
{
    QSqlQuery query = sharedQuery();
    QString error;
    switch (run(query, sql, values, &error)) {
    case Failure::None:
        return readAll(query);
    case Failure::Driver:
        Prompt::error(ReadErrorText + error, SystemErrorTitle);
        break;
    case Failure::Reported:
        break;
    }
    return std::nullopt;
}

int ExecuteBoundAffected(const QString &sql, const QVariantList &values)
{
    QSqlQuery query = sharedQuery();
    QString error;
    switch (run(query, sql, values, &error)) {
    case Failure::None:
        return qMax(0, query.numRowsAffected());
    case Failure::Driver:
        Prompt::error(UpdateErrorText + error, SystemErrorTitle);
        break;
    case Failure::Reported:
        break;
    }
    return -1;
}

bool ExecuteBound(const QString &sql, const QVariantList &values)
{
    return ExecuteBoundAffected(sql, values) >= 0;
}

qint64 InsertBoundAndGetID(const QString &insertStatement, const QVariantList &values)
{
    QSqlQuery query = sharedQuery();
    QString error;
    switch (run(query, dialect().insertReturningId(insertStatement), values, &error)) {
    case Failure::None:
        break;
    case Failure::Driver:
        Prompt::error(UpdateErrorText + error, SystemErrorTitle);
        return 0;
    case Failure::Reported:
        return 0;
    }
    const qint64 value = InsertedID(query);
    if (value <= 0) {
        Prompt::error(UpdateErrorText + QStringLiteral("无法取得新记录的编号"), SystemErrorTitle);
        return 0;
    }
    return value;
}

} // namespace mDatabase
