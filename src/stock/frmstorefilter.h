#pragma once

#include "lists/filterdialog.h"

class ListWindow;

// Narrows the stock list by paper number, remark, operator, date, totals,
// direction, closing state and station.
class frmStoreFilter : public FilterDialog {
    Q_OBJECT

public:
    // target: the list whose curFilterSQL an accepted filter sets.
    explicit frmStoreFilter(ListWindow *target, QWidget *parent = nullptr);

    // The conditions of the ticked criteria joined by AND, without WHERE;
    // false (after the message) when a box holds no number or date.
    bool BuildFilterSQL(QString *condition);

public slots:
    void RefreshControl() override;

private:
    void confirm();

    ListWindow *m_target;
    QButtonGroup *optDirection;
    QButtonGroup *optFinish;
};
