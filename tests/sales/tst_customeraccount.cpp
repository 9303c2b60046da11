#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/currency.h"
#include "datastore/mdatabase.h"
#include "lists/frmcollectionlist.h"
#include "reports/dayclosing.h"
#include "sales/customeraccount.h"
#include "shell/datetext.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

using CustomerAccount::Failure;
using mDatabase::ExecuteSQL;

namespace {

const QDate Today(2026, 12, 8);

qint64 insert(const QString &sql)
{
    return mDatabase::InsertAndGetID(sql);
}

Currency sum(const QString &sql)
{
    const auto rs = mDatabase::OpenRecordset(sql);
    return rs && !rs->isEmpty() ? Currency::fromVariant(rs->value(0, 0)) : Currency::overflow();
}

QDate firstDate(const QString &sql)
{
    const auto rs = mDatabase::OpenRecordset(sql);
    return rs && !rs->isEmpty() ? DateText::fromValue(rs->value(0, 0)) : QDate();
}

} // namespace

// One customer's account (money not received, bottles not back), as the
// account window and the statements read it, against the orders' own open
// figures.
class tst_CustomerAccount : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void agreesWithTheOrders_data();
    void agreesWithTheOrders();
    void collectionListCriteria_data();
    void collectionListCriteria();
    void stationScope();
    void emptyAccountAndBadInput();
    void statementRangeCarriesTheOpeningBalance();

private:
    // The collection list's rows by customer, as it shows them.
    struct Row {
        Currency owed, out;
        QDate oldest;
        int orders = 0;
    };
    static QHash<qint64, Row> collectionRows(const frmCollectionList &list);
    qint64 customer(int station, const QString &name);
    // Amount delivered, money due/paid, bottles out/back.
    qint64 sale(qint64 customer, const QDate &day, int amount, int delivered, int money, int paid,
        int bottles, int back);

    TestDatabase m_db;
    ScopedSession m_session{ScopedSession::headStation()};
    ScriptedPrompter *m_prompts = nullptr;
    qint64 m_water = 0, m_bottle = 0, m_jug = 0;
};

void tst_CustomerAccount::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('二站','1')")));
    m_bottle = insert(QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer) "
                                     "values('18.9升水桶','个',30,'1','1')"));
    m_jug = insert(QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer) "
                                  "values('11升水桶','个',20,'1','1')"));
    m_water = insert(QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer) "
                                    "values('纯净水','桶',12,'1','0')"));
    QVERIFY(m_water > 0 && m_bottle > 0 && m_jug > 0);
}

void tst_CustomerAccount::cleanup()
{
    delete m_prompts;
    m_prompts = nullptr;
}

qint64 tst_CustomerAccount::customer(int station, const QString &name)
{
    return insert(
        QStringLiteral("insert into Customer(Account,Name,Phone,Address,Status,StationID) "
                       "values(%1,%2,'86001',%2,'1',%3)")
            .arg(QString::number(QRandomGenerator::global()->bounded(1, 1 << 30)),
                mDatabase::SqlStr(name), QString::number(station)));
}

qint64 tst_CustomerAccount::sale(qint64 customer, const QDate &day, int amount, int delivered,
    int money, int paid, int bottles, int back)
{
    const qint64 id = insert(
        QStringLiteral("insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,"
                       "TotalContainer,InMoney,OutAmount,InContainer,TransferFee,Detail,CreateDate,"
                       "FinishFlag,StationID) values(%1,1,1,%2,%3,%4,%5,%6,%7,0,'',%8,'0',1)")
            .arg(QString::number(customer), QString::number(amount), QString::number(money),
                QString::number(bottles), QString::number(paid), QString::number(delivered),
                QString::number(back), mDatabase::dialect().dateLiteral(day)));
    const auto line = [&](qint64 product, int n, int lineMoney, char bottle) {
        return ExecuteSQL(
            QStringLiteral("insert into Sale_detail(SaleID,ProductID,Price,MyAmount,"
                           "MyMoney,IsContainer) values(%1,%2,0,%3,%4,'%5')")
                .arg(QString::number(id), QString::number(product), QString::number(n),
                    QString::number(lineMoney), QString(QLatin1Char(bottle))));
    };
    if (amount > 0)
        line(m_water, amount, money, '0');
    // Two kinds of bottle on one order: the returns are laid on the first.
    if (bottles > 1) {
        line(m_bottle, bottles - 1, 0, '1');
        line(m_jug, 1, 0, '1');
    } else if (bottles == 1) {
        line(m_bottle, 1, 0, '1');
    }
    return id;
}

void tst_CustomerAccount::agreesWithTheOrders_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("customers");
    QTest::addColumn<bool>("close");
    QTest::newRow("open orders only") << 7u << 6 << false;
    QTest::newRow("after a closing") << 11u << 8 << true;
    QTest::newRow("many customers, closed") << 23u << 20 << true;
}

void tst_CustomerAccount::agreesWithTheOrders()
{
    QFETCH(quint32, seed);
    QFETCH(int, customers);
    QFETCH(bool, close);
    QRandomGenerator random(seed);
    QVector<qint64> ids;
    for (int c = 0; c < customers; ++c) {
        const qint64 id = customer(1, QStringLiteral("客户%1").arg(c));
        ids << id;
        const int orders = random.bounded(0, 12);
        for (int o = 0; o < orders; ++o) {
            const int amount = random.bounded(1, 5);
            const int money = amount * 12;
            const int bottles = random.bounded(0, 4);
            // Half the orders settled, the rest with money or bottles open.
            const bool settled = random.bounded(2) == 0;
            sale(id, Today.addDays(-random.bounded(0, 60)), amount, amount, money,
                settled ? money : random.bounded(0, money + 1), bottles,
                settled ? bottles : random.bounded(0, bottles + 1));
        }
    }
    if (close) {
        m_prompts->answers << Prompt::Yes << Prompt::Yes << Prompt::Yes << Prompt::Yes
                           << Prompt::Yes;
        QCOMPARE(int(DayClosing::FinishToday({QStringLiteral("2026-12-01"), 1, {}}).outcome),
            int(DayClosing::Outcome::Closed));
        QVERIFY(sum(QStringLiteral("select count(*) from Sale where FinishFlag='1'")) > Currency());
    }

    const frmCollectionList list;
    const QHash<qint64, Row> rows = collectionRows(list);
    for (const qint64 id : std::as_const(ids)) {
        Failure failure;
        const auto account = CustomerAccount::read(id, {}, &failure);
        // The collection list shows exactly the customers with something
        // open, with the account's own figures.
        QCOMPARE(rows.contains(id), account && account->oldestOpen.isValid());
        if (rows.contains(id)) {
            const Row &row = rows[id];
            QCOMPARE(row.owed, account->owed);
            QCOMPARE(row.out, account->out);
            QCOMPARE(row.oldest, account->oldestOpen);
            int open = 0;
            for (const CustomerAccount::Order &o : account->orders)
                open += o.owed != Currency() || o.out != Currency();
            QCOMPARE(row.orders, open);
        }
        QVERIFY2(account, qPrintable(QString::number(int(failure))));
        const QString open
            = QStringLiteral(" from Sale where CustomerID=%1 and FinishFlag='0'").arg(id);
        QCOMPARE(account->owed,
            sum(QStringLiteral("select coalesce(sum(TotalMoney-InMoney),0)") + open));
        QCOMPARE(account->out,
            sum(QStringLiteral("select coalesce(sum(TotalContainer-InContainer),0)") + open));
        QCOMPARE(account->orders.size(),
            int(sum(QStringLiteral("select count(*) from Sale where CustomerID=%1").arg(id))
                    .toSqlText()
                    .toInt()));
        if (!account->orders.isEmpty()) {
            QCOMPARE(account->orders.last().owedSoFar, account->owed);
            QCOMPARE(account->orders.last().outSoFar, account->out);
        }
        Currency byBottle;
        for (const CustomerAccount::BottlesOut &b : account->outByBottle)
            byBottle += b.out;
        QCOMPARE(byBottle, account->out);
        QCOMPARE(account->lastOrder,
            firstDate(
                QStringLiteral("select max(CreateDate) from Sale where CustomerID=%1").arg(id)));
        QCOMPARE(account->oldestOpen,
            firstDate(QStringLiteral("select min(CreateDate)") + open
                + QStringLiteral(" and (TotalMoney<>InMoney or TotalContainer<>InContainer)")));
    }
}

QHash<qint64, tst_CustomerAccount::Row> tst_CustomerAccount::collectionRows(
    const frmCollectionList &list)
{
    QHash<qint64, Row> rows;
    const ListModel *model = list.model();
    for (int r = 0; r < model->rowCount(); ++r) {
        const auto value = [&](const char *field) {
            return model->value(r, QLatin1String(field));
        };
        rows.insert(value("ID").toLongLong(),
            {Currency::fromVariant(value("OwedMoney")), Currency::fromVariant(value("BottlesOut")),
                DateText::fromValue(value("OldestOpen")), value("OpenOrders").toInt()});
    }
    return rows;
}

void tst_CustomerAccount::collectionListCriteria_data()
{
    QTest::addColumn<int>("minimumOwed"); // -1: any
    QTest::addColumn<int>("olderThanDays"); // -1: any
    QTest::addColumn<int>("branch"); // 0: the head station
    QTest::newRow("everyone open") << -1 << -1 << 0;
    QTest::newRow("owing at least 20") << 20 << -1 << 0;
    QTest::newRow("open for over 30 days") << -1 << 30 << 0;
    QTest::newRow("both") << 20 << 30 << 0;
    QTest::newRow("a branch sees its own") << -1 << -1 << 2;
}

void tst_CustomerAccount::collectionListCriteria()
{
    QFETCH(int, minimumOwed);
    QFETCH(int, olderThanDays);
    QFETCH(int, branch);
    const QDate today = QDate::currentDate();
    struct Debtor {
        int station, daysAgo, owed, bottles;
    };
    const Debtor debtors[] = {{1, 40, 24, 0}, {1, 40, 12, 2}, {1, 5, 36, 1}, {1, 5, 0, 1},
        {2, 50, 30, 0}, {2, 1, 6, 0}, {1, 3, 0, 0}};
    QHash<qint64, Debtor> expected;
    int n = 0;
    for (const Debtor &d : debtors) {
        const qint64 id = customer(d.station, QStringLiteral("户%1").arg(++n));
        QVERIFY(id > 0);
        sale(id, today.addDays(-d.daysAgo), 1, 1, 36, 36 - d.owed, d.bottles + 1, 1);
        const bool open = d.owed > 0 || d.bottles > 0;
        if (open && (minimumOwed < 0 || d.owed >= minimumOwed)
            && (olderThanDays < 0 || d.daysAgo >= olderThanDays)
            && (branch == 0 || d.station == branch))
            expected.insert(id, d);
    }
    std::optional<ScopedSession> atBranch;
    if (branch)
        atBranch.emplace(ScopedSession::atBranch(qint16(branch)));
    frmCollectionList list;
    frmCollectionList::Criteria criteria;
    if (minimumOwed >= 0)
        criteria.minimumOwed = Currency::fromInt(minimumOwed);
    if (olderThanDays >= 0)
        criteria.olderThanDays = olderThanDays;
    list.applyCriteria(criteria, {});
    const QHash<qint64, Row> rows = collectionRows(list);
    QCOMPARE(QSet<qint64>(rows.keyBegin(), rows.keyEnd()),
        QSet<qint64>(expected.keyBegin(), expected.keyEnd()));
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        QCOMPARE(rows[it.key()].owed, Currency::fromInt(it->owed));
        QCOMPARE(rows[it.key()].out, Currency::fromInt(it->bottles));
    }
}

void tst_CustomerAccount::stationScope()
{
    const qint64 ours = customer(2, QStringLiteral("二站客户"));
    const qint64 theirs = customer(1, QStringLiteral("总站客户"));
    sale(ours, Today, 1, 1, 12, 0, 1, 0);
    Failure failure;
    {
        ScopedSession branch(ScopedSession::atBranch(2));
        QVERIFY(CustomerAccount::read(ours, {}, &failure));
        QVERIFY(!CustomerAccount::read(theirs, {}, &failure));
        QCOMPARE(int(failure), int(Failure::OtherStation));
    }
    // The head station sees every station's customers.
    const auto account = CustomerAccount::read(ours, {}, &failure);
    QVERIFY(account);
    QCOMPARE(account->owed.toSqlText(), QStringLiteral("12"));
}

void tst_CustomerAccount::emptyAccountAndBadInput()
{
    const qint64 nobody = customer(1, QStringLiteral("新客户"));
    Failure failure;
    const auto empty = CustomerAccount::read(nobody, {}, &failure);
    QVERIFY(empty);
    QVERIFY(empty->orders.isEmpty());
    QCOMPARE(empty->owed, Currency());
    QCOMPARE(empty->out, Currency());
    QVERIFY(!empty->lastOrder.isValid() && !empty->oldestOpen.isValid());

    QVERIFY(!CustomerAccount::read(nobody, {Today, Today.addDays(-1)}, &failure));
    QCOMPARE(int(failure), int(Failure::BadRange));
    QVERIFY(!CustomerAccount::read(nobody + 1000, {}, &failure));
    QCOMPARE(int(failure), int(Failure::NoSuchCustomer));
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_CustomerAccount::statementRangeCarriesTheOpeningBalance()
{
    const qint64 id = customer(1, QStringLiteral("月结户"));
    sale(id, Today.addDays(-40), 2, 2, 24, 4, 2, 0); // before: 20 owed, 2 out
    sale(id, Today.addDays(-10), 1, 1, 12, 0, 1, 1); // in range: 12 owed
    sale(id, Today.addDays(-5), 1, 1, 12, 12, 1, 0); // in range: 1 out
    sale(id, Today, 1, 1, 12, 0, 0, 0); // after the range
    Failure failure;
    const auto a = CustomerAccount::read(id, {Today.addDays(-30), Today.addDays(-1)}, &failure);
    QVERIFY(a);
    QCOMPARE(a->openingOwed.toSqlText(), QStringLiteral("20"));
    QCOMPARE(a->openingOut.toSqlText(), QStringLiteral("2"));
    QCOMPARE(a->orders.size(), 2);
    QCOMPARE(a->owed.toSqlText(), QStringLiteral("32"));
    QCOMPARE(a->out.toSqlText(), QStringLiteral("3"));
    QCOMPARE(a->orders.first().owedSoFar.toSqlText(), QStringLiteral("32"));
    QCOMPARE(a->orders.last().outSoFar.toSqlText(), QStringLiteral("3"));
}

QTEST_MAIN(tst_CustomerAccount)
#include "tst_customeraccount.moc"
