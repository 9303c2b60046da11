#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "customerrows.h"
#include "datastore/mdatabase.h"
#include "datastore/schema.h"
#include "sales/customerwriter.h"
#include "shell/loginstate.h"

#include <QTest>

using mDatabase::ExecuteSQL;
using mDatabase::OpenRecordset;

namespace {

const QString AddressTaken = QStringLiteral("该地址已经开户了，请检查后再继续！");
const QString AccountTaken = QStringLiteral("您所指定的帐户名称已被占用!,请重新指定");

CustomerRecord customer(const QString &address)
{
    CustomerRecord c;
    c.address = address;
    c.name = QStringLiteral("王五");
    c.phone = QStringLiteral("13800000001");
    c.detail = QStringLiteral("老客户");
    c.createDate = QDate(2024, 3, 9);
    c.custType = 2;
    c.stationId = 1;
    return c;
}

} // namespace

class tst_CustomerWriter : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void saveNew_data();
    void saveNew();
    void refusals_data();
    void refusals();
    void hostileTextStoredExactly();
    void saveEditWritesFieldsOnly();
    void editRefusedWhenChangedElsewhere_data();
    void editRefusedWhenChangedElsewhere();
    void editToTakenAddressRefused();
    void readerMissingCustomer();
    void upgradeReportsSharedAddresses();
    void upgradeAddsAddressIndex();

private:
    TestDatabase m_db;
    ScopedSession m_session{ScopedSession::headStation()};
    ScriptedPrompter *m_prompts = nullptr;
};

void tst_CustomerWriter::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_CustomerWriter::cleanup()
{
    m_db.dropAll();
    delete m_prompts;
}

void tst_CustomerWriter::saveNew_data()
{
    QTest::addColumn<bool>("systemAccount");
    QTest::addColumn<int>("account");
    QTest::addColumn<bool>("ownID"); // the account stored is the row's key

    QTest::newRow("system") << true << 0 << true;
    QTest::newRow("manual") << false << 101 << false;
    // Nobody can look up account 0: it becomes the key like a system one.
    QTest::newRow("manual zero") << false << 0 << true;
}

void tst_CustomerWriter::saveNew()
{
    QFETCH(bool, systemAccount);
    QFETCH(int, account);
    QFETCH(bool, ownID);

    // A legacy row still at 0 (a manual 0 would find that account taken).
    if (systemAccount)
        QVERIFY(ExecuteSQL(
            QStringLiteral("insert into Customer(Account,Address,Phone) values(0,'旧地址','1')")));
    CustomerRecord c = customer(QStringLiteral("西街1号"));
    c.systemAccount = systemAccount;
    c.account = account;
    c.status = QStringLiteral("0");
    const qint64 id = CustomerWriter::saveNew(c);
    QVERIFY(id > 0);
    const Recordset rs = customers();
    const int row = systemAccount ? 1 : 0;
    QCOMPARE(rs.recordCount(), row + 1);
    QCOMPARE(rs.value(row, QStringLiteral("ID")).toLongLong(), id);
    QCOMPARE(rs.value(row, QStringLiteral("Account")).toLongLong(), ownID ? id : account);
    QCOMPARE(fields(rs, row,
                 QStringLiteral("Name Phone Address Detail CreateDate CustType Status "
                                "StationID")),
        QStringLiteral("王五 13800000001 西街1号 老客户 2024-03-09 2 0 1").split(QLatin1Char(' ')));
    // Another workstation's row is left alone.
    if (systemAccount)
        QCOMPARE(rs.value(0, QStringLiteral("Account")).toInt(), 0);
    QCOMPARE(m_prompts->texts(), QStringList());
}

void tst_CustomerWriter::refusals_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("account"); // 0: the system's
    QTest::addColumn<QString>("message"); // empty: stored

    QTest::newRow("address taken") << QStringLiteral("东街1号") << 0 << AddressTaken;
    QTest::newRow("account taken") << QStringLiteral("西街") << 100 << AccountTaken;
    QTest::newRow("trailing blank is another address")
        << QStringLiteral("东街1号 ") << 0 << QString();
    QTest::newRow("free account") << QStringLiteral("西街") << 99 << QString();
}

void tst_CustomerWriter::refusals()
{
    QFETCH(QString, address);
    QFETCH(int, account);
    QFETCH(QString, message);
    QVERIFY(ExecuteSQL(
        QStringLiteral("insert into Customer(Account,Address,Phone) values(100,'东街1号','1')")));
    CustomerRecord c = customer(address);
    c.systemAccount = account == 0;
    c.account = account;
    const qint64 id = CustomerWriter::saveNew(c);
    QCOMPARE(id > 0, message.isEmpty());
    QCOMPARE(m_prompts->texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(customers().recordCount(), message.isEmpty() ? 2 : 1);
}

void tst_CustomerWriter::hostileTextStoredExactly()
{
    const QString text = QStringLiteral("%1'%2\\\\ \"x\" %%3'' \\'");
    CustomerRecord c = customer(text);
    c.name = text + QStringLiteral("名");
    c.phone = text + QStringLiteral("电");
    c.detail = text + QStringLiteral("注");
    const qint64 id = CustomerWriter::saveNew(c);
    QVERIFY(id > 0);
    Recordset rs = customers();
    QCOMPARE(fields(rs, 0, QStringLiteral("Address Name Phone Detail")),
        (QStringList{c.address, c.name, c.phone, c.detail}));
    // The address is taken now, however it is spelt.
    QVERIFY(!CustomerWriter::saveNew(customer(text)));
    QCOMPARE(m_prompts->texts(), QStringList{AddressTaken});

    const auto loaded = CustomerReader::load(id);
    QVERIFY(loaded);
    QCOMPARE(loaded->address, text);
    CustomerRecord edited = *loaded;
    edited.address = QStringLiteral("改") + text;
    edited.detail = text + text;
    QVERIFY(CustomerWriter::saveEdit(edited, *loaded));
    rs = customers();
    QCOMPARE(fields(rs, 0, QStringLiteral("Address Detail")),
        (QStringList{edited.address, edited.detail}));
}

void tst_CustomerWriter::saveEditWritesFieldsOnly()
{
    const qint64 id = CustomerWriter::saveNew(customer(QStringLiteral("东街1号")));
    QVERIFY(id > 0);
    const auto loaded = CustomerReader::load(id);
    QVERIFY(loaded);
    QCOMPARE(loaded->account, qint32(id));
    QCOMPARE(loaded->createDate, QDate(2024, 3, 9));
    QCOMPARE(loaded->status, QStringLiteral("1"));
    CustomerRecord edited = *loaded;
    edited.name = QStringLiteral("  老李 ");
    edited.phone = QStringLiteral("139");
    edited.custType = 0;
    edited.status = QStringLiteral("0");
    edited.account = 5; // never written by an edit
    edited.createDate = QDate(2020, 1, 1);
    QVERIFY(CustomerWriter::saveEdit(edited, *loaded));
    QCOMPARE(
        fields(customers(), 0, QStringLiteral("Account Name Phone CustType Status CreateDate")),
        (QStringList{QString::number(id), QStringLiteral("老李"), QStringLiteral("139"),
            QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("2024-03-09")}));
    QCOMPARE(m_prompts->texts(), QStringList());
}

void tst_CustomerWriter::editRefusedWhenChangedElsewhere_data()
{
    QTest::addColumn<QString>("elsewhere");
    QTest::addColumn<QString>("message");

    const QString changed = QStringLiteral(
        "该客户资料在您打开之后已在别处被修改，本次修改没有保存！请关闭后重新打开再修改。");
    QTest::newRow("deleted") << QStringLiteral("delete from Customer where ID=%1")
                             << QStringLiteral("该客户资料已在别处被删除，本次修改没有保存！");
    QTest::newRow("phone") << QStringLiteral("update Customer set Phone='777' where ID=%1")
                           << changed;
    QTest::newRow("suspended") << QStringLiteral("update Customer set Status='0' where ID=%1")
                               << changed;
    QTest::newRow("account") << QStringLiteral("update Customer set Account=8 where ID=%1")
                             << changed;
    QTest::newRow("remark") << QStringLiteral("update Customer set Detail=NULL where ID=%1")
                            << changed;
}

void tst_CustomerWriter::editRefusedWhenChangedElsewhere()
{
    QFETCH(QString, elsewhere);
    QFETCH(QString, message);
    const qint64 id = CustomerWriter::saveNew(customer(QStringLiteral("东街1号")));
    QVERIFY(id > 0);
    const auto loaded = CustomerReader::load(id);
    QVERIFY(loaded);
    QVERIFY(ExecuteSQL(elsewhere.arg(id)));
    const Recordset before = customers();

    CustomerRecord edited = *loaded;
    edited.name = QStringLiteral("我的修改");
    edited.address = QStringLiteral("南街");
    QVERIFY(!CustomerWriter::saveEdit(edited, *loaded));
    QCOMPARE(m_prompts->texts(), QStringList{message});
    const Recordset after = customers();
    QCOMPARE(after.recordCount(), before.recordCount());
    const QString all = QStringLiteral("Account Name Phone Address Detail Status");
    for (int row = 0; row < after.recordCount(); ++row)
        QCOMPARE(fields(after, row, all), fields(before, row, all));
}

void tst_CustomerWriter::editToTakenAddressRefused()
{
    const qint64 other = CustomerWriter::saveNew(customer(QStringLiteral("东街1号")));
    const qint64 id = CustomerWriter::saveNew(customer(QStringLiteral("西街2号")));
    QVERIFY(other > 0 && id > 0);
    const auto loaded = CustomerReader::load(id);
    QVERIFY(loaded);
    CustomerRecord edited = *loaded;
    edited.address = QStringLiteral("东街1号");
    QVERIFY(!CustomerWriter::saveEdit(edited, *loaded));
    QCOMPARE(m_prompts->texts(), QStringList{AddressTaken});
    QCOMPARE(countRows(QStringLiteral("select count(*) from Customer where Address='东街1号'")), 1);

    // Keeping its own address is no clash.
    m_prompts->clear();
    edited.address = loaded->address;
    edited.phone = QStringLiteral("888");
    QVERIFY(CustomerWriter::saveEdit(edited, *loaded));
    QCOMPARE(m_prompts->texts(), QStringList());
}

void tst_CustomerWriter::readerMissingCustomer()
{
    QVERIFY(!CustomerReader::load(999));
    QCOMPARE(m_prompts->texts(), QStringList());
}

void tst_CustomerWriter::upgradeReportsSharedAddresses()
{
    // A database of the version before: no unique address, and shared ones.
    QVERIFY(ExecuteSQL(QStringLiteral("drop index UQ_Customer_Address")));
    for (const char *address : {"甲街1号", "甲街1号", "乙街2号", "乙街2号", "乙街2号", "丙街"})
        QVERIFY(ExecuteSQL(QStringLiteral("insert into Customer(Account,Address) values(0,'%1')")
                               .arg(QString::fromUtf8(address))));
    QVERIFY(mDatabase::SetSysValue(Schema::VersionSettingName, QStringLiteral("2")));
    const ConnectionTarget target = mDatabase::currentTarget();
    mDatabase::CloseConnection();
    QString error;
    QVERIFY2(mDatabase::OpenConnection(target, &error), qPrintable(error));

    QCOMPARE(m_prompts->requests.size(), 1);
    const QString report = m_prompts->requests.first().text;
    QVERIFY2(report.contains(QStringLiteral("甲街1号（2个客户）")), qPrintable(report));
    QVERIFY2(report.contains(QStringLiteral("乙街2号（3个客户）")), qPrintable(report));
    QVERIFY(!report.contains(QStringLiteral("丙街")));
    QCOMPARE(m_prompts->requests.first().icon, Prompt::Icon::Warning);
    // Nothing deleted; the database carries on without the index.
    QCOMPARE(countRows(QStringLiteral("select count(*) from Customer")), 6);
    QCOMPARE(mDatabase::GetSysValue(Schema::VersionSettingName), QString::number(Schema::Version));
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Customer(Account,Address) values(0,'丙街')")));
}

void tst_CustomerWriter::upgradeAddsAddressIndex()
{
    QVERIFY(ExecuteSQL(QStringLiteral("drop index UQ_Customer_Address")));
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Customer(Account,Address) values(0,'丙街')")));
    QVERIFY(mDatabase::SetSysValue(Schema::VersionSettingName, QStringLiteral("2")));
    const ConnectionTarget target = mDatabase::currentTarget();
    mDatabase::CloseConnection();
    QString error;
    QVERIFY2(mDatabase::OpenConnection(target, &error), qPrintable(error));
    QCOMPARE(m_prompts->texts(), QStringList());
    QVERIFY(!ExecuteSQL(QStringLiteral("insert into Customer(Account,Address) values(0,'丙街')")));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Customer")), 1);
}

QTEST_MAIN(tst_CustomerWriter)
#include "tst_customerwriter.moc"
