#pragma once

#include "lists/listwindow.h"
#include "reports/todayreport.h"

#include <QDate>

class QStandardItemModel;

// "实时盘点": the today report table of one station or of the group, printed
// and previewed like a list, and the place the day is closed from.
class frmTodayReport : public ListWindow {
    Q_OBJECT

public:
    explicit frmTodayReport(QWidget *parent = nullptr);

    QDate ReportDate;
    qint64 curStationID = 0;

    // The stocktaking dialog, then the grid again.
    void ShowFilter();
    void SetMyDBGrid();
    void FinishToday();
    void showTable(const TodayReport::Table &table);
    QString caption() const;

private:
    QStandardItemModel *m_table;
    // The caption's station name, read once for each station chosen (the
    // window shows its caption before and after the stocktaking dialog); a
    // refresh reads it again.
    mutable qint64 m_namedStation = -1;
    mutable QString m_stationName;
};
