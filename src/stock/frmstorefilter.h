#pragma once

#include "lists/filterdialog.h"

// Narrows the stock list by paper number, remark, operator, date, totals,
// direction, closing state and station.
class frmStoreFilter : public FilterDialog {
    Q_OBJECT

public:
    // target: the list whose curFilterSQL an accepted filter sets.
    explicit frmStoreFilter(ListWindow *target, QWidget *parent = nullptr);
};
