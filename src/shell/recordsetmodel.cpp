#include "shell/recordsetmodel.h"

#include "datastore/currency.h"

#include <QDate>

RecordsetModel::RecordsetModel(QObject *parent) : QAbstractTableModel(parent) { }

void RecordsetModel::setColumns(const QList<Column> &columns)
{
    beginResetModel();
    m_columns = columns;
    m_fieldIndex.clear();
    for (const Column &c : m_columns)
        m_fieldIndex << m_rs.fieldIndex(c.field);
    endResetModel();
}

void RecordsetModel::setRecordset(const Recordset &rs)
{
    beginResetModel();
    m_rs = rs;
    m_fieldIndex.clear();
    for (const Column &c : m_columns)
        m_fieldIndex << m_rs.fieldIndex(c.field);
    endResetModel();
}

int RecordsetModel::fieldOf(int column) const
{
    if (m_columns.isEmpty())
        return column;
    return column >= 0 && column < m_fieldIndex.size() ? m_fieldIndex[column] : -1;
}

int RecordsetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rs.recordCount();
}

int RecordsetModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_columns.isEmpty() ? int(m_rs.fieldNames().size()) : int(m_columns.size());
}

QVariant RecordsetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const bool money = !m_columns.isEmpty() && m_columns.value(index.column()).money;
    if (role == Qt::TextAlignmentRole && money)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const QVariant value = m_rs.value(index.row(), fieldOf(index.column()));
    if (role == Qt::DisplayRole && money && !value.isNull())
        return Currency::fromVariant(value).toGrouped();
    if (role == Qt::DisplayRole && value.typeId() == QMetaType::QDate)
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    return value;
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal) {
        if (!m_columns.isEmpty())
            return m_columns.value(section).caption;
        return m_rs.fieldNames().value(section);
    }
    return section + 1;
}
