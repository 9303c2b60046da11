#include "bench/todayreference.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "datastore/transaction.h"
#include "reports/todayreport.h"

#include <QRandomGenerator>
#include <QTest>

using mDatabase::ExecuteSQL;
using TodayReport::Row;
using TodayReport::Table;

namespace {

const QDate Day(2026, 12, 8);

QString date(const QDate &d)
{
    return mDatabase::dialect().dateLiteral(d);
}

qint64 insert(const QString &sql)
{
    return mDatabase::InsertAndGetID(sql);
}

qint64 addProduct(const QString &name, int price, qint64 bottle = 0, bool isBottle = false)
{
    return insert(
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer,ContainerID) "
                       "values(%1,'桶',%2,'1',%3,%4)")
            .arg(mDatabase::SqlStr(name), QString::number(price),
                isBottle ? QStringLiteral("'1'") : QStringLiteral("'0'"), QString::number(bottle)));
}

qint64 addStation(const QString &name)
{
    return insert(QStringLiteral("insert into Station(Name,Status) values(%1,'1')")
                      .arg(mDatabase::SqlStr(name)));
}

qint64 addSender(const QString &name, qint64 station)
{
    return insert(QStringLiteral("insert into Sender(Name,Status,StationID) values(%1,'1',%2)")
                      .arg(mDatabase::SqlStr(name), QString::number(station)));
}

struct SaleLine {
    qint64 product;
    QString price;
    int amount;
    bool bottle = false;
};

// A sale with its header figures as the lists leave them after settling.
qint64 addSale(qint64 station, qint64 sender, const QDate &day, const QVector<SaleLine> &lines,
    const QString &inMoney, int outAmount, int inContainer, char finish = '0')
{
    int amount = 0, containers = 0;
    Currency money;
    for (const SaleLine &l : lines) {
        Currency price;
        Currency::parse(l.price, &price);
        if (l.bottle)
            containers += l.amount;
        else {
            amount += l.amount;
            money += price.times(Currency::fromInt(l.amount));
        }
    }
    const qint64 id = insert(
        QStringLiteral("insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,"
                       "TotalContainer,InMoney,OutAmount,InContainer,TransferFee,Detail,CreateDate,"
                       "FinishFlag,StationID) values(1,%1,1,%2,%3,%4,%5,%6,%7,0,'',%8,'%9',%10)")
            .arg(QString::number(sender), QString::number(amount), money.toSqlText(),
                QString::number(containers), inMoney, QString::number(outAmount),
                QString::number(inContainer), date(day), QChar::fromLatin1(finish),
                QString::number(station)));
    for (const SaleLine &l : lines) {
        Currency price;
        Currency::parse(l.price, &price);
        const Currency lineMoney = l.bottle ? Currency() : price.times(Currency::fromInt(l.amount));
        ExecuteSQL(QStringLiteral("insert into Sale_detail(SaleID,ProductID,Price,MyAmount,MyMoney,"
                                  "IsContainer) values(%1,%2,%3,%4,%5,%6)")
                       .arg(QString::number(id), QString::number(l.product),
                           l.bottle ? QStringLiteral("0") : price.toSqlText(),
                           QString::number(l.amount), lineMoney.toSqlText(),
                           l.bottle ? QStringLiteral("'1'") : QStringLiteral("'0'")));
    }
    return id;
}

void addStore(qint64 station, const QDate &day, char direction, qint64 product, int amount,
    const QString &money)
{
    const qint64 id = insert(
        QStringLiteral("insert into Store(PaperID,CreateDate,TotalAmount,TotalMoney,Detail,UserID,"
                       "Direction,HandInput,FinishFlag,StationID) values('P',%1,%2,%3,'',1,'%4',"
                       "'1','0',%5)")
            .arg(date(day), QString::number(amount), money, QChar::fromLatin1(direction),
                QString::number(station)));
    ExecuteSQL(
        QStringLiteral("insert into Store_detail(StoreID,ProductID,Price,MyAmount,MyMoney) "
                       "values(%1,%2,0,%3,%4)")
            .arg(QString::number(id), QString::number(product), QString::number(amount), money));
}

// The program's grouped statements, or the reference that asks one statement per figure.
enum class Method { SetBased, RowByRow };

std::optional<Table> report(
    TodayReport::Variant variant, Method method, qint64 station = 1, const QDate &day = Day)
{
    TodayReport::Options o;
    o.reportDate = day;
    o.stationId = station;
    o.variant = variant;
    if (method == Method::SetBased)
        return TodayReport::build(o);
    TodayReport::RowByRowFigures reference(day);
    return TodayReport::build(o, reference);
}

int rowOf(const Table &t, const QString &item, int from = 0)
{
    for (int i = from; i < t.size(); ++i)
        if (t[i].item == item)
            return i;
    return -1;
}

QString describe(const Row &r)
{
    const auto cell = [](const std::optional<Currency> &c) {
        return c ? c->toSqlText() : QStringLiteral("∅");
    };
    return QStringLiteral("[%1|%2|%3]").arg(r.item, cell(r.amount), cell(r.money));
}

Currency money(const char *text)
{
    Currency c;
    Currency::parse(QString::fromLatin1(text), &c);
    return c;
}

} // namespace

class tst_TodayReport : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void roundingHalvesToEven_data();
    void roundingHalvesToEven();
    void stationReportOfAKnownDay();
    void noDeliveredSale();
    void tableGrowsAndKeepsItsMinimum();
    void groupReportOfAKnownDay();
    void setBasedEqualsRowByRowOnGeneratedData();
    void failedQueryGivesNoTable();

private:
    TestDatabase m_db;
    ScriptedPrompter *m_prompts = nullptr;
};

void tst_TodayReport::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_TodayReport::cleanup()
{
    mDatabase::CloseConnection();
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

void tst_TodayReport::roundingHalvesToEven_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("rounded");
    QTest::newRow("10.5") << "10.5"
                          << "10";
    QTest::newRow("11.5") << "11.5"
                          << "12";
    QTest::newRow("30.25") << "30.25"
                           << "30";
    QTest::newRow("30.75") << "30.75"
                           << "31";
    QTest::newRow("-2.5") << "-2.5"
                          << "-2";
    QTest::newRow("-3.5") << "-3.5"
                          << "-4";
    QTest::newRow("-0.4") << "-0.4"
                          << "0";
    QTest::newRow("0.5") << "0.5"
                         << "0";
}

void tst_TodayReport::roundingHalvesToEven()
{
    QFETCH(QString, value);
    QFETCH(QString, rounded);
    Currency v;
    QVERIFY(Currency::parse(value, &v));
    QCOMPARE(TodayReport::roundHalfEven(v).toSqlText(), rounded);
}

void tst_TodayReport::stationReportOfAKnownDay()
{
    const qint64 bottle = addProduct(QStringLiteral("水桶"), 30, 0, true);
    const qint64 water = addProduct(QStringLiteral("纯净水"), 10, bottle);
    const qint64 east = addStation(QStringLiteral("城东"));
    const qint64 wang = addSender(QStringLiteral("王"), 1);
    const qint64 li = addSender(QStringLiteral("李"), east); // another station's sender
    // Delivered, paid, one bottle of two still out.
    addSale(1, wang, Day, {{water, "10", 2}, {bottle, "0", 2, true}}, QStringLiteral("20"), 2, 1);
    // Delivered, 5 owed, bottle back.
    addSale(1, wang, Day, {{water, "10", 1}, {bottle, "0", 1, true}}, QStringLiteral("5"), 1, 1);
    // Not fully delivered: nowhere in the report.
    addSale(1, wang, Day, {{water, "10", 7}}, QStringLiteral("0"), 3, 0);
    // Another station's sale, and a sale of the day before.
    addSale(east, li, Day, {{water, "10", 4}}, QStringLiteral("40"), 4, 0);
    addSale(1, wang, Day.addDays(-1), {{water, "10", 1}}, QStringLiteral("10"), 1, 0);
    // Stock: 100 in earlier, 10 out; a stock-in after the day does not count.
    addStore(1, Day.addDays(-5), '0', water, 100, QStringLiteral("1000.5"));
    addStore(1, Day.addDays(-2), '1', water, 10, QStringLiteral("100"));
    addStore(1, Day.addDays(1), '0', bottle, 50, QStringLiteral("1500"));
    addStore(1, Day.addDays(-3), '0', bottle, 20, QStringLiteral("20.25"));

    for (const auto method : {Method::SetBased, Method::RowByRow}) {
        const auto t = report(TodayReport::Variant::Station, method);
        QVERIFY(t);
        QVERIFY(t->size() >= 26);
        const Currency zero;
        // Header and one row per product (by ID: the bottle first).
        QCOMPARE((*t)[0],
            (Row{QStringLiteral("今日销售总额："), Currency::fromInt(3), Currency::fromInt(30)}));
        QCOMPARE(
            (*t)[1], (Row{QStringLiteral("         其  中：水桶"), Currency::fromInt(3), zero}));
        QCOMPARE((*t)[2],
            (Row{QStringLiteral("                 纯净水"), Currency::fromInt(3),
                Currency::fromInt(30)}));
        QCOMPARE((*t)[3], Row());
        QCOMPARE(
            (*t)[4], (Row{QStringLiteral("今日欠款总额："), std::nullopt, Currency::fromInt(5)}));
        // Goods lines of the owing sale, per sender; the other station's sender shows 0.
        QCOMPARE((*t)[5],
            (Row{QStringLiteral("         其  中：王"), Currency::fromInt(1),
                Currency::fromInt(10)}));
        QCOMPARE((*t)[6], (Row{QStringLiteral("                 李"), zero, zero}));
        QCOMPARE(
            (*t)[8], (Row{QStringLiteral("今日欠瓶总额："), Currency::fromInt(1), std::nullopt}));
        QCOMPARE((*t)[9], (Row{QStringLiteral("         其  中：王"), Currency::fromInt(2), zero}));
        QCOMPARE((*t)[10], (Row{QStringLiteral("                 李"), zero, zero}));
        QCOMPARE(
            (*t)[11], (Row{QStringLiteral("         其  中：水桶"), Currency::fromInt(2), zero}));
        QCOMPARE((*t)[13],
            (Row{QStringLiteral("今日现金收入总额："), std::nullopt, Currency::fromInt(25)}));
        // Balances: bottle 20 in - the line of 2 whose bottles are still out;
        // water 100 in - 10 out - 4 delivered but not closed (the day before's
        // too). Money 20.25 and 1000.5 - 100 - 40 = 860.5: the running
        // whole-number total is 20, then 880.5 -> 880.
        QCOMPARE((*t)[15],
            (Row{
                QStringLiteral("今日库存余额："), Currency::fromInt(104), Currency::fromInt(880)}));
        QCOMPARE((*t)[16],
            (Row{QStringLiteral("          其  中：水桶"), Currency::fromInt(18), money("20.25")}));
        QCOMPARE((*t)[17],
            (Row{QStringLiteral("                  纯净水"), Currency::fromInt(86),
                money("860.5")}));
        QCOMPARE((*t)[18], Row());
    }
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_TodayReport::noDeliveredSale()
{
    const qint64 water = addProduct(QStringLiteral("纯净水"), 10);
    const qint64 wang = addSender(QStringLiteral("王"), 1);
    addSale(1, wang, Day, {{water, "10", 5}}, QStringLiteral("0"), 4, 0); // partly delivered
    addStore(1, Day.addDays(-1), '0', water, 9, QStringLiteral("90"));
    for (const auto method : {Method::SetBased, Method::RowByRow}) {
        const auto t = report(TodayReport::Variant::Station, method);
        QVERIFY(t);
        QCOMPARE((*t)[0], (Row{QStringLiteral("今日销售总额："), std::nullopt, std::nullopt}));
        QCOMPARE((*t)[1].amount, Currency());
        QCOMPARE((*t)[1].money, Currency());
        QCOMPARE((*t)[rowOf(*t, QStringLiteral("今日欠款总额："))].money, std::nullopt);
        const int stock = rowOf(*t, QStringLiteral("今日库存余额："));
        QCOMPARE((*t)[stock].amount, Currency::fromInt(9));
        QCOMPARE((*t)[stock + 1].money, Currency::fromInt(90));
    }
}

void tst_TodayReport::tableGrowsAndKeepsItsMinimum()
{
    addProduct(QStringLiteral("纯净水"), 10);
    addSender(QStringLiteral("王"), 1);
    auto t = report(TodayReport::Variant::Station, Method::SetBased);
    QVERIFY(t);
    QCOMPARE(t->size(), 26);
    for (int i = 1; i < 30; ++i)
        addProduct(QStringLiteral("产品%1").arg(i), i);
    t = report(TodayReport::Variant::Station, Method::SetBased);
    QVERIFY(t);
    // 2P + C + 2S + 10 with P=30, C=0, S=1, rows 0 to 72.
    QCOMPARE(t->size(), 73);
    QCOMPARE(t->at(70).item, QStringLiteral("                  产品29"));
    QCOMPARE(t->at(71), Row());
    QCOMPARE(t->at(72), Row());

    int last = -1, maximum = -1;
    TodayReport::Options o;
    o.reportDate = Day;
    o.stationId = 1;
    o.progress = [&](int value, int max) {
        QVERIFY(value >= last);
        last = value;
        maximum = max;
    };
    QVERIFY(TodayReport::build(o));
    QCOMPARE(maximum, 73);
    QVERIFY(last > 60 && last <= maximum);
}

void tst_TodayReport::groupReportOfAKnownDay()
{
    const qint64 bottle = addProduct(QStringLiteral("水桶"), 30, 0, true);
    const qint64 water = addProduct(QStringLiteral("纯净水"), 10, bottle);
    const qint64 east = addStation(QStringLiteral("城东"));
    const qint64 wang = addSender(QStringLiteral("王"), 1);
    const qint64 li = addSender(QStringLiteral("李"), east);
    addSale(1, wang, Day, {{water, "10", 2}, {bottle, "0", 2, true}}, QStringLiteral("15"), 2, 0);
    addSale(east, li, Day, {{water, "10", 1}}, QStringLiteral("10"), 1, 0);
    addStore(east, Day.addDays(-1), '0', water, 10, QStringLiteral("10.5"));
    addStore(1, Day.addDays(-1), '0', water, 10, QStringLiteral("20.25"));

    for (const auto method : {Method::SetBased, Method::RowByRow}) {
        const auto t = report(TodayReport::Variant::Group, method);
        QVERIFY(t);
        const Currency zero;
        const QString head
            = mDatabase::GetFieldByID(1, QStringLiteral("Station"), QStringLiteral("Name"));
        QCOMPARE((*t)[0],
            (Row{QStringLiteral("今日销售总额："), Currency::fromInt(3), Currency::fromInt(30)}));
        QCOMPARE((*t)[1],
            (Row{QStringLiteral("    其  中：") + head, Currency::fromInt(2),
                Currency::fromInt(20)}));
        QCOMPARE((*t)[2],
            (Row{QStringLiteral("                 其  中：水桶"), Currency::fromInt(2), zero}));
        QCOMPARE((*t)[3],
            (Row{QStringLiteral("                         纯净水"), Currency::fromInt(2),
                Currency::fromInt(20)}));
        QCOMPARE((*t)[4],
            (Row{QStringLiteral("            城东"), Currency::fromInt(1), Currency::fromInt(10)}));
        const int owed = rowOf(*t, QStringLiteral("今日欠款总额："));
        QCOMPARE((*t)[owed].money, Currency::fromInt(5));
        // Each station lists only its own senders.
        QCOMPARE((*t)[owed + 1],
            (Row{QStringLiteral("    其  中：") + head, zero, Currency::fromInt(5)}));
        QCOMPARE((*t)[owed + 2],
            (Row{QStringLiteral("                 其  中：王"), zero, Currency::fromInt(20)}));
        QCOMPARE((*t)[owed + 3], (Row{QStringLiteral("            城东"), zero, zero}));
        QCOMPARE((*t)[owed + 4], (Row{QStringLiteral("                 其  中：李"), zero, zero}));
        const int bottles = rowOf(*t, QStringLiteral("今日欠瓶总额："));
        QCOMPARE((*t)[bottles].amount, Currency::fromInt(2));
        QCOMPARE((*t)[bottles + 1],
            (Row{QStringLiteral("   其  中：") + head, Currency::fromInt(2), zero}));
        QCOMPARE((*t)[bottles + 2],
            (Row{QStringLiteral("                 其  中：王"), Currency::fromInt(2), zero}));
        QCOMPARE((*t)[bottles + 3],
            (Row{QStringLiteral("                 其  中：水桶"), Currency::fromInt(2), zero}));
        QCOMPARE((*t)[bottles + 4], (Row{QStringLiteral("           城东"), zero, zero}));
        const int cash = rowOf(*t, QStringLiteral("今日现金收入总额："));
        QCOMPARE((*t)[cash + 2],
            (Row{QStringLiteral("           城东"), std::nullopt, Currency::fromInt(10)}));
        // Station money 20.25 - 20 - 0 = 0.25 (head: water 10 in at 20.25, 2 delivered
        // at 20, bottle -2 at 0) and 10.5 - 10 = 0.5; the header rounds after each
        // station: 0.25 -> 0, then 0.5 -> 0.
        const int stock = rowOf(*t, QStringLiteral("今日库存余额："));
        QCOMPARE((*t)[stock], (Row{QStringLiteral("今日库存余额："), Currency::fromInt(15), zero}));
        QCOMPARE((*t)[stock + 1],
            (Row{QStringLiteral("   其  中：") + head, Currency::fromInt(6), money("0.25")}));
        QCOMPARE((*t)[stock + 4],
            (Row{QStringLiteral("           城东"), Currency::fromInt(9), money("0.5")}));
    }
}

void tst_TodayReport::setBasedEqualsRowByRowOnGeneratedData()
{
    // Several stations, products with and without bottles, senders of every
    // station, sales over a few days in every state, stock documents of
    // earlier and later days. Fixed seed: a failure can be repeated.
    QRandomGenerator random(20261208);
    QVector<qint64> stations{1};
    for (int i = 0; i < 3; ++i)
        stations << addStation(QStringLiteral("站%1").arg(i));
    QVector<qint64> bottles, waters, senders;
    for (int i = 0; i < 2; ++i)
        bottles << addProduct(QStringLiteral("桶%1").arg(i), 30, 0, true);
    for (int i = 0; i < 5; ++i)
        waters << addProduct(QStringLiteral("水%1").arg(i), 5 + i, i < 3 ? bottles[i % 2] : 0);
    for (int i = 0; i < 6; ++i)
        senders << addSender(QStringLiteral("送%1").arg(i), stations[i % stations.size()]);
    ExecuteSQL(QStringLiteral("update Sender set Status='0' where ID=%1").arg(senders.last()));

    mDatabase::Transaction tx;
    QVERIFY(tx);
    for (int i = 0; i < 160; ++i) {
        const qint64 station = stations[random.bounded(stations.size())];
        const QDate day = Day.addDays(-int(random.bounded(3)));
        QVector<SaleLine> lines;
        int amount = 0;
        for (int l = 0, n = 1 + random.bounded(3); l < n; ++l) {
            const int w = random.bounded(waters.size());
            const int a = 1 + random.bounded(4);
            lines << SaleLine{
                waters[w], QStringLiteral("%1.%2").arg(5 + w).arg(random.bounded(100)), a};
            if (w < 3)
                lines << SaleLine{bottles[w % 2], QStringLiteral("0"), a, true};
            amount += a;
        }
        const int out = random.bounded(4) == 0 ? random.bounded(amount) : amount;
        const QString in = QStringLiteral("%1.25").arg(random.bounded(40));
        addSale(station, senders[random.bounded(senders.size())], day, lines, in, out,
            random.bounded(3), random.bounded(5) == 0 ? '1' : '0');
    }
    for (int i = 0; i < 40; ++i) {
        const QVector<qint64> &kind = random.bounded(3) == 0 ? bottles : waters;
        addStore(stations[random.bounded(stations.size())], Day.addDays(int(random.bounded(6)) - 4),
            random.bounded(3) == 0 ? '1' : '0', kind[random.bounded(kind.size())],
            1 + random.bounded(50),
            QStringLiteral("%1.%2").arg(random.bounded(500)).arg(random.bounded(100)));
    }
    QVERIFY(tx.commit());

    const auto same = [](const std::optional<Table> &a, const std::optional<Table> &b) {
        QVERIFY(a && b);
        QCOMPARE(a->size(), b->size());
        for (int i = 0; i < a->size(); ++i)
            QVERIFY2((*a)[i] == (*b)[i],
                qPrintable(QStringLiteral("row %1: %2 != %3")
                               .arg(i)
                               .arg(describe((*a)[i]), describe((*b)[i]))));
    };
    int nonZero = 0;
    for (const QDate day : {Day, Day.addDays(-1), Day.addDays(-7)}) {
        for (const qint64 station : stations)
            same(report(TodayReport::Variant::Station, Method::SetBased, station, day),
                report(TodayReport::Variant::Station, Method::RowByRow, station, day));
        const auto group = report(TodayReport::Variant::Group, Method::SetBased, 1, day);
        same(group, report(TodayReport::Variant::Group, Method::RowByRow, 1, day));
        for (const Row &r : *group)
            nonZero += (r.amount && !r.amount->isZero()) + (r.money && !r.money->isZero());
    }
    // The data must exercise the figures, not compare empty tables.
    QVERIFY2(nonZero > 100, qPrintable(QString::number(nonZero)));
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_TodayReport::failedQueryGivesNoTable()
{
    addProduct(QStringLiteral("纯净水"), 10);
    QVERIFY(ExecuteSQL(QStringLiteral("drop table Store_detail")));
    for (const auto method : {Method::SetBased, Method::RowByRow}) {
        m_prompts->requests.clear();
        QVERIFY(!report(TodayReport::Variant::Station, method));
        QVERIFY(!m_prompts->requests.isEmpty());
    }
}

QTEST_MAIN(tst_TodayReport)
#include "tst_todayreport.moc"
