#include "common/modalhelper.h"
#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "shell/frmuser.h"
#include "shell/frmuseradmin.h"
#include "shell/loginstate.h"
#include "shell/operatorstore.h"
#include "shell/systemreset.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using mDatabase::ExecuteSQL;

class tst_UserAdmin : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstOperatorKeepsRightsAndStation();
    void newOperatorAtABranch();
    void editingNeverTouchesThePassword();
    void listShowsEveryOperator();
    void resetAsksTwice_data();
    void resetAsksTwice();
    void resetEmptiesTheBusinessData_data();
    void resetEmptiesTheBusinessData();
    void failedResetLeavesEverything();

private:
    void seedBusinessData();

    TestDatabase m_db;
    ScopedSession m_session{ScopedSession::headStation()};
    ScriptedPrompter *m_prompts = nullptr;
    qint64 m_east = 0;
};

void tst_UserAdmin::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
    m_east = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Station(Name,Status) values('城东','1')"));
}

void tst_UserAdmin::cleanup()
{
    mDatabase::CloseConnection();
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

void tst_UserAdmin::firstOperatorKeepsRightsAndStation()
{
    frmUser form;
    form.mActionType = frmUser::Edit;
    form.mCurID = 1;
    whenModal([&](QWidget *) {
        QCOMPARE(m_prompts->texts(),
            QStringList{QStringLiteral("当前用户是系统管理，不能被禁用和修改权限！")});
        QCOMPARE(m_prompts->requests.first().title, QStringLiteral("消息"));
        QVERIFY(!form.chkDisable->isEnabled());
        QVERIFY(!form.lsbRole->isEnabled());
        QVERIFY(!form.cmbStation->isEnabled());
        QVERIFY(!form.txtPassword->isEnabled());
        QCOMPARE(form.txtPassword->text(), QStringLiteral("********"));
        QCOMPARE(form.GetRoleString(), QStringLiteral("11111111"));
        form.txtName->setText(QStringLiteral("管理员甲"));
        QTest::mouseClick(form.btnSave, Qt::LeftButton);
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    const auto admin = UserReader::load(1);
    QCOMPARE(admin->name, QStringLiteral("管理员甲"));
    QCOMPARE(admin->roleString, QStringLiteral("11111111"));

    // The writer holds the rule too, whatever a caller hands it.
    OperatorRecord taken = *admin;
    taken.active = false;
    taken.roleString = QStringLiteral("00000000");
    taken.stationId = m_east;
    QVERIFY(UserWriter::saveEdit(taken));
    const auto still = UserReader::load(1);
    QVERIFY(still->active);
    QCOMPARE(still->roleString, QStringLiteral("11111111"));
    QCOMPARE(still->stationId, 1);
}

void tst_UserAdmin::newOperatorAtABranch()
{
    const ScopedSession branch(ScopedSession::atBranch(qint16(m_east)));
    frmUser form;
    form.show();
    QVERIFY(!form.cmbStation->isEnabled());
    QVERIFY(!form.btnSave->isEnabled());
    form.txtName->setText(QStringLiteral("  小王  "));
    form.txtPassword->setText(QStringLiteral("p'w %1"));
    QVERIFY(form.btnSave->isEnabled());
    QTest::mouseClick(form.btnSave, Qt::LeftButton);
    const auto users = UserReader::activeUsers(m_east);
    QVERIFY(users && users->size() == 1);
    QCOMPARE(users->first().name, QStringLiteral("小王"));
    QCOMPARE(users->first().roleString, QStringLiteral("00000000"));
    QVERIFY(users->first().acceptsPassword(QStringLiteral("p'w %1")));
    // The form stays open, emptied for the next operator.
    QVERIFY(form.isVisible());
    QVERIFY(form.txtName->text().isEmpty());
    QVERIFY(form.txtPassword->text().isEmpty());
}

void tst_UserAdmin::editingNeverTouchesThePassword()
{
    const qint64 id = UserWriter::saveNew({0, QStringLiteral("小李"), QStringLiteral("secret"),
        QStringLiteral("10000000"), {}, true, 1});
    QVERIFY(id > 0);
    frmUser form;
    form.mActionType = frmUser::Edit;
    form.mCurID = id;
    whenModal([&](QWidget *) {
        QVERIFY(form.chkDisable->isEnabled());
        QCOMPARE(form.GetRoleString(), QStringLiteral("10000000"));
        // Space ticks a right and leaves the one already given.
        form.lsbRole->setFocus();
        form.lsbRole->setCurrentRow(7);
        QTest::keyClick(form.lsbRole, Qt::Key_Space);
        form.chkDisable->setChecked(true);
        form.cmbStation->setCurrentIndex(form.cmbStation->findData(m_east));
        QTest::mouseClick(form.btnSave, Qt::LeftButton);
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    const auto user = UserReader::load(id);
    QCOMPARE(user->roleString, QStringLiteral("10000001"));
    QVERIFY(!user->active);
    QCOMPARE(user->stationId, m_east);
    QVERIFY(user->acceptsPassword(QStringLiteral("secret")));
}

void tst_UserAdmin::listShowsEveryOperator()
{
    UserWriter::saveNew(
        {0, QStringLiteral("停用者"), {}, QStringLiteral("00000000"), {}, false, m_east});
    frmUserAdmin list;
    QCOMPARE(list.lsvMain->topLevelItemCount(), 2);
    QCOMPARE(list.lsvMain->topLevelItem(1)->text(1), QStringLiteral("停用者"));
    QVERIFY(list.lsvMain->topLevelItem(0)->icon(0).cacheKey()
        != list.lsvMain->topLevelItem(1)->icon(0).cacheKey());
    QVERIFY(!list.btnEdit->isEnabled());
}

void tst_UserAdmin::seedBusinessData()
{
    for (const char *sql : {"insert into Sender(Name,Status,StationID) values('王','1',1)",
             "insert into Product(Name,Unit,Price,Status) values('水','桶',10,'1')",
             "insert into Customer(Name,Account,Address,Phone,Status,StationID) "
             "values('甲',1,'路','1','1',1)",
             "insert into Sale(CustomerID,TotalAmount,TotalMoney,FinishFlag,StationID) "
             "values(1,1,10,'0',1)",
             "insert into Sale_detail(SaleID,ProductID,Price,MyAmount,MyMoney) values(1,1,10,1,10)",
             "insert into Store(PaperID,FinishFlag,StationID) values('1','0',1)",
             "insert into Store_detail(StoreID,ProductID,Price,MyAmount,MyMoney) "
             "values(1,1,10,1,10)",
             "insert into Call(PhoneNumber) values('5551234')"})
        QVERIFY2(ExecuteSQL(QString::fromUtf8(sql)), sql);
    UserWriter::saveNew(
        {0, QStringLiteral("东站员"), {}, QStringLiteral("01000000"), {}, true, m_east});
}

void tst_UserAdmin::resetAsksTwice_data()
{
    QTest::addColumn<QList<int>>("answers");
    QTest::newRow("no at first") << QList<int>{Prompt::No};
    QTest::newRow("no at second") << QList<int>{Prompt::Yes, Prompt::No};
    QTest::newRow("stray Enter") << QList<int>{};
}

void tst_UserAdmin::resetAsksTwice()
{
    QFETCH(QList<int>, answers);
    seedBusinessData();
    m_prompts->answers = answers;
    QVERIFY(!mSystem::ResetSystem());
    QCOMPARE(m_prompts->requests.first().title, QStringLiteral("初始化"));
    QCOMPARE(int(m_prompts->requests.first().icon), int(Prompt::Icon::Critical));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Sale")), 1);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Station")), 2);
}

void tst_UserAdmin::resetEmptiesTheBusinessData_data()
{
    QTest::addColumn<int>("shift");
    QTest::newRow("head station 1") << 0;
    // Identity values used up before the stations were made: the head
    // station is still the one with the smallest ID.
    QTest::newRow("head station 11") << 10;
}

void tst_UserAdmin::resetEmptiesTheBusinessData()
{
    QFETCH(int, shift);
    seedBusinessData();
    QVERIFY(ExecuteSQL(QStringLiteral("update Station set ID=ID+%1").arg(shift)));
    QVERIFY(ExecuteSQL(QStringLiteral("update SysUser set StationID=StationID+%1").arg(shift)));
    m_prompts->answers = {Prompt::Yes, Prompt::Yes};
    QVERIFY(mSystem::ResetSystem());
    QCOMPARE(m_prompts->texts().last(),
        QStringLiteral("系统重新启用成功，现在系统需要退出再进入，请按确认键退出系统重新登录！"));
    for (const char *table :
        {"Sender", "Product", "Customer", "Sale", "Sale_detail", "Store", "Store_detail"})
        QCOMPARE(countRows(QStringLiteral("select count(*) from %1").arg(QLatin1String(table))), 0);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Station")), 1);
    QCOMPARE(
        countRows(QStringLiteral("select count(*) from Station where ID=%1").arg(1 + shift)), 1);
    QCOMPARE(countRows(QStringLiteral("select count(*) from SysUser")), 2);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Call")), 1);
    QVERIFY(countRows(QStringLiteral("select count(*) from SysValue")) > 0);
}

void tst_UserAdmin::failedResetLeavesEverything()
{
    seedBusinessData();
    // The stock lines cannot be deleted: everything before them comes back.
    QVERIFY(ExecuteSQL(QStringLiteral("drop table Store_detail")));
    m_prompts->answers = {Prompt::Yes, Prompt::Yes};
    QVERIFY(!mSystem::ResetSystem());
    QCOMPARE(m_prompts->texts().last(), QStringLiteral("重新启用系统时出现错误，重启失败！"));
    QCOMPARE(m_prompts->requests.last().title, QStringLiteral("失败"));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Sender")), 1);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Sale")), 1);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Station")), 2);
}

QTEST_MAIN(tst_UserAdmin)
#include "tst_useradmin.moc"
