#include "datastore/connectiontarget.h"
#include "datastore/mdatabase.h"
#include "datastore/sqlitebackup.h"
#include "datastore/transaction.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <set>

namespace {

bool open(const QString &file)
{
    ConnectionTarget target;
    QString error;
    if (!ConnectionTarget::fromUrl(QStringLiteral("sqlite:") + file, &target, &error)
        || !mDatabase::OpenConnection(target, &error)) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    return true;
}

// One order with its three lines, in one transaction, as a save does.
qint64 saveOrder(int n)
{
    mDatabase::Transaction tx;
    if (!tx)
        return 0;
    const qint64 id = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Sale(CustomerID,TotalAmount,Detail,FinishFlag,StationID) "
                       "values(1,3,%1,'0',1)")
            .arg(mDatabase::SqlStr(QString::number(n))));
    if (id <= 0)
        return 0;
    for (int line = 1; line <= 3; ++line)
        if (!mDatabase::ExecuteSQL(
                QStringLiteral("insert into Sale_detail(SaleID,ProductID,MyAmount) values(%1,%2,1)")
                    .arg(QString::number(id), QString::number(line))))
            return 0;
    return tx.commit() ? id : 0;
}

// A workstation saving orders as fast as it can; each committed order's ID
// goes to standard output at once.
int runWriter(const QString &file, int orders)
{
    if (!open(file))
        return 1;
    for (int n = 0; n < orders; ++n) {
        const qint64 id = saveOrder(n);
        if (id <= 0)
            return 2;
        std::printf("%lld\n", static_cast<long long>(id));
        std::fflush(stdout);
    }
    return 0;
}

struct Content {
    bool ok = false;
    std::set<qint64> sales;
    int salesWithoutThreeLines = 0;
    int linesWithoutSale = 0;
};

Content readCopy(const QString &file)
{
    Content c;
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            c.ok = q.exec(QStringLiteral("select ID from Sale"));
            while (q.next())
                c.sales.insert(q.value(0).toLongLong());
            c.ok = c.ok
                && q.exec(QStringLiteral("select count(*) from Sale s where (select count(*) "
                                         "from Sale_detail d where d.SaleID=s.ID)<>3"))
                && q.next();
            c.salesWithoutThreeLines = q.value(0).toInt();
            c.ok = c.ok
                && q.exec(QStringLiteral("select count(*) from Sale_detail d where not exists "
                                         "(select 1 from Sale s where s.ID=d.SaleID)"))
                && q.next();
            c.linesWithoutSale = q.value(0).toInt();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return c;
}

} // namespace

class tst_SqliteBackup : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void backupWhileAnotherProcessSaves();
    void refusals();
    void refusalsSayWhatToDo_data();
    void refusalsSayWhatToDo();
    void restoreKeepsTheReplacedDatabase();
    void restoreNeverReadsTheOldLog();

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_db;
};

void tst_SqliteBackup::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    m_db = m_dir->filePath(QStringLiteral("pelkor.db"));
    QVERIFY(open(m_db));
}

void tst_SqliteBackup::cleanup()
{
    mDatabase::CloseConnection();
    delete m_dir;
    m_dir = nullptr;
}

void tst_SqliteBackup::backupWhileAnotherProcessSaves()
{
    mDatabase::CloseConnection();
    const int orders = 600;
    QProcess writer;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PELKOR_BACKUP_WRITER"),
        QStringLiteral("%1;%2").arg(m_db, QString::number(orders)));
    writer.setProcessEnvironment(env);
    writer.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(writer.waitForStarted());

    std::set<qint64> committed;
    auto collect = [&] {
        while (writer.canReadLine())
            committed.insert(writer.readLine().trimmed().toLongLong());
    };
    int taken = 0;
    int duringSaves = 0;
    while (writer.state() != QProcess::NotRunning || taken == 0) {
        writer.waitForReadyRead(20);
        collect();
        // What was reported as saved before the copy began must be in it.
        const std::set<qint64> before = committed;
        const bool running = writer.state() == QProcess::Running;
        const QString copy = m_dir->filePath(QStringLiteral("copy%1.db").arg(taken++));
        QString error;
        QVERIFY2(SqliteBackup::backup(m_db, copy, &error), qPrintable(error));
        QVERIFY2(SqliteBackup::check(copy, &error), qPrintable(error));
        const Content c = readCopy(copy);
        QVERIFY(c.ok);
        QCOMPARE(c.salesWithoutThreeLines, 0);
        QCOMPARE(c.linesWithoutSale, 0);
        for (qint64 id : before)
            QVERIFY2(c.sales.count(id), qPrintable(QString::number(id)));
        if (running && c.sales.size() > 0 && int(c.sales.size()) < orders)
            ++duringSaves;
        QVERIFY(!QFile::exists(copy + QStringLiteral(".part")));
    }
    if (writer.state() != QProcess::NotRunning)
        QVERIFY(writer.waitForFinished());
    collect();
    QCOMPARE(writer.exitCode(), 0);
    QCOMPARE(int(committed.size()), orders);
    // The copies were taken while the orders were being saved, not after.
    QVERIFY2(duringSaves > 0, qPrintable(QString::number(taken)));
    const QString last = m_dir->filePath(QStringLiteral("last.db"));
    QString error;
    QVERIFY(SqliteBackup::backup(m_db, last, &error));
    QCOMPARE(int(readCopy(last).sales.size()), orders);
}

void tst_SqliteBackup::refusals()
{
    QVERIFY(saveOrder(1) > 0);
    QString error;
    // An existing file is never overwritten.
    const QString taken = m_dir->filePath(QStringLiteral("taken.db"));
    QFile file(taken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("mine");
    file.close();
    QVERIFY(!SqliteBackup::backup(m_db, taken, &error));
    QVERIFY(error.contains(QStringLiteral("已经存在")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("mine"));
    file.close();
    // No database to copy; a folder that cannot be written.
    error.clear();
    QVERIFY(!SqliteBackup::backup(m_dir->filePath(QStringLiteral("none.db")),
        m_dir->filePath(QStringLiteral("x.db")), &error));
    QVERIFY(!error.isEmpty());
    error.clear();
    QVERIFY(!SqliteBackup::backup(m_db, QStringLiteral("/proc/pelkor/x.db"), &error));
    QVERIFY(!error.isEmpty());
    // Not a database, and a database of something else.
    QVERIFY(!SqliteBackup::check(taken, &error));
    const QString other = m_dir->filePath(QStringLiteral("other.db"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("o"));
        db.setDatabaseName(other);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("create table t(x)")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("o"));
    error.clear();
    QVERIFY(!SqliteBackup::check(other, &error));
    QVERIFY2(error.contains(QStringLiteral("不是本系统的数据库")), qPrintable(error));
    // A quote in the name is only a character of the name.
    const QString quoted = m_dir->filePath(QStringLiteral("O'Brien's copy.db"));
    QVERIFY2(SqliteBackup::backup(m_db, quoted, &error), qPrintable(error));
    QCOMPARE(int(readCopy(quoted).sales.size()), 1);
}

void tst_SqliteBackup::refusalsSayWhatToDo_data()
{
    QTest::addColumn<QString>("task");
    QTest::addColumn<QString>("file"); // in the test's folder unless absolute
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("told");

    QTest::newRow("backup into a missing folder")
        << "backup"
        << "/nonexistent/x.db" << QByteArray() << "不存在。请先建立";
    QTest::newRow("backup onto a file used as folder")
        << "backup"
        << "plain/x.db" << QByteArray("text") << "不是文件夹。请换";
    QTest::newRow("restore of a missing file") << "restore"
                                               << "missing.db" << QByteArray() << "请检查路径";
    QTest::newRow("restore of text")
        << "restore"
        << "garbage.db" << QByteArray(4096, 'x') << "不是数据库文件。请换用";
    QTest::newRow("restore of an empty file")
        << "restore"
        << "empty.db" << QByteArray("") << "不是本系统的数据库。请换用";
}

void tst_SqliteBackup::refusalsSayWhatToDo()
{
    QFETCH(QString, task);
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QString, told);

    const QString path = file.startsWith(QLatin1Char('/')) ? file : m_dir->filePath(file);
    if (!content.isNull()) {
        // For the folder row the content goes where the folder should be.
        QFile made(file.contains(QLatin1Char('/')) && !file.startsWith(QLatin1Char('/'))
                ? m_dir->filePath(file.section(QLatin1Char('/'), 0, 0))
                : path);
        QVERIFY(made.open(QIODevice::WriteOnly));
        made.write(content);
    }
    QVERIFY(saveOrder(1) > 0);
    mDatabase::CloseConnection();
    QString error;
    const bool done = task == QLatin1String("backup") ? SqliteBackup::backup(m_db, path, &error)
                                                      : SqliteBackup::restore(path, m_db, &error);
    QVERIFY(!done);
    QVERIFY2(error.contains(told), qPrintable(error));
    // The driver's own words name no remedy.
    for (const char *internal : {"unable", "file is not a database", "无法获取行", "无法执行语句"})
        QVERIFY2(!error.contains(QLatin1String(internal)), qPrintable(error));
    QCOMPARE(int(readCopy(m_db).sales.size()), 1);
}

void tst_SqliteBackup::restoreKeepsTheReplacedDatabase()
{
    const qint64 first = saveOrder(1);
    QVERIFY(first > 0);
    const QString copy = m_dir->filePath(QStringLiteral("copy.db"));
    QString error;
    QVERIFY(SqliteBackup::backup(m_db, copy, &error));
    const qint64 second = saveOrder(2);
    QVERIFY(second > 0);
    mDatabase::CloseConnection();

    // A broken backup changes nothing.
    const QString broken = m_dir->filePath(QStringLiteral("broken.db"));
    QVERIFY(QFile::copy(copy, broken));
    QFile cut(broken);
    QVERIFY(cut.resize(1000));
    QVERIFY(!SqliteBackup::restore(broken, m_db, &error));
    QCOMPARE(readCopy(m_db).sales, (std::set<qint64>{first, second}));

    QVERIFY2(SqliteBackup::restore(copy, m_db, &error), qPrintable(error));
    QCOMPARE(readCopy(m_db).sales, std::set<qint64>{first});
    QCOMPARE(readCopy(m_db + QStringLiteral(".before-restore")).sales,
        (std::set<qint64>{first, second}));
    // The program opens the restored database and goes on from there.
    QVERIFY(open(m_db));
    QVERIFY(saveOrder(3) > first);
    QCOMPARE(readCopy(m_db).sales.size(), size_t(2));
}

void tst_SqliteBackup::restoreNeverReadsTheOldLog()
{
    const qint64 first = saveOrder(1);
    QVERIFY(first > 0);
    const QString copy = m_dir->filePath(QStringLiteral("copy.db"));
    QString error;
    QVERIFY(SqliteBackup::backup(m_db, copy, &error));
    QVERIFY(saveOrder(2) > 0);
    // A database whose latest orders are still in its write-ahead log, as a
    // program that was killed leaves it, under a Chinese name.
    const QString victim = m_dir->filePath(QStringLiteral("水站 数据库.db"));
    QVERIFY(QFile::copy(m_db, victim));
    QVERIFY(QFile::exists(m_db + QStringLiteral("-wal")));
    QVERIFY(QFile::copy(m_db + QStringLiteral("-wal"), victim + QStringLiteral("-wal")));
    mDatabase::CloseConnection();
    QVERIFY(QFile::exists(victim + QStringLiteral("-wal")));

    QVERIFY2(SqliteBackup::restore(copy, victim, &error), qPrintable(error));
    QVERIFY(!QFile::exists(victim + QStringLiteral("-wal")));
    QCOMPARE(readCopy(victim).sales, std::set<qint64>{first});
    QCOMPARE(readCopy(victim + QStringLiteral(".before-restore")).sales.size(), size_t(2));
    QVERIFY(!QFile::exists(victim + QStringLiteral(".replaced")));
}

int main(int argc, char *argv[])
{
    const QByteArray writer = qgetenv("PELKOR_BACKUP_WRITER");
    QCoreApplication app(argc, argv);
    if (!writer.isEmpty()) {
        const QStringList parts = QString::fromUtf8(writer).split(QLatin1Char(';'));
        return runWriter(parts.value(0), parts.value(1).toInt());
    }
    tst_SqliteBackup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sqlitebackup.moc"
