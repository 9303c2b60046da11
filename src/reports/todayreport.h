#pragma once

#include "datastore/currency.h"

#include <QDate>
#include <QString>
#include <QVector>

#include <functional>
#include <optional>

// The day's figures of one station or of the whole group: delivered sales,
// money and bottles still owed, cash taken and the stock balance of every
// product. Computed as rows of three cells (item, amount, money) that the
// today-report window shows and prints; no widget here.
namespace TodayReport {

struct Row {
    QString item;
    std::optional<Currency> amount; // empty cell when not set
    std::optional<Currency> money;

    friend bool operator==(const Row &a, const Row &b)
    {
        return a.item == b.item && a.amount == b.amount && a.money == b.money;
    }
};

using Table = QVector<Row>;

enum class Variant {
    Station, // one station: GetTodayReport
    Group, // every active station nested under the group: GetTodayGrpReport
};

struct Options {
    QDate reportDate;
    qint64 stationId = 0; // the station variant's station
    Variant variant = Variant::Station;
    // Called as rows are computed: (value, maximum), for a progress bar.
    std::function<void(int, int)> progress;
};

class Figures;

// The table, at least 26 rows long (rows the report does not write stay
// empty); nothing after a failed query, which has been reported.
std::optional<Table> build(const Options &options);
// The same from other figures than the program's own (todayfigures.h).
std::optional<Table> build(const Options &options, Figures &figures);

// Money totals of the stock section are kept as whole numbers: halves go to
// the even neighbour (10.5 -> 10, 30.25 -> 30).
Currency roundHalfEven(Currency value);

} // namespace TodayReport
