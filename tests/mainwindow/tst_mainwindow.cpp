#include "common/modalhelper.h"
#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "lists/frmsaleadmin.h"
#include "mainwindow/frmmain.h"
#include "reports/frmchart.h"
#include "shell/commandbars.h"
#include "shell/loginstate.h"
#include "shell/tools.h"

#include <QAction>
#include <QChart>
#include <QDesktopServices>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

namespace {

QStringList captions(const QList<QAction *> &actions, bool iconText = false)
{
    QStringList list;
    for (const QAction *a : actions) {
        if (!a->isSeparator())
            list << (iconText ? a->iconText() : a->text());
    }
    return list;
}

// Every command of the list command object, by the name it carries.
const QList<QPair<QString, ListCommands::Member>> &allCommands()
{
    static const QList<QPair<QString, ListCommands::Member>> commands = {
        {QStringLiteral("AddNew"), &ListCommands::AddNew},
        {QStringLiteral("EditData"), &ListCommands::EditData},
        {QStringLiteral("DeleteData"), &ListCommands::DeleteData},
        {QStringLiteral("DeleteAll"), &ListCommands::DeleteAll},
        {QStringLiteral("DataRefresh"), &ListCommands::DataRefresh},
        {QStringLiteral("ShowFilter"), &ListCommands::ShowFilter},
        {QStringLiteral("PrintSale"), &ListCommands::PrintSale},
        {QStringLiteral("PrintPreview"), &ListCommands::PrintPreview},
        {QStringLiteral("PrintReport"), &ListCommands::PrintReport},
        {QStringLiteral("PrintSetup"), &ListCommands::PrintSetup},
        {QStringLiteral("InMoney"), &ListCommands::InMoney},
        {QStringLiteral("InAllMoney"), &ListCommands::InAllMoney},
        {QStringLiteral("OutMoney"), &ListCommands::OutMoney},
        {QStringLiteral("OutAllMoney"), &ListCommands::OutAllMoney},
        {QStringLiteral("OutAmount"), &ListCommands::OutAmount},
        {QStringLiteral("OutAllAmount"), &ListCommands::OutAllAmount},
        {QStringLiteral("InAmount"), &ListCommands::InAmount},
        {QStringLiteral("InAllAmount"), &ListCommands::InAllAmount},
        {QStringLiteral("InContainer"), &ListCommands::InContainer},
        {QStringLiteral("InAllContainer"), &ListCommands::InAllContainer},
        {QStringLiteral("OutContainer"), &ListCommands::OutContainer},
        {QStringLiteral("OutAllContainer"), &ListCommands::OutAllContainer},
        {QStringLiteral("FinishToday"), &ListCommands::FinishToday},
    };
    return commands;
}

// Has every command of the list write its name into *calls instead of
// acting, to see which one a tool reaches.
void recordCommands(ListWindow *list, QStringList *calls)
{
    for (const auto &[name, member] : allCommands()) {
        const QString called = name;
        list->commands().*member = [calls, called] {
            *calls << called;
        };
    }
}

// A window that offers no commands at all (an entry form, say).
class PlainWindow : public QWidget {
    Q_OBJECT
};

// Stands in for the web browser.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls << url; }
};

} // namespace

class tst_MainWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void menuBarAndBands();
    void oneActionPerTool();
    void forwardsCommandsByName_data();
    void forwardsCommandsByName();
    void deleteKeyRunsTheDeleteTool_data();
    void deleteKeyRunsTheDeleteTool();
    void nothingHappensWithoutTarget();
    void commandsOpenTheirDialogs_data();
    void commandsOpenTheirDialogs();
    void reportThenItsChart();
    void rowNavigation();
    void saleListCommandUncoversTheSaleList();
    void childWindowsOpenOnce();
    void navigatorComesBack();
    void printSetup();
    void tileAndCascade();
    void closingEndsEverything();
    void realListsFollowTheFront();

    void everyToolReachesItsCommand();
    void everyIdIsOneBoundTool_data();
    void everyIdIsOneBoundTool();
    void withoutSalesRightTheSaleListCloses();
    void homePageFromTheSetting();
    void opensMaximised();
    void keepsItsLayoutBetweenStarts();
    void listRefreshesWhenBackInFront();

private:
    ListWindow *openList(const QString &name);

    TestDatabase m_db;
    ScopedSession m_session{ScopedSession::headStation()};
    ScriptedPrompter *m_prompts = nullptr;
    QPointer<frmMain> m_main;
};

void tst_MainWindow::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
    // Three open orders for the real lists to show.
    QVERIFY(mDatabase::ExecuteSQL(QStringLiteral(
        "insert into Customer(Account,Address,Status,StationID) values(1,'人民路1号','1',1)")));
    for (int n = 1; n <= 3; ++n)
        QVERIFY(
            mDatabase::ExecuteSQL(QStringLiteral(
                "insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,TotalContainer,"
                "InMoney,OutAmount,InContainer,TransferFee,Detail,CreateDate,FinishFlag,StationID) "
                "values(1,1,1,%1,%2,0,0,0,0,0,'',%3,'0',1)")
                                      .arg(QString::number(n), QString::number(n * 10),
                                          mDatabase::dialect().dateLiteral(QDate::currentDate()))));
    QVERIFY(mDatabase::SetSysValue(QStringLiteral("AutoDataRefresh"), QStringLiteral("1")));
    m_main = new frmMain;
    m_main->show();
}

void tst_MainWindow::cleanup()
{
    delete m_main;
    m_main = nullptr;
    m_db.dropAll();
    delete m_prompts;
}

ListWindow *tst_MainWindow::openList(const QString &name)
{
    const QHash<QString, QString> opener = {{"frmSaleAdmin", ""}, {"frmMoneyAdmin", "tlMoneyAdmin"},
        {"frmAmountAdmin", "tlAmountAdmin"}, {"frmContainerAdmin", "tlContainerAdmin"},
        {"frmCustomerAdmin", "tlCustomerAdmin"}, {"frmStoreAdmin", "tlStoreAdmin"}};
    if (name == QLatin1String("frmSaleAdmin"))
        m_main->load();
    else
        m_main->toolClick(opener.value(name));
    return qobject_cast<ListWindow *>(m_main->childWindow(name));
}

void tst_MainWindow::menuBarAndBands()
{
    QCOMPARE(captions(m_main->menuBar()->actions()),
        QStringList({"文件(&F)", "操作(&O)", "日常业务(&R)", "货款管理(&H)", "发货管理(&F)",
            "空瓶管理(&K)", "查询统计(&C)", "窗口(&W)", "帮助(&H)"}));
    auto *popFile = m_main->QObject::findChild<QMenu *>(QStringLiteral("popFile"));
    QVERIFY(popFile);
    QCOMPARE(captions(popFile->actions()),
        QStringList({"系统用户管理", "修改登录密码", "系统参数设置", "重新启用系统", "填入演示数据",
            "定义单据打印格式", "打印设置", "打印预览", "打印报表", "退出"}));
    auto *popWindows = m_main->QObject::findChild<QMenu *>(QStringLiteral("popWindows"));
    QCOMPARE(captions(popWindows->actions()),
        QStringList({"纵向平铺", "横向平铺", "窗口层叠", "排列图标"}));
    auto *popHelp = m_main->QObject::findChild<QMenu *>(QStringLiteral("popHelp"));
    QCOMPARE(captions(popHelp->actions()), QStringList({"目录", "访问网站", "关于......."}));

    auto *barTool = m_main->QObject::findChild<QToolBar *>(QStringLiteral("barTool"));
    QVERIFY(barTool);
    QCOMPARE(captions(barTool->actions(), true),
        QStringList(
            {"退出", "新建", "修改", "删除", "打印单据", "单据入帐", "查询", "刷新", "图形分析",
                "发货", "退货", "收款", "退款", "最前一条", "上一条", "下一条", "最后一条"}));
    // The delete button carries the drop-down with "all open documents".
    auto *del = qobject_cast<QToolButton *>(
        barTool->widgetForAction(m_main->commandBars()->tool("tlDel")));
    QVERIFY(del && del->menu());
    QCOMPARE(del->menu()->objectName(), QStringLiteral("popDel"));
    QCOMPARE(captions(del->menu()->actions()), QStringList({"所有未入帐单据"}));

    auto *navigator = m_main->QObject::findChild<QDockWidget *>(QStringLiteral("barNavigator"));
    QVERIFY(navigator);
    auto *group = navigator->findChild<QToolBar *>(QStringLiteral("grpCommon"));
    QCOMPARE(captions(group->actions(), true),
        QStringList(
            {"销售开票", "销售收款", "销售发货", "空瓶回收", "库存管理", "今日盘点", "欠款欠瓶"}));
    QVERIFY(m_main->QObject::findChild<QLabel *>(QStringLiteral("stbInfo")));
    QCOMPARE(m_main->commandBars()->paneText(QStringLiteral("stbUser")),
        QStringLiteral("总站：系统管理员"));
}

void tst_MainWindow::oneActionPerTool()
{
    // The daily menu and the navigator show the very same command.
    auto *popDaily = m_main->QObject::findChild<QMenu *>(QStringLiteral("popDaily"));
    auto *navigator = m_main->QObject::findChild<QToolBar *>(QStringLiteral("grpCommon"));
    QAction *fromMenu = nullptr;
    for (QAction *a : popDaily->actions()) {
        if (a->objectName() == QLatin1String("tlSaleAdmin"))
            fromMenu = a;
    }
    QVERIFY(fromMenu);
    QVERIFY(navigator->actions().contains(fromMenu));
    QCOMPARE(fromMenu->text(), QStringLiteral("销售开票管理"));
    QCOMPARE(fromMenu->iconText(), QStringLiteral("销售开票"));
    fromMenu->setEnabled(false);
    QVERIFY(!navigator->widgetForAction(fromMenu)->isEnabled());
    // Every button of the tool bar and the navigator shows a picture.
    auto *barTool = m_main->QObject::findChild<QToolBar *>(QStringLiteral("barTool"));
    for (QAction *a : barTool->actions() + navigator->actions()) {
        if (!a->isSeparator())
            QVERIFY2(!a->icon().isNull(), qPrintable(a->objectName()));
    }
}

void tst_MainWindow::forwardsCommandsByName_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QString>("method");
    const QList<QPair<const char *, const char *>> pairs = {{"tlAdd", "AddNew"},
        {"tlEdit", "EditData"}, {"tlDel", "DeleteData"}, {"tlDelAll", "DeleteAll"},
        {"tlRefresh", "DataRefresh"}, {"tlFilter", "ShowFilter"}, {"tlPrintSale", "PrintSale"},
        {"tlPrintPreview", "PrintPreview"}, {"tlPrint", "PrintReport"}, {"tlInMoney", "InMoney"},
        {"tlInAllMoney", "InAllMoney"}, {"tlOutMoney", "OutMoney"},
        {"tlOutAllMoney", "OutAllMoney"}, {"tlOutAmount", "OutAmount"},
        {"tlOutAllAmount", "OutAllAmount"}, {"tlInAmount", "InAmount"},
        {"tlInAllAmount", "InAllAmount"}, {"tlInContainer", "InContainer"},
        {"tlInAllContainer", "InAllContainer"}, {"tlOutContainer", "OutContainer"},
        {"tlOutAllContainer", "OutAllContainer"}, {"tlFinish", "FinishToday"}};
    for (const auto &[tool, method] : pairs)
        QTest::newRow(tool) << QString::fromLatin1(tool) << QString::fromLatin1(method);
}

void tst_MainWindow::forwardsCommandsByName()
{
    QFETCH(QString, tool);
    QFETCH(QString, method);
    ListWindow *list = openList(QStringLiteral("frmSaleAdmin"));
    QVERIFY(list);
    QStringList calls;
    recordCommands(list, &calls);
    // Through the action, as a click on a menu item or a button does it.
    m_main->commandBars()->tool(tool)->setEnabled(true);
    m_main->commandBars()->tool(tool)->trigger();
    QCOMPARE(calls, QStringList{method});
}

void tst_MainWindow::deleteKeyRunsTheDeleteTool_data()
{
    QTest::addColumn<bool>("allowed");
    QTest::newRow("right to delete") << true;
    QTest::newRow("no right to delete") << false;
}

void tst_MainWindow::deleteKeyRunsTheDeleteTool()
{
    QFETCH(bool, allowed);
    ListWindow *list = openList(QStringLiteral("frmSaleAdmin"));
    QVERIFY(list);
    QStringList calls;
    recordCommands(list, &calls);
    m_main->commandBars()->tool(QStringLiteral("tlDel"))->setEnabled(allowed);
    m_main->show();
    QApplication::setActiveWindow(m_main);
    QVERIFY(QTest::qWaitForWindowActive(m_main));
    list->grid()->setFocus();
    QTest::keyClick(list->grid(), Qt::Key_Delete);
    QCOMPARE(calls, allowed ? QStringList{QStringLiteral("DeleteData")} : QStringList());
}

void tst_MainWindow::nothingHappensWithoutTarget()
{
    // No child window at all.
    m_main->toolClick(QStringLiteral("tlAdd"));
    m_main->toolClick(QStringLiteral("tlNext"));
    m_main->toolClick(QStringLiteral("tlHelp"));
    m_main->toolClick(QStringLiteral("noSuchTool"));
    // A child without the methods (an entry form, say).
    m_main->registerChildWindow(QStringLiteral("frmCustomerAdmin"), [] { return new PlainWindow; });
    m_main->toolClick(QStringLiteral("tlCustomerAdmin"));
    QVERIFY(m_main->activeChild());
    for (const char *tool : {"tlAdd", "tlDel", "tlFinish", "tlInAllMoney", "tlFirst", "tlLast"})
        m_main->toolClick(QString::fromLatin1(tool));
    // Windows that no subsystem provides yet open nothing.
    for (const char *tool : {"tlChart"})
        m_main->toolClick(QString::fromLatin1(tool));
    QCOMPARE(m_main->mdiArea()->subWindowList().size(), 1);
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_MainWindow::commandsOpenTheirDialogs_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QString>("window");
    QTest::newRow("products") << "tlProductAdmin"
                              << "frmProductAdmin";
    QTest::newRow("delivery staff") << "tlSenderAdmin"
                                    << "frmSenderAdmin";
    QTest::newRow("stations") << "tlGrpStationAdmin"
                              << "frmGrpStationAdmin";
    QTest::newRow("operators") << "tlUserAdmin"
                               << "frmUserAdmin";
    QTest::newRow("slip layout") << "tlSalePrintSetup"
                                 << "frmSalePrintSetup";
    QTest::newRow("settings") << "tlSysConfigure"
                              << "frmSystemSetup";
}

void tst_MainWindow::commandsOpenTheirDialogs()
{
    QFETCH(QString, tool);
    QFETCH(QString, window);
    QString opened;
    whenModal([&](QWidget *modal) {
        opened = modal->objectName();
        modal->close();
    });
    m_main->toolClick(tool);
    QCOMPARE(opened, window);
}

void tst_MainWindow::reportThenItsChart()
{
    whenModal([](QWidget *modal) {
        QCOMPARE(modal->objectName(), QStringLiteral("frmSetReport"));
        auto *start = modal->findChild<QLineEdit *>(QStringLiteral("txtStartDate"));
        start->setText(QStringLiteral("2000-01-01"));
        QTest::mouseClick(modal->findChild<QPushButton *>(QStringLiteral("btnOk")), Qt::LeftButton);
    });
    m_main->toolClick(QStringLiteral("mnuMonthReport"));
    auto *report = qobject_cast<ListWindow *>(m_main->childWindow(QStringLiteral("frmReport")));
    QVERIFY(report);
    QVERIFY(report->model()->rowCount() >= 1);
    QVERIFY(report->curFullSQL.contains(QStringLiteral(" Group by ")));
    QCOMPARE(m_main->activeChild(), report);
    int points = -1;
    whenModal([&](QWidget *modal) {
        auto *chart = qobject_cast<frmChart *>(modal);
        QVERIFY(chart);
        QCOMPARE(chart->curChartCaption.isEmpty(), false);
        points = int(qobject_cast<QLineSeries *>(chart->chart()->series().first())->count());
        modal->close();
    });
    m_main->toolClick(QStringLiteral("tlChart"));
    QCOMPARE(points, report->model()->rowCount());
}

void tst_MainWindow::rowNavigation()
{
    ListWindow *list = openList(QStringLiteral("frmSaleAdmin"));
    QCOMPARE(list->model()->rowCount(), 3);
    auto row = [&] {
        return list->grid()->currentIndex().row();
    };
    m_main->toolClick(QStringLiteral("tlFirst"));
    QCOMPARE(row(), 0);
    m_main->toolClick(QStringLiteral("tlPrevious"));
    QCOMPARE(row(), 0);
    m_main->toolClick(QStringLiteral("tlNext"));
    QCOMPARE(row(), 1);
    m_main->toolClick(QStringLiteral("tlLast"));
    QCOMPARE(row(), 2);
    m_main->NextRow();
    QCOMPARE(row(), 2);
    m_main->PreviousRow();
    QCOMPARE(row(), 1);
    m_main->FirstRow();
    m_main->PreviousRow();
    QCOMPARE(row(), 0);

    // An empty grid: nothing to move to, nothing breaks.
    ListWindow *empty = openList(QStringLiteral("frmMoneyAdmin"));
    QVERIFY(empty);
    empty->curFilterSQL = QStringLiteral(" and Sale.ID<0");
    empty->DataRefresh();
    QCOMPARE(empty->model()->rowCount(), 0);
    m_main->NextRow();
    m_main->LastRow();
    QVERIFY(!empty->grid()->currentIndex().isValid());
}

void tst_MainWindow::saleListCommandUncoversTheSaleList()
{
    openList(QStringLiteral("frmSaleAdmin"));
    m_main->registerChildWindow(QStringLiteral("frmCustomerAdmin"), [] { return new PlainWindow; });
    m_main->toolClick(QStringLiteral("tlCustomerAdmin"));
    QCOMPARE(m_main->activeChild()->objectName(), QStringLiteral("frmCustomerAdmin"));
    m_main->toolClick(QStringLiteral("tlSaleAdmin"));
    QTRY_COMPARE(m_main->mdiArea()->subWindowList().size(), 1);
    QCOMPARE(m_main->activeChild()->objectName(), QStringLiteral("frmSaleAdmin"));
    m_main->toolClick(QStringLiteral("tlSaleAdmin"));
    QCOMPARE(m_main->mdiArea()->subWindowList().size(), 1);
}

void tst_MainWindow::childWindowsOpenOnce()
{
    int created = 0;
    m_main->registerChildWindow(QStringLiteral("frmStoreAdmin"), [&created] {
        ++created;
        return new PlainWindow;
    });
    openList(QStringLiteral("frmSaleAdmin"));
    m_main->toolClick(QStringLiteral("tlStoreAdmin"));
    QCOMPARE(m_main->activeChild()->objectName(), QStringLiteral("frmStoreAdmin"));
    m_main->mdiArea()->setActiveSubWindow(m_main->mdiArea()->subWindowList().first());
    QCOMPARE(m_main->activeChild()->objectName(), QStringLiteral("frmSaleAdmin"));
    m_main->toolClick(QStringLiteral("tlStoreAdmin"));
    QCOMPARE(m_main->activeChild()->objectName(), QStringLiteral("frmStoreAdmin"));
    QCOMPARE(created, 1);
    QCOMPARE(m_main->mdiArea()->subWindowList().size(), 2);
}

void tst_MainWindow::navigatorComesBack()
{
    auto *navigator = m_main->QObject::findChild<QDockWidget *>(QStringLiteral("barNavigator"));
    QVERIFY(navigator->isVisible());
    navigator->close();
    QVERIFY(!navigator->isVisible());
    m_main->toolClick(QStringLiteral("tlShowNavigator"));
    QVERIFY(navigator->isVisible());
    navigator->setFloating(true);
    navigator->close();
    m_main->toolClick(QStringLiteral("tlShowNavigator"));
    QVERIFY(navigator->isVisible());
    QVERIFY(!navigator->isFloating());
}

void tst_MainWindow::printSetup()
{
    // No list window: the printer's own set-up is offered.
    m_main->toolClick(QStringLiteral("tlPrintSetup"));
    QCOMPARE(m_prompts->requests.size(), 1);
    QCOMPARE(m_prompts->requests.first().kind, Prompt::Kind::PrinterSetup);
    QVERIFY(m_prompts->requests.first().printer);
    // A list window sets up its own grid printout.
    ListWindow *list = openList(QStringLiteral("frmSaleAdmin"));
    QStringList calls;
    recordCommands(list, &calls);
    m_prompts->clear();
    m_main->toolClick(QStringLiteral("tlPrintSetup"));
    QCOMPARE(calls, QStringList{"PrintSetup"});
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_MainWindow::tileAndCascade()
{
    m_main->showNormal();
    m_main->resize(1000, 700);
    openList(QStringLiteral("frmSaleAdmin"));
    m_main->registerChildWindow(QStringLiteral("frmCustomerAdmin"), [] { return new PlainWindow; });
    m_main->toolClick(QStringLiteral("tlCustomerAdmin"));
    const auto windows = m_main->mdiArea()->subWindowList();
    QCOMPARE(windows.size(), 2);

    m_main->toolClick(QStringLiteral("tlTileVertical"));
    QCOMPARE(windows[0]->geometry().top(), windows[1]->geometry().top());
    QVERIFY(windows[0]->geometry().right() < windows[1]->geometry().left());

    m_main->toolClick(QStringLiteral("tlTileHorizontal"));
    QCOMPARE(windows[0]->geometry().left(), windows[1]->geometry().left());
    QVERIFY(windows[0]->geometry().bottom() < windows[1]->geometry().top());

    m_main->toolClick(QStringLiteral("tlCascade"));
    QVERIFY(windows[0]->geometry().topLeft() != windows[1]->geometry().topLeft());

    windows[0]->showMinimized();
    windows[1]->showMinimized();
    m_main->toolClick(QStringLiteral("tlArrangeIcons"));
    const int bottom = m_main->mdiArea()->viewport()->height();
    QCOMPARE(windows[0]->geometry().bottom() + 1, bottom);
    QCOMPARE(windows[1]->geometry().bottom() + 1, bottom);
    QVERIFY(windows[0]->geometry().left() != windows[1]->geometry().left());
}

void tst_MainWindow::closingEndsEverything()
{
    openList(QStringLiteral("frmSaleAdmin"));
    QPointer<QWidget> list = m_main->activeChild();
    QPointer<CommandBars> bars = m_main->commandBars();
    QVERIFY(!bars->mainWindowClosing);
    bool closingSeen = false;
    connect(
        list, &QObject::destroyed, this, [&] { closingSeen = bars && bars->mainWindowClosing; });
    m_main->toolClick(QStringLiteral("tlExit"));
    QTRY_VERIFY(m_main.isNull() || !m_main->isVisible());
    QTRY_VERIFY(list.isNull());
    QVERIFY(closingSeen);
    m_main = nullptr; // deleted on close
}

void tst_MainWindow::realListsFollowTheFront()
{
    // The real lists this time, as start-up opens them.
    delete m_main;
    m_main = new frmMain;
    m_main->show();
    m_main->load();
    QWidget *saleList = m_main->activeChild();
    QVERIFY(saleList);
    QCOMPARE(saleList->objectName(), QStringLiteral("frmSaleAdmin"));
    CommandBars *bars = m_main->commandBars();
    QVERIFY(!bars->tool(QStringLiteral("tlFinish"))->isEnabled());
    QVERIFY(bars->tool(QStringLiteral("tlAdd"))->isEnabled());

    m_main->toolClick(QStringLiteral("tlMoneyAdmin"));
    QCOMPARE(m_main->activeChild()->objectName(), QStringLiteral("frmMoneyAdmin"));
    QVERIFY(!bars->tool(QStringLiteral("tlAdd"))->isEnabled());
    QCOMPARE(bars->toolCaption(QStringLiteral("barTool"), QStringLiteral("tlEdit")),
        QStringLiteral("打开"));

    // Back to the sale list: the money list closes itself, its filter lost.
    m_main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(saleList->parentWidget()));
    QTRY_VERIFY(!m_main->childWindow(QStringLiteral("frmMoneyAdmin")));
    QVERIFY(bars->tool(QStringLiteral("tlAdd"))->isEnabled());
    QCOMPARE(bars->toolCaption(QStringLiteral("barTool"), QStringLiteral("tlEdit")),
        QStringLiteral("修改"));

    // The sale list will not be closed by the operator.
    qobject_cast<QMdiSubWindow *>(saleList->parentWidget())->close();
    QCoreApplication::processEvents();
    QCOMPARE(m_main->childWindow(QStringLiteral("frmSaleAdmin")), saleList);
    m_main->toolClick(QStringLiteral("tlSaleAdmin"));
    QCOMPARE(m_main->childWindow(QStringLiteral("frmSaleAdmin")), saleList);
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_MainWindow::everyToolReachesItsCommand()
{
    CommandBars *bars = m_main->commandBars();
    const QStringList bands
        = {"mnuMain", "popFile", "popOperate", "popDaily", "popMoney", "popAmount", "popContainer",
            "popSearch", "popWindows", "popHelp", "popDel", "barTool", "barNavigator"};
    const QStringList menus = bars->bandTools(QStringLiteral("mnuMain"));
    QCOMPARE(menus.size(), 9);
    // Every tool of every band is one the main window knows: a misspelt
    // name in a band or in the dispatch table shows here.
    for (const QString &band : bands) {
        QVERIFY2(!bars->bandTools(band).isEmpty(), qPrintable(band));
        for (const QString &tool : bars->bandTools(band)) {
            if (menus.contains(tool) || tool == QLatin1String("tlHelp"))
                continue;
            QVERIFY2(m_main->knowsTool(tool), qPrintable(band + QLatin1Char(':') + tool));
        }
    }
    QVERIFY(!m_main->knowsTool(QStringLiteral("tlHelp")));
    QVERIFY(!m_main->knowsTool(QStringLiteral("tlAddNew")));

    // Whatever tool an operator can reach while a real list is in front, that
    // list carries out.
    auto reachable = [bars](const QString &band) {
        if (band == QLatin1String("barTool") || band == QLatin1String("barNavigator"))
            return true;
        if (band == QLatin1String("popDel")) {
            QAction *del = bars->tool(QStringLiteral("tlDel"));
            return del->isEnabled() && del->isVisible();
        }
        QAction *menu = bars->tool(QStringLiteral("mnu") + band.mid(3));
        return menu && menu->isEnabled() && menu->isVisible();
    };
    int checked = 0;
    for (const char *window : {"frmSaleAdmin", "frmCustomerAdmin", "frmStoreAdmin", "frmMoneyAdmin",
             "frmAmountAdmin", "frmContainerAdmin"}) {
        ListWindow *list = openList(QString::fromLatin1(window));
        QVERIFY2(list, window);
        QCOMPARE(m_main->activeChild(), list);
        for (const QString &band : bands) {
            if (band == QLatin1String("mnuMain") || !reachable(band))
                continue;
            for (const QString &tool : bars->bandTools(band)) {
                QAction *action = bars->tool(tool);
                const ListCommands::Member command = frmMain::childCommand(tool);
                if (!command || !action->isEnabled() || !action->isVisible())
                    continue;
                ++checked;
                QVERIFY2(list->commands().offers(command),
                    qPrintable(QString::fromLatin1(window) + QLatin1Char(':') + tool));
            }
        }
    }
    QVERIFY(checked > 40);
    // The other way round: what the rights logic switches off for a list,
    // the list need not offer (the money list deletes nothing).
    QVERIFY(!bars->tool(QStringLiteral("tlDel"))->isEnabled());
    QVERIFY(!qobject_cast<ListWindow *>(m_main->activeChild())
                 ->commands()
                 .offers(&ListCommands::DeleteData));
}

void tst_MainWindow::everyIdIsOneBoundTool_data()
{
    QTest::addColumn<int>("id");
    for (const Tools::Info &tool : Tools::all())
        QTest::newRow(tool.name) << int(tool.id);
}

void tst_MainWindow::everyIdIsOneBoundTool()
{
    QFETCH(int, id);
    const ToolId tool = ToolId(id);
    const QString name = Tools::name(tool);
    // One name per id, found again by toolClick's lookup.
    QCOMPARE(Tools::byName(name), std::optional<ToolId>(tool));
    QVERIFY(!Tools::caption(tool).isEmpty());
    // A handler for every command, none for menus and the inert help entry;
    // a debug build stops at start-up otherwise.
    QCOMPARE(m_main->knowsTool(name), Tools::info(tool).kind == Tools::Kind::Command);
    QVERIFY(!m_main->toolsWithoutHandler().contains(tool));
    // One action under the tool's name, shown in at least one band.
    CommandBars *bars = m_main->commandBars();
    QAction *action = bars->tool(tool);
    QVERIFY(action);
    QCOMPARE(action->objectName(), name);
    QCOMPARE(m_main->QObject::findChildren<QAction *>(name).size(), 1);
    bool shown = false;
    for (const char *band :
        {"mnuMain", "popFile", "popOperate", "popDaily", "popMoney", "popAmount", "popContainer",
            "popSearch", "popWindows", "popHelp", "popDel", "barTool", "barNavigator"})
        shown = shown || bars->bandHasTool(QLatin1String(band), name);
    QVERIFY(shown);
}

void tst_MainWindow::withoutSalesRightTheSaleListCloses()
{
    // The real sale list, which otherwise refuses to close, goes when the
    // operator may not take orders; the program itself keeps running.
    QVERIFY(mDatabase::ExecuteSQL(
        QStringLiteral("update SysUser set rolestring='10111111' where ID=1")));
    m_main->load();
    QVERIFY(!m_main->childWindow(QStringLiteral("frmSaleAdmin")));
    QVERIFY(m_main->mdiArea()->subWindowList().isEmpty());
    QVERIFY(!m_main->commandBars()->mainWindowClosing);
    QVERIFY(m_main->isVisible());
}

void tst_MainWindow::homePageFromTheSetting()
{
    QAction *home = m_main->commandBars()->tool(QStringLiteral("tlHomePage"));
    // No address set: nothing to visit.
    QVERIFY(!home->isEnabled());
    UrlCatcher browser;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
    m_main->toolClick(QStringLiteral("tlHomePage"));
    QVERIFY(browser.urls.isEmpty());

    QVERIFY(mDatabase::SetSysValue(
        frmMain::HomePageSetting, QStringLiteral("https://water.example.net/")));
    delete m_main;
    m_main = new frmMain;
    m_main->show();
    home = m_main->commandBars()->tool(QStringLiteral("tlHomePage"));
    QVERIFY(home->isEnabled());
    home->trigger();
    QCOMPARE(browser.urls, QList<QUrl>{QUrl(QStringLiteral("https://water.example.net/"))});

    // The settings dialog may clear it: the command follows at once.
    m_main->registerDialog(QStringLiteral("tlSysConfigure"),
        [](QWidget *) { mDatabase::SetSysValue(frmMain::HomePageSetting, QString()); });
    m_main->toolClick(QStringLiteral("tlSysConfigure"));
    QVERIFY(!home->isEnabled());
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

void tst_MainWindow::opensMaximised()
{
    delete m_main;
    m_main = new frmMain;
    m_main->show();
    QVERIFY(m_main->windowState() & Qt::WindowMaximized);
}

void tst_MainWindow::keepsItsLayoutBetweenStarts()
{
    // The operator makes it smaller and floats the navigator, then quits.
    delete m_main;
    m_main = new frmMain;
    m_main->show();
    m_main->showNormal();
    m_main->setGeometry(40, 50, 700, 500);
    auto *navigator = m_main->QObject::findChild<QDockWidget *>(QStringLiteral("barNavigator"));
    navigator->hide();
    QTest::qWait(50);
    const QRect normal = m_main->geometry();
    QPointer<frmMain> closing = m_main;
    m_main->close();
    QTRY_VERIFY(!closing);
    // The next start comes back the same, not maximised.
    m_main = new frmMain;
    m_main->show();
    QVERIFY(!(m_main->windowState() & Qt::WindowMaximized));
    QCOMPARE(m_main->geometry().size(), normal.size());
    QVERIFY(
        !m_main->QObject::findChild<QDockWidget *>(QStringLiteral("barNavigator"))->isVisible());
    // Maximised when left maximised.
    m_main->showMaximized();
    closing = m_main;
    m_main->close();
    QTRY_VERIFY(!closing);
    m_main = new frmMain;
    m_main->show();
    QVERIFY(m_main->windowState() & Qt::WindowMaximized);
}

void tst_MainWindow::listRefreshesWhenBackInFront()
{
    ListWindow *sales = openList(QStringLiteral("frmSaleAdmin"));
    QVERIFY(sales);
    const qint64 middle = sales->model()->value(1, QStringLiteral("ID")).toLongLong();
    QVERIFY(sales->selectRowOfId(middle));
    QCOMPARE(sales->footerTexts().value(4), QStringLiteral("0.00"));
    // Money taken for every order in the money list...
    ListWindow *money = openList(QStringLiteral("frmMoneyAdmin"));
    QVERIFY(money);
    m_prompts->answers = {Prompt::Yes};
    money->commands().InAllMoney();
    // ...shows in the sale list as soon as it is in front again, on the same row.
    m_main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(sales->parentWidget()));
    QCOMPARE(m_main->activeChild(), sales);
    QCOMPARE(sales->footerTexts().value(4), QStringLiteral("60.00"));
    QCOMPARE(sales->selectedID(), QString::number(middle));
    // Receiving the same order again is refused, not reported twice.
    m_prompts->clear();
    sales->commands().InMoney();
    QCOMPARE(m_prompts->texts(),
        QStringList{QStringLiteral("该单据已经入帐或已经收款成功，不能再收款！")});
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
