#include "saledetailmodel.h"

#include "prompt.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>

namespace {

const char *const Captions[] = {"产品编号", "名称", "规格", "单价", "数量", "金额"};

QString productLabel(const Recordset &products, int row)
{
    return QStringLiteral("%1  %2  %3  %4")
        .arg(products.value(row, QStringLiteral("ID")).toString(),
            products.value(row, QStringLiteral("Name")).toString(),
            products.value(row, QStringLiteral("Unit")).toString(),
            Currency::fromVariant(products.value(row, QStringLiteral("Price"))).toSqlText());
}

} // namespace

SaleDetailModel::SaleDetailModel(QObject *parent) : QAbstractTableModel(parent) { }

void SaleDetailModel::reload()
{
    beginResetModel();
    endResetModel();
}

int SaleDetailModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : SaleLines::RowCount;
}

int SaleDetailModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : SaleLines::CellCount;
}

bool SaleDetailModel::isEditableColumn(int column)
{
    return column == SaleLines::ProductID || column == SaleLines::Price
        || column == SaleLines::Amount;
}

QVariant SaleDetailModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int column = index.column();
    const QString text = m_lines.cell(index.row(), column);
    switch (role) {
    case Qt::DisplayRole:
        if (column == SaleLines::Money)
            return m_lines.isLine(index.row()) ? SaleRules::lineMoneyText(text) : QString();
        return text;
    case Qt::EditRole:
        return text;
    case Qt::TextAlignmentRole:
        if (column == SaleLines::Price || column == SaleLines::Money || column == SaleLines::Amount)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::BackgroundRole:
        if (!isEditableColumn(column))
            return QApplication::palette().toolTipBase();
        return {};
    case Qt::ForegroundRole:
        if (!isEditableColumn(column))
            return QApplication::palette().toolTipText();
        return {};
    default:
        return {};
    }
}

QVariant SaleDetailModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section >= 0 && section < SaleLines::CellCount)
        return QString::fromUtf8(Captions[section]);
    return {};
}

Qt::ItemFlags SaleDetailModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (!m_readOnly && isEditableColumn(index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

bool SaleDetailModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || m_readOnly)
        return false;
    const int row = index.row();
    const QString text = value.toString();
    m_lastRefused = false;
    if (text == m_lines.cell(row, index.column()))
        return true;
    switch (index.column()) {
    case SaleLines::ProductID:
        if (text.trimmed().isEmpty()) {
            m_lines.clearRow(row);
        } else if (!m_lines.fillProduct(row, text)) {
            m_lastRefused = true;
            Prompt::error(QStringLiteral("产品编号不存在或已被禁用，请重新输入!"),
                QStringLiteral("商品编号"));
            return false;
        }
        break;
    case SaleLines::Price:
        if (SaleRules::numericValue(text).isZero()) {
            m_lastRefused = true;
            Prompt::error(
                QStringLiteral("商品价格必须为数字，且不能为0！"), QStringLiteral("价格"));
            return false;
        }
        m_lines.setCell(row, SaleLines::Price, SaleRules::numericValue(text).toSqlText());
        break;
    case SaleLines::Amount:
        if (SaleRules::numericValue(text).isZero()) {
            m_lastRefused = true;
            Prompt::error(
                QStringLiteral("商品数量必须为数字，且不能为0！"), QStringLiteral("数量"));
            return false;
        }
        m_lines.setCell(row, SaleLines::Amount, SaleRules::numericValue(text).toSqlText());
        break;
    default:
        return false;
    }
    m_lines.recomputeMoney(row);
    emit dataChanged(this->index(row, 0), this->index(row, SaleLines::CellCount - 1));
    emit linesChanged();
    return true;
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
    for (int row = 0; row < m_products.recordCount(); ++row)
        combo->addItem(productLabel(m_products, row), m_products.value(row, QStringLiteral("ID")));
    combo->completer()->setFilterMode(Qt::MatchContains);
    combo->completer()->setCompletionMode(QCompleter::PopupCompletion);
    combo->view()->setMinimumWidth(320);
    combo->completer()->popup()->setMinimumWidth(320);
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
    const int found = id.isEmpty() ? -1 : combo->findData(id.toLongLong());
    combo->setCurrentIndex(found);
    combo->setEditText(id);
    combo->lineEdit()->selectAll();
}

void ProductDelegate::setModelData(
    QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    auto *combo = qobject_cast<QComboBox *>(editor);
    if (!combo) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    // A chosen entry gives its product number; so does a piece of a name
    // that only one product has. Anything else is taken as a number.
    const QString text = combo->currentText().trimmed();
    int item = combo->findText(text);
    if (item < 0 && !text.isEmpty()) {
        bool number = false;
        text.toLongLong(&number);
        if (!number) {
            for (int i = 0; i < combo->count(); ++i) {
                if (!combo->itemText(i).contains(text, Qt::CaseInsensitive))
                    continue;
                if (item >= 0) {
                    item = -1;
                    break;
                }
                item = i;
            }
        }
    }
    const QString id
        = item >= 0 ? combo->itemData(item).toString() : text.section(QLatin1Char(' '), 0, 0);
    model->setData(index, id);
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
    auto *detail = qobject_cast<SaleDetailModel *>(model());
    if (detail && detail->lastEditRefused()) {
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
