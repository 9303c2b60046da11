#include "stock/storedetailmodel.h"

#include "datastore/prompt.h"
#include "shell/inputcheck.h"

#include <QApplication>
#include <QPalette>

namespace {

const char *const Captions[] = {"产品编号", "名称", "规格", "单价", "数量", "金额"};

} // namespace

StoreDetailModel::StoreDetailModel(QObject *parent) : QAbstractTableModel(parent) { }

void StoreDetailModel::setLines(const StoreLines &lines)
{
    beginResetModel();
    m_lines = lines;
    m_shownRows = m_lines.rowCount() + (m_readOnly ? 0 : 1);
    endResetModel();
}

void StoreDetailModel::setReadOnly(bool readOnly)
{
    beginResetModel();
    m_readOnly = readOnly;
    m_shownRows = m_lines.rowCount() + (m_readOnly ? 0 : 1);
    endResetModel();
}

int StoreDetailModel::rowCount(const QModelIndex &parent) const
{
    // The blank row to type the next line into; a document that cannot be
    // changed shows its lines only.
    return parent.isValid() ? 0 : m_shownRows;
}

int StoreDetailModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : StoreLines::CellCount;
}

QVariant StoreDetailModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int column = index.column();
    const QString text = m_lines.cell(index.row(), column);
    switch (role) {
    case Qt::DisplayRole:
        if (column == SaleLines::Money)
            return m_lines.isLine(index.row()) ? StoreRules::moneyText(text) : QString();
        return text;
    case Qt::EditRole:
        return text;
    case Qt::TextAlignmentRole:
        if (column == SaleLines::Price || column == SaleLines::Money || column == SaleLines::Amount)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    // Cells that take no input have the tool-tip colours.
    case Qt::BackgroundRole:
        if (m_readOnly || !SaleDetailModel::isEditableColumn(column))
            return QApplication::palette().toolTipBase();
        return {};
    case Qt::ForegroundRole:
        if (m_readOnly || !SaleDetailModel::isEditableColumn(column))
            return QApplication::palette().toolTipText();
        return {};
    default:
        return {};
    }
}

QVariant StoreDetailModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section >= 0 && section < StoreLines::CellCount)
        return QString::fromUtf8(Captions[section]);
    return {};
}

Qt::ItemFlags StoreDetailModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (!m_readOnly && SaleDetailModel::isEditableColumn(index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

bool StoreDetailModel::refuse(const QString &message, const QString &title)
{
    m_lastRefused = true;
    Prompt::error(message, title);
    return false;
}

bool StoreDetailModel::refuseNumber(const QString &text)
{
    m_lastRefused = true;
    mSystem::ReportBadNumber(text);
    return false;
}

bool StoreDetailModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || m_readOnly)
        return false;
    const int row = index.row();
    const int column = index.column();
    const QString text = value.toString();
    m_lastRefused = false;
    // The same product number typed again fills its price and quantity
    // afresh; other cells typed unchanged change nothing.
    if (column != SaleLines::ProductID && text == m_lines.cell(row, column))
        return true;
    // Worked out on a copy: a refused cell leaves the line as it was.
    StoreLines next = m_lines;
    switch (column) {
    case SaleLines::ProductID:
        if (text.trimmed().isEmpty()) {
            next.clearRow(row);
        } else if (!next.fillProduct(row, text)) {
            return refuse(QStringLiteral("产品编号不存在或已被禁用，请重新输入!"),
                QStringLiteral("商品编号"));
        }
        break;
    case SaleLines::Price:
    case SaleLines::Amount: {
        // Parts of a unit are taken; the document stores whole units.
        const auto number
            = SaleDetailModel::checkedNumber(column, text, SaleDetailModel::Quantities::Parts);
        if (!number) {
            m_lastRefused = true;
            return false;
        }
        next.setCell(row, column, *number);
        break;
    }
    default:
        return false;
    }
    next.recomputeMoney(row);
    // The line's money and the document's totals must fit their columns too.
    if (next.isLine(row) && !StoreRules::sumLines(next).inRange)
        return refuseNumber(text);
    takeLines(next, row);
    emit linesChanged();
    return true;
}

void StoreDetailModel::takeLines(const StoreLines &next, int changedRow)
{
    // The changed row first, then the rows at the end: a new blank row once
    // the blank one holds a line, or the blank rows an emptied last line
    // leaves behind.
    m_lines = next;
    if (changedRow < m_shownRows)
        emit dataChanged(index(changedRow, 0), index(changedRow, StoreLines::CellCount - 1));
    const int wanted = m_lines.rowCount() + 1;
    if (wanted > m_shownRows) {
        beginInsertRows({}, m_shownRows, wanted - 1);
        m_shownRows = wanted;
        endInsertRows();
    } else if (wanted < m_shownRows) {
        beginRemoveRows({}, wanted, m_shownRows - 1);
        m_shownRows = wanted;
        endRemoveRows();
    }
}

StoreDetailView::StoreDetailView(QWidget *parent) : SaleDetailView(parent) { }

bool StoreDetailView::commitOpenEditor()
{
    if (state() != EditingState)
        return true;
    QWidget *editor = indexWidget(currentIndex());
    if (!editor)
        return true;
    commitData(editor);
    if (model() && model()->property("lastEditRefused").toBool())
        return false;
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

void StoreDetailView::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    const QModelIndex current = currentIndex();
    auto *detail = qobject_cast<StoreDetailModel *>(model());
    // Enter on the blank row's empty product cell: the lines are done.
    const bool done = detail && !detail->lastEditRefused() && current.isValid()
        && current.column() == SaleLines::ProductID && !detail->lines().isLine(current.row())
        && (hint == QAbstractItemDelegate::SubmitModelCache
            || hint == QAbstractItemDelegate::EditNextItem);
    if (!done) {
        SaleDetailView::closeEditor(editor, hint);
        return;
    }
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    focusNextChild();
}
