#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "masterdata/productwriter.h"
#include "masterdata/senderwriter.h"
#include "masterdata/stationwriter.h"

#include <QTest>

namespace {

QString field(qint64 id, const char *table, const char *column)
{
    return mDatabase::GetFieldByID(id, QLatin1String(table), QLatin1String(column));
}

const QString Hostile = QStringLiteral("O'Neil %1 %2 \\ \"桶\"");

} // namespace

class tst_MasterDataWriters : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void productRoundTrip();
    void bottleLetsGoOfItsProducts_data();
    void bottleLetsGoOfItsProducts();
    void senderRoundTrip();
    void headStationIsNeverSuspended();

private:
    TestDatabase m_db;
    ScriptedPrompter *m_prompts = nullptr;
};

void tst_MasterDataWriters::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_MasterDataWriters::cleanup()
{
    mDatabase::CloseConnection();
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

void tst_MasterDataWriters::productRoundTrip()
{
    ProductRecord p;
    p.name = QStringLiteral("  ") + Hostile + QStringLiteral("  ");
    p.unit = Hostile;
    p.detail = Hostile;
    Currency::parse(QStringLiteral("12.5"), &p.price);
    p.isDefault = true;
    p.containerId = 77;
    const qint64 id = ProductWriter::saveNew(p);
    QVERIFY(id > 0);
    auto stored = ProductReader::load(id);
    QVERIFY(stored);
    QCOMPARE(stored->name, Hostile); // trimmed
    QCOMPARE(stored->unit, Hostile);
    QCOMPARE(stored->detail, Hostile);
    QCOMPARE(stored->price.toSqlText(), QStringLiteral("12.5"));
    QVERIFY(stored->isDefault);
    QVERIFY(!stored->suspended);
    QCOMPARE(stored->containerId, 77);

    // A bottle never comes in a bottle of its own; an empty price is 0.
    stored->isContainer = true;
    stored->price = Currency();
    QVERIFY(ProductWriter::saveEdit(*stored));
    stored = ProductReader::load(id);
    QVERIFY(stored->isContainer);
    QCOMPARE(stored->containerId, 0);
    QCOMPARE(field(id, "Product", "Price").toDouble(), 0.0);
    QVERIFY(!ProductReader::load(id + 100));
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_MasterDataWriters::bottleLetsGoOfItsProducts_data()
{
    QTest::addColumn<bool>("stillBottle");
    QTest::addColumn<bool>("suspended");
    QTest::addColumn<bool>("detached");
    QTest::newRow("renamed only") << true << false << false;
    QTest::newRow("no longer a bottle") << false << false << true;
    QTest::newRow("suspended") << true << true << true;
}

void tst_MasterDataWriters::bottleLetsGoOfItsProducts()
{
    QFETCH(bool, stillBottle);
    QFETCH(bool, suspended);
    QFETCH(bool, detached);
    ProductRecord bottle;
    bottle.name = QStringLiteral("水桶");
    bottle.unit = QStringLiteral("个");
    bottle.isContainer = true;
    bottle.id = ProductWriter::saveNew(bottle);
    ProductRecord water;
    water.name = QStringLiteral("纯净水");
    water.unit = QStringLiteral("桶");
    water.containerId = bottle.id;
    const qint64 waterId = ProductWriter::saveNew(water);
    const qint64 otherWater = ProductWriter::saveNew(water);

    bottle.name = QStringLiteral("大水桶");
    bottle.isContainer = stillBottle;
    bottle.suspended = suspended;
    QVERIFY(ProductWriter::saveEdit(bottle));
    const qint64 expected = detached ? 0 : bottle.id;
    QCOMPARE(ProductReader::load(waterId)->containerId, expected);
    QCOMPARE(ProductReader::load(otherWater)->containerId, expected);
    QCOMPARE(ProductReader::load(bottle.id)->suspended, suspended);
}

void tst_MasterDataWriters::senderRoundTrip()
{
    const qint64 east = StationWriter::saveNew({0, QStringLiteral("城东"), false});
    SenderRecord s;
    s.name = Hostile;
    s.phone = QStringLiteral("13900000000");
    s.detail = Hostile;
    Currency::parse(QStringLiteral("2.5"), &s.price);
    s.stationId = east;
    s.id = SenderWriter::saveNew(s);
    QVERIFY(s.id > 0);
    auto stored = SenderReader::load(s.id);
    QVERIFY(stored);
    QCOMPARE(stored->name, Hostile);
    QCOMPARE(stored->detail, Hostile);
    QCOMPARE(stored->price.toSqlText(), QStringLiteral("2.5"));
    QCOMPARE(stored->stationId, east);

    s.suspended = true;
    s.price = Currency();
    s.stationId = 1;
    QVERIFY(SenderWriter::saveEdit(s));
    stored = SenderReader::load(s.id);
    QVERIFY(stored->suspended);
    QCOMPARE(stored->stationId, 1);
    QVERIFY(stored->price.isZero());
}

void tst_MasterDataWriters::headStationIsNeverSuspended()
{
    QVERIFY(StationReader::isHeadStation(1));
    const qint64 east = StationWriter::saveNew({0, QStringLiteral(" 城东 "), false});
    QVERIFY(!StationReader::isHeadStation(east));
    QCOMPARE(StationReader::load(east)->name, QStringLiteral("城东"));

    QVERIFY(!StationWriter::saveEdit({1, QStringLiteral("总站"), true}));
    QVERIFY(!StationReader::load(1)->suspended);
    QVERIFY(StationWriter::saveEdit({1, Hostile, false}));
    QCOMPARE(StationReader::load(1)->name, Hostile);
    QVERIFY(StationWriter::saveEdit({east, QStringLiteral("城东"), true}));
    QVERIFY(StationReader::load(east)->suspended);
}

QTEST_MAIN(tst_MasterDataWriters)
#include "tst_masterdatawriters.moc"
