#pragma once

#include <QtGlobal>

#include <optional>

// Settling and deleting orders that are not closed yet, without a window:
// the sale lists ask their questions first and then call these. Every
// statement repeats the condition under which the order may still be
// changed, so an order that another workstation closed, settled or deleted
// since the list read it is left as it is, and the caller is told.
namespace SaleSettling {

// What a settle command does to an order, named as the list's commands.
enum class Step {
    InMoney, // the money owed is received
    OutMoney, // the money received is refunded
    OutAmount, // every unit goes out
    InAmount, // the delivery is undone
    InContainer, // every bottle comes back
    OutContainer, // the bottles' return is undone
};

enum class Outcome {
    Done,
    ChangedElsewhere, // no longer qualifies: closed or settled meanwhile
    DeletedElsewhere,
    Failed, // reported
};

// One order. Money is received only while some is owed, and money steps
// run on any order not closed ("1"); the others only on open orders ("0").
Outcome settle(Step step, qint64 saleId);

// Every open order of every station in one transaction. Workstations doing
// the same at once take the rows in one order; a transaction the server broke
// off for a deadlock runs again. False after a reported failure.
bool settleAll(Step step);

// The order with its lines, while it is still open.
Outcome deleteOpen(qint64 saleId);

// The open orders as the operator is asked about them: how many, and the
// newest one's ID. Nothing after a reported failure.
struct OpenOrders {
    int count = 0;
    qint64 lastId = 0;
};
std::optional<OpenOrders> openOrders();

// Deletes, with their lines and in one transaction, the orders counted in
// asked that are still open; an order taken after the question is kept.
// False after a reported failure (nothing deleted).
bool deleteOpenOrders(const OpenOrders &asked);

} // namespace SaleSettling
