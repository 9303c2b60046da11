#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

// The one place that writes the dates the program shows and reads the dates
// people type, and the only way a typed date reaches a statement. Keeping it
// in one place means a form never accepts a date that a query then
// misreads.
namespace DateText {

// Month first, as the day's date is shown in the title areas: "12-07-2026".
QString todayForm(const QDate &date);
// The short form of lists and fields: "2026-12-07".
QString shortDate(const QDate &date);

// Reads yyyy-M-d, yyyy/M/d, yyyy.M.d, yyyy年M月d日, M-d-yyyy, M/d/yyyy
// and yyyyMMdd, with blanks around. Anything else, and days that do not
// exist, give an invalid date.
QDate parse(const QString &text);
// A date as a driver hands it back: a date, or text (SQLite keeps dates as
// ISO text, a timestamp's time of day is ignored).
QDate fromValue(const QVariant &value);

// The date as the connected database expects it in a statement; empty for
// an invalid date.
QString sqlLiteral(const QDate &date);
// As above for typed text; empty when the text is not a date, which the
// caller takes as a reason to refuse the input.
QString sqlLiteral(const QString &text);

} // namespace DateText
