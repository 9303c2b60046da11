#include "mainwindow/frmmain.h"

#include "callerid/ctapiline.h"
#include "datastore/cregistry.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "datastore/registrysettings.h"
#include "lists/frmcustomeradmin.h"
#include "lists/frmhistorycall.h"
#include "lists/frmsaleadmin.h"
#include "lists/listwindow.h"
#include "mainwindow/frmabout.h"
#include "masterdata/frmgrpstationadmin.h"
#include "masterdata/frmproductadmin.h"
#include "masterdata/frmsenderadmin.h"
#include "reports/chartdata.h"
#include "reports/frmchart.h"
#include "reports/frmreport.h"
#include "reports/frmsetreport.h"
#include "reports/frmtodayreport.h"
#include "sales/frmsaleprintsetup.h"
#include "sales/incomingcall.h"
#include "shell/commandbars.h"
#include "shell/frmchangepwd.h"
#include "shell/frmsystemsetup.h"
#include "shell/frmuseradmin.h"
#include "shell/loginstate.h"
#include "shell/rights.h"
#include "shell/systemreset.h"
#include "shell/toolicons.h"
#include "stock/frmstoreadmin.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDockWidget>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolBox>
#include <QToolButton>
#include <QUrl>

namespace {

struct ToolDef {
    QString name;
    QString caption;
};

using Band = QList<ToolDef>;

// The drop-down menus, in the order the menu bar shows them.
const struct {
    QString menu;
    QString caption;
    QString popup;
    Band tools;
} Menus[] = {
    {QStringLiteral("mnuFile"), QStringLiteral("文件(&F)"), QStringLiteral("popFile"),
        {{QStringLiteral("tlUserAdmin"), QStringLiteral("系统用户管理")},
            {QStringLiteral("tlChangePwd"), QStringLiteral("修改登录密码")},
            {QStringLiteral("tlSysConfigure"), QStringLiteral("系统参数设置")},
            {QStringLiteral("tlSysReset"), QStringLiteral("重新启用系统")},
            {QStringLiteral("tlSalePrintSetup"), QStringLiteral("定义单据打印格式")},
            {QStringLiteral("tlPrintSetup"), QStringLiteral("打印设置")},
            {QStringLiteral("tlPrintPreview"), QStringLiteral("打印预览")},
            {QStringLiteral("tlPrint"), QStringLiteral("打印报表")},
            {QStringLiteral("tlExit"), QStringLiteral("退出")}}},
    {QStringLiteral("mnuOperate"), QStringLiteral("操作(&O)"), QStringLiteral("popOperate"),
        {{QStringLiteral("tlAdd"), QStringLiteral("增加记录")},
            {QStringLiteral("tlEdit"), QStringLiteral("修改记录")},
            {QStringLiteral("tlDel"), QStringLiteral("删除记录")},
            {QStringLiteral("tlFirst"), QStringLiteral("第一条记录")},
            {QStringLiteral("tlPrevious"), QStringLiteral("上一条记录")},
            {QStringLiteral("tlNext"), QStringLiteral("下一条记录")},
            {QStringLiteral("tlLast"), QStringLiteral("最后一条记录")},
            {QStringLiteral("tlRefresh"), QStringLiteral("刷新显示")},
            {QStringLiteral("tlFilter"), QStringLiteral("查询过滤")},
            {QStringLiteral("tlShowNavigator"), QStringLiteral("导航条复位")}}},
    {QStringLiteral("mnuDaily"), QStringLiteral("日常业务(&R)"), QStringLiteral("popDaily"),
        {{QStringLiteral("tlSaleAdmin"), QStringLiteral("销售开票管理")},
            {QStringLiteral("tlMoneyAdmin"), QStringLiteral("销售收款管理")},
            {QStringLiteral("tlAmountAdmin"), QStringLiteral("销售出库管理")},
            {QStringLiteral("tlContainerAdmin"), QStringLiteral("空瓶回收管理")},
            {QStringLiteral("tlStoreAdmin"), QStringLiteral("手工库存调整")},
            {QStringLiteral("tlGrpStationAdmin"), QStringLiteral("下属煤气站设置")},
            {QStringLiteral("tlSenderAdmin"), QStringLiteral("送水工管理")},
            {QStringLiteral("tlCustomerAdmin"), QStringLiteral("客户资料管理")},
            {QStringLiteral("tlProductAdmin"), QStringLiteral("产品目录管理")},
            {QStringLiteral("tlTodayReport"), QStringLiteral("今日盘点")}}},
    {QStringLiteral("mnuMoney"), QStringLiteral("货款管理(&H)"), QStringLiteral("popMoney"),
        {{QStringLiteral("tlInMoney"), QStringLiteral("对当前选中单据收款")},
            {QStringLiteral("tlInAllMoney"), QStringLiteral("对所有未入帐单据收款")},
            {QStringLiteral("tlOutMoney"), QStringLiteral("对当前选中单据退款")},
            {QStringLiteral("tlOutAllMoney"), QStringLiteral("对所有未入帐单据退款")}}},
    {QStringLiteral("mnuAmount"), QStringLiteral("发货管理(&F)"), QStringLiteral("popAmount"),
        {{QStringLiteral("tlOutAmount"), QStringLiteral("对当前单据发货")},
            {QStringLiteral("tlOutAllAmount"), QStringLiteral("对所有未入帐单据发货")},
            {QStringLiteral("tlInAmount"), QStringLiteral("对当前单据退货")},
            {QStringLiteral("tlInAllAmount"), QStringLiteral("对所有未入帐单据退货")}}},
    {QStringLiteral("mnuContainer"), QStringLiteral("空瓶管理(&K)"), QStringLiteral("popContainer"),
        {{QStringLiteral("tlInContainer"), QStringLiteral("回收当前单据空瓶")},
            {QStringLiteral("tlInAllContainer"), QStringLiteral("回收所有未入帐单据的空瓶")},
            {QStringLiteral("tlOutContainer"), QStringLiteral("标志当前单据为欠瓶")},
            {QStringLiteral("tlOutAllContainer"), QStringLiteral("标志所有未入帐单据为欠瓶")}}},
    {QStringLiteral("mnuSearch"), QStringLiteral("查询统计(&C)"), QStringLiteral("popSearch"),
        {{QStringLiteral("mnuDayReport"), QStringLiteral("日销售额汇总表")},
            {QStringLiteral("mnuMonthReport"), QStringLiteral("月销售额汇总表")},
            {QStringLiteral("mnuCustDayReport"), QStringLiteral("客户日购水统计表")},
            {QStringLiteral("mnuCustMonthReport"), QStringLiteral("客户月购水统计表")},
            {QStringLiteral("mnuSenderDayReport"), QStringLiteral("送水工日业绩考核表")},
            {QStringLiteral("mnuSenderMonthReport"), QStringLiteral("送水工月业绩考核表")},
            {QStringLiteral("mnuHistoryCall"), QStringLiteral("客户来电记录")}}},
    {QStringLiteral("mnuWindows"), QStringLiteral("窗口(&W)"), QStringLiteral("popWindows"),
        {{QStringLiteral("tlTileVertical"), QStringLiteral("纵向平铺")},
            {QStringLiteral("tlTileHorizontal"), QStringLiteral("横向平铺")},
            {QStringLiteral("tlCascade"), QStringLiteral("窗口层叠")},
            {QStringLiteral("tlArrangeIcons"), QStringLiteral("排列图标")}}},
    {QStringLiteral("mnuHelp"), QStringLiteral("帮助(&H)"), QStringLiteral("popHelp"),
        {{QStringLiteral("tlHelp"), QStringLiteral("目录")},
            {QStringLiteral("tlHomePage"), QStringLiteral("访问网站")},
            {QStringLiteral("tlAbout"), QStringLiteral("关于.......")}}},
};

const Band PopDel = {{QStringLiteral("tlDelAll"), QStringLiteral("所有未入帐单据")}};

const Band BarTool = {
    {QStringLiteral("tlExit"), QStringLiteral("退出")},
    {QStringLiteral("tlAdd"), QStringLiteral("新建")},
    {QStringLiteral("tlEdit"), QStringLiteral("修改")},
    {QStringLiteral("tlDel"), QStringLiteral("删除")},
    {QStringLiteral("tlPrintSale"), QStringLiteral("打印单据")},
    {QStringLiteral("tlFinish"), QStringLiteral("单据入帐")},
    {QStringLiteral("tlFilter"), QStringLiteral("查询")},
    {QStringLiteral("tlRefresh"), QStringLiteral("刷新")},
    {QStringLiteral("tlChart"), QStringLiteral("图形分析")},
    {QStringLiteral("tlOutAmount"), QStringLiteral("发货")},
    {QStringLiteral("tlInAmount"), QStringLiteral("退货")},
    {QStringLiteral("tlInMoney"), QStringLiteral("收款")},
    {QStringLiteral("tlOutMoney"), QStringLiteral("退款")},
    {QStringLiteral("tlFirst"), QStringLiteral("最前一条")},
    {QStringLiteral("tlPrevious"), QStringLiteral("上一条")},
    {QStringLiteral("tlNext"), QStringLiteral("下一条")},
    {QStringLiteral("tlLast"), QStringLiteral("最后一条")},
};

const Band BarNavigator = {
    {QStringLiteral("tlSaleAdmin"), QStringLiteral("销售开票")},
    {QStringLiteral("tlMoneyAdmin"), QStringLiteral("销售收款")},
    {QStringLiteral("tlAmountAdmin"), QStringLiteral("销售发货")},
    {QStringLiteral("tlContainerAdmin"), QStringLiteral("空瓶回收")},
    {QStringLiteral("tlStoreAdmin"), QStringLiteral("库存管理")},
    {QStringLiteral("tlTodayReport"), QStringLiteral("今日盘点")},
};

// Tools that the active list window carries out, by its command.
const QHash<QString, ListCommands::Member> &childCommands()
{
    static const QHash<QString, ListCommands::Member> commands = {
        {QStringLiteral("tlAdd"), &ListCommands::AddNew},
        {QStringLiteral("tlEdit"), &ListCommands::EditData},
        {QStringLiteral("tlDel"), &ListCommands::DeleteData},
        {QStringLiteral("tlDelAll"), &ListCommands::DeleteAll},
        {QStringLiteral("tlRefresh"), &ListCommands::DataRefresh},
        {QStringLiteral("tlFilter"), &ListCommands::ShowFilter},
        {QStringLiteral("tlPrintSale"), &ListCommands::PrintSale},
        {QStringLiteral("tlPrintPreview"), &ListCommands::PrintPreview},
        {QStringLiteral("tlPrint"), &ListCommands::PrintReport},
        {QStringLiteral("tlInMoney"), &ListCommands::InMoney},
        {QStringLiteral("tlInAllMoney"), &ListCommands::InAllMoney},
        {QStringLiteral("tlOutMoney"), &ListCommands::OutMoney},
        {QStringLiteral("tlOutAllMoney"), &ListCommands::OutAllMoney},
        {QStringLiteral("tlOutAmount"), &ListCommands::OutAmount},
        {QStringLiteral("tlOutAllAmount"), &ListCommands::OutAllAmount},
        {QStringLiteral("tlInAmount"), &ListCommands::InAmount},
        {QStringLiteral("tlInAllAmount"), &ListCommands::InAllAmount},
        {QStringLiteral("tlInContainer"), &ListCommands::InContainer},
        {QStringLiteral("tlInAllContainer"), &ListCommands::InAllContainer},
        {QStringLiteral("tlOutContainer"), &ListCommands::OutContainer},
        {QStringLiteral("tlOutAllContainer"), &ListCommands::OutAllContainer},
        {QStringLiteral("tlFinish"), &ListCommands::FinishToday},
    };
    return commands;
}

QStringList names(const Band &band)
{
    QStringList list;
    for (const ToolDef &t : band)
        list << t.name;
    return list;
}

enum RowMove { First, Previous, Next, Last };

} // namespace

frmMain::frmMain(QWidget *parent) : QMainWindow(parent), m_bars(new CommandBars(this))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Pelkor 水站配送管理系统（集团用户版）"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiMain"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);

    statusBar()->setObjectName(QStringLiteral("barStatus"));
    stbInfo = new QLabel(this);
    stbInfo->setObjectName(QStringLiteral("stbInfo"));
    stbUser = new QLabel(this);
    stbUser->setObjectName(QStringLiteral("stbUser"));
    statusBar()->addWidget(stbInfo, 1);
    statusBar()->addPermanentWidget(stbUser);
    m_bars->addPane(QStringLiteral("stbInfo"), stbInfo);
    m_bars->addPane(QStringLiteral("stbUser"), stbUser);
    m_bars->closeWindow = [this](const QString &name) {
        closeChildWindow(name);
    };

    buildCommands();
    buildNavigator();
    buildDispatch();
    updateHomePage();

    stbUser->setText(mSystem::StationUserText());

    m_dialogs.insert(QStringLiteral("tlChangePwd"), [](QWidget *parent) {
        frmChangePwd dialog(parent);
        dialog.exec();
    });
    registerSubsystemDialogs();
    registerChildWindow(QStringLiteral("frmSaleAdmin"), [] { return new frmSaleAdmin; });
    registerChildWindow(QStringLiteral("frmHistoryCall"), [] { return new frmHistoryCall; });
    registerChildWindow(QStringLiteral("frmCustomerAdmin"), [] { return new frmCustomerAdmin; });
    registerChildWindow(QStringLiteral("frmTodayReport"), [] { return new frmTodayReport; });
    registerChildWindow(QStringLiteral("frmMoneyAdmin"), [] { return new frmMoneyAdmin; });
    registerChildWindow(QStringLiteral("frmAmountAdmin"), [] { return new frmAmountAdmin; });
    registerChildWindow(QStringLiteral("frmContainerAdmin"), [] { return new frmContainerAdmin; });
    registerChildWindow(QStringLiteral("frmStoreAdmin"), [] { return new frmStoreAdmin; });
    resize(1100, 720);
    restoreWindowLayout();
}

namespace {

const QString GeometryKey = QStringLiteral("\\MAIN_WINDOW_GEOMETRY");
const QString LayoutKey = QStringLiteral("\\MAIN_WINDOW_LAYOUT");

} // namespace

void frmMain::restoreWindowLayout()
{
    // Size, place, maximised or not, and where the navigator sits, as the
    // operator left them on this workstation; the whole screen the first time.
    const QByteArray geometry = QByteArray::fromBase64(
        readRegistryText(mDatabase::RegistryRoot + GeometryKey).toLatin1());
    if (geometry.isEmpty() || !restoreGeometry(geometry))
        setWindowState(windowState() | Qt::WindowMaximized);
    const QByteArray layout
        = QByteArray::fromBase64(readRegistryText(mDatabase::RegistryRoot + LayoutKey).toLatin1());
    if (!layout.isEmpty())
        restoreState(layout);
}

void frmMain::saveWindowLayout() const
{
    writeRegistryText(
        mDatabase::RegistryRoot + GeometryKey, QString::fromLatin1(saveGeometry().toBase64()));
    writeRegistryText(
        mDatabase::RegistryRoot + LayoutKey, QString::fromLatin1(saveState().toBase64()));
}

frmMain::~frmMain() = default;

QString frmMain::HomePageUrl()
{
    if (!mDatabase::isConnected())
        return {};
    return mDatabase::TrimBlanks(mDatabase::GetSysValue(HomePageSetting));
}

void frmMain::updateHomePage()
{
    if (QAction *homePage = m_tools.value(QStringLiteral("tlHomePage")))
        homePage->setEnabled(!HomePageUrl().isEmpty());
}

QAction *frmMain::makeTool(const QString &name, const QString &caption)
{
    if (QAction *existing = m_tools.value(name))
        return existing;
    auto *action = new QAction(caption, this);
    action->setObjectName(name);
    action->setIcon(ToolIcons::icon(name));
    connect(action, &QAction::triggered, this, [this, name] { toolClick(name); });
    m_tools.insert(name, action);
    m_bars->addTool(name, action);
    return action;
}

QMenu *frmMain::makePopup(const QString &name, const QStringList &tools)
{
    auto *popup = new QMenu(this);
    popup->setObjectName(name);
    for (const QString &tool : tools)
        popup->addAction(m_tools.value(tool));
    return popup;
}

void frmMain::buildCommands()
{
    menuBar()->setObjectName(QStringLiteral("mnuMain"));
    QStringList menuNames;
    for (const auto &m : Menus) {
        QStringList tools;
        for (const ToolDef &t : m.tools) {
            makeTool(t.name, t.caption);
            tools << t.name;
        }
        QMenu *popup = makePopup(m.popup, tools);
        popup->setTitle(m.caption);
        QAction *menuAction = popup->menuAction();
        menuAction->setObjectName(m.menu);
        menuBar()->addAction(menuAction);
        m_tools.insert(m.menu, menuAction);
        m_bars->addTool(m.menu, menuAction);
        m_bars->addBand(m.popup, CommandBars::BandKind::Menu, tools);
        menuNames << m.menu;
    }
    m_bars->addBand(QStringLiteral("mnuMain"), CommandBars::BandKind::Menu, menuNames);
    // Closed windows and the open list's record commands belong together.
    findChild<QMenu *>(QStringLiteral("popFile"))
        ->insertSeparator(m_tools.value(QStringLiteral("tlPrintSetup")));
    findChild<QMenu *>(QStringLiteral("popFile"))
        ->insertSeparator(m_tools.value(QStringLiteral("tlExit")));
    findChild<QMenu *>(QStringLiteral("popOperate"))
        ->insertSeparator(m_tools.value(QStringLiteral("tlFirst")));
    findChild<QMenu *>(QStringLiteral("popOperate"))
        ->insertSeparator(m_tools.value(QStringLiteral("tlRefresh")));
    findChild<QMenu *>(QStringLiteral("popDaily"))
        ->insertSeparator(m_tools.value(QStringLiteral("tlGrpStationAdmin")));
    findChild<QMenu *>(QStringLiteral("popDaily"))
        ->insertSeparator(m_tools.value(QStringLiteral("tlTodayReport")));
    findChild<QMenu *>(QStringLiteral("popSearch"))
        ->insertSeparator(m_tools.value(QStringLiteral("mnuHistoryCall")));

    for (const ToolDef &t : PopDel)
        makeTool(t.name, t.caption);
    QMenu *popDel = makePopup(QStringLiteral("popDel"), names(PopDel));
    m_bars->addBand(QStringLiteral("popDel"), CommandBars::BandKind::Menu, names(PopDel));

    barTool = addToolBar(QStringLiteral("工具栏"));
    barTool->setObjectName(QStringLiteral("barTool"));
    barTool->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    barTool->setIconSize(QSize(24, 24));
    for (const ToolDef &t : BarTool) {
        QAction *action = makeTool(t.name, t.caption);
        action->setIconText(t.caption);
        action->setToolTip(t.caption);
        barTool->addAction(action);
        if (t.name == QLatin1String("tlDel")) {
            auto *button = qobject_cast<QToolButton *>(barTool->widgetForAction(action));
            button->setMenu(popDel);
            button->setPopupMode(QToolButton::MenuButtonPopup);
        }
        if (t.name == QLatin1String("tlExit") || t.name == QLatin1String("tlChart")
            || t.name == QLatin1String("tlOutMoney"))
            barTool->addSeparator();
    }
    m_bars->addBand(QStringLiteral("barTool"), CommandBars::BandKind::ToolBar, names(BarTool));
}

void frmMain::buildNavigator()
{
    barNavigator = new QDockWidget(QStringLiteral("导航条"), this);
    barNavigator->setObjectName(QStringLiteral("barNavigator"));
    barNavigator->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    auto *toolBox = new QToolBox(barNavigator);
    auto *group = new QToolBar(toolBox);
    group->setObjectName(QStringLiteral("grpCommon"));
    group->setOrientation(Qt::Vertical);
    group->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    group->setIconSize(QSize(36, 36));
    for (const ToolDef &t : BarNavigator) {
        QAction *action = m_tools.value(t.name);
        action->setIconText(t.caption);
        group->addAction(action);
        if (QWidget *button = group->widgetForAction(action))
            button->setMinimumWidth(96);
    }
    toolBox->addItem(group, QStringLiteral("常用操作"));
    barNavigator->setWidget(toolBox);
    addDockWidget(Qt::LeftDockWidgetArea, barNavigator);
    m_bars->addBand(
        QStringLiteral("barNavigator"), CommandBars::BandKind::ToolBar, names(BarNavigator));
}

void frmMain::load()
{
    showChildWindow(QStringLiteral("frmSaleAdmin"));
    mSystem::ApplyUserRights(gUserID);
    if (m_dialogs.contains(QStringLiteral("frmSystemSetup:load")))
        m_dialogs.value(QStringLiteral("frmSystemSetup:load"))(this);
}

void frmMain::registerSubsystemDialogs()
{
    const auto modal = [this](const char *tool, auto makeDialog) {
        m_dialogs.insert(QLatin1String(tool), [makeDialog](QWidget *parent) {
            auto dialog = makeDialog(parent);
            dialog->exec();
        });
    };
    modal("tlProductAdmin", [](QWidget *p) { return std::make_unique<frmProductAdmin>(p); });
    modal("tlSenderAdmin", [](QWidget *p) { return std::make_unique<frmSenderAdmin>(p); });
    modal("tlGrpStationAdmin", [](QWidget *p) { return std::make_unique<frmGrpStationAdmin>(p); });
    modal("tlUserAdmin", [](QWidget *p) { return std::make_unique<frmUserAdmin>(p); });
    modal("tlSalePrintSetup", [](QWidget *p) { return std::make_unique<frmSalePrintSetup>(p); });
    m_dialogs.insert(QStringLiteral("tlSysReset"), [](QWidget *) {
        // Everybody logs in again on what is left.
        if (mSystem::ResetSystem())
            QCoreApplication::exit(0);
    });
    m_dialogs.insert(
        QStringLiteral("tlSysConfigure"), [this](QWidget *) { loadSystemSetup(true); });
    m_dialogs.insert(
        QStringLiteral("frmSystemSetup:load"), [this](QWidget *) { loadSystemSetup(false); });
    const std::pair<const char *, int> reports[] = {{"mnuDayReport", PeriodReport::DayReport},
        {"mnuCustDayReport", PeriodReport::CustDayReport},
        {"mnuSenderDayReport", PeriodReport::SenderDayReport},
        {"mnuMonthReport", PeriodReport::MonthReport},
        {"mnuCustMonthReport", PeriodReport::CustMonthReport},
        {"mnuSenderMonthReport", PeriodReport::SenderMonthReport}};
    for (const auto &[tool, type] : reports) {
        m_dialogs.insert(QLatin1String(tool), [this, type = type](QWidget *parent) {
            frmSetReport dialog(type, parent);
            dialog.exec();
            if (dialog.mResult != -1)
                return;
            // One report window at a time: the new one replaces it.
            closeChildWindow(QStringLiteral("frmReport"));
            const PeriodReport::Parameters parameters = dialog.parameters();
            registerChildWindow(
                QStringLiteral("frmReport"), [parameters] { return new frmReport(parameters); });
            showChildWindow(QStringLiteral("frmReport"));
        });
    }
    m_dialogs.insert(QStringLiteral("tlChart"), [this](QWidget *parent) {
        // The report in front is what the chart draws.
        auto *report = qobject_cast<frmReport *>(activeChild());
        if (!report)
            return;
        frmChart chart(report->curReportCaption, ChartData::fromRows(report->rows()), parent);
        chart.exec();
    });
}

void frmMain::loadSystemSetup(bool show)
{
    frmSystemSetup setup(&Tapiline, this);
    setup.Load();
    if (Tapiline)
        connect(
            Tapiline.get(), &cTAPILine::InfoCallerID, this, &IncomingCall::Tapiline_InfoCallerID);
    if (show)
        setup.exec();
}

void frmMain::registerChildWindow(const QString &name, ChildFactory factory)
{
    m_childFactories.insert(name, std::move(factory));
}

void frmMain::registerDialog(const QString &name, DialogRunner runner)
{
    m_dialogs.insert(name, std::move(runner));
}

QWidget *frmMain::activeChild() const
{
    // The current window stays current while a dialog has the focus.
    QMdiSubWindow *sub = m_mdi->currentSubWindow();
    return sub ? sub->widget() : nullptr;
}

QWidget *frmMain::childWindow(const QString &windowName) const
{
    for (QMdiSubWindow *sub : m_mdi->subWindowList()) {
        if (sub->widget() && sub->widget()->objectName() == windowName)
            return sub->widget();
    }
    return nullptr;
}

void frmMain::showChildWindow(const QString &name)
{
    if (QWidget *existing = childWindow(name)) {
        auto *sub = qobject_cast<QMdiSubWindow *>(existing->parentWidget());
        if (sub) {
            if (sub->isMinimized())
                sub->showNormal();
            m_mdi->setActiveSubWindow(sub);
        }
        return;
    }
    const ChildFactory factory = m_childFactories.value(name);
    if (!factory)
        return;
    QWidget *child = factory();
    if (!child)
        return;
    child->setObjectName(name);
    child->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow *sub = m_mdi->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(child->windowIcon());
    sub->showMaximized();
    m_mdi->setActiveSubWindow(sub);
}

void frmMain::closeChildWindow(const QString &name)
{
    if (QWidget *child = childWindow(name)) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(child->parentWidget()))
            sub->close();
    }
}

void frmMain::buildDispatch()
{
    // Every tool the main window knows, in one place. Commands of the active
    // list go through member pointers of its command object.
    for (auto it = childCommands().cbegin(); it != childCommands().cend(); ++it) {
        const ListCommands::Member command = it.value();
        m_dispatch.insert(it.key(), [this, command] { forwardToChild(command); });
    }
    const QHash<QString, QString> childWindows = {
        {QStringLiteral("tlCustomerAdmin"), QStringLiteral("frmCustomerAdmin")},
        {QStringLiteral("tlStoreAdmin"), QStringLiteral("frmStoreAdmin")},
        {QStringLiteral("tlMoneyAdmin"), QStringLiteral("frmMoneyAdmin")},
        {QStringLiteral("tlAmountAdmin"), QStringLiteral("frmAmountAdmin")},
        {QStringLiteral("tlContainerAdmin"), QStringLiteral("frmContainerAdmin")},
        {QStringLiteral("tlTodayReport"), QStringLiteral("frmTodayReport")},
        {QStringLiteral("mnuHistoryCall"), QStringLiteral("frmHistoryCall")},
    };
    for (auto it = childWindows.cbegin(); it != childWindows.cend(); ++it) {
        const QString window = it.value();
        m_dispatch.insert(it.key(), [this, window] { showChildWindow(window); });
    }
    // Dialogs the subsystems register; nothing happens until one is there.
    for (const char *dialog : {"tlUserAdmin", "tlGrpStationAdmin", "tlSenderAdmin",
             "tlProductAdmin", "tlChangePwd", "tlSysReset", "tlSysConfigure", "mnuDayReport",
             "mnuCustDayReport", "mnuSenderDayReport", "mnuMonthReport", "mnuCustMonthReport",
             "mnuSenderMonthReport", "tlChart", "tlSalePrintSetup"}) {
        const QString name = QString::fromLatin1(dialog);
        m_dispatch.insert(name, [this, name] {
            const DialogRunner runner = m_dialogs.value(name);
            if (!runner)
                return;
            runner(this);
            // Rights withdrawn in the operator list take effect at once.
            if (name == QLatin1String("tlUserAdmin"))
                mSystem::ApplyUserRights(gUserID);
            updateHomePage();
        });
    }
    m_dispatch.insert(QStringLiteral("tlExit"), [this] { close(); });
    m_dispatch.insert(QStringLiteral("tlSaleAdmin"), [this] {
        // The sale list refuses to close, so repeated use uncovers it.
        QWidget *child = activeChild();
        if (child && child->objectName() != QLatin1String("frmSaleAdmin"))
            m_mdi->currentSubWindow()->close();
    });
    m_dispatch.insert(QStringLiteral("tlNext"), [this] { NextRow(); });
    m_dispatch.insert(QStringLiteral("tlPrevious"), [this] { PreviousRow(); });
    m_dispatch.insert(QStringLiteral("tlFirst"), [this] { FirstRow(); });
    m_dispatch.insert(QStringLiteral("tlLast"), [this] { LastRow(); });
    m_dispatch.insert(QStringLiteral("tlTileHorizontal"), [this] { tile(Qt::Horizontal); });
    m_dispatch.insert(QStringLiteral("tlTileVertical"), [this] { tile(Qt::Vertical); });
    m_dispatch.insert(QStringLiteral("tlCascade"), [this] { m_mdi->cascadeSubWindows(); });
    m_dispatch.insert(QStringLiteral("tlArrangeIcons"), [this] { arrangeIcons(); });
    m_dispatch.insert(QStringLiteral("tlPrintSetup"), [this] { printSetup(); });
    m_dispatch.insert(QStringLiteral("tlShowNavigator"), [this] {
        barNavigator->show();
        if (dockWidgetArea(barNavigator) == Qt::NoDockWidgetArea || barNavigator->isFloating()) {
            barNavigator->setFloating(false);
            addDockWidget(Qt::LeftDockWidgetArea, barNavigator);
        }
    });
    m_dispatch.insert(QStringLiteral("tlHomePage"), [] {
        const QString url = HomePageUrl();
        if (!url.isEmpty())
            QDesktopServices::openUrl(QUrl::fromUserInput(url));
    });
    m_dispatch.insert(QStringLiteral("tlAbout"), [this] { about(); });
}

ListCommands::Member frmMain::childCommand(const QString &toolName)
{
    return childCommands().value(toolName, nullptr);
}

void frmMain::toolClick(const QString &toolName)
{
    // tlHelp and names nobody knows do nothing.
    if (const auto command = m_dispatch.value(toolName))
        command();
}

bool frmMain::forwardToChild(ListCommands::Member command)
{
    // Only list windows take commands; a list without this one simply does
    // not have it.
    auto *list = qobject_cast<ListWindow *>(activeChild());
    return list && list->commands().run(command);
}

void frmMain::moveRow(int how)
{
    QWidget *child = activeChild();
    if (!child)
        return;
    auto *grid = child->findChild<QAbstractItemView *>(QStringLiteral("dbgMain"));
    if (!grid || !grid->model())
        return;
    QAbstractItemModel *model = grid->model();
    // Rows that a lazy model has not fetched yet still count as rows to move to.
    if (how == Last) {
        while (model->canFetchMore(QModelIndex()))
            model->fetchMore(QModelIndex());
    }
    const int rows = model->rowCount();
    if (rows == 0)
        return;
    const QModelIndex current = grid->currentIndex();
    const int column = current.isValid() ? current.column() : 0;
    int row = current.isValid() ? current.row() : -1;
    switch (how) {
    case First:
        row = 0;
        break;
    case Previous:
        row = row <= 0 ? 0 : row - 1;
        break;
    case Next:
        if (row + 1 >= rows && model->canFetchMore(QModelIndex())) {
            model->fetchMore(QModelIndex());
        }
        row = qMin(row + 1, model->rowCount() - 1);
        break;
    case Last:
        row = rows - 1;
        break;
    }
    const QModelIndex target = model->index(row, column);
    grid->setCurrentIndex(target);
    grid->scrollTo(target);
}

void frmMain::NextRow()
{
    moveRow(Next);
}

void frmMain::PreviousRow()
{
    moveRow(Previous);
}

void frmMain::FirstRow()
{
    moveRow(First);
}

void frmMain::LastRow()
{
    moveRow(Last);
}

void frmMain::tile(Qt::Orientation orientation)
{
    QList<QMdiSubWindow *> windows;
    for (QMdiSubWindow *sub : m_mdi->subWindowList()) {
        if (!sub->isMinimized() && sub->isVisible())
            windows << sub;
    }
    if (windows.isEmpty())
        return;
    const QRect area = m_mdi->viewport()->rect();
    const int n = int(windows.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow *sub = windows[i];
        if (sub->isMaximized())
            sub->showNormal();
        if (orientation == Qt::Vertical) {
            const int width = area.width() / n;
            sub->setGeometry(
                i * width, 0, i == n - 1 ? area.width() - i * width : width, area.height());
        } else {
            const int height = area.height() / n;
            sub->setGeometry(
                0, i * height, area.width(), i == n - 1 ? area.height() - i * height : height);
        }
    }
}

void frmMain::arrangeIcons()
{
    const QRect area = m_mdi->viewport()->rect();
    int x = 0;
    int y = area.height();
    for (QMdiSubWindow *sub : m_mdi->subWindowList()) {
        if (!sub->isMinimized())
            continue;
        const QSize size = sub->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            y -= size.height();
        }
        sub->move(x, y - size.height());
        x += size.width();
    }
}

void frmMain::printSetup()
{
    // A list window sets up its own grid printout; otherwise the printer.
    if (forwardToChild(&ListCommands::PrintSetup))
        return;
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    Prompt::choose(Prompt::Kind::PrinterSetup, QStringLiteral("打印设置"),
        QVariant::fromValue(reinterpret_cast<quintptr>(m_printer.get())));
}

void frmMain::about()
{
    frmAbout dialog(this);
    dialog.exec();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program: nothing asks, nothing vetoes.
    m_bars->mainWindowClosing = true;
    saveWindowLayout();
    m_mdi->closeAllSubWindows();
    event->accept();
}
