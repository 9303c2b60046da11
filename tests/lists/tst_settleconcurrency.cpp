#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "datastore/transaction.h"
#include "lists/frmsaleadmin.h"
#include "shell/loginstate.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QTableView>
#include <QTest>

using mDatabase::ExecuteSQL;

namespace {

const ListCommands::Member SettleAll[]
    = {&ListCommands::InAllMoney, &ListCommands::OutAllMoney, &ListCommands::OutAllAmount,
        &ListCommands::InAllAmount, &ListCommands::InAllContainer, &ListCommands::OutAllContainer};

qint64 addOrder(int customer, int amount)
{
    return mDatabase::InsertAndGetID(
        QStringLiteral(
            "insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,TotalContainer,"
            "InMoney,OutAmount,InContainer,TransferFee,Detail,CreateDate,FinishFlag,StationID) "
            "values(%1,1,1,%2,%3,%2,0,0,0,0,'',%4,'0',1)")
            .arg(QString::number(customer), QString::number(amount), QString::number(amount * 10),
                mDatabase::dialect().dateLiteral(QDate::currentDate())));
}

// One workstation at the sale list: every settle-all command in turn, a
// single order settled and a new order taken between them. Prints how many
// settle-all commands were reported as failed.
int runWorker(const QString &url, int worker, int rounds)
{
    ConnectionTarget target;
    QString error;
    if (!ConnectionTarget::fromUrl(url, &target, &error)
        || !mDatabase::OpenConnection(target, &error)) {
        qWarning("%s", qPrintable(error));
        return 2;
    }
    ScriptedPrompter prompts;
    frmSaleAdmin list;
    int failed = 0;
    int commands = 0;
    for (int n = 0; n < rounds; ++n) {
        const ListCommands::Member command = SettleAll[(n + worker) % 6];
        prompts.clear();
        prompts.answers = {Prompt::Yes};
        list.commands().run(command);
        ++commands;
        for (const Prompt::Request &r : std::as_const(prompts.requests)) {
            if (r.icon == Prompt::Icon::Critical) {
                if (failed == 0)
                    qWarning("worker %d: %s", worker, qPrintable(r.text));
                ++failed;
                break;
            }
        }
        prompts.clear();
        if (list.model()->rowCount() > 0) {
            list.grid()->setCurrentIndex(list.model()->index(
                QRandomGenerator::global()->bounded(list.model()->rowCount()), 0));
            prompts.answers = {Prompt::Yes};
            list.commands().run(n % 2 ? &ListCommands::OutAmount : &ListCommands::InContainer);
        }
        addOrder(1, 1 + n % 5);
    }
    printf("worker %d: %d of %d settle-all commands failed\n", worker, failed, commands);
    fflush(stdout);
    return failed == 0 ? 0 : 1;
}

} // namespace

class tst_SettleConcurrency : public QObject {
    Q_OBJECT

private slots:
    void conflictsAreRecognised_data();
    void conflictsAreRecognised();
    void settleAllFromManyWorkstations();
};

void tst_SettleConcurrency::conflictsAreRecognised_data()
{
    QTest::addColumn<QString>("databaseText");
    QTest::addColumn<QString>("nativeCode");
    QTest::addColumn<bool>("conflict");
    QTest::newRow("deadlock through ODBC")
        << "ERROR: deadlock detected;\nError while executing the query"
        << "1" << true;
    QTest::newRow("sqlstate in the code") << "ERROR: something"
                                          << "40P01" << true;
    QTest::newRow("serialization") << "ERROR: could not serialize access due to concurrent update"
                                   << "1" << true;
    QTest::newRow("sql server victim") << "Transaction (Process ID 52) was deadlocked on lock "
                                          "resources with another process"
                                       << "1205" << true;
    QTest::newRow("syntax") << "ERROR: syntax error at or near \"x\""
                            << "1" << false;
    QTest::newRow("lost connection") << "server closed the connection unexpectedly"
                                     << "26" << false;
}

void tst_SettleConcurrency::conflictsAreRecognised()
{
    QFETCH(QString, databaseText);
    QFETCH(QString, nativeCode);
    QFETCH(bool, conflict);
    const QSqlError error(QStringLiteral("QODBC: Unable to execute statement"), databaseText,
        QSqlError::StatementError, nativeCode);
    QCOMPARE(mDatabase::IsConflict(error), conflict);
}

void tst_SettleConcurrency::settleAllFromManyWorkstations()
{
    if (!TestDatabase::isPostgres())
        QSKIP("several workstations at once need a database server");
    TestDatabase db;
    ScriptedPrompter prompts;
    PELKOR_FRESH_DATABASE(db);
    QVERIFY(ExecuteSQL(QStringLiteral(
        "insert into Customer(Account,Address,Status,StationID) values(1,'人民路1号','1',1)")));
    for (int n = 0; n < 200; ++n)
        QVERIFY(addOrder(1, 1 + n % 7) > 0);
    QVERIFY(mDatabase::SetSysValue(QStringLiteral("AutoDataRefresh"), QStringLiteral("1")));
    const ConnectionTarget t = mDatabase::currentTarget();
    const QString url = QStringLiteral("pgsql://%1:%2@%3:%4/%5")
                            .arg(t.user, t.password, t.host, QString::number(t.port), t.database);
    const int workers = qEnvironmentVariableIntValue("PELKOR_SETTLE_WORKERS") > 0
        ? qEnvironmentVariableIntValue("PELKOR_SETTLE_WORKERS")
        : 16;
    const int rounds = 16;
    QList<QProcess *> running;
    for (int worker = 1; worker <= workers; ++worker) {
        auto *p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PELKOR_SETTLE_WORKER"),
            QStringLiteral("%1;%2;%3").arg(QString::number(worker), QString::number(rounds), url));
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedChannels);
        p->start(QCoreApplication::applicationFilePath(), {});
        running << p;
    }
    int failedWorkers = 0;
    for (QProcess *p : running) {
        QVERIFY(p->waitForFinished(300000));
        QVERIFY(p->exitCode() == 0 || p->exitCode() == 1);
        failedWorkers += p->exitCode();
    }
    QCOMPARE(failedWorkers, 0);
    // Nothing half-applied: whatever settled, settled whole.
    const auto rs = mDatabase::OpenRecordset(QStringLiteral(
        "select count(*) from Sale where (InMoney<>0 and InMoney<>TotalMoney) or (OutAmount<>0 "
        "and OutAmount<>TotalAmount) or (InContainer<>0 and InContainer<>TotalContainer)"));
    QVERIFY(rs);
    QCOMPARE(rs->value(0, 0).toInt(), 0);
    db.dropAll();
}

int main(int argc, char *argv[])
{
    const QByteArray worker = qgetenv("PELKOR_SETTLE_WORKER");
    if (!worker.isEmpty()) {
        QApplication app(argc, argv);
        const QStringList parts = QString::fromUtf8(worker).split(QLatin1Char(';'));
        const ScopedSession session(ScopedSession::headStation());
        return runWorker(parts.value(2), parts.value(0).toInt(), parts.value(1).toInt());
    }
    QApplication app(argc, argv);
    tst_SettleConcurrency test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settleconcurrency.moc"
