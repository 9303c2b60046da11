#pragma once

#include "datastore/currency.h"

#include <QDate>
#include <QString>
#include <QVector>

#include <optional>

// What a customer owes: the money not received and the bottles not back on
// each of their orders, as the orders stand. The account window, the
// collection list and the printed statement all count with this, so that
// the three never disagree.
namespace CustomerAccount {

// What is still open on one order, as SQL over the Sale table. A closed
// order counts nothing: the day closing carries only settled orders, and
// whatever its figures say afterwards is history.
QString owedMoneySql();
QString bottlesOutSql();

struct Order {
    qint64 id = 0;
    QDate date;
    QString goods; // "纯净水×2、水桶×2"
    Currency due, paid, owed;
    Currency bottles, back, out;
    bool closed = false;
    // The balance after this order, counted from the first order shown
    // (from the opening balance on a statement).
    Currency owedSoFar, outSoFar;
};

struct BottlesOut {
    QString product;
    Currency out;
};

struct Account {
    qint64 customerId = 0;
    qint64 account = 0;
    QString name, phone, address;
    qint64 stationId = 0;

    // Everything before the range's start, as it stands today.
    Currency openingOwed, openingOut;
    QVector<Order> orders;
    // Now (at the range's end on a statement).
    Currency owed, out;
    QVector<BottlesOut> outByBottle;
    QDate lastOrder;
    QDate oldestOpen; // null when nothing is open
};

// Which orders: all of them, or those of a date range (both ends included),
// the earlier ones giving the opening balance.
struct Range {
    QDate from, to;
    bool isEmpty() const { return from.isNull() && to.isNull(); }
};

enum class Failure { None, NoSuchCustomer, OtherStation, BadRange, ReadFailed };

// The customer's account, read with the operator's station scope: an
// operator at a branch sees only their own station's customers. *failure
// says why there is none; a read failure has been reported already.
std::optional<Account> read(qint64 customerId, const Range &range, Failure *failure);

// The words for a failure, for the operator.
QString failureText(Failure failure);

// Which customers the collection list shows: a station (the operator's own
// at a branch, whatever is asked), a delivery person (that person's open
// orders), a customer type, at least so much money owed, an open order
// older than so many days. Unset: any.
struct Criteria {
    std::optional<qint64> stationId;
    std::optional<qint64> senderId;
    std::optional<int> customerType;
    std::optional<Currency> minimumOwed;
    std::optional<int> olderThanDays;
    bool isEmpty() const
    {
        return !stationId && !senderId && !customerType && !minimumOwed && !olderThanDays;
    }
};

// One row per customer with money or bottles open, in the parts a list
// window reads (ID, Account, Name, Phone, Address, OwedMoney, BottlesOut,
// OldestOpen, OpenOrders, SenderName), counted as read() counts; "older
// than" is as of `today`.
struct CollectionQuery {
    QString select, filter, group, sort;
};
CollectionQuery collectionQuery(const Criteria &criteria, const QDate &today);

} // namespace CustomerAccount
