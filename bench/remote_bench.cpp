// An operator's everyday actions at a station far from the server: each one
// through a relay that delays every piece of data by --delay-ms each way
// (20: a 40 ms round trip), with the statements and round trips it cost and
// its time. Needs PostgreSQL; works in a database of its own that it drops
// afterwards. Prints figures; nothing here asserts.
#include "bench/benchdata.h"
#include "bench/remoteactions.h"
#include "datastore/mdatabase.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

namespace {

QTextStream out(stdout);

// Creates (or drops, with an empty `create`) a database on the server.
bool admin(const ConnectionTarget &server, const QStringList &statements, QString *error)
{
    const QString name = QStringLiteral("pelkor-remote-admin");
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        db.setDatabaseName(server.odbcConnectionString());
        ok = db.open();
        for (const QString &sql : statements) {
            QSqlQuery q(db);
            if (!ok || !q.exec(sql)) {
                *error = (ok ? q.lastError() : db.lastError()).text();
                ok = false;
                break;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    BenchData::quietOffscreen();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption database(QStringLiteral("database"),
        QStringLiteral("the PostgreSQL server, pgsql://user:pw@host:port/db"),
        QStringLiteral("URL"));
    const QCommandLineOption delay(QStringLiteral("delay-ms"),
        QStringLiteral("delay each way (default 20)"), QStringLiteral("MS"), QStringLiteral("20"));
    const QCommandLineOption sales(QStringLiteral("sales"),
        QStringLiteral("orders in the database (default 5000)"), QStringLiteral("N"),
        QStringLiteral("5000"));
    const QCommandLineOption settled(QStringLiteral("settled"),
        QStringLiteral("settled orders the closing carries (default 1000)"), QStringLiteral("N"),
        QStringLiteral("1000"));
    const QCommandLineOption trace(
        QStringLiteral("trace"), QStringLiteral("list each action's statements"));
    parser.addOptions({database, delay, sales, settled, trace});
    parser.process(app);

    ConnectionTarget server;
    QString error;
    if (!ConnectionTarget::fromUrl(parser.value(database), &server, &error)
        || server.kind != SqlDialect::PostgreSQL) {
        out << "a PostgreSQL server is needed (--database pgsql://...): " << error << Qt::endl;
        return 1;
    }
    ConnectionTarget direct = server;
    direct.database = QStringLiteral("pelkor_remote_bench");
    const QString drop
        = QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(direct.database);
    if (!admin(server, {drop, QStringLiteral("CREATE DATABASE %1").arg(direct.database)}, &error)
        || !mDatabase::OpenConnection(direct, &error)
        || !RemoteActions::prepare(
            parser.value(sales).toInt(), parser.value(settled).toInt(), &error)) {
        out << "cannot prepare the database: " << error << Qt::endl;
        return 1;
    }
    mDatabase::CloseConnection();

    const int delayMs = parser.value(delay).toInt();
    DelayProxyThread relay(QHostAddress(server.host), quint16(server.port), delayMs);
    if (!relay.start(&error)) {
        out << "cannot start the relay: " << error << Qt::endl;
        return 1;
    }
    relay.proxy()->setTrace(parser.isSet(trace));
    ConnectionTarget far = direct;
    far.host = QStringLiteral("127.0.0.1");
    far.port = relay.port();

    out << QStringLiteral("%1 orders, round trip %2 ms (%3 ms each way)")
               .arg(parser.value(sales))
               .arg(2 * delayMs)
               .arg(delayMs)
        << Qt::endl;
    out << QStringLiteral("%1 %2 %3 %4 %5  %6")
               .arg(QStringLiteral("action"), -26)
               .arg(QStringLiteral("statements"), 10)
               .arg(QStringLiteral("round trips"), 11)
               .arg(QStringLiteral("connections"), 11)
               .arg(QStringLiteral("time ms"), 9)
               .arg(QStringLiteral("goal"))
        << Qt::endl;
    bool allOk = true;
    // Everyday actions within half a second, the closing within ten.
    const auto show = [&](const RemoteActions::Step &s, double goalMs) {
        QString verdict = !s.ok ? QStringLiteral("FAILED: ") + s.note
            : s.ms < goalMs     ? QStringLiteral("met")
                                : QStringLiteral("OVER");
        if (s.ok && !s.note.isEmpty())
            verdict += QStringLiteral(" (") + s.note + QLatin1Char(')');
        allOk = allOk && s.ok;
        out << QStringLiteral("%1 %2 %3 %4 %5  %6")
                   .arg(s.name, -26)
                   .arg(s.counts.statements, 10)
                   .arg(s.counts.roundTrips, 11)
                   .arg(s.counts.connections, 11)
                   .arg(s.ms, 9, 'f', 0)
                   .arg(verdict)
            << Qt::endl;
        for (const QString &sql : s.trace)
            out << "    " << sql.left(300) << Qt::endl;
    };
    {
        RemoteActions::Station station(relay.proxy(), far);
        station.phone = QStringLiteral("86123"); // a customer of the head station
        station.product = 3; // water that comes in a bottle
        for (auto action : {&RemoteActions::Station::logIn, &RemoteActions::Station::openNewSale,
                 &RemoteActions::Station::phoneLookup, &RemoteActions::Station::productEntry,
                 &RemoteActions::Station::save, &RemoteActions::Station::openSaleList,
                 &RemoteActions::Station::receiveMoney, &RemoteActions::Station::refreshSaleList,
                 &RemoteActions::Station::todayReport, &RemoteActions::Station::periodReport})
            show((station.*action)(), 500);
        show(station.closing(), 10000);
    }
    mDatabase::CloseConnection();
    admin(server, {drop}, &error);
    return allOk ? 0 : 1;
}
