#include "callerid/ctapiline.h"
#include "callerid/linedevice.h"
#include "callerid/networkline.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace tapi;

// A small caller-ID server inside the test speaks the protocol to the line.
class tst_NetworkLine : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void parseCallLine_data();
    void parseCallLine();
    void listedOnlyWhenConfigured();
    void historyIsNotACall();
    void callLines();
    void droppedConnectionIsMadeAgain();
    void serverAwayForAWhile();
    void serverWithoutLineEndsIsLeft();

private:
    void openLine(cTAPILine &line);
    // Waits for the line's connection and greets it, replaying a call log.
    QTcpSocket *acceptAndGreet();

    QTcpServer *m_server = nullptr;
    quint16 m_port = 0;
};

void tst_NetworkLine::init()
{
    m_server = new QTcpServer(this);
    QVERIFY(m_server->listen(QHostAddress::LocalHost, 0));
    m_port = m_server->serverPort();
    LineSettings settings;
    settings.simulatedLine = false;
    settings.systemSerialPorts = false;
    settings.serverHost = QStringLiteral("127.0.0.1");
    settings.serverPort = m_port;
    settings.serverRetryFirstMs = 50;
    settings.serverRetryMaxMs = 400;
    setLineSettings(settings);
    clearExtraLineProviders();
}

void tst_NetworkLine::cleanup()
{
    delete m_server;
    m_server = nullptr;
}

void tst_NetworkLine::parseCallLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("usual") << QByteArray(
        "CID: *DATE*12082026*TIME*1405*LINE*1*NMBR*5551234*MESG*NONE*NAME*NO NAME*")
                           << QByteArray("5551234") << QByteArray("NO NAME");
    QTest::newRow("three stars") << QByteArray(
        "CID: ***DATE*12082026*TIME*1405*NMBR*5551234*NAME*ZHANG*")
                                 << QByteArray("5551234") << QByteArray("ZHANG");
    QTest::newRow("other order, more pairs")
        << QByteArray("CID: *NAME*LI*FOO*BAR*NMBR*4270001*DATE*12082026*") << QByteArray("4270001")
        << QByteArray("LI");
    QTest::newRow("no number") << QByteArray("CID: *DATE*12082026*") << QByteArray()
                               << QByteArray();
}

void tst_NetworkLine::parseCallLine()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, number);
    QFETCH(QByteArray, name);
    const QHash<QByteArray, QByteArray> fields = NetworkLine::parseCallLine(line);
    QCOMPARE(fields.value("NMBR"), number);
    QCOMPARE(fields.value("NAME"), name);
}

void tst_NetworkLine::listedOnlyWhenConfigured()
{
    {
        cTAPILine line;
        QVERIFY(line.Create());
        QCOMPARE(line.numLines(), 1);
        QVERIFY(line.LineName().contains(QStringLiteral("127.0.0.1:%1").arg(m_port)));
    }
    LineSettings settings = lineSettings();
    settings.serverHost.clear();
    setLineSettings(settings);
    cTAPILine line;
    QVERIFY(!line.Create());
    QCOMPARE(line.numLines(), 0);
}

void tst_NetworkLine::openLine(cTAPILine &line)
{
    QVERIFY(line.Create());
    QVERIFY(line.OpenLine(LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM));
}

QTcpSocket *tst_NetworkLine::acceptAndGreet()
{
    if (!m_server->hasPendingConnections()) {
        QSignalSpy connection(m_server, &QTcpServer::newConnection);
        if (!connection.wait(5000))
            return nullptr;
    }
    QTcpSocket *socket = m_server->nextPendingConnection();
    socket->write("200 caller-ID server ready\r\n"
                  "210 API: 1.0 Feature Set 1 2 3\r\n"
                  "CIDLOG: *DATE*12072026*TIME*0900*LINE*1*NMBR*1111111*MESG*NONE*NAME*OLD*\r\n"
                  "CID: *DATE*12072026*TIME*0901*LINE*1*NMBR*2222222*MESG*NONE*NAME*OLD*\r\n"
                  "300 End of connection startup\r\n");
    return socket;
}

void tst_NetworkLine::historyIsNotACall()
{
    cTAPILine line;
    openLine(line);
    QSignalSpy caller(&line, &cTAPILine::InfoCallerID);
    QTcpSocket *socket = acceptAndGreet();
    QVERIFY(socket);
    socket->write("CID: *DATE*12082026*TIME*1405*LINE*1*NMBR*5551234*MESG*NONE*NAME*NO NAME*\r\n");
    QVERIFY(caller.wait(3000));
    QTest::qWait(50);
    QCOMPARE(caller.count(), 1);
    QCOMPARE(caller.at(0).at(0).toString(), QStringLiteral("5551234"));
}

void tst_NetworkLine::callLines()
{
    cTAPILine line;
    openLine(line);
    QSignalSpy caller(&line, &cTAPILine::InfoCallerID);
    QTcpSocket *socket = acceptAndGreet();
    QVERIFY(socket);
    // Ring progress and unknown line types first, every kind of line end.
    socket->write("CIDINFO: *LINE*1*RING*1*TIME*14:05:00*\n"
                  "XYZ: *NMBR*9999999*\r"
                  "MSG: hello\r\n"
                  "CID: ***DATE*12082026*TIME*1405*LINE*1*NMBR*5551234*MESG*NONE*NAME*ZHANG*\r"
                  "CID: *NAME*LI*FOO*BAR*NMBR*4270001*DATE*12082026*\n"
                  "CID: *DATE*12082026*NMBR*P*NAME*PRIVATE*\r\n"
                  "CID: *DATE*12082026*NMBR*O*\r\n");
    // A line that arrives in pieces.
    socket->write("CID: *DATE*12082026*TIME*1406*NMBR*55");
    socket->flush();
    QTRY_COMPARE_WITH_TIMEOUT(caller.count(), 2, 3000);
    socket->write("50002*NAME*WANG*\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(caller.count(), 3, 3000);
    QTest::qWait(50);
    QCOMPARE(caller.count(), 3);
    QCOMPARE(caller.at(0).at(0).toString(), QStringLiteral("5551234"));
    QCOMPARE(caller.at(1).at(0).toString(), QStringLiteral("4270001"));
    QCOMPARE(caller.at(2).at(0).toString(), QStringLiteral("5550002"));
}

void tst_NetworkLine::droppedConnectionIsMadeAgain()
{
    cTAPILine line;
    openLine(line);
    QSignalSpy caller(&line, &cTAPILine::InfoCallerID);
    QSignalSpy closed(&line, &cTAPILine::LineClose);
    QTcpSocket *first = acceptAndGreet();
    QVERIFY(first);
    first->write("CID: *NMBR*5550001*\r\n");
    QVERIFY(caller.wait(3000));
    first->abort();

    QTcpSocket *second = acceptAndGreet();
    QVERIFY2(second, "the line did not connect again");
    // The replayed log of the new connection is history again.
    second->write("CID: *NMBR*5550002*\r\n");
    QVERIFY(caller.wait(3000));
    QTest::qWait(50);
    QCOMPARE(caller.count(), 2);
    QCOMPARE(caller.at(1).at(0).toString(), QStringLiteral("5550002"));
    // Losing the server is not losing the line.
    QCOMPARE(closed.count(), 0);
    QVERIFY(line.hLine() != 0);
}

void tst_NetworkLine::serverAwayForAWhile()
{
    // The device itself, to watch its delay grow while nobody answers.
    NetworkLine device(QStringLiteral("127.0.0.1"), m_port, 50, 400);
    QCOMPARE(device.open(), 0);
    QTcpSocket *first = acceptAndGreet();
    QVERIFY(first);
    QTRY_VERIFY_WITH_TIMEOUT(device.isStarted(), 3000);
    QCOMPARE(device.nextRetryDelay(), 50);

    m_server->close();
    first->abort();
    QTRY_VERIFY_WITH_TIMEOUT(device.nextRetryDelay() == 400, 5000);
    QVERIFY(!device.isStarted());

    QVERIFY(m_server->listen(QHostAddress::LocalHost, m_port));
    QTcpSocket *second = acceptAndGreet();
    QVERIFY2(second, "the line did not come back after the server did");
    QTRY_VERIFY_WITH_TIMEOUT(device.isStarted(), 3000);
    // A completed greeting starts the back-off from the beginning.
    QCOMPARE(device.nextRetryDelay(), 50);
    QSignalSpy ringing(&device, &LineDevice::ringing);
    second->write("CID: *NMBR*5550009*NAME*ZHAO*\r\n");
    QVERIFY(ringing.wait(3000));
    QCOMPARE(ringing.at(0).at(0).toByteArray(), QByteArray("5550009\0", 8));
    QCOMPARE(ringing.at(0).at(1).toByteArray(), QByteArray("ZHAO\0", 5));
    device.close();
}

void tst_NetworkLine::serverWithoutLineEndsIsLeft()
{
    // Pointed at some other service that streams without ever ending a line: the line
    // neither grows without bound nor takes the stream for a call, and goes back to asking.
    NetworkLine device(QStringLiteral("127.0.0.1"), m_port, 50, 400);
    QCOMPARE(device.open(), 0);
    QTcpSocket *first = acceptAndGreet();
    QVERIFY(first);
    QSignalSpy ringing(&device, &LineDevice::ringing);
    QSignalSpy gone(first, &QTcpSocket::disconnected);
    first->write("CID: *NMBR*5550001*" + QByteArray(20000, '*'));
    QVERIFY2(gone.wait(3000), "a stream without line ends was read on");
    QTcpSocket *second = acceptAndGreet();
    QVERIFY2(second, "the line did not connect again");
    second->write("CID: *NMBR*5550002*\r\n");
    QVERIFY(ringing.wait(3000));
    QCOMPARE(ringing.count(), 1);
    QCOMPARE(ringing.at(0).at(0).toByteArray(), QByteArray("5550002\0", 8));
    device.close();
}

QTEST_GUILESS_MAIN(tst_NetworkLine)
#include "tst_networkline.moc"
