#include "bench/remoteactions.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"

#include <QtTest>

// A station 40 ms from its server pays every round trip in full: these are
// the most an everyday action may ask of the server. Counts, never times.
class tst_RemoteActions : public QObject {
    Q_OBJECT

    TestDatabase m_db;
    std::unique_ptr<DelayProxyThread> m_relay;
    QHash<QString, RemoteActions::Step> m_steps;
    QString m_unavailable;

private slots:
    void initTestCase();
    void cleanupTestCase();
    void staysWithinItsRoundTrips_data();
    void staysWithinItsRoundTrips();
};

void tst_RemoteActions::initTestCase()
{
    if (!TestDatabase::isPostgres())
        QSKIP("runs against PostgreSQL only (PELKOR_TEST_BACKEND=pg)");
    PELKOR_REQUIRE_DATABASE();
    ConnectionTarget direct;
    QString error;
    QVERIFY2(m_db.create(&direct, &error), qPrintable(error));
    QVERIFY2(mDatabase::OpenConnection(direct, &error), qPrintable(error));
    QVERIFY2(RemoteActions::prepare(400, 50, &error), qPrintable(error));
    mDatabase::CloseConnection();

    m_relay
        = std::make_unique<DelayProxyThread>(QHostAddress(direct.host), quint16(direct.port), 20);
    QVERIFY2(m_relay->start(&error), qPrintable(error));
    ConnectionTarget far = direct;
    far.host = QStringLiteral("127.0.0.1");
    far.port = m_relay->port();

    RemoteActions::Station station(m_relay->proxy(), far);
    station.phone = QStringLiteral("86123");
    station.product = 3;
    for (const RemoteActions::Step &step :
        {station.logIn(), station.openNewSale(), station.phoneLookup(), station.productEntry(),
            station.save(), station.openSaleList(), station.receiveMoney(), station.todayReport()})
        m_steps.insert(step.name, step);
}

void tst_RemoteActions::cleanupTestCase()
{
    mDatabase::CloseConnection();
    m_relay.reset();
    m_db.dropAll();
}

void tst_RemoteActions::staysWithinItsRoundTrips_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("statements");
    QTest::addColumn<int>("roundTrips");
    QTest::addColumn<int>("connections");

    // Measured with psqlODBC sending every result whole and bound values
    // with their statement, the log-in going on with its trial connection:
    // a little room above, none for a statement per keystroke, per line or
    // per figure, nor for a connection of a list's own.
    QTest::newRow("log in") << "log in" << 11 << 14 << 1;
    QTest::newRow("open a new sale") << "open a new sale" << 9 << 9 << 0;
    QTest::newRow("phone lookup") << "phone lookup" << 6 << 6 << 0;
    QTest::newRow("product entry") << "product entry" << 2 << 2 << 0;
    QTest::newRow("save") << "save" << 8 << 8 << 0;
    QTest::newRow("open the sale list") << "open the sale list" << 4 << 4 << 0;
    QTest::newRow("收款 on one order") << "收款 on one order" << 4 << 4 << 0;
    QTest::newRow("today's report") << "today's report" << 8 << 8 << 0;
}

void tst_RemoteActions::staysWithinItsRoundTrips()
{
    QFETCH(QString, action);
    QFETCH(int, statements);
    QFETCH(int, roundTrips);
    QFETCH(int, connections);

    QVERIFY2(m_steps.contains(action), "the action did not run");
    const RemoteActions::Step step = m_steps.value(action);
    QVERIFY2(step.ok, qPrintable(step.note));
    const QString counted = QStringLiteral("%1 statements, %2 round trips, %3 connections")
                                .arg(step.counts.statements)
                                .arg(step.counts.roundTrips)
                                .arg(step.counts.connections);
    // Every one of these actions reads or writes something: a relay that
    // counted nothing would pass any bound.
    QVERIFY2(step.counts.roundTrips > 0, qPrintable(counted));
    QVERIFY2(step.counts.statements <= statements, qPrintable(counted));
    QVERIFY2(step.counts.roundTrips <= roundTrips, qPrintable(counted));
    QVERIFY2(step.counts.connections <= connections, qPrintable(counted));
}

QTEST_MAIN(tst_RemoteActions)
#include "tst_remoteactions.moc"
