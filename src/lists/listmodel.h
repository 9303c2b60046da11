#pragma once

#include <QPixmap>
#include <QSqlQueryModel>

#include <functional>

// How a list shows one column of its rows.
struct ListColumn {
    enum Kind { Text, Number, Money, Date, DateTime };

    QString caption;
    QString field;
    int widthTwips = 1000;
    Qt::Alignment alignment = {}; // empty: numbers right, text left
    Kind kind = Text;
    // Drawn in red while the value is below zero.
    bool redWhenNegative = false;
    // The shown text of a stored value, where the kind's form does not fit
    // (a flag shown as a word, say); empty: the kind's form.
    std::function<QString(const QVariant &)> format = {};
};

// The rows of a list, fetched from the database as the grid scrolls to
// them, so the first screen of a large result shows at once.
class ListModel : public QSqlQueryModel {
    Q_OBJECT

public:
    // Struck: a record out of use (a suspended customer).
    enum class RowStyle { Normal, Open, Closed, Struck };
    using RowStyler = std::function<RowStyle(const QSqlRecord &)>;

    explicit ListModel(QObject *parent = nullptr);

    void setColumns(const QList<ListColumn> &columns);
    const QList<ListColumn> &columns() const { return m_columns; }
    void setRowStyler(RowStyler styler)
    {
        m_styler = std::move(styler);
        m_styles.clear();
    }

    // Runs the statement; false with the driver's text when it failed.
    bool run(const QString &sql, QString *error, bool *connectionLost = nullptr);
    // A report's few summed rows: read whole through the report connection
    // rather than in blocks as a long list is.
    void setReadsWhole(bool whole) { m_readsWhole = whole; }

    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The row's value of any field of the statement, shown or not.
    QVariant value(int row, const QString &field) const;
    // The whole row as the statement returned it. (QSqlQueryModel::record
    // reads through data(), which here speaks of shown columns.)
    QSqlRecord rowRecord(int row) const;
    // The row whose ID is id among the rows fetched so far, fetching on up to
    // at least minRows rows; -1 when it is not there.
    int rowOfId(qint64 id, int minRows);
    void fetchAll();

    static QString displayText(const QVariant &value, ListColumn::Kind kind);

    // The header of column shows the sort arrow: up for ascending, down for
    // descending; -1 shows none.
    void setSortArrow(int column, bool ascending);
    int sortArrowColumn() const { return m_sortColumn; }
    static QPixmap sortArrow(bool ascending);

private:
    bool take(QSqlQuery &&query);
    int fieldOf(int column) const;
    RowStyle rowStyle(int row) const;

    QList<ListColumn> m_columns;
    QVector<int> m_fields;
    RowStyler m_styler;
    // Each row's style, worked out once: every cell of a row asks for it.
    mutable QVector<qint8> m_styles;
    int m_sortColumn = -1;
    bool m_readsWhole = false;
    bool m_sortAscending = false;
};
