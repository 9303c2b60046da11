#pragma once

#include "lists/filterdialog.h"

class ListWindow;

// Narrows the orders of the sale, money, delivery and bottle lists.
class frmSaleFilter : public FilterDialog {
    Q_OBJECT

public:
    // target: the list whose curFilterSQL an accepted filter sets.
    explicit frmSaleFilter(ListWindow *target, QWidget *parent = nullptr);

    // The conditions of the ticked criteria; false (after the message) when
    // a box holds something that is no number or date.
    bool BuildFilterSQL(QString *fragment);

private:
    void confirm();

    ListWindow *m_target;
    QButtonGroup *optFinish;
};
