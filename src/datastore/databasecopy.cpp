#include "datastore/databasecopy.h"

#include "datastore/currency.h"
#include "datastore/drivererror.h"
#include "datastore/mdatabase.h"
#include "datastore/schema.h"

#include <QDate>
#include <QDateTime>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

namespace DatabaseCopy {
namespace {

using mDatabase::errorText;

bool isNumber(QMetaType type)
{
    switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

// A value read from one database as the other's column expects it: SQLite
// keeps dates as ISO text, which a PostgreSQL date column bound through
// ODBC does not take as text.
QVariant converted(const QVariant &value, QMetaType targetType)
{
    if (value.isNull())
        return QVariant(targetType);
    if (value.typeId() != QMetaType::QString)
        return value;
    const QString text = value.toString();
    if (targetType.id() == QMetaType::QDate) {
        const QDate day = QDate::fromString(text.left(10), Qt::ISODate);
        return day.isValid() ? QVariant(day) : value;
    }
    if (targetType.id() == QMetaType::QDateTime) {
        QDateTime at = QDateTime::fromString(text, Qt::ISODate);
        if (!at.isValid())
            at = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        return at.isValid() ? QVariant(at) : value;
    }
    return value;
}

class Copier {
public:
    Copier(QSqlDatabase source, bool cursorSource, QSqlDatabase target, SqlDialect dialect)
        : m_source(source), m_target(target), m_dialect(dialect), m_cursorSource(cursorSource)
    {
    }

    bool run(Outcome *outcome)
    {
        if (m_cursorSource && !beginSourceSnapshot())
            return false;
        const bool ok = copyAll();
        if (m_cursorSource)
            m_source.rollback();
        return ok && finish(outcome);
    }

    const QString &failure() const { return m_failure; }

private:
    // Every table is read, and counted afterwards, as of one moment, however
    // the stations go on working meanwhile.
    bool beginSourceSnapshot()
    {
        if (!m_source.transaction())
            return fail(QStringLiteral("无法在源数据库上开始事务：%1")
                            .arg(errorText(m_source.lastError())));
        QSqlQuery snapshot(m_source);
        if (snapshot.exec(
                QStringLiteral("set transaction isolation level repeatable read, read only")))
            return true;
        m_source.rollback();
        return fail(
            QStringLiteral("无法在源数据库上开始事务：%1").arg(errorText(snapshot.lastError())));
    }

    bool copyAll()
    {
        if (!m_target.transaction())
            return fail(QStringLiteral("无法在目标数据库上开始事务：%1")
                            .arg(errorText(m_target.lastError())));
        bool ok = createTables();
        for (const QString &table : Schema::tableNames()) {
            if (!ok)
                break;
            ok = copyTable(table);
        }
        ok = ok && continueCounters() && compare();
        if (!ok)
            m_target.rollback();
        return ok;
    }

    bool finish(Outcome *outcome)
    {
        if (!m_target.commit())
            return fail(
                QStringLiteral("提交到目标数据库时出错：%1").arg(errorText(m_target.lastError())));
        outcome->rows = m_rows;
        return true;
    }

    bool fail(const QString &text)
    {
        if (m_failure.isEmpty())
            m_failure = text;
        return false;
    }

    bool exec(QSqlQuery &query, const QString &what)
    {
        if (query.exec())
            return true;
        return fail(QStringLiteral("%1：%2").arg(what, errorText(query.lastError())));
    }

    bool createTables()
    {
        for (const QString &statement : Schema::createStatements(m_dialect)) {
            QSqlQuery query(m_target);
            if (!query.exec(statement))
                return fail(
                    QStringLiteral("无法在目标数据库上建表：%1").arg(errorText(query.lastError())));
        }
        return true;
    }

    static QString orderOf(const QSqlRecord &record)
    {
        return record.indexOf(QStringLiteral("ID")) >= 0 ? QStringLiteral(" order by ID")
                                                         : QString();
    }

    bool copyTable(const QString &table)
    {
        QSqlQuery shape(m_target);
        if (!shape.exec(QStringLiteral("select * from %1 where 1=0").arg(table)))
            return fail(QStringLiteral("读取目标表 %1 时出错：%2")
                            .arg(table, errorText(shape.lastError())));
        const QSqlRecord columns = shape.record();
        shape.finish();

        QStringList names, marks;
        for (int i = 0; i < columns.count(); ++i) {
            names << columns.fieldName(i);
            marks << QStringLiteral("?");
        }
        QSqlQuery insert(m_target);
        if (!insert.prepare(
                QStringLiteral("insert into %1(%2) values(%3)")
                    .arg(table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')))))
            return fail(
                QStringLiteral("无法准备写入表 %1：%2").arg(table, errorText(insert.lastError())));

        const QString select = QStringLiteral("select * from %1%2").arg(table, orderOf(columns));
        const auto copyRow = [&](const QSqlRecord &row) {
            for (int i = 0; i < columns.count(); ++i) {
                const int from = row.indexOf(columns.fieldName(i));
                const QVariant value = from < 0 ? QVariant() : row.value(from);
                insert.bindValue(i, converted(value, columns.field(i).metaType()));
            }
            if (!exec(insert, QStringLiteral("写入表 %1 时出错").arg(table)))
                return false;
            ++m_rows;
            return true;
        };
        const bool read
            = m_cursorSource ? readThroughCursor(select, copyRow) : readWhole(select, copyRow);
        return read || fail(QStringLiteral("读取表 %1 时出错：%2").arg(table, m_readError));
    }

    // SQLite steps through a result as it is read.
    template <typename RowFn> bool readWhole(const QString &select, RowFn copyRow)
    {
        QSqlQuery rows(m_source);
        rows.setForwardOnly(true);
        if (!rows.exec(select))
            return readFailed(rows);
        while (rows.next()) {
            if (!copyRow(rows.record()))
                return false;
        }
        return !rows.lastError().isValid() || readFailed(rows);
    }

    // A server sends a result whole: a table of a million orders comes a
    // block of rows at a time through a cursor, in the source's snapshot.
    template <typename RowFn> bool readThroughCursor(const QString &select, RowFn copyRow)
    {
        QSqlQuery cursor(m_source);
        if (!cursor.exec(QStringLiteral("declare pelkor_copy no scroll cursor for ") + select))
            return readFailed(cursor);
        for (;;) {
            QSqlQuery block(m_source);
            block.setForwardOnly(true);
            if (!block.exec(QStringLiteral("fetch forward 2000 from pelkor_copy")))
                return readFailed(block);
            int got = 0;
            while (block.next()) {
                ++got;
                if (!copyRow(block.record()))
                    return false;
            }
            if (block.lastError().isValid())
                return readFailed(block);
            if (got == 0)
                break;
        }
        return cursor.exec(QStringLiteral("close pelkor_copy")) || readFailed(cursor);
    }

    bool readFailed(const QSqlQuery &query)
    {
        m_readError = errorText(query.lastError());
        return false;
    }

    // New rows on the target go on after the copied IDs. SQLite moves its
    // counter by itself when a row is given a larger ID.
    bool continueCounters()
    {
        if (m_dialect.kind() != SqlDialect::PostgreSQL)
            return true;
        for (const QString &table : Schema::tableNames()) {
            QSqlQuery probe(m_target);
            if (!probe.exec(QStringLiteral("select * from %1 where 1=0").arg(table)))
                return fail(errorText(probe.lastError()));
            if (probe.record().indexOf(QStringLiteral("ID")) < 0)
                continue;
            probe.finish();
            QSqlQuery next(m_target);
            if (!next.exec(QStringLiteral("select setval(pg_get_serial_sequence('%1','id'),"
                                          " coalesce(max(ID),0)+1, false) from %1")
                               .arg(table.toLower())))
                return fail(QStringLiteral("无法设置表 %1 的编号：%2")
                                .arg(table, errorText(next.lastError())));
        }
        return true;
    }

    // Row counts and the sum of every number column, read on both sides
    // (the target inside the copy's own transaction).
    bool compare()
    {
        for (const QString &table : Schema::tableNames()) {
            QSqlQuery shape(m_target);
            if (!shape.exec(QStringLiteral("select * from %1 where 1=0").arg(table)))
                return fail(errorText(shape.lastError()));
            const QSqlRecord columns = shape.record();
            shape.finish();
            QStringList figures{QStringLiteral("count(*)")};
            for (int i = 0; i < columns.count(); ++i)
                if (isNumber(columns.field(i).metaType()))
                    figures << QStringLiteral("sum(%1)").arg(columns.fieldName(i));
            const QString sql
                = QStringLiteral("select %1 from %2").arg(figures.join(QLatin1Char(',')), table);
            const QStringList before = totals(m_source, sql);
            const QStringList after = totals(m_target, sql);
            if (before.isEmpty() || after.isEmpty())
                return fail(QStringLiteral("无法核对表 %1").arg(table));
            for (int i = 0; i < before.size(); ++i)
                if (before.at(i) != after.at(i))
                    return fail(QStringLiteral("核对失败：表 %1 的 %2 原为 %3，复制后为 %4")
                                    .arg(table, figures.at(i), before.at(i), after.at(i)));
        }
        return true;
    }

    static QStringList totals(QSqlDatabase db, const QString &sql)
    {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(sql) || !query.next())
            return {};
        QStringList values;
        for (int i = 0; i < query.record().count(); ++i)
            values << Currency::fromVariant(query.value(i)).toSqlText();
        return values;
    }

    QSqlDatabase m_source;
    QSqlDatabase m_target;
    SqlDialect m_dialect;
    const bool m_cursorSource;
    QString m_failure;
    QString m_readError;
    qint64 m_rows = 0;
};

} // namespace

Outcome copy(QSqlDatabase source, const ConnectionTarget &target)
{
    Outcome outcome;
    if (target.kind == SqlDialect::SqlServer) {
        outcome.message = QStringLiteral("只能复制到 SQLite 文件或 PostgreSQL 数据库。");
        return outcome;
    }
    const QString name
        = QStringLiteral("pelkor-copy-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(target.driverName(), name);
        db.setConnectOptions(target.connectOptions());
        db.setDatabaseName(
            target.kind == SqlDialect::SQLite ? target.host : target.odbcConnectionString());
        if (!db.open()) {
            outcome.message = QStringLiteral("无法连接目标数据库 %1：%2")
                                  .arg(target.describe(), errorText(db.lastError()));
        } else {
            QStringList present;
            const QStringList existing = db.tables();
            for (const QString &table : Schema::tableNames())
                if (existing.contains(table, Qt::CaseInsensitive))
                    present << table;
            if (!present.isEmpty()) {
                outcome.message = QStringLiteral("目标数据库 %1 不是空的（已有表 %2），"
                                                 "没有复制任何数据。请指定一个新建的空数据库。")
                                      .arg(target.describe(), present.join(QStringLiteral("、")));
            } else {
                // The source is the program's own shared connection, which
                // on PostgreSQL takes every result whole.
                const bool cursorSource = source.driverName() != QLatin1String("QSQLITE")
                    && mDatabase::dialect().kind() == SqlDialect::PostgreSQL;
                Copier copier(source, cursorSource, db, SqlDialect(target.kind));
                outcome.ok = copier.run(&outcome);
                if (outcome.ok)
                    outcome.message = QStringLiteral("已复制 %1 行到 %2，行数与合计核对无误。")
                                          .arg(outcome.rows)
                                          .arg(target.describe());
                else
                    outcome.message
                        = copier.failure() + QStringLiteral("\n目标数据库没有保留任何数据。");
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return outcome;
}

} // namespace DatabaseCopy
