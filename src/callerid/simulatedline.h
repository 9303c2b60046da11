#pragma once

#include "callerid/linedevice.h"

class QLocalServer;
class QLocalSocket;

namespace tapi {

// "模拟电话线路": a line that another process rings through a local socket
// private to the user. Used for training, demonstrations and tests.
//
// Protocol, one line each way: the caller writes "RING <number>\n"; the line
// answers "OK\n" once the call has been reported.
class SimulatedLine : public LineDevice {
    Q_OBJECT

public:
    // socketName: empty for the user's default (defaultSocketName()).
    explicit SimulatedLine(const QString &socketName = QString(), QObject *parent = nullptr);
    ~SimulatedLine() override;

    Caps caps() const override;
    LONG open() override;
    void close() override;
    QByteArray deviceId(const QByteArray &deviceClass) const override;

    // The socket path: inside the user's private runtime directory.
    static QString defaultSocketName();
    // Rings the running program's simulated line; blocks for at most a few
    // seconds. False with a reason when no program listens.
    static bool ring(
        const QString &number, QString *error = nullptr, const QString &socketName = QString());

private:
    void serve(QLocalSocket *socket);

    QString m_socketName;
    QLocalServer *m_server = nullptr;
};

} // namespace tapi
