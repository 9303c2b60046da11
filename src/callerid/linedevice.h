#pragma once

// Line devices beneath the telephony layer, and the list of them that
// lineInitializeEx hands out. A device only watches its line while it is
// open; it reports a call by ringing() with the caller number as bytes (a
// terminating NUL included, the way the number goes into LINECALLINFO).

#include "callerid/tapi.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace tapi {

// What the workstation says about its lines. Given to the layer before
// lineInitializeEx; the layer itself reads no settings.
struct LineSettings {
    // Network caller-ID server; no network line when the host is empty.
    QString serverHost;
    quint16 serverPort = 3333;
    // Reconnection delays to that server: the first, doubled up to the cap.
    int serverRetryFirstMs = 1000;
    int serverRetryMaxMs = 60000;
    // Serial devices the system does not list (pseudo-terminals, odd drivers).
    QStringList modemDevices;
    // Also one modem line per serial port the system lists.
    bool systemSerialPorts = true;
    // Sent at every open and after the modem reports a reset.
    QString modemInitCommand = QStringLiteral("AT+VCID=1");
    // The simulated line; the program always keeps it.
    bool simulatedLine = true;
    // Local socket of the simulated line; empty: the user's own default.
    QString simulatedLineSocket;
};

void setLineSettings(const LineSettings &settings);
LineSettings lineSettings();

class LineDevice : public QObject {
    Q_OBJECT

public:
    struct Caps {
        QString lineName;
        QString providerInfo;
        QString switchInfo;
        QByteArray devSpecific;
        DWORD permanentLineID = 0;
        DWORD maxRate = 0;
        DWORD bearerModes = LINEBEARERMODE_VOICE;
        DWORD mediaModes = LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_DATAMODEM;
        DWORD lowestVersion = TAPI_VERSION_LOWEST;
        DWORD highestVersion = TAPI_VERSION_HIGHEST;
        LINEEXTENSIONID extension{0, 0, 0, 0};
    };

    explicit LineDevice(QObject *parent = nullptr);
    ~LineDevice() override;

    virtual Caps caps() const = 0;
    // Starts watching the line; 0 or a LINEERR_* code.
    virtual LONG open() = 0;
    virtual void close() = 0;
    // An outgoing call; 0 when it is placed, else a LINEERR_* code that the
    // layer reports in LINE_REPLY. Lines that only listen refuse.
    virtual LONG makeCall(const QByteArray &number);
    // A text for lineGetID of a device class, or a null array when the
    // class does not apply to this device.
    virtual QByteArray deviceId(const QByteArray &deviceClass) const;

protected:
    // Splits what arrived from the line into lines ended by CR, LF or both, and hands each
    // non-empty one to handle, which returns false when the device closed meanwhile (the
    // rest is then left alone). The unfinished rest is kept for the next call; it is
    // dropped when it grows beyond maxLineBytes, and the result is false then.
    bool splitLines(const QByteArray &arrived, qsizetype maxLineBytes,
        const std::function<bool(const QByteArray &line)> &handle);
    // Forgets a line begun before the device was closed.
    void clearLines() { m_lines.clear(); }

signals:
    // A call arrived; infoStates is what LINE_CALLINFO reports as changed.
    void ringing(const QByteArray &callerId, const QByteArray &callerName,
        quint32 infoStates = LINECALLINFOSTATE_CALLERID);
    // The current call ended (no more rings); the layer reports it idle.
    void callEnded();
    // A call state of the current call, reported as it is.
    void callState(quint32 state);
    // The device is gone (unplugged, closed by the other side).
    void lost();
    // A line that reaches its telephone through something that can drop
    // (a server) tells when it can hear calls and when not.
    void connectionChanged(bool connected);

private:
    QByteArray m_lines;
};

// What a device is, whatever its place in a workstation's list:
// "simulated", "network:HOST:PORT", "serial:/dev/ttyUSB0", or "serialno:NUMBER"
// for a port the system reports a serial number for (it keeps it when the
// port is plugged in elsewhere). Reported as the device's SwitchInfo.
namespace Identity {
inline const QString Simulated = QStringLiteral("simulated");
QString network(const QString &host, quint16 port);
QString serialPort(const QString &path);
QString serialNumber(const QString &number);
// True for a serial device: one the program writes to when it opens it.
bool isPort(const QString &identity);
// What the operator calls it: 模拟线路, 来电服务器 host, 调制解调器 ttyUSB0.
QString label(const QString &identity);
} // namespace Identity

// "host", "host:port", "[v6address]:port" as an operator types a server; the
// host a name or an address, the port 1-65535 (defaultPort when left out).
// False, and nothing set, for anything else.
bool parseHostPort(const QString &text, quint16 defaultPort, QString *host, quint16 *port);

// The one device of that identity, or nullptr when there is none here (a
// serial number no plugged-in port has, a text that names no device).
LineDevice *createLineDevice(const QString &identity, const LineSettings &settings);

// A provider lists its devices for one lineInitializeEx.
using LineProvider = std::function<QList<LineDevice *>(const LineSettings &)>;
// Adds a provider after the built-in ones (simulated, network, modems).
void addLineProvider(const LineProvider &provider);
void clearExtraLineProviders();
// The devices for the current settings, in device-ID order.
QList<LineDevice *> createLineDevices();

} // namespace tapi
