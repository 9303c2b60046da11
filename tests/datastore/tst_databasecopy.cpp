#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/currency.h"
#include "datastore/databasecopy.h"
#include "datastore/demodata.h"
#include "datastore/mdatabase.h"
#include "datastore/schema.h"

#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

using mDatabase::ExecuteSQL;

namespace {

// A connection of the test's own to the copy, beside the shared one.
class Side {
public:
    explicit Side(const ConnectionTarget &target)
        : m_name(QStringLiteral("copy-check-") + QUuid::createUuid().toString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(target.driverName(), m_name);
        db.setDatabaseName(
            target.kind == SqlDialect::SQLite ? target.host : target.odbcConnectionString());
        db.open();
    }
    ~Side()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    QVariant value(const QString &sql) const
    {
        QSqlQuery q(db());
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }
    int tables() const
    {
        int n = 0;
        for (const QString &t : Schema::tableNames())
            n += db().tables().contains(t, Qt::CaseInsensitive);
        return n;
    }

private:
    QString m_name;
};

} // namespace

// The group's data moved from its single file to another database (a
// PostgreSQL server in the pg run): all of it, or nothing.
class tst_DatabaseCopy : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyRowArrivesWithItsIds();
    void refusesADatabaseInUse();
    void aFailureLeavesTheTargetEmpty();
    void theGroupDatabaseCopiesBackToAFile();

private:
    TestDatabase m_target;
    ConnectionTarget m_to;
    QTemporaryDir m_dir;
    ScriptedPrompter *m_prompts = nullptr;
};

void tst_DatabaseCopy::init()
{
    PELKOR_REQUIRE_DATABASE();
    m_prompts = new ScriptedPrompter;
    // The source is always the embedded file, as a station has it.
    ConnectionTarget from;
    from.kind = SqlDialect::SQLite;
    from.host = m_dir.filePath(QStringLiteral("station-%1.db").arg(QUuid::createUuid().toString()));
    QString error;
    QVERIFY2(mDatabase::OpenConnection(from, &error), qPrintable(error));
    QVERIFY2(DemoData::fill(QDate(2026, 12, 9), &error), qPrintable(error));
    QVERIFY2(m_target.create(&m_to, &error), qPrintable(error));
}

void tst_DatabaseCopy::cleanup()
{
    mDatabase::CloseConnection();
    m_target.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

void tst_DatabaseCopy::everyRowArrivesWithItsIds()
{
    // Text that breaks spliced statements, money with four places, a date.
    QVERIFY(ExecuteSQL(QStringLiteral(
        "insert into Customer(ID,Account,Name,Address,Phone,Status,StationID,CreateDate,"
        "TotalDebt) values(900,900,'O''Brien %1 \\ 😀','路''号','1','1',1,'2026-02-28',12.3456)")));
    const auto count = [](const QString &table) {
        return countRows(QStringLiteral("select count(*) from %1").arg(table));
    };
    QMap<QString, int> before;
    for (const QString &table : Schema::tableNames())
        before.insert(table, count(table));
    QVERIFY(before.value(QStringLiteral("Sale")) > 0);

    const DatabaseCopy::Outcome outcome = DatabaseCopy::copy(mDatabase::gConnection(), m_to);
    QVERIFY2(outcome.ok, qPrintable(outcome.message));

    Side copy(m_to);
    for (const QString &table : Schema::tableNames())
        QCOMPARE(copy.value(QStringLiteral("select count(*) from %1").arg(table)).toInt(),
            before.value(table));
    QCOMPARE(copy.value(QStringLiteral("select Name from Customer where ID=900")).toString(),
        QStringLiteral("O'Brien %1 \\ 😀"));
    QCOMPARE(Currency::fromVariant(
                 copy.value(QStringLiteral("select TotalDebt from Customer where ID=900")))
                 .toSqlText(),
        QStringLiteral("12.3456"));
    QCOMPARE(copy.value(QStringLiteral("select CreateDate from Customer where ID=900")).toDate(),
        QDate(2026, 2, 28));

    // New rows on the copy continue after the copied IDs.
    mDatabase::CloseConnection();
    QString error;
    QVERIFY2(mDatabase::OpenConnection(m_to, &error), qPrintable(error));
    const qint64 next = mDatabase::InsertAndGetID(QStringLiteral(
        "insert into Customer(Account,Name,Status,StationID) values(901,'新','1',1)"));
    QCOMPARE(next, qint64(901));
}

void tst_DatabaseCopy::refusesADatabaseInUse()
{
    {
        // Another workstation has already started on it.
        QString error;
        const ConnectionTarget source = mDatabase::currentTarget();
        mDatabase::CloseConnection();
        QVERIFY2(mDatabase::OpenConnection(m_to, &error), qPrintable(error));
        mDatabase::CloseConnection();
        QVERIFY2(mDatabase::OpenConnection(source, &error), qPrintable(error));
    }
    Side copy(m_to);
    const int users = copy.value(QStringLiteral("select count(*) from SysUser")).toInt();
    const DatabaseCopy::Outcome outcome = DatabaseCopy::copy(mDatabase::gConnection(), m_to);
    QVERIFY(!outcome.ok);
    QVERIFY2(outcome.message.contains(QStringLiteral("不是空的")), qPrintable(outcome.message));
    QCOMPARE(copy.value(QStringLiteral("select count(*) from Sale")).toInt(), 0);
    QCOMPARE(copy.value(QStringLiteral("select count(*) from SysUser")).toInt(), users);
}

void tst_DatabaseCopy::aFailureLeavesTheTargetEmpty()
{
    // The last table cannot be read: the tables made and rows written before
    // it must go again.
    QVERIFY(ExecuteSQL(QStringLiteral("drop table %1").arg(Schema::tableNames().last())));
    const DatabaseCopy::Outcome outcome = DatabaseCopy::copy(mDatabase::gConnection(), m_to);
    QVERIFY(!outcome.ok);
    QVERIFY2(
        outcome.message.contains(QStringLiteral("没有保留任何数据")), qPrintable(outcome.message));
    Side copy(m_to);
    QCOMPARE(copy.tables(), 0);
}

void tst_DatabaseCopy::theGroupDatabaseCopiesBackToAFile()
{
    // The other way: the group's database (the server in the pg run, read
    // in blocks) into a file, with more customers than one block holds.
    mDatabase::CloseConnection();
    QString error;
    QVERIFY2(mDatabase::OpenConnection(m_to, &error), qPrintable(error));
    QVERIFY2(DemoData::fill(QDate(2026, 12, 9), &error), qPrintable(error));
    QVERIFY(ExecuteSQL(
        QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<4500) "
                       "insert into Customer(Account,Name,Address,Status,StationID) "
                       "select 10000+i,'客户'||i,'地址'||i,'1',1 from n")));
    QMap<QString, int> before;
    for (const QString &table : Schema::tableNames())
        before.insert(table, countRows(QStringLiteral("select count(*) from %1").arg(table)));
    QVERIFY(before.value(QStringLiteral("Customer")) > 4500);

    ConnectionTarget file;
    file.kind = SqlDialect::SQLite;
    file.host = m_dir.filePath(QStringLiteral("back-%1.db").arg(QUuid::createUuid().toString()));
    const DatabaseCopy::Outcome outcome = DatabaseCopy::copy(mDatabase::gConnection(), file);
    QVERIFY2(outcome.ok, qPrintable(outcome.message));
    {
        Side copy(file);
        for (const QString &table : Schema::tableNames())
            QCOMPARE(copy.value(QStringLiteral("select count(*) from %1").arg(table)).toInt(),
                before.value(table));
    }

    // The source is left as it was found: what it writes next is committed
    // at once, for every other workstation to see.
    QVERIFY(ExecuteSQL(QStringLiteral(
        "insert into Customer(Account,Name,Address,Status,StationID) values(9,'后','后','1',1)")));
    Side group(m_to);
    QCOMPARE(group.value(QStringLiteral("select count(*) from Customer")).toInt(),
        before.value(QStringLiteral("Customer")) + 1);
}

QTEST_MAIN(tst_DatabaseCopy)
#include "tst_databasecopy.moc"
