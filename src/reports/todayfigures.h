#pragma once

#include "datastore/currency.h"

#include <QtGlobal>

#include <optional>

class Recordset;

// Where the today report's figures come from: the questions the report asks, one
// station's (or, where the group report asks without a station, every station's) answers.
// The program answers them from a few grouped statements (todayreport.cpp); a reference
// that asks them one statement at a time, as they are defined, checks it.
namespace TodayReport {

struct Sums {
    Currency amount;
    Currency money;
    Sums &operator+=(const Sums &o)
    {
        amount += o.amount;
        money += o.money;
        return *this;
    }
};

// The day's totals of delivered sales; each empty when no sale qualifies.
struct DayTotals {
    std::optional<Currency> amount, money, inMoney, lackContainer, lackMoney;
};

class Figures {
public:
    virtual ~Figures() = default;
    // Reads what the answers below need; false after a reported failure.
    virtual bool prepare() { return true; }
    virtual bool dayTotals(std::optional<qint64> station, DayTotals *out) = 0;
    virtual bool productSales(qint64 station, qint64 product, Sums *out) = 0;
    virtual bool senderOwedMoney(std::optional<qint64> station, qint64 sender, Sums *out) = 0;
    virtual bool senderOwedBottles(std::optional<qint64> station, qint64 sender, Sums *out) = 0;
    virtual bool bottlesOwed(qint64 station, qint64 product, Sums *out) = 0;
    virtual bool stockBalance(qint64 station, qint64 product, Sums *out) = 0;
};

// One row of a statement that names its columns TodayMoney, TodayAmount, TodayInMoney,
// TodayLackContainer and TodayLackMoney; a NULL sum stays an empty cell.
DayTotals totalsOf(const Recordset &rs, int row);
// One row of a statement that names its columns ProductAmount and ProductMoney.
Sums sumsOf(const Recordset &rs, int row);

} // namespace TodayReport
