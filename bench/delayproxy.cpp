#include "delayproxy.h"

#include <QDeadlineTimer>
#include <QMutexLocker>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

#include <deque>
#include <utility>

namespace {

// The request codes a client may send in place of a startup message.
constexpr quint32 SslRequest = 80877103;
constexpr quint32 GssEncRequest = 80877104;
constexpr quint32 CancelRequest = 80877102;

quint32 be32(const char *p)
{
    return qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(p));
}

// One direction of a connection: data waits here until its time has come.
class DelayedPipe : public QObject {
public:
    DelayedPipe(QTcpSocket *to, const QAtomicInt &delayMs, QObject *parent)
        : QObject(parent), m_to(to), m_delayMs(delayMs)
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, &DelayedPipe::deliver);
    }

    // Empty data: close the far side once everything before has gone.
    void push(const QByteArray &data)
    {
        m_queue.push_back({QDeadlineTimer(m_delayMs.loadRelaxed(), Qt::PreciseTimer), data});
        if (m_queue.size() == 1)
            arm();
    }
    // The far side is connected: anything already due can go.
    void ready()
    {
        m_ready = true;
        deliver();
    }

private:
    struct Piece {
        QDeadlineTimer due;
        QByteArray data;
    };

    void arm()
    {
        if (!m_queue.empty())
            m_timer.start(int(qMax<qint64>(0, m_queue.front().due.remainingTime())));
    }
    void deliver()
    {
        if (!m_ready)
            return;
        while (!m_queue.empty() && m_queue.front().due.hasExpired()) {
            const QByteArray data = m_queue.front().data;
            m_queue.pop_front();
            if (data.isEmpty()) {
                m_to->disconnectFromHost();
                m_queue.clear();
                return;
            }
            m_to->write(data);
        }
        arm();
    }

    QTcpSocket *m_to;
    const QAtomicInt &m_delayMs;
    QTimer m_timer;
    std::deque<Piece> m_queue;
    bool m_ready = false;
};

} // namespace

int DelayProxy::Parser::feed(const QByteArray &data)
{
    int statements = 0;
    qsizetype pos = 0;
    if (m_awaitingAnswer) {
        m_held += data;
        return 0;
    }
    while (pos < data.size() && !m_opaque) {
        if (m_skip > 0) {
            const qint64 n = qMin<qint64>(m_skip, data.size() - pos);
            if (m_capturing) {
                m_text.append(data.constData() + pos, n);
                if (n == m_skip)
                    finishText();
            }
            pos += n;
            m_skip -= n;
            continue;
        }
        // A startup message has no type byte; its length and code come first.
        const qsizetype need = m_startup ? 8 : 5;
        const qsizetype take = qMin(need - m_header.size(), data.size() - pos);
        m_header.append(data.constData() + pos, take);
        pos += take;
        if (m_header.size() < need)
            break;
        if (m_startup) {
            const quint32 length = be32(m_header.constData());
            const quint32 code = be32(m_header.constData() + 4);
            m_skip = qint64(length) - 8;
            if (code == SslRequest || code == GssEncRequest) {
                // What follows is plain or encrypted as the server answers.
                m_awaitingAnswer = true;
                m_header.clear();
                m_held = data.mid(pos);
                return statements;
            }
            if (code != CancelRequest)
                m_startup = false;
        } else {
            const char type = m_header.at(0);
            m_skip = qint64(be32(m_header.constData() + 1)) - 4;
            if (type == 'Q' || type == 'E')
                ++statements;
            // The text of a simple query, or of a statement being prepared.
            m_capturing = m_trace && (type == 'Q' || type == 'P');
            m_textType = type;
            m_text.clear();
        }
        m_header.clear();
    }
    return statements;
}

void DelayProxy::Parser::finishText()
{
    m_capturing = false;
    // A prepared statement's body starts with its name, a query's does not.
    const QList<QByteArray> parts = m_text.split('\0');
    m_traced << QString::fromUtf8(parts.value(m_textType == 'P' ? 1 : 0)).simplified();
    m_text.clear();
}

QStringList DelayProxy::Parser::takeTraced()
{
    return std::exchange(m_traced, QStringList());
}

int DelayProxy::Parser::serverByte(char answer)
{
    if (!m_awaitingAnswer)
        return 0;
    m_awaitingAnswer = false;
    if (answer != 'N')
        m_opaque = true;
    const QByteArray held = std::exchange(m_held, QByteArray());
    return m_opaque ? 0 : feed(held);
}

// A client and its connection to the server.
class DelayProxy::Pair : public QObject {
public:
    Pair(DelayProxy *proxy, QTcpSocket *client, int index, bool trace)
        : QObject(proxy), m_proxy(proxy), m_client(client), m_server(new QTcpSocket(this)),
          m_index(index), m_up(m_server, proxy->m_delay, this),
          m_down(m_client, proxy->m_delay, this)
    {
        m_parser.setTrace(trace);
        client->setParent(this);
        client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(m_server, &QTcpSocket::connected, this, [this] {
            m_server->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            m_up.ready();
        });
        m_down.ready();
        connect(client, &QTcpSocket::readyRead, this, [this] { fromClient(); });
        connect(m_server, &QTcpSocket::readyRead, this, [this] { fromServer(); });
        connect(client, &QTcpSocket::disconnected, this, [this] { ended(m_up); });
        connect(m_server, &QTcpSocket::disconnected, this, [this] { ended(m_down); });
        connect(m_server, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
            if (m_server->state() != QAbstractSocket::ConnectedState)
                m_client->abort();
        });
        m_server->connectToHost(proxy->m_serverAddress, proxy->m_serverPort);
    }

private:
    void fromClient()
    {
        const QByteArray data = m_client->readAll();
        if (data.isEmpty())
            return;
        const int statements = m_parser.feed(data);
        const bool newTrip = m_serverSpoke;
        m_serverSpoke = false;
        const QStringList traced = m_parser.takeTraced();
        m_proxy->record(m_index, [&](Counts &c) {
            c.statements += statements;
            c.roundTrips += newTrip ? 1 : 0;
            c.bytesToServer += data.size();
            m_proxy->m_traced += traced;
        });
        m_up.push(data);
    }
    void fromServer()
    {
        const QByteArray data = m_server->readAll();
        if (data.isEmpty())
            return;
        const int statements = m_parser.awaitingAnswer() ? m_parser.serverByte(data.at(0)) : 0;
        m_serverSpoke = true;
        m_proxy->record(m_index, [&](Counts &c) {
            c.statements += statements;
            c.bytesToClient += data.size();
        });
        m_down.push(data);
    }
    void ended(DelayedPipe &onward)
    {
        onward.push(QByteArray());
        if (m_client->state() == QAbstractSocket::UnconnectedState
            && m_server->state() == QAbstractSocket::UnconnectedState)
            deleteLater();
    }

    DelayProxy *m_proxy;
    QTcpSocket *m_client;
    QTcpSocket *m_server;
    int m_index;
    DelayedPipe m_up;
    DelayedPipe m_down;
    Parser m_parser;
    // The first send of a connection waits for the connection itself.
    bool m_serverSpoke = true;
};

DelayProxy::DelayProxy(
    const QHostAddress &serverAddress, quint16 serverPort, int delayMs, QObject *parent)
    : QObject(parent), m_serverAddress(serverAddress), m_serverPort(serverPort),
      m_listener(new QTcpServer(this)), m_delay(delayMs)
{
    connect(m_listener, &QTcpServer::newConnection, this, &DelayProxy::accept);
}

DelayProxy::~DelayProxy() = default;

bool DelayProxy::listen(const QHostAddress &address, quint16 port)
{
    return m_listener->listen(address, port);
}

quint16 DelayProxy::port() const
{
    return m_listener->serverPort();
}

QString DelayProxy::errorString() const
{
    return m_listener->errorString();
}

DelayProxy::Counts DelayProxy::total() const
{
    QMutexLocker lock(&m_mutex);
    Counts sum;
    for (const Counts &c : m_counts) {
        sum.connections += 1;
        sum.statements += c.statements;
        sum.roundTrips += c.roundTrips;
        sum.bytesToServer += c.bytesToServer;
        sum.bytesToClient += c.bytesToClient;
    }
    return sum;
}

QList<DelayProxy::Counts> DelayProxy::perConnection() const
{
    QMutexLocker lock(&m_mutex);
    return m_counts;
}

void DelayProxy::setDelay(int delayMs)
{
    m_delay.storeRelaxed(delayMs);
}

int DelayProxy::delay() const
{
    return m_delay.loadRelaxed();
}

void DelayProxy::setTrace(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_trace = on;
}

QStringList DelayProxy::takeTrace()
{
    QMutexLocker lock(&m_mutex);
    return std::exchange(m_traced, QStringList());
}

void DelayProxy::accept()
{
    while (QTcpSocket *client = m_listener->nextPendingConnection()) {
        int index = 0;
        bool trace = false;
        {
            QMutexLocker lock(&m_mutex);
            index = int(m_counts.size());
            trace = m_trace;
            m_counts.append(Counts{.connections = 1});
        }
        new Pair(this, client, index, trace);
    }
}

void DelayProxy::record(int connection, const std::function<void(Counts &)> &change)
{
    QMutexLocker lock(&m_mutex);
    change(m_counts[connection]);
}

DelayProxyThread::DelayProxyThread(
    const QHostAddress &serverAddress, quint16 serverPort, int delayMs)
    : m_proxy(std::make_unique<DelayProxy>(serverAddress, serverPort, delayMs))
{
    m_thread.setObjectName(QStringLiteral("delay proxy"));
}

DelayProxyThread::~DelayProxyThread()
{
    if (m_thread.isRunning()) {
        // The proxy's sockets belong to its thread: they go there.
        m_proxy.release()->deleteLater();
        m_thread.quit();
        m_thread.wait();
    }
}

bool DelayProxyThread::start(QString *error)
{
    m_proxy->moveToThread(&m_thread);
    m_thread.start();
    bool ok = false;
    QMetaObject::invokeMethod(
        m_proxy.get(),
        [&] {
            ok = m_proxy->listen(QHostAddress::LocalHost);
            m_port = m_proxy->port();
            if (!ok && error)
                *error = m_proxy->errorString();
        },
        Qt::BlockingQueuedConnection);
    return ok;
}
