#pragma once

#include "datastore/sqldialect.h"

#include <QStringList>

// The tables every workstation shares, and what a brand-new database holds.
namespace Schema {

// Kept in SysValue under VersionSettingName; raise it with every change of
// the tables and add the upgrade steps to upgradeStatements().
constexpr int Version = 4;
inline const QString VersionSettingName = QStringLiteral("SchemaVersion");

QStringList tableNames();

// CREATE TABLE and CREATE INDEX statements for the tables named, in
// dependency-free order; all tables when the list is empty.
QStringList createStatements(const SqlDialect &dialect, const QStringList &tables = {});

// What brings a database of an older version up to this one, in order.
// Reads the shared connection where a step depends on the data it holds
// (and tells the operator what it found).
QStringList upgradeStatements(int fromVersion);

// Head station ID 1 and its administrator with every right and an empty
// password, so the first login is possible; plus the schema version.
// Text values are written the dialect's way (Chinese names need SQL Server's N prefix).
QStringList initialContent(const SqlDialect &dialect = SqlDialect());

// The two rows without which nobody can log in, on their own: a database
// whose tables exist but hold no station or no operator gets them back.
QString headStationStatement(const SqlDialect &dialect = SqlDialect());
QString administratorStatement(qint64 stationId, const SqlDialect &dialect = SqlDialect());

inline const QString HeadStationName = QStringLiteral("总站");
inline const QString AdministratorName = QStringLiteral("系统管理员");
inline const QString AllRights = QStringLiteral("11111111");

// The size of a text column ("Customer", "Address" gives 200), so that an
// entry field takes no more than the column holds on every database; 0 for
// a column that is not text or does not exist. Names ignore case.
int textColumnSize(const QString &table, const QString &column);

} // namespace Schema
