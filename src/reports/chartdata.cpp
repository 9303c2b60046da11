#include "reports/chartdata.h"

#include <QtMath>

namespace {

double number(const Currency &value)
{
    return double(value.units()) / double(Currency::Scale);
}

} // namespace

ChartData ChartData::fromRows(const QVector<PeriodReport::Row> &rows)
{
    ChartData data;
    for (int i = 0; i < rows.size(); ++i) {
        const double x = i + 1;
        data.labels << rows[i].reportDate;
        data.money << QPointF(x, number(rows[i].sumMoney));
        data.amount << QPointF(x, number(rows[i].sumAmount));
    }
    return data;
}

int ChartData::labelStep(int points, int width, int labelWidth)
{
    if (points <= 1 || width <= 0 || labelWidth <= 0)
        return 1;
    const int fits = qMax(1, width / labelWidth);
    return qMax(1, int(qCeil(double(points) / fits)));
}
