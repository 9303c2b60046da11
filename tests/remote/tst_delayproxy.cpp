#include "bench/delayproxy.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray be32(quint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray message(char type, const QByteArray &body)
{
    return type + be32(quint32(body.size() + 4)) + body;
}

QByteArray startup(const QByteArray &parameters)
{
    const QByteArray body = be32(196608) + parameters + '\0';
    return be32(quint32(body.size() + 4)) + body;
}

const QByteArray EncryptionRequest = be32(8) + be32(80877103);

QByteArray query(const QByteArray &sql)
{
    return message('Q', sql + '\0');
}

// Parse, bind, describe, execute, sync: one statement of the extended protocol.
QByteArray extended(const QByteArray &sql)
{
    return message('P', QByteArray(1, '\0') + sql + QByteArray(3, '\0'))
        + message('B', QByteArray(8, '\0')) + message('D', "P\0")
        + message('E', QByteArray(5, '\0')) + message('S', {});
}

} // namespace

class tst_DelayProxy : public QObject {
    Q_OBJECT

private slots:
    void countsStatements_data();
    void countsStatements();
    void relaysInOrderAndCountsRoundTrips();
};

void tst_DelayProxy::countsStatements_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<char>("serverAnswer"); // to a request for encryption
    QTest::addColumn<int>("statements");
    QTest::addColumn<QStringList>("texts"); // kept when tracing

    const QByteArray login = startup(QByteArrayLiteral("user\0Q\0database\0E\0"))
        + message('p', QByteArrayLiteral("SCRAM-SHA-256\0"));
    QTest::newRow("simple queries") << login + query("BEGIN") + query("select 1") << 'N' << 2
                                    << QStringList{"BEGIN", "select 1"};
    QTest::newRow("extended protocol: one per execute")
        << login + extended("select 1") + extended("update Sale set InMoney=1") << 'N' << 2
        << QStringList{"select 1", "update Sale set InMoney=1"};
    QTest::newRow("letters inside a statement's text")
        << login + query("select 'Q', 'E' from Sale") << 'N' << 1
        << QStringList{"select 'Q', 'E' from Sale"};
    QTest::newRow("startup parameters are no messages") << login << 'N' << 0 << QStringList();
    QTest::newRow("encryption refused, then startup")
        << EncryptionRequest + login + query("select 1") << 'N' << 1 << QStringList{"select 1"};
    // Encrypted bytes that happen to look like messages are not read.
    QTest::newRow("encryption accepted: nothing more to read")
        << EncryptionRequest + login + query("select 1") << 'S' << 0 << QStringList();
}

void tst_DelayProxy::countsStatements()
{
    QFETCH(QByteArray, stream);
    QFETCH(char, serverAnswer);
    QFETCH(int, statements);
    QFETCH(QStringList, texts);

    // The same stream in every cut a network may make of it.
    for (int piece : {1, 3, 7, 64, int(stream.size())}) {
        DelayProxy::Parser parser;
        parser.setTrace(true);
        int counted = 0;
        for (qsizetype pos = 0; pos < stream.size(); pos += piece) {
            counted += parser.feed(stream.mid(pos, piece));
            if (parser.awaitingAnswer())
                counted += parser.serverByte(serverAnswer);
        }
        QVERIFY2(counted == statements,
            qPrintable(QStringLiteral("pieces of %1 bytes: %2 counted").arg(piece).arg(counted)));
        QCOMPARE(parser.takeTraced(), texts);
    }
}

void tst_DelayProxy::relaysInOrderAndCountsRoundTrips()
{
    // A server that answers "ok" to every line.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QByteArray received;
    connect(&server, &QTcpServer::newConnection, this, [&] {
        QTcpSocket *socket = server.nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, socket, [&, socket] {
            received += socket->readAll();
            if (received.endsWith('\n'))
                socket->write("ok\n");
        });
    });
    const int delayMs = 20;
    DelayProxyThread relay(QHostAddress::LocalHost, server.serverPort(), delayMs);
    QString error;
    QVERIFY2(relay.start(&error), qPrintable(error));

    QTcpSocket client;
    QByteArray sent, answers;
    connect(&client, &QTcpSocket::readyRead, this, [&] { answers += client.readAll(); });
    client.connectToHost(QHostAddress::LocalHost, relay.port());
    QVERIFY(client.waitForConnected(5000));
    for (int exchange = 1; exchange <= 3; ++exchange) {
        QElapsedTimer clock;
        clock.start();
        // Many small pieces, each on its own clock, must arrive in order.
        for (int piece = 0; piece < 50; ++piece) {
            const QByteArray data = QByteArray::number(exchange * 1000 + piece) + ',';
            sent += data;
            client.write(data);
            client.flush();
        }
        sent += '\n';
        client.write("\n");
        QTRY_COMPARE_WITH_TIMEOUT(answers.count("ok\n"), exchange, 5000);
        // No reply can come back before the data went there and back.
        QVERIFY2(clock.elapsed() >= 2 * delayMs,
            qPrintable(QStringLiteral("answered after %1 ms").arg(clock.elapsed())));
        QCOMPARE(received, sent);
    }
    const DelayProxy::Counts counts = relay.proxy()->total();
    QCOMPARE(counts.connections, 1);
    QCOMPARE(counts.roundTrips, 3);
    QCOMPARE(counts.bytesToServer, sent.size());
    QCOMPARE(counts.bytesToClient, answers.size());
}

QTEST_GUILESS_MAIN(tst_DelayProxy)
#include "tst_delayproxy.moc"
