#include "common/modalhelper.h"
#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "lists/frmcustomeradmin.h"
#include "shell/loginstate.h"

#include <QElapsedTimer>
#include <QFont>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using mDatabase::ExecuteSQL;

namespace {

qint64 addCustomer(const QString &address, const QString &status, int station)
{
    return mDatabase::InsertAndGetID(
        QStringLiteral("insert into Customer(Account,Name,Address,Detail,Status,StationID) "
                       "values(0,'张三',%1,'',%2,%3)")
            .arg(mDatabase::SqlStr(address), mDatabase::SqlStr(status), QString::number(station)));
}

QString status(qint64 id)
{
    const auto rs = mDatabase::OpenRecordset(
        QStringLiteral("select Status from Customer where ID=%1").arg(id));
    return rs && !rs->isEmpty() ? rs->value(0, QStringLiteral("Status")).toString() : QString();
}

QStringList ids(const ListWindow &list)
{
    QStringList result;
    for (int row = 0; row < list.model()->rowCount(); ++row)
        result << list.model()->value(row, QStringLiteral("ID")).toString();
    return result;
}

} // namespace

class tst_CustomerList : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void columnsAndStruckRows();
    void branchSeesItsOwnCustomers();
    void suspendAndTakeBack();
    void nothingSelected();
    void neverAllSuspended();
    void detailIsNotSorted();
    void editKeepsTheRowAndStoresTextExactly();
    void hundredThousandCustomersShowAtOnce();

private:
    TestDatabase m_db;
    ScopedSession m_session{ScopedSession::headStation()};
    ScriptedPrompter *m_prompts = nullptr;
    qint64 m_active = 0, m_suspended = 0, m_otherStation = 0;
};

void tst_CustomerList::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
    QVERIFY(ExecuteSQL(
        QStringLiteral("insert into Station(Name,Status) values('总站','1'),('城东','1')")));
    QVERIFY(mDatabase::SetSysValue(QStringLiteral("AutoDataRefresh"), QStringLiteral("1")));
    m_active = addCustomer(QStringLiteral("人民路1号"), QStringLiteral("1"), 1);
    m_suspended = addCustomer(QStringLiteral("人民路2号"), QStringLiteral("0"), 1);
    m_otherStation = addCustomer(QStringLiteral("城东路3号"), QStringLiteral("1"), 2);
    QVERIFY(m_active > 0 && m_suspended > 0 && m_otherStation > 0);
}

void tst_CustomerList::cleanup()
{
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

void tst_CustomerList::columnsAndStruckRows()
{
    frmCustomerAdmin list;
    QCOMPARE(list.windowTitle(), QStringLiteral("客户管理"));
    QStringList captions;
    for (int c = 0; c < list.model()->columnCount(); ++c)
        captions << list.model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(captions,
        QStringList(
            {"系统序号", "开户编号", "联系人", "联系电话", "开户日期", "联系地址", "备注"}));
    // The head station sees the whole group, in the order of their keys.
    QCOMPARE(ids(list),
        QStringList({QString::number(m_active), QString::number(m_suspended),
            QString::number(m_otherStation)}));
    const QFont active = list.model()->index(0, 2).data(Qt::FontRole).value<QFont>();
    const QFont suspended = list.model()->index(1, 2).data(Qt::FontRole).value<QFont>();
    QVERIFY(!active.strikeOut());
    QVERIFY(suspended.strikeOut());
    QVERIFY(list.model()->index(1, 5).data(Qt::BackgroundRole).isValid());
    QVERIFY(!list.model()->index(0, 5).data(Qt::BackgroundRole).isValid());
    QCOMPARE(list.model()->index(0, 5).data().toString(), QStringLiteral("人民路1号"));
}

void tst_CustomerList::branchSeesItsOwnCustomers()
{
    const ScopedSession branch(ScopedSession::atBranch(2));
    frmCustomerAdmin list;
    QCOMPARE(ids(list), QStringList({QString::number(m_otherStation)}));
}

void tst_CustomerList::suspendAndTakeBack()
{
    frmCustomerAdmin list;
    QVERIFY(list.selectRowOfId(m_active));

    // No: nothing changes.
    m_prompts->answers = {Prompt::No};
    list.commands().run(&ListCommands::DeleteData);
    QCOMPARE(m_prompts->requests.last().text, QStringLiteral("你确认要禁用该帐户吗？"));
    QCOMPARE(m_prompts->requests.last().title, QStringLiteral("禁用帐户"));
    QCOMPARE(m_prompts->requests.last().defaultButton, int(Prompt::No));
    QCOMPARE(status(m_active), QStringLiteral("1"));

    m_prompts->answers = {Prompt::Yes};
    list.commands().run(&ListCommands::DeleteData);
    QCOMPARE(status(m_active), QStringLiteral("0"));
    // The list shows it at once, struck through, on the same row.
    QCOMPARE(list.selectedID(), QString::number(m_active));
    QVERIFY(list.model()->index(0, 2).data(Qt::FontRole).value<QFont>().strikeOut());

    // A suspended customer is offered back.
    m_prompts->answers = {Prompt::Yes};
    list.commands().run(&ListCommands::DeleteData);
    QCOMPARE(m_prompts->requests.last().text, QStringLiteral("该帐户已禁用，要重新启用吗？"));
    QCOMPARE(m_prompts->requests.last().title, QStringLiteral("启用帐户"));
    QCOMPARE(status(m_active), QStringLiteral("1"));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Customer")), 3);
}

void tst_CustomerList::nothingSelected()
{
    frmCustomerAdmin list;
    list.grid()->setCurrentIndex({});
    list.commands().run(&ListCommands::DeleteData);
    list.commands().run(&ListCommands::EditData);
    QCOMPARE(
        m_prompts->texts(), QStringList({"请先选定您要禁用的数据！", "请先选定您要编辑的记录！"}));
    QCOMPARE(status(m_active), QStringLiteral("1"));
}

void tst_CustomerList::neverAllSuspended()
{
    frmCustomerAdmin list;
    list.commands().run(&ListCommands::DeleteAll);
    QCOMPARE(m_prompts->requests.size(), 1);
    QCOMPARE(m_prompts->requests.first().text, QStringLiteral("不能全部禁用！"));
    QCOMPARE(m_prompts->requests.first().title, QStringLiteral("失败"));
    QCOMPARE(m_prompts->requests.first().icon, Prompt::Icon::None);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Customer where Status='1'")), 2);
}

void tst_CustomerList::detailIsNotSorted()
{
    frmCustomerAdmin list;
    const QString before = list.curSortSQL;
    list.sortByColumn(6);
    QCOMPARE(list.curSortSQL, before);
    list.sortByColumn(5);
    QVERIFY(list.curSortSQL.contains(QLatin1String("Address")));
    // Ascending first, as in every list; a second click turns it round.
    QCOMPARE(
        list.model()->value(2, QStringLiteral("Address")).toString(), QStringLiteral("城东路3号"));
    list.sortByColumn(5);
    QCOMPARE(
        list.model()->value(0, QStringLiteral("Address")).toString(), QStringLiteral("城东路3号"));
}

void tst_CustomerList::editKeepsTheRowAndStoresTextExactly()
{
    frmCustomerAdmin list;
    QVERIFY(list.selectRowOfId(m_suspended));
    const QString name = QStringLiteral("O'Brien %1 \\ 王");
    whenModal([name](QWidget *form) {
        auto *txtName = form->findChild<QLineEdit *>(QStringLiteral("txtName"));
        QVERIFY(txtName);
        txtName->setText(name);
        form->findChild<QPushButton *>(QStringLiteral("btnSave"))->click();
    });
    list.commands().run(&ListCommands::EditData);
    QCOMPARE(list.selectedID(), QString::number(m_suspended));
    QCOMPARE(list.selectedValue(QStringLiteral("Name")).toString(), name);
}

void tst_CustomerList::hundredThousandCustomersShowAtOnce()
{
    // A group of some years: the list must open without reading them all.
    QVERIFY(ExecuteSQL(QStringLiteral(
        "insert into Customer(Account,Name,Phone,Address,Detail,Status,StationID) "
        "with recursive n(i) as (select 1 union all select i+1 from n where i<100000) "
        "select i+10, 'x', '555' || cast(i as varchar(10)), 'addr ' || cast(i as varchar(10)), "
        "'', '1', 1 from n")));
    QElapsedTimer clock;
    clock.start();
    frmCustomerAdmin list;
    list.show();
    QCoreApplication::processEvents();
    const qint64 ms = clock.elapsed();
    QVERIFY(list.model()->rowCount() > 0);
    QVERIFY2(list.model()->rowCount() < 100000, "rows are fetched as the grid scrolls");
    qInfo("first screen of 100,003 customers: %lld ms", ms);
    QVERIFY2(ms < 2000, qPrintable(QString::number(ms)));
}

QTEST_MAIN(tst_CustomerList)
#include "tst_customerlist.moc"
