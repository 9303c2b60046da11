#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// The few pieces of SQL that differ between the databases the program runs
// on. Every other statement keeps one fixed text for all of them.
class SqlDialect {
public:
    enum Kind { SQLite, PostgreSQL, SqlServer };

    explicit SqlDialect(Kind kind = SQLite) : m_kind(kind) { }

    Kind kind() const { return m_kind; }

    // Dates are stored as dates; ISO text is unambiguous for all three
    // (SQLite keeps it as text that sorts and compares correctly).
    QString dateLiteral(const QDate &date) const;
    QString dateTimeLiteral(const QDateTime &when) const;

    // A text value between single quotes with every quote inside doubled.
    // SQL Server needs the N prefix, or Chinese text sent to an NVARCHAR
    // column turns into "?" on a server with another collation. A NUL
    // character is dropped: the drivers would end the statement there.
    QString textLiteral(const QString &text) const;

    // A text search that finds 'A座' for 'a座', as operators expect and as
    // SQL Server and SQLite's LIKE already do (SQLite for Latin letters):
    // the condition with its LIKE made ILIKE on PostgreSQL.
    QString anyCaseLike(const QString &condition) const;

    // Groups rows by calendar month as "2026年12月", "2026年9 月".
    QString monthGroupExpression(const QString &column = QStringLiteral("CreateDate")) const;

    // The statement that inserts a row and hands back the key the database
    // gave to this very row. When returnsRow() is false the caller reads the
    // key from the driver (SQLite's last_insert_rowid on the same connection).
    QString insertReturningId(const QString &insertStatement) const;
    bool insertReturnsRow() const { return m_kind != SQLite; }

    // The same insert, skipped instead of failing when it would duplicate a
    // unique value, and without breaking the transaction it runs in (a
    // failed statement ends a PostgreSQL transaction). The caller reads the
    // row that holds the value afterwards.
    QString insertIgnoringDuplicate(const QString &insertStatement) const;

    // Column types for the schema.
    QString keyColumnType() const;
    QString textType(int size) const;
    QString moneyType() const;
    QString quantityType() const;
    QString flagType() const;
    QString dateType() const;
    QString dateTimeType() const;
    QString integerType() const;

private:
    Kind m_kind;
};
