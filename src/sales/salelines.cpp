#include "sales/salelines.h"

#include "datastore/boundstatement.h"
#include "datastore/mdatabase.h"
#include "shell/inputcheck.h"

#include <limits>

namespace {

bool parseId(const QString &text, qint64 *id)
{
    bool ok = false;
    const qint64 value = mDatabase::TrimBlanks(text).toLongLong(&ok);
    if (!ok || value <= 0)
        return false;
    *id = value;
    return true;
}

} // namespace

QString SaleLines::cell(int row, int column) const
{
    if (row < 0 || row >= RowCount || column < 0 || column >= CellCount)
        return {};
    return m_cells[row][column];
}

void SaleLines::setCell(int row, int column, const QString &text)
{
    if (row < 0 || row >= RowCount || column < 0 || column >= CellCount)
        return;
    if (column == ProductID && text != m_cells[row][column])
        m_bottles[row].reset();
    m_cells[row][column] = text;
}

void SaleLines::clearRow(int row)
{
    for (int c = 0; c < CellCount; ++c)
        setCell(row, c, QString());
}

void SaleLines::clear()
{
    for (int r = 0; r < RowCount; ++r)
        clearRow(r);
}

bool SaleLines::isLine(int row) const
{
    return !mDatabase::TrimBlanks(cell(row, ProductID)).isEmpty();
}

bool SaleLines::fillProduct(int row, const QString &productId)
{
    if (mDatabase::TrimBlanks(productId).isEmpty()) {
        for (int c = Name; c <= Money; ++c)
            setCell(row, c, QString());
        return true;
    }
    qint64 id = 0;
    if (!parseId(productId, &id))
        return false;
    const auto rs = mDatabase::OpenBound(
        QStringLiteral("select * from product where Status='1' and ID=?"), {id});
    if (!rs || rs->isEmpty())
        return false;
    const QString price = Currency::fromVariant(rs->value(0, QStringLiteral("price"))).toSqlText();
    setCell(row, ProductID, QString::number(id));
    // The bottle as SaleRules::hasBottle finds it.
    const qint64 container = rs->value(0, QStringLiteral("ContainerID")).toLongLong();
    m_bottles[row] = mDatabase::TrimBlanks(rs->value(0, QStringLiteral("IsContainer")).toString())
            == QLatin1String("0")
        ? container
        : 0;
    setCell(row, Name, rs->value(0, QStringLiteral("name")).toString());
    setCell(row, Unit, rs->value(0, QStringLiteral("unit")).toString());
    setCell(row, Price, price);
    setCell(row, Amount, QStringLiteral("1"));
    setCell(row, Money, price);
    return true;
}

void SaleLines::recomputeMoney(int row)
{
    if (!isLine(row))
        return;
    // An amount or price too large to read gives an overflowed product,
    // whose text is empty: the line then fails the range check of the sums.
    const Currency money = Currency::fromVariant(QVariant(cell(row, Price)))
                               .times(Currency::fromVariant(QVariant(cell(row, Amount))));
    setCell(row, Money, money.toSqlText());
}

qint64 SaleLines::bottleOf(int row) const
{
    qint64 id = 0;
    if (row < 0 || row >= RowCount || !parseId(cell(row, ProductID), &id))
        return 0;
    if (!m_bottles[row]) {
        qint64 container = 0;
        bool queried = false;
        const bool bottle = SaleRules::hasBottle(id, &container, &queried);
        // A failed lookup (reported) is asked again next time.
        if (!queried)
            return 0;
        m_bottles[row] = bottle ? container : 0;
    }
    return *m_bottles[row];
}

namespace SaleRules {

Currency numericValue(const QString &text)
{
    Currency value;
    return Currency::parse(text, &value) ? value : Currency();
}

bool wholeUnits(const Currency &quantity, qint32 *out)
{
    if (!quantity.isValid())
        return false;
    const std::int64_t units = quantity.units();
    std::int64_t whole = units / Currency::Scale;
    const std::int64_t rest = units % Currency::Scale;
    const std::int64_t twice = 2 * (rest < 0 ? -rest : rest);
    if (twice > Currency::Scale || (twice == Currency::Scale && whole % 2 != 0))
        whole += units < 0 ? -1 : 1;
    if (whole < std::numeric_limits<qint32>::min() || whole > std::numeric_limits<qint32>::max())
        return false;
    *out = qint32(whole);
    return true;
}

qint32 wholeUnits(const Currency &quantity)
{
    qint32 units = 0;
    return wholeUnits(quantity, &units) ? units : 0;
}

namespace {

// What a typed cell is, by the one rule every number field follows; read
// is ParseDecimal or ParseMoney.
AmountCheck checkTyped(
    const QString &text, bool (*read)(const QString &, Currency *), Currency *value)
{
    if (!read(text, value)) {
        // A number by the rule, yet unreadable here: too large.
        Currency probe;
        return mSystem::ParseDecimal(text, &probe)
                || !Currency::fromVariant(QVariant(mDatabase::TrimBlanks(text))).isValid()
            ? AmountCheck::OutOfRange
            : AmountCheck::Zero;
    }
    if (value->isZero())
        return AmountCheck::Zero;
    // The direction of a document is its type, never a sign.
    if (*value < Currency())
        return AmountCheck::Negative;
    return AmountCheck::Ok;
}

} // namespace

AmountCheck checkAmount(const QString &text)
{
    Currency value;
    const AmountCheck check = checkTyped(text, &mSystem::ParseDecimal, &value);
    if (check != AmountCheck::Ok)
        return check;
    if (value.units() % Currency::Scale != 0)
        return AmountCheck::Fraction;
    qint32 units = 0;
    return wholeUnits(value, &units) ? AmountCheck::Ok : AmountCheck::OutOfRange;
}

AmountCheck checkPrice(const QString &text)
{
    Currency value;
    return checkTyped(text, &mSystem::ParseMoney, &value);
}

bool hasBottle(qint64 productId, qint64 *containerId, bool *queried)
{
    const auto rs = mDatabase::OpenBound(
        QStringLiteral("select * from Product where IsContainer='0' and ContainerID<>0 and ID=?"),
        {productId});
    if (queried)
        *queried = rs.has_value();
    if (!rs || rs->isEmpty())
        return false;
    if (containerId)
        *containerId = rs->value(0, QStringLiteral("ContainerID")).toLongLong();
    return true;
}

SaleTotals sumLines(const SaleLines &lines)
{
    SaleTotals totals;
    // Counted in 64 bits, then checked against the 32 bits the columns hold.
    qint64 amount = 0;
    qint64 containers = 0;
    for (int row = 0; row < SaleLines::RowCount; ++row) {
        if (!lines.isLine(row))
            continue;
        qint32 lineAmount = 0;
        const QString amountText = lines.cell(row, SaleLines::Amount);
        if (!wholeUnits(numericValue(amountText), &lineAmount)
            || !Currency::fromVariant(QVariant(amountText)).isValid())
            totals.inRange = false;
        amount += lineAmount;
        const QString moneyText = lines.cell(row, SaleLines::Money);
        const Currency money = Currency::fromVariant(QVariant(moneyText));
        // An empty money cell on a line is a product that overflowed.
        if (!money.isValid() || mDatabase::TrimBlanks(moneyText).isEmpty())
            totals.inRange = false;
        totals.money += money;
        if (lines.bottleOf(row) != 0)
            containers += lineAmount;
    }
    constexpr qint64 low = std::numeric_limits<qint32>::min();
    constexpr qint64 high = std::numeric_limits<qint32>::max();
    if (amount < low || amount > high || containers < low || containers > high
        || !totals.money.isValid())
        totals.inRange = false;
    if (!totals.inRange)
        return SaleTotals{0, Currency(), 0, false};
    totals.amount = qint32(amount);
    totals.containers = qint32(containers);
    return totals;
}

QString lineMoneyText(const QString &money)
{
    const Currency value = numericValue(money);
    if (value <= Currency())
        return QStringLiteral("0");
    // "##,###,###.00": no zero before the point, so half a yuan is "￥.50".
    return QStringLiteral("￥") + value.toGroupedNoLeadingZero();
}

} // namespace SaleRules
