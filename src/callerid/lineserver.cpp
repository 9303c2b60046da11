#include "callerid/lineserver.h"

#include "callerid/linedevice.h"

#include <QDateTime>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace tapi {

namespace {

// A value goes between asterisks: one inside would split it.
QByteArray field(QByteArray value)
{
    value.replace('*', ' ');
    value.replace('\r', ' ');
    value.replace('\n', ' ');
    const QByteArray trimmed = value.trimmed();
    return trimmed.isEmpty() ? QByteArrayLiteral("-") : trimmed;
}

QByteArray withoutNul(const QByteArray &text)
{
    const qsizetype nul = text.indexOf('\0');
    return nul < 0 ? text : text.left(nul);
}

} // namespace

LineServer::LineServer(QObject *parent)
    : QObject(parent), m_server(new QTcpServer(this)), m_heartbeat(new QTimer(this)),
      m_reopen(new QTimer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &LineServer::accept);
    m_heartbeat->setInterval(2000);
    connect(m_heartbeat, &QTimer::timeout, this, [this] { sendAll(heartbeatLine()); });
    m_heartbeat->start();
    m_reopen->setSingleShot(true);
    connect(m_reopen, &QTimer::timeout, this, &LineServer::openDevice);
}

LineServer::~LineServer()
{
    if (m_device)
        m_device->close();
}

bool LineServer::listen(const QHostAddress &address, quint16 port, QString *error)
{
    if (m_server->listen(address, port)) {
        emit logged(QStringLiteral("来电共享服务在 %1:%2 上等待工作站连接")
                        .arg(address.toString(), QString::number(m_server->serverPort())));
        return true;
    }
    if (error)
        *error = m_server->errorString();
    return false;
}

quint16 LineServer::serverPort() const
{
    return m_server->serverPort();
}

void LineServer::setHeartbeatMs(int ms)
{
    m_heartbeat->setInterval(std::max(ms, 10));
}

QByteArray LineServer::heartbeatLine() const
{
    return "HEARTBEAT: " + QByteArray::number(m_heartbeat->interval()) + "\r\n";
}

void LineServer::serveDevice(LineDevice *device)
{
    m_device = device;
    device->setParent(this);
    m_deviceName = device->caps().lineName;
    connect(device, &LineDevice::ringing, this,
        [this](const QByteArray &number, const QByteArray &name) {
            announce(withoutNul(number), withoutNul(name));
        });
    connect(device, &LineDevice::lost, this, &LineServer::deviceLost);
    openDevice();
}

void LineServer::openDevice()
{
    if (!m_device || m_deviceOpen)
        return;
    const LONG result = m_device->open();
    if (result == 0) {
        m_deviceOpen = true;
        m_absenceLogged = false;
        emit logged(QStringLiteral("已打开 %1").arg(m_deviceName));
        return;
    }
    // Said once, not every few seconds while it stays unplugged.
    if (!m_reopen->property("reported").toBool())
        emit logged(QStringLiteral("无法打开 %1（错误 %2），稍后重试")
                        .arg(m_deviceName, QString::number(result, 16)));
    m_reopen->setProperty("reported", true);
    m_reopen->start(m_reopenMs);
}

void LineServer::deviceLost()
{
    emit logged(QStringLiteral("%1 已断开，稍后重新打开").arg(m_deviceName));
    m_device->close();
    m_deviceOpen = false;
    m_reopen->start(m_reopenMs);
}

void LineServer::accept()
{
    while (QTcpSocket *client = m_server->nextPendingConnection()) {
        m_clients.append(client);
        const QString peer = client->peerAddress().toString();
        connect(client, &QTcpSocket::disconnected, this, [this, client, peer] {
            m_clients.removeOne(client);
            client->deleteLater();
            emit logged(QStringLiteral("工作站 %1 已断开").arg(peer));
        });
        // Workstations only listen; what they send is not read.
        connect(client, &QTcpSocket::readyRead, client, [client] { client->readAll(); });
        greet(client);
        emit logged(QStringLiteral("工作站 %1 已连接").arg(peer));
    }
}

void LineServer::greet(QTcpSocket *client)
{
    client->write(
        "200 Pelkor line server\r\n" + heartbeatLine() + "300 End of connection startup\r\n");
}

void LineServer::sendAll(const QByteArray &line)
{
    for (QTcpSocket *client : std::as_const(m_clients))
        client->write(line);
}

void LineServer::announce(const QByteArray &number, const QByteArray &name)
{
    if (number.trimmed().isEmpty())
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const QByteArray line = "CID: *DATE*" + now.toString(QStringLiteral("MMddyyyy")).toLatin1()
        + "*TIME*" + now.toString(QStringLiteral("HHmm")).toLatin1() + "*LINE*1*NMBR*"
        + field(number) + "*MESG*NONE*NAME*" + (name.isEmpty() ? "NO NAME" : field(name)) + "*\r\n";
    sendAll(line);
    emit logged(QStringLiteral("来电 %1，已转告 %2 个工作站")
                    .arg(QString::fromLocal8Bit(number), QString::number(m_clients.size())));
}

} // namespace tapi
