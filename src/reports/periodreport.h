#pragma once

#include "datastore/currency.h"

#include <QDate>
#include <QString>
#include <QVector>

#include <functional>
#include <optional>

class SqlDialect;

// The six period reports: sales summed per day or per calendar month, for a
// station, a customer or a delivery person. The statement is kept in the
// four pieces the report window sorts and refreshes by; the rows are
// computed here and shown, printed and charted by the windows.
namespace PeriodReport {

enum Type {
    DayReport = 0,
    CustDayReport = 1,
    SenderDayReport = 2,
    MonthReport = 3,
    CustMonthReport = 4,
    SenderMonthReport = 5,
};

inline bool isMonthReport(int type)
{
    return type >= MonthReport;
}

// What the rows are ordered by for their date: the day, or for months the
// month's first sale, so that months follow the calendar and not their
// label's text ("2026年9 月" before "2026年10月").
inline QString dateOrder(int type)
{
    return isMonthReport(type) ? QStringLiteral("min(CreateDate)") : QStringLiteral("CreateDate");
}

struct Parameters {
    int type = DayReport;
    QDate start;
    QDate end;
    qint64 stationId = 0; // the station picked in the dialog
    qint64 id = 0; // the customer ID (types 1, 4) or the sender ID (types 2, 5)
    // Who asks: a head-station operator who keeps the head station sees
    // every station together; anybody else only their own station.
    qint64 loginStationId = 0;
    bool isHeadStation = false;
};

struct Query {
    QString curShortSQL;
    QString curFilterSQL;
    QString curGroupSQL;
    QString curSortSQL;

    QString curFullSQL() const { return curShortSQL + curFilterSQL + curGroupSQL + curSortSQL; }
};

Query buildQuery(const Parameters &p, const SqlDialect &dialect);

// The ORDER BY piece for a click on the column of `field` (ReportDate,
// SumAmount, SumMoney, LackMoney, LackContainer, TotalFee); empty for an
// unknown field. direction 1 ascending, 0 descending.
QString sortSQL(int type, const QString &field, int direction);

// The grid's caption, with the station's and sender's names from the database.
QString caption(const Parameters &p);

struct Row {
    QString reportDate; // "2026-12-08", or the month as the database groups it
    Currency sumMoney;
    Currency sumAmount;
    Currency lackMoney;
    Currency lackContainer;
    Currency totalFee;
};

// The rows of the statement; nothing after a reported failure.
std::optional<QVector<Row>> rows(const QString &fullSQL);
// One row from its fields by name, as the statement returned them.
Row rowOf(const std::function<QVariant(const QString &)> &field);

} // namespace PeriodReport
