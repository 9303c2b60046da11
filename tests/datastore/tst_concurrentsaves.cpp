#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "datastore/transaction.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QProcess>
#include <QTest>
#include <QTextStream>
#include <QThread>

using namespace mDatabase;

// Several workstations saving into one database at the same moment. The
// workers are this very program started again as child processes, each with
// its own connection, as the workstations have.
namespace {

const char WorkerTarget[] = "PELKOR_SAVE_WORKER_TARGET";
const char WorkerSaves[] = "PELKOR_SAVE_WORKER_SAVES";
const char WorkerName[] = "PELKOR_SAVE_WORKER_NAME";
const char WorkerStart[] = "PELKOR_SAVE_WORKER_START";

constexpr int Workers = 4;
constexpr int SavesPerWorker = 150;

// Counts what the person at the screen would have been told.
class CountingPrompter : public Prompt::Handler {
public:
    int ask(const Prompt::Request &request) override
    {
        ++messages;
        QTextStream(stderr) << request.text << Qt::endl;
        return request.defaultButton;
    }
    int messages = 0;
};

// One save the way the writers do it: read, then write two rows, in one
// transaction. A read before the first write is what makes a transaction
// that begins late trip over the other writers.
bool saveOnce(const QString &worker, int n)
{
    Transaction tx;
    if (!tx)
        return false;
    const auto rs = OpenRecordset(QStringLiteral("select count(*) as N from Station"));
    if (!rs)
        return false;
    const QString name = QStringLiteral("%1-%2").arg(worker, QString::number(n));
    if (!ExecuteSQL(
            QStringLiteral("insert into Station(Name,Status) values(%1,'1')").arg(SqlStr(name))))
        return false;
    if (!ExecuteSQL(QStringLiteral("insert into SysValue(Name,myValue) values(%1,%2)")
                        .arg(SqlStr(name), SqlStr(rs->value(0, QStringLiteral("N")).toString()))))
        return false;
    return tx.commit();
}

int runWorker()
{
    CountingPrompter prompts;
    Prompt::setHandler(&prompts);
    ConnectionTarget target;
    QString error;
    if (!ConnectionTarget::fromUrl(qEnvironmentVariable(WorkerTarget), &target, &error)
        || !OpenConnection(target, &error)) {
        QTextStream(stderr) << error << Qt::endl;
        return 100;
    }
    const int saves = qEnvironmentVariableIntValue(WorkerSaves);
    const QString worker = qEnvironmentVariable(WorkerName);
    // All workers start saving at the same moment, not one after another as
    // their processes happen to come up.
    const qint64 start = qEnvironmentVariable(WorkerStart).toLongLong();
    while (QDateTime::currentMSecsSinceEpoch() < start)
        QThread::msleep(1);
    int failed = 0;
    for (int i = 0; i < saves; ++i) {
        if (!saveOnce(worker, i))
            ++failed;
    }
    CloseConnection();
    Prompt::setHandler(nullptr);
    QTextStream(stdout) << failed << Qt::endl;
    return 0;
}

// How the worker finds the test's database again: the target as a URL.
QString targetUrl(const ConnectionTarget &t)
{
    if (t.kind == SqlDialect::SQLite)
        return QStringLiteral("sqlite:") + t.host;
    QUrl url;
    url.setScheme(QStringLiteral("pgsql"));
    url.setHost(t.host);
    if (t.port > 0)
        url.setPort(t.port);
    url.setUserName(t.user);
    url.setPassword(t.password);
    url.setPath(QLatin1Char('/') + t.database);
    return url.toString();
}

} // namespace

class tst_ConcurrentSaves : public QObject {
    Q_OBJECT

private slots:
    void fourWorkstationsSaveAtOnce();

private:
    TestDatabase m_db;
};

void tst_ConcurrentSaves::fourWorkstationsSaveAtOnce()
{
    PELKOR_FRESH_DATABASE(m_db);
    const ConnectionTarget target = currentTarget();
    const int stationsBefore = GetSumValue(QStringLiteral("Station"), {}, QStringLiteral("1"));
    CloseConnection();

    QList<QProcess *> workers;
    const qint64 start = QDateTime::currentMSecsSinceEpoch() + 1500;
    for (int w = 0; w < Workers; ++w) {
        auto *p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(WorkerTarget), targetUrl(target));
        env.insert(QString::fromLatin1(WorkerSaves), QString::number(SavesPerWorker));
        env.insert(QString::fromLatin1(WorkerName), QStringLiteral("w%1").arg(w));
        env.insert(QString::fromLatin1(WorkerStart), QString::number(start));
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::SeparateChannels);
        workers << p;
    }
    for (QProcess *p : std::as_const(workers))
        p->start(QCoreApplication::applicationFilePath(), {});

    int failed = 0;
    for (QProcess *p : std::as_const(workers)) {
        QVERIFY(p->waitForFinished(120000));
        const QByteArray err = p->readAllStandardError();
        QCOMPARE(p->exitCode(), 0);
        bool ok = false;
        const int n = QString::fromUtf8(p->readAllStandardOutput()).trimmed().toInt(&ok);
        QVERIFY2(ok, err.constData());
        if (n > 0)
            qInfo().noquote() << QString::fromUtf8(err).left(500);
        failed += n;
    }
    qInfo("%d of %d saves failed", failed, Workers * SavesPerWorker);

    QString error;
    QVERIFY2(OpenConnection(target, &error), qPrintable(error));
    QCOMPARE(failed, 0);
    const int stationsAfter = GetSumValue(QStringLiteral("Station"), {}, QStringLiteral("1"));
    QCOMPARE(stationsAfter - stationsBefore, Workers * SavesPerWorker);
    CloseConnection();
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(WorkerTarget))
        return runWorker();
    tst_ConcurrentSaves test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_concurrentsaves.moc"
