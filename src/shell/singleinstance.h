#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// One copy of the program per workstation and user. The lock dies with the
// process, so a crashed copy never blocks the next start.
class SingleInstance {
public:
    // PELKOR_INSTANCE_LOCK names the lock file when set (tests use that).
    static QString defaultLockPath();

    explicit SingleInstance(const QString &lockPath = defaultLockPath());
    // False when another running copy holds the lock.
    bool acquire();

private:
    std::unique_ptr<QLockFile> m_lock;
};
