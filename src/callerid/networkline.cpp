#include "callerid/networkline.h"

#include <QHash>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace tapi {

namespace {

// A server tells nothing when the ringing stops; a call that has been
// reported is considered over after this long.
constexpr int CallLengthMs = 6000;
// A line longer than this is not the protocol; the connection is reset.
constexpr int MaxLineBytes = 8192;
// Beats a server may miss before it is taken for dead.
constexpr int MissedBeats = 3;

} // namespace

NetworkLine::NetworkLine(
    const QString &host, quint16 port, int retryFirstMs, int retryMaxMs, QObject *parent)
    : LineDevice(parent), m_host(host), m_port(port), m_retryFirst(std::max(retryFirstMs, 1)),
      m_retryMax(std::max(retryMaxMs, std::max(retryFirstMs, 1))), m_retryDelay(m_retryFirst)
{
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &NetworkLine::connectNow);
    m_callEnd = new QTimer(this);
    m_callEnd->setSingleShot(true);
    m_callEnd->setInterval(CallLengthMs);
    connect(m_callEnd, &QTimer::timeout, this, &NetworkLine::callEnded);
    m_silence = new QTimer(this);
    m_silence->setSingleShot(true);
    connect(m_silence, &QTimer::timeout, this, [this] {
        // Gone without a word (machine off, cable out): the socket would not
        // notice for minutes.
        if (m_socket)
            m_socket->abort();
        scheduleRetry();
    });
}

NetworkLine::~NetworkLine()
{
    close();
}

LineDevice::Caps NetworkLine::caps() const
{
    Caps c;
    c.lineName = QStringLiteral("网络来电服务器 %1:%2").arg(m_host, QString::number(m_port));
    c.providerInfo = QStringLiteral("Pelkor network caller-ID client");
    c.switchInfo = Identity::network(m_host, m_port);
    c.permanentLineID = 2;
    return c;
}

LONG NetworkLine::open()
{
    if (m_open)
        return LINEERR_ALLOCATED;
    m_open = true;
    m_retryDelay = m_retryFirst;
    // The line is open even while the server cannot be reached: it keeps
    // trying in the background.
    connectNow();
    return 0;
}

void NetworkLine::close()
{
    m_open = false;
    m_retry->stop();
    m_callEnd->stop();
    m_silence->stop();
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
    clearLines();
    if (m_started) {
        m_started = false;
        emit connectionChanged(false);
    }
}

QByteArray NetworkLine::deviceId(const QByteArray &deviceClass) const
{
    if (deviceClass == "pelkor/network/server")
        return QStringLiteral("%1:%2").arg(m_host, QString::number(m_port)).toLocal8Bit();
    return QByteArray();
}

void NetworkLine::connectNow()
{
    if (!m_open)
        return;
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
    }
    clearLines();
    m_started = false;
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::readyRead, this, &NetworkLine::readLines);
    connect(m_socket, &QTcpSocket::disconnected, this, &NetworkLine::scheduleRetry);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &NetworkLine::scheduleRetry);
    m_socket->connectToHost(m_host, m_port);
}

void NetworkLine::scheduleRetry()
{
    if (!m_open || m_retry->isActive())
        return;
    m_silence->stop();
    if (m_started) {
        m_started = false;
        emit connectionChanged(false);
    }
    m_retryDelay = std::min(m_retryDelay, retryCap());
    m_retry->start(m_retryDelay);
    m_retryDelay = std::min(m_retryDelay * 2, retryCap());
}

int NetworkLine::retryCap() const
{
    if (m_heartbeatMs <= 0)
        return m_retryMax;
    return std::max(m_retryFirst, std::min(m_retryMax, MissedBeats * m_heartbeatMs));
}

void NetworkLine::readLines()
{
    const bool withinLimit
        = splitLines(m_socket->readAll(), MaxLineBytes, [this](const QByteArray &line) {
              handleLine(line);
              return m_socket != nullptr;
          });
    // A server that sends no line end is not one to listen to.
    if (!withinLimit && m_socket)
        m_socket->abort();
}

QHash<QByteArray, QByteArray> NetworkLine::parseCallLine(const QByteArray &line)
{
    QHash<QByteArray, QByteArray> fields;
    const int colon = line.indexOf(':');
    const QByteArray body = colon < 0 ? line : line.mid(colon + 1);
    // The blank after the colon and any "**" are not tokens.
    QList<QByteArray> tokens;
    const QList<QByteArray> pieces = body.split('*');
    for (const QByteArray &piece : pieces) {
        const QByteArray token = piece.trimmed();
        if (!token.isEmpty())
            tokens.append(token);
    }
    for (qsizetype i = 0; i + 1 < tokens.size(); i += 2)
        fields.insert(tokens.at(i).toUpper(), tokens.at(i + 1));
    // A pair cut short at the end of the line leaves a lone key: skipped.
    return fields;
}

void NetworkLine::handleLine(const QByteArray &line)
{
    if (line.startsWith("HEARTBEAT:")) {
        const int beat = line.mid(10).trimmed().toInt();
        if (beat > 0)
            m_heartbeatMs = beat;
    }
    if (m_heartbeatMs > 0)
        m_silence->start(MissedBeats * m_heartbeatMs);
    if (!m_started) {
        if (line.startsWith("300 ")) {
            m_started = true;
            // Only a server that completed its greeting earns a quick retry
            // again; one that accepts and drops keeps backing off.
            m_retryDelay = m_retryFirst;
            emit connectionChanged(true);
        }
        // Greeting, options and the replayed call log: history only.
        return;
    }
    if (!line.startsWith("CID:"))
        return; // ring progress, messages, other servers' extensions
    const QHash<QByteArray, QByteArray> fields = parseCallLine(line);
    const QByteArray number = fields.value("NMBR").trimmed();
    // Private and out-of-area callers have no number to look up.
    if (number.isEmpty() || number == "P" || number == "O" || number == "-")
        return;
    QByteArray name = fields.value("NAME").trimmed();
    if (name == "NO NAME" || name == "-")
        name.clear();
    emit ringing(number + '\0', name.isEmpty() ? QByteArray() : name + '\0');
    m_callEnd->start();
}

} // namespace tapi
