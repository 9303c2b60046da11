#pragma once

#include <QString>

class QSqlDatabase;
class QSqlError;

// What the parts of mDatabase share and nobody else uses.
namespace mDatabase::detail {

// Begins a transaction on db; SQLite takes its write lock at once, waiting
// up to the busy timeout for another writer to finish.
bool beginOn(QSqlDatabase &db, QSqlError *error);

// The fixed texts of a failed statement.
inline const QString ReadErrorText = QStringLiteral("读取数据库时出现系统错误，错误信息：");
inline const QString UpdateErrorText = QStringLiteral("更新数据库时出现系统错误，错误信息：");
inline const QString SystemErrorTitle = QStringLiteral("系统错误");

} // namespace mDatabase::detail
