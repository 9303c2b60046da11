#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/currency.h"
#include "datastore/mdatabase.h"
#include "datastore/schema.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QThread>
#include <QUuid>

using namespace mDatabase;

namespace {

int stationCount()
{
    return GetSumValue(QStringLiteral("Station"), QString(), QStringLiteral("1"));
}

} // namespace

class tst_MDatabase : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void freshDatabaseHasInitialContent();
    void reopeningKeepsTheData();
    void partialSchemaIsCompleted();
    void olderSchemaIsUpgraded();
    void version3GetsTheDocumentIndex();
    void tableNamesInAnyCase();
    void executeAndOpenFailuresAreReported();
    void quotesRoundTrip_data();
    void quotesRoundTrip();
    void sysValues();
    void singleValueLookups();
    void sumRoundsToWhole();
    void uniqueValues();
    void customerByAccount();
    void insertReturnsItsOwnId();
    void transactions();
    void recordsetNavigation();
    void nulNeverReachesAStatement();
    void loginRowsComeBack_data();
    void loginRowsComeBack();
    void sqliteWritersTakeTheLockAtBegin();
    void ordinaryFailureIsNoLostConnection();
    void lostConnectionIsReportedOnceAndReopened();
    void lostConnectionInsideATransaction();
    void commitOnADroppedConnectionIsUnknown();

private:
    TestDatabase m_db;
    ScriptedPrompter *m_prompts = nullptr;
};

void tst_MDatabase::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_MDatabase::cleanup()
{
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

void tst_MDatabase::freshDatabaseHasInitialContent()
{
    const auto stations = OpenRecordset(QStringLiteral("select * from Station"));
    QVERIFY(stations);
    QCOMPARE(stations->recordCount(), 1);
    QCOMPARE(stations->value(0, QStringLiteral("ID")).toInt(), 1);
    QCOMPARE(stations->value(0, QStringLiteral("Status")).toString(), QStringLiteral("1"));

    const auto users = OpenRecordset(QStringLiteral("select * from SysUser"));
    QVERIFY(users);
    QCOMPARE(users->recordCount(), 1);
    QCOMPARE(users->value(0, QStringLiteral("rolestring")).toString(), Schema::AllRights);
    QCOMPARE(users->value(0, QStringLiteral("StationID")).toInt(), 1);
    QCOMPARE(users->value(0, QStringLiteral("Status")).toString(), QStringLiteral("1"));
    QCOMPARE(TrimBlanks(users->value(0, QStringLiteral("Pwd")).toString()), QString());

    QCOMPARE(GetSysValue(Schema::VersionSettingName), QString::number(Schema::Version));
    QCOMPARE(GetMinValue(QStringLiteral("Station"), QStringLiteral("ID")), 1);
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_MDatabase::reopeningKeepsTheData()
{
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城东','1')")));
    const ConnectionTarget target = currentTarget();
    CloseConnection();
    QVERIFY(!isConnected());
    QString error;
    QVERIFY2(OpenConnection(target, &error), qPrintable(error));
    // The second opening must neither re-create tables nor add a second administrator.
    QCOMPARE(GetSumValue(QStringLiteral("Station"), QString(), QStringLiteral("1")), 2);
    QCOMPARE(GetSumValue(QStringLiteral("SysUser"), QString(), QStringLiteral("1")), 1);
}

void tst_MDatabase::partialSchemaIsCompleted()
{
    QVERIFY(ExecuteSQL(QStringLiteral("drop table Call")));
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城西','1')")));
    QString error;
    QVERIFY2(EnsureSchema(&error), qPrintable(error));
    QVERIFY(ExecuteSQL(QStringLiteral(
        "insert into Call(PhoneNumber,CreateDate) values('5551234','2026-12-08 14:05:00')")));
    // Existing content stays as it was.
    QCOMPARE(GetSumValue(QStringLiteral("Station"), QString(), QStringLiteral("1")), 2);
    QCOMPARE(GetSumValue(QStringLiteral("SysUser"), QString(), QStringLiteral("1")), 1);
}

void tst_MDatabase::olderSchemaIsUpgraded()
{
    QVERIFY(ExecuteSQL(QStringLiteral("drop index IX_Sale_Open")));
    QVERIFY(SetSysValue(Schema::VersionSettingName, QStringLiteral("1")));
    const ConnectionTarget target = currentTarget();
    CloseConnection();
    QString error;
    QVERIFY2(OpenConnection(target, &error), qPrintable(error));
    QCOMPARE(GetSysValue(Schema::VersionSettingName), QString::number(Schema::Version));
    // The index is back: it can be dropped again.
    QVERIFY(ExecuteSQL(QStringLiteral("drop index IX_Sale_Open")));
}

void tst_MDatabase::version3GetsTheDocumentIndex()
{
    // A fresh database has the index: it can be dropped.
    QVERIFY(ExecuteSQL(QStringLiteral("drop index IX_Store_PaperID")));
    QVERIFY(SetSysValue(Schema::VersionSettingName, QStringLiteral("3")));
    const ConnectionTarget target = currentTarget();
    CloseConnection();
    QString error;
    QVERIFY2(OpenConnection(target, &error), qPrintable(error));
    QCOMPARE(GetSysValue(Schema::VersionSettingName), QString::number(Schema::Version));
    QVERIFY(ExecuteSQL(QStringLiteral("drop index IX_Store_PaperID")));

    // A database that has it already (completed from a partial one) is
    // upgraded without a failure.
    QVERIFY(ExecuteSQL(QStringLiteral("CREATE INDEX IX_Store_PaperID ON Store (PaperID)")));
    QVERIFY(SetSysValue(Schema::VersionSettingName, QStringLiteral("3")));
    CloseConnection();
    QVERIFY2(OpenConnection(target, &error), qPrintable(error));
    QCOMPARE(GetSysValue(Schema::VersionSettingName), QString::number(Schema::Version));
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_MDatabase::tableNamesInAnyCase()
{
    QVERIFY(ExecuteSQL(QStringLiteral(
        "insert into sale_detail(SaleID,ProductID,Price,MyAmount,MyMoney,IsContainer) "
        "values(7,1,2.5,4,10,'0')")));
    const auto rs = OpenRecordset(QStringLiteral("select * from Sale_Detail where saleid=7"));
    QVERIFY(rs);
    QCOMPARE(rs->recordCount(), 1);
    QCOMPARE(Currency::fromVariant(rs->value(0, QStringLiteral("MYMONEY"))), Currency::fromInt(10));
    QCOMPARE(GetFieldByID(1, QStringLiteral("sysuser"), QStringLiteral("ROLESTRING")),
        Schema::AllRights);
}

void tst_MDatabase::executeAndOpenFailuresAreReported()
{
    QVERIFY(!ExecuteSQL(QStringLiteral("update NoSuchTable set x=1")));
    QCOMPARE(m_prompts->requests.size(), 1);
    const Prompt::Request update = m_prompts->requests.takeFirst();
    QVERIFY(update.text.startsWith(QStringLiteral("更新数据库时出现系统错误，错误信息：")));
    QVERIFY2(update.text.size() > QStringLiteral("更新数据库时出现系统错误，错误信息：").size(),
        "the driver's text follows the fixed text");
    QCOMPARE(update.title, QStringLiteral("系统错误"));
    QCOMPARE(update.icon, Prompt::Icon::Critical);

    QVERIFY(!OpenRecordset(QStringLiteral("select * from NoSuchTable")));
    QCOMPARE(m_prompts->requests.size(), 1);
    const Prompt::Request read = m_prompts->requests.takeFirst();
    QVERIFY(read.text.startsWith(QStringLiteral("读取数据库时出现系统错误，错误信息：")));
    QCOMPARE(read.title, QStringLiteral("系统错误"));

    // Single-value lookups swallow the failure after the message.
    QCOMPARE(GetMinValue(QStringLiteral("NoSuchTable"), QStringLiteral("ID")), 0);
    QCOMPARE(GetFieldByID(1, QStringLiteral("NoSuchTable"), QStringLiteral("Name")), QString());
    QCOMPARE(GetSumValue(QStringLiteral("NoSuchTable"), QString(), QStringLiteral("x")), 0);
    QVERIFY(
        !IsUniqueValue(QStringLiteral("NoSuchTable"), QStringLiteral("x"), QStringLiteral("1"), 0));
    bool ok = true;
    CloseConnection();
    QCOMPARE(GetSysValue(QStringLiteral("AreaCode"), &ok), QString());
    QVERIFY(!ok);
    QVERIFY(!SetSysValue(QStringLiteral("AreaCode"), QStringLiteral("010")));
    QCOMPARE(m_prompts->requests.size(), 6);
    for (const auto &r : m_prompts->requests)
        QVERIFY(r.text.startsWith(QStringLiteral("读取数据库时出现系统错误，错误信息：")));
}

void tst_MDatabase::quotesRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("single quote") << QStringLiteral("O'Brien");
    QTest::newRow("two quotes") << QStringLiteral("''");
    QTest::newRow("statement end") << QStringLiteral("x'); delete from Station; --");
    QTest::newRow("chinese and quote") << QStringLiteral("人民路'12号\"3单元\"");
    QTest::newRow("backslash") << QStringLiteral("C:\\temp\\'");
    QTest::newRow("percent") << QStringLiteral("100% 纯净");
}

void tst_MDatabase::quotesRoundTrip()
{
    QFETCH(QString, text);
    QVERIFY(ExecuteSQL(
        QStringLiteral("insert into Customer(Account,Name,Phone,Address,Detail,Status) values(5,")
        + SqlStr(text) + QLatin1Char(',') + SqlStr(text) + QLatin1Char(',') + SqlStr(text)
        + QLatin1Char(',') + SqlStr(text) + QStringLiteral(",'1')")));
    const int id = GetCustomerIDByAccount(5);
    QVERIFY(id > 0);
    for (const char *column : {"Name", "Phone", "Address", "Detail"})
        QCOMPARE(GetFieldByID(id, QStringLiteral("Customer"), QString::fromLatin1(column)), text);
    QVERIFY(!IsUniqueValue(QStringLiteral("Customer"), QStringLiteral("Address"), text, 0));
    QVERIFY(SetSysValue(QStringLiteral("AreaCode"), text));
    QCOMPARE(GetSysValue(QStringLiteral("AreaCode")), text);
    QCOMPARE(GetSumValue(QStringLiteral("Station"), QString(), QStringLiteral("1")), 1);
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_MDatabase::sysValues()
{
    bool ok = false;
    QCOMPARE(GetSysValue(QStringLiteral("AreaCode"), &ok), QString());
    QVERIFY(ok);
    QVERIFY(SetSysValue(QStringLiteral("AreaCode"), QStringLiteral("0571")));
    QCOMPARE(GetSysValue(QStringLiteral("AreaCode")), QStringLiteral("0571"));
    QVERIFY(SetSysValue(QStringLiteral("AreaCode"), QStringLiteral("010")));
    QCOMPARE(GetSysValue(QStringLiteral("AreaCode")), QStringLiteral("010"));
    const auto rs = OpenRecordset(QStringLiteral("select * from SysValue where Name='AreaCode'"));
    QVERIFY(rs);
    QCOMPARE(rs->recordCount(), 1);
    QVERIFY(SetSysValue(QStringLiteral("NumberLen"), QString()));
    QCOMPARE(GetSysValue(QStringLiteral("NumberLen")), QString());
}

void tst_MDatabase::singleValueLookups()
{
    QCOMPARE(GetMinValue(QStringLiteral("Sale"), QStringLiteral("ID")), 0);
    QCOMPARE(GetSumValue(QStringLiteral("Sale"), QStringLiteral("where FinishFlag='0'"),
                 QStringLiteral("TotalMoney")),
        0);
    QCOMPARE(GetFieldByID(999, QStringLiteral("Station"), QStringLiteral("Name")), QString());
    // A null column reads as the empty text.
    QVERIFY(ExecuteSQL(
        QStringLiteral("insert into Sender(Name,Status,StationID) values('刘师傅','1',1)")));
    const int sender = GetMinValue(QStringLiteral("Sender"), QStringLiteral("ID"));
    QVERIFY(sender > 0);
    QCOMPARE(GetFieldByID(sender, QStringLiteral("Sender"), QStringLiteral("Phone")), QString());
    QCOMPARE(GetFieldByID(sender, QStringLiteral("Sender"), QStringLiteral("Name")),
        QStringLiteral("刘师傅"));
    QCOMPARE(
        GetFieldByID(sender, QStringLiteral("Sender"), QStringLiteral("NoSuchColumn")), QString());
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城东','1')")));
    QVERIFY(ExecuteSQL(QStringLiteral("delete from Station where ID=1")));
    QCOMPARE(GetMinValue(QStringLiteral("Station"), QStringLiteral("ID")), 2);
}

void tst_MDatabase::sumRoundsToWhole()
{
    const QString insert
        = QStringLiteral("insert into Sale(TotalMoney,FinishFlag,StationID,CreateDate) "
                         "values(%1,'%2',1,'2026-12-08')");
    QVERIFY(ExecuteSQL(insert.arg(QStringLiteral("10.25"), QStringLiteral("0"))));
    QVERIFY(ExecuteSQL(insert.arg(QStringLiteral("0.30"), QStringLiteral("0"))));
    QVERIFY(ExecuteSQL(insert.arg(QStringLiteral("100"), QStringLiteral("1"))));
    QCOMPARE(GetSumValue(QStringLiteral("Sale"), QStringLiteral("where FinishFlag='0'"),
                 QStringLiteral("TotalMoney")),
        11);
    QVERIFY(ExecuteSQL(insert.arg(QStringLiteral("0.2"), QStringLiteral("0"))));
    QCOMPARE(GetSumValue(QStringLiteral("Sale"), QStringLiteral("where FinishFlag='0'"),
                 QStringLiteral("TotalMoney")),
        11);
    QCOMPARE(GetSumValue(QStringLiteral("Sale"), QString(), QStringLiteral("TotalMoney")), 111);
    QCOMPARE(GetSumValue(QStringLiteral("Sale"), QStringLiteral("where StationID=9"),
                 QStringLiteral("TotalMoney")),
        0);
}

void tst_MDatabase::uniqueValues()
{
    QVERIFY(ExecuteSQL(QStringLiteral(
        "insert into Customer(Account,Address,Status) values(1001,'人民路1号','1')")));
    QVERIFY(!IsUniqueValue(
        QStringLiteral("Customer"), QStringLiteral("Address"), QStringLiteral("人民路1号"), 0));
    QVERIFY(IsUniqueValue(
        QStringLiteral("Customer"), QStringLiteral("Address"), QStringLiteral("人民路2号"), 0));
    QVERIFY(!IsUniqueValue(
        QStringLiteral("Customer"), QStringLiteral("Account"), QStringLiteral("1001"), 1));
    QVERIFY(IsUniqueValue(
        QStringLiteral("Customer"), QStringLiteral("Account"), QStringLiteral("1002"), 1));
    // Typed text that is no number never reaches the statement.
    QVERIFY(!IsUniqueValue(
        QStringLiteral("Customer"), QStringLiteral("Account"), QStringLiteral("1 or 1=1"), 1));
    QVERIFY(!IsUniqueValue(QStringLiteral("Customer"), QStringLiteral("Account"), QString(), 1));
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_MDatabase::customerByAccount()
{
    QCOMPARE(GetCustomerIDByAccount(42), 0);
    const qint64 id
        = InsertAndGetID(QStringLiteral("insert into Customer(Account,Status) values(0,'1')"));
    QVERIFY(id > 0);
    QVERIFY(ExecuteSQL(QStringLiteral("update Customer set Account=ID where Account=0")));
    QCOMPARE(GetCustomerIDByAccount(id), int(id));
    QCOMPARE(GetFieldByID(id, QStringLiteral("Customer"), QStringLiteral("Account")),
        QString::number(id));
}

void tst_MDatabase::insertReturnsItsOwnId()
{
    const qint64 first = InsertAndGetID(
        QStringLiteral("insert into Sale(CustomerID,StationID,FinishFlag) values(1,1,'0')"));
    const qint64 second = InsertAndGetID(
        QStringLiteral("insert into Sale(CustomerID,StationID,FinishFlag) values(2,1,'0')"));
    QVERIFY(first > 0);
    QCOMPARE(second, first + 1);
    QCOMPARE(GetFieldByID(first, QStringLiteral("Sale"), QStringLiteral("CustomerID")),
        QStringLiteral("1"));
    // A deleted order's number is not handed out again.
    QVERIFY(ExecuteSQL(QStringLiteral("delete from Sale where ID=%1").arg(second)));
    const qint64 third = InsertAndGetID(
        QStringLiteral("insert into Sale(CustomerID,StationID,FinishFlag) values(3,1,'0')"));
    QCOMPARE(third, second + 1);

    QCOMPARE(InsertAndGetID(QStringLiteral("insert into NoSuchTable(x) values(1)")), qint64(0));
    QCOMPARE(m_prompts->requests.size(), 1);
    QVERIFY(
        m_prompts->requests.first().text.startsWith(QStringLiteral("更新数据库时出现系统错误")));
}

void tst_MDatabase::transactions()
{
    QVERIFY(BeginTrans());
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('临时','1')")));
    RollbackTrans();
    QCOMPARE(GetSumValue(QStringLiteral("Station"), QString(), QStringLiteral("1")), 1);

    QVERIFY(BeginTrans());
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城东','1')")));
    QVERIFY(CommitTrans());
    QCOMPARE(GetSumValue(QStringLiteral("Station"), QString(), QStringLiteral("1")), 2);

    // A failing statement inside a transaction: the caller rolls back and
    // nothing of the transaction remains.
    QVERIFY(BeginTrans());
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城西','1')")));
    QVERIFY(!ExecuteSQL(QStringLiteral("insert into NoSuchTable(x) values(1)")));
    RollbackTrans();
    QCOMPARE(GetSumValue(QStringLiteral("Station"), QString(), QStringLiteral("1")), 2);
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城北','1')")));
    QCOMPARE(GetSumValue(QStringLiteral("Station"), QString(), QStringLiteral("1")), 3);
}

void tst_MDatabase::recordsetNavigation()
{
    for (const char *name : {"甲", "乙", "丙"})
        QVERIFY(ExecuteSQL(
            QStringLiteral("insert into Sender(Name,Status,StationID) values('%1','1',1)")
                .arg(QString::fromUtf8(name))));
    auto rs = OpenRecordset(QStringLiteral("select * from Sender order by ID"));
    QVERIFY(rs);
    QCOMPARE(rs->recordCount(), 3);
    QVERIFY(rs->hasField(QStringLiteral("stationid")));
    QStringList names;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        names << rs->value(QStringLiteral("NAME")).toString();
    QCOMPARE(names, QStringList({"甲", "乙", "丙"}));
    rs->moveLast();
    const int mark = rs->bookmark();
    Recordset copy = rs->clone();
    rs->moveFirst();
    copy.setBookmark(mark);
    QCOMPARE(copy.value(QStringLiteral("Name")).toString(), QStringLiteral("丙"));
    rs->moveFirst();
    QVERIFY(rs->find([](const Recordset &r) {
        return r.value(QStringLiteral("Name")).toString() == QStringLiteral("乙");
    }));
    QCOMPARE(rs->bookmark(), 1);
    QVERIFY(!rs->find([](const Recordset &r) { return r.value(QStringLiteral("Name")).isNull(); }));
    QVERIFY(rs->eof());
    QVERIFY(rs->value(QStringLiteral("Name")).isNull());
    rs->movePrevious();
    rs->movePrevious();
    rs->movePrevious();
    rs->movePrevious();
    QVERIFY(rs->bof());
}

void tst_MDatabase::nulNeverReachesAStatement()
{
    const QString typed = QStringLiteral("人民路") + QChar(0) + QStringLiteral("12号'");
    QVERIFY(!SqlStr(typed).contains(QChar(0)));
    QVERIFY(SetSysValue(QStringLiteral("AreaCode"), typed));
    QCOMPARE(GetSysValue(QStringLiteral("AreaCode")), QStringLiteral("人民路12号'"));
    QVERIFY(!IsUniqueValue(QStringLiteral("SysValue"), QStringLiteral("myValue"), typed, 0));
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_MDatabase::loginRowsComeBack_data()
{
    QTest::addColumn<bool>("emptyStations");
    QTest::addColumn<bool>("emptyUsers");
    QTest::newRow("no operator") << false << true;
    QTest::newRow("no station") << true << false;
    QTest::newRow("neither") << true << true;
}

void tst_MDatabase::loginRowsComeBack()
{
    QFETCH(bool, emptyStations);
    QFETCH(bool, emptyUsers);
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城东','1')")));
    if (emptyUsers)
        QVERIFY(ExecuteSQL(QStringLiteral("delete from SysUser")));
    if (emptyStations)
        QVERIFY(ExecuteSQL(QStringLiteral("delete from Station")));

    const ConnectionTarget target = currentTarget();
    CloseConnection();
    QString error;
    QVERIFY2(OpenConnection(target, &error), qPrintable(error));

    QVERIFY(stationCount() >= 1);
    const int head = GetMinValue(QStringLiteral("Station"), QStringLiteral("ID"));
    QVERIFY(head > 0);
    if (!emptyStations)
        QCOMPARE(stationCount(), 2);
    const auto users = OpenRecordset(QStringLiteral("select * from SysUser"));
    QVERIFY(users);
    QCOMPARE(users->recordCount(), 1);
    if (emptyUsers) {
        QCOMPARE(users->value(0, QStringLiteral("Name")).toString(), Schema::AdministratorName);
        QCOMPARE(users->value(0, QStringLiteral("rolestring")).toString(), Schema::AllRights);
        QCOMPARE(users->value(0, QStringLiteral("Status")).toString(), QStringLiteral("1"));
        QCOMPARE(users->value(0, QStringLiteral("StationID")).toInt(), head);
    }
    // Opening again adds nothing more.
    CloseConnection();
    QVERIFY2(OpenConnection(target, &error), qPrintable(error));
    QCOMPARE(GetSumValue(QStringLiteral("SysUser"), QString(), QStringLiteral("1")), 1);
    QCOMPARE(stationCount(), emptyStations ? 1 : 2);
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_MDatabase::sqliteWritersTakeTheLockAtBegin()
{
    if (currentTarget().kind != SqlDialect::SQLite)
        QSKIP("write locks at begin and the journal mode are SQLite's");
    {
        QSqlQuery mode(gConnection());
        QVERIFY(mode.exec(QStringLiteral("PRAGMA journal_mode")) && mode.next());
        QCOMPARE(mode.value(0).toString().toLower(), QStringLiteral("wal"));
    }
    QVERIFY(BeginTrans());
    QVERIFY(InTransaction());
    // A second workstation cannot start writing until this one is done, even
    // before this one has written anything.
    const QString name = QStringLiteral("second-writer");
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        other.setDatabaseName(currentTarget().host);
        other.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        QVERIFY(other.open());
        QSqlQuery begin(other);
        QVERIFY(!begin.exec(QStringLiteral("BEGIN IMMEDIATE")));
        // Readers are not held up by the writer.
        QSqlQuery read(other);
        QVERIFY(read.exec(QStringLiteral("select count(*) from Station")) && read.next());
        read.finish();
        other.close();
    }
    QSqlDatabase::removeDatabase(name);
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城东','1')")));
    QVERIFY(CommitTrans());
    QVERIFY(!InTransaction());
    QCOMPARE(stationCount(), 2);
}

void tst_MDatabase::ordinaryFailureIsNoLostConnection()
{
    QVERIFY(!ExecuteSQL(QStringLiteral("update NoSuchTable set x=1")));
    QVERIFY(!ConnectionLost());
    QVERIFY(BeginTrans());
    QVERIFY(!ExecuteSQL(QStringLiteral("insert into NoSuchTable(x) values(1)")));
    QVERIFY(!ConnectionLost());
    RollbackTrans();
    QVERIFY(!CommitOutcomeUnknown());
    QCOMPARE(m_prompts->requests.size(), 2);
    for (const auto &r : m_prompts->requests)
        QVERIFY(r.text.startsWith(QStringLiteral("更新数据库时出现系统错误")));
}

void tst_MDatabase::lostConnectionIsReportedOnceAndReopened()
{
    if (currentTarget().kind == SqlDialect::SQLite)
        QSKIP("a database file cannot be taken away by a server");
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城东','1')")));
    QString error;
    QVERIFY2(TestDatabase::dropSharedConnection(&error), qPrintable(error));

    // The action that meets the dropped connection fails with one message.
    QVERIFY(!OpenRecordset(QStringLiteral("select * from Station")));
    QVERIFY(ConnectionLost());
    QCOMPARE(m_prompts->texts(), QStringList{ConnectionLostText});
    QCOMPARE(m_prompts->requests.first().icon, Prompt::Icon::Critical);

    // The next one reconnects on the same database and works.
    m_prompts->clear();
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(stationCount(), 2);
    qInfo("reconnected and read in %lld ms", clock.elapsed());
    QVERIFY(!ConnectionLost());
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城西','1')")));
    QCOMPARE(stationCount(), 3);
    QVERIFY(m_prompts->requests.isEmpty());

    // A second drop is reported again.
    QVERIFY2(TestDatabase::dropSharedConnection(&error), qPrintable(error));
    QVERIFY(!ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城南','1')")));
    QCOMPARE(m_prompts->texts(), QStringList{ConnectionLostText});
    m_prompts->clear();
    QCOMPARE(stationCount(), 3);
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_MDatabase::lostConnectionInsideATransaction()
{
    if (currentTarget().kind == SqlDialect::SQLite)
        QSKIP("a database file cannot be taken away by a server");
    QVERIFY(BeginTrans());
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城东','1')")));
    QString error;
    QVERIFY2(TestDatabase::dropSharedConnection(&error), qPrintable(error));
    QVERIFY(!ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城西','1')")));
    // Later statements of the same save fail quietly: one message is enough.
    QVERIFY(!ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城南','1')")));
    QVERIFY(!CommitTrans());
    QCOMPARE(m_prompts->texts(), QStringList{ConnectionLostText});
    // Nothing was half stored, and the connection works again.
    m_prompts->clear();
    QCOMPARE(stationCount(), 1);
    QVERIFY(BeginTrans());
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城北','1')")));
    QVERIFY(CommitTrans());
    QCOMPARE(stationCount(), 2);
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_MDatabase::commitOnADroppedConnectionIsUnknown()
{
    if (currentTarget().kind == SqlDialect::SQLite)
        QSKIP("a database file cannot be taken away by a server");
    QVERIFY(BeginTrans());
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城东','1')")));
    QString error;
    QVERIFY2(TestDatabase::dropSharedConnection(&error), qPrintable(error));
    QVERIFY(!CommitTrans());
    QVERIFY(CommitOutcomeUnknown());
    // Not "failed": the person is told to look before typing the order again.
    QCOMPARE(m_prompts->texts(), QStringList{CommitUnknownText});
    QVERIFY(!CommitUnknownText.contains(QStringLiteral("失败")));
    QVERIFY(CommitUnknownText.contains(QStringLiteral("无法确定")));
    m_prompts->clear();
    QVERIFY(BeginTrans());
    QVERIFY(!CommitOutcomeUnknown());
    QVERIFY(CommitTrans());
    QCOMPARE(stationCount(), 1);
    QVERIFY(m_prompts->requests.isEmpty());
}

QTEST_GUILESS_MAIN(tst_MDatabase)
#include "tst_mdatabase.moc"
