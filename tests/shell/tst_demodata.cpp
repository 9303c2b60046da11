#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/demodata.h"
#include "datastore/mdatabase.h"
#include "datastore/sqldialect.h"

#include <QtTest>

#include <memory>

namespace {

qint64 count(const QString &sql)
{
    const auto rs = mDatabase::OpenRecordset(sql);
    if (!rs || rs->recordCount() != 1)
        return -1;
    return rs->value(0, 0).toLongLong();
}

} // namespace

class tst_DemoData : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fillsAnEmptyDatabaseOnce();
    void offeredOnceAtStartUp_data();
    void offeredOnceAtStartUp();
    void closedAndOpenOrdersBothShown();
    void closedOrdersWereCarriedIntoStock();
    void noUndeliveredOrderOlderThanTheClosing();
    void suspendedCustomerOrdersNothingOpen();
    void someoneOwesBottles();
    void everySettlingStateAmongOpenOrders();
    void ordersAddUpWithTheirLines();

private:
    bool fill();

    TestDatabase m_db;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    QDate m_today = QDate(2026, 12, 8);
};

void tst_DemoData::init()
{
    m_prompter = std::make_unique<ScriptedPrompter>();
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_DemoData::cleanup()
{
    m_db.dropAll();
    m_prompter.reset();
}

void tst_DemoData::offeredOnceAtStartUp_data()
{
    QTest::addColumn<bool>("businessFirst");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("filled");
    QTest::newRow("yes") << false << int(Prompt::Yes) << true;
    QTest::newRow("no") << false << int(Prompt::No) << false;
    QTest::newRow("stray Enter") << false << -1 << false;
    QTest::newRow("real business already") << true << int(Prompt::Yes) << false;
}

void tst_DemoData::offeredOnceAtStartUp()
{
    QFETCH(bool, businessFirst);
    QFETCH(int, answer);
    QFETCH(bool, filled);
    if (businessFirst)
        QVERIFY(mDatabase::ExecuteSQL(QStringLiteral(
            "insert into Customer(Account,Name,Status,StationID) values(1,'张三','1',1)")));
    if (answer >= 0)
        m_prompter->answers = {answer};
    QCOMPARE(DemoData::offerOnce(m_today), filled);
    QCOMPARE(m_prompter->requests.size(), businessFirst ? 0 : 1);
    if (!businessFirst) {
        QCOMPARE(
            m_prompter->texts().first(), QStringLiteral("这是一个新的数据库。要填入演示数据吗？"));
        QCOMPARE(m_prompter->requests.first().defaultButton, int(Prompt::No));
    }
    QCOMPARE(count(QStringLiteral("select count(*) from Sale")) > 0, filled);
    // The next start, on this workstation or another, asks nothing.
    m_prompter->clear();
    QVERIFY(!DemoData::offerOnce(m_today));
    QVERIFY(m_prompter->requests.isEmpty());
}

bool tst_DemoData::fill()
{
    QString error;
    const bool ok = DemoData::fill(m_today, &error);
    if (!ok)
        qWarning() << error;
    return ok;
}

void tst_DemoData::fillsAnEmptyDatabaseOnce()
{
    QVERIFY(DemoData::isEmptyDatabase());
    QVERIFY(fill());
    QVERIFY(!DemoData::isEmptyDatabase());
    const qint64 sales = count(QStringLiteral("select count(*) from Sale"));
    QVERIFY(sales > 0);

    QString error;
    QVERIFY(!DemoData::fill(m_today, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(count(QStringLiteral("select count(*) from Sale")), sales);
    QCOMPARE(m_prompter->texts(), QStringList());
}

void tst_DemoData::closedAndOpenOrdersBothShown()
{
    QVERIFY(fill());
    QVERIFY(count(QStringLiteral("select count(*) from Sale where FinishFlag='1'")) > 0);
    QVERIFY(count(QStringLiteral("select count(*) from Sale where FinishFlag='0'")) > 0);
    // Some of today's orders are closed, so the sale list shows grey rows
    // as soon as the program starts.
    QVERIFY(count(QStringLiteral("select count(*) from Sale where FinishFlag='1' and CreateDate=%1")
                      .arg(mDatabase::dialect().dateLiteral(m_today)))
        > 0);
    // Only what was settled has been closed.
    QCOMPARE(count(QStringLiteral("select count(*) from Sale where FinishFlag='1' and "
                                  "(InMoney<>TotalMoney or OutAmount<>TotalAmount or "
                                  "InContainer<>TotalContainer)")),
        qint64(0));
}

void tst_DemoData::closedOrdersWereCarriedIntoStock()
{
    QVERIFY(fill());
    const auto closed = mDatabase::OpenRecordset(
        QStringLiteral("select ID, TotalAmount, TotalMoney, StationID from Sale where "
                       "FinishFlag='1'"));
    QVERIFY(closed);
    QVERIFY(closed->recordCount() > 0);
    QCOMPARE(count(QStringLiteral("select count(*) from Store")), qint64(closed->recordCount()));
    for (int row = 0; row < closed->recordCount(); ++row) {
        const qint64 sale = closed->value(row, QStringLiteral("ID")).toLongLong();
        const auto store
            = mDatabase::OpenRecordset(QStringLiteral("select * from Store where PaperID=%1")
                                           .arg(mDatabase::SqlStr(QString::number(sale))));
        QVERIFY(store);
        QCOMPARE(store->recordCount(), 1);
        QCOMPARE(store->value(0, QStringLiteral("TotalAmount")).toDouble(),
            closed->value(row, QStringLiteral("TotalAmount")).toDouble());
        QCOMPARE(store->value(0, QStringLiteral("TotalMoney")).toDouble(),
            closed->value(row, QStringLiteral("TotalMoney")).toDouble());
        QCOMPARE(store->value(0, QStringLiteral("StationID")).toLongLong(),
            closed->value(row, QStringLiteral("StationID")).toLongLong());
        QCOMPARE(store->value(0, QStringLiteral("Direction")).toString(), QStringLiteral("1"));
        QCOMPARE(store->value(0, QStringLiteral("HandInput")).toString(), QStringLiteral("0"));
        QCOMPARE(store->value(0, QStringLiteral("FinishFlag")).toString(), QStringLiteral("1"));
        const qint64 storeId = store->value(0, QStringLiteral("ID")).toLongLong();
        // One stock line per goods line; bottles are not stock-out lines.
        QCOMPARE(count(QStringLiteral("select count(*) from Store_detail where StoreID=%1")
                           .arg(QString::number(storeId))),
            count(QStringLiteral("select count(*) from Sale_detail where SaleID=%1 and "
                                 "IsContainer='0'")
                      .arg(QString::number(sale))));
    }
}

void tst_DemoData::noUndeliveredOrderOlderThanTheClosing()
{
    QVERIFY(fill());
    // The closing (cut-off today) deletes what was never delivered, so
    // every undelivered order was taken today, after it.
    const auto oldest = mDatabase::OpenRecordset(
        QStringLiteral("select min(CreateDate) as D from Sale where FinishFlag='1'"));
    QVERIFY(oldest);
    const QDate firstClosed = oldest->value(0, 0).toDate();
    QVERIFY(firstClosed.isValid());
    QCOMPARE(count(QStringLiteral("select count(*) from Sale where OutAmount<TotalAmount and "
                                  "CreateDate<%1")
                       .arg(mDatabase::dialect().dateLiteral(m_today))),
        qint64(0));
}

void tst_DemoData::suspendedCustomerOrdersNothingOpen()
{
    QVERIFY(fill());
    QCOMPARE(count(QStringLiteral("select count(*) from Customer where Status='0'")), qint64(1));
    QVERIFY(count(QStringLiteral("select count(*) from Customer where Status='1'")) > 1);
    QCOMPARE(count(QStringLiteral("select count(*) from Sale, Customer where "
                                  "Sale.CustomerID=Customer.ID and Customer.Status='0'")),
        qint64(0));
    // Every customer has its own account number.
    QCOMPARE(count(QStringLiteral("select count(*) from Customer where Account=0")), qint64(0));
}

void tst_DemoData::someoneOwesBottles()
{
    QVERIFY(fill());
    // An open order, paid and delivered, whose bottles are still out; and
    // one from before the closing, which stayed open for that reason.
    QVERIFY(count(QStringLiteral("select count(*) from Sale where FinishFlag='0' and "
                                 "InMoney=TotalMoney and OutAmount=TotalAmount and "
                                 "InContainer<TotalContainer"))
        > 0);
    QVERIFY(count(QStringLiteral("select count(*) from Sale where FinishFlag='0' and "
                                 "InContainer<TotalContainer and CreateDate<%1")
                      .arg(mDatabase::dialect().dateLiteral(m_today.addDays(-2))))
        > 0);
}

void tst_DemoData::everySettlingStateAmongOpenOrders()
{
    QVERIFY(fill());
    const QString open = QStringLiteral("select count(*) from Sale where FinishFlag='0' and ");
    QVERIFY(count(open + QStringLiteral("InMoney<TotalMoney")) > 0);
    QVERIFY(count(open + QStringLiteral("OutAmount<TotalAmount")) > 0);
    QVERIFY(count(open + QStringLiteral("InContainer<TotalContainer")) > 0);
    QVERIFY(count(open
                + QStringLiteral("InMoney=TotalMoney and OutAmount=TotalAmount and "
                                 "InContainer=TotalContainer"))
        > 0);
}

void tst_DemoData::ordersAddUpWithTheirLines()
{
    QVERIFY(fill());
    // Header totals agree with the goods and container lines of each order.
    QCOMPARE(count(QStringLiteral(
                 "select count(*) from Sale where TotalMoney <> (select coalesce(sum(MyMoney),0) "
                 "from Sale_detail where SaleID=Sale.ID and IsContainer='0')")),
        qint64(0));
    QCOMPARE(count(QStringLiteral(
                 "select count(*) from Sale where TotalAmount <> (select coalesce(sum(MyAmount),0) "
                 "from Sale_detail where SaleID=Sale.ID and IsContainer='0')")),
        qint64(0));
    QCOMPARE(count(QStringLiteral("select count(*) from Sale where TotalContainer <> (select "
                                  "coalesce(sum(MyAmount),0) from Sale_detail where "
                                  "SaleID=Sale.ID and IsContainer='1')")),
        qint64(0));
}

QTEST_MAIN(tst_DemoData)
#include "tst_demodata.moc"
