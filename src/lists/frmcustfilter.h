#pragma once

#include "lists/filterdialog.h"

// Narrows the customer list.
class frmCustFilter : public FilterDialog {
    Q_OBJECT

public:
    // target: the list whose curFilterSQL an accepted filter sets.
    explicit frmCustFilter(ListWindow *target, QWidget *parent = nullptr);
};
