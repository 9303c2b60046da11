#pragma once

#include "reports/periodreport.h"

#include <QPointF>
#include <QStringList>
#include <QVector>

// What the sales chart draws from a period report: one point per report
// row, in the report's order, numbered from 1; money and amount as two
// series over the same x positions, labelled with the row's date.
struct ChartData {
    QStringList labels;
    QVector<QPointF> money; // "销售金额"
    QVector<QPointF> amount; // "销售数量"

    static ChartData fromRows(const QVector<PeriodReport::Row> &rows);
    // Every how many points an x label is written so that no two labels
    // overlap on an axis `width` pixels long with labels `labelWidth` wide.
    static int labelStep(int points, int width, int labelWidth);
};
