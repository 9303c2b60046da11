#include "callerid/ctapiline.h"
#include "callerid/linedevice.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace tapi;

// A pseudo-terminal plays the modem: the test writes what a modem would
// report on the master side and reads what the program sends it.
class tst_ModemLine : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void listedUnderItsDevice();
    void callerLinesRaiseTheNumber();
    void privateAndOutOfAreaRaiseNothing();
    void resetMidStreamResendsTheCommand();
    void ringsWithoutCallerLinesResendTheCommand();
    void customCommand();
    void refusedCommandTriesTheOtherSpellings();
    void lostDeviceClosesTheLine();
    void namedDevicesOnceEachAndMissingOnes();

private:
    void openModem(cTAPILine &line, const QString &command = QString());
    void modemSays(const QByteArray &bytes);
    // Reads what the program sends until `expected` has arrived.
    bool programSends(const QByteArray &expected, int timeoutMs = 3000);

    int m_master = -1;
    int m_slave = -1;
    QString m_device;
    QByteArray m_received;
};

void tst_ModemLine::init()
{
    char name[128] = {};
    QVERIFY(openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0);
    termios raw{};
    QVERIFY(tcgetattr(m_slave, &raw) == 0);
    cfmakeraw(&raw);
    QVERIFY(tcsetattr(m_slave, TCSANOW, &raw) == 0);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_device = QString::fromLocal8Bit(name);
    m_received.clear();
    LineSettings settings;
    settings.simulatedLine = false;
    settings.systemSerialPorts = false;
    settings.modemDevices = {m_device};
    setLineSettings(settings);
    clearExtraLineProviders();
}

void tst_ModemLine::cleanup()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

void tst_ModemLine::openModem(cTAPILine &line, const QString &command)
{
    if (!command.isEmpty()) {
        LineSettings settings = lineSettings();
        settings.modemInitCommand = command;
        setLineSettings(settings);
    }
    QVERIFY(line.Create());
    QCOMPARE(line.numLines(), 1);
    QVERIFY(line.NegotiatedAPIVersion() != 0);
    QVERIFY(line.OpenLine(LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM));
}

void tst_ModemLine::modemSays(const QByteArray &bytes)
{
    QCOMPARE(::write(m_master, bytes.constData(), static_cast<size_t>(bytes.size())),
        static_cast<ssize_t>(bytes.size()));
}

bool tst_ModemLine::programSends(const QByteArray &expected, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        char buffer[256];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0)
            m_received.append(buffer, n);
        const qsizetype at = m_received.indexOf(expected);
        if (at >= 0) {
            m_received.remove(0, at + expected.size());
            return true;
        }
        QTest::qWait(10);
    }
    return false;
}

void tst_ModemLine::listedUnderItsDevice()
{
    cTAPILine line;
    QVERIFY(line.Create());
    QCOMPARE(line.numLines(), 1);
    QVERIFY(line.LineName().endsWith(m_device.section(QLatin1Char('/'), -1)));
    QCOMPARE(line.SwitchInfo(), Identity::serialPort(m_device));
    QVERIFY(line.OpenLine(LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM));
    QCOMPARE(line.GetID(LINECALLSELECT_LINE, QStringLiteral("comm/datamodem/portname")), m_device);
}

void tst_ModemLine::callerLinesRaiseTheNumber()
{
    cTAPILine line;
    openModem(line);
    QVERIFY(programSends("AT+VCID=1\r"));
    modemSays("AT+VCID=1\r\r\nOK\r\n"); // echo on, as modems ship
    QSignalSpy caller(&line, &cTAPILine::InfoCallerID);
    modemSays("\r\nRING\r\n\r\nDATE = 1208\r\nTIME = 1405\r\nNMBR = 5551234\r\nNAME = ZHANG "
              "SAN\r\n\r\nRING\r\n");
    QVERIFY(caller.wait(3000));
    QCOMPARE(caller.count(), 1);
    QCOMPARE(caller.at(0).at(0).toString(), QStringLiteral("5551234"));

    // Without blanks around "=", LF only, name before number.
    modemSays("RING\nDATE=1208\nTIME=1406\nNAME=LI SI\nNMBR=5557777\n");
    QVERIFY(caller.wait(3000));
    QCOMPARE(caller.count(), 2);
    QCOMPARE(caller.at(1).at(0).toString(), QStringLiteral("5557777"));
    // Nothing was sent in between: no reset was seen.
    QTest::qWait(100);
    QVERIFY(!programSends("AT", 50));
}

void tst_ModemLine::privateAndOutOfAreaRaiseNothing()
{
    cTAPILine line;
    openModem(line);
    QVERIFY(programSends("AT+VCID=1\r"));
    modemSays("OK\r\n");
    QSignalSpy caller(&line, &cTAPILine::InfoCallerID);
    modemSays("RING\r\nDATE = 1208\r\nTIME = 1405\r\nNMBR = P\r\n");
    modemSays("RING\r\nDATE = 1208\r\nTIME = 1405\r\nNMBR = O\r\nNAME = O\r\n");
    modemSays("RING\r\nDATE = 1208\r\nTIME = 1407\r\nNMBR = 4270001\r\n");
    QVERIFY(caller.wait(3000));
    QTest::qWait(100);
    QCOMPARE(caller.count(), 1);
    QCOMPARE(caller.at(0).at(0).toString(), QStringLiteral("4270001"));
}

void tst_ModemLine::resetMidStreamResendsTheCommand()
{
    cTAPILine line;
    openModem(line);
    QVERIFY(programSends("AT+VCID=1\r"));
    modemSays("OK\r\n");
    QSignalSpy caller(&line, &cTAPILine::InfoCallerID);
    modemSays("RING\r\nNMBR = 5550001\r\n");
    QVERIFY(caller.wait(3000));

    // Someone resets the modem: its echo and answer arrive mid-stream.
    modemSays("ATZ\r\r\nOK\r\n");
    QVERIFY(programSends("AT+VCID=1\r"));
    modemSays("OK\r\n");
    modemSays("RING\r\nDATE = 1208\r\nTIME = 1410\r\nNMBR = 5550002\r\n");
    QVERIFY(caller.wait(3000));

    // A modem that restarted on its own answers a command nobody here gave.
    modemSays("\r\nOK\r\n");
    QVERIFY(programSends("AT+VCID=1\r"));
    modemSays("OK\r\n");
    modemSays("RING\r\nNMBR=5550003\r\n");
    QVERIFY(caller.wait(3000));

    QCOMPARE(caller.count(), 3);
    QCOMPARE(caller.at(0).at(0).toString(), QStringLiteral("5550001"));
    QCOMPARE(caller.at(1).at(0).toString(), QStringLiteral("5550002"));
    QCOMPARE(caller.at(2).at(0).toString(), QStringLiteral("5550003"));
    // The answer to our own command never sets off another one.
    QVERIFY(!programSends("AT+VCID", 200));
}

void tst_ModemLine::ringsWithoutCallerLinesResendTheCommand()
{
    cTAPILine line;
    openModem(line);
    QVERIFY(programSends("AT+VCID=1\r"));
    modemSays("OK\r\n");
    modemSays("RING\r\n");
    QVERIFY(!programSends("AT+VCID=1\r", 200));
    modemSays("RING\r\n");
    QVERIFY(programSends("AT+VCID=1\r"));
    modemSays("OK\r\n");
    // Only once per call.
    modemSays("RING\r\n");
    QVERIFY(!programSends("AT+VCID=1\r", 200));
}

void tst_ModemLine::customCommand()
{
    cTAPILine line;
    openModem(line, QStringLiteral("AT#CID=1"));
    QVERIFY(programSends("AT#CID=1\r"));
    // The operator's command is not replaced by a guess.
    modemSays("ERROR\r\n");
    QVERIFY(!programSends("AT", 200));
}

void tst_ModemLine::refusedCommandTriesTheOtherSpellings()
{
    cTAPILine line;
    openModem(line);
    QVERIFY(programSends("AT+VCID=1\r"));
    modemSays("ERROR\r\n");
    QVERIFY(programSends("AT#CID=1\r"));
    modemSays("OK\r\n");
    // After a reset, the spelling the modem accepted is the one sent again.
    modemSays("ATZ\r\nOK\r\n");
    QVERIFY(programSends("AT#CID=1\r"));
    modemSays("OK\r\n");
    QSignalSpy caller(&line, &cTAPILine::InfoCallerID);
    modemSays("RING\r\nNMBR = 5551234\r\n");
    QVERIFY(caller.wait(3000));
    QVERIFY(!m_received.contains("AT+VCID"));
}

void tst_ModemLine::lostDeviceClosesTheLine()
{
    cTAPILine line;
    openModem(line);
    QVERIFY(programSends("AT+VCID=1\r"));
    QSignalSpy closed(&line, &cTAPILine::LineClose);
    ::close(m_master);
    m_master = -1;
    ::close(m_slave);
    m_slave = -1;
    QVERIFY(closed.wait(5000));
    QCOMPARE(line.hLine(), 0u);
}

void tst_ModemLine::namedDevicesOnceEachAndMissingOnes()
{
    LineSettings settings = lineSettings();
    const QString missing = QStringLiteral("/nonexistent/ttyModem");
    settings.modemDevices = {m_device, QStringLiteral(" %1 ").arg(m_device), missing};
    setLineSettings(settings);
    cTAPILine line;
    QVERIFY(line.Create());
    QCOMPARE(line.numLines(), 2);
    QCOMPARE(line.SwitchInfo(), Identity::serialPort(m_device));
    QCOMPARE(line.setCurrentLineID(1), 0);
    QCOMPARE(line.SwitchInfo(), Identity::serialPort(missing));
    QVERIFY(!line.OpenLine(LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM));
    QCOMPARE(line.LastError(), LINEERR_NODEVICE);
    QCOMPARE(line.hLine(), 0u);
}

QTEST_GUILESS_MAIN(tst_ModemLine)
#include "tst_modemline.moc"
