#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QPixmap>
#include <QSet>
#include <QSqlError>
#include <QSqlRecord>

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

// What a list reads: its statement in the parts the list windows build, and
// the key that names one of its rows.
struct ListQuery {
    // "SELECT … FROM …", with the tables' joining condition when it has one.
    QString select;
    QString filter;
    QString group;
    QString sort;
    // The rows' key as the statement's tables name it ("Sale.ID"); it comes
    // out as the field ID. Empty: the rows are few (a report's sums) and are
    // read whole.
    QString keyField;

    QString fullText() const { return select + filter + group + sort; }
};

// The rows of a list. A long list is read as the keys of its rows in order,
// in one statement, and then a page of rows at a time as the grid comes to
// them, each page by its keys on a statement that ends at once. Nothing stays
// open on the server while the list sits on screen; only pages near the ones
// shown are kept, however far the operator scrolls; and the rows stay the
// ones, in the order, of the moment the keys were read, whatever other
// workstations save meanwhile (their values are as read with each page).
class ListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // Struck: a record out of use (a suspended customer).
    enum class RowStyle { Normal, Open, Closed, Struck };
    using RowStyler = std::function<RowStyle(const QSqlRecord &)>;

    // Rows per page, and pages kept.
    static constexpr int PageRows = 128;
    static constexpr int KeptPages = 48;

    explicit ListModel(QObject *parent = nullptr);

    void setColumns(const QList<ListColumn> &columns);
    const QList<ListColumn> &columns() const { return m_columns; }
    void setRowStyler(RowStyler styler);

    // Reads the first page; false with the driver's text when it failed
    // (the rows shown before stay).
    bool run(const ListQuery &query, QString *error, bool *connectionLost = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // A long list shows its first page at once; the keys of the rest are
    // read when the grid scrolls past it.
    bool canFetchMore(const QModelIndex &parent = {}) const override;
    void fetchMore(const QModelIndex &parent = {}) override;

    // What the rows were last read by, its sort made total by the key.
    const ListQuery &query() const { return m_query; }
    // The statement's fields.
    const QSqlRecord &record() const { return m_record; }
    // The row's value of any field of the statement, shown or not.
    QVariant value(int row, const QString &field) const;
    // The whole row as the statement returned it.
    QSqlRecord rowRecord(int row) const;
    // The row whose ID is id; the keys of a long list are read first when
    // fewer than minRows rows are known. -1 when it is not there.
    int rowOfId(qint64 id, int minRows);
    void fetchAll();
    // Rows held in memory now, for the benchmarks' account of memory.
    int heldRows() const;

    static QString displayText(const QVariant &value, ListColumn::Kind kind);

    // The header of column shows the sort arrow: up for ascending, down for
    // descending; -1 shows none.
    void setSortArrow(int column, bool ascending);
    int sortArrowColumn() const { return m_sortColumn; }
    static QPixmap sortArrow(bool ascending);

private:
    struct Page {
        QVector<QVector<QVariant>> rows;
        // Each row's style, worked out once: every cell of a row asks for it.
        mutable QVector<qint8> styles;
        quint64 used = 0;
    };

    bool readKeys();
    const Page *page(int index) const;
    bool loadPage(int index) const;
    void forgetFarPages() const;
    void reportReadFailure(const QString &error, bool lost) const;
    const QVector<QVariant> *row(int row) const;
    int fieldOf(int column) const;
    RowStyle rowStyle(int row) const;

    QList<ListColumn> m_columns;
    QVector<int> m_fields;
    RowStyler m_styler;
    ListQuery m_query;
    QSqlRecord m_record;
    int m_keyIndex = -1;
    int m_rowCount = 0;
    // The keys in the list's order, once read; empty while every row is held.
    QVector<qint64> m_keys;
    // The first page ended before the list did: the keys are still to read.
    bool m_keysPending = false;
    mutable QHash<int, Page> m_pages;
    mutable quint64 m_useClock = 0;
    // Pages whose read failed: not read again, or reported again, until the
    // next refresh.
    mutable QSet<int> m_failedPages;
    int m_sortColumn = -1;
    bool m_sortAscending = false;
};
