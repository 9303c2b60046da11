#pragma once

#include "sales/salelines.h"

#include <QAbstractTableModel>

#include <optional>

class QLineEdit;

// What the sale and the stock line grids share: the six columns of a line
// (product number, name, unit, price, quantity, money), which of them take
// input, how a typed cell is checked, and the sums under the grid. A cell is
// tried on a copy of the lines; a refused cell is reported and leaves the
// lines as they were. The grids differ in their quantity policy and in how
// their rows grow.
class LineGridModel : public QAbstractTableModel {
    Q_OBJECT
    // What the line view asks of any line model it shows.
    Q_PROPERTY(bool lastEditRefused READ lastEditRefused)

public:
    // Sales take whole quantities only; stock documents take parts of a
    // unit and round them when summed.
    enum class Quantities { Whole, Parts };

    bool isReadOnly() const { return m_readOnly; }
    // True when the last edit was refused; the view then edits the cell again.
    bool lastEditRefused() const { return m_lastRefused; }

    static bool isEditableColumn(int column);
    // A typed price or quantity as the line stores it, or nothing after the
    // refusal has been reported. Neither is ever negative: the direction of
    // a document is its type, never a sign.
    static std::optional<QString> checkedNumber(
        int column, const QString &text, Quantities quantities);

    // The sums of the lines, and the grid's SumArray: writes them into the
    // total fields. Nothing (fields unchanged) when the lines do not fit
    // their columns: a stored document beyond the range keeps the totals it
    // was loaded with rather than showing wrapped ones.
    virtual SaleTotals totals() const = 0;
    std::optional<SaleTotals> SumArray(QLineEdit *amount, QLineEdit *money) const;

    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    // A line was accepted: the totals are due again.
    void linesChanged();

protected:
    LineGridModel(Quantities quantities, QObject *parent);

    enum class Edit { Taken, UnknownProduct, OutOfRange };

    virtual QString cellText(int row, int column) const = 0;
    virtual bool rowIsLine(int row) const = 0;
    // The money cell as the grid shows it.
    virtual QString moneyText(const QString &money) const = 0;
    // Applies an accepted cell text to a copy of the lines (applyEdit) and
    // takes the copy when it holds.
    virtual Edit tryEdit(int row, int column, const QString &text) = 0;

    // The edit itself, on next: the product cell fills or empties its line,
    // a number cell takes its text; then money := price × quantity, and the
    // totals (sum(next)) must still fit their columns and the money words.
    template <class Lines, class Sum>
    static Edit applyEdit(Lines &next, int row, int column, const QString &text, Sum sum)
    {
        if (column == SaleLines::ProductID) {
            if (text.trimmed().isEmpty())
                next.clearRow(row);
            else if (!next.fillProduct(row, text))
                return Edit::UnknownProduct;
        } else {
            next.setCell(row, column, text);
        }
        next.recomputeMoney(row);
        if (!next.isLine(row))
            return Edit::Taken;
        const SaleTotals sums = sum(next);
        return sums.inRange && moneyInWords(sums.money) ? Edit::Taken : Edit::OutOfRange;
    }

    bool m_readOnly = false;

private:
    static bool moneyInWords(const Currency &money);

    Quantities m_quantities;
    bool m_lastRefused = false;
};
