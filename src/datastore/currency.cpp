#include "datastore/currency.h"

#include <algorithm>
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

namespace {

enum class ParseResult { Ok, NotANumber, OutOfRange };

ParseResult parseUnits(const QString &input, std::int64_t *out)
{
    QString text = input.trimmed();
    text.remove(QLatin1Char(','));
    if (text.isEmpty())
        return ParseResult::NotANumber;
    bool negative = false;
    qsizetype pos = 0;
    if (text[0] == QLatin1Char('-') || text[0] == QLatin1Char('+')) {
        negative = text[0] == QLatin1Char('-');
        pos = 1;
    }
    // Digits pile up in 128 bits, so the range is checked on the exact
    // value rather than after a 64-bit multiply has already wrapped.
    Int128 whole = 0;
    std::int64_t fraction = 0;
    int fractionDigits = 0;
    bool seenDigit = false;
    bool seenPoint = false;
    bool roundUp = false;
    bool tooLarge = false;
    for (; pos < text.size(); ++pos) {
        const QChar ch = text[pos];
        if (ch == QLatin1Char('.')) {
            if (seenPoint)
                return ParseResult::NotANumber;
            seenPoint = true;
            continue;
        }
        if (ch.unicode() < '0' || ch.unicode() > '9')
            return ParseResult::NotANumber;
        seenDigit = true;
        const int digit = ch.unicode() - '0';
        if (!seenPoint) {
            whole = whole * 10 + digit;
            // Capped, so that the rest is still read for characters that
            // make it no number at all.
            if (whole > Currency::MaxUnits) {
                tooLarge = true;
                whole = Currency::MaxUnits;
            }
        } else if (fractionDigits < 4) {
            fraction = fraction * 10 + digit;
            ++fractionDigits;
        } else if (fractionDigits == 4) {
            roundUp = digit >= 5;
            ++fractionDigits;
        }
    }
    if (!seenDigit)
        return ParseResult::NotANumber;
    if (tooLarge)
        return ParseResult::OutOfRange;
    for (int i = std::min(fractionDigits, 4); i < 4; ++i)
        fraction *= 10;
    const Int128 units = whole * Currency::Scale + fraction + (roundUp ? 1 : 0);
    if (units > Currency::MaxUnits)
        return ParseResult::OutOfRange;
    *out = negative ? -std::int64_t(units) : std::int64_t(units);
    return ParseResult::Ok;
}

Currency checked(Int128 units)
{
    if (units > Currency::MaxUnits || units < -Int128(Currency::MaxUnits))
        return Currency::overflow();
    return Currency::fromUnits(static_cast<std::int64_t>(units));
}

} // namespace

Currency Currency::fromInt(qint64 whole)
{
    return checked(Int128(whole) * Scale);
}

bool Currency::parse(const QString &input, Currency *out)
{
    std::int64_t units = 0;
    if (parseUnits(input, &units) != ParseResult::Ok)
        return false;
    *out = fromUnits(units);
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
    case QMetaType::UShort:
        return fromInt(value.toLongLong());
    case QMetaType::ULongLong:
        return value.toULongLong() > quint64(MaxUnits / Scale) ? overflow()
                                                               : fromInt(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float: {
        // A driver that hands NUMERIC over as a double has already lost
        // whatever a double cannot hold; the nearest four-decimal text of
        // what arrived is the best reading, and nothing beyond the range is
        // squeezed into it.
        const double d = value.toDouble();
        if (!std::isfinite(d) || std::fabs(d) >= double(MaxUnits / Scale))
            return overflow();
        return fromVariant(QVariant(QString::number(d, 'f', 4)));
    }
    default:
        break;
    }
    if (value.typeId() == qMetaTypeId<Currency>())
        return value.value<Currency>();
    std::int64_t units = 0;
    switch (parseUnits(value.toString(), &units)) {
    case ParseResult::Ok:
        return fromUnits(units);
    case ParseResult::OutOfRange:
        return overflow();
    case ParseResult::NotANumber:
        break;
    }
    return {};
}

Currency Currency::operator+(Currency o) const
{
    if (!isValid() || !o.isValid())
        return overflow();
    return checked(Int128(m_units) + o.m_units);
}

Currency Currency::operator-(Currency o) const
{
    if (!isValid() || !o.isValid())
        return overflow();
    return checked(Int128(m_units) - o.m_units);
}

qint64 Currency::roundToWhole() const
{
    return isValid() ? divRoundHalfAway(m_units, Scale) : 0;
}

Currency Currency::roundedToCents() const
{
    if (!isValid())
        return overflow();
    return checked(Int128(divRoundHalfAway(m_units, 100)) * 100);
}

Currency Currency::times(Currency quantity) const
{
    if (!isValid() || !quantity.isValid())
        return overflow();
    // 128-bit intermediate keeps large totals exact and the range checkable.
    const Int128 product = static_cast<Int128>(m_units) * quantity.m_units;
    Int128 q = product / Scale;
    const Int128 r = product % Scale;
    if (2 * (r < 0 ? -r : r) >= Scale)
        q += product < 0 ? -1 : 1;
    return checked(q);
}

QString Currency::toSqlText() const
{
    if (!isValid())
        return {};
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
    if (!isValid())
        return {};
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

QString Currency::toTwoDecimals() const
{
    if (!isValid())
        return {};
    const std::int64_t cents = divRoundHalfAway(m_units, 100);
    const std::int64_t abs = cents < 0 ? -cents : cents;
    const QString text = QString::number(abs / 100) + QLatin1Char('.')
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
