#include "datastore/sqlitebackup.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <cstdio>
#include <functional>

namespace SqliteBackup {
namespace {

// Runs work on a connection of its own to file, closed again afterwards.
bool withConnection(const QString &file, bool readOnly, QString *error,
    const std::function<bool(QSqlDatabase &)> &work)
{
    const QString name
        = QStringLiteral("pelkor-backup-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        // A saving workstation holds its lock only for a moment.
        db.setConnectOptions(readOnly
                ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=10000")
                : QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        db.setDatabaseName(file);
        if (!db.open())
            *error = db.lastError().text();
        else
            ok = work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

QString quoted(const QString &text)
{
    QString inner = text;
    inner.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

} // namespace

bool backup(const QString &databaseFile, const QString &backupFile, QString *error)
{
    if (!QFileInfo(databaseFile).isFile()) {
        *error = QStringLiteral("数据库文件不存在：%1").arg(databaseFile);
        return false;
    }
    if (QFileInfo::exists(backupFile)) {
        *error = QStringLiteral("备份文件已经存在，不会覆盖：%1").arg(backupFile);
        return false;
    }
    // Written under another name first: a backup cut short by a full disk
    // or a killed process never looks like a finished one.
    const QString part = backupFile + QStringLiteral(".part");
    QFile::remove(part);
    const bool copied = withConnection(databaseFile, true, error, [&](QSqlDatabase &db) {
        QSqlQuery query(db);
        // One read transaction: the copy is the database at one moment.
        if (!query.exec(QStringLiteral("VACUUM INTO %1").arg(quoted(part)))) {
            *error = query.lastError().text();
            return false;
        }
        return true;
    });
    if (!copied) {
        QFile::remove(part);
        return false;
    }
    if (!check(part, error) || !QFile::rename(part, backupFile)) {
        if (error->isEmpty())
            *error = QStringLiteral("无法写入备份文件：%1").arg(backupFile);
        QFile::remove(part);
        return false;
    }
    return true;
}

bool check(const QString &file, QString *error)
{
    if (!QFileInfo(file).isFile()) {
        *error = QStringLiteral("文件不存在：%1").arg(file);
        return false;
    }
    return withConnection(file, true, error, [&](QSqlDatabase &db) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("PRAGMA integrity_check")) || !query.next()) {
            *error = QStringLiteral("不是有效的数据库文件：%1").arg(query.lastError().text());
            return false;
        }
        if (query.value(0).toString() != QLatin1String("ok")) {
            *error = QStringLiteral("数据库文件已损坏：%1").arg(query.value(0).toString());
            return false;
        }
        if (!query.exec(QStringLiteral("select count(*) from sqlite_master where type='table' "
                                       "and name in ('Sale','Sale_detail','Customer','SysValue')"))
            || !query.next() || query.value(0).toInt() != 4) {
            *error = QStringLiteral("该文件不是本系统的数据库。");
            return false;
        }
        return true;
    });
}

bool restore(const QString &backupFile, const QString &databaseFile, QString *error)
{
    if (!check(backupFile, error))
        return false;
    // Copied beside the database first, so the last step is one rename on
    // the same disk: the database is either the old one or the new one.
    const QString incoming = databaseFile + QStringLiteral(".restoring");
    QFile::remove(incoming);
    if (!QFile::copy(backupFile, incoming)) {
        *error = QStringLiteral("无法复制备份文件到：%1").arg(incoming);
        return false;
    }
    const QString kept = databaseFile + QStringLiteral(".before-restore");
    if (QFileInfo::exists(databaseFile)) {
        // The old database leaves whole, with its write-ahead log folded in.
        QFile::remove(kept);
        if (!backup(databaseFile, kept, error)) {
            QFile::remove(incoming);
            return false;
        }
    }
    for (const char *suffix : {"-wal", "-shm", "-journal"})
        QFile::remove(databaseFile + QLatin1String(suffix));
    // rename() replaces the old file in one step; QFile::rename would not.
    if (std::rename(
            QFile::encodeName(incoming).constData(), QFile::encodeName(databaseFile).constData())
        != 0) {
        *error = QStringLiteral("无法替换数据库文件：%1").arg(databaseFile);
        return false;
    }
    return true;
}

} // namespace SqliteBackup
