#pragma once

#include "sales/saledetailmodel.h"
#include "stock/storelines.h"

// The lines of a stock document as an editable table: the typed lines and
// one blank row below them, so the table grows as the operator types.
// Quantities may hold parts of a unit.
class StoreDetailModel : public LineGridModel {
    Q_OBJECT

public:
    explicit StoreDetailModel(QObject *parent = nullptr);

    const StoreLines &lines() const { return m_lines; }
    // Replaces every line (loading, emptying for the next document).
    void setLines(const StoreLines &lines);
    void setReadOnly(bool readOnly);

    int rowCount(const QModelIndex &parent = {}) const override;
    SaleTotals totals() const override { return StoreRules::sumLines(m_lines); }

protected:
    QString cellText(int row, int column) const override { return m_lines.cell(row, column); }
    bool rowIsLine(int row) const override { return m_lines.isLine(row); }
    QString moneyText(const QString &money) const override;
    Edit tryEdit(int row, int column, const QString &text) override;

private:
    // Takes next as the lines, with rows added or removed at the end.
    void takeLines(const StoreLines &next, int changedRow);

    StoreLines m_lines;
    // The rows the views know of: the lines, and the blank row below them
    // while the lines can be changed.
    int m_shownRows = 1;
};

// The sale lines' keyboard flow (Enter: product, price, quantity, next
// line) over a table that grows: Enter in the product cell of the blank row
// at the end leaves the grid.
class StoreDetailView : public SaleDetailView {
    Q_OBJECT

public:
    explicit StoreDetailView(QWidget *parent = nullptr);

    // Takes what the open cell editor holds, as leaving the cell would;
    // false when the cell refused it (the editor stays open).
    bool commitOpenEditor();

protected:
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
};
