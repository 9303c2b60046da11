// pelkor_delay_proxy --listen 127.0.0.1:PORT --to 127.0.0.1:PGPORT --delay-ms 20
//                    [--control PORT]
// Puts a distance between the program and its PostgreSQL server. On the
// control port, each line "counts" is answered with the counts so far, one
// line per client connection and a last line "total ..."; "delay N" sets a
// new delay for data from then on.
#include "delayproxy.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>

namespace {

bool hostPort(const QString &text, QHostAddress *address, quint16 *port)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    *port = quint16(text.mid(colon + 1).toUInt(&ok));
    return colon > 0 && ok && address->setAddress(text.left(colon));
}

QByteArray line(const QString &name, const DelayProxy::Counts &c)
{
    return QStringLiteral("%1 statements %2 roundtrips %3 up %4 down %5\n")
        .arg(name)
        .arg(c.statements)
        .arg(c.roundTrips)
        .arg(c.bytesToServer)
        .arg(c.bytesToClient)
        .toUtf8();
}

QByteArray answer(DelayProxy &proxy, const QByteArray &command)
{
    const QList<QByteArray> words = command.trimmed().split(' ');
    if (words.value(0) == "delay" && words.size() == 2) {
        proxy.setDelay(words.at(1).toInt());
        return "ok\n";
    }
    if (words.value(0) != "counts")
        return "commands: counts | delay N\n";
    QByteArray text;
    const QList<DelayProxy::Counts> each = proxy.perConnection();
    for (qsizetype i = 0; i < each.size(); ++i)
        text += line(QStringLiteral("connection %1").arg(i + 1), each.at(i));
    const DelayProxy::Counts all = proxy.total();
    return text + line(QStringLiteral("total connections %1").arg(all.connections), all);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Relays to a PostgreSQL server with a delay each way and counts what the "
                       "client asks."));
    parser.addHelpOption();
    const QCommandLineOption listen(QStringLiteral("listen"),
        QStringLiteral("address:port to listen on (port 0: any)"), QStringLiteral("ADDR:PORT"),
        QStringLiteral("127.0.0.1:0"));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("the server's address:port"),
        QStringLiteral("ADDR:PORT"));
    const QCommandLineOption delay(QStringLiteral("delay-ms"),
        QStringLiteral("delay each way in milliseconds"), QStringLiteral("MS"),
        QStringLiteral("20"));
    const QCommandLineOption control(QStringLiteral("control"),
        QStringLiteral("port on 127.0.0.1 answering \"counts\""), QStringLiteral("PORT"));
    parser.addOptions({listen, to, delay, control});
    parser.process(app);

    QTextStream err(stderr);
    QHostAddress listenAddress, serverAddress;
    quint16 listenPort = 0, serverPort = 0;
    if (!hostPort(parser.value(listen), &listenAddress, &listenPort)
        || !hostPort(parser.value(to), &serverAddress, &serverPort)) {
        err << "--listen and --to take ADDRESS:PORT" << Qt::endl;
        return 2;
    }
    DelayProxy proxy(serverAddress, serverPort, parser.value(delay).toInt());
    if (!proxy.listen(listenAddress, listenPort)) {
        err << "cannot listen: " << proxy.errorString() << Qt::endl;
        return 1;
    }
    QTcpServer controlServer;
    if (parser.isSet(control)) {
        if (!controlServer.listen(
                QHostAddress::LocalHost, quint16(parser.value(control).toUInt()))) {
            err << "cannot listen for control: " << controlServer.errorString() << Qt::endl;
            return 1;
        }
        QObject::connect(&controlServer, &QTcpServer::newConnection, [&] {
            while (QTcpSocket *socket = controlServer.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [&proxy, socket] {
                    while (socket->canReadLine())
                        socket->write(answer(proxy, socket->readLine()));
                });
            }
        });
    }
    // Scripts read the ports from this line.
    QTextStream(stdout) << "listening " << proxy.port() << " control " << controlServer.serverPort()
                        << Qt::endl;
    return app.exec();
}
