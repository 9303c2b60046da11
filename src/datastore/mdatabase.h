#pragma once

#include "datastore/connectiontarget.h"
#include "datastore/recordset.h"
#include "datastore/sqldialect.h"

#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <optional>

class QSqlError;
class QSqlQuery;

// The one shared connection of the process and the operations every window
// uses to talk to the database. Failures are reported to the person through
// the prompt service with fixed texts; callers get false, nothing or 0.
namespace mDatabase {

inline const QString ConnectionName = QStringLiteral("pelkor");

QSqlDatabase gConnection();
// Where lists and reports read, each result whole, keeping nothing open
// between statements: on SQLite a read-only connection of its own, on a
// server (or where that cannot be opened) the shared one.
QSqlDatabase ListConnection();
bool isConnected();
const ConnectionTarget &currentTarget();
const SqlDialect &dialect();

// A text value ready for a statement: between single quotes, with every
// quote inside doubled, in the current database's dialect. The one way text
// reaches SQL; a NUL character never does (drivers cut the statement there).
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

// Leads the person through setting up the connection when the stored
// settings are missing or do not work. The shell installs its setup dialog
// here, the way it installs the prompt handler; without one the connection
// simply stays closed.
using SetupHook = std::function<ConnectResult()>;
void setSetupHook(SetupHook hook);

// The database the workstation's settings name; nothing when none is set.
std::optional<ConnectionTarget> SavedTarget();

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
// A report's rows, read through ListConnection(); committed data only.
std::optional<Recordset> OpenReportRecordset(const QString &sql);

// Runs an INSERT and returns the key the database assigned to that row
// (0 after reporting a failure).
qint64 InsertAndGetID(const QString &insertStatement);
// The same without telling anyone: 0 and the driver's text in *error.
qint64 InsertRow(const QString &insertStatement, QString *error);
// The key of the row that `query`, an insert made through the dialect's
// insertReturningId(), has just added; 0 when the database gave none.
qint64 InsertedID(QSqlQuery &query);

bool IsUniqueValue(const QString &table, const QString &column, const QString &value, int kind);
int GetMinValue(const QString &table, const QString &column);
QString GetFieldByID(qint64 id, const QString &table, const QString &column);
int GetSumValue(const QString &table, const QString &whereClause, const QString &column);
// *ok is false when the query itself failed: the caller abandons its work.
QString GetSysValue(const QString &name, bool *ok = nullptr);
bool SetSysValue(const QString &name, const QString &value);
int GetCustomerIDByAccount(qint64 account);

// Begins a write transaction. On SQLite it takes the write lock at once
// (BEGIN IMMEDIATE), so a second workstation waits for the busy timeout
// instead of failing halfway through its save.
bool BeginTrans();
bool CommitTrans();
void RollbackTrans();
bool InTransaction();

// A connection that the server or the network dropped under the running
// program. The failure that finds it shows one message; the next operation
// outside a transaction opens the connection again on the same target.
bool ConnectionLost();
// True when the failure in error means the connection is gone (checked with
// a probe when the error alone does not say); reports it once.
bool NoteConnectionFailure(const QSqlError &error);
// Reopens a lost connection; true when the connection is usable.
bool EnsureConnected();
// True when the last CommitTrans failed because the connection dropped
// while committing: the changes may or may not be stored, and the person has
// been told so. Cleared by the next BeginTrans.
bool CommitOutcomeUnknown();

// The texts of those two messages, for callers that explain them further.
extern const QString ConnectionLostText;
extern const QString CommitUnknownText;

} // namespace mDatabase
