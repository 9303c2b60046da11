#pragma once

#include "lists/listwindow.h"
#include "sales/customeraccount.h"

// "欠款欠瓶客户": every customer with money or bottles still open, what they
// owe, since when, on how many orders, and whose delivery round the newest
// of them is. Counted as the customer's account counts (CustomerAccount),
// so both always agree. Opening a row shows that customer's account.
class frmCollectionList : public ListWindow {
    Q_OBJECT

public:
    using Criteria = CustomerAccount::Criteria;

    explicit frmCollectionList(QWidget *parent = nullptr);

    void ShowFilter();
    // Narrows the list to the criteria and reads it again.
    void applyCriteria(const Criteria &criteria, const QString &description);

private:
    Criteria m_criteria;
};
