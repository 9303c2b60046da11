#include "callerid/simulatedline.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace tapi {

namespace {

QString resolved(const QString &socketName)
{
    return socketName.isEmpty() ? SimulatedLine::defaultSocketName() : socketName;
}

// Qt's socket texts ("connectToServer: Invalid name") tell the operator nothing; these say
// what to do.
QString connectFailure(QLocalSocket::LocalSocketError reason)
{
    switch (reason) {
    case QLocalSocket::ServerNotFoundError:
    case QLocalSocket::ConnectionRefusedError:
        return QStringLiteral("没有正在运行的 Pelkor 使用模拟电话线路。请先启动 Pelkor 并登录，"
                              "在“系统参数设置”中选用“模拟电话线路”，然后再响铃。");
    case QLocalSocket::SocketAccessError:
        return QStringLiteral("没有权限连接模拟电话线路：只能让本用户自己运行的 Pelkor 响铃。");
    case QLocalSocket::SocketTimeoutError:
        return QStringLiteral("正在运行的 Pelkor 没有接听模拟电话线路。请确认程序没有停住，"
                              "然后再响铃。");
    default:
        return QStringLiteral("无法连接模拟电话线路。请确认 Pelkor 正在运行并选用了"
                              "“模拟电话线路”，然后再响铃。");
    }
}

} // namespace

SimulatedLine::SimulatedLine(const QString &socketName, QObject *parent)
    : LineDevice(parent), m_socketName(resolved(socketName))
{
}

SimulatedLine::~SimulatedLine()
{
    close();
}

QString SimulatedLine::defaultSocketName()
{
    // Qt makes sure the runtime directory belongs to the user and is closed
    // to everybody else, so no other account can answer in our place.
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("pelkor-line"));
}

LineDevice::Caps SimulatedLine::caps() const
{
    Caps c;
    c.lineName = QStringLiteral("模拟电话线路");
    c.providerInfo = QStringLiteral("Pelkor simulated line");
    c.switchInfo = Identity::Simulated;
    c.permanentLineID = 1;
    return c;
}

LONG SimulatedLine::open()
{
    if (m_server)
        return LINEERR_ALLOCATED;
    // A socket that answers belongs to a running program, which keeps it
    // (listening would silently replace it); a file left by a program that
    // is gone is replaced.
    {
        QLocalSocket probe;
        probe.connectToServer(m_socketName);
        if (probe.waitForConnected(300))
            return LINEERR_ALLOCATED;
    }
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_socketName)) {
        QLocalServer::removeServer(m_socketName);
        if (!server->listen(m_socketName)) {
            delete server;
            return LINEERR_RESOURCEUNAVAIL;
        }
    }
    connect(server, &QLocalServer::newConnection, this, [this, server]() {
        while (QLocalSocket *socket = server->nextPendingConnection())
            serve(socket);
    });
    m_server = server;
    return 0;
}

void SimulatedLine::close()
{
    if (!m_server)
        return;
    m_server->close();
    delete m_server;
    m_server = nullptr;
}

QByteArray SimulatedLine::deviceId(const QByteArray &deviceClass) const
{
    if (deviceClass == "pelkor/simulated/socket")
        return m_socketName.toLocal8Bit();
    return QByteArray();
}

void SimulatedLine::serve(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket]() {
        while (socket->canReadLine()) {
            // Only the line end goes: blanks around the number are part of
            // what the caller sent.
            QByteArray line = socket->readLine();
            while (line.endsWith('\n') || line.endsWith('\r'))
                line.chop(1);
            if (line == "RING" || line.startsWith("RING ")) {
                const QByteArray number = line.mid(5);
                socket->write("OK\n");
                emit ringing(number.isEmpty() ? QByteArray() : number + '\0', QByteArray());
                // A simulated call rings once: it is over as soon as it is known.
                emit callEnded();
            } else {
                socket->write("ERROR\n");
            }
        }
        // Nobody sends more than a line or two; a flood is cut off.
        if (socket->bytesAvailable() > 4096)
            socket->abort();
    });
}

bool SimulatedLine::ring(const QString &number, QString *error, const QString &socketName)
{
    QLocalSocket socket;
    socket.connectToServer(resolved(socketName));
    if (!socket.waitForConnected(2000)) {
        if (error)
            *error = connectFailure(socket.error());
        return false;
    }
    QByteArray request = "RING ";
    request += number.toLocal8Bit();
    request.replace('\n', ' ').replace('\r', ' ');
    request += '\n';
    socket.write(request);
    if (!socket.waitForBytesWritten(2000)) {
        if (error)
            *error = QStringLiteral("模拟电话线路在响铃时断开了。请再响铃一次。");
        return false;
    }
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(3000)) {
            if (error)
                *error = QStringLiteral("模拟电话线路没有应答");
            return false;
        }
    }
    if (socket.readLine().trimmed() != "OK") {
        if (error)
            *error = QStringLiteral("模拟电话线路拒绝了来电");
        return false;
    }
    socket.disconnectFromServer();
    return true;
}

} // namespace tapi
