#include "frmmain.h"

#include "commandbars.h"
#include "frmabout.h"
#include "frmchangepwd.h"
#include "frmsaleadmin.h"
#include "loginstate.h"
#include "mdatabase.h"
#include "prompt.h"
#include "rights.h"
#include "toolicons.h"

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
    const char *name;
    const char *caption;
};

using Band = std::initializer_list<ToolDef>;

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

// The drop-down menus, in the order the menu bar shows them.
const struct {
    const char *menu;
    const char *caption;
    const char *popup;
    Band tools;
} Menus[] = {
    {"mnuFile", "文件(&F)", "popFile",
        {{"tlUserAdmin", "系统用户管理"}, {"tlChangePwd", "修改登录密码"},
            {"tlSysConfigure", "系统参数设置"}, {"tlSysReset", "重新启用系统"},
            {"tlSalePrintSetup", "定义单据打印格式"}, {"tlPrintSetup", "打印设置"},
            {"tlPrintPreview", "打印预览"}, {"tlPrint", "打印报表"}, {"tlExit", "退出"}}},
    {"mnuOperate", "操作(&O)", "popOperate",
        {{"tlAdd", "增加记录"}, {"tlEdit", "修改记录"}, {"tlDel", "删除记录"},
            {"tlFirst", "第一条记录"}, {"tlPrevious", "上一条记录"}, {"tlNext", "下一条记录"},
            {"tlLast", "最后一条记录"}, {"tlRefresh", "刷新显示"}, {"tlFilter", "查询过滤"},
            {"tlShowNavigator", "导航条复位"}}},
    {"mnuDaily", "日常业务(&R)", "popDaily",
        {{"tlSaleAdmin", "销售开票管理"}, {"tlMoneyAdmin", "销售收款管理"},
            {"tlAmountAdmin", "销售出库管理"}, {"tlContainerAdmin", "空瓶回收管理"},
            {"tlStoreAdmin", "手工库存调整"}, {"tlGrpStationAdmin", "下属煤气站设置"},
            {"tlSenderAdmin", "送水工管理"}, {"tlCustomerAdmin", "客户资料管理"},
            {"tlProductAdmin", "产品目录管理"}, {"tlTodayReport", "今日盘点"}}},
    {"mnuMoney", "货款管理(&H)", "popMoney",
        {{"tlInMoney", "对当前选中单据收款"}, {"tlInAllMoney", "对所有未入帐单据收款"},
            {"tlOutMoney", "对当前选中单据退款"}, {"tlOutAllMoney", "对所有未入帐单据退款"}}},
    {"mnuAmount", "发货管理(&F)", "popAmount",
        {{"tlOutAmount", "对当前单据发货"}, {"tlOutAllAmount", "对所有未入帐单据发货"},
            {"tlInAmount", "对当前单据退货"}, {"tlInAllAmount", "对所有未入帐单据退货"}}},
    {"mnuContainer", "空瓶管理(&K)", "popContainer",
        {{"tlInContainer", "回收当前单据空瓶"}, {"tlInAllContainer", "回收所有未入帐单据的空瓶"},
            {"tlOutContainer", "标志当前单据为欠瓶"},
            {"tlOutAllContainer", "标志所有未入帐单据为欠瓶"}}},
    {"mnuSearch", "查询统计(&C)", "popSearch",
        {{"mnuDayReport", "日销售额汇总表"}, {"mnuMonthReport", "月销售额汇总表"},
            {"mnuCustDayReport", "客户日购水统计表"}, {"mnuCustMonthReport", "客户月购水统计表"},
            {"mnuSenderDayReport", "送水工日业绩考核表"},
            {"mnuSenderMonthReport", "送水工月业绩考核表"}, {"mnuHistoryCall", "客户来电记录"}}},
    {"mnuWindows", "窗口(&W)", "popWindows",
        {{"tlTileVertical", "纵向平铺"}, {"tlTileHorizontal", "横向平铺"},
            {"tlCascade", "窗口层叠"}, {"tlArrangeIcons", "排列图标"}}},
    {"mnuHelp", "帮助(&H)", "popHelp",
        {{"tlHelp", "目录"}, {"tlHomePage", "访问网站"}, {"tlAbout", "关于......."}}},
};

const Band PopDel = {{"tlDelAll", "所有未入帐单据"}};

const Band BarTool = {
    {"tlExit", "退出"},
    {"tlAdd", "新建"},
    {"tlEdit", "修改"},
    {"tlDel", "删除"},
    {"tlPrintSale", "打印单据"},
    {"tlFinish", "单据入帐"},
    {"tlFilter", "查询"},
    {"tlRefresh", "刷新"},
    {"tlChart", "图形分析"},
    {"tlOutAmount", "发货"},
    {"tlInAmount", "退货"},
    {"tlInMoney", "收款"},
    {"tlOutMoney", "退款"},
    {"tlFirst", "最前一条"},
    {"tlPrevious", "上一条"},
    {"tlNext", "下一条"},
    {"tlLast", "最后一条"},
};

const Band BarNavigator = {
    {"tlSaleAdmin", "销售开票"},
    {"tlMoneyAdmin", "销售收款"},
    {"tlAmountAdmin", "销售发货"},
    {"tlContainerAdmin", "空瓶回收"},
    {"tlStoreAdmin", "库存管理"},
    {"tlTodayReport", "今日盘点"},
};

// Commands that the active child window carries out, by the method it offers.
const QHash<QString, QString> &childCommands()
{
    static const QHash<QString, QString> commands = {
        {"tlAdd", "AddNew"},
        {"tlEdit", "EditData"},
        {"tlDel", "DeleteData"},
        {"tlDelAll", "DeleteAll"},
        {"tlRefresh", "DataRefresh"},
        {"tlFilter", "ShowFilter"},
        {"tlPrintSale", "PrintSale"},
        {"tlPrintPreview", "PrintPreview"},
        {"tlPrint", "PrintReport"},
        {"tlInMoney", "InMoney"},
        {"tlInAllMoney", "InAllMoney"},
        {"tlOutMoney", "OutMoney"},
        {"tlOutAllMoney", "OutAllMoney"},
        {"tlOutAmount", "OutAmount"},
        {"tlOutAllAmount", "OutAllAmount"},
        {"tlInAmount", "InAmount"},
        {"tlInAllAmount", "InAllAmount"},
        {"tlInContainer", "InContainer"},
        {"tlInAllContainer", "InAllContainer"},
        {"tlOutContainer", "OutContainer"},
        {"tlOutAllContainer", "OutAllContainer"},
        {"tlFinish", "FinishToday"},
    };
    return commands;
}

QStringList names(const Band &band)
{
    QStringList list;
    for (const ToolDef &t : band)
        list << s(t.name);
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

    stbUser->setText(mSystem::StationUserText());

    m_dialogs.insert(QStringLiteral("tlChangePwd"), [](QWidget *parent) {
        frmChangePwd dialog(parent);
        dialog.exec();
    });
    registerChildWindow(QStringLiteral("frmSaleAdmin"), [] { return new frmSaleAdmin; });
    registerChildWindow(QStringLiteral("frmMoneyAdmin"), [] { return new frmMoneyAdmin; });
    registerChildWindow(QStringLiteral("frmAmountAdmin"), [] { return new frmAmountAdmin; });
    registerChildWindow(QStringLiteral("frmContainerAdmin"), [] { return new frmContainerAdmin; });
    resize(1100, 720);
}

frmMain::~frmMain() = default;

QString frmMain::HomePageUrl()
{
    return QStringLiteral("https://www.example.com/pelkor/");
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
            makeTool(s(t.name), s(t.caption));
            tools << s(t.name);
        }
        QMenu *popup = makePopup(s(m.popup), tools);
        popup->setTitle(s(m.caption));
        QAction *menuAction = popup->menuAction();
        menuAction->setObjectName(s(m.menu));
        menuBar()->addAction(menuAction);
        m_tools.insert(s(m.menu), menuAction);
        m_bars->addTool(s(m.menu), menuAction);
        m_bars->addBand(s(m.popup), CommandBars::BandKind::Menu, tools);
        menuNames << s(m.menu);
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
        makeTool(s(t.name), s(t.caption));
    QMenu *popDel = makePopup(QStringLiteral("popDel"), names(PopDel));
    m_bars->addBand(QStringLiteral("popDel"), CommandBars::BandKind::Menu, names(PopDel));

    barTool = addToolBar(QStringLiteral("工具栏"));
    barTool->setObjectName(QStringLiteral("barTool"));
    barTool->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    barTool->setIconSize(QSize(24, 24));
    for (const ToolDef &t : BarTool) {
        QAction *action = makeTool(s(t.name), s(t.caption));
        action->setIconText(s(t.caption));
        action->setToolTip(s(t.caption));
        barTool->addAction(action);
        if (qstrcmp(t.name, "tlDel") == 0) {
            auto *button = qobject_cast<QToolButton *>(barTool->widgetForAction(action));
            button->setMenu(popDel);
            button->setPopupMode(QToolButton::MenuButtonPopup);
        }
        if (qstrcmp(t.name, "tlExit") == 0 || qstrcmp(t.name, "tlChart") == 0
            || qstrcmp(t.name, "tlOutMoney") == 0)
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
        QAction *action = m_tools.value(s(t.name));
        action->setIconText(s(t.caption));
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

void frmMain::toolClick(const QString &toolName)
{
    if (childCommands().contains(toolName)) {
        forwardToChild(childCommands().value(toolName));
        return;
    }
    static const QHash<QString, QString> childWindows = {
        {"tlCustomerAdmin", "frmCustomerAdmin"},
        {"tlStoreAdmin", "frmStoreAdmin"},
        {"tlMoneyAdmin", "frmMoneyAdmin"},
        {"tlAmountAdmin", "frmAmountAdmin"},
        {"tlContainerAdmin", "frmContainerAdmin"},
        {"tlTodayReport", "frmTodayReport"},
        {"mnuHistoryCall", "frmHistoryCall"},
    };
    if (childWindows.contains(toolName)) {
        showChildWindow(childWindows.value(toolName));
        return;
    }
    if (toolName == QLatin1String("tlExit")) {
        close();
    } else if (toolName == QLatin1String("tlSaleAdmin")) {
        // The sale list refuses to close, so repeated use uncovers it.
        QWidget *child = activeChild();
        if (child && child->objectName() != QLatin1String("frmSaleAdmin"))
            m_mdi->currentSubWindow()->close();
    } else if (toolName == QLatin1String("tlNext")) {
        NextRow();
    } else if (toolName == QLatin1String("tlPrevious")) {
        PreviousRow();
    } else if (toolName == QLatin1String("tlFirst")) {
        FirstRow();
    } else if (toolName == QLatin1String("tlLast")) {
        LastRow();
    } else if (toolName == QLatin1String("tlTileHorizontal")) {
        tile(Qt::Horizontal);
    } else if (toolName == QLatin1String("tlTileVertical")) {
        tile(Qt::Vertical);
    } else if (toolName == QLatin1String("tlCascade")) {
        m_mdi->cascadeSubWindows();
    } else if (toolName == QLatin1String("tlArrangeIcons")) {
        arrangeIcons();
    } else if (toolName == QLatin1String("tlPrintSetup")) {
        printSetup();
    } else if (toolName == QLatin1String("tlShowNavigator")) {
        barNavigator->show();
        if (dockWidgetArea(barNavigator) == Qt::NoDockWidgetArea || barNavigator->isFloating()) {
            barNavigator->setFloating(false);
            addDockWidget(Qt::LeftDockWidgetArea, barNavigator);
        }
    } else if (toolName == QLatin1String("tlHomePage")) {
        QDesktopServices::openUrl(QUrl(HomePageUrl()));
    } else if (toolName == QLatin1String("tlAbout")) {
        about();
    } else if (m_dialogs.contains(toolName)) {
        m_dialogs.value(toolName)(this);
        // Rights withdrawn in the operator list take effect at once.
        if (toolName == QLatin1String("tlUserAdmin"))
            mSystem::ApplyUserRights(gUserID);
    }
}

bool frmMain::forwardToChild(const QString &method)
{
    QWidget *child = activeChild();
    if (!child)
        return false;
    // A window without the method simply has no such command.
    const QByteArray signature = method.toLatin1() + "()";
    if (child->metaObject()->indexOfMethod(signature.constData()) < 0)
        return false;
    return QMetaObject::invokeMethod(child, method.toLatin1().constData());
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
    if (forwardToChild(QStringLiteral("PrintSetup")))
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
    m_mdi->closeAllSubWindows();
    event->accept();
}
