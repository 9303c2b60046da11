#pragma once

#include "datastore/currency.h"

#include <QString>
#include <QVector>

#include <array>
#include <optional>

// The product lines of one sale as the operator types them: three rows of
// cell texts (product number, name, unit, price, quantity, money). A row
// whose product cell is blank is no line.
class SaleLines {
public:
    static constexpr int RowCount = 3;
    enum Cell { ProductID, Name, Unit, Price, Amount, Money, CellCount };

    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString &text);
    void clearRow(int row);
    void clear();
    bool isLine(int row) const;

    // Fills a row from the active product with that number: name, unit, its
    // price, quantity 1 and money equal to the price. False (row unchanged)
    // for a number no active product has, or text that is no number.
    bool fillProduct(int row, const QString &productId);
    // money := price × quantity, for a row that holds a line.
    void recomputeMoney(int row);
    // The bottle that goes out with the row's product (its ID), 0 for none
    // or no line. Known from fillProduct; a row filled otherwise looks it up
    // once, so that summing the lines at every keystroke asks nothing of a
    // distant server.
    qint64 bottleOf(int row) const;

private:
    std::array<std::array<QString, CellCount>, RowCount> m_cells;
    mutable std::array<std::optional<qint64>, RowCount> m_bottles;
};

// The sums of the lines, as the sale stores them.
struct SaleTotals {
    qint32 amount = 0; // quantity ordered
    Currency money; // money due
    qint32 containers = 0; // empty bottles to collect
    // False when a line or a sum does not fit its column (32-bit
    // quantities, money within Currency's range); the figures are then not
    // to be used.
    bool inRange = true;
};

namespace SaleRules {

// The numeric value of a typed cell or field: 0 for text that is no number.
Currency numericValue(const QString &text);
// Quantities are counted in whole units, halves going to the even unit.
// False for a value outside the 32-bit range (and an overflowed one).
bool wholeUnits(const Currency &quantity, qint32 *units);
// As above; 0 for a value outside the range.
qint32 wholeUnits(const Currency &quantity);

// What a typed quantity cell is: bottles are counted whole, in 32 bits.
// Text that is no number by the input rule counts as Zero.
enum class AmountCheck { Ok, Zero, Negative, Fraction, OutOfRange };
AmountCheck checkAmount(const QString &text);
// A typed price: Ok, Zero, Negative, OutOfRange (beyond the money words too).
AmountCheck checkPrice(const QString &text);
// True for a water product that goes out in a bottle of its own. *queried
// tells "no bottle" from a lookup that failed (reported, and false).
bool hasBottle(qint64 productId, qint64 *containerId = nullptr, bool *queried = nullptr);
SaleTotals sumLines(const SaleLines &lines);
// "￥1,234.50" for money above zero, "0" otherwise, as the line grid shows it.
QString lineMoneyText(const QString &money);

} // namespace SaleRules
