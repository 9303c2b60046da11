#pragma once

#include "datastore/currency.h"

#include <QDate>
#include <QString>
#include <QVector>

// One sale as it is stored: parsed numbers only, never typed text.
struct SaleRecord {
    struct Line {
        qint64 productId = 0;
        Currency price;
        qint32 amount = 0; // whole units
        Currency money;
        // Shown beside a stored line; never written.
        QString name;
        QString unit;
    };

    // The customer as a stored sale shows it; never written by the sale.
    struct Customer {
        qint64 id = 0;
        qint64 account = 0;
        QString name;
        QString phone;
        QString address;
        QDate createDate;
        int custType = 0;
        QString status;
        qint64 stationId = 0;
    };

    qint64 id = 0; // the sale to rewrite when editing
    qint64 customerId = 0; // as stored; a new sale finds its customer by address
    QString address;
    QString phone;
    QString detail;
    QDate createDate;
    qint64 senderId = 0;
    qint64 stationId = 0;
    qint64 userId = 0;
    qint32 totalAmount = 0;
    Currency totalMoney;
    qint32 totalContainer = 0;
    Currency inMoney;
    Currency outAmount;
    Currency inContainer;
    Currency transferFee;
    bool finished = false; // closed by the day closing
    // Goods lines only: the bottle lines follow from the products.
    QVector<Line> lines;
    Customer customer;
};

// Stores a sale in one transaction: the customer found by address or
// created, the header, the lines and a bottle line after every line of
// water that comes in a bottle. A failure leaves nothing of it behind.
namespace SaleWriter {

// Returns the new sale's ID, 0 when nothing was stored.
qint64 saveNew(const SaleRecord &sale, const QDate &today);
// Rewrites header and lines of sale.id; customer and date stay as stored.
// asLoaded is the sale as it was read when the form opened: when the stored
// sale no longer matches it (changed, closed or deleted at another
// workstation since), nothing is written and the operator is told.
bool saveEdit(const SaleRecord &sale, const SaleRecord &asLoaded);

// The number the next sale will probably get; only for display.
qint32 GetNewSaleID();

} // namespace SaleWriter
