#pragma once

#include <QString>
#include <QVariant>

#include <cstdint>
#include <limits>

// Money with four decimal places, counted in ten-thousandths, so that totals
// and footers add up exactly instead of drifting the way doubles do. Money is
// kept to four places: a fifth decimal rounds half away from zero (0.00005
// is 0.0001), and what is stored is exactly what this value holds.
//
// A sum or product that leaves the 64-bit range never wraps round to a
// wrong figure: it becomes the overflow value, which stays overflowed
// through further arithmetic, is refused by every check (isValid()) and
// writes no SQL text, so a statement built from it fails instead of storing
// a wrong amount.
class Currency {
public:
    static constexpr std::int64_t Scale = 10000;
    // The largest magnitude held, in ten-thousandths. The money columns
    // (NUMERIC(19,4)) hold more, so every valid value can be stored.
    static constexpr std::int64_t MaxUnits = std::numeric_limits<std::int64_t>::max();
    // The largest amount a price, a payment or a total may be: 99,999,999.99,
    // eight digits before the point, as far as the money words read. Every
    // amount up to it has at most twelve digits and so reads back exactly
    // from every database, whether the driver hands it over as text or as a
    // double (SQLite keeps a fraction as one).
    static constexpr std::int64_t LargestAmountUnits = 999'999'999'900;

    constexpr Currency() = default;
    static constexpr Currency fromUnits(std::int64_t units)
    {
        Currency c;
        c.m_units = units;
        return c;
    }
    // Overflowed when whole is beyond the range.
    static Currency fromInt(qint64 whole);
    static constexpr Currency overflow() { return fromUnits(OverflowUnits); }

    // Accepts plain decimal text with an optional sign and thousands commas
    // ("1,234.5", "-3", ".25"). Returns false, leaving *out alone, otherwise,
    // and for values beyond the range.
    static bool parse(const QString &text, Currency *out);
    // Values as the database drivers return them: integers, doubles (ODBC
    // NUMERIC), decimal text (SQLite, or any driver asked for exact
    // decimals), null (0). Text is read digit by digit, never through a
    // double; a value beyond the range gives the overflow value.
    static Currency fromVariant(const QVariant &value);

    std::int64_t units() const { return m_units; }
    bool isZero() const { return m_units == 0; }
    bool isValid() const { return m_units != OverflowUnits; }
    // Valid and no larger than LargestAmountUnits either way.
    bool isStorableAmount() const
    {
        return isValid() && m_units <= LargestAmountUnits && m_units >= -LargestAmountUnits;
    }

    // Half away from zero, as cash is rounded.
    qint64 roundToWhole() const;
    Currency roundedToCents() const;

    // Plain text for SQL statements: "-1234.5", "12", "0.0001".
    QString toSqlText() const;
    // "##,##0.00": "1,234.50", "0.50".
    QString toGrouped() const;
    // "##,###,###.00": as toGrouped but without the leading zero (".50").
    QString toGroupedNoLeadingZero() const;
    // Two decimals without grouping, where a figure's form is otherwise
    // open: "1234.50", "-3.00".
    QString toTwoDecimals() const;

    // Checked: a result beyond the range is the overflow value.
    Currency operator+(Currency o) const;
    Currency operator-(Currency o) const;
    Currency operator-() const { return isValid() ? fromUnits(-m_units) : overflow(); }
    Currency &operator+=(Currency o) { return *this = *this + o; }
    Currency &operator-=(Currency o) { return *this = *this - o; }
    // Price times quantity; the quantity may carry decimals. Checked as above.
    Currency times(Currency quantity) const;

    friend bool operator==(Currency a, Currency b) { return a.m_units == b.m_units; }
    friend bool operator!=(Currency a, Currency b) { return a.m_units != b.m_units; }
    friend bool operator<(Currency a, Currency b) { return a.m_units < b.m_units; }
    friend bool operator>(Currency a, Currency b) { return a.m_units > b.m_units; }
    friend bool operator<=(Currency a, Currency b) { return a.m_units <= b.m_units; }
    friend bool operator>=(Currency a, Currency b) { return a.m_units >= b.m_units; }

private:
    // Outside the range on purpose: the negation of every valid value is valid.
    static constexpr std::int64_t OverflowUnits = std::numeric_limits<std::int64_t>::min();

    QString grouped(bool leadingZero) const;

    std::int64_t m_units = 0;
};

Q_DECLARE_METATYPE(Currency)
