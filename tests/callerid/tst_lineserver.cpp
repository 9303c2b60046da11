#include "callerid/linedevice.h"
#include "callerid/lineserver.h"
#include "callerid/modemline.h"
#include "callerid/networkline.h"

#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace tapi;

// The line server shares one modem (a pseudo-terminal here) with the
// workstations, each a NetworkLine as the program uses it.
class tst_LineServer : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyClientGetsEveryCall();
    void restartedServerIsSeenWithinTheBeat();
    void silentServerIsTakenForDead();
    void unpluggedModemIsOpenedAgain();

private:
    // A new pseudo-terminal behind the link the server opens.
    void plugModem();
    void unplugModem();
    void modemSays(const QByteArray &bytes);
    NetworkLine *client();
    bool startServer();

    QTemporaryDir m_dir;
    QString m_link;
    int m_master = -1;
    int m_slave = -1;
    std::unique_ptr<LineServer> m_server;
    quint16 m_port = 0;
    QList<NetworkLine *> m_clients;
};

void tst_LineServer::init()
{
    QVERIFY(m_dir.isValid());
    m_link = m_dir.filePath(QStringLiteral("ttyModem"));
    plugModem();
    m_port = 0;
}

void tst_LineServer::cleanup()
{
    qDeleteAll(m_clients);
    m_clients.clear();
    m_server.reset();
    unplugModem();
}

void tst_LineServer::plugModem()
{
    char name[128] = {};
    QVERIFY(openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0);
    termios raw{};
    QVERIFY(tcgetattr(m_slave, &raw) == 0);
    cfmakeraw(&raw);
    QVERIFY(tcsetattr(m_slave, TCSANOW, &raw) == 0);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    QFile::remove(m_link);
    QVERIFY(QFile::link(QString::fromLocal8Bit(name), m_link));
}

void tst_LineServer::unplugModem()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

void tst_LineServer::modemSays(const QByteArray &bytes)
{
    QCOMPARE(::write(m_master, bytes.constData(), static_cast<size_t>(bytes.size())),
        static_cast<ssize_t>(bytes.size()));
}

bool tst_LineServer::startServer()
{
    m_server = std::make_unique<LineServer>();
    m_server->setHeartbeatMs(100);
    m_server->setReopenMs(50);
    if (!m_server->listen(QHostAddress::LocalHost, m_port))
        return false;
    m_port = m_server->serverPort();
    m_server->serveDevice(new ModemLine(m_link, QStringLiteral("AT+VCID=1")));
    return m_server->deviceOpen();
}

NetworkLine *tst_LineServer::client()
{
    auto *line = new NetworkLine(QStringLiteral("127.0.0.1"), m_port, 50, 2000);
    m_clients << line;
    line->open();
    return line;
}

void tst_LineServer::everyClientGetsEveryCall()
{
    QVERIFY(startServer());
    NetworkLine *first = client();
    NetworkLine *second = client();
    QTRY_VERIFY(first->isStarted() && second->isStarted());
    QTRY_COMPARE(m_server->clientCount(), 2);
    QSignalSpy one(first, &LineDevice::ringing);
    QSignalSpy two(second, &LineDevice::ringing);
    modemSays("RING\r\nDATE=1208\r\nTIME=1405\r\nNAME=ZHANG*SAN\r\nNMBR=5551234\r\n");
    QTRY_COMPARE(one.size(), 1);
    QTRY_COMPARE(two.size(), 1);
    QCOMPARE(one.first().at(0).toByteArray(), QByteArray("5551234", 8));
    // A star in a name would have cut the line's fields short.
    QCOMPARE(two.first().at(1).toByteArray(), QByteArray("ZHANG SAN", 10));
    modemSays("RING\r\nNMBR=4270001\r\n");
    QTRY_COMPARE(one.size(), 2);
    QTRY_COMPARE(two.size(), 2);
    QCOMPARE(two.last().at(0).toByteArray(), QByteArray("4270001", 8));
}

void tst_LineServer::restartedServerIsSeenWithinTheBeat()
{
    QVERIFY(startServer());
    NetworkLine *line = client();
    QTRY_VERIFY(line->isStarted());
    QCOMPARE(line->heartbeatMs(), 100);
    QSignalSpy state(line, &LineDevice::connectionChanged);
    m_server.reset();
    QTRY_VERIFY(!line->isStarted());
    QVERIFY(startServer());
    // Retried at least every three beats however long it was away.
    QTRY_VERIFY_WITH_TIMEOUT(line->isStarted(), 1000);
    QCOMPARE(state.size(), 2);
    QSignalSpy calls(line, &LineDevice::ringing);
    modemSays("RING\r\nNMBR=5551234\r\n");
    QTRY_COMPARE(calls.size(), 1);
}

void tst_LineServer::silentServerIsTakenForDead()
{
    // A machine switched off says nothing; its connection stays open.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    m_port = silent.serverPort();
    NetworkLine *line = client();
    QTRY_VERIFY(silent.hasPendingConnections());
    QTcpSocket *socket = silent.nextPendingConnection();
    socket->write("200 x\r\nHEARTBEAT: 100\r\n300 End of connection startup\r\n");
    QTRY_VERIFY(line->isStarted());
    QSignalSpy state(line, &LineDevice::connectionChanged);
    QTRY_VERIFY_WITH_TIMEOUT(!line->isStarted(), 1000);
    QCOMPARE(state.size(), 1);
}

void tst_LineServer::unpluggedModemIsOpenedAgain()
{
    QVERIFY(startServer());
    NetworkLine *line = client();
    QTRY_VERIFY(line->isStarted());
    unplugModem();
    QTRY_VERIFY(!m_server->deviceOpen());
    plugModem();
    QTRY_VERIFY(m_server->deviceOpen());
    QSignalSpy calls(line, &LineDevice::ringing);
    modemSays("RING\r\nNMBR=5551234\r\n");
    QTRY_COMPARE(calls.size(), 1);
    // The workstation never noticed the modem was gone.
    QVERIFY(line->isStarted());
}

QTEST_GUILESS_MAIN(tst_LineServer)
#include "tst_lineserver.moc"
