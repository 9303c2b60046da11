#include "salelines.h"

#include "mdatabase.h"

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
    const auto rs = mDatabase::OpenRecordset(
        QStringLiteral("select * from product where Status='1' and ID =") + QString::number(id));
    if (!rs || rs->isEmpty())
        return false;
    const QString price = Currency::fromVariant(rs->value(0, QStringLiteral("price"))).toSqlText();
    setCell(row, ProductID, QString::number(id));
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
    const Currency money = SaleRules::numericValue(cell(row, Price))
                               .times(SaleRules::numericValue(cell(row, Amount)));
    setCell(row, Money, money.toSqlText());
}

namespace SaleRules {

Currency numericValue(const QString &text)
{
    Currency value;
    return Currency::parse(text, &value) ? value : Currency();
}

qint32 wholeUnits(const Currency &quantity)
{
    const std::int64_t units = quantity.units();
    std::int64_t whole = units / Currency::Scale;
    const std::int64_t rest = units % Currency::Scale;
    const std::int64_t twice = 2 * (rest < 0 ? -rest : rest);
    if (twice > Currency::Scale || (twice == Currency::Scale && whole % 2 != 0))
        whole += units < 0 ? -1 : 1;
    return qint32(whole);
}

bool hasBottle(qint64 productId, qint64 *containerId, bool *queried)
{
    const auto rs = mDatabase::OpenRecordset(
        QStringLiteral("select * from Product where IsContainer='0' and ContainerID<>0 and ID=%1")
            .arg(QString::number(productId)));
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
    for (int row = 0; row < SaleLines::RowCount; ++row) {
        if (!lines.isLine(row))
            continue;
        const qint32 amount = wholeUnits(numericValue(lines.cell(row, SaleLines::Amount)));
        totals.amount += amount;
        totals.money += numericValue(lines.cell(row, SaleLines::Money));
        qint64 id = 0;
        if (parseId(lines.cell(row, SaleLines::ProductID), &id) && hasBottle(id))
            totals.containers += amount;
    }
    return totals;
}

QString lineMoneyText(const QString &money)
{
    const Currency value = numericValue(money);
    if (value <= Currency())
        return QStringLiteral("0");
    return QStringLiteral("￥") + value.toGrouped();
}

} // namespace SaleRules
