#include "shell/datetext.h"

#include "datastore/mdatabase.h"

#include <QRegularExpression>

namespace DateText {
namespace {

// [0-9] rather than \d: the pattern engine counts full-width and other
// digits as \d, and toInt() would not read them.
const QRegularExpression &yearFirst()
{
    static const QRegularExpression re(
        QStringLiteral("^([0-9]{4})([-/.])([0-9]{1,2})\\2([0-9]{1,2})$"));
    return re;
}

const QRegularExpression &chineseForm()
{
    static const QRegularExpression re(
        QStringLiteral("^([0-9]{4})年([0-9]{1,2})月([0-9]{1,2})日$"));
    return re;
}

const QRegularExpression &yearLast()
{
    static const QRegularExpression re(
        QStringLiteral("^([0-9]{1,2})([-/])([0-9]{1,2})\\2([0-9]{4})$"));
    return re;
}

const QRegularExpression &compact()
{
    static const QRegularExpression re(QStringLiteral("^([0-9]{4})([0-9]{2})([0-9]{2})$"));
    return re;
}

// QDate rejects impossible days by itself (February 30th, month 13).
QDate fromParts(const QString &year, const QString &month, const QString &day)
{
    return QDate(year.toInt(), month.toInt(), day.toInt());
}

} // namespace

QString todayForm(const QDate &date)
{
    return date.toString(QStringLiteral("MM-dd-yyyy"));
}

QString shortDate(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QDate parse(const QString &text)
{
    const QString trimmed = text.trimmed();
    QRegularExpressionMatch m = yearFirst().match(trimmed);
    if (m.hasMatch())
        return fromParts(m.captured(1), m.captured(3), m.captured(4));
    m = chineseForm().match(trimmed);
    if (m.hasMatch())
        return fromParts(m.captured(1), m.captured(2), m.captured(3));
    m = yearLast().match(trimmed);
    if (m.hasMatch())
        return fromParts(m.captured(4), m.captured(1), m.captured(3));
    m = compact().match(trimmed);
    if (m.hasMatch())
        return fromParts(m.captured(1), m.captured(2), m.captured(3));
    return QDate();
}

QString sqlLiteral(const QDate &date)
{
    if (!date.isValid())
        return QString();
    return mDatabase::dialect().dateLiteral(date);
}

QString sqlLiteral(const QString &text)
{
    return sqlLiteral(parse(text));
}

QDate fromValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::QDate)
        return value.toDate();
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().date();
    return parse(value.toString().left(10));
}

} // namespace DateText
