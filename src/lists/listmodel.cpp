#include "lists/listmodel.h"

#include <QDateTime>

#include "datastore/currency.h"
#include "datastore/mdatabase.h"
#include "shell/datetext.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPolygon>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

ListModel::ListModel(QObject *parent) : QSqlQueryModel(parent) { }

void ListModel::setColumns(const QList<ListColumn> &columns)
{
    beginResetModel();
    m_columns = columns;
    m_fields.clear();
    endResetModel();
}

bool ListModel::run(const QString &sql, QString *error, bool *connectionLost)
{
    // A connection the server dropped is opened again first; a refresh is
    // often the operator's first action after a server restart.
    mDatabase::EnsureConnected();
    if (m_readsWhole) {
        QSqlDatabase reports = mDatabase::ReportConnection();
        if (reports.connectionName() != mDatabase::gConnection().connectionName()) {
            QSqlQuery whole(reports);
            if (whole.exec(sql))
                return take(std::move(whole));
            // Opened again next time; the rows come the usual way now.
            reports.close();
        }
    }
    QSqlQuery query(mDatabase::ListConnection());
    if (!query.exec(sql)) {
        // The rows shown so far stay; the caller reports the failure unless
        // it was a lost connection, which has been reported already.
        if (error)
            *error = query.lastError().text();
        const bool lost = mDatabase::NoteConnectionFailure(query.lastError());
        if (connectionLost)
            *connectionLost = lost;
        return false;
    }
    return take(std::move(query));
}

bool ListModel::take(QSqlQuery &&query)
{
    setQuery(std::move(query));
    m_fields.clear();
    m_styles.clear();
    const QSqlRecord rec = record();
    for (const ListColumn &c : m_columns)
        m_fields << rec.indexOf(c.field);
    return true;
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
        const QVariant v = QSqlQueryModel::data(createIndex(index.row(), field), Qt::DisplayRole);
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
            if (field >= 0
                && Currency::fromVariant(QSqlQueryModel::data(createIndex(index.row(), field)))
                    < Currency())
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
    if (row >= m_styles.size())
        m_styles.resize(row + 1, -1);
    if (m_styles[row] < 0)
        m_styles[row] = qint8(m_styler(rowRecord(row)));
    return RowStyle(m_styles[row]);
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
    QSqlRecord rec = record();
    for (int i = 0; i < rec.count(); ++i)
        rec.setValue(i, QSqlQueryModel::data(createIndex(row, i), Qt::EditRole));
    return rec;
}

QVariant ListModel::value(int row, const QString &field) const
{
    if (row < 0 || row >= rowCount())
        return {};
    const int i = record().indexOf(field);
    return i < 0 ? QVariant() : QSqlQueryModel::data(createIndex(row, i), Qt::EditRole);
}

int ListModel::rowOfId(qint64 id, int minRows)
{
    while (rowCount() < minRows && canFetchMore())
        fetchMore();
    const int idField = record().indexOf(QStringLiteral("ID"));
    if (idField < 0)
        return -1;
    for (int row = 0; row < rowCount(); ++row) {
        if (QSqlQueryModel::data(createIndex(row, idField)).toLongLong() == id)
            return row;
    }
    return -1;
}

void ListModel::fetchAll()
{
    while (canFetchMore())
        fetchMore();
}
