#include "callerid/linedevice.h"

#include "callerid/modemline.h"
#include "callerid/networkline.h"
#include "callerid/simulatedline.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QSet>

#include <algorithm>

namespace tapi {

namespace {

LineSettings &currentSettings()
{
    static LineSettings settings;
    return settings;
}

QList<LineProvider> &extraProviders()
{
    static QList<LineProvider> providers;
    return providers;
}

} // namespace

void setLineSettings(const LineSettings &settings)
{
    currentSettings() = settings;
}

LineSettings lineSettings()
{
    return currentSettings();
}

LineDevice::LineDevice(QObject *parent) : QObject(parent) { }

LineDevice::~LineDevice() = default;

LONG LineDevice::makeCall(const QByteArray &number)
{
    Q_UNUSED(number);
    return LINEERR_OPERATIONUNAVAIL;
}

bool LineDevice::splitLines(const QByteArray &arrived, qsizetype maxLineBytes,
    const std::function<bool(const QByteArray &line)> &handle)
{
    m_lines += arrived;
    const auto isEnd = [](char c) {
        return c == '\r' || c == '\n';
    };
    for (;;) {
        const auto end = std::find_if(m_lines.cbegin(), m_lines.cend(), isEnd);
        if (end == m_lines.cend())
            break;
        const qsizetype length = end - m_lines.cbegin();
        const QByteArray line = m_lines.left(length);
        qsizetype skip = length;
        while (skip < m_lines.size() && isEnd(m_lines.at(skip)))
            ++skip;
        m_lines.remove(0, skip);
        if (!line.isEmpty() && !handle(line))
            return true;
    }
    if (m_lines.size() <= maxLineBytes)
        return true;
    m_lines.clear();
    return false;
}

QByteArray LineDevice::deviceId(const QByteArray &deviceClass) const
{
    Q_UNUSED(deviceClass);
    return QByteArray();
}

void addLineProvider(const LineProvider &provider)
{
    extraProviders().append(provider);
}

void clearExtraLineProviders()
{
    extraProviders().clear();
}

namespace Identity {

namespace {
const QString NetworkPrefix = QStringLiteral("network:");
const QString SerialPrefix = QStringLiteral("serial:");
const QString SerialNumberPrefix = QStringLiteral("serialno:");
} // namespace

QString network(const QString &host, quint16 port)
{
    return NetworkPrefix + host + QLatin1Char(':') + QString::number(port);
}

QString serialPort(const QString &path)
{
    return SerialPrefix + path;
}

QString serialNumber(const QString &number)
{
    return SerialNumberPrefix + number;
}

bool isPort(const QString &identity)
{
    return identity.startsWith(SerialPrefix) || identity.startsWith(SerialNumberPrefix);
}

QString label(const QString &identity)
{
    if (identity == Simulated)
        return QStringLiteral("模拟线路");
    if (identity.startsWith(NetworkPrefix)) {
        QString host;
        quint16 port = 0;
        if (parseHostPort(identity.mid(NetworkPrefix.size()), 3333, &host, &port))
            return QStringLiteral("来电服务器 %1").arg(host);
    }
    if (identity.startsWith(SerialPrefix))
        return QStringLiteral("调制解调器 %1")
            .arg(QFileInfo(identity.mid(SerialPrefix.size())).fileName());
    if (identity.startsWith(SerialNumberPrefix))
        return QStringLiteral("调制解调器 %1").arg(identity.mid(SerialNumberPrefix.size()));
    return identity;
}

} // namespace Identity

bool parseHostPort(const QString &text, quint16 defaultPort, QString *host, quint16 *port)
{
    const QString t = text.trimmed();
    QString h = t;
    QString p;
    bool portGiven = false;
    if (t.startsWith(QLatin1Char('['))) {
        const qsizetype close = t.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        h = t.mid(1, close - 1);
        const QString rest = t.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return false;
            p = rest.mid(1);
            portGiven = true;
        }
        if (QHostAddress(h).protocol() != QAbstractSocket::IPv6Protocol)
            return false;
    } else {
        const qsizetype colon = t.indexOf(QLatin1Char(':'));
        if (colon >= 0) {
            if (t.indexOf(QLatin1Char(':'), colon + 1) >= 0)
                return false; // a bare IPv6 address leaves the port unclear
            h = t.left(colon);
            p = t.mid(colon + 1);
            portGiven = true;
        }
        static const QRegularExpression name(
            QStringLiteral("^(?=.{1,253}$)[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?"
                           "(?:\\.[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?)*$"));
        if (!name.match(h).hasMatch())
            return false;
    }
    quint16 number = defaultPort;
    if (portGiven) {
        static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
        const uint value = p.toUInt();
        if (!digits.match(p).hasMatch() || value < 1 || value > 65535)
            return false;
        number = static_cast<quint16>(value);
    }
    *host = h;
    *port = number;
    return true;
}

LineDevice *createLineDevice(const QString &identity, const LineSettings &settings)
{
    if (identity == Identity::Simulated)
        return new SimulatedLine(settings.simulatedLineSocket);
    if (identity.startsWith(Identity::NetworkPrefix)) {
        QString host;
        quint16 port = 0;
        if (!parseHostPort(identity.mid(Identity::NetworkPrefix.size()), 3333, &host, &port))
            return nullptr;
        return new NetworkLine(host, port, settings.serverRetryFirstMs, settings.serverRetryMaxMs);
    }
    if (identity.startsWith(Identity::SerialPrefix))
        return new ModemLine(
            identity.mid(Identity::SerialPrefix.size()), settings.modemInitCommand);
    if (identity.startsWith(Identity::SerialNumberPrefix)) {
        const QString number = identity.mid(Identity::SerialNumberPrefix.size());
        const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &port : ports) {
            if (port.serialNumber() == number)
                return new ModemLine(port.systemLocation(), settings.modemInitCommand, number);
        }
    }
    return nullptr;
}

QList<LineDevice *> createLineDevices()
{
    const LineSettings &settings = currentSettings();
    QList<LineDevice *> devices;
    if (settings.simulatedLine)
        devices.append(new SimulatedLine(settings.simulatedLineSocket));
    if (!settings.serverHost.trimmed().isEmpty()) {
        devices.append(new NetworkLine(settings.serverHost.trimmed(), settings.serverPort,
            settings.serverRetryFirstMs, settings.serverRetryMaxMs));
    }
    // One modem line per serial device: the named ones first (they are what
    // the operator asked for), then the ports the system lists.
    QSet<QString> seen;
    auto addModem = [&](const QString &path, const QString &serialNumber) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        const QString key = canonical.isEmpty() ? path : canonical;
        if (path.isEmpty() || seen.contains(key))
            return;
        seen.insert(key);
        devices.append(new ModemLine(path, settings.modemInitCommand, serialNumber));
    };
    for (const QString &path : settings.modemDevices)
        addModem(path.trimmed(), QString());
    if (settings.systemSerialPorts) {
        const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &port : ports)
            addModem(port.systemLocation(), port.serialNumber());
    }
    for (const LineProvider &provider : extraProviders())
        devices.append(provider(settings));
    return devices;
}

} // namespace tapi
