#pragma once

#include "callerid/linedevice.h"

class QTcpSocket;
class QTimer;

namespace tapi {

// A client of a network caller-ID server: one server hears the telephone,
// every workstation of the station is told about each call.
//
// The server greets with "200 ..." lines, may replay its call log, and ends
// the greeting with "300 End of connection startup"; what comes before that
// is history, never a new call. A call is "CID: *KEY*VALUE*...*" with the
// pairs in any order. When the connection drops it is made again after a
// delay that doubles up to a cap; nothing here ever waits on the network.
//
// A server that says "HEARTBEAT: <ms>" (in its greeting or later) promises a
// line at least that often: after three beats of silence it is taken for
// dead and reached again, and it is retried at least every three beats.
class NetworkLine : public LineDevice {
    Q_OBJECT

public:
    NetworkLine(const QString &host, quint16 port, int retryFirstMs = 1000, int retryMaxMs = 60000,
        QObject *parent = nullptr);
    ~NetworkLine() override;

    Caps caps() const override;
    LONG open() override;
    void close() override;
    QByteArray deviceId(const QByteArray &deviceClass) const override;

    // True once the greeting has ended on the current connection.
    bool isStarted() const { return m_started; }
    // The delay before the next connection attempt, in milliseconds.
    int nextRetryDelay() const { return m_retryDelay; }
    // The beat the server promised, 0 for a server that promised none.
    int heartbeatMs() const { return m_heartbeatMs; }

    // The fields of a "CID:" line: KEY -> VALUE, empty tokens dropped.
    static QHash<QByteArray, QByteArray> parseCallLine(const QByteArray &line);

private:
    void connectNow();
    void scheduleRetry();
    void readLines();
    void handleLine(const QByteArray &line);
    int retryCap() const;

    QString m_host;
    quint16 m_port;
    int m_retryFirst;
    int m_retryMax;
    int m_retryDelay;
    int m_heartbeatMs = 0;
    bool m_open = false;
    bool m_started = false;
    QTcpSocket *m_socket = nullptr;
    QTimer *m_retry = nullptr;
    QTimer *m_callEnd = nullptr;
    QTimer *m_silence = nullptr;
};

} // namespace tapi
