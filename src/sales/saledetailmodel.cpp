#include "sales/saledetailmodel.h"

#include "datastore/prompt.h"
#include "shell/inputcheck.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QStandardItemModel>

namespace {

constexpr int ProductColumns = 4;
const char *const ProductCaptions[ProductColumns] = {"产品编号", "产品名称", "单位", "价格"};

} // namespace

SaleDetailModel::SaleDetailModel(QObject *parent) : LineGridModel(Quantities::Whole, parent) { }

void SaleDetailModel::reload()
{
    beginResetModel();
    endResetModel();
}

int SaleDetailModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : SaleLines::RowCount;
}

QString SaleDetailModel::moneyText(const QString &money) const
{
    return SaleRules::lineMoneyText(money);
}

LineGridModel::Edit SaleDetailModel::tryEdit(int row, int column, const QString &text)
{
    SaleLines next = m_lines;
    const Edit edit = applyEdit(next, row, column, text, &SaleRules::sumLines);
    if (edit != Edit::Taken)
        return edit;
    m_lines = next;
    emit dataChanged(index(row, 0), index(row, SaleLines::CellCount - 1));
    return edit;
}

ProductDelegate::ProductDelegate(QObject *parent) : QStyledItemDelegate(parent) { }

void ProductDelegate::setProducts(const Recordset &products)
{
    m_products = products;
}

QWidget *ProductDelegate::createEditor(
    QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (index.column() != SaleLines::ProductID)
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QStringLiteral("dbdProduct"));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // Matching is done on Enter (by number, then by any part of the name),
    // not by the line's own completer, which would fill in a whole row.
    combo->setCompleter(nullptr);
    auto *model = new QStandardItemModel(m_products.recordCount(), ProductColumns, combo);
    for (int c = 0; c < ProductColumns; ++c)
        model->setHeaderData(c, Qt::Horizontal, QString::fromUtf8(ProductCaptions[c]));
    for (int row = 0; row < m_products.recordCount(); ++row) {
        const QString id = m_products.value(row, QStringLiteral("ID")).toString();
        const QString texts[] = {id, m_products.value(row, QStringLiteral("Name")).toString(),
            m_products.value(row, QStringLiteral("Unit")).toString(),
            Currency::fromVariant(m_products.value(row, QStringLiteral("Price"))).toGrouped()};
        for (int c = 0; c < ProductColumns; ++c) {
            auto *item = new QStandardItem(texts[c]);
            if (c == ProductColumns - 1)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            model->setItem(row, c, item);
        }
        model->item(row, 0)->setData(id.toLongLong(), Qt::UserRole);
    }
    auto *view = new QTableView(combo);
    view->setObjectName(QStringLiteral("dbdProductList"));
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->setShowGrid(false);
    combo->setModel(model);
    combo->setView(view);
    combo->setModelColumn(0);
    view->resizeColumnsToContents();
    view->horizontalHeader()->setStretchLastSection(true);
    view->setMinimumWidth(360);
    combo->installEventFilter(const_cast<ProductDelegate *>(this));
    // Picked from the list: the product is taken at once.
    connect(combo, &QComboBox::activated, this, [this, combo] {
        auto *self = const_cast<ProductDelegate *>(this);
        emit self->commitData(combo);
        emit self->closeEditor(combo, QAbstractItemDelegate::SubmitModelCache);
    });
    return combo;
}

void ProductDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = qobject_cast<QComboBox *>(editor);
    if (!combo) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    const QString id = index.data(Qt::EditRole).toString();
    const int found = id.isEmpty() ? -1 : combo->findData(id.toLongLong(), Qt::UserRole);
    combo->setCurrentIndex(found);
    combo->setEditText(id);
    combo->lineEdit()->selectAll();
}

QList<int> ProductDelegate::matches(const QComboBox *combo, const QString &typed)
{
    const QString text = typed.trimmed();
    QList<int> found;
    if (text.isEmpty())
        return found;
    // Digits that are a product's number pick that product.
    bool number = false;
    const qint64 id = text.toLongLong(&number);
    if (number) {
        const int item = combo->findData(id, Qt::UserRole);
        if (item >= 0)
            return {item};
    }
    const QAbstractItemModel *model = combo->model();
    for (int row = 0; row < combo->count(); ++row) {
        if (model->index(row, 1).data().toString().contains(text, Qt::CaseInsensitive))
            found << row;
    }
    return found;
}

void ProductDelegate::setModelData(
    QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    auto *combo = qobject_cast<QComboBox *>(editor);
    if (!combo) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    const QString text = combo->currentText().trimmed();
    const QList<int> found = matches(combo, text);
    // Anything that is not one product goes to the cell as typed, where it
    // is refused with the product message.
    const QString id
        = found.size() == 1 ? combo->itemData(found.first(), Qt::UserRole).toString() : text;
    model->setData(index, id);
}

bool ProductDelegate::eventFilter(QObject *watched, QEvent *event)
{
    auto *combo = qobject_cast<QComboBox *>(watched);
    if (!combo || event->type() != QEvent::KeyPress || combo->view()->isVisible())
        return QStyledItemDelegate::eventFilter(watched, event);
    auto *view = qobject_cast<QTableView *>(combo->view());
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Down || key == Qt::Key_Up) {
        // The list, not a silent step to the neighbouring product.
        const QString typed = combo->currentText();
        for (int row = 0; view && row < combo->count(); ++row)
            view->setRowHidden(row, false);
        combo->showPopup();
        combo->setEditText(typed);
        return true;
    }
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return QStyledItemDelegate::eventFilter(watched, event);
    const QList<int> found = matches(combo, combo->currentText());
    if (found.size() > 1) {
        // Several names hold the text: offer just those.
        const QString typed = combo->currentText();
        for (int row = 0; view && row < combo->count(); ++row)
            view->setRowHidden(row, !found.contains(row));
        combo->setCurrentIndex(found.first());
        combo->showPopup();
        combo->setEditText(typed);
        return true;
    }
    emit commitData(combo);
    emit closeEditor(combo, QAbstractItemDelegate::SubmitModelCache);
    return true;
}

SaleDetailView::SaleDetailView(QWidget *parent) : QTableView(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
        | QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(false);
    horizontalHeader()->setStretchLastSection(false);
    verticalHeader()->setDefaultSectionSize(26);
}

void SaleDetailView::editNext(const QModelIndex &from)
{
    QAbstractItemModel *m = model();
    // A line without a product has no price or quantity to walk through:
    // Enter there means the goods are done, and leaves the grid.
    if (from.isValid()
        && m->index(from.row(), SaleLines::ProductID).data().toString().trimmed().isEmpty()) {
        focusNextChild();
        return;
    }
    int row = from.isValid() ? from.row() : 0;
    int column = from.isValid() ? from.column() : -1;
    while (true) {
        ++column;
        if (column >= SaleLines::CellCount) {
            column = 0;
            ++row;
        }
        if (row >= m->rowCount()) {
            focusNextChild();
            return;
        }
        if (SaleDetailModel::isEditableColumn(column))
            break;
    }
    const QModelIndex next = m->index(row, column);
    setCurrentIndex(next);
    edit(next);
}

void SaleDetailView::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    const QModelIndex current = currentIndex();
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    if (model() && model()->property("lastEditRefused").toBool()) {
        edit(current);
        return;
    }
    if (hint == QAbstractItemDelegate::SubmitModelCache
        || hint == QAbstractItemDelegate::EditNextItem)
        editNext(current);
}

void SaleDetailView::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && state() != EditingState) {
        const QModelIndex current = currentIndex();
        if (current.isValid() && (current.flags() & Qt::ItemIsEditable))
            edit(current);
        else
            editNext(current);
        return;
    }
    QTableView::keyPressEvent(event);
}

void SaleDetailView::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    if (!currentIndex().isValid() && model())
        setCurrentIndex(model()->index(0, 0));
}
