#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "lists/frmcustomeradmin.h"
#include "lists/frmhistorycall.h"
#include "lists/frmsaleadmin.h"
#include "sales/salewriter.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QTest>
#include <QUuid>

namespace {

// A statement on the shared connection; the driver's text when it failed.
QString exec(const QString &sql)
{
    QSqlQuery q(mDatabase::gConnection());
    return q.exec(sql) ? QString() : q.lastError().text();
}

// Enough orders that a walk through the list has to let pages go: more
// rows than the model keeps.
constexpr int Orders = ListModel::PageRows * ListModel::KeptPages + 900;

// Orders 1..count over 37 customers, with many equal values in every
// column, so that the order of equal rows counts; every third one open.
QString addOrders(int first, int count)
{
    const QString today = mDatabase::dialect().dateLiteral(QDate::currentDate());
    const QString earlier = mDatabase::dialect().dateLiteral(QDate::currentDate().addDays(-3));
    // Put together rather than with arg(): the statement's own % signs are
    // remainders. Even orders are today's.
    QString failure;
    for (int odd = 0; odd < 2 && failure.isEmpty(); ++odd) {
        failure = exec(
            QStringLiteral("insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,"
                           "TotalContainer,InMoney,OutAmount,InContainer,TransferFee,Detail,"
                           "CreateDate,FinishFlag,StationID) with recursive n(i) as (select ")
            + QString::number(first) + QStringLiteral(" union all select i+1 from n where i<")
            + QString::number(first + count - 1)
            + QStringLiteral(") select i%37+1, i%5, 1, i%4, (i*7)%13, i%3, (i*7)%13 - i%2, i%4, "
                             "0, 0, '', ")
            + (odd ? earlier : today)
            + QStringLiteral(", case when i%3=0 then '0' else '1' end, 1 from n where i%2=")
            + QString::number(odd));
    }
    return failure;
}

QString addCustomers()
{
    return exec(QStringLiteral(
        "insert into Customer(Account,Name,Phone,Address,Status,StationID) "
        "with recursive n(i) as (select 1 union all select i+1 from n where i<37) "
        "select i, 'N' || (i%6), '1380000' || i, 'A' || (i%9) || '-' || i, '1', 1 from n"));
}

// A second workstation on the same database.
class OtherWorkstation {
public:
    OtherWorkstation() : m_name(QUuid::createUuid().toString())
    {
        const ConnectionTarget &t = mDatabase::currentTarget();
        QSqlDatabase db = QSqlDatabase::addDatabase(t.driverName(), m_name);
        db.setDatabaseName(t.kind == SqlDialect::SQLite ? t.host : t.odbcConnectionString());
        db.setConnectOptions(t.connectOptions());
        db.open();
    }
    ~OtherWorkstation()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    bool run(const QString &sql)
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        if (!q.exec(sql))
            qWarning("%s", qPrintable(q.lastError().text()));
        return q.isActive();
    }
    int number(const QString &sql)
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        return q.exec(sql) && q.next() ? q.value(0).toInt() : -1;
    }

private:
    QString m_name;
};

// What the list's statement gives read in one go.
QList<QSqlRecord> wholeRead(const QString &sql)
{
    QList<QSqlRecord> rows;
    QSqlQuery q(mDatabase::gConnection());
    q.setForwardOnly(true);
    if (!q.exec(sql))
        qWarning("%s", qPrintable(q.lastError().text()));
    while (q.next())
        rows << q.record();
    return rows;
}

QList<qint64> shownIds(ListWindow &list)
{
    ListModel *m = list.model();
    m->fetchAll();
    QList<qint64> ids;
    for (int row = 0; row < m->rowCount(); ++row)
        ids << m->value(row, QStringLiteral("ID")).toLongLong();
    return ids;
}

} // namespace

class tst_PagedList : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pagesMatchTheWholeRead_data();
    void pagesMatchTheWholeRead();
    void rowsStayPutWhileOthersWrite();
    void nothingStaysOpenOnTheServer();
    void lostPageKeepsTheRowsShown();

private:
    TestDatabase m_db;
    ScriptedPrompter m_prompts;
};

void tst_PagedList::init()
{
    setSession(ScopedSession::headStation());
    PELKOR_FRESH_DATABASE(m_db);
    QCOMPARE(addCustomers(), QString());
    QCOMPARE(addOrders(1, Orders), QString());
    QVERIFY(mDatabase::SetSysValue(QStringLiteral("AutoDataRefresh"), QStringLiteral("1")));
}

void tst_PagedList::cleanup()
{
    m_db.dropAll();
    m_prompts.clear();
}

void tst_PagedList::pagesMatchTheWholeRead_data()
{
    QTest::addColumn<int>("column");
    frmSaleAdmin list;
    for (int c = 0; c < list.model()->columns().size(); ++c)
        QTest::newRow(qPrintable(list.model()->columns()[c].field)) << c;
}

// Every field and row style of every row, in both directions of the
// column, as the statement gives them read whole.
void tst_PagedList::pagesMatchTheWholeRead()
{
    QFETCH(int, column);
    frmSaleAdmin list;
    list.curFilterSQL.clear();
    for (int direction = 0; direction < 2; ++direction) {
        list.sortByColumn(column);
        ListModel *m = list.model();
        const QList<QSqlRecord> whole = wholeRead(list.model()->query().fullText());
        QCOMPARE(whole.size(), Orders);
        m->fetchAll();
        QCOMPARE(m->rowCount(), Orders);
        // Forwards, then a jump to the end and back, as a scroll-bar drag
        // does: rows whose page was let go read again as they were.
        QList<int> rows;
        for (int row = 0; row < Orders; ++row)
            rows << row;
        rows << Orders - 1 << 0 << Orders / 2;
        QHash<int, bool> coloured;
        for (int row : std::as_const(rows)) {
            const QSqlRecord shown = m->rowRecord(row);
            for (int f = 0; f < whole[row].count(); ++f) {
                if (shown.value(f) != whole[row].value(f))
                    QFAIL(qPrintable(QStringLiteral("row %1 field %2: %3 shown, %4 stored")
                                         .arg(row)
                                         .arg(whole[row].fieldName(f), shown.value(f).toString(),
                                             whole[row].value(f).toString())));
            }
            const bool blue = m->index(row, 0).data(Qt::ForegroundRole).isValid();
            const bool owed = whole[row].value(QStringLiteral("InMoney")).toDouble()
                < whole[row].value(QStringLiteral("TotalMoney")).toDouble();
            if (owed)
                QVERIFY2(blue, qPrintable(QString::number(row)));
            if (coloured.contains(row))
                QCOMPARE(blue, coloured[row]);
            coloured[row] = blue;
        }
        QVERIFY(m->heldRows() <= ListModel::PageRows * ListModel::KeptPages);
    }
}

// Another workstation adds and settles orders while the operator scrolls:
// the list goes on showing the orders it listed, each once, until refreshed;
// the selected order stays selected across the refresh.
void tst_PagedList::rowsStayPutWhileOthersWrite()
{
    frmSaleAdmin list;
    list.DataRefresh();
    ListModel *m = list.model();
    QVERIFY(m->canFetchMore());
    m->fetchMore();
    const int listed = m->rowCount();
    const QString openOrToday
        = QStringLiteral("select count(*) from Sale where FinishFlag='0' or CreateDate=%1")
              .arg(mDatabase::dialect().dateLiteral(QDate::currentDate()));
    QCOMPARE(listed, countRows(openOrToday));
    QList<qint64> before;
    for (int row = 0; row < ListModel::PageRows * 2; ++row)
        before << m->value(row, QStringLiteral("ID")).toLongLong();

    OtherWorkstation other;
    QCOMPARE(addOrders(Orders + 1, 500), QString());
    QVERIFY(other.run(QStringLiteral("update Sale set FinishFlag='1' where ID%7=0")));
    QVERIFY(other.run(QStringLiteral("delete from Sale where ID%11=0")));

    QList<qint64> ids;
    for (int row = 0; row < m->rowCount(); ++row)
        ids << m->value(row, QStringLiteral("ID")).toLongLong();
    QCOMPARE(ids.size(), listed);
    QCOMPARE(QSet<qint64>(ids.begin(), ids.end()).size(), listed);
    QCOMPARE(ids.mid(0, before.size()), before);

    const qint64 kept = ids.value(listed / 2) % 7 && ids.value(listed / 2) % 11
        ? ids.value(listed / 2)
        : ids.value(listed / 2 + 1);
    QVERIFY(list.selectRowOfId(kept));
    list.DataRefresh();
    QCOMPARE(list.selectedID().toLongLong(), kept);
    const QList<qint64> after = shownIds(list);
    QCOMPARE(after.size(), countRows(openOrToday));
    QVERIFY(!after.contains(11));
}

void tst_PagedList::nothingStaysOpenOnTheServer()
{
    if (!TestDatabase::isPostgres())
        QSKIP("what a server holds open is a server's matter");
    frmSaleAdmin today;
    today.DataRefresh();
    frmSaleAdmin all;
    all.curFilterSQL.clear();
    all.DataRefresh();
    all.grid()->scrollTo(all.model()->index(Orders / 2, 0));
    all.model()->index(Orders / 2, 1).data();
    all.sortByColumn(3);
    all.model()->index(Orders - 1, 1).data();
    frmCustomerAdmin customers;
    customers.DataRefresh();
    frmHistoryCall calls;
    calls.DataRefresh();

    OtherWorkstation other;
    const QString idle = QStringLiteral(
        "select count(*) from pg_stat_activity where datname=current_database() and "
        "pid<>pg_backend_pid() and state like 'idle in transaction%'");
    const QString waiting = QStringLiteral("select count(*) from pg_locks where not granted");
    QCOMPARE(other.number(idle), 0);

    // A save and a settle with the lists open neither wait nor leave
    // anything open.
    const qint64 water = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer,ContainerID) "
                       "values('纯净水','桶',10,'1','0',0)"));
    QVERIFY(water > 0);
    SaleRecord sale;
    sale.address = QStringLiteral("A1-1");
    sale.createDate = QDate::currentDate();
    sale.stationId = 1;
    sale.userId = 1;
    sale.lines = {{.productId = water,
        .price = Currency::fromInt(10),
        .amount = 2,
        .money = Currency::fromInt(20),
        .name = {},
        .unit = {}}};
    sale.totalAmount = 2;
    sale.totalMoney = Currency::fromInt(20);
    QVERIFY(SaleWriter::saveNew(sale, QDate::currentDate()) > 0);
    all.grid()->setCurrentIndex(all.model()->index(Orders / 3, 0));
    m_prompts.answers = {Prompt::Yes};
    all.commands().run(&ListCommands::InMoney);
    QCOMPARE(other.number(waiting), 0);
    QCOMPARE(other.number(idle), 0);
}

// The server ends the sessions while the operator scrolls: one message,
// the rows read before stay, and the next refresh reads again.
void tst_PagedList::lostPageKeepsTheRowsShown()
{
    if (!TestDatabase::isPostgres())
        QSKIP("a file does not drop its connection");
    frmSaleAdmin list;
    list.curFilterSQL.clear();
    list.DataRefresh();
    ListModel *m = list.model();
    m->fetchMore();
    const qint64 first = m->value(0, QStringLiteral("ID")).toLongLong();
    OtherWorkstation other;
    QVERIFY(
        other.run(QStringLiteral("select pg_terminate_backend(pid) from pg_stat_activity "
                                 "where datname=current_database() and pid<>pg_backend_pid()")));
    QTest::qWait(200);
    QVERIFY(!m->value(Orders / 2, QStringLiteral("ID")).isValid());
    QVERIFY(!m->value(Orders / 2 + 1, QStringLiteral("ID")).isValid());
    QCoreApplication::processEvents();
    QCOMPARE(m_prompts.requests.size(), 1);
    QCOMPARE(m->value(0, QStringLiteral("ID")).toLongLong(), first);

    list.DataRefresh();
    m->fetchMore();
    QCOMPARE(m->rowCount(), Orders);
    QVERIFY(m->value(Orders / 2, QStringLiteral("ID")).isValid());
}

QTEST_MAIN(tst_PagedList)
#include "tst_pagedlist.moc"
