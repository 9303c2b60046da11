#include "demodata.h"
#include "mdatabase.h"
#include "scriptedprompter.h"
#include "testdatabase.h"

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
    void closedAndOpenOrdersBothShown();
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
    // Closing works day by day: no day has both closed and open orders, and
    // every closed day lies before every open one.
    const auto rs = mDatabase::OpenRecordset(
        QStringLiteral("select CreateDate, FinishFlag from Sale order by CreateDate"));
    QVERIFY(rs);
    QDate lastClosed;
    QDate firstOpen;
    for (int row = 0; row < rs->recordCount(); ++row) {
        const QDate date = rs->value(row, QStringLiteral("CreateDate")).toDate();
        QVERIFY(date.isValid());
        if (rs->value(row, QStringLiteral("FinishFlag")).toString() == QLatin1String("1"))
            lastClosed = std::max(lastClosed, date);
        else if (!firstOpen.isValid())
            firstOpen = date;
    }
    QVERIFY(lastClosed.isValid());
    QVERIFY(firstOpen.isValid());
    QVERIFY(lastClosed < firstOpen);
    QVERIFY(firstOpen <= m_today);
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
    // An open order, paid and delivered, whose bottles are still out.
    QVERIFY(count(QStringLiteral("select count(*) from Sale where FinishFlag='0' and "
                                 "InMoney=TotalMoney and OutAmount=TotalAmount and "
                                 "InContainer<TotalContainer"))
        > 0);
    QVERIFY(count(QStringLiteral("select count(*) from Sale where FinishFlag='1' and "
                                 "InContainer<TotalContainer"))
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
