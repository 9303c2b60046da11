#pragma once

#include <QDialog>

class QCalendarWidget;
class QLineEdit;
class QPushButton;

// Picks one date from a month calendar or as typed text.
class frmPickDate : public QDialog {
    Q_OBJECT

public:
    explicit frmPickDate(QWidget *parent = nullptr);

private:
    void confirm();

    QCalendarWidget *mvwMain;
    QLineEdit *txtValue;
    QPushButton *btnOk;
};
