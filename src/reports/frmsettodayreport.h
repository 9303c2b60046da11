#pragma once

#include "reports/todayreport.h"

#include <QDate>
#include <QDialog>

class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

// "帐目盘点": the report date and (for the head station) the station, then
// the day's figures are counted into the today report table.
class frmSetTodayReport : public QDialog {
    Q_OBJECT

public:
    explicit frmSetTodayReport(QWidget *parent = nullptr);

    QDate ReportDate;
    qint64 curStationID = 0;
    // The table of the last run; kept when the dialog is cancelled.
    TodayReport::Table table;

    QLineEdit *txtDate;
    QComboBox *cmbStation;
    QPushButton *btnOk;
    QPushButton *btnCancel;
    QProgressBar *pgbMain;

private:
    void start();
};
