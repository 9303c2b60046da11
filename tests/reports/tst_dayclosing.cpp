#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "reports/dayclosing.h"

#include <QSemaphore>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

using DayClosing::Outcome;
using mDatabase::ExecuteSQL;
using mDatabase::OpenRecordset;

namespace {

const QDate Day(2026, 12, 8);
const QString CutOff = QStringLiteral("12-08-2026");

QString date(const QDate &d)
{
    return mDatabase::dialect().dateLiteral(d);
}

struct Catalogue {
    qint64 bottle = 0, water = 0;
};

// Amount ordered/delivered, money due/paid, bottles out/back.
qint64 addSale(const Catalogue &c, const QDate &day, int amount, int out, int money, int paid,
    int bottles, int back, QSqlDatabase db = mDatabase::gConnection())
{
    QSqlQuery q(db);
    const QString insert = mDatabase::dialect().insertReturningId(
        QStringLiteral("insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,"
                       "TotalContainer,InMoney,OutAmount,InContainer,TransferFee,Detail,CreateDate,"
                       "FinishFlag,StationID) values(1,1,1,%1,%2,%3,%4,%5,%6,0,'',%7,'0',1)")
            .arg(QString::number(amount), QString::number(money), QString::number(bottles),
                QString::number(paid), QString::number(out), QString::number(back), date(day)));
    if (!q.exec(insert))
        return 0;
    const qint64 id = mDatabase::dialect().insertReturnsRow() && q.next()
        ? q.value(0).toLongLong()
        : q.lastInsertId().toLongLong();
    if (amount > 0)
        q.exec(
            QStringLiteral("insert into Sale_detail(SaleID,ProductID,Price,MyAmount,MyMoney,"
                           "IsContainer) values(%1,%2,%3,%4,%5,'0')")
                .arg(QString::number(id), QString::number(c.water), QString::number(money / amount),
                    QString::number(amount), QString::number(money)));
    if (bottles > 0)
        q.exec(QStringLiteral("insert into Sale_detail(SaleID,ProductID,Price,MyAmount,MyMoney,"
                              "IsContainer) values(%1,%2,0,%3,0,'1')")
                   .arg(QString::number(id), QString::number(c.bottle), QString::number(bottles)));
    return id;
}

qint64 addStore(const QDate &day)
{
    return mDatabase::InsertAndGetID(
        QStringLiteral("insert into Store(PaperID,CreateDate,TotalAmount,TotalMoney,Detail,UserID,"
                       "Direction,HandInput,FinishFlag,StationID) values('S',%1,1,1,'',1,'0','1',"
                       "'0',1)")
            .arg(date(day)));
}

QString finish(qint64 sale)
{
    return mDatabase::GetFieldByID(sale, QStringLiteral("Sale"), QStringLiteral("FinishFlag"));
}

// Every closed sale has exactly one generated document holding its goods
// lines; no generated document lacks its sale.
void checkCarriedConsistently()
{
    QCOMPARE(countRows(QStringLiteral("select count(*) from Sale where FinishFlag='1' and "
                                      "(select count(*) from Store where HandInput='0' and "
                                      "PaperID=cast(Sale.ID as varchar(50)))<>1")),
        0);
    QCOMPARE(
        countRows(QStringLiteral("select count(*) from Store where HandInput='0' and not exists "
                                 "(select 1 from Sale where FinishFlag='1' and "
                                 "cast(Sale.ID as varchar(50))=Store.PaperID)")),
        0);
    QCOMPARE(countRows(QStringLiteral(
                 "select count(*) from Store where HandInput='0' and (select count(*) from "
                 "Store_detail where StoreID=Store.ID)<>(select count(*) from Sale_detail where "
                 "cast(SaleID as varchar(50))=Store.PaperID and IsContainer='0')")),
        0);
}

// Another workstation: a connection of its own on a thread of its own, so
// that it can wait for what the closing holds while the closing goes on.
class Workstation {
public:
    explicit Workstation(std::function<bool(QSqlDatabase &)> work)
        : m_target(mDatabase::currentTarget()), m_thread([this, work = std::move(work)] {
              const QString name = QStringLiteral("workstation");
              {
                  QSqlDatabase db = QSqlDatabase::addDatabase(m_target.driverName(), name);
                  db.setDatabaseName(m_target.kind == SqlDialect::SQLite
                          ? m_target.host
                          : m_target.odbcConnectionString());
                  db.setConnectOptions(m_target.connectOptions());
                  m_ok = db.open() && work(db);
                  db.close();
              }
              QSqlDatabase::removeDatabase(name);
              m_done = true;
          })
    {
    }
    ~Workstation() { finish(); }
    bool done() const { return m_done; }
    // Waits for the work; true when all of it succeeded.
    bool finish()
    {
        if (m_thread.joinable())
            m_thread.join();
        return m_ok;
    }

private:
    const ConnectionTarget m_target;
    std::atomic<bool> m_done = false;
    bool m_ok = false;
    std::thread m_thread; // last: it starts at once
};

bool exec(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    return false;
}

// Makes the marking of the closing fail with the server's error text and
// state while the table ClosingFault has a row; the closing's hook puts one
// in, inside the closing's own transaction, for as many attempts as wanted.
bool installFault(const QString &text, const QString &state)
{
    QSqlDatabase db = mDatabase::gConnection();
    if (!exec(db, QStringLiteral("create table ClosingFault(ID integer)")))
        return false;
    if (mDatabase::dialect().kind() == SqlDialect::SQLite)
        return exec(db,
            QStringLiteral("create trigger closing_fault before update on Sale when exists (select "
                           "1 from ClosingFault) begin select raise(abort, '%1'); end")
                .arg(text));
    return exec(db,
               QStringLiteral("create function closing_fault() returns trigger language plpgsql as "
                              "$$ begin if exists (select 1 from ClosingFault) then raise "
                              "exception '%1' using errcode = '%2'; end if; return new; end $$")
                   .arg(text, state))
        && exec(db,
            QStringLiteral("create trigger closing_fault before update on Sale for each row "
                           "execute function closing_fault()"));
}

} // namespace

class tst_DayClosing : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void cutOffMustBeADate();
    void noAtAnyQuestionChangesNothing_data();
    void noAtAnyQuestionChangesNothing();
    void closingDeletesCarriesAndCloses();
    void nothingToCarry();
    void everyDocumentEndsClosed();
    void failureHalfWayLeavesNothing();
    void workDuringTheClosingWaitsAndIsKept_data();
    void workDuringTheClosingWaitsAndIsKept();
    void closingWaitsForASaveInProgress();
    void lostConflictIsRetriedThenExplained_data();
    void lostConflictIsRetriedThenExplained();

private:
    void seed();

    TestDatabase m_db;
    ScriptedPrompter *m_prompts = nullptr;
    Catalogue m_c;
    qint64 m_settled = 0, m_bottlesOnly = 0, m_owing = 0, m_owesBottle = 0, m_undelivered = 0,
           m_later = 0;
};

void tst_DayClosing::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
    m_c.bottle = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer,ContainerID) "
                       "values('水桶','个',30,'1','1',0)"));
    m_c.water = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer,ContainerID) "
                       "values('纯净水','桶',10,'1','0',%1)")
            .arg(m_c.bottle));
}

void tst_DayClosing::cleanup()
{
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    mDatabase::CloseConnection();
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

void tst_DayClosing::seed()
{
    m_settled = addSale(m_c, Day.addDays(-1), 2, 2, 20, 20, 2, 2);
    m_bottlesOnly = addSale(m_c, Day, 0, 0, 0, 0, 3, 3);
    m_owing = addSale(m_c, Day, 1, 1, 10, 4, 0, 0);
    m_owesBottle = addSale(m_c, Day, 1, 1, 10, 10, 1, 0);
    m_undelivered = addSale(m_c, Day, 3, 1, 30, 30, 0, 0);
    m_later = addSale(m_c, Day.addDays(1), 1, 1, 10, 10, 0, 0);
    addStore(Day.addDays(-3));
    addStore(Day.addDays(5));
}

void tst_DayClosing::cutOffMustBeADate()
{
    seed();
    for (const QString &bad :
        {QStringLiteral("99-99-2026"), QStringLiteral("2026-12-08' or '1'='1")}) {
        m_prompts->clear();
        const auto r = DayClosing::FinishToday({bad, 1, {}});
        QCOMPARE(int(r.outcome), int(Outcome::Refused));
        QCOMPARE(m_prompts->requests.size(), 1);
        QVERIFY(m_prompts->requests[0].text.endsWith(QStringLiteral("不是有效的日期！")));
    }
    m_prompts->clear();
    QCOMPARE(int(DayClosing::FinishToday({QStringLiteral("  "), 1, {}}).outcome),
        int(Outcome::Cancelled));
    QVERIFY(m_prompts->requests.isEmpty());
    QCOMPARE(countRows(QStringLiteral("select count(*) from Sale where FinishFlag='0'")), 6);
}

void tst_DayClosing::noAtAnyQuestionChangesNothing_data()
{
    QTest::addColumn<int>("yesBefore");
    QTest::addColumn<QString>("refused");
    QTest::newRow("first confirmation") << 0 << QStringLiteral("结帐");
    QTest::newRow("undelivered") << 1 << QStringLiteral("继续");
    QTest::newRow("money owed") << 2 << QStringLiteral("继续");
    QTest::newRow("bottles owed") << 3 << QStringLiteral("继续");
    QTest::newRow("final confirmation") << 4 << QStringLiteral("确认");
}

void tst_DayClosing::noAtAnyQuestionChangesNothing()
{
    QFETCH(int, yesBefore);
    QFETCH(QString, refused);
    seed();
    for (int i = 0; i < yesBefore; ++i)
        m_prompts->answers << Prompt::Yes;
    m_prompts->answers << Prompt::No;
    const auto r = DayClosing::FinishToday({CutOff, 1, {}});
    QCOMPARE(int(r.outcome), int(Outcome::Cancelled));
    QCOMPARE(m_prompts->requests.size(), yesBefore + 1);
    QCOMPARE(m_prompts->requests.last().title, refused);
    // Every question defaults to No: a stray Enter closes nothing.
    for (const auto &q : m_prompts->requests)
        QCOMPARE(q.defaultButton, int(Prompt::No));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Sale where FinishFlag='0'")), 6);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store")), 2);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store where FinishFlag='1'")), 0);
}

void tst_DayClosing::closingDeletesCarriesAndCloses()
{
    seed();
    m_prompts->answers = {Prompt::Yes, Prompt::Yes, Prompt::Yes, Prompt::Yes, Prompt::Yes};
    const auto r = DayClosing::FinishToday({CutOff, 7, {}});
    QCOMPARE(int(r.outcome), int(Outcome::Closed));
    QCOMPARE(r.carried, 2);
    QCOMPARE(m_prompts->texts(),
        QStringList(
            {QStringLiteral("你确认要将12-08-2026之前的所有单据吗，结转后的单据将不能修改？"),
                QStringLiteral("系统发现有1张未出库或未完全出库的单据，如果确认要结帐，这些单据将被"
                               "删除。继续吗？"),
                QStringLiteral("系统发现有1张欠费的单据，这些单据将不会被结转入库，继续吗？"),
                QStringLiteral("系统发现有1张欠瓶的单据，这些单据将不会被结转入库，继续吗？"),
                QStringLiteral("系统准备结转本期单据，请再次确认是否要结帐？"),
                QStringLiteral("成功进行2 张有效单据入帐！")}));
    QCOMPARE(int(m_prompts->requests[1].icon), int(Prompt::Icon::Critical));

    // Undelivered: gone with its lines.
    QCOMPARE(
        countRows(QStringLiteral("select count(*) from Sale where ID=%1").arg(m_undelivered)), 0);
    QCOMPARE(
        countRows(
            QStringLiteral("select count(*) from Sale_detail where SaleID=%1").arg(m_undelivered)),
        0);
    // Settled: closed, carried with its goods line only.
    QCOMPARE(finish(m_settled), QStringLiteral("1"));
    QCOMPARE(finish(m_bottlesOnly), QStringLiteral("1"));
    const auto doc
        = OpenRecordset(QStringLiteral("select * from Store where PaperID='%1'").arg(m_settled));
    QVERIFY(doc && doc->recordCount() == 1);
    QCOMPARE(
        doc->value(0, QStringLiteral("Detail")).toString(), QStringLiteral("根据销售单自动生成"));
    QCOMPARE(doc->value(0, QStringLiteral("UserID")).toInt(), 7);
    QCOMPARE(doc->value(0, QStringLiteral("HandInput")).toString(), QStringLiteral("0"));
    QCOMPARE(doc->value(0, QStringLiteral("Direction")).toString(), QStringLiteral("1"));
    QCOMPARE(doc->value(0, QStringLiteral("FinishFlag")).toString(), QStringLiteral("1"));
    QCOMPARE(doc->value(0, QStringLiteral("StationID")).toInt(), 1);
    QCOMPARE(doc->value(0, QStringLiteral("TotalAmount")).toInt(), 2);
    const qint64 docId = doc->value(0, QStringLiteral("ID")).toLongLong();
    const auto lines
        = OpenRecordset(QStringLiteral("select * from Store_detail where StoreID=%1").arg(docId));
    QVERIFY(lines && lines->recordCount() == 1);
    QCOMPARE(lines->value(0, QStringLiteral("ProductID")).toLongLong(), m_c.water);
    QCOMPARE(lines->value(0, QStringLiteral("MyAmount")).toInt(), 2);
    // Only bottles: a document with no lines.
    QCOMPARE(
        countRows(QStringLiteral("select count(*) from Store_detail where StoreID=(select ID from "
                                 "Store where PaperID='%1')")
                      .arg(m_bottlesOnly)),
        0);
    // Owing, and later than the cut-off: open, not carried.
    for (const qint64 open : {m_owing, m_owesBottle, m_later}) {
        QCOMPARE(finish(open), QStringLiteral("0"));
        QCOMPARE(
            countRows(QStringLiteral("select count(*) from Store where PaperID='%1'").arg(open)),
            0);
    }
    // Every stock document is closed, the later one too.
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store where FinishFlag='0'")), 0);
    checkCarriedConsistently();

    // Once paid, the owing sale goes with the next closing.
    QVERIFY(
        ExecuteSQL(QStringLiteral("update Sale set InMoney=TotalMoney where ID=%1").arg(m_owing)));
    m_prompts->clear();
    m_prompts->answers = {Prompt::Yes, Prompt::Yes, Prompt::Yes};
    const auto next = DayClosing::FinishToday({QStringLiteral("2026-12-09"), 7, {}});
    QCOMPARE(int(next.outcome), int(Outcome::Closed));
    QCOMPARE(next.carried, 2); // the paid one and the later one
    QCOMPARE(finish(m_owing), QStringLiteral("1"));
    checkCarriedConsistently();
}

void tst_DayClosing::nothingToCarry()
{
    addStore(Day);
    m_prompts->answers = {Prompt::Yes, Prompt::Yes};
    const auto r = DayClosing::FinishToday({CutOff, 1, {}});
    QCOMPARE(int(r.outcome), int(Outcome::Closed));
    QCOMPARE(r.carried, 0);
    QCOMPARE(m_prompts->texts().last(), QStringLiteral("成功进行0 张有效单据入帐！"));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store where FinishFlag='1'")), 1);
}

void tst_DayClosing::everyDocumentEndsClosed()
{
    // Open documents of any date, one without a flag at all, and one closed
    // by an earlier closing: all are closed afterwards.
    const qint64 open = addStore(Day);
    const qint64 later = addStore(Day.addDays(3));
    const qint64 unflagged = addStore(Day.addDays(-30));
    QVERIFY(
        ExecuteSQL(QStringLiteral("update Store set FinishFlag=NULL where ID=%1").arg(unflagged)));
    const qint64 closed = addStore(Day.addDays(-60));
    QVERIFY(ExecuteSQL(QStringLiteral("update Store set FinishFlag='1' where ID=%1").arg(closed)));
    m_prompts->answers = {Prompt::Yes, Prompt::Yes};
    QCOMPARE(int(DayClosing::FinishToday({CutOff, 1, {}}).outcome), int(Outcome::Closed));
    for (const qint64 id : {open, later, unflagged, closed})
        QCOMPARE(mDatabase::GetFieldByID(id, QStringLiteral("Store"), QStringLiteral("FinishFlag")),
            QStringLiteral("1"));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store where FinishFlag='1'")), 4);

    // A second closing finds nothing open and still succeeds.
    m_prompts->answers = {Prompt::Yes, Prompt::Yes};
    const auto again = DayClosing::FinishToday({CutOff, 1, {}});
    QCOMPARE(int(again.outcome), int(Outcome::Closed));
    QCOMPARE(again.carried, 0);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store where FinishFlag='1'")), 4);
}

void tst_DayClosing::failureHalfWayLeavesNothing()
{
    seed();
    // The documents can be written but their lines cannot.
    QVERIFY(ExecuteSQL(QStringLiteral("drop table Store_detail")));
    m_prompts->answers = {Prompt::Yes, Prompt::Yes, Prompt::Yes, Prompt::Yes, Prompt::Yes};
    const auto r = DayClosing::FinishToday({CutOff, 1, {}});
    QCOMPARE(int(r.outcome), int(Outcome::Failed));
    QVERIFY(m_prompts->texts().last().startsWith(QStringLiteral("结帐时出现系统错误，结帐失败:")));
    QCOMPARE(m_prompts->requests.last().title, QStringLiteral("错误"));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Sale where FinishFlag='0'")), 6);
    QCOMPARE(
        countRows(QStringLiteral("select count(*) from Sale where ID=%1").arg(m_undelivered)), 1);
    QCOMPARE(
        countRows(
            QStringLiteral("select count(*) from Sale_detail where SaleID=%1").arg(m_undelivered)),
        1);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store")), 2);
}

enum class Target { Owing, Undelivered, Document };
Q_DECLARE_METATYPE(Target)

void tst_DayClosing::workDuringTheClosingWaitsAndIsKept_data()
{
    // What another workstation does to the target (%1), and how many rows
    // of the check (%1 the target) find it kept afterwards.
    QTest::addColumn<Target>("target");
    QTest::addColumn<QString>("elsewhere");
    QTest::addColumn<QString>("check");
    QTest::addColumn<int>("expected");
    QTest::newRow("new settled sale on the owing sale's day")
        << Target::Owing
        << QStringLiteral("insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,"
                          "TotalContainer,InMoney,OutAmount,InContainer,TransferFee,Detail,"
                          "CreateDate,FinishFlag,StationID) select 1,1,1,1,10,0,10,1,0,0,'他处',"
                          "CreateDate,'0',1 from Sale where ID=%1")
        << QStringLiteral("select count(*) from Sale where Detail='他处' and FinishFlag='0' and "
                          "CreateDate=(select CreateDate from Sale where ID=%1)")
        << 1;
    QTest::newRow("owing sale paid")
        << Target::Owing << QStringLiteral("update Sale set InMoney=TotalMoney where ID=%1")
        << QStringLiteral(
               "select count(*) from Sale where ID=%1 and InMoney=TotalMoney and FinishFlag='0'")
        << 1;
    // Deleted by the closing before the delivery came: nothing is left.
    QTest::newRow("undelivered sale delivered")
        << Target::Undelivered
        << QStringLiteral("update Sale set OutAmount=TotalAmount where ID=%1")
        << QStringLiteral("select (select count(*) from Sale where ID=%1)+(select count(*) from "
                          "Sale_detail where SaleID=%1)")
        << 0;
    QTest::newRow("open stock document edited")
        << Target::Document << QStringLiteral("update Store set Detail='改' where ID=%1")
        << QStringLiteral(
               "select count(*) from Store where ID=%1 and FinishFlag='1' and Detail='改'")
        << 1;
}

void tst_DayClosing::workDuringTheClosingWaitsAndIsKept()
{
    QFETCH(Target, target);
    QFETCH(QString, elsewhere);
    QFETCH(QString, check);
    QFETCH(int, expected);
    seed();
    const qint64 doc = addStore(Day);
    const qint64 id = target == Target::Owing ? m_owing
        : target == Target::Undelivered       ? m_undelivered
                                              : doc;
    const QString statement = elsewhere.arg(id);
    // Another workstation acts while the closing is between its documents
    // and its marks: nothing it does is refused, and nothing of it is
    // carried half.
    std::unique_ptr<Workstation> other;
    bool doneUnderTheClosing = false;
    const auto act = [&] {
        other
            = std::make_unique<Workstation>([&](QSqlDatabase &db) { return exec(db, statement); });
        QThread::msleep(300);
        doneUnderTheClosing = other->done();
    };
    m_prompts->answers = {Prompt::Yes, Prompt::Yes, Prompt::Yes, Prompt::Yes, Prompt::Yes};
    const auto r = DayClosing::FinishToday({CutOff, 1, act});
    QVERIFY(other);
    QVERIFY(other->finish());
    QCOMPARE(int(r.outcome), int(Outcome::Closed));
    QCOMPARE(r.carried, 2);
    // The sales are the closing's alone until it ends; a stock document is
    // the closing's once it closes it (on SQLite the whole file is).
    if (target != Target::Document || !TestDatabase::isPostgres())
        QVERIFY(!doneUnderTheClosing);
    QCOMPARE(countRows(check.arg(id)), expected);
    QCOMPARE(m_prompts->requests.last().text, QStringLiteral("成功进行2 张有效单据入帐！"));
    checkCarriedConsistently();
}

void tst_DayClosing::closingWaitsForASaveInProgress()
{
    seed();
    // A workstation is in the middle of saving a settled sale dated within
    // the cut-off when the closing begins: the closing waits for the save and
    // carries it whole.
    QSemaphore inserted;
    qint64 arrived = 0;
    Workstation other([&](QSqlDatabase &db) {
        const bool begun = db.transaction();
        arrived = begun ? addSale(m_c, Day, 2, 2, 20, 20, 0, 0, db) : 0;
        inserted.release();
        QThread::msleep(500);
        return arrived > 0 && db.commit();
    });
    inserted.acquire();
    m_prompts->answers = {Prompt::Yes, Prompt::Yes, Prompt::Yes, Prompt::Yes, Prompt::Yes};
    const auto r = DayClosing::FinishToday({CutOff, 1, {}});
    QVERIFY(other.finish());
    QCOMPARE(int(r.outcome), int(Outcome::Closed));
    QCOMPARE(r.carried, 3);
    QCOMPARE(finish(arrived), QStringLiteral("1"));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store_detail where StoreID=(select ID "
                                      "from Store where PaperID='%1')")
                           .arg(arrived)),
        1);
    checkCarriedConsistently();
}

void tst_DayClosing::lostConflictIsRetriedThenExplained_data()
{
    QTest::addColumn<QString>("serverText");
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("failingAttempts");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("retried");
    const QString serialize = QStringLiteral("could not serialize access due to concurrent update");
    const QString deadlock = QStringLiteral("deadlock detected");
    QTest::newRow("serialization failure once") << serialize << "40001" << 1 << true << true;
    QTest::newRow("deadlock twice") << deadlock << "40P01" << 2 << true << true;
    QTest::newRow("conflict every time") << serialize << "40001" << 1000 << false << true;
    QTest::newRow("deadlock every time") << deadlock << "40P01" << 1000 << false << true;
    QTest::newRow("not a conflict")
        << QStringLiteral("disk quota exceeded") << "53100" << 1000 << false << false;
}

void tst_DayClosing::lostConflictIsRetriedThenExplained()
{
    QFETCH(QString, serverText);
    QFETCH(QString, state);
    QFETCH(int, failingAttempts);
    QFETCH(bool, closes);
    QFETCH(bool, retried);
    seed();
    QVERIFY(installFault(serverText, state));
    int attempts = 0;
    const auto fault = [&] {
        if (++attempts <= failingAttempts)
            QVERIFY(ExecuteSQL(QStringLiteral("insert into ClosingFault(ID) values(1)")));
    };
    m_prompts->answers = {Prompt::Yes, Prompt::Yes, Prompt::Yes, Prompt::Yes, Prompt::Yes};
    const auto r = DayClosing::FinishToday({CutOff, 1, fault});
    QCOMPARE(int(r.outcome), int(closes ? Outcome::Closed : Outcome::Failed));
    // The five questions, then one message: none per attempt.
    QCOMPARE(m_prompts->requests.size(), 6);
    const Prompt::Request &told = m_prompts->requests.last();
    if (closes) {
        QCOMPARE(attempts, failingAttempts + 1);
        QCOMPARE(r.carried, 2);
        QCOMPARE(told.text, QStringLiteral("成功进行2 张有效单据入帐！"));
        QCOMPARE(countRows(QStringLiteral("select count(*) from Sale where FinishFlag='1'")), 2);
        checkCarriedConsistently();
        return;
    }
    QCOMPARE(int(told.icon), int(Prompt::Icon::Critical));
    if (retried) {
        // Given up after a few attempts, in words without the server's.
        QVERIFY(attempts > 1 && attempts < 20);
        QVERIFY2(!told.text.contains(serverText), qPrintable(told.text));
        QVERIFY(!told.text.contains(state));
        QVERIFY(!told.text.startsWith(QStringLiteral("结帐时出现系统错误")));
    } else {
        // A real fault is not run again, and its text is kept for whoever
        // mends it.
        QCOMPARE(attempts, 1);
        QVERIFY(told.text.startsWith(QStringLiteral("结帐时出现系统错误，结帐失败:")));
        QVERIFY(told.text.contains(serverText));
    }
    QCOMPARE(countRows(QStringLiteral("select count(*) from Sale where FinishFlag='0'")), 6);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store")), 2);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store where FinishFlag='1'")), 0);
}

QTEST_MAIN(tst_DayClosing)
#include "tst_dayclosing.moc"
