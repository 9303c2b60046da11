#pragma once

#include "datastore/currency.h"
#include "lists/listwindow.h"

#include <optional>

// "欠款欠瓶客户": every customer with money or bottles still open, what they
// owe, since when, on how many orders, and whose delivery round the newest
// of them is. Counted as the customer's account counts (CustomerAccount),
// so both always agree. Opening a row shows that customer's account.
class frmCollectionList : public ListWindow {
    Q_OBJECT

public:
    // Which customers: a station (the operator's own at a branch), a
    // delivery person, a customer type, at least so much money owed, an
    // open order older than so many days. Unset: any.
    struct Criteria {
        std::optional<qint64> stationId;
        std::optional<qint64> senderId;
        std::optional<int> customerType;
        std::optional<Currency> minimumOwed;
        std::optional<int> olderThanDays;
    };

    explicit frmCollectionList(QWidget *parent = nullptr);

    void ShowFilter();
    // Narrows the list to the criteria and reads it again.
    void applyCriteria(const Criteria &criteria, const QString &description);

    // The statement's parts for the criteria, as of `today`.
    static QString filterSQL(const Criteria &criteria);
    static QString groupSQL(const Criteria &criteria, const QDate &today);

private:
    Criteria m_criteria;
};
