#include "datastore/mdatabase.h"

#include "datastore/drivererror.h"
#include "datastore/mdatabasedetail.h"
#include "datastore/schema.h"

#include <QSqlError>
#include <QSqlQuery>

// A database without tables gets them and its initial content in one transaction; one of an
// older version is brought up to this one; one nobody can log in to gets its head station and
// administrator back.
namespace mDatabase {
namespace {

bool hasRows(const QSqlDatabase &db, const QString &table)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    return query.exec(QStringLiteral("select count(*) from %1").arg(table)) && query.next()
        && query.value(0).toLongLong() > 0;
}

} // namespace

bool EnsureSchema(QString *error)
{
    QSqlDatabase db = gConnection();
    const QStringList existing = db.tables();
    QStringList missing;
    for (const QString &table : Schema::tableNames()) {
        if (!existing.contains(table, Qt::CaseInsensitive))
            missing << table;
    }
    const bool fresh = missing.size() == Schema::tableNames().size();
    QStringList statements;
    if (!missing.isEmpty())
        statements = Schema::createStatements(dialect(), missing);
    if (fresh)
        statements << Schema::initialContent(dialect());
    // Whether anybody can log in (checked again below inside the transaction;
    // this only saves the transaction when there is nothing to do) and the
    // stored version, in one statement: a station across town pays a round
    // trip for each.
    bool needsLoginRows = !fresh && !missing.isEmpty();
    int stored = Schema::Version;
    if (missing.isEmpty()) {
        QSqlQuery state(db);
        state.setForwardOnly(true);
        if (state.exec(QStringLiteral("select (select count(*) from Station),"
                                      "(select count(*) from SysUser),"
                                      "(select myValue from SysValue where Name=%1)")
                           .arg(SqlStr(Schema::VersionSettingName)))
            && state.next()) {
            needsLoginRows = state.value(0).toLongLong() == 0 || state.value(1).toLongLong() == 0;
            if (!state.value(2).isNull())
                stored = state.value(2).toInt();
        } else {
            needsLoginRows = true;
        }
        state.finish();
    } else if (!fresh) {
        // A database of an older version is brought up to this one.
        QSqlQuery version(db);
        if (version.exec(QStringLiteral("select myValue from SysValue where Name=")
                + SqlStr(Schema::VersionSettingName))
            && version.next())
            stored = version.value(0).toInt();
        version.finish();
    }
    if (!fresh && stored < Schema::Version) {
        statements << Schema::upgradeStatements(stored);
        statements << QStringLiteral("update SysValue set myValue='%1' where Name=%2")
                          .arg(
                              QString::number(Schema::Version), SqlStr(Schema::VersionSettingName));
    }
    if (statements.isEmpty() && !needsLoginRows)
        return true;

    QSqlError beginError;
    if (!detail::beginOn(db, &beginError)) {
        if (error)
            *error = errorText(beginError);
        return false;
    }
    const auto runAll = [&](const QStringList &list) {
        for (const QString &sql : list) {
            QSqlQuery query(db);
            if (!query.exec(sql)) {
                if (error)
                    *error = errorText(query.lastError()) + QStringLiteral("\n") + sql;
                db.rollback();
                return false;
            }
        }
        return true;
    };
    if (!runAll(statements))
        return false;
    if (needsLoginRows) {
        // Somebody must always be able to log in: a station and an operator
        // with every right, as a new database starts with.
        if (!hasRows(db, QStringLiteral("Station"))
            && !runAll({Schema::headStationStatement(dialect())}))
            return false;
        if (!hasRows(db, QStringLiteral("SysUser"))) {
            QSqlQuery head(db);
            if (!head.exec(QStringLiteral("select min(ID) from Station")) || !head.next()) {
                if (error)
                    *error = errorText(head.lastError());
                db.rollback();
                return false;
            }
            const qint64 headId = head.value(0).toLongLong();
            head.finish();
            if (!runAll({Schema::administratorStatement(headId, dialect())}))
                return false;
        }
    }
    if (!db.commit()) {
        if (error)
            *error = errorText(db.lastError());
        db.rollback();
        return false;
    }
    return true;
}

} // namespace mDatabase
