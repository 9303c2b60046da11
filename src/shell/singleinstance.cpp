#include "singleinstance.h"

#include <QDir>
#include <QStandardPaths>

QString SingleInstance::defaultLockPath()
{
    const QString fromEnv = qEnvironmentVariable("PELKOR_INSTANCE_LOCK");
    if (!fromEnv.isEmpty())
        return fromEnv;
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/pelkor.lock");
}

SingleInstance::SingleInstance(const QString &lockPath)
    : m_lock(std::make_unique<QLockFile>(lockPath))
{
    // Never treat a live copy's lock as stale, however long it has run.
    m_lock->setStaleLockTime(0);
}

bool SingleInstance::acquire()
{
    return m_lock->tryLock(0);
}
