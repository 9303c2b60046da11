#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "datastore/transaction.h"

#include <QTest>

using namespace mDatabase;

class tst_Transaction : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void earlyReturnLeavesNothing();
    void commitKeepsAndEndsTheScope();
    void failedStatementThenScopeEnd();
    void explicitRollback();
    void beginFailureIsReported();
    void affectedRowsAreCounted();

private:
    static int stations()
    {
        return GetSumValue(QStringLiteral("Station"), QString(), QStringLiteral("1"));
    }
    static bool addStation(const QString &name)
    {
        return ExecuteSQL(
            QStringLiteral("insert into Station(Name,Status) values(%1,'1')").arg(SqlStr(name)));
    }

    TestDatabase m_db;
    ScriptedPrompter *m_prompts = nullptr;
};

void tst_Transaction::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_Transaction::cleanup()
{
    CloseConnection();
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

void tst_Transaction::earlyReturnLeavesNothing()
{
    // A writer that stores two rows and gives up after the first.
    const auto writer = [](bool giveUp) {
        Transaction tx;
        if (!tx || !addStation(QStringLiteral("城东")))
            return false;
        if (giveUp)
            return false;
        return addStation(QStringLiteral("城西")) && tx.commit();
    };
    QVERIFY(!writer(true));
    QCOMPARE(stations(), 1);
    // The connection is usable again at once: the scope really ended.
    QVERIFY(writer(false));
    QCOMPARE(stations(), 3);
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_Transaction::commitKeepsAndEndsTheScope()
{
    Transaction tx;
    QVERIFY(tx);
    QVERIFY(addStation(QStringLiteral("城北")));
    QVERIFY(tx.commit());
    QVERIFY(!tx);
    // A second commit has nothing to commit and the destructor nothing to undo.
    QVERIFY(!tx.commit());
    tx.rollback();
    QCOMPARE(stations(), 2);
}

void tst_Transaction::failedStatementThenScopeEnd()
{
    {
        Transaction tx;
        QVERIFY(tx);
        QVERIFY(addStation(QStringLiteral("城南")));
        QVERIFY(!ExecuteSQL(QStringLiteral("insert into NoSuchTable(x) values(1)")));
    }
    QCOMPARE(stations(), 1);
    m_prompts->requests.clear();
    QVERIFY(addStation(QStringLiteral("城南")));
    QCOMPARE(stations(), 2);
}

void tst_Transaction::explicitRollback()
{
    Transaction tx;
    QVERIFY(addStation(QStringLiteral("临时")));
    tx.rollback();
    QVERIFY(!tx);
    QVERIFY(!tx.commit());
    QCOMPARE(stations(), 1);
}

void tst_Transaction::beginFailureIsReported()
{
    CloseConnection();
    {
        Transaction tx;
        QVERIFY(!tx);
        QVERIFY(!tx.commit());
    }
    QVERIFY(!m_prompts->requests.isEmpty());
}

void tst_Transaction::affectedRowsAreCounted()
{
    QVERIFY(addStation(QStringLiteral("城东")));
    QVERIFY(addStation(QStringLiteral("城西")));
    QCOMPARE(ExecuteAffected(QStringLiteral("update Station set Status='0' where ID>1")), 2);
    // Repeating the condition: the rows no longer qualify, nothing changes.
    QCOMPARE(
        ExecuteAffected(QStringLiteral("update Station set Status='0' where ID>1 and Status='1'")),
        0);
    QVERIFY(m_prompts->requests.isEmpty());
    QCOMPARE(ExecuteAffected(QStringLiteral("update NoSuchTable set x=1")), -1);
    QCOMPARE(m_prompts->requests.size(), 1);
}

QTEST_MAIN(tst_Transaction)
#include "tst_transaction.moc"
