#pragma once

#include "callerid/linedevice.h"

class QSerialPort;
class QTimer;

namespace tapi {

// A voice or data modem on a serial device that reports caller ID.
//
// At open it sends the caller-ID enabling command (by default
// "AT+VCID=1"). Modems forget that setting when they are reset, and a reset
// cannot be asked for, so the command is sent again whenever the modem
// shows signs of one:
//   - an "OK" that answers no command of ours (someone sent ATZ, or the
//     modem restarted and answers a command nobody here gave),
//   - the echo of a reset command ("ATZ", "AT&F"), answered by its "OK",
//   - a call whose second ring arrives without any caller lines.
// When the modem answers the default command with "ERROR", the other
// common spellings ("AT#CID=1", "AT%CCID=1") are tried in turn and the one
// it accepts is used from then on; a command the operator set is used as
// it is.
// A call is "RING" followed by its caller lines "DATE = 1208",
// "TIME = 1405", "NMBR = 5551234", "NAME = ..." (blanks around "=" are
// optional). The number is reported when its line arrives; "P" (private)
// and "O" (out of area) are not numbers and are not reported. The call is
// over when no ring has come for eight seconds.
class ModemLine : public LineDevice {
    Q_OBJECT

public:
    // serialNumber: what the system reports for the port, empty when nothing;
    // it then names the device instead of its path.
    ModemLine(const QString &device, const QString &initCommand,
        const QString &serialNumber = QString(), QObject *parent = nullptr);
    ~ModemLine() override;

    Caps caps() const override;
    LONG open() override;
    void close() override;
    QByteArray deviceId(const QByteArray &deviceClass) const override;

    QString device() const { return m_device; }
    // How many times the enabling command has been sent since open.
    int initCommandsSent() const { return m_initsSent; }

private:
    void sendInit();
    void readLines();
    void handleLine(const QByteArray &line);

    QString m_device;
    QString m_serialNumber;
    QByteArray m_init;
    // The enabling commands to try, the one in use first.
    QList<QByteArray> m_commands;
    int m_command = 0;
    QSerialPort *m_port = nullptr;
    QTimer *m_ringTimer = nullptr;
    QTimer *m_replyTimer = nullptr;
    QByteArray m_name;
    bool m_awaitingReply = false;
    bool m_inCall = false;
    bool m_callerLinesSeen = false;
    bool m_reinitThisCall = false;
    int m_rings = 0;
    int m_initsSent = 0;
};

} // namespace tapi
