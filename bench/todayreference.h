#pragma once

#include "reports/todayfigures.h"

#include <QDate>
#include <QString>

// The today report's figures asked one statement per product, sender and station, word for
// word as they are defined. Far too slow for the program on a grown database; kept as the
// reference its grouped statements are checked against (tests) and timed against (bench).
namespace TodayReport {

class RowByRowFigures : public Figures {
public:
    explicit RowByRowFigures(const QDate &date);

    bool dayTotals(std::optional<qint64> station, DayTotals *out) override;
    bool productSales(qint64 station, qint64 product, Sums *out) override;
    bool senderOwedMoney(std::optional<qint64> station, qint64 sender, Sums *out) override;
    bool senderOwedBottles(std::optional<qint64> station, qint64 sender, Sums *out) override;
    bool bottlesOwed(qint64 station, qint64 product, Sums *out) override;
    bool stockBalance(qint64 station, qint64 product, Sums *out) override;

private:
    static bool sums(const QString &sql, Sums *out);

    QString m_date;
};

} // namespace TodayReport
