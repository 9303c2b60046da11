#include "reports/periodreport.h"

#include "datastore/mdatabase.h"
#include "shell/datetext.h"

#include <QHash>

namespace PeriodReport {

Query buildQuery(const Parameters &p, const SqlDialect &dialect)
{
    const bool month = isMonthReport(p.type);
    const QString monthText = dialect.monthGroupExpression();
    Query q;
    q.curShortSQL = QStringLiteral(
        "select Sum(TotalAmount) as SumAmount,Sum(TotalMoney) as SumMoney,"
        "sum(TotalContainer-InContainer) as LackContainer,sum(TotalMoney-InMoney) as LackMoney,"
        "Sum(TransferFee) as TotalFee,%1 as ReportDate from Sale")
                        .arg(month ? monthText : QStringLiteral("CreateDate"));

    // The head station's own report covers every station together.
    qint64 station = p.loginStationId;
    if (p.isHeadStation)
        station = p.stationId == p.loginStationId ? 0 : p.stationId;
    q.curFilterSQL = QStringLiteral(" WHERE CreateDate>=%1 and CreateDate<=%2")
                         .arg(dialect.dateLiteral(p.start), dialect.dateLiteral(p.end));
    if (station != 0)
        q.curFilterSQL += QStringLiteral(" and StationID=%1").arg(station);
    if (p.type == CustDayReport || p.type == CustMonthReport)
        q.curFilterSQL += QStringLiteral(" and CustomerID=%1").arg(p.id);
    else if (p.type == SenderDayReport || p.type == SenderMonthReport)
        q.curFilterSQL += QStringLiteral(" and SenderID=%1").arg(p.id);

    q.curGroupSQL
        = QStringLiteral(" Group by %1").arg(month ? monthText : QStringLiteral("CreateDate"));
    q.curSortSQL = QStringLiteral(" ORDER BY %1 Desc ").arg(dateOrder(p.type));
    return q;
}

QString sortSQL(int type, const QString &field, int direction)
{
    static const QHash<QString, QString> sums{
        {QStringLiteral("sumamount"), QStringLiteral("Sum(TotalAmount)")},
        {QStringLiteral("summoney"), QStringLiteral("Sum(TotalMoney)")},
        {QStringLiteral("lackmoney"), QStringLiteral("Sum(TotalMoney-InMoney)")},
        {QStringLiteral("lackcontainer"), QStringLiteral("Sum(TotalContainer-InContainer)")},
        {QStringLiteral("totalfee"), QStringLiteral("Sum(TransferFee)")},
    };
    const QString key = field.toLower();
    QString expression;
    if (key == QLatin1String("reportdate"))
        expression = dateOrder(type);
    else
        expression = sums.value(key);
    if (expression.isEmpty())
        return {};
    return QStringLiteral(" ORDER BY %1%2")
        .arg(expression, direction == 1 ? QStringLiteral(" Asc") : QStringLiteral(" Desc"));
}

QString caption(const Parameters &p)
{
    const QString start = DateText::shortDate(p.start);
    const QString end = DateText::shortDate(p.end);
    const auto name = [](qint64 id, const char *table) {
        return mDatabase::GetFieldByID(id, QLatin1String(table), QStringLiteral("Name"));
    };
    const QString customer = QString::number(p.id);
    switch (p.type) {
    case DayReport:
        return QStringLiteral("%1%2至%3 日业务状况汇总表")
            .arg(name(p.stationId, "Station"), start, end);
    case CustDayReport:
        return QStringLiteral("客户：%1 %2----%3 日购水状况汇总表").arg(customer, start, end);
    case SenderDayReport:
        return QStringLiteral("送水工：%1 %2至%3 日购水状况汇总表")
            .arg(name(p.id, "Sender"), start, end);
    case MonthReport:
        return QStringLiteral("%1%2至%3 月度销售额汇总表")
            .arg(name(p.stationId, "Station"), start, end);
    case CustMonthReport:
        return QStringLiteral("客户:%1 %2至%3 月度销售额汇总表").arg(customer, start, end);
    case SenderMonthReport:
        return QStringLiteral("送水工：%1%2至%3 月度销售额汇总表")
            .arg(name(p.id, "Sender"), start, end);
    }
    return {};
}

std::optional<QVector<Row>> rows(const QString &fullSQL)
{
    const auto rs = mDatabase::OpenReportRecordset(fullSQL);
    if (!rs)
        return std::nullopt;
    QVector<Row> result;
    result.reserve(rs->recordCount());
    for (int i = 0; i < rs->recordCount(); ++i)
        result << rowOf([&](const QString &field) { return rs->value(i, field); });
    return result;
}

Row rowOf(const std::function<QVariant(const QString &)> &field)
{
    const auto money = [&](const char *name) {
        return Currency::fromVariant(field(QLatin1String(name)));
    };
    const QVariant date = field(QStringLiteral("ReportDate"));
    const QDate day = date.typeId() == QMetaType::QString ? QDate() : DateText::fromValue(date);
    Row row;
    row.reportDate = day.isValid() ? DateText::shortDate(day) : date.toString();
    row.sumMoney = money("SumMoney");
    row.sumAmount = money("SumAmount");
    row.lackMoney = money("LackMoney");
    row.lackContainer = money("LackContainer");
    row.totalFee = money("TotalFee");
    return row;
}

} // namespace PeriodReport
