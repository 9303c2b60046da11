#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "sales/salereader.h"
#include "sales/salewriter.h"
#include "shell/loginstate.h"

#include <QTest>

using mDatabase::ExecuteSQL;

namespace {

const QDate Today(2026, 12, 8);

qint64 insert(const QString &sql)
{
    return mDatabase::InsertAndGetID(sql);
}

SaleRecord::Line line(qint64 product, const QString &price, int amount, const QString &money)
{
    SaleRecord::Line l;
    l.productId = product;
    Currency::parse(price, &l.price);
    l.amount = amount;
    Currency::parse(money, &l.money);
    return l;
}

} // namespace

class tst_SaleReader : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadsHeaderLinesAndCustomer();
    void customerOfAnotherStationOrSuspended();
    void hostileTextReadBackExactly();
    void missingSaleGivesNothing();
    void failedQueryGivesNothing();

private:
    TestDatabase m_db;
    ScopedSession m_session{ScopedSession::headStation()};
    ScriptedPrompter *m_prompts = nullptr;
    qint64 m_water = 0;
    qint64 m_bottle = 0;
};

void tst_SaleReader::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
    m_bottle = insert(
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer,ContainerID) "
                       "values('18.9升水桶','个',30,'1','1',0)"));
    m_water = insert(
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer,ContainerID) "
                       "values('18.9升纯净水','桶',12.5,'1','0',%1)")
            .arg(m_bottle));
    QVERIFY(m_water > 0 && m_bottle > 0);
}

void tst_SaleReader::cleanup()
{
    m_db.dropAll();
    delete m_prompts;
}

void tst_SaleReader::loadsHeaderLinesAndCustomer()
{
    SaleRecord s;
    s.address = QStringLiteral("人民路1号");
    s.phone = QStringLiteral("86120001");
    s.detail = QStringLiteral("放门口");
    s.createDate = Today;
    s.senderId = 4;
    s.stationId = 1;
    s.userId = 3;
    s.lines = {line(m_water, QStringLiteral("12.5"), 3, QStringLiteral("37.5")),
        line(m_bottle, QStringLiteral("30"), 1, QStringLiteral("30"))};
    s.totalAmount = 4;
    s.totalMoney = s.lines[0].money + s.lines[1].money;
    s.totalContainer = 3;
    Currency::parse(QStringLiteral("20.25"), &s.inMoney);
    s.outAmount = Currency::fromInt(4);
    s.inContainer = Currency::fromInt(1);
    s.transferFee = Currency::fromInt(2);
    const qint64 id = SaleWriter::saveNew(s, Today);
    QVERIFY(id > 0);

    const auto r = SaleReader::load(id);
    QVERIFY(r);
    QCOMPARE(r->id, id);
    QCOMPARE(r->detail, s.detail);
    QCOMPARE(r->createDate, Today);
    QCOMPARE(r->senderId, qint64(4));
    QCOMPARE(r->stationId, qint64(1));
    QCOMPARE(r->userId, qint64(3));
    QCOMPARE(r->totalAmount, 4);
    QCOMPARE(r->totalMoney.toSqlText(), QStringLiteral("67.5"));
    QCOMPARE(r->totalContainer, 3);
    QCOMPARE(r->inMoney.toSqlText(), QStringLiteral("20.25"));
    QCOMPARE(r->outAmount, Currency::fromInt(4));
    QCOMPARE(r->inContainer, Currency::fromInt(1));
    QCOMPARE(r->transferFee, Currency::fromInt(2));
    QVERIFY(!r->finished);

    // Goods lines in their order, with names; the bottle lines follow from them.
    QCOMPARE(r->lines.size(), 2);
    QCOMPARE(r->lines[0].productId, m_water);
    QCOMPARE(r->lines[0].name, QStringLiteral("18.9升纯净水"));
    QCOMPARE(r->lines[0].unit, QStringLiteral("桶"));
    QCOMPARE(r->lines[0].price.toSqlText(), QStringLiteral("12.5"));
    QCOMPARE(r->lines[0].amount, 3);
    QCOMPARE(r->lines[0].money.toSqlText(), QStringLiteral("37.5"));
    QCOMPARE(r->lines[1].productId, m_bottle);
    QCOMPARE(r->lines[1].name, QStringLiteral("18.9升水桶"));

    QVERIFY(r->customerId > 0);
    QCOMPARE(r->customer.id, r->customerId);
    QCOMPARE(r->customer.account, r->customerId);
    QCOMPARE(r->customer.address, s.address);
    QCOMPARE(r->customer.phone, s.phone);
    QCOMPARE(r->customer.createDate, Today);
    QCOMPARE(r->customer.custType, 0);
    QCOMPARE(r->customer.stationId, qint64(1));
    QCOMPARE(r->address, s.address);
    QCOMPARE(r->phone, s.phone);

    QVERIFY(ExecuteSQL(QStringLiteral("update Sale set FinishFlag='1' where ID=%1").arg(id)));
    QVERIFY(SaleReader::load(id)->finished);
    QCOMPARE(m_prompts->texts(), QStringList());
}

void tst_SaleReader::customerOfAnotherStationOrSuspended()
{
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城东','0')")));
    const qint64 customer = insert(QStringLiteral(
        "insert into Customer(Account,Name,Phone,Address,CustType,Status,StationID,CreateDate) "
        "values(77,'王','111','解放路5号',2,'0',2,'2024-03-09')"));
    const qint64 id = insert(QStringLiteral(
        "insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,TotalContainer,"
        "InMoney,OutAmount,InContainer,TransferFee,Detail,CreateDate,FinishFlag,StationID) "
        "values(%1,0,1,1,10,0,0,0,0,0,'','2026-12-01','0',1)")
                                 .arg(customer));
    QVERIFY(customer > 0 && id > 0);
    const auto r = SaleReader::load(id);
    QVERIFY(r);
    QCOMPARE(r->customer.id, customer);
    QCOMPARE(r->customer.account, qint64(77));
    QCOMPARE(r->customer.name, QStringLiteral("王"));
    QCOMPARE(r->customer.status, QStringLiteral("0"));
    QCOMPARE(r->customer.stationId, qint64(2));
    QCOMPARE(r->customer.custType, 2);
    QCOMPARE(r->customer.createDate, QDate(2024, 3, 9));
    QCOMPARE(r->stationId, qint64(1));
    QVERIFY(r->lines.isEmpty());

    // A sale whose customer has gone is still a sale.
    QVERIFY(ExecuteSQL(QStringLiteral("delete from Customer")));
    const auto orphan = SaleReader::load(id);
    QVERIFY(orphan);
    QCOMPARE(orphan->customer.id, qint64(0));
    QCOMPARE(orphan->customerId, customer);
}

void tst_SaleReader::hostileTextReadBackExactly()
{
    const QString text = QStringLiteral("%1'%2\\\\ \"x\" %%3''");
    SaleRecord s;
    s.address = text;
    s.phone = text;
    s.detail = text;
    s.createDate = Today;
    s.stationId = 1;
    s.userId = 1;
    s.lines = {line(m_water, QStringLiteral("12.5"), 2, QStringLiteral("25"))};
    s.totalAmount = 2;
    s.totalMoney = Currency::fromInt(25);
    const qint64 id = SaleWriter::saveNew(s, Today);
    QVERIFY(id > 0);
    const auto r = SaleReader::load(id);
    QVERIFY(r);
    QCOMPARE(r->detail, text);
    QCOMPARE(r->customer.address, text);
    QCOMPARE(r->customer.phone, text);
}

void tst_SaleReader::missingSaleGivesNothing()
{
    QVERIFY(!SaleReader::load(12345));
    QCOMPARE(m_prompts->texts(), QStringList());
}

void tst_SaleReader::failedQueryGivesNothing()
{
    const qint64 id = insert(QStringLiteral(
        "insert into Sale(CustomerID,TotalAmount,TotalMoney,CreateDate,FinishFlag,StationID) "
        "values(0,1,10,'2026-12-01','0',1)"));
    QVERIFY(id > 0);
    // Half a sale must never come back as if it were whole.
    QVERIFY(ExecuteSQL(QStringLiteral("drop table Sale_detail")));
    QVERIFY(!SaleReader::load(id));
    QCOMPARE(m_prompts->texts().size(), 1);
    QVERIFY(m_prompts->texts().first().startsWith(QStringLiteral("读取数据库时出现系统错误")));
}

QTEST_MAIN(tst_SaleReader)
#include "tst_salereader.moc"
