#pragma once

#include "lists/filterdialog.h"

class ListWindow;

// Narrows the customer list.
class frmCustFilter : public FilterDialog {
    Q_OBJECT

public:
    // target: the list whose curFilterSQL an accepted filter sets.
    explicit frmCustFilter(ListWindow *target, QWidget *parent = nullptr);

    // The conditions of the ticked criteria joined by AND, without WHERE;
    // false (after the message) when a box holds no number or date.
    bool BuildFilterSQL(QString *fragment);

public slots:
    void RefreshControl() override;

private:
    void confirm();

    ListWindow *m_target;
    QButtonGroup *optStatus;
};
