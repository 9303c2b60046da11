#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "shell/operatorstore.h"

#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

const QString ReadError = QStringLiteral("读取数据库时出现系统错误，错误信息：");
const QString UpdateError = QStringLiteral("更新数据库时出现系统错误，错误信息：");

qint64 addStation(const QString &name, const QString &status)
{
    return mDatabase::InsertAndGetID(
        QStringLiteral("insert into Station(Name,Status) values(%1,%2)")
            .arg(mDatabase::SqlStr(name), mDatabase::SqlStr(status)));
}

// A null password is written as SQL NULL, which is how old rows look.
qint64 addUser(const QString &name, const QVariant &password, qint64 stationId,
    const QString &status = QStringLiteral("1"), const QString &roles = QStringLiteral("01010101"),
    const QString &detail = QString())
{
    const QString pwd
        = password.isNull() ? QStringLiteral("NULL") : mDatabase::SqlStr(password.toString());
    return mDatabase::InsertAndGetID(
        QStringLiteral("insert into SysUser(Name,Pwd,rolestring,Detail,Status,StationID) "
                       "values(%1,%2,%3,%4,%5,%6)")
            .arg(mDatabase::SqlStr(name), pwd, mDatabase::SqlStr(roles), mDatabase::SqlStr(detail),
                mDatabase::SqlStr(status), QString::number(stationId)));
}

QStringList names(const QList<OperatorRecord> &list)
{
    QStringList out;
    for (const auto &op : list)
        out << op.name;
    out.sort();
    return out;
}

const OperatorRecord *byId(const QList<OperatorRecord> &list, qint64 id)
{
    const auto it = std::find_if(
        list.cbegin(), list.cend(), [id](const OperatorRecord &op) { return op.id == id; });
    return it == list.cend() ? nullptr : &*it;
}

} // namespace

class tst_OperatorStore : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void activeStationsSkipDisabledOnes();
    void activeUsersOfOneStation();
    void operatorFieldsAsStored();
    void allUsersIncludesDisabledOnes();
    void loadOneOperator();
    void passwordComparison_data();
    void passwordComparison();
    void setPasswordStoresTextExactly_data();
    void setPasswordStoresTextExactly();
    void setPasswordTouchesOnlyThatOperator();
    void failedReadIsReportedAndGivesNothing();
    void failedUpdateIsReported();

private:
    TestDatabase m_db;
    std::unique_ptr<ScriptedPrompter> m_prompter;
};

void tst_OperatorStore::init()
{
    m_prompter = std::make_unique<ScriptedPrompter>();
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_OperatorStore::cleanup()
{
    m_db.dropAll();
    m_prompter.reset();
}

void tst_OperatorStore::activeStationsSkipDisabledOnes()
{
    const qint64 east = addStation(QStringLiteral("东区"), QStringLiteral("1"));
    const qint64 west = addStation(QStringLiteral("西区"), QStringLiteral("0"));
    QVERIFY(east > 0 && west > 0);

    const auto stations = UserReader::activeStations();
    QVERIFY(stations);
    QCOMPARE(stations->size(), 2);
    QStringList shown;
    QList<qint64> ids;
    for (const StationEntry &s : *stations) {
        shown << s.name;
        ids << s.id;
    }
    shown.sort();
    std::sort(ids.begin(), ids.end());
    QCOMPARE(shown, (QStringList{QStringLiteral("东区"), QStringLiteral("总站")}));
    QCOMPARE(ids, (QList<qint64>{1, east}));
    QCOMPARE(m_prompter->texts(), QStringList());
}

void tst_OperatorStore::activeUsersOfOneStation()
{
    const qint64 east = addStation(QStringLiteral("东区"), QStringLiteral("1"));
    const qint64 ann = addUser(QStringLiteral("张三"), QStringLiteral("a"), east);
    addUser(QStringLiteral("李四"), QStringLiteral("b"), east, QStringLiteral("0"));
    const qint64 wang = addUser(QStringLiteral("王五"), QStringLiteral("c"), east);
    addUser(QStringLiteral("赵六"), QStringLiteral("d"), 1);

    const auto eastUsers = UserReader::activeUsers(east);
    QVERIFY(eastUsers);
    QCOMPARE(names(*eastUsers), (QStringList{QStringLiteral("张三"), QStringLiteral("王五")}));
    QVERIFY(byId(*eastUsers, ann));
    QVERIFY(byId(*eastUsers, wang));
    for (const auto &op : *eastUsers) {
        QCOMPARE(op.stationId, east);
        QVERIFY(op.active);
    }

    const auto headUsers = UserReader::activeUsers(1);
    QVERIFY(headUsers);
    QCOMPARE(
        names(*headUsers), (QStringList{QStringLiteral("系统管理员"), QStringLiteral("赵六")}));

    const auto nobody = UserReader::activeUsers(east + 100);
    QVERIFY(nobody);
    QVERIFY(nobody->isEmpty());
    QCOMPARE(m_prompter->texts(), QStringList());
}

void tst_OperatorStore::operatorFieldsAsStored()
{
    const qint64 plain = addUser(QStringLiteral("O'Brien"), QStringLiteral("  pw  "), 1,
        QStringLiteral("1"), QStringLiteral("10000001"), QStringLiteral("夜班 %1 \\ \"x\""));
    const qint64 nullPwd = addUser(QStringLiteral("无密码"), QVariant(), 1);

    const auto users = UserReader::activeUsers(1);
    QVERIFY(users);
    const OperatorRecord *p = byId(*users, plain);
    QVERIFY(p);
    QCOMPARE(p->name, QStringLiteral("O'Brien"));
    QCOMPARE(p->roleString, QStringLiteral("10000001"));
    QCOMPARE(p->detail, QStringLiteral("夜班 %1 \\ \"x\""));
    QCOMPARE(p->stationId, qint64(1));
    QVERIFY(p->active);
    // Blanks are kept as stored; the comparison ignores them.
    QCOMPARE(p->password, QStringLiteral("  pw  "));

    const OperatorRecord *n = byId(*users, nullPwd);
    QVERIFY(n);
    QCOMPARE(n->password, QString());
    QVERIFY(n->acceptsPassword(QString()));
    QVERIFY(n->acceptsPassword(QStringLiteral("   ")));
    QVERIFY(!n->acceptsPassword(QStringLiteral("x")));
}

void tst_OperatorStore::allUsersIncludesDisabledOnes()
{
    const qint64 east = addStation(QStringLiteral("东区"), QStringLiteral("0"));
    const qint64 gone
        = addUser(QStringLiteral("离职"), QStringLiteral("x"), 1, QStringLiteral("0"));
    const qint64 far = addUser(QStringLiteral("远方"), QStringLiteral("y"), east);

    const auto all = UserReader::allUsers();
    QVERIFY(all);
    QCOMPARE(all->size(), 3);
    const OperatorRecord *g = byId(*all, gone);
    QVERIFY(g);
    QVERIFY(!g->active);
    const OperatorRecord *f = byId(*all, far);
    QVERIFY(f);
    QVERIFY(f->active);
    QCOMPARE(f->stationId, east);
    const OperatorRecord *admin = byId(*all, 1);
    QVERIFY(admin);
    QCOMPARE(admin->name, QStringLiteral("系统管理员"));
}

void tst_OperatorStore::loadOneOperator()
{
    const qint64 id = addUser(QStringLiteral("张三"), QStringLiteral("pw"), 1, QStringLiteral("0"),
        QStringLiteral("11110000"), QStringLiteral("备注"));
    const auto op = UserReader::load(id);
    QVERIFY(op);
    QCOMPARE(op->id, id);
    QCOMPARE(op->name, QStringLiteral("张三"));
    QCOMPARE(op->password, QStringLiteral("pw"));
    QCOMPARE(op->roleString, QStringLiteral("11110000"));
    QCOMPARE(op->detail, QStringLiteral("备注"));
    QVERIFY(!op->active);

    QVERIFY(!UserReader::load(id + 1000));
    QCOMPARE(m_prompter->texts(), QStringList());
}

void tst_OperatorStore::passwordComparison_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("same") << QStringLiteral("secret") << QStringLiteral("secret") << true;
    QTest::newRow("stored blanks")
        << QStringLiteral("  secret ") << QStringLiteral("secret") << true;
    QTest::newRow("typed blanks") << QStringLiteral("secret") << QStringLiteral(" secret  ")
                                  << true;
    QTest::newRow("case counts") << QStringLiteral("Secret") << QStringLiteral("secret") << false;
    QTest::newRow("inner blank counts")
        << QStringLiteral("se cret") << QStringLiteral("secret") << false;
    QTest::newRow("empty against text") << QString() << QStringLiteral("x") << false;
    QTest::newRow("chinese") << QStringLiteral("密码") << QStringLiteral("密码") << true;
}

void tst_OperatorStore::passwordComparison()
{
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    const qint64 id = addUser(QStringLiteral("测试"), stored, 1);
    const auto op = UserReader::load(id);
    QVERIFY(op);
    QCOMPARE(op->acceptsPassword(typed), accepted);
}

void tst_OperatorStore::setPasswordStoresTextExactly_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("plain") << QStringLiteral("new-pass");
    QTest::newRow("empty") << QString();
    QTest::newRow("quotes") << QStringLiteral("it's \"quoted\"");
    QTest::newRow("placeholders") << QStringLiteral("%1%2 %3");
    QTest::newRow("backslashes") << QStringLiteral("a\\b\\\\c\\'");
    QTest::newRow("chinese and blanks") << QStringLiteral(" 新密码 ");
}

void tst_OperatorStore::setPasswordStoresTextExactly()
{
    QFETCH(QString, password);
    const qint64 id = addUser(QStringLiteral("张三"), QStringLiteral("old"), 1);
    QVERIFY(UserWriter::setPassword(id, password));
    QCOMPARE(m_prompter->texts(), QStringList());
    const auto op = UserReader::load(id);
    QVERIFY(op);
    QCOMPARE(op->password, password);
    QVERIFY(op->acceptsPassword(password));
    QVERIFY(!op->acceptsPassword(QStringLiteral("old")));
}

void tst_OperatorStore::setPasswordTouchesOnlyThatOperator()
{
    const qint64 a = addUser(QStringLiteral("甲"), QStringLiteral("pa"), 1);
    const qint64 b = addUser(QStringLiteral("乙"), QStringLiteral("pb"), 1);
    QVERIFY(UserWriter::setPassword(a, QStringLiteral("changed")));
    QCOMPARE(UserReader::load(a)->password, QStringLiteral("changed"));
    QCOMPARE(UserReader::load(b)->password, QStringLiteral("pb"));
    // The administrator row is untouched too.
    const auto all = UserReader::allUsers();
    QVERIFY(all);
    QCOMPARE(all->size(), 3);
    QVERIFY(byId(*all, 1));
    QVERIFY(byId(*all, 1)->password != QStringLiteral("changed"));
}

void tst_OperatorStore::failedReadIsReportedAndGivesNothing()
{
    QVERIFY(mDatabase::ExecuteSQL(QStringLiteral("drop table Station")));
    QVERIFY(!UserReader::activeStations());
    QCOMPARE(m_prompter->requests.size(), 1);
    QVERIFY2(m_prompter->requests.at(0).text.startsWith(ReadError),
        qPrintable(m_prompter->requests.at(0).text));
    QCOMPARE(m_prompter->requests.at(0).icon, Prompt::Icon::Critical);

    m_prompter->clear();
    QVERIFY(mDatabase::ExecuteSQL(QStringLiteral("drop table SysUser")));
    QVERIFY(!UserReader::activeUsers(1));
    QVERIFY(!UserReader::allUsers());
    QVERIFY(!UserReader::load(1));
    QCOMPARE(m_prompter->requests.size(), 3);
    for (const auto &r : m_prompter->requests)
        QVERIFY2(r.text.startsWith(ReadError), qPrintable(r.text));
}

void tst_OperatorStore::failedUpdateIsReported()
{
    QVERIFY(mDatabase::ExecuteSQL(QStringLiteral("drop table SysUser")));
    m_prompter->clear();
    QVERIFY(!UserWriter::setPassword(1, QStringLiteral("x")));
    QCOMPARE(m_prompter->requests.size(), 1);
    QVERIFY2(m_prompter->requests.at(0).text.startsWith(UpdateError),
        qPrintable(m_prompter->requests.at(0).text));
}

QTEST_MAIN(tst_OperatorStore)
#include "tst_operatorstore.moc"
