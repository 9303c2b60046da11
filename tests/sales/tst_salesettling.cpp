#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/currency.h"
#include "datastore/mdatabase.h"
#include "sales/salesettling.h"

#include <QTest>

using mDatabase::ExecuteSQL;
using SaleSettling::Outcome;
using SaleSettling::Step;

Q_DECLARE_METATYPE(SaleSettling::Step)
Q_DECLARE_METATYPE(SaleSettling::Outcome)

namespace {

// An order of 2 units and 2 bottles for 20, of which inMoney is paid,
// delivered and returned as given, with one goods line.
qint64 addOrder(const char *flag, int inMoney = 0, int outAmount = 0, int inBottles = 0)
{
    const qint64 id = mDatabase::InsertAndGetID(
        QStringLiteral(
            "insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,TotalContainer,"
            "InMoney,OutAmount,InContainer,TransferFee,Detail,CreateDate,FinishFlag,StationID) "
            "values(1,1,1,2,20,2,%1,%2,%3,0,'',%4,'%5',1)")
            .arg(QString::number(inMoney), QString::number(outAmount), QString::number(inBottles),
                mDatabase::dialect().dateLiteral(QDate(2026, 12, 8)), QLatin1String(flag)));
    if (id > 0)
        ExecuteSQL(QStringLiteral("insert into Sale_detail(SaleID,ProductID,Price,MyAmount,MyMoney,"
                                  "IsContainer) values(%1,1,10,2,20,'0')")
                       .arg(id));
    return id;
}

int field(qint64 id, const char *name)
{
    const auto rs = mDatabase::OpenRecordset(
        QStringLiteral("select %1 from Sale where ID=%2").arg(QLatin1String(name)).arg(id));
    return rs && !rs->isEmpty() ? Currency::fromVariant(rs->value(0, 0)).roundToWhole() : -1;
}

int lines(qint64 id)
{
    return countRows(QStringLiteral("select count(*) from Sale_detail where SaleID=%1").arg(id));
}

// Makes every delete of an order fail, as a server refusing it would.
bool refuseDeletingOrders()
{
    if (mDatabase::dialect().kind() == SqlDialect::PostgreSQL)
        return ExecuteSQL(QStringLiteral(
                   "create function refuse_delete() returns trigger language plpgsql as $$ "
                   "begin raise exception 'refused'; end $$"))
            && ExecuteSQL(QStringLiteral("create trigger refuse_delete before delete on Sale for "
                                         "each row execute function refuse_delete()"));
    return ExecuteSQL(QStringLiteral("create trigger refuse_delete before delete on Sale begin "
                                     "select raise(abort, 'refused'); end"));
}

} // namespace

class tst_SaleSettling : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void settleOne_data();
    void settleOne();
    void settleAllLeavesClosedOrders_data();
    void settleAllLeavesClosedOrders();
    void deleteOne_data();
    void deleteOne();
    void deleteAllTakesWhatWasCounted();
    void failedDeleteAllKeepsEverything();

private:
    TestDatabase m_db;
    ScriptedPrompter *m_prompts = nullptr;
};

void tst_SaleSettling::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_SaleSettling::cleanup()
{
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

void tst_SaleSettling::settleOne_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<QString>("flag");
    QTest::addColumn<int>("inMoney"); // as stored before; out and back as much
    QTest::addColumn<QString>("field");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<int>("after");

    QTest::newRow("receive owed") << Step::InMoney << "0" << 5 << "InMoney" << Outcome::Done << 20;
    QTest::newRow("receive on odd flag")
        << Step::InMoney << "2" << 5 << "InMoney" << Outcome::Done << 20;
    QTest::newRow("receive, all paid meanwhile")
        << Step::InMoney << "0" << 20 << "InMoney" << Outcome::ChangedElsewhere << 20;
    QTest::newRow("refund on odd flag")
        << Step::OutMoney << "2" << 5 << "InMoney" << Outcome::Done << 0;
    QTest::newRow("deliver open") << Step::OutAmount << "0" << 1 << "OutAmount" << Outcome::Done
                                  << 2;
    QTest::newRow("deliver on odd flag")
        << Step::OutAmount << "2" << 1 << "OutAmount" << Outcome::ChangedElsewhere << 1;
    QTest::newRow("undo delivery")
        << Step::InAmount << "0" << 1 << "OutAmount" << Outcome::Done << 0;
    QTest::newRow("bottles back") << Step::InContainer << "0" << 1 << "InContainer" << Outcome::Done
                                  << 2;
    QTest::newRow("undo bottles, closed")
        << Step::OutContainer << "1" << 1 << "InContainer" << Outcome::ChangedElsewhere << 1;
}

void tst_SaleSettling::settleOne()
{
    QFETCH(Step, step);
    QFETCH(QString, flag);
    QFETCH(int, inMoney);
    QFETCH(QString, field);
    QFETCH(Outcome, outcome);
    QFETCH(int, after);
    const qint64 id = addOrder(qPrintable(flag), inMoney, inMoney, inMoney);
    QVERIFY(id > 0);
    QCOMPARE(SaleSettling::settle(step, id), outcome);
    QCOMPARE(::field(id, qPrintable(field)), after);
    // Gone meanwhile: told apart from changed.
    QVERIFY(ExecuteSQL(QStringLiteral("delete from Sale where ID=%1").arg(id)));
    QCOMPARE(SaleSettling::settle(step, id), Outcome::DeletedElsewhere);
    QCOMPARE(m_prompts->requests.size(), 0);
}

void tst_SaleSettling::settleAllLeavesClosedOrders_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("settled");

    QTest::newRow("receive") << Step::InMoney << "InMoney" << 20;
    QTest::newRow("refund") << Step::OutMoney << "InMoney" << 0;
    QTest::newRow("deliver") << Step::OutAmount << "OutAmount" << 2;
    QTest::newRow("undo delivery") << Step::InAmount << "OutAmount" << 0;
    QTest::newRow("bottles back") << Step::InContainer << "InContainer" << 2;
    QTest::newRow("undo bottles") << Step::OutContainer << "InContainer" << 0;
}

void tst_SaleSettling::settleAllLeavesClosedOrders()
{
    QFETCH(Step, step);
    QFETCH(QString, field);
    QFETCH(int, settled);
    const qint64 open[] = {addOrder("0", 1, 1, 1), addOrder("0", 1, 1, 1)};
    const qint64 closed = addOrder("1", 1, 1, 1);
    const qint64 odd = addOrder("2", 1, 1, 1);
    QVERIFY(SaleSettling::settleAll(step));
    for (qint64 id : open)
        QCOMPARE(::field(id, qPrintable(field)), settled);
    QCOMPARE(::field(closed, qPrintable(field)), 1);
    QCOMPARE(::field(odd, qPrintable(field)), 1);
    QCOMPARE(m_prompts->requests.size(), 0);
}

void tst_SaleSettling::deleteOne_data()
{
    QTest::addColumn<QString>("flag");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<Outcome>("outcome");

    QTest::newRow("open") << "0" << true << Outcome::Done;
    QTest::newRow("closed meanwhile") << "1" << true << Outcome::ChangedElsewhere;
    QTest::newRow("deleted meanwhile") << "0" << false << Outcome::DeletedElsewhere;
}

void tst_SaleSettling::deleteOne()
{
    QFETCH(QString, flag);
    QFETCH(bool, exists);
    QFETCH(Outcome, outcome);
    const qint64 other = addOrder("0");
    const qint64 id = addOrder(qPrintable(flag));
    if (!exists)
        QVERIFY(ExecuteSQL(QStringLiteral("delete from Sale where ID=%1").arg(id)));
    QCOMPARE(SaleSettling::deleteOpen(id), outcome);
    // Header and lines go together, or stay together.
    const bool kept = outcome == Outcome::ChangedElsewhere;
    QCOMPARE(field(id, "TotalMoney") == 20, kept);
    QCOMPARE(lines(id), kept || !exists ? 1 : 0);
    QCOMPARE(lines(other), 1);
    QCOMPARE(m_prompts->requests.size(), 0);
}

void tst_SaleSettling::deleteAllTakesWhatWasCounted()
{
    const qint64 closedBefore = addOrder("1");
    const qint64 closedMeanwhile = addOrder("0");
    const qint64 deleted = addOrder("0");
    const auto open = SaleSettling::openOrders();
    QVERIFY(open);
    QCOMPARE(open->count, 2);
    // While the operator reads the question, another workstation takes an
    // order and closes one of those counted.
    const qint64 taken = addOrder("0");
    QVERIFY(ExecuteSQL(
        QStringLiteral("update Sale set FinishFlag='1' where ID=%1").arg(closedMeanwhile)));
    QVERIFY(SaleSettling::deleteOpenOrders(*open));
    QCOMPARE(field(deleted, "TotalMoney"), -1);
    QCOMPARE(lines(deleted), 0);
    for (qint64 id : {closedBefore, closedMeanwhile, taken}) {
        QCOMPARE(field(id, "TotalMoney"), 20);
        QCOMPARE(lines(id), 1);
    }
    QCOMPARE(m_prompts->requests.size(), 0);
}

void tst_SaleSettling::failedDeleteAllKeepsEverything()
{
    const qint64 id = addOrder("0");
    QVERIFY(refuseDeletingOrders());
    const auto open = SaleSettling::openOrders();
    QVERIFY(open && open->count == 1);
    QVERIFY(!SaleSettling::deleteOpenOrders(*open));
    QCOMPARE(m_prompts->requests.size(), 1);
    QCOMPARE(m_prompts->requests.first().icon, Prompt::Icon::Critical);
    // The lines went first, and came back with the rollback.
    QCOMPARE(field(id, "TotalMoney"), 20);
    QCOMPARE(lines(id), 1);
    QVERIFY(!mDatabase::InTransaction());
    m_prompts->clear();
    QCOMPARE(SaleSettling::deleteOpen(id), Outcome::Failed);
    QCOMPARE(lines(id), 1);
}

QTEST_MAIN(tst_SaleSettling)
#include "tst_salesettling.moc"
