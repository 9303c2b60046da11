#pragma once

#include "connectiontarget.h"
#include "recordset.h"
#include "sqldialect.h"

#include <QSqlDatabase>
#include <QString>

#include <optional>

// The one shared connection of the process and the operations every window
// uses to talk to the database. Failures are reported to the person through
// the prompt service with fixed texts; callers get false, nothing or 0.
namespace mDatabase {

inline const QString ConnectionName = QStringLiteral("pelkor");
inline const QString RegistryRoot = QStringLiteral("Software\\Quillon\\Pelkor20\\4");
inline const QString HostSetting = QStringLiteral("DBSERVER_HOST");
inline const QString UserSetting = QStringLiteral("DBSERVER_USER");
inline const QString PasswordSetting = QStringLiteral("DBSERVER_PASSWORD");

QSqlDatabase gConnection();
bool isConnected();
const ConnectionTarget &currentTarget();
const SqlDialect &dialect();

// A text value ready for a statement: between single quotes, with every
// quote inside doubled. The one way text reaches SQL.
QString SqlStr(const QString &text);
// A LIKE pattern that finds text anywhere, quoted, with the % and _ the
// person typed matching only themselves: "'%a!%b%' ESCAPE '!'".
QString SqlLikeAnywhere(const QString &text);
// Trims blanks (spaces) at both ends, as every stored setting and password
// is compared.
QString TrimBlanks(const QString &text);

bool TestConnection(const QString &host, const QString &user, const QString &password);
bool TestConnection(const ConnectionTarget &target);

enum class ConnectResult { Connected, NotConnected, ExitRequested };

// Reads the workstation's settings and opens the shared connection, leading
// the person through the setup dialog when the settings are missing or wrong.
ConnectResult ConnectDatabase();

// Opens the shared connection on target and makes sure the tables exist.
// Reports nothing itself; *error gets the driver's text.
bool OpenConnection(const ConnectionTarget &target, QString *error = nullptr);
void CloseConnection();

// Creates the tables and the initial content in one transaction when the
// database holds none of them; fills in tables that a partial database lacks.
bool EnsureSchema(QString *error = nullptr);

bool ExecuteSQL(const QString &sql);
// Runs an UPDATE or DELETE and returns how many rows it changed; -1 after
// reporting a failure. For statements that repeat their condition (a row
// another workstation changed meanwhile no longer qualifies) the caller
// tells "nothing changed" from "failed".
int ExecuteAffected(const QString &sql);
std::optional<Recordset> OpenRecordset(const QString &sql);

// Runs an INSERT and returns the key the database assigned to that row
// (0 after reporting a failure).
qint64 InsertAndGetID(const QString &insertStatement);
// The same without telling anyone: 0 and the driver's text in *error.
qint64 InsertRow(const QString &insertStatement, QString *error);

bool IsUniqueValue(const QString &table, const QString &column, const QString &value, int kind);
int GetMinValue(const QString &table, const QString &column);
QString GetFieldByID(qint64 id, const QString &table, const QString &column);
int GetSumValue(const QString &table, const QString &whereClause, const QString &column);
// *ok is false when the query itself failed: the caller abandons its work.
QString GetSysValue(const QString &name, bool *ok = nullptr);
bool SetSysValue(const QString &name, const QString &value);
int GetCustomerIDByAccount(qint64 account);

bool BeginTrans();
bool CommitTrans();
void RollbackTrans();

} // namespace mDatabase
