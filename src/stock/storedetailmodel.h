#pragma once

#include "sales/saledetailmodel.h"
#include "stock/storelines.h"

#include <QAbstractTableModel>

// The lines of a stock document as an editable table: the typed lines and
// one blank row below them, so the table grows as the operator types. Cells
// are checked as they are accepted; a refused cell keeps its value.
class StoreDetailModel : public QAbstractTableModel {
    Q_OBJECT
    // Asked by the line view: a refused cell is edited again.
    Q_PROPERTY(bool lastEditRefused READ lastEditRefused)

public:
    explicit StoreDetailModel(QObject *parent = nullptr);

    const StoreLines &lines() const { return m_lines; }
    // Replaces every line (loading, emptying for the next document).
    void setLines(const StoreLines &lines);
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    bool lastEditRefused() const { return m_lastRefused; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    // A line was accepted: the totals are due again.
    void linesChanged();

private:
    bool refuse(const QString &message, const QString &title);
    bool refuseNumber(const QString &text);
    // Takes next as the lines, with rows added or removed at the end.
    void takeLines(const StoreLines &next, int changedRow);

    StoreLines m_lines;
    // The rows the views know of: the lines, and the blank row below them
    // while the lines can be changed.
    int m_shownRows = 1;
    bool m_readOnly = false;
    bool m_lastRefused = false;
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
