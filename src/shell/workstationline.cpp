#include "shell/workstationline.h"

#include "callerid/linedevice.h"
#include "datastore/cregistry.h"
#include "datastore/registrysettings.h"

namespace WorkstationLine {

namespace {

const QString DeviceKey = QStringLiteral("\\LINE_DEVICE");
const QString ServerKey = QStringLiteral("\\CALLERID_SERVER");
const QString ModemCommandKey = QStringLiteral("\\MODEM_INIT");
const QString ModemDevicesKey = QStringLiteral("\\MODEM_DEVICES");
const QString CallNoticeKey = QStringLiteral("\\CALL_NOTICE");
const QString ShareKey = QStringLiteral("\\LINE_SHARE");

QString text(const QString &key)
{
    return readRegistryText(mDatabase::RegistryRoot + key);
}

void store(const QString &key, const QString &value)
{
    // A text setting ends at its first NUL: one typed inside is dropped
    // rather than cutting the setting short.
    writeRegistryText(mDatabase::RegistryRoot + key, QString(value).remove(QChar(0)).trimmed());
}

} // namespace

Settings read()
{
    Settings s;
    s.device = text(DeviceKey);
    s.server = text(ServerKey);
    s.modemCommand = text(ModemCommandKey);
    s.modemDevices = text(ModemDevicesKey);
    s.callNotice = text(CallNoticeKey) != QLatin1String("0");
    s.share = text(ShareKey) == QLatin1String("1");
    return s;
}

void write(const Settings &s)
{
    store(DeviceKey, s.device);
    store(ServerKey, s.server);
    store(ModemCommandKey, s.modemCommand);
    store(ModemDevicesKey, s.modemDevices);
    store(CallNoticeKey, s.callNotice ? QStringLiteral("1") : QStringLiteral("0"));
    store(ShareKey, s.share ? QStringLiteral("1") : QStringLiteral("0"));
}

void apply(const Settings &s)
{
    tapi::LineSettings settings = tapi::lineSettings();
    QString host;
    quint16 port = DefaultPort;
    // A server stored before it was checked, and is no address, is no server.
    if (!tapi::parseHostPort(s.server, DefaultPort, &host, &port))
        host.clear();
    settings.serverHost = host;
    settings.serverPort = port;
    settings.modemInitCommand
        = s.modemCommand.isEmpty() ? QStringLiteral("AT+VCID=1") : s.modemCommand;
    settings.modemDevices = s.modemDevices.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    tapi::setLineSettings(settings);
}

} // namespace WorkstationLine
