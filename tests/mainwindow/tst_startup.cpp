#include "common/scriptedprompter.h"
#include "mainwindow/mgrpapp.h"
#include "shell/singleinstance.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <stdexcept>

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

    void databaseKind_data();
    void databaseKind();
    void unknownDatabaseKindEndsWithUsageStatus();

    void secondStartAsksHolderToShow();
    void askingWithoutHolderFails();
    void runningProgramAnswersSecondStart();
    void bringToFrontPrefersWaitingDialog();

    void startupErrorIsShown();
    void unknownStartupErrorIsShown();

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

void tst_Startup::databaseKind_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("understood");

    QTest::newRow("unknown kind") << QStringLiteral("foo:bar") << false;
    QTest::newRow("unknown url") << QStringLiteral("mysql://root@localhost/pelkor") << false;
    QTest::newRow("sqlite") << QStringLiteral("sqlite:/tmp/pelkor.db") << true;
    QTest::newRow("sqlite upper case") << QStringLiteral("SQLite:/tmp/pelkor.db") << true;
    QTest::newRow("pgsql url") << QStringLiteral("pgsql://u:p@127.0.0.1:5432/pelkor") << true;
    QTest::newRow("postgresql url") << QStringLiteral("postgresql://u@db/pelkor") << true;
    QTest::newRow("pgsql host") << QStringLiteral("pgsql:db.example:5432/pelkor") << true;
    QTest::newRow("mssql url") << QStringLiteral("mssql://sa:pw@server/Pelkor") << true;
    QTest::newRow("bare host") << QStringLiteral("SERVER01") << true;
    QTest::newRow("host and port") << QStringLiteral("server01:1433") << true;
    QTest::newRow("nothing") << QString() << true;
}

void tst_Startup::databaseKind()
{
    QFETCH(QString, url);
    QFETCH(bool, understood);
    const QString problem = mGrpApp::databaseKindProblem(url);
    QCOMPARE(problem.isEmpty(), understood);
    if (!understood) {
        // It names what was typed and every kind that would have worked.
        QVERIFY2(problem.contains(url.section(QLatin1Char(':'), 0, 0)), qPrintable(problem));
        for (const char *kind : {"sqlite:", "pgsql://", "mssql://"})
            QVERIFY2(problem.contains(QLatin1String(kind)), qPrintable(problem));
    }
}

void tst_Startup::unknownDatabaseKindEndsWithUsageStatus()
{
    const QString lock = m_dir->filePath(QStringLiteral("u.lock"));
    const Finished run
        = runProgram({QStringLiteral("--database"), QStringLiteral("foo:bar")}, lock);
    QVERIFY2(run.ok, "the program did not end by itself");
    QCOMPARE(run.exitCode, mGrpApp::UsageExitCode);
    QCOMPARE(run.exitCode, 2);
    const QString err = QString::fromUtf8(run.err);
    QVERIFY2(err.contains(QStringLiteral("foo")), qPrintable(err));
    QVERIFY2(err.contains(QStringLiteral("sqlite:")), qPrintable(err));
    QVERIFY2(err.contains(QStringLiteral("pgsql://")), qPrintable(err));
    QVERIFY2(err.contains(QStringLiteral("mssql://")), qPrintable(err));
    // Nothing was started: no lock, no window waiting for an answer.
    QVERIFY(!QFileInfo::exists(lock));
    QVERIFY2(run.elapsedMs < 5000, qPrintable(QString::number(run.elapsedMs)));
}

void tst_Startup::secondStartAsksHolderToShow()
{
    const QString path = m_dir->filePath(QStringLiteral("show.lock"));
    SingleInstance running(path);
    QVERIFY(running.acquire());
    QSignalSpy asked(&running, &SingleInstance::activationRequested);

    SingleInstance second(path);
    QVERIFY(!second.acquire());
    QVERIFY(second.activateRunning());
    QTRY_COMPARE(asked.count(), 1);

    SingleInstance third(path);
    QVERIFY(!third.acquire());
    QVERIFY(third.activateRunning());
    QTRY_COMPARE(asked.count(), 2);
}

void tst_Startup::askingWithoutHolderFails()
{
    const QString path = m_dir->filePath(QStringLiteral("gone.lock"));
    {
        SingleInstance earlier(path);
        QVERIFY(earlier.acquire());
    }
    // The copy that held it has ended: nobody answers, and the next start
    // takes over (a socket left behind does not stand in its way).
    SingleInstance asking(path);
    QVERIFY(!asking.activateRunning(200));
    SingleInstance next(path);
    QVERIFY(next.acquire());
    QSignalSpy asked(&next, &SingleInstance::activationRequested);
    QVERIFY(asking.activateRunning());
    QTRY_COMPARE(asked.count(), 1);
}

void tst_Startup::runningProgramAnswersSecondStart()
{
    const QString lock = m_dir->filePath(QStringLiteral("front.lock"));
    const QString database = m_dir->filePath(QStringLiteral("pelkor.db"));

    QProcess first;
    first.setProcessEnvironment(childEnvironment(lock));
    first.start(QStringLiteral(PELKOR_BINARY),
        {QStringLiteral("--database"), QStringLiteral("sqlite:") + database});
    QVERIFY(first.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(lock).size() > 0, 10000);

    // The running copy listens where a second start looks for it.
    QLocalSocket probe;
    const auto reached = [&] {
        probe.abort();
        probe.connectToServer(SingleInstance::serverName(lock));
        return probe.waitForConnected(500);
    };
    QTRY_VERIFY_WITH_TIMEOUT(reached(), 10000);
    probe.disconnectFromServer();

    const Finished second = runProgram({}, lock);
    const bool firstStillRunning = first.state() == QProcess::Running;
    first.kill();
    first.waitForFinished(5000);

    QVERIFY2(second.ok, "the second copy did not end by itself");
    QCOMPARE(second.exitCode, 0);
    QCOMPARE(second.out, QByteArray());
    QCOMPARE(second.err, QByteArray());
    QVERIFY(firstStillRunning);
}

void tst_Startup::bringToFrontPrefersWaitingDialog()
{
    QWidget main;
    main.setWindowTitle(QStringLiteral("main"));
    main.resize(300, 200);
    QWidget other;
    other.setWindowTitle(QStringLiteral("other"));
    other.resize(200, 100);
    main.show();
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));

    // Nothing waiting for an answer: the main window comes to the front.
    mGrpApp::bringToFront(&main);
    QTRY_COMPARE(QApplication::activeWindow(), &main);

    // A minimised main window is restored.
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    main.showMinimized();
    mGrpApp::bringToFront(&main);
    QTRY_VERIFY(!main.isMinimized());
    QTRY_COMPARE(QApplication::activeWindow(), &main);

    // A dialog waiting for the operator comes first, even before the main
    // window exists.
    QDialog login;
    login.setWindowTitle(QStringLiteral("login"));
    login.setWindowModality(Qt::ApplicationModal);
    login.show();
    QTRY_COMPARE(QApplication::activeModalWidget(), &login);
    other.activateWindow();
    mGrpApp::bringToFront(nullptr);
    QTRY_COMPARE(QApplication::activeWindow(), &login);
    mGrpApp::bringToFront(&main);
    QTRY_COMPARE(QApplication::activeWindow(), &login);
    login.close();
}

void tst_Startup::startupErrorIsShown()
{
    ScriptedPrompter before;
    ScriptedPrompter onScreen;
    Prompt::setHandler(&before);

    const int code = mGrpApp::guardStartup(&onScreen, []() -> int {
        // Whatever was shown before the failure went to the same handler.
        Prompt::information(QStringLiteral("连接成功"), QStringLiteral("提示"));
        throw std::runtime_error("磁盘已满");
    });
    QCOMPARE(code, 1);
    QCOMPARE(before.requests.size(), 0);
    QCOMPARE(onScreen.requests.size(), 2);
    const Prompt::Request &shown = onScreen.requests.at(1);
    QCOMPARE(shown.title, QStringLiteral("失败"));
    QCOMPARE(shown.icon, Prompt::Icon::Critical);
    QCOMPARE(shown.text, QStringLiteral("\n系统出现如下错误： #  0磁盘已满"));
    // The handler in place before start-up is back.
    QCOMPARE(Prompt::handler(), &before);

    // A start that ends normally passes its exit code on and shows nothing.
    onScreen.clear();
    QCOMPARE(mGrpApp::guardStartup(&onScreen, [] { return 7; }), 7);
    QCOMPARE(onScreen.requests.size(), 0);
    QCOMPARE(Prompt::handler(), &before);
}

void tst_Startup::unknownStartupErrorIsShown()
{
    ScriptedPrompter onScreen;
    const int code = mGrpApp::guardStartup(&onScreen, []() -> int { throw 42; });
    QCOMPARE(code, 1);
    QCOMPARE(onScreen.requests.size(), 1);
    QCOMPARE(onScreen.requests.at(0).title, QStringLiteral("失败"));
    QCOMPARE(onScreen.requests.at(0).icon, Prompt::Icon::Critical);
    QVERIFY(onScreen.requests.at(0).text.startsWith(QStringLiteral("\n系统出现如下错误： # ")));
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
