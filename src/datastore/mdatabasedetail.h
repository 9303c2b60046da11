#pragma once

#include <QString>

class QSqlDatabase;
class QSqlError;
struct ConnectionTarget;

// What the parts of mDatabase share and nobody else uses.
namespace mDatabase::detail {

// Begins a transaction on db; SQLite takes its write lock at once, waiting
// up to the busy timeout for another writer to finish.
bool beginOn(QSqlDatabase &db, QSqlError *error);

// A trial connection to a server that opened: the next OpenConnection on
// the same target goes on with it instead of logging in again, which at a
// station across town costs half a second. Any other trial, or the one
// kept before, is closed.
void keepTrial(const QString &connectionName, const ConnectionTarget &target);

// The fixed texts of a failed statement.
inline const QString ReadErrorText = QStringLiteral("读取数据库时出现系统错误，错误信息：");
inline const QString UpdateErrorText = QStringLiteral("更新数据库时出现系统错误，错误信息：");
inline const QString SystemErrorTitle = QStringLiteral("系统错误");

} // namespace mDatabase::detail
