#pragma once

#include "reports/periodreport.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

// "报表参数设置": the period, station, customer or delivery person of one
// of the six period reports.
class frmSetReport : public QDialog {
    Q_OBJECT

public:
    explicit frmSetReport(int reportType, QWidget *parent = nullptr);

    int curReportType;
    int mResult = 0; // -1 after 确定

    QLineEdit *txtStartDate;
    QLineEdit *txtEndDate;
    QComboBox *cmbStation;
    QLineEdit *txtAccount;
    QComboBox *cmbSender;
    QPushButton *btnOk;
    QPushButton *btnCancel;

    // What the report window computes from, once 确定 was pressed.
    PeriodReport::Parameters parameters() const;

private:
    void updateOk();
};
