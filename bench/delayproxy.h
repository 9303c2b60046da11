#pragma once

#include <QAtomicInt>
#include <QHostAddress>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QThread>

#include <functional>
#include <memory>

class QTcpServer;

// A station across the city, played on one machine: a TCP relay between the
// program and its PostgreSQL server that holds every piece of data for a set
// time in each direction (in order, each piece on its own clock, so a burst
// is not spread out), and counts what the client asks of the server.
//
// What is counted, per client connection, from the protocol the client
// speaks (PostgreSQL's frontend messages):
//   statements   simple queries ('Q') and executes of the extended protocol ('E')
//   round trips  each time the client sends after the server has answered,
//                the first send of a connection included: the waits a
//                distant station pays in full
class DelayProxy : public QObject {
    Q_OBJECT
public:
    struct Counts {
        int connections = 0;
        qint64 statements = 0;
        qint64 roundTrips = 0;
        qint64 bytesToServer = 0;
        qint64 bytesToClient = 0;

        Counts operator-(const Counts &before) const
        {
            return {connections - before.connections, statements - before.statements,
                roundTrips - before.roundTrips, bytesToServer - before.bytesToServer,
                bytesToClient - before.bytesToClient};
        }
    };

    DelayProxy(const QHostAddress &serverAddress, quint16 serverPort, int delayMs,
        QObject *parent = nullptr);
    ~DelayProxy() override;

    // Port 0: any free port; port() tells which.
    bool listen(const QHostAddress &address, quint16 port = 0);
    quint16 port() const;
    QString errorString() const;

    // Safe to call from any thread.
    Counts total() const;
    QList<Counts> perConnection() const;
    void setDelay(int delayMs);
    // Keeps the statements' texts from connections made from now on.
    void setTrace(bool on);
    // The statements sent since the last call, in order per connection.
    QStringList takeTrace();
    int delay() const;

    // Counts one client's byte stream (public for the proxy's own checks).
    class Parser {
    public:
        // The client's bytes as they arrive; returns how many statements
        // they completed the header of.
        int feed(const QByteArray &data);
        // The server's answer to an encryption request; after "S" the
        // stream is encrypted and nothing more can be counted. Returns the
        // statements of what the client sent meanwhile.
        int serverByte(char answer);
        bool awaitingAnswer() const { return m_awaitingAnswer; }
        // Keeps the text of every statement sent, for takeTraced().
        void setTrace(bool on) { m_trace = on; }
        QStringList takeTraced();
        bool opaque() const { return m_opaque; }

    private:
        bool m_startup = true;
        bool m_awaitingAnswer = false;
        bool m_opaque = false;
        QByteArray m_header;
        qint64 m_skip = 0;
        QByteArray m_held; // sent before the answer came
        void finishText();
        bool m_trace = false;
        bool m_capturing = false;
        char m_textType = 0;
        QByteArray m_text;
        QStringList m_traced;
    };

private:
    class Pair;
    friend class Pair;
    void accept();
    void record(int connection, const std::function<void(Counts &)> &change);

    QHostAddress m_serverAddress;
    quint16 m_serverPort;
    QTcpServer *m_listener;
    mutable QMutex m_mutex;
    QAtomicInt m_delay;
    QList<Counts> m_counts;
    bool m_trace = false;
    QStringList m_traced;
};

// The proxy on a thread of its own, so that a program blocked in a database
// call still gets its answers on time.
class DelayProxyThread {
public:
    DelayProxyThread(const QHostAddress &serverAddress, quint16 serverPort, int delayMs);
    ~DelayProxyThread();
    // Listens on the loopback address, on a free port.
    bool start(QString *error);
    quint16 port() const { return m_port; }
    DelayProxy *proxy() const { return m_proxy.get(); }

private:
    QThread m_thread;
    std::unique_ptr<DelayProxy> m_proxy;
    quint16 m_port = 0;
};
