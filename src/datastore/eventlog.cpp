#include "datastore/eventlog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <QStandardPaths>

namespace EventLog {

QString filePath()
{
    const QString chosen = qEnvironmentVariable("PELKOR_LOG");
    if (!chosen.isEmpty())
        return chosen;
#ifdef Q_OS_UNIX
    // Qt 6.4 knows no state folder; the freedesktop rule names one.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + QStringLiteral("/.local/state");
#else
    // Elsewhere the system's own place for a program's local data.
    const QString state = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#endif
    return state + QStringLiteral("/Pelkor/pelkor.log");
}

void write(const QString &text)
{
    // Statements fail on the worker threads of tests and benchmarks too.
    static QMutex mutex;
    const QMutexLocker lock(&mutex);
    const QString path = filePath();
    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    if (info.exists() && info.size() > MaxBytes) {
        const QString old = path + QStringLiteral(".1");
        QFile::remove(old);
        QFile::rename(path, old);
    }
    QFile file(path);
    if (!file.open(QIODevice::Append | QIODevice::Text))
        return;
    QString line = text.trimmed();
    line.replace(QLatin1String("\r\n"), QStringLiteral(" ⏎ "));
    line.replace(QLatin1Char('\n'), QStringLiteral(" ⏎ "));
    line.replace(QLatin1Char('\r'), QStringLiteral(" ⏎ "));
    file.write(
        QStringLiteral("%1 %2\n")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), line)
            .toUtf8());
}

QString safeStatement(const QString &sql)
{
    static const QRegularExpression secret(
        QStringLiteral("pwd|password|passwd|口令|密码"), QRegularExpression::CaseInsensitiveOption);
    if (!sql.contains(secret))
        return sql;
    // A literal runs to the next quote that is not doubled.
    static const QRegularExpression literal(QStringLiteral("N?'(?:[^']|'')*'"));
    QString safe = sql;
    safe.replace(literal, QStringLiteral("'***'"));
    return safe;
}

} // namespace EventLog
