#pragma once

#include <QString>
#include <QVariant>

#include <cstdint>

// Money with four decimal places, counted in ten-thousandths, so that totals
// and footers add up exactly instead of drifting the way doubles do.
class Currency {
public:
    static constexpr std::int64_t Scale = 10000;

    constexpr Currency() = default;
    static constexpr Currency fromUnits(std::int64_t units)
    {
        Currency c;
        c.m_units = units;
        return c;
    }
    static Currency fromInt(qint64 whole) { return fromUnits(whole * Scale); }

    // Accepts plain decimal text with an optional sign and thousands commas
    // ("1,234.5", "-3", ".25"). Returns false, leaving *out alone, otherwise.
    static bool parse(const QString &text, Currency *out);
    // Values as the database drivers return them: integers, doubles (ODBC
    // NUMERIC), decimal text (SQLite), null (0).
    static Currency fromVariant(const QVariant &value);

    std::int64_t units() const { return m_units; }
    bool isZero() const { return m_units == 0; }

    // Half away from zero, as cash is rounded.
    qint64 roundToWhole() const;
    Currency roundedToCents() const;

    // Plain text for SQL statements: "-1234.5", "12", "0.0001".
    QString toSqlText() const;
    // "##,##0.00": "1,234.50", "0.50".
    QString toGrouped() const;
    // "##,###,###.00": as toGrouped but without the leading zero (".50").
    QString toGroupedNoLeadingZero() const;

    Currency operator+(Currency o) const { return fromUnits(m_units + o.m_units); }
    Currency operator-(Currency o) const { return fromUnits(m_units - o.m_units); }
    Currency operator-() const { return fromUnits(-m_units); }
    Currency &operator+=(Currency o)
    {
        m_units += o.m_units;
        return *this;
    }
    Currency &operator-=(Currency o)
    {
        m_units -= o.m_units;
        return *this;
    }
    // Price times quantity; the quantity may carry decimals.
    Currency times(Currency quantity) const;

    friend bool operator==(Currency a, Currency b) { return a.m_units == b.m_units; }
    friend bool operator!=(Currency a, Currency b) { return a.m_units != b.m_units; }
    friend bool operator<(Currency a, Currency b) { return a.m_units < b.m_units; }
    friend bool operator>(Currency a, Currency b) { return a.m_units > b.m_units; }
    friend bool operator<=(Currency a, Currency b) { return a.m_units <= b.m_units; }
    friend bool operator>=(Currency a, Currency b) { return a.m_units >= b.m_units; }

private:
    QString grouped(bool leadingZero) const;

    std::int64_t m_units = 0;
};

Q_DECLARE_METATYPE(Currency)
