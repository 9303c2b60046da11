#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace tapi {

class LineDevice;

// One telephone heard by every workstation: serves the calls of one line
// device, on TCP, in the protocol that NetworkLine reads. Each client is
// greeted ("200 ...", "HEARTBEAT: <ms>", "300 End of connection startup"),
// then gets every call as "CID: *DATE*MMDDYYYY*TIME*HHMM*LINE*1*NMBR*...*NAME*...*"
// and a "HEARTBEAT: <ms>" line every beat, so that a workstation notices a
// server gone quiet within a few beats.
//
// The device is the server's own (a modem, usually): when it is lost
// (unplugged) it is opened again every few seconds until it answers. Or the
// server has no device and is told of calls by announce() (a workstation
// that shares the line it listens on).
class LineServer : public QObject {
    Q_OBJECT

public:
    explicit LineServer(QObject *parent = nullptr);
    ~LineServer() override;

    // False with the reason in *error when the address cannot be listened on.
    bool listen(const QHostAddress &address, quint16 port, QString *error = nullptr);
    quint16 serverPort() const;
    // Takes the device and opens it; a device that cannot be opened now is
    // tried again, as after it is lost.
    void serveDevice(LineDevice *device);
    bool deviceOpen() const { return m_deviceOpen; }
    int clientCount() const { return int(m_clients.size()); }
    void setHeartbeatMs(int ms);
    void setReopenMs(int ms) { m_reopenMs = ms; }

    // Sends one call to every client; number and name without their NUL.
    void announce(const QByteArray &number, const QByteArray &name = QByteArray());

signals:
    // What the server's log should keep: clients, calls, the device's fate.
    void logged(const QString &text);

private:
    void accept();
    void greet(QTcpSocket *client);
    void sendAll(const QByteArray &line);
    void openDevice();
    void deviceLost();
    QByteArray heartbeatLine() const;

    QTcpServer *m_server;
    QList<QTcpSocket *> m_clients;
    LineDevice *m_device = nullptr;
    bool m_deviceOpen = false;
    QTimer *m_heartbeat;
    QTimer *m_reopen;
    int m_reopenMs = 3000;
    // A device that stays away is logged once, not at every try.
    bool m_absenceLogged = false;
    QString m_deviceName;
};

} // namespace tapi
