#include "singleinstance.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

struct Finished {
    bool ok = false;
    int exitCode = -1;
    qint64 elapsedMs = 0;
    QByteArray out;
    QByteArray err;
};

} // namespace

class tst_Startup : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void onlyOneHolderPerLockFile();
    void lockFilesAreIndependent();
    void lockPathFollowsEnvironment();

    void secondCopyLeavesQuietly();
    void copyAlongsideRunningProgramLeavesQuietly();
    void versionOption();
    void helpOption();

private:
    QProcessEnvironment childEnvironment(const QString &lockPath) const;
    Finished runProgram(
        const QStringList &arguments, const QString &lockPath, int timeoutMs = 15000);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_Startup::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_Startup::cleanup()
{
    m_dir.reset();
}

QProcessEnvironment tst_Startup::childEnvironment(const QString &lockPath) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // Never the workstation's real settings, and nothing left behind.
    env.insert(QStringLiteral("PELKOR_REGISTRY"), m_dir->filePath(QStringLiteral("registry")));
    env.insert(QStringLiteral("PELKOR_INSTANCE_LOCK"), lockPath);
    const QString runtime = m_dir->filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    return env;
}

Finished tst_Startup::runProgram(
    const QStringList &arguments, const QString &lockPath, int timeoutMs)
{
    Finished result;
    QProcess process;
    process.setProcessEnvironment(childEnvironment(lockPath));
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(PELKOR_BINARY), arguments);
    if (!process.waitForStarted(timeoutMs))
        return result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    result.elapsedMs = clock.elapsed();
    result.ok = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

void tst_Startup::onlyOneHolderPerLockFile()
{
    const QString path = m_dir->filePath(QStringLiteral("pelkor.lock"));
    auto first = std::make_unique<SingleInstance>(path);
    QVERIFY(first->acquire());
    QVERIFY(QFileInfo::exists(path));

    SingleInstance second(path);
    QVERIFY(!second.acquire());
    // Asking again changes nothing while the first copy lives.
    QVERIFY(!second.acquire());
    SingleInstance third(path);
    QVERIFY(!third.acquire());

    first.reset();
    QVERIFY(second.acquire());
    QVERIFY(!third.acquire());
}

void tst_Startup::lockFilesAreIndependent()
{
    SingleInstance a(m_dir->filePath(QStringLiteral("a.lock")));
    SingleInstance b(m_dir->filePath(QStringLiteral("b.lock")));
    QVERIFY(a.acquire());
    QVERIFY(b.acquire());

    // A fresh object on a path whose holder has gone can take it over.
    auto c = std::make_unique<SingleInstance>(m_dir->filePath(QStringLiteral("c.lock")));
    QVERIFY(c->acquire());
    c.reset();
    SingleInstance again(m_dir->filePath(QStringLiteral("c.lock")));
    QVERIFY(again.acquire());
}

void tst_Startup::lockPathFollowsEnvironment()
{
    const QByteArray saved = qgetenv("PELKOR_INSTANCE_LOCK");
    const bool wasSet = qEnvironmentVariableIsSet("PELKOR_INSTANCE_LOCK");
    const QString path = m_dir->filePath(QStringLiteral("from-env.lock"));

    qputenv("PELKOR_INSTANCE_LOCK", path.toLocal8Bit());
    const QString fromEnvironment = SingleInstance::defaultLockPath();
    qunsetenv("PELKOR_INSTANCE_LOCK");
    const QString standard = SingleInstance::defaultLockPath();
    if (wasSet)
        qputenv("PELKOR_INSTANCE_LOCK", saved);

    QCOMPARE(fromEnvironment, path);
    QVERIFY(standard != path);
    QCOMPARE(QFileInfo(standard).fileName(), QStringLiteral("pelkor.lock"));
}

void tst_Startup::secondCopyLeavesQuietly()
{
    const QString lock = m_dir->filePath(QStringLiteral("held.lock"));
    SingleInstance running(lock);
    QVERIFY(running.acquire());

    const Finished run = runProgram({}, lock);
    QVERIFY2(run.ok, "the second copy did not end by itself");
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.elapsedMs < 5000, qPrintable(QString::number(run.elapsedMs)));
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err, QByteArray());

    // The copy that gave way left the running one's lock alone.
    QVERIFY(QFileInfo::exists(lock));
    SingleInstance latecomer(lock);
    QVERIFY(!latecomer.acquire());
}

void tst_Startup::copyAlongsideRunningProgramLeavesQuietly()
{
    const QString lock = m_dir->filePath(QStringLiteral("program.lock"));
    const QString database = m_dir->filePath(QStringLiteral("pelkor.db"));

    // The first copy gets past the lock and waits in its splash or login
    // window, which nobody answers.
    QProcess first;
    first.setProcessEnvironment(childEnvironment(lock));
    first.start(QStringLiteral(PELKOR_BINARY),
        {QStringLiteral("--database"), QStringLiteral("sqlite:") + database});
    QVERIFY(first.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(lock).size() > 0, 10000);
    QCOMPARE(first.state(), QProcess::Running);

    const Finished second = runProgram({}, lock);
    const bool firstStillRunning = first.state() == QProcess::Running;
    first.kill();
    first.waitForFinished(5000);

    QVERIFY2(second.ok, "the second copy did not end by itself");
    QCOMPARE(second.exitCode, 0);
    QVERIFY2(second.elapsedMs < 5000, qPrintable(QString::number(second.elapsedMs)));
    QCOMPARE(second.out, QByteArray());
    QCOMPARE(second.err, QByteArray());
    QVERIFY(firstStillRunning);
}

void tst_Startup::versionOption()
{
    const Finished run
        = runProgram({QStringLiteral("--version")}, m_dir->filePath(QStringLiteral("v.lock")));
    QVERIFY(run.ok);
    QCOMPARE(run.exitCode, 0);
    const QString out = QString::fromUtf8(run.out);
    QVERIFY2(out.contains(QStringLiteral(PELKOR_VERSION)), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("Pelkor")), qPrintable(out));
    // Printing the version is all it does: no lock was taken.
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("v.lock"))));
}

void tst_Startup::helpOption()
{
    const Finished run
        = runProgram({QStringLiteral("--help")}, m_dir->filePath(QStringLiteral("h.lock")));
    QVERIFY(run.ok);
    QCOMPARE(run.exitCode, 0);
    const QString out = QString::fromUtf8(run.out);
    QVERIFY2(out.contains(QStringLiteral("--database")), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("--demo")), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("--version")), qPrintable(out));
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("h.lock"))));
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
