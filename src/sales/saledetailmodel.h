#pragma once

#include "datastore/recordset.h"
#include "sales/salelines.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>

#include <optional>

class QComboBox;

// The three product lines of the sale window as an editable table. Typed
// cells are checked as they are accepted; a refused cell keeps its value.
class SaleDetailModel : public QAbstractTableModel {
    Q_OBJECT
    // What the line view asks of any line model it shows.
    Q_PROPERTY(bool lastEditRefused READ lastEditRefused)

public:
    explicit SaleDetailModel(QObject *parent = nullptr);

    SaleLines &lines() { return m_lines; }
    const SaleLines &lines() const { return m_lines; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    // Called after the lines were changed from outside (loading, reset).
    void reload();
    // True when the last edit was refused; the view then edits the cell again.
    bool lastEditRefused() const { return m_lastRefused; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    static bool isEditableColumn(int column);
    // A typed price or quantity as the line stores it, or nothing after the
    // refusal has been reported. Sales take whole quantities only; stock
    // documents take parts of a unit and round them when summed.
    enum class Quantities { Whole, Parts };
    static std::optional<QString> checkedNumber(
        int column, const QString &text, Quantities quantities);

signals:
    // A line was accepted: the totals are due again.
    void linesChanged();

private:
    bool refuse(const QString &message, const QString &title);
    // A number too large for its column: the number check's message.
    bool refuseNumber(const QString &text);

    SaleLines m_lines;
    bool m_readOnly = false;
    bool m_lastRefused = false;
};

// The product cell's editor: a drop-down of the active products (number,
// name, unit, price). Enter takes the product whose number was typed, else
// the one product whose name holds the text; when several do, it opens the
// list of just those. Down opens the whole list; a product picked there is
// taken at once, and the cell gets its number.
class ProductDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit ProductDelegate(QObject *parent = nullptr);
    void setProducts(const Recordset &products);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(
        QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Rows of the editor's list that the typed text names.
    static QList<int> matches(const QComboBox *combo, const QString &typed);

    Recordset m_products;
};

// Enter moves through the cells the operator fills: product, price,
// quantity, next line; after the last line the focus leaves the grid. A
// model whose property lastEditRefused is true gets the refused cell edited
// again.
class SaleDetailView : public QTableView {
    Q_OBJECT

public:
    explicit SaleDetailView(QWidget *parent = nullptr);

protected:
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    void editNext(const QModelIndex &from);
};
