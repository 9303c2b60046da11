#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// One copy of the program per workstation and user. The lock dies with the
// process, so a crashed copy never blocks the next start. The copy holding
// the lock also listens on a local socket beside it, so that a second start
// can ask it to bring its window to the front instead of opening another.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // PELKOR_INSTANCE_LOCK names the lock file when set (tests use that).
    static QString defaultLockPath();
    // The local socket the holder of lockPath listens on.
    static QString serverName(const QString &lockPath);

    explicit SingleInstance(const QString &lockPath = defaultLockPath());
    ~SingleInstance() override;

    // False when another running copy holds the lock, or when the lock file cannot be made.
    bool acquire();
    // After acquire() failed: true when another copy holds the lock.
    bool heldByAnotherCopy() const;
    // After acquire() failed for another reason: why, and what to do about it.
    QString lockProblem() const;
    // Asks the copy that holds the lock to show itself; false when no copy
    // answered within timeoutMs.
    bool activateRunning(int timeoutMs = 1000) const;

signals:
    // Another start asked this copy to bring its window to the front.
    void activationRequested();

private:
    void listen();

    QString m_lockPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
