#include "currency.h"

#include <cmath>
#include <limits>

namespace {

__extension__ typedef __int128 Int128;

std::int64_t divRoundHalfAway(std::int64_t value, std::int64_t divisor)
{
    const std::int64_t q = value / divisor;
    const std::int64_t r = value % divisor;
    if (2 * (r < 0 ? -r : r) >= divisor)
        return q + (value < 0 ? -1 : 1);
    return q;
}

} // namespace

bool Currency::parse(const QString &input, Currency *out)
{
    QString text = input.trimmed();
    text.remove(QLatin1Char(','));
    if (text.isEmpty())
        return false;
    bool negative = false;
    int pos = 0;
    if (text[0] == QLatin1Char('-') || text[0] == QLatin1Char('+')) {
        negative = text[0] == QLatin1Char('-');
        pos = 1;
    }
    std::int64_t whole = 0;
    std::int64_t fraction = 0;
    int fractionDigits = 0;
    bool seenDigit = false;
    bool seenPoint = false;
    bool roundUp = false;
    constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max() / Scale / 10;
    for (; pos < text.size(); ++pos) {
        const QChar ch = text[pos];
        if (ch == QLatin1Char('.')) {
            if (seenPoint)
                return false;
            seenPoint = true;
            continue;
        }
        if (!ch.isDigit() || ch.unicode() > '9')
            return false;
        seenDigit = true;
        const int digit = ch.unicode() - '0';
        if (!seenPoint) {
            if (whole > limit)
                return false;
            whole = whole * 10 + digit;
        } else if (fractionDigits < 4) {
            fraction = fraction * 10 + digit;
            ++fractionDigits;
        } else if (fractionDigits == 4) {
            roundUp = digit >= 5;
            ++fractionDigits;
        }
    }
    if (!seenDigit)
        return false;
    for (int i = std::min(fractionDigits, 4); i < 4; ++i)
        fraction *= 10;
    std::int64_t units = whole * Scale + fraction + (roundUp ? 1 : 0);
    *out = fromUnits(negative ? -units : units);
    return true;
}

Currency Currency::fromVariant(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return {};
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Short:
        return fromInt(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return fromUnits(std::llround(value.toDouble() * Scale));
    default:
        break;
    }
    if (value.canConvert<Currency>() && value.typeId() == qMetaTypeId<Currency>())
        return value.value<Currency>();
    Currency c;
    if (parse(value.toString(), &c))
        return c;
    bool ok = false;
    const double d = value.toString().toDouble(&ok);
    return ok ? fromUnits(std::llround(d * Scale)) : Currency();
}

qint64 Currency::roundToWhole() const
{
    return divRoundHalfAway(m_units, Scale);
}

Currency Currency::roundedToCents() const
{
    return fromUnits(divRoundHalfAway(m_units, 100) * 100);
}

Currency Currency::times(Currency quantity) const
{
    // 128-bit intermediate keeps large totals exact.
    const Int128 product = static_cast<Int128>(m_units) * quantity.m_units;
    Int128 q = product / Scale;
    const Int128 r = product % Scale;
    if (2 * (r < 0 ? -r : r) >= Scale)
        q += product < 0 ? -1 : 1;
    return fromUnits(static_cast<std::int64_t>(q));
}

QString Currency::toSqlText() const
{
    const std::int64_t abs = m_units < 0 ? -m_units : m_units;
    QString text = QString::number(abs / Scale);
    std::int64_t fraction = abs % Scale;
    if (fraction != 0) {
        QString digits = QString::number(fraction).rightJustified(4, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += QLatin1Char('.') + digits;
    }
    return m_units < 0 ? QLatin1Char('-') + text : text;
}

QString Currency::grouped(bool leadingZero) const
{
    const std::int64_t cents = divRoundHalfAway(m_units, 100);
    const std::int64_t abs = cents < 0 ? -cents : cents;
    const std::int64_t whole = abs / 100;
    QString wholeText;
    if (whole != 0 || leadingZero) {
        wholeText = QString::number(whole);
        for (int i = wholeText.size() - 3; i > 0; i -= 3)
            wholeText.insert(i, QLatin1Char(','));
    }
    const QString text = wholeText + QLatin1Char('.')
        + QString::number(abs % 100).rightJustified(2, QLatin1Char('0'));
    return cents < 0 ? QLatin1Char('-') + text : text;
}

QString Currency::toGrouped() const
{
    return grouped(true);
}

QString Currency::toGroupedNoLeadingZero() const
{
    return grouped(false);
}
