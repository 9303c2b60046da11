#pragma once

#include <QString>

// Copies of the embedded (SQLite) database: taken while the program runs
// and saves, checked before use, and put back in place of the database.
namespace SqliteBackup {

// A consistent copy of databaseFile as it stood at one moment, even while
// another process writes to it. The copy appears under backupFile only
// when it is complete; an existing file is never overwritten.
bool backup(const QString &databaseFile, const QString &backupFile, QString *error);

// True when file is an intact database of this program.
bool check(const QString &file, QString *error);

// Replaces databaseFile by a checked copy of backupFile. The database as it
// was is kept beside it as databaseFile + ".before-restore" (an older one
// there is replaced). The program must not be running on the file.
bool restore(const QString &backupFile, const QString &databaseFile, QString *error);

} // namespace SqliteBackup
