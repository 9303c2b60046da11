#include "stock/storedetailmodel.h"

StoreDetailModel::StoreDetailModel(QObject *parent) : LineGridModel(Quantities::Parts, parent) { }

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

QString StoreDetailModel::moneyText(const QString &money) const
{
    return StoreRules::moneyText(money);
}

LineGridModel::Edit StoreDetailModel::tryEdit(int row, int column, const QString &text)
{
    StoreLines next = m_lines;
    const Edit edit = applyEdit(next, row, column, text, &StoreRules::sumLines);
    if (edit == Edit::Taken)
        takeLines(next, row);
    return edit;
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
