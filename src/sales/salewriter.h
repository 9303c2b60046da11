#pragma once

#include "currency.h"

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
    };

    qint64 id = 0; // the sale to rewrite when editing
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
    QVector<Line> lines;
};

// Stores a sale in one transaction: the customer found by address or
// created, the header, the lines and a bottle line after every line of
// water that comes in a bottle. A failure leaves nothing of it behind.
namespace SaleWriter {

// Returns the new sale's ID, 0 when nothing was stored.
qint64 saveNew(const SaleRecord &sale, const QDate &today);
// Rewrites header and lines of sale.id; customer and date stay as stored.
bool saveEdit(const SaleRecord &sale);

// The number the next sale will probably get; only for display.
qint32 GetNewSaleID();

} // namespace SaleWriter
