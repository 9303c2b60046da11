#include "lists/listmodel.h"

#include <QDateTime>

#include "datastore/currency.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "shell/datetext.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPolygon>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// Where the statement's own tables begin: the keys and the pages are read
// from the same tables and joins as the rows.
qsizetype fromClause(const QString &select)
{
    static const QRegularExpression from(
        QStringLiteral("\\bfrom\\b"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = from.match(select);
    return m.hasMatch() ? m.capturedStart() : -1;
}

bool joinsWithWhere(const QString &select)
{
    static const QRegularExpression where(
        QStringLiteral("\\bwhere\\b"), QRegularExpression::CaseInsensitiveOption);
    return where.match(select).hasMatch();
}

// The keys of a long list, written out "3,2,1": one value instead of a
// row each, which the server sends in one piece.
QVector<qint64> parseKeys(QStringView text)
{
    QVector<qint64> keys;
    keys.reserve(text.size() / 7 + 1);
    for (QStringView part : text.tokenize(u',', Qt::SkipEmptyParts))
        keys << part.toLongLong();
    return keys;
}

// The keys in the list's order. PostgreSQL sends them packed in one value,
// one piece instead of a row each.
QString keysStatement(const ListQuery &q)
{
    const QString tables = q.select.mid(fromClause(q.select));
    if (mDatabase::dialect().kind() == SqlDialect::PostgreSQL) {
        return QStringLiteral("SELECT string_agg(CAST(%1 AS varchar), ','%2) %3%4")
            .arg(q.keyField, q.sort, tables, q.filter + q.group);
    }
    return QStringLiteral("SELECT %1 %2").arg(q.keyField, tables) + q.filter + q.group + q.sort;
}

bool fetchKeys(const ListQuery &q, QVector<qint64> *keys, QSqlError *failure)
{
    QSqlQuery query(mDatabase::ListConnection());
    query.setForwardOnly(true);
    if (!query.exec(keysStatement(q))) {
        *failure = query.lastError();
        return false;
    }
    if (mDatabase::dialect().kind() == SqlDialect::PostgreSQL) {
        if (query.next())
            *keys = parseKeys(query.value(0).toString());
    } else {
        while (query.next())
            *keys << query.value(0).toLongLong();
    }
    return true;
}

// The rows of some keys, from the list's own tables and joins (its filter
// chose the keys already). No keys: no rows, but the fields.
QString pageStatement(const ListQuery &q, const QVector<qint64> &keys)
{
    QStringList list;
    list.reserve(keys.size());
    for (qint64 key : keys)
        list << QString::number(key);
    if (list.isEmpty())
        list << QStringLiteral("NULL");
    return q.select
        + (joinsWithWhere(q.select) ? QStringLiteral(" and ") : QStringLiteral(" WHERE "))
        + q.keyField + QStringLiteral(" in (") + list.join(QLatin1Char(',')) + u')';
}

// The list's sort made total: a sort by one column gets the key after it,
// so that rows of equal value keep one order, read after read and page
// after page. byKey: the order is the key's own, which the database reads
// from the key's index a page at a time; any other costs it a sort of every
// row, however few are asked for.
struct Order {
    QString sort;
    bool byKey = false;
};

Order totalOrder(const ListQuery &q)
{
    static const QRegularExpression oneColumn(
        QStringLiteral("^\\s*ORDER BY\\s+(\\S+)(\\s+(Asc|Desc))?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = oneColumn.match(q.sort);
    if (q.keyField.isEmpty() || !m.hasMatch())
        return {q.sort};
    if (m.captured(1).compare(q.keyField, Qt::CaseInsensitive) == 0)
        return {q.sort, true};
    return {q.sort
        + QStringLiteral(",%1 %2").arg(
            q.keyField, m.captured(3).isEmpty() ? QStringLiteral("Asc") : m.captured(3))};
}

QVector<QVariant> rowValues(const QSqlQuery &q, int fields)
{
    QVector<QVariant> values(fields);
    for (int i = 0; i < fields; ++i)
        values[i] = q.value(i);
    return values;
}

// The rows of keys in the keys' order.
bool readPage(const ListQuery &query, const QVector<qint64> &keys, QVector<QVector<QVariant>> *rows,
    QSqlRecord *record, QSqlError *failure)
{
    QSqlQuery q(mDatabase::ListConnection());
    q.setForwardOnly(true);
    if (!q.exec(pageStatement(query, keys))) {
        *failure = q.lastError();
        return false;
    }
    *record = q.record();
    const int keyIndex = record->indexOf(QStringLiteral("ID"));
    // A key names several rows where a join repeats it (a number that two
    // customers share); each place of the key takes the next of them.
    const int fields = record->count();
    QHash<qint64, QList<QVector<QVariant>>> byKey;
    while (q.next()) {
        const QVector<QVariant> values = rowValues(q, fields);
        byKey[values.value(keyIndex).toLongLong()] << values;
    }
    rows->reserve(keys.size());
    for (qint64 key : keys) {
        QList<QVector<QVariant>> &found = byKey[key];
        if (found.isEmpty()) {
            // Deleted since the keys were read: the row keeps its place and
            // its number until the next refresh.
            QVector<QVariant> gone(fields);
            if (keyIndex >= 0)
                gone[keyIndex] = key;
            *rows << gone;
        } else {
            *rows << (found.size() > 1 ? found.takeFirst() : found.first());
        }
    }
    return true;
}

} // namespace

ListModel::ListModel(QObject *parent) : QAbstractTableModel(parent) { }

void ListModel::setColumns(const QList<ListColumn> &columns)
{
    beginResetModel();
    m_columns = columns;
    m_fields.clear();
    for (const ListColumn &c : m_columns)
        m_fields << m_record.indexOf(c.field);
    endResetModel();
}

void ListModel::setRowStyler(RowStyler styler)
{
    m_styler = std::move(styler);
    for (Page &p : m_pages)
        p.styles.clear();
}

bool ListModel::run(const ListQuery &given, QString *error, bool *connectionLost)
{
    // A connection the server dropped is opened again first; a refresh is
    // often the operator's first action after a server restart.
    mDatabase::EnsureConnected();
    const bool paged = !given.keyField.isEmpty() && fromClause(given.select) >= 0;
    QVector<QVector<QVariant>> rows;
    QVector<qint64> keys;
    QSqlRecord record;
    QSqlError failure;
    bool read = true;
    const Order order = totalOrder(given);
    ListQuery query = given;
    query.sort = order.sort;
    if (paged && !order.byKey) {
        // The server sorts every row for this order: once, for the keys,
        // and the first page follows by its keys.
        read = fetchKeys(query, &keys, &failure)
            && readPage(query, keys.mid(0, PageRows), &rows, &record, &failure);
    } else {
        QString sql = query.fullText();
        // One row past the first page says whether the list goes on.
        if (paged && mDatabase::dialect().kind() != SqlDialect::SqlServer)
            sql += QStringLiteral(" LIMIT %1").arg(PageRows + 1);
        QSqlQuery q(mDatabase::ListConnection());
        q.setForwardOnly(true);
        read = q.exec(sql);
        if (!read)
            failure = q.lastError();
        record = q.record();
        const int fields = record.count();
        while (read && q.next() && (!paged || rows.size() <= PageRows))
            rows << rowValues(q, fields);
    }
    if (!read) {
        if (error)
            *error = failure.text();
        const bool lost = mDatabase::NoteConnectionFailure(failure);
        if (connectionLost)
            *connectionLost = lost;
        return false;
    }

    beginResetModel();
    m_query = query;
    m_record = record;
    m_keyIndex = record.indexOf(QStringLiteral("ID"));
    m_fields.clear();
    for (const ListColumn &c : m_columns)
        m_fields << m_record.indexOf(c.field);
    m_pages.clear();
    m_failedPages.clear();
    m_keys = std::move(keys);
    m_keysPending = m_keys.isEmpty() && paged && rows.size() > PageRows;
    if (m_keysPending)
        rows.resize(PageRows);
    m_rowCount = m_keys.isEmpty() ? int(rows.size()) : int(m_keys.size());
    for (int first = 0; first < rows.size(); first += PageRows) {
        Page p;
        p.rows = rows.mid(first, PageRows);
        m_pages.insert(first / PageRows, std::move(p));
    }
    endResetModel();
    return true;
}

bool ListModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_keysPending;
}

void ListModel::fetchMore(const QModelIndex &parent)
{
    if (!parent.isValid() && m_keysPending)
        readKeys();
}

bool ListModel::readKeys()
{
    QVector<qint64> keys;
    QSqlError failure;
    if (!fetchKeys(m_query, &keys, &failure)) {
        m_keysPending = false;
        reportReadFailure(failure.text(), mDatabase::NoteConnectionFailure(failure));
        return false;
    }
    m_keysPending = false;

    // The first page was read a moment before the keys: it stays only when
    // it is still the keys' first page, and is read again otherwise, so
    // that every row belongs to the same moment.
    bool firstStillCurrent = m_pages.contains(0) && keys.size() >= PageRows;
    if (firstStillCurrent) {
        const Page &first = m_pages[0];
        for (int i = 0; i < first.rows.size() && firstStillCurrent; ++i)
            firstStillCurrent = first.rows[i].value(m_keyIndex).toLongLong() == keys[i];
    }
    if (!firstStillCurrent) {
        m_pages.clear();
        if (m_rowCount > 0)
            emit dataChanged(index(0, 0), index(m_rowCount - 1, columnCount() - 1));
    }
    m_keys = std::move(keys);
    const int count = int(m_keys.size());
    if (count > m_rowCount) {
        beginInsertRows({}, m_rowCount, count - 1);
        m_rowCount = count;
        endInsertRows();
    } else if (count < m_rowCount) {
        beginRemoveRows({}, count, m_rowCount - 1);
        m_rowCount = count;
        endRemoveRows();
    }
    return true;
}

bool ListModel::loadPage(int index) const
{
    if (m_keys.isEmpty() || m_failedPages.contains(index))
        return false;
    const QVector<qint64> keys = m_keys.mid(qsizetype(index) * PageRows, PageRows);
    if (keys.isEmpty())
        return false;
    Page p;
    QSqlRecord record;
    QSqlError failure;
    if (!readPage(m_query, keys, &p.rows, &record, &failure)) {
        m_failedPages.insert(index);
        // Reported once the grid has finished painting: a message box in
        // the middle of a paint would paint the grid again inside it.
        QMetaObject::invokeMethod(
            const_cast<ListModel *>(this),
            [this, failure] {
                reportReadFailure(failure.text(), mDatabase::NoteConnectionFailure(failure));
            },
            Qt::QueuedConnection);
        return false;
    }
    forgetFarPages();
    p.used = ++m_useClock;
    m_pages.insert(index, std::move(p));
    return true;
}

void ListModel::forgetFarPages() const
{
    if (m_keys.isEmpty() || m_pages.size() < KeptPages)
        return;
    auto oldest = m_pages.begin();
    for (auto it = m_pages.begin(); it != m_pages.end(); ++it) {
        if (it.value().used < oldest.value().used)
            oldest = it;
    }
    m_pages.erase(oldest);
}

void ListModel::reportReadFailure(const QString &error, bool lost) const
{
    // A lost connection has been reported already; the rows shown so far stay.
    if (!lost)
        Prompt::error(QStringLiteral("读取数据库时出现系统错误，错误信息：%1").arg(error),
            QStringLiteral("系统错误"));
}

const ListModel::Page *ListModel::page(int index) const
{
    auto it = m_pages.find(index);
    if (it == m_pages.end()) {
        if (!loadPage(index))
            return nullptr;
        it = m_pages.find(index);
    }
    it->used = ++m_useClock;
    return &it.value();
}

const QVector<QVariant> *ListModel::row(int row) const
{
    if (row < 0 || row >= m_rowCount)
        return nullptr;
    const Page *p = page(row / PageRows);
    const int at = row % PageRows;
    return p && at < p->rows.size() ? &p->rows[at] : nullptr;
}

int ListModel::heldRows() const
{
    int held = 0;
    for (const Page &p : m_pages)
        held += int(p.rows.size());
    return held;
}

int ListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int ListModel::fieldOf(int column) const
{
    return column >= 0 && column < m_fields.size() ? m_fields[column] : -1;
}

int ListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QString ListModel::displayText(const QVariant &value, ListColumn::Kind kind)
{
    if (value.isNull())
        return {};
    switch (kind) {
    case ListColumn::Money:
        return Currency::fromVariant(value).toGrouped();
    case ListColumn::Number:
        return Currency::fromVariant(value).toSqlText();
    case ListColumn::Date: {
        const QDate date = DateText::fromValue(value);
        return date.isValid() ? DateText::shortDate(date) : value.toString();
    }
    case ListColumn::DateTime: {
        // A timestamp from a driver, or ISO text from SQLite.
        QDateTime when = value.toDateTime();
        if (!when.isValid())
            when = QDateTime::fromString(value.toString(), Qt::ISODate);
        return when.isValid() ? when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                              : value.toString();
    }
    case ListColumn::Text:
        break;
    }
    return value.toString();
}

QVariant ListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.column() >= m_columns.size())
        return {};
    const ListColumn &column = m_columns[index.column()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        const int field = fieldOf(index.column());
        if (field < 0)
            return {};
        const QVector<QVariant> *values = row(index.row());
        const QVariant v = values ? values->value(field) : QVariant();
        if (role == Qt::EditRole)
            return v;
        return column.format ? column.format(v) : displayText(v, column.kind);
    }
    case Qt::TextAlignmentRole: {
        if (column.alignment)
            return QVariant(column.alignment | Qt::AlignVCenter);
        const bool number = column.kind == ListColumn::Number || column.kind == ListColumn::Money;
        return QVariant((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    case Qt::ForegroundRole:
    case Qt::BackgroundRole:
    case Qt::FontRole: {
        if (role == Qt::ForegroundRole && column.redWhenNegative) {
            const int field = fieldOf(index.column());
            const QVector<QVariant> *values = row(index.row());
            if (field >= 0 && values && Currency::fromVariant(values->value(field)) < Currency())
                return QBrush(QColor(255, 0, 0));
        }
        if (!m_styler)
            return {};
        const RowStyle style = rowStyle(index.row());
        if (role == Qt::ForegroundRole && style == RowStyle::Open)
            return QBrush(QColor(0, 0, 255));
        if (role == Qt::BackgroundRole && style == RowStyle::Closed)
            return QBrush(QColor(224, 224, 224));
        if (role == Qt::BackgroundRole && style == RowStyle::Struck)
            return QGuiApplication::palette().brush(QPalette::ToolTipBase);
        if (role == Qt::FontRole && style == RowStyle::Struck) {
            QFont font;
            font.setStrikeOut(true);
            return font;
        }
        return {};
    }
    default:
        return {};
    }
}

ListModel::RowStyle ListModel::rowStyle(int row) const
{
    const Page *p = page(row / PageRows);
    const int at = row % PageRows;
    if (!p || at >= p->rows.size())
        return RowStyle::Normal;
    if (p->styles.size() != p->rows.size())
        p->styles.fill(-1, p->rows.size());
    if (p->styles[at] < 0)
        p->styles[at] = qint8(m_styler(rowRecord(row)));
    return RowStyle(p->styles[at]);
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0
        && section < m_columns.size())
        return m_columns[section].caption;
    if (orientation == Qt::Horizontal && role == Qt::DecorationRole && section == m_sortColumn)
        return sortArrow(m_sortAscending);
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section + 1;
    return {};
}

void ListModel::setSortArrow(int column, bool ascending)
{
    const int old = m_sortColumn;
    m_sortColumn = column;
    m_sortAscending = ascending;
    if (old >= 0 && old != column)
        emit headerDataChanged(Qt::Horizontal, old, old);
    if (column >= 0)
        emit headerDataChanged(Qt::Horizontal, column, column);
}

QPixmap ListModel::sortArrow(bool ascending)
{
    QPixmap arrow(10, 10);
    arrow.fill(Qt::transparent);
    QPainter painter(&arrow);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(64, 64, 64));
    const QPolygon up({QPoint(5, 1), QPoint(9, 8), QPoint(1, 8)});
    const QPolygon down({QPoint(1, 2), QPoint(9, 2), QPoint(5, 9)});
    painter.drawPolygon(ascending ? up : down);
    return arrow;
}

QSqlRecord ListModel::rowRecord(int row) const
{
    QSqlRecord rec = m_record;
    if (const QVector<QVariant> *values = this->row(row)) {
        for (int i = 0; i < rec.count(); ++i)
            rec.setValue(i, values->value(i));
    }
    return rec;
}

QVariant ListModel::value(int row, const QString &field) const
{
    const int i = m_record.indexOf(field);
    const QVector<QVariant> *values = i < 0 ? nullptr : this->row(row);
    return values ? values->value(i) : QVariant();
}

int ListModel::rowOfId(qint64 id, int minRows)
{
    if (!m_keys.isEmpty())
        return int(m_keys.indexOf(id));
    if (m_keyIndex < 0)
        return -1;
    for (int r = 0; r < m_rowCount; ++r) {
        const QVector<QVariant> *values = row(r);
        if (values && values->value(m_keyIndex).toLongLong() == id)
            return r;
    }
    // Not on the first page: the keys of the rest are read to find it.
    if (m_keysPending && m_rowCount < minRows && readKeys())
        return int(m_keys.indexOf(id));
    return -1;
}

void ListModel::fetchAll()
{
    while (canFetchMore())
        fetchMore();
}
