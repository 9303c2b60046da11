#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "fakelistwindow.h"
#include "mainwindow/frmmain.h"
#include "shell/commandbars.h"
#include "shell/loginstate.h"
#include "shell/rights.h"

#include <QAction>
#include <QMdiArea>
#include <QTest>

using mDatabase::ExecuteSQL;

namespace {

// Every tool the two procedures manage, with the band they name it in.
const QList<QPair<QString, QString>> &managedTools()
{
    static const QList<QPair<QString, QString>> tools = [] {
        QList<QPair<QString, QString>> list;
        for (const char *t : {"tlUserAdmin", "tlSysConfigure", "tlSysReset", "tlSalePrintSetup"})
            list << qMakePair(QStringLiteral("popFile"), QString::fromLatin1(t));
        for (const char *t : {"tlSaleAdmin", "tlMoneyAdmin", "tlAmountAdmin", "tlContainerAdmin",
                 "tlStoreAdmin", "tlGrpStationAdmin", "tlSenderAdmin", "tlCustomerAdmin",
                 "tlProductAdmin", "tlTodayReport"})
            list << qMakePair(QStringLiteral("popDaily"), QString::fromLatin1(t));
        for (const char *t : {"mnuMoney", "mnuAmount", "mnuContainer", "mnuSearch"})
            list << qMakePair(QStringLiteral("mnuMain"), QString::fromLatin1(t));
        for (const char *t : {"tlExit", "tlAdd", "tlEdit", "tlDel", "tlPrintSale", "tlFinish",
                 "tlFilter", "tlRefresh", "tlChart", "tlOutAmount", "tlInAmount", "tlInMoney",
                 "tlOutMoney", "tlFirst", "tlPrevious", "tlNext", "tlLast"})
            list << qMakePair(QStringLiteral("barTool"), QString::fromLatin1(t));
        list << qMakePair(QStringLiteral("popDel"), QStringLiteral("tlDelAll"));
        return list;
    }();
    return tools;
}

QStringList disabledTools(const CommandBars *bars)
{
    QStringList list;
    for (const auto &[band, tool] : managedTools()) {
        // A hidden action also reports itself disabled; it counts as hidden.
        if (!bars->tool(tool)->isEnabled() && bars->tool(tool)->isVisible())
            list << tool;
    }
    list.sort();
    return list;
}

QStringList hiddenTools(const CommandBars *bars)
{
    QStringList list;
    for (const auto &[band, tool] : managedTools()) {
        if (!bars->tool(tool)->isVisible())
            list << tool;
    }
    list.sort();
    return list;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

class tst_Rights : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void applyUserRights_data();
    void applyUserRights();
    void withoutSalesRightNoSaleList();
    void updateCommandsForWindow_data();
    void updateCommandsForWindow();
    void listChangeRestoresCommands();
    void hiddenStaysHidden();
    void withdrawnRightAfterOperatorList();

private:
    void setRoles(const QString &roles);
    TestDatabase m_db;
    ScopedSession m_session{Session{.userID = 1, .stationID = 1}};
    ScriptedPrompter *m_prompts = nullptr;
    frmMain *m_main = nullptr;
};

void tst_Rights::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
    m_main = new frmMain;
    m_main->registerChildWindow(QStringLiteral("frmSaleAdmin"), [] { return new FakeListWindow; });
}

void tst_Rights::cleanup()
{
    delete m_main;
    m_main = nullptr;
    m_db.dropAll();
    delete m_prompts;
}

void tst_Rights::setRoles(const QString &roles)
{
    QVERIFY(ExecuteSQL(QStringLiteral("update SysUser set rolestring=%1 where ID=1")
                           .arg(mDatabase::SqlStr(roles))));
}

void tst_Rights::applyUserRights_data()
{
    QTest::addColumn<QString>("roles");
    QTest::addColumn<QStringList>("disabled");
    QTest::addColumn<QStringList>("hidden");

    QTest::newRow("all rights") << "11111111" << QStringList() << QStringList();
    QTest::newRow("empty grants all") << "" << QStringList() << QStringList();
    QTest::newRow("other characters grant") << "1x2 ?1Y1" << QStringList() << QStringList();
    QTest::newRow("1 administration")
        << "01111111"
        << QStringList{"tlUserAdmin", "tlSysConfigure", "tlSysReset", "tlSalePrintSetup",
               "tlSenderAdmin", "tlProductAdmin", "tlCustomerAdmin", "tlGrpStationAdmin"}
        << QStringList();
    QTest::newRow("2 sales") << "10111111" << QStringList{"tlSaleAdmin"} << QStringList();
    QTest::newRow("3 money") << "11011111" << QStringList{"tlMoneyAdmin"}
                             << QStringList{"mnuMoney", "tlInMoney", "tlOutMoney"};
    QTest::newRow("4 delivery") << "11101111" << QStringList{"tlAmountAdmin"}
                                << QStringList{"mnuAmount", "tlInAmount", "tlOutAmount"};
    QTest::newRow("5 bottles") << "11110111" << QStringList{"tlContainerAdmin"}
                               << QStringList{"mnuContainer"};
    QTest::newRow("6 stock") << "11111011" << QStringList{"tlStoreAdmin"} << QStringList();
    QTest::newRow("7 closing") << "11111101" << QStringList{"tlTodayReport"} << QStringList();
    QTest::newRow("8 queries") << "11111110" << QStringList{"mnuSearch"} << QStringList();
    QTest::newRow("short text") << "1" << QStringList() << QStringList();
    QTest::newRow("short with 0") << "110" << QStringList{"tlMoneyAdmin"}
                                  << QStringList{"mnuMoney", "tlInMoney", "tlOutMoney"};
}

void tst_Rights::applyUserRights()
{
    QFETCH(QString, roles);
    QFETCH(QStringList, disabled);
    QFETCH(QStringList, hidden);
    setRoles(roles);
    mSystem::ApplyUserRights(1);
    CommandBars *bars = m_main->commandBars();
    QCOMPARE(disabledTools(bars), sorted(disabled));
    QCOMPARE(hiddenTools(bars), sorted(hidden));
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_Rights::withoutSalesRightNoSaleList()
{
    setRoles(QStringLiteral("10111111"));
    m_main->load();
    // Closed for the rights, not because the program is ending.
    QVERIFY(!m_main->commandBars()->mainWindowClosing);
    QVERIFY(m_main->mdiArea()->subWindowList().isEmpty());
    QVERIFY(!m_main->commandBars()->tool(QStringLiteral("tlSaleAdmin"))->isEnabled());

    // With the right, the sale list is the first child window.
    delete m_main;
    m_main = new frmMain;
    m_main->registerChildWindow(QStringLiteral("frmSaleAdmin"), [] { return new FakeListWindow; });
    setRoles(QStringLiteral("11111111"));
    m_main->load();
    QCOMPARE(m_main->mdiArea()->subWindowList().size(), 1);
    QCOMPARE(m_main->activeChild()->objectName(), QStringLiteral("frmSaleAdmin"));
}

void tst_Rights::updateCommandsForWindow_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("disabled");
    QTest::addColumn<QString>("editCaption");
    QTest::addColumn<QString>("printCaption");
    QTest::addColumn<QString>("filterCaption");

    const QString edit = QStringLiteral("修改");
    const QString print = QStringLiteral("打印单据");
    const QString filter = QStringLiteral("查询");
    QTest::newRow("sale list") << "frmSaleAdmin" << QStringList{"tlChart", "tlFinish"} << edit
                               << print << filter;
    QTest::newRow("money list") << "frmMoneyAdmin"
                                << QStringList{"tlAdd", "tlDel", "tlChart", "tlFinish",
                                       "tlInAmount", "tlOutAmount", "mnuAmount", "mnuContainer"}
                                << "打开" << print << filter;
    QTest::newRow("delivery list") << "frmAmountAdmin"
                                   << QStringList{"tlAdd", "tlDel", "tlChart", "tlFinish",
                                          "tlInMoney", "tlOutMoney", "mnuContainer", "mnuMoney"}
                                   << "打开" << print << filter;
    QTest::newRow("bottle list") << "frmContainerAdmin"
                                 << QStringList{"tlAdd", "tlDel", "tlChart", "tlFinish",
                                        "tlInMoney", "tlOutMoney", "tlInAmount", "tlOutAmount",
                                        "mnuAmount", "mnuMoney"}
                                 << "打开" << print << filter;
    QTest::newRow("stock list") << "frmStoreAdmin"
                                << QStringList{"tlChart", "tlFinish", "tlPrintSale", "tlInMoney",
                                       "tlOutMoney", "tlInAmount", "tlOutAmount", "mnuAmount",
                                       "mnuContainer", "mnuMoney"}
                                << edit << print << filter;
    QTest::newRow("customer list")
        << "frmCustomerAdmin"
        << QStringList{"tlChart", "tlPrintSale", "tlFinish", "tlInMoney", "tlOutMoney",
               "tlInAmount", "tlOutAmount", "mnuAmount", "mnuContainer", "mnuMoney", "tlDelAll"}
        << edit << print << filter;
    QTest::newRow("call history") << "frmHistoryCall"
                                  << QStringList{"tlAdd", "tlEdit", "tlFilter", "tlChart",
                                         "tlPrintSale", "tlFinish", "tlInMoney", "tlOutMoney",
                                         "tlInAmount", "tlOutAmount", "mnuAmount", "mnuContainer",
                                         "mnuMoney"}
                                  << edit << print << filter;
    QTest::newRow("today report") << "frmTodayReport"
                                  << QStringList{"tlAdd", "tlEdit", "tlDel", "tlChart", "tlInMoney",
                                         "tlOutMoney", "tlInAmount", "tlOutAmount", "mnuAmount",
                                         "mnuContainer", "mnuMoney"}
                                  << edit << "打印报表"
                                  << "设定日期";
    QTest::newRow("period report")
        << "frmReport"
        << QStringList{"tlFilter", "tlAdd", "tlEdit", "tlDel", "tlFinish", "tlInMoney",
               "tlOutMoney", "tlInAmount", "tlOutAmount", "mnuAmount", "mnuContainer", "mnuMoney"}
        << edit << "打印报表" << filter;
    QTest::newRow("other window") << "frmSale" << QStringList() << edit << print << filter;
}

void tst_Rights::updateCommandsForWindow()
{
    QFETCH(QString, window);
    QFETCH(QStringList, disabled);
    CommandBars *bars = m_main->commandBars();
    // Start from the most different state, so leftovers would show.
    mSystem::UpdateCommandsForWindow(QStringLiteral("frmHistoryCall"));
    mSystem::UpdateCommandsForWindow(QStringLiteral("frmTodayReport"));
    bars->setPaneText(QStringLiteral("stbUser"), QString());

    mSystem::UpdateCommandsForWindow(window);
    QCOMPARE(disabledTools(bars), sorted(disabled));
    QTEST(bars->toolCaption(QStringLiteral("barTool"), QStringLiteral("tlEdit")), "editCaption");
    QTEST(bars->toolCaption(QStringLiteral("barTool"), QStringLiteral("tlPrintSale")),
        "printCaption");
    QTEST(
        bars->toolCaption(QStringLiteral("barTool"), QStringLiteral("tlFilter")), "filterCaption");
    QCOMPARE(bars->toolCaption(QStringLiteral("barTool"), QStringLiteral("tlDel")),
        QStringLiteral("删除"));
    // Menus keep their own captions.
    QCOMPARE(bars->toolCaption(QStringLiteral("popOperate"), QStringLiteral("tlEdit")),
        QStringLiteral("修改记录"));
    QCOMPARE(bars->toolCaption(QStringLiteral("popOperate"), QStringLiteral("tlFilter")),
        QStringLiteral("查询过滤"));
    QCOMPARE(bars->paneText(QStringLiteral("stbUser")), QStringLiteral("总站：系统管理员"));
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_Rights::listChangeRestoresCommands()
{
    CommandBars *bars = m_main->commandBars();
    mSystem::UpdateCommandsForWindow(QStringLiteral("frmMoneyAdmin"));
    QVERIFY(!bars->tool(QStringLiteral("tlAdd"))->isEnabled());
    QCOMPARE(bars->toolCaption(QStringLiteral("barTool"), QStringLiteral("tlEdit")),
        QStringLiteral("打开"));
    mSystem::UpdateCommandsForWindow(QStringLiteral("frmSaleAdmin"));
    QVERIFY(bars->tool(QStringLiteral("tlAdd"))->isEnabled());
    QVERIFY(bars->tool(QStringLiteral("tlDel"))->isEnabled());
    QVERIFY(bars->tool(QStringLiteral("mnuAmount"))->isEnabled());
    QCOMPARE(bars->toolCaption(QStringLiteral("barTool"), QStringLiteral("tlEdit")),
        QStringLiteral("修改"));
}

void tst_Rights::hiddenStaysHidden()
{
    setRoles(QStringLiteral("11011111"));
    mSystem::ApplyUserRights(1);
    CommandBars *bars = m_main->commandBars();
    mSystem::UpdateCommandsForWindow(QStringLiteral("frmMoneyAdmin"));
    mSystem::UpdateCommandsForWindow(QStringLiteral("frmSaleAdmin"));
    for (const char *tool : {"mnuMoney", "tlInMoney", "tlOutMoney"})
        QVERIFY2(!bars->tool(QString::fromLatin1(tool))->isVisible(), tool);
    // The list itself stays out of reach from the daily menu as well.
    QVERIFY(!bars->tool(QStringLiteral("tlMoneyAdmin"))->isEnabled());
}

void tst_Rights::withdrawnRightAfterOperatorList()
{
    m_main->registerDialog(QStringLiteral("tlUserAdmin"), [this](QWidget *) {
        // The administrator withdraws their own day-closing right.
        setRoles(QStringLiteral("11111101"));
    });
    QVERIFY(m_main->commandBars()->tool(QStringLiteral("tlTodayReport"))->isEnabled());
    m_main->toolClick(QStringLiteral("tlUserAdmin"));
    QVERIFY(!m_main->commandBars()->tool(QStringLiteral("tlTodayReport"))->isEnabled());
}

QTEST_MAIN(tst_Rights)
#include "tst_rights.moc"
