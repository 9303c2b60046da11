#include "callerid/linedevice.h"

#include "callerid/modemline.h"
#include "callerid/networkline.h"
#include "callerid/simulatedline.h"

#include <QFileInfo>
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
    auto addModem = [&](const QString &path) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        const QString key = canonical.isEmpty() ? path : canonical;
        if (path.isEmpty() || seen.contains(key))
            return;
        seen.insert(key);
        devices.append(new ModemLine(path, settings.modemInitCommand));
    };
    for (const QString &path : settings.modemDevices)
        addModem(path.trimmed());
    if (settings.systemSerialPorts) {
        const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &port : ports)
            addModem(port.systemLocation());
    }
    for (const LineProvider &provider : extraProviders())
        devices.append(provider(settings));
    return devices;
}

} // namespace tapi
