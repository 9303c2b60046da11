#pragma once

#include "lists/filterdialog.h"

// Narrows the orders of the sale, money, delivery and bottle lists, and the
// sales a period report sums.
class frmSaleFilter : public FilterDialog {
    Q_OBJECT

public:
    // target: the list whose curFilterSQL an accepted filter sets.
    explicit frmSaleFilter(ListWindow *target, QWidget *parent = nullptr);
};
