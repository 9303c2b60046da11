#include "datastore/sqlitebackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>

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
            *error = QStringLiteral("无法打开数据库文件 %1。请确认文件存在并且可以读取。")
                         .arg(QDir::toNativeSeparators(file));
        else
            ok = work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// Why a new file cannot be made in its folder, in words that say what to do; empty when it
// can. SQLite's own "unable to open database" names neither the folder nor a remedy.
QString folderProblem(const QString &file)
{
    const QFileInfo folder(QFileInfo(file).absolutePath());
    if (!folder.exists())
        return QStringLiteral("文件夹 %1 不存在。请先建立这个文件夹，或者换一个已有的文件夹。")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    if (!folder.isDir())
        return QStringLiteral("%1 不是文件夹。请换一个文件夹。")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    if (!folder.isWritable())
        return QStringLiteral("没有权限在文件夹 %1 中写入。请换一个可以写入的文件夹。")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    return QString();
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
        *error = QStringLiteral("数据库文件 %1 不存在。请用 --database sqlite:/路径/pelkor.db "
                                "指明要备份的数据库。")
                     .arg(QDir::toNativeSeparators(databaseFile));
        return false;
    }
    if (QFileInfo::exists(backupFile)) {
        *error = QStringLiteral("备份文件已经存在，不会覆盖：%1。请换一个文件名。")
                     .arg(QDir::toNativeSeparators(backupFile));
        return false;
    }
    *error = folderProblem(backupFile);
    if (!error->isEmpty())
        return false;
    // Written under another name first: a backup cut short by a full disk
    // or a killed process never looks like a finished one.
    const QString part = backupFile + QStringLiteral(".part");
    QFile::remove(part);
    const bool copied = withConnection(databaseFile, true, error, [&](QSqlDatabase &db) {
        QSqlQuery query(db);
        // One read transaction: the copy is the database at one moment.
        if (!query.exec(QStringLiteral("VACUUM INTO %1").arg(quoted(part)))) {
            *error = QStringLiteral("无法写入备份文件 %1。请确认磁盘有足够的空间，"
                                    "文件夹可以写入，然后再试。")
                         .arg(QDir::toNativeSeparators(backupFile));
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
            *error = QStringLiteral("无法写入备份文件 %1。请确认文件夹可以写入，然后再试。")
                         .arg(QDir::toNativeSeparators(backupFile));
        QFile::remove(part);
        return false;
    }
    return true;
}

bool check(const QString &file, QString *error)
{
    const QString shown = QDir::toNativeSeparators(file);
    if (!QFileInfo(file).isFile()) {
        *error = QStringLiteral("找不到文件 %1。请检查路径和文件名。").arg(shown);
        return false;
    }
    const QString useAnother = QStringLiteral("请换用 pelkor --backup 生成的备份文件。");
    return withConnection(file, true, error, [&](QSqlDatabase &db) {
        QSqlQuery query(db);
        // SQLite says "file is not a database" for anything that is not one; the driver's
        // words add nothing an operator can act on.
        if (!query.exec(QStringLiteral("PRAGMA integrity_check")) || !query.next()) {
            *error = QStringLiteral("%1 不是数据库文件。").arg(shown) + useAnother;
            return false;
        }
        if (query.value(0).toString() != QLatin1String("ok")) {
            *error = QStringLiteral("数据库文件 %1 已损坏。").arg(shown) + useAnother;
            return false;
        }
        if (!query.exec(QStringLiteral("select count(*) from sqlite_master where type='table' "
                                       "and name in ('Sale','Sale_detail','Customer','SysValue')"))
            || !query.next() || query.value(0).toInt() != 4) {
            *error = QStringLiteral("%1 不是本系统的数据库。").arg(shown) + useAnother;
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
        *error = QStringLiteral("无法把备份复制到 %1。请确认数据库所在的文件夹可以写入、"
                                "磁盘有足够的空间。")
                     .arg(QDir::toNativeSeparators(incoming));
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
    // The old file and its logs step aside together, so a log of the old
    // database is never read as the new one's; if the new file cannot take
    // their place, they come back. Qt's own renames: they take any path the
    // system can name, and on no system replace a file silently.
    const QString aside = databaseFile + QStringLiteral(".replaced");
    const QString logs[]
        = {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")};
    QStringList moved;
    bool ok = true;
    for (const QString &log : logs) {
        QFile::remove(aside + log);
        if (!QFileInfo::exists(databaseFile + log))
            continue;
        if (!QFile::rename(databaseFile + log, aside + log)) {
            ok = false;
            break;
        }
        moved << log;
    }
    ok = ok && QFile::rename(incoming, databaseFile);
    if (!ok) {
        for (const QString &log : std::as_const(moved))
            QFile::rename(aside + log, databaseFile + log);
        QFile::remove(incoming);
        *error = QStringLiteral("无法替换数据库文件 %1。请确认它所在的文件夹可以写入，"
                                "并且没有别的程序打开着它。原来的数据库没有改动。")
                     .arg(QDir::toNativeSeparators(databaseFile));
        return false;
    }
    // Everything they held is in the kept copy.
    for (const QString &log : std::as_const(moved))
        QFile::remove(aside + log);
    return true;
}

} // namespace SqliteBackup
