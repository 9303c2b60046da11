#include "callerid/modemline.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QTimer>

#include <algorithm>

namespace tapi {

namespace {

// Rings come every six seconds or so; two missed ones end the call.
constexpr int RingGapMs = 8000;
// A modem answers a command within a second; after this it is not waited for.
constexpr int ReplyWaitMs = 3000;
constexpr int MaxLineBytes = 4096;

bool isResetEcho(const QByteArray &upper)
{
    const QByteArray command = QByteArray(upper).replace(' ', QByteArray());
    return command.startsWith("ATZ") || command.startsWith("AT&F");
}

} // namespace

ModemLine::ModemLine(
    const QString &device, const QString &initCommand, const QString &serialNumber, QObject *parent)
    : LineDevice(parent), m_device(device), m_serialNumber(serialNumber),
      m_init(initCommand.trimmed().toLatin1())
{
    m_commands.append(m_init);
    if (m_init.toUpper() == "AT+VCID=1")
        m_commands << QByteArray("AT#CID=1") << QByteArray("AT%CCID=1");
    m_ringTimer = new QTimer(this);
    m_ringTimer->setSingleShot(true);
    m_ringTimer->setInterval(RingGapMs);
    connect(m_ringTimer, &QTimer::timeout, this, [this]() {
        m_inCall = false;
        emit callEnded();
    });
    m_replyTimer = new QTimer(this);
    m_replyTimer->setSingleShot(true);
    m_replyTimer->setInterval(ReplyWaitMs);
    connect(m_replyTimer, &QTimer::timeout, this, [this]() { m_awaitingReply = false; });
}

ModemLine::~ModemLine()
{
    close();
}

LineDevice::Caps ModemLine::caps() const
{
    Caps c;
    c.lineName = QStringLiteral("调制解调器 %1").arg(QFileInfo(m_device).fileName());
    c.providerInfo = QStringLiteral("Pelkor serial modem");
    c.switchInfo = m_serialNumber.isEmpty() ? Identity::serialPort(m_device)
                                            : Identity::serialNumber(m_serialNumber);
    c.permanentLineID = 0x100 + (qHash(m_device) & 0xffff);
    c.maxRate = 115200;
    return c;
}

LONG ModemLine::open()
{
    if (m_port)
        return LINEERR_ALLOCATED;
    if (!QFileInfo::exists(m_device) && !m_device.startsWith(QLatin1String("COM")))
        return LINEERR_NODEVICE;
    auto *port = new QSerialPort(this);
    port->setPortName(m_device);
    if (!port->open(QIODevice::ReadWrite)) {
        delete port;
        return LINEERR_RESOURCEUNAVAIL;
    }
    port->setBaudRate(QSerialPort::Baud115200);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    connect(port, &QSerialPort::readyRead, this, &ModemLine::readLines);
    connect(port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        // The device went away (unplugged, or the other end of a
        // pseudo-terminal closed): the line is lost. A port that can no
        // longer be read says so at every turn of the event loop.
        if (error == QSerialPort::ResourceError || error == QSerialPort::PermissionError
            || error == QSerialPort::ReadError) {
            if (m_port)
                m_port->disconnect(this);
            emit lost();
        }
    });
    m_port = port;
    clearLines();
    m_inCall = false;
    m_initsSent = 0;
    m_command = 0;
    sendInit();
    return 0;
}

void ModemLine::close()
{
    m_ringTimer->stop();
    m_replyTimer->stop();
    m_awaitingReply = false;
    if (!m_port)
        return;
    m_port->disconnect(this);
    m_port->close();
    // Closing may happen inside one of the port's own signals.
    m_port->deleteLater();
    m_port = nullptr;
}

QByteArray ModemLine::deviceId(const QByteArray &deviceClass) const
{
    if (deviceClass == "comm/datamodem/portname" || deviceClass == "comm")
        return m_device.toLocal8Bit();
    return QByteArray();
}

void ModemLine::sendInit()
{
    if (!m_port || m_init.isEmpty())
        return;
    m_port->write(m_commands.at(m_command) + '\r');
    m_awaitingReply = true;
    m_replyTimer->start();
    ++m_initsSent;
}

void ModemLine::readLines()
{
    if (!m_port)
        return;
    // Modems pad their lines with blanks; a line of blanks is no line.
    splitLines(m_port->readAll(), MaxLineBytes, [this](const QByteArray &line) {
        const QByteArray trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            handleLine(trimmed);
        return m_port != nullptr;
    });
}

void ModemLine::handleLine(const QByteArray &line)
{
    const QByteArray upper = line.toUpper();
    for (const QByteArray &command : std::as_const(m_commands)) {
        if (upper == command.toUpper())
            return; // our own command echoed
    }
    if (upper == "OK" || upper == "ERROR") {
        if (m_awaitingReply) {
            m_awaitingReply = false;
            m_replyTimer->stop();
            if (upper == "ERROR" && m_command + 1 < m_commands.size()) {
                ++m_command;
                sendInit();
            }
        } else if (upper == "OK") {
            sendInit();
        }
        return;
    }
    if (isResetEcho(upper)) {
        // Its "OK" follows; that one must not count as the answer to ours.
        m_awaitingReply = false;
        m_replyTimer->stop();
        return;
    }
    if (upper == "RING") {
        if (!m_inCall) {
            m_inCall = true;
            m_callerLinesSeen = false;
            m_reinitThisCall = false;
            m_rings = 0;
            m_name.clear();
        }
        ++m_rings;
        m_ringTimer->start();
        if (m_rings >= 2 && !m_callerLinesSeen && !m_reinitThisCall) {
            m_reinitThisCall = true;
            sendInit();
        }
        return;
    }
    const int equals = line.indexOf('=');
    if (equals <= 0)
        return; // CONNECT, NO CARRIER and friends: nothing for caller ID
    const QByteArray key = upper.left(equals).trimmed();
    const QByteArray value = line.mid(equals + 1).trimmed();
    if (key != "DATE" && key != "TIME" && key != "NMBR" && key != "NAME" && key != "MESG"
        && key != "DDN_NMBR")
        return;
    if (!m_inCall) {
        // Some modems send the caller lines before the first ring.
        m_inCall = true;
        m_reinitThisCall = false;
        m_rings = 0;
        m_name.clear();
        m_ringTimer->start();
    }
    m_callerLinesSeen = true;
    if (key == "NAME") {
        m_name = value;
    } else if (key == "NMBR") {
        if (value.isEmpty() || value == "P" || value == "O")
            return;
        emit ringing(value + '\0', m_name.isEmpty() ? QByteArray() : m_name + '\0');
    }
}

} // namespace tapi
