#include "shell/inputcheck.h"

#include "datastore/currency.h"
#include "datastore/prompt.h"
#include "shell/datetext.h"

#include <algorithm>
#include <limits>

namespace mSystem {
namespace {

// QChar::isDigit() also takes full-width and other scripts' digits, which
// no statement or conversion downstream understands.
bool isAsciiDigit(QChar ch)
{
    return ch.unicode() >= '0' && ch.unicode() <= '9';
}

// Commas only between groups of three digits before the point, the first
// group one to three digits long: "1,234,567.5" but never "1,5" or "12,34".
bool commasGroupThousands(const QString &text)
{
    if (!text.contains(QLatin1Char(',')))
        return true;
    qsizetype start = 0;
    if (!text.isEmpty() && (text[0] == QLatin1Char('-') || text[0] == QLatin1Char('+')))
        start = 1;
    qsizetype end = text.indexOf(QLatin1Char('.'), start);
    if (end < 0)
        end = text.size();
    if (text.indexOf(QLatin1Char(','), end) >= 0)
        return false;
    const QStringList groups = text.mid(start, end - start).split(QLatin1Char(','));
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const QString &group = groups.at(i);
        const bool sized = i == 0 ? group.size() >= 1 && group.size() <= 3 : group.size() == 3;
        if (!sized || !std::all_of(group.begin(), group.end(), isAsciiDigit))
            return false;
    }
    return true;
}

// Reads text into a whole number rounded half away from zero. Only the
// first decimal decides the rounding, so the text is never rounded twice
// ("2.49999" stays 2). Values beyond [low, high] fail.
bool parseWhole(const QString &input, qint64 low, qint64 high, qint64 *out)
{
    const QString text = input.trimmed();
    if (!commasGroupThousands(text))
        return false;
    qsizetype pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == QLatin1Char('-') || text[pos] == QLatin1Char('+'))) {
        negative = text[pos] == QLatin1Char('-');
        ++pos;
    }

    // Well beyond both ranges, yet far from overflowing while digits pile up.
    constexpr qint64 ceiling = qint64(1) << 40;
    qint64 magnitude = 0;
    bool seenDigit = false;
    bool seenPoint = false;
    bool firstDecimalSeen = false;
    bool roundUp = false;
    for (; pos < text.size(); ++pos) {
        const QChar ch = text[pos];
        if (ch == QLatin1Char(','))
            continue; // placed as thousands separators, checked above
        if (ch == QLatin1Char('.')) {
            if (seenPoint)
                return false;
            seenPoint = true;
            continue;
        }
        if (!isAsciiDigit(ch))
            return false;
        seenDigit = true;
        const int digit = ch.unicode() - '0';
        if (!seenPoint) {
            magnitude = magnitude * 10 + digit;
            if (magnitude > ceiling)
                return false;
        } else if (!firstDecimalSeen) {
            firstDecimalSeen = true;
            roundUp = digit >= 5;
        }
    }
    if (!seenDigit)
        return false;
    if (roundUp)
        ++magnitude;
    const qint64 value = negative ? -magnitude : magnitude;
    if (value < low || value > high)
        return false;
    *out = value;
    return true;
}

void reportBadInput(const QString &text, const QString &what)
{
    Prompt::error(QStringLiteral("数据输入格式不正确， ") + text + what, QStringLiteral("错误"));
}

} // namespace

bool ParseNumber(const QString &text, qint32 *value)
{
    qint64 parsed = 0;
    if (!parseWhole(
            text, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max(), &parsed))
        return false;
    *value = qint32(parsed);
    return true;
}

bool ParseInteger(const QString &text, qint16 *value)
{
    qint64 parsed = 0;
    if (!parseWhole(
            text, std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max(), &parsed))
        return false;
    *value = qint16(parsed);
    return true;
}

bool ParseDecimal(const QString &text, Currency *value)
{
    const QString trimmed = text.trimmed();
    // Currency reads only ASCII digits, a sign and one point; the commas
    // are this rule's to judge.
    return commasGroupThousands(trimmed) && Currency::parse(trimmed, value);
}

Currency MaxMoney()
{
    return Currency::fromUnits(9999999999 * (Currency::Scale / 100));
}

bool ParseMoney(const QString &text, Currency *value)
{
    Currency parsed;
    if (!ParseDecimal(text, &parsed) || parsed > MaxMoney() || parsed < -MaxMoney())
        return false;
    *value = parsed;
    return true;
}

void ReportBadNumber(const QString &text)
{
    reportBadInput(text, QStringLiteral(" 不是有效的数字！"));
}

bool CheckInput(const QString &text, int kind)
{
    switch (kind) {
    case CheckNumber: {
        qint32 value = 0;
        if (ParseNumber(text, &value))
            return true;
        ReportBadNumber(text);
        return false;
    }
    case CheckMoney: {
        Currency value;
        if (ParseMoney(text, &value))
            return true;
        ReportBadNumber(text);
        return false;
    }
    case CheckDate:
        if (DateText::parse(text).isValid())
            return true;
        reportBadInput(text, QStringLiteral(" 不是有效的日期！"));
        return false;
    case CheckInteger: {
        qint16 value = 0;
        if (ParseInteger(text, &value))
            return true;
        reportBadInput(text, QStringLiteral(" 不是有效的整数！"));
        return false;
    }
    default:
        return true;
    }
}

} // namespace mSystem
