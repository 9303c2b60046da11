#pragma once

#include "datastore/recordset.h"
#include "sales/linegridmodel.h"
#include "sales/salelines.h"

#include <QStyledItemDelegate>
#include <QTableView>

class QComboBox;

// The three product lines of the sale window as an editable table, whole
// quantities only.
class SaleDetailModel : public LineGridModel {
    Q_OBJECT

public:
    explicit SaleDetailModel(QObject *parent = nullptr);

    SaleLines &lines() { return m_lines; }
    const SaleLines &lines() const { return m_lines; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    // Called after the lines were changed from outside (loading, reset).
    void reload();

    int rowCount(const QModelIndex &parent = {}) const override;
    SaleTotals totals() const override { return SaleRules::sumLines(m_lines); }

protected:
    QString cellText(int row, int column) const override { return m_lines.cell(row, column); }
    bool rowIsLine(int row) const override { return m_lines.isLine(row); }
    QString moneyText(const QString &money) const override;
    Edit tryEdit(int row, int column, const QString &text) override;

private:
    SaleLines m_lines;
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
