#pragma once

#include "lists/listwindow.h"
#include "reports/periodreport.h"

// "查询结果": one period report, per day or per month, with its totals; the
// chart draws what it shows.
class frmReport : public ListWindow {
    Q_OBJECT

public:
    explicit frmReport(const PeriodReport::Parameters &parameters, QWidget *parent = nullptr);

    int curReportType;
    QString curReportCaption;
    PeriodReport::Parameters parameters;

    void SetMyReportCaption();
    void ShowFilter();
    // The rows as last refreshed, in the grid's order, for the chart.
    QVector<PeriodReport::Row> rows();
};
