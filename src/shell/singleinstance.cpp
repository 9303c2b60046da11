#include "shell/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

const QByteArray ActivateRequest = QByteArrayLiteral("activate\n");

} // namespace

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

QString SingleInstance::serverName(const QString &lockPath)
{
#ifdef Q_OS_UNIX
    // Beside the lock, in the user's private folder; a socket path has a
    // small length limit, hence the fallback below.
    const QString beside = QFileInfo(lockPath).absoluteFilePath() + QStringLiteral(".socket");
    if (beside.toLocal8Bit().size() < 100)
        return beside;
#endif
    const QByteArray hash = QCryptographicHash::hash(
        QFileInfo(lockPath).absoluteFilePath().toUtf8(), QCryptographicHash::Sha1)
                                .toHex()
                                .left(20);
    return QStringLiteral("pelkor-") + QString::fromLatin1(hash);
}

SingleInstance::SingleInstance(const QString &lockPath)
    : m_lockPath(lockPath), m_lock(std::make_unique<QLockFile>(lockPath))
{
    // Never treat a live copy's lock as stale, however long it has run.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

bool SingleInstance::acquire()
{
    if (m_server)
        return true;
    if (!m_lock->tryLock(0))
        return false;
    listen();
    return true;
}

bool SingleInstance::heldByAnotherCopy() const
{
    return m_lock->error() == QLockFile::LockFailedError;
}

QString SingleInstance::lockProblem() const
{
    const QString folder = QDir::toNativeSeparators(QFileInfo(m_lockPath).absolutePath());
    const QString file = QDir::toNativeSeparators(m_lockPath);
    if (m_lock->error() == QLockFile::PermissionError)
        return QStringLiteral("没有权限在文件夹 %1 中建立锁文件 %2。请检查这个文件夹的权限，"
                              "或者用 XDG_RUNTIME_DIR 指定本用户可以写入的文件夹。")
            .arg(folder, file);
    return QStringLiteral("无法建立锁文件 %1。请确认文件夹 %2 存在并且可以写入。")
        .arg(file, folder);
}

void SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = serverName(m_lockPath);
    // Whoever holds the lock owns the name: a socket left by a crashed copy
    // is stale.
    QLocalServer::removeServer(name);
    if (!m_server->listen(name))
        return; // the program still runs; a second start then only gives way
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->readAll().contains(ActivateRequest.trimmed()))
                    emit activationRequested();
            });
        }
    });
}

bool SingleInstance::activateRunning(int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(serverName(m_lockPath));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(ActivateRequest);
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return sent;
}
