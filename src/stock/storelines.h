#pragma once

#include "datastore/currency.h"
#include "sales/salelines.h"

#include <QString>
#include <QVector>

#include <array>

// The product lines of one stock document as the operator types them
// (xayDetail): rows of cell texts in the sale lines' columns (product
// number, name, unit, price, quantity, money). Unlike a sale, a document has
// as many lines as it needs. A row whose product cell is blank is no line.
class StoreLines {
public:
    static constexpr int CellCount = SaleLines::CellCount;

    // Rows up to the last one that holds any text.
    int rowCount() const { return int(m_rows.size()); }
    QString cell(int row, int column) const;
    // Grows the table to reach row.
    void setCell(int row, int column, const QString &text);
    void clearRow(int row);
    void clear() { m_rows.clear(); }
    bool isLine(int row) const;

    // Fills a row from the active product with that number, as the sale
    // lines do: name, unit, its price, quantity 1 and money equal to the
    // price. False (row unchanged) for a number no active product has.
    bool fillProduct(int row, const QString &productId);
    // money := price × quantity, for a row that holds a line.
    void recomputeMoney(int row);

private:
    void dropBlankTail();

    QVector<std::array<QString, CellCount>> m_rows;
};

// The sums of the lines, as the document stores them: the sale lines'
// sums, without bottles to collect.
using StoreTotals = SaleTotals;

namespace StoreRules {

// Quantities are summed line by line in whole units, halves going to the
// even unit (1.5 and 2.5 are 2 and 2); money to the ten-thousandth.
StoreTotals sumLines(const StoreLines &lines);
// A line's quantity as stored: whole units, halves to even.
qint32 storedAmount(const QString &amountText);
// Money as the line grid and the stock list show it: the absolute value as
// "￥##,###,###.00", "0" for text that is no number.
QString moneyText(const QVariant &money);

} // namespace StoreRules
