#include "datastore/recordset.h"

#include <QSqlQuery>
#include <QSqlRecord>

Recordset::Recordset(QStringList fieldNames, QVector<QVector<QVariant>> rows)
    : m_fields(std::move(fieldNames)), m_rows(std::move(rows))
{
}

Recordset Recordset::fromQuery(QSqlQuery &query)
{
    const QSqlRecord record = query.record();
    QStringList fields;
    for (int i = 0; i < record.count(); ++i)
        fields << record.fieldName(i);
    QVector<QVector<QVariant>> rows;
    while (query.next()) {
        QVector<QVariant> row;
        row.reserve(fields.size());
        for (int i = 0; i < fields.size(); ++i)
            row << query.value(i);
        rows << row;
    }
    return Recordset(fields, rows);
}

int Recordset::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void Recordset::moveNext()
{
    if (m_pos < m_rows.size())
        ++m_pos;
}

void Recordset::movePrevious()
{
    if (m_pos >= 0)
        --m_pos;
}

QVariant Recordset::value(int row, const QString &field) const
{
    return value(row, fieldIndex(field));
}

QVariant Recordset::value(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_fields.size())
        return {};
    return m_rows[row][column];
}

bool Recordset::find(const std::function<bool(const Recordset &)> &match)
{
    if (m_pos < 0)
        m_pos = 0;
    for (; m_pos < m_rows.size(); ++m_pos) {
        if (match(*this))
            return true;
    }
    return false;
}
