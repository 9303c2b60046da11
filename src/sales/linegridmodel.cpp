#include "sales/linegridmodel.h"

#include "datastore/prompt.h"
#include "shell/inputcheck.h"

#include <QApplication>
#include <QLineEdit>
#include <QPalette>

namespace {

const char *const Captions[] = {"产品编号", "名称", "规格", "单价", "数量", "金额"};

std::nullopt_t refused(const QString &message, const QString &title)
{
    Prompt::error(message, title);
    return std::nullopt;
}

} // namespace

LineGridModel::LineGridModel(Quantities quantities, QObject *parent)
    : QAbstractTableModel(parent), m_quantities(quantities)
{
}

bool LineGridModel::isEditableColumn(int column)
{
    return column == SaleLines::ProductID || column == SaleLines::Price
        || column == SaleLines::Amount;
}

bool LineGridModel::moneyInWords(const Currency &money)
{
    return money <= mSystem::MaxMoney() && money >= -mSystem::MaxMoney();
}

std::optional<QString> LineGridModel::checkedNumber(
    int column, const QString &text, Quantities quantities)
{
    const bool price = column == SaleLines::Price;
    switch (price ? SaleRules::checkPrice(text) : SaleRules::checkAmount(text)) {
    case SaleRules::AmountCheck::Ok:
        break;
    case SaleRules::AmountCheck::Fraction:
        // Bottles go out whole; 2.5 would store 2 bottles and money for 2.5.
        if (!price && quantities == Quantities::Whole)
            return refused(
                QStringLiteral("商品数量必须为整数，不能带小数！"), QStringLiteral("数量"));
        break;
    case SaleRules::AmountCheck::Zero:
        return price
            ? refused(QStringLiteral("商品价格必须为数字，且不能为0！"), QStringLiteral("价格"))
            : refused(QStringLiteral("商品数量必须为数字，且不能为0！"), QStringLiteral("数量"));
    case SaleRules::AmountCheck::Negative:
        return price ? refused(QStringLiteral("商品价格不能为负数！"), QStringLiteral("价格"))
                     : refused(QStringLiteral("商品数量不能为负数！"), QStringLiteral("数量"));
    case SaleRules::AmountCheck::OutOfRange:
        mSystem::ReportBadNumber(text);
        return std::nullopt;
    }
    Currency value;
    mSystem::ParseDecimal(text, &value);
    return value.toSqlText();
}

std::optional<SaleTotals> LineGridModel::SumArray(QLineEdit *amount, QLineEdit *money) const
{
    const SaleTotals sums = totals();
    if (!sums.inRange)
        return std::nullopt;
    amount->setText(QString::number(sums.amount));
    money->setText(sums.money.toSqlText());
    return sums;
}

int LineGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : SaleLines::CellCount;
}

QVariant LineGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int column = index.column();
    const QString text = cellText(index.row(), column);
    switch (role) {
    case Qt::DisplayRole:
        if (column == SaleLines::Money)
            return rowIsLine(index.row()) ? moneyText(text) : QString();
        return text;
    case Qt::EditRole:
        return text;
    case Qt::TextAlignmentRole:
        if (column == SaleLines::Price || column == SaleLines::Money || column == SaleLines::Amount)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    // Cells that take no input look alike, so lines opened for viewing have
    // no cell that looks editable.
    case Qt::BackgroundRole:
        if (m_readOnly || !isEditableColumn(column))
            return QApplication::palette().toolTipBase();
        return {};
    case Qt::ForegroundRole:
        if (m_readOnly || !isEditableColumn(column))
            return QApplication::palette().toolTipText();
        return {};
    default:
        return {};
    }
}

QVariant LineGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section >= 0 && section < SaleLines::CellCount)
        return QString::fromUtf8(Captions[section]);
    return {};
}

Qt::ItemFlags LineGridModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (!m_readOnly && isEditableColumn(index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

bool LineGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || m_readOnly)
        return false;
    const int row = index.row();
    const int column = index.column();
    const QString text = value.toString();
    m_lastRefused = false;
    // The same product number typed again fills its price and quantity
    // afresh; other cells typed unchanged change nothing.
    if (column != SaleLines::ProductID && text == cellText(row, column))
        return true;
    QString accepted = text;
    if (column == SaleLines::Price || column == SaleLines::Amount) {
        const auto number = checkedNumber(column, text, m_quantities);
        if (!number) {
            m_lastRefused = true;
            return false;
        }
        accepted = *number;
    } else if (column != SaleLines::ProductID) {
        return false;
    }
    switch (tryEdit(row, column, accepted)) {
    case Edit::Taken:
        break;
    case Edit::UnknownProduct:
        m_lastRefused = true;
        Prompt::error(
            QStringLiteral("产品编号不存在或已被禁用，请重新输入!"), QStringLiteral("商品编号"));
        return false;
    case Edit::OutOfRange:
        // The line's money and the totals must fit their columns too.
        m_lastRefused = true;
        mSystem::ReportBadNumber(text);
        return false;
    }
    emit linesChanged();
    return true;
}
