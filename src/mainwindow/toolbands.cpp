#include "mainwindow/toolbands.h"

#include "shell/commandbars.h"

#include <QDockWidget>
#include <QList>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolBox>
#include <QToolButton>

#include <optional>

namespace ToolBands {
namespace {

using enum ToolId;

// A band's entries in order; an empty entry is a separator.
using Band = QList<std::optional<ToolId>>;
constexpr std::nullopt_t Separator = std::nullopt;

struct Menu {
    ToolId menu;
    Band tools;
};

// The drop-down menus, in the order the menu bar shows them.
const Menu Menus[] = {
    {FileMenu,
        {UserAdmin, ChangePwd, SysConfigure, SysReset, FillDemo, SalePrintSetup, Separator,
            PrintSetup, PrintPreview, Print, Separator, Exit}},
    {OperateMenu,
        {Add, Edit, Del, Separator, First, Previous, Next, Last, Separator, Refresh, Filter,
            ShowNavigator}},
    {DailyMenu,
        {SaleAdmin, MoneyAdmin, AmountAdmin, ContainerAdmin, StoreAdmin, Separator, GrpStationAdmin,
            SenderAdmin, CustomerAdmin, ProductAdmin, Separator, TodayReport}},
    {MoneyMenu, {InMoney, InAllMoney, OutMoney, OutAllMoney}},
    {AmountMenu, {OutAmount, OutAllAmount, InAmount, InAllAmount}},
    {ContainerMenu, {InContainer, InAllContainer, OutContainer, OutAllContainer}},
    {SearchMenu,
        {DayReport, MonthReport, CustDayReport, CustMonthReport, SenderDayReport, SenderMonthReport,
            Separator, CollectionList, HistoryCall}},
    {WindowsMenu, {TileVertical, TileHorizontal, Cascade, ArrangeIcons}},
    {HelpMenu, {Help, HomePage, About}},
};

const Band PopDel = {DelAll};

const Band BarTool = {Exit, Separator, Add, Edit, Del, PrintSale, Finish, Filter, Refresh, Chart,
    Separator, OutAmount, InAmount, InMoney, OutMoney, Separator, First, Previous, Next, Last};

const Band BarNavigator
    = {SaleAdmin, MoneyAdmin, AmountAdmin, ContainerAdmin, StoreAdmin, TodayReport, CollectionList};

QStringList names(const Band &band)
{
    QStringList list;
    for (const std::optional<ToolId> &tool : band) {
        if (tool)
            list << Tools::name(*tool);
    }
    return list;
}

// A drop-down named after its menu: mnuFile opens popFile.
QString popupName(ToolId menu)
{
    return QStringLiteral("pop") + Tools::name(menu).mid(3);
}

QMenu *makePopup(QWidget *parent, const QString &name, const Band &band,
    const std::function<QAction *(ToolId)> &actionFor)
{
    auto *popup = new QMenu(parent);
    popup->setObjectName(name);
    for (const std::optional<ToolId> &tool : band) {
        if (tool)
            popup->addAction(actionFor(*tool));
        else
            popup->addSeparator();
    }
    return popup;
}

void buildMenus(
    QMainWindow *window, CommandBars *bars, const std::function<QAction *(ToolId)> &actionFor)
{
    window->menuBar()->setObjectName(QStringLiteral("mnuMain"));
    QStringList menuNames;
    for (const Menu &m : Menus) {
        QMenu *popup = makePopup(window, popupName(m.menu), m.tools, actionFor);
        popup->setTitle(Tools::caption(m.menu));
        QAction *menuAction = popup->menuAction();
        menuAction->setObjectName(Tools::name(m.menu));
        window->menuBar()->addAction(menuAction);
        bars->addTool(Tools::name(m.menu), menuAction);
        bars->addBand(popupName(m.menu), CommandBars::BandKind::Menu, names(m.tools));
        menuNames << Tools::name(m.menu);
    }
    bars->addBand(QStringLiteral("mnuMain"), CommandBars::BandKind::Menu, menuNames);
}

void buildToolBar(
    QMainWindow *window, CommandBars *bars, const std::function<QAction *(ToolId)> &actionFor)
{
    QMenu *popDel = makePopup(window, QStringLiteral("popDel"), PopDel, actionFor);
    bars->addBand(QStringLiteral("popDel"), CommandBars::BandKind::Menu, names(PopDel));

    QToolBar *barTool = window->addToolBar(QStringLiteral("工具栏"));
    barTool->setObjectName(QStringLiteral("barTool"));
    barTool->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    barTool->setIconSize(QSize(24, 24));
    for (const std::optional<ToolId> &tool : BarTool) {
        if (!tool) {
            barTool->addSeparator();
            continue;
        }
        QAction *action = actionFor(*tool);
        barTool->addAction(action);
        if (*tool == Del) {
            auto *button = qobject_cast<QToolButton *>(barTool->widgetForAction(action));
            button->setMenu(popDel);
            button->setPopupMode(QToolButton::MenuButtonPopup);
        }
    }
    bars->addBand(QStringLiteral("barTool"), CommandBars::BandKind::ToolBar, names(BarTool));
}

QDockWidget *buildNavigator(
    QMainWindow *window, CommandBars *bars, const std::function<QAction *(ToolId)> &actionFor)
{
    auto *navigator = new QDockWidget(QStringLiteral("导航条"), window);
    navigator->setObjectName(QStringLiteral("barNavigator"));
    navigator->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    auto *toolBox = new QToolBox(navigator);
    auto *group = new QToolBar(toolBox);
    group->setObjectName(QStringLiteral("grpCommon"));
    group->setOrientation(Qt::Vertical);
    group->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    group->setIconSize(QSize(36, 36));
    for (const std::optional<ToolId> &tool : BarNavigator) {
        QAction *action = actionFor(*tool);
        group->addAction(action);
        if (QWidget *button = group->widgetForAction(action))
            button->setMinimumWidth(96);
    }
    toolBox->addItem(group, QStringLiteral("常用操作"));
    navigator->setWidget(toolBox);
    window->addDockWidget(Qt::LeftDockWidgetArea, navigator);
    bars->addBand(
        QStringLiteral("barNavigator"), CommandBars::BandKind::ToolBar, names(BarNavigator));
    return navigator;
}

} // namespace

QDockWidget *build(
    QMainWindow *window, CommandBars *bars, const std::function<QAction *(ToolId)> &actionFor)
{
    buildMenus(window, bars, actionFor);
    buildToolBar(window, bars, actionFor);
    return buildNavigator(window, bars, actionFor);
}

} // namespace ToolBands
