#include "stock/storelines.h"

#include "datastore/mdatabase.h"

#include <limits>

QString StoreLines::cell(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= CellCount)
        return {};
    return m_rows[row][column];
}

void StoreLines::setCell(int row, int column, const QString &text)
{
    if (row < 0 || column < 0 || column >= CellCount)
        return;
    if (row >= m_rows.size()) {
        if (text.isEmpty())
            return;
        m_rows.resize(row + 1);
    }
    m_rows[row][column] = text;
    dropBlankTail();
}

void StoreLines::clearRow(int row)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows[row] = {};
    dropBlankTail();
}

void StoreLines::dropBlankTail()
{
    while (!m_rows.isEmpty()) {
        bool blank = true;
        for (const QString &text : std::as_const(m_rows.last()))
            blank = blank && text.isEmpty();
        if (!blank)
            return;
        m_rows.removeLast();
    }
}

bool StoreLines::isLine(int row) const
{
    return !mDatabase::TrimBlanks(cell(row, SaleLines::ProductID)).isEmpty();
}

bool StoreLines::fillProduct(int row, const QString &productId)
{
    if (row < 0)
        return false;
    if (mDatabase::TrimBlanks(productId).isEmpty()) {
        clearRow(row);
        return true;
    }
    // The sale lines' look-up, so both forms read a product alike.
    SaleLines one;
    if (!one.fillProduct(0, productId))
        return false;
    for (int c = 0; c < CellCount; ++c)
        setCell(row, c, one.cell(0, c));
    return true;
}

void StoreLines::recomputeMoney(int row)
{
    if (!isLine(row))
        return;
    // An amount or price too large to read gives an overflowed product,
    // whose text is empty: the line then fails the range check of the sums.
    const Currency money
        = Currency::fromVariant(QVariant(cell(row, SaleLines::Price)))
              .times(Currency::fromVariant(QVariant(cell(row, SaleLines::Amount))));
    setCell(row, SaleLines::Money, money.toSqlText());
}

namespace StoreRules {

StoreTotals sumLines(const StoreLines &lines)
{
    StoreTotals totals;
    qint64 amount = 0; // counted in 64 bits, then checked against the column's 32
    for (int row = 0; row < lines.rowCount(); ++row) {
        if (!lines.isLine(row))
            continue;
        const QString amountText = lines.cell(row, SaleLines::Amount);
        qint32 units = 0;
        if (!SaleRules::wholeUnits(SaleRules::numericValue(amountText), &units)
            || !Currency::fromVariant(QVariant(amountText)).isValid())
            totals.inRange = false;
        amount += units;
        const QString moneyText = lines.cell(row, SaleLines::Money);
        const Currency money = Currency::fromVariant(QVariant(moneyText));
        // An empty money cell on a line is a product that overflowed.
        if (!money.isValid() || mDatabase::TrimBlanks(moneyText).isEmpty())
            totals.inRange = false;
        totals.money += money;
    }
    if (amount < std::numeric_limits<qint32>::min() || amount > std::numeric_limits<qint32>::max()
        || !totals.money.isValid())
        totals.inRange = false;
    if (!totals.inRange)
        return StoreTotals{0, Currency(), 0, false};
    totals.amount = qint32(amount);
    return totals;
}

qint32 storedAmount(const QString &amountText)
{
    return SaleRules::wholeUnits(SaleRules::numericValue(amountText));
}

QString moneyText(const QVariant &money)
{
    Currency value;
    const bool number = money.typeId() == QMetaType::QString
        ? Currency::parse(money.toString(), &value)
        : (value = Currency::fromVariant(money)).isValid() && !money.isNull();
    if (!number)
        return QStringLiteral("0");
    if (value < Currency())
        value = -value;
    // "##,###,###.00": no zero before the point, so half a yuan is "￥.50".
    return QStringLiteral("￥") + value.toGroupedNoLeadingZero();
}

} // namespace StoreRules
