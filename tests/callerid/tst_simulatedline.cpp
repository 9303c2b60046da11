#include "callerid/ctapiline.h"
#include "callerid/linedevice.h"
#include "callerid/simulatedline.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace tapi;

// The simulated line, rung from a second process as `pelkor --ring` will.
class tst_SimulatedLine : public QObject {
    Q_OBJECT

private slots:
    void init();
    void listedFirstAndAlways();
    void socketIsPrivate();
    void ringFromAnotherProcess_data();
    void ringFromAnotherProcess();
    void ringWithoutProgramFails();
    void runningLineIsNotTakenOver();
    void leftoverSocketFileIsReplaced();
    void defaultSocketInRuntimeDirectory();

private:
    void openLine(cTAPILine &line);
    // Runs this test program as the ringing process.
    int ringFromChild(const QString &number, QString *errors = nullptr);

    QTemporaryDir m_dir;
    QString m_socket;
};

void tst_SimulatedLine::init()
{
    QVERIFY(m_dir.isValid());
    m_socket = m_dir.filePath(QStringLiteral("line"));
    LineSettings settings;
    settings.systemSerialPorts = false;
    settings.simulatedLineSocket = m_socket;
    setLineSettings(settings);
    clearExtraLineProviders();
}

void tst_SimulatedLine::openLine(cTAPILine &line)
{
    QVERIFY(line.Create());
    QCOMPARE(line.LineName(), QStringLiteral("模拟电话线路"));
    QVERIFY(line.OpenLine(LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM));
}

int tst_SimulatedLine::ringFromChild(const QString &number, QString *errors)
{
    QProcess child;
    child.start(
        QCoreApplication::applicationFilePath(), {QStringLiteral("--ring"), number, m_socket});
    // The event loop keeps running so that the line can answer.
    QSignalSpy finished(&child, &QProcess::finished);
    if (!finished.wait(10000)) {
        child.kill();
        child.waitForFinished();
        return -1;
    }
    if (errors)
        *errors = QString::fromLocal8Bit(child.readAllStandardError());
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

void tst_SimulatedLine::listedFirstAndAlways()
{
    LineSettings settings = lineSettings();
    settings.serverHost = QStringLiteral("127.0.0.1");
    setLineSettings(settings);
    cTAPILine line;
    QVERIFY(line.Create());
    QCOMPARE(line.numLines(), 2);
    QCOMPARE(line.CurrentLineID(), 0);
    QCOMPARE(line.LineName(), QStringLiteral("模拟电话线路"));
    QVERIFY(line.NegotiatedAPIVersion() != 0);
}

void tst_SimulatedLine::socketIsPrivate()
{
    cTAPILine line;
    openLine(line);
    const QFileInfo info(m_socket);
    QVERIFY(info.exists());
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
        | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(info.permissions() & others, QFile::Permissions());
    QVERIFY(line.CloseLine());
    QVERIFY(!QFileInfo::exists(m_socket));
}

void tst_SimulatedLine::ringFromAnotherProcess_data()
{
    QTest::addColumn<QString>("number");
    QTest::newRow("plain") << QStringLiteral("5551234");
    QTest::newRow("blanks kept") << QStringLiteral(" 5551234 ");
    QTest::newRow("apostrophe") << QStringLiteral("555'1234");
    QTest::newRow("chinese") << QStringLiteral("总机8001");
}

void tst_SimulatedLine::ringFromAnotherProcess()
{
    QFETCH(QString, number);
    cTAPILine line;
    openLine(line);
    QSignalSpy caller(&line, &cTAPILine::InfoCallerID);
    QSignalSpy idle(&line, &cTAPILine::Idle);
    QString errors;
    QCOMPARE(ringFromChild(number, &errors), 0);
    QVERIFY2(errors.isEmpty(), qPrintable(errors));
    QTRY_COMPARE_WITH_TIMEOUT(caller.count(), 1, 3000);
    QCOMPARE(caller.at(0).at(0).toString(), number);
    QTRY_COMPARE_WITH_TIMEOUT(idle.count(), 1, 3000);

    // A second call on the same line.
    QCOMPARE(ringFromChild(QStringLiteral("4270001")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(caller.count(), 2, 3000);
    QCOMPARE(caller.at(1).at(0).toString(), QStringLiteral("4270001"));
}

void tst_SimulatedLine::ringWithoutProgramFails()
{
    QString error;
    QVERIFY(!SimulatedLine::ring(QStringLiteral("5551234"), &error, m_socket));
    QVERIFY(!error.isEmpty());
    QString errors;
    QCOMPARE(ringFromChild(QStringLiteral("5551234"), &errors), 1);
    QVERIFY(!errors.isEmpty());
}

void tst_SimulatedLine::runningLineIsNotTakenOver()
{
    cTAPILine first;
    openLine(first);
    cTAPILine second;
    QVERIFY(second.Create());
    QVERIFY(!second.OpenLine(LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM));
    QCOMPARE(second.LastError(), LINEERR_ALLOCATED);
    QSignalSpy caller(&first, &cTAPILine::InfoCallerID);
    QCOMPARE(ringFromChild(QStringLiteral("5551234")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(caller.count(), 1, 3000);
}

void tst_SimulatedLine::leftoverSocketFileIsReplaced()
{
    QFile leftover(m_socket);
    QVERIFY(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    cTAPILine line;
    openLine(line);
    QSignalSpy caller(&line, &cTAPILine::InfoCallerID);
    QCOMPARE(ringFromChild(QStringLiteral("5551234")), 0);
    QTRY_COMPARE_WITH_TIMEOUT(caller.count(), 1, 3000);
}

void tst_SimulatedLine::defaultSocketInRuntimeDirectory()
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir runtime;
    QVERIFY(runtime.isValid());
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    const QString name = SimulatedLine::defaultSocketName();
    if (saved.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", saved);
    QCOMPARE(QFileInfo(name).absolutePath(), QFileInfo(runtime.path()).absoluteFilePath());
}

int main(int argc, char **argv)
{
    // Started by the test itself as the process that rings.
    if (argc == 4 && qstrcmp(argv[1], "--ring") == 0) {
        QCoreApplication app(argc, argv);
        QString error;
        const QStringList args = app.arguments();
        if (!SimulatedLine::ring(args.at(2), &error, args.at(3))) {
            std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
            return 1;
        }
        return 0;
    }
    QCoreApplication app(argc, argv);
    tst_SimulatedLine test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_simulatedline.moc"
