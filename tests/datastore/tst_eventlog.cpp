#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/eventlog.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString read(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class tst_EventLog : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void shownErrorsAreLogged();
    void failedStatementsWithoutPasswords();
    void keepsOneOldCopy();
    void defaultPlace();

private:
    TestDatabase m_db;
    ScriptedPrompter *m_prompts = nullptr;
    QTemporaryDir *m_dir = nullptr;
    QString m_log;
};

void tst_EventLog::init()
{
    m_dir = new QTemporaryDir;
    m_log = m_dir->filePath(QStringLiteral("state/Pelkor/pelkor.log"));
    qputenv("PELKOR_LOG", QFile::encodeName(m_log));
    m_prompts = new ScriptedPrompter;
}

void tst_EventLog::cleanup()
{
    mDatabase::CloseConnection();
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
    delete m_dir;
    m_dir = nullptr;
}

void tst_EventLog::shownErrorsAreLogged()
{
    Prompt::error(QStringLiteral("保存失败\n第二行"), QStringLiteral("系统错误"));
    Prompt::information(QStringLiteral("已保存"), QStringLiteral("提示"));
    const QStringList lines = read(m_log).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Only the error, on one line, with its title; the folder was made.
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().endsWith(QStringLiteral("[系统错误] 保存失败 ⏎ 第二行")),
        qPrintable(lines.first()));
    QVERIFY(QDateTime::fromString(lines.first().left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                .isValid());
}

void tst_EventLog::failedStatementsWithoutPasswords()
{
    PELKOR_FRESH_DATABASE(m_db);
    QVERIFY(!mDatabase::ExecuteSQL(QStringLiteral("update NoSuchTable set Name='O''Brien'")));
    QVERIFY(!mDatabase::ExecuteSQL(
        QStringLiteral("update SysUser set Pwd='s3cret''x', NoSuchColumn=1 where Name='admin'")));
    const QString log = read(m_log);
    QVERIFY2(log.contains(QStringLiteral("语句：update NoSuchTable set Name='O''Brien'")),
        qPrintable(log));
    QVERIFY(log.contains(QStringLiteral("update SysUser set Pwd='***', NoSuchColumn=1")));
    QVERIFY(!log.contains(QStringLiteral("s3cret")));
    QVERIFY(!log.contains(QStringLiteral("admin")));
    // The message the operator saw is there too.
    QVERIFY(log.contains(QStringLiteral("[")));
    QCOMPARE(EventLog::safeStatement(QStringLiteral("select * from Sale where Detail='pwd'")),
        QStringLiteral("select * from Sale where Detail='***'"));
    QCOMPARE(EventLog::safeStatement(QStringLiteral("select 'x'")), QStringLiteral("select 'x'"));
}

void tst_EventLog::keepsOneOldCopy()
{
    const QString chunk(1000, QLatin1Char('x'));
    for (int i = 0; i < 1100; ++i)
        EventLog::write(chunk);
    const QString old = m_log + QStringLiteral(".1");
    QVERIFY(QFile::exists(old));
    QVERIFY(QFileInfo(m_log).size() < QFileInfo(old).size());
    // Another round replaces the old copy; never more than two files.
    EventLog::write(QStringLiteral("first after the turn"));
    for (int i = 0; i < 1100; ++i)
        EventLog::write(chunk);
    QVERIFY(read(old).contains(QStringLiteral("first after the turn")));
    QVERIFY(!QFile::exists(m_log + QStringLiteral(".2")));
    QVERIFY(QFileInfo(old).size() <= EventLog::MaxBytes + 2 * 1100);
}

void tst_EventLog::defaultPlace()
{
    qunsetenv("PELKOR_LOG");
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_dir->path()));
    QCOMPARE(EventLog::filePath(), m_dir->filePath(QStringLiteral("Pelkor/pelkor.log")));
    qunsetenv("XDG_STATE_HOME");
    QCOMPARE(
        EventLog::filePath(), QDir::homePath() + QStringLiteral("/.local/state/Pelkor/pelkor.log"));
}

QTEST_GUILESS_MAIN(tst_EventLog)
#include "tst_eventlog.moc"
