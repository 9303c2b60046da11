#pragma once

#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

class QSqlQuery;

// A result held wholly in memory: the rows of one query, fields found by
// name without regard to case, a current row and its position as bookmark.
// Changes go back to the database as UPDATE statements written by the
// caller, never through the recordset.
class Recordset {
public:
    Recordset() = default;
    Recordset(QStringList fieldNames, QVector<QVector<QVariant>> rows);

    // Reads every row the active query delivers.
    static Recordset fromQuery(QSqlQuery &query);

    int recordCount() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    QStringList fieldNames() const { return m_fields; }
    int fieldIndex(const QString &name) const;
    bool hasField(const QString &name) const { return fieldIndex(name) >= 0; }

    // Current row, as a cursor the callers step through.
    bool eof() const { return m_pos >= m_rows.size() || m_rows.isEmpty(); }
    bool bof() const { return m_pos < 0 || m_rows.isEmpty(); }
    void moveFirst() { m_pos = 0; }
    void moveLast() { m_pos = int(m_rows.size()) - 1; }
    void moveNext();
    void movePrevious();
    int bookmark() const { return m_pos; }
    void setBookmark(int position) { m_pos = position; }

    // Null when the field or the row does not exist.
    QVariant value(const QString &field) const { return value(m_pos, field); }
    QVariant value(int row, const QString &field) const;
    QVariant value(int row, int column) const;

    // Moves to the first row from the current one on that matches; false and
    // at eof when none does.
    bool find(const std::function<bool(const Recordset &)> &match);

    Recordset clone() const { return *this; }

private:
    QStringList m_fields;
    QVector<QVector<QVariant>> m_rows;
    int m_pos = 0;
};
