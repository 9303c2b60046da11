#include "mainwindow/frmmain.h"

#include "callerid/ctapiline.h"
#include "callerid/lineserver.h"
#include "datastore/cregistry.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "datastore/registrysettings.h"
#include "lists/listwindow.h"
#include "mainwindow/frmabout.h"
#include "mainwindow/subsystems.h"
#include "mainwindow/toolbands.h"
#include "shell/commandbars.h"
#include "shell/lineindicator.h"
#include "shell/loginstate.h"
#include "shell/rights.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDockWidget>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QScreen>
#include <QStatusBar>
#include <QUrl>

namespace {

using enum ToolId;

// Tools that the active list window carries out, by its command.
const std::pair<ToolId, ListCommands::Member> ChildCommands[] = {
    {Add, &ListCommands::AddNew},
    {Edit, &ListCommands::EditData},
    {Del, &ListCommands::DeleteData},
    {DelAll, &ListCommands::DeleteAll},
    {Refresh, &ListCommands::DataRefresh},
    {Filter, &ListCommands::ShowFilter},
    {PrintSale, &ListCommands::PrintSale},
    {PrintPreview, &ListCommands::PrintPreview},
    {Print, &ListCommands::PrintReport},
    {InMoney, &ListCommands::InMoney},
    {InAllMoney, &ListCommands::InAllMoney},
    {OutMoney, &ListCommands::OutMoney},
    {OutAllMoney, &ListCommands::OutAllMoney},
    {OutAmount, &ListCommands::OutAmount},
    {OutAllAmount, &ListCommands::OutAllAmount},
    {InAmount, &ListCommands::InAmount},
    {InAllAmount, &ListCommands::InAllAmount},
    {InContainer, &ListCommands::InContainer},
    {InAllContainer, &ListCommands::InAllContainer},
    {OutContainer, &ListCommands::OutContainer},
    {OutAllContainer, &ListCommands::OutAllContainer},
    {Finish, &ListCommands::FinishToday},
};

// Tools that bring a child window to the front, opening it the first time.
const std::pair<ToolId, const char *> ChildWindows[] = {
    {CustomerAdmin, "frmCustomerAdmin"},
    {StoreAdmin, "frmStoreAdmin"},
    {MoneyAdmin, "frmMoneyAdmin"},
    {AmountAdmin, "frmAmountAdmin"},
    {ContainerAdmin, "frmContainerAdmin"},
    {TodayReport, "frmTodayReport"},
    {HistoryCall, "frmHistoryCall"},
    {CollectionList, "frmCollectionList"},
};

enum class RowMove { First, Previous, Next, Last };

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
    stbLine = new LineIndicator(this);
    statusBar()->addPermanentWidget(stbLine);
    connect(stbLine, &LineIndicator::clicked, this, [this] { runTool(SysConfigure); });
    m_bars->addPane(QStringLiteral("stbInfo"), stbInfo);
    m_bars->addPane(QStringLiteral("stbUser"), stbUser);
    m_bars->closeWindow = [this](const QString &name) {
        closeChildWindow(name);
    };

    for (const Tools::Info &tool : Tools::all()) {
        if (tool.kind != Tools::Kind::Menu)
            makeTool(tool.id);
    }
    barNavigator = ToolBands::build(
        this, m_bars, [this](ToolId tool) { return m_tools[std::size_t(tool)]; });
    bindHandlers();
    updateHomePage();

    stbUser->setText(mSystem::StationUserText());

    Subsystems::registerWith(*this);
    restoreWindowLayout();
    Q_ASSERT_X(toolsWithoutHandler().isEmpty(), "frmMain", "a command of the table has no handler");
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
    // Without a window manager nobody maximises a window: it then covers
    // the screen's free area itself. A size left on a bigger screen does
    // not fit this one and is maximised the same way.
    const QRect room = screen()->availableGeometry();
    if (geometry.isEmpty() || !restoreGeometry(geometry) || !room.contains(frameGeometry())) {
        setGeometry(room);
        setWindowState(windowState() | Qt::WindowMaximized);
    }
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
    m_tools[std::size_t(HomePage)]->setEnabled(!HomePageUrl().isEmpty());
}

QAction *frmMain::makeTool(ToolId tool)
{
    const QString name = Tools::name(tool);
    auto *action = new QAction(Tools::caption(tool), this);
    action->setObjectName(name);
    action->setIcon(Tools::icon(tool));
    if (const QString iconText = Tools::iconText(tool); !iconText.isEmpty()) {
        action->setIconText(iconText);
        action->setToolTip(iconText);
    }
    connect(action, &QAction::triggered, this, [this, name] { toolClick(name); });
    // The Delete key deletes in a list as the tool does, and not at all
    // while the operator's rights leave the tool disabled. A text box
    // keeps the key for itself.
    if (tool == Del)
        action->setShortcut(QKeySequence::Delete);
    m_tools[std::size_t(tool)] = action;
    m_bars->addTool(name, action);
    return action;
}

void frmMain::bindHandlers()
{
    const auto bind = [this](ToolId tool, std::function<void()> handler) {
        m_handlers[std::size_t(tool)] = std::move(handler);
    };
    // Commands of the active list go through member pointers of its command object.
    for (const auto &[tool, command] : ChildCommands)
        bind(tool, [this, command = command] { forwardToChild(command); });
    for (const auto &[tool, window] : ChildWindows)
        bind(tool, [this, name = QString::fromLatin1(window)] { showChildWindow(name); });
    // Dialogs bind themselves as the subsystems register them.
    bind(Exit, [this] { close(); });
    bind(SaleAdmin, [this] {
        // The sale list refuses to close, so repeated use uncovers it.
        QWidget *child = activeChild();
        if (child && child->objectName() != QLatin1String("frmSaleAdmin"))
            m_mdi->currentSubWindow()->close();
    });
    bind(Next, [this] { NextRow(); });
    bind(Previous, [this] { PreviousRow(); });
    bind(First, [this] { FirstRow(); });
    bind(Last, [this] { LastRow(); });
    bind(TileHorizontal, [this] { tile(Qt::Horizontal); });
    bind(TileVertical, [this] { tile(Qt::Vertical); });
    bind(Cascade, [this] { m_mdi->cascadeSubWindows(); });
    bind(ArrangeIcons, [this] { arrangeIcons(); });
    bind(PrintSetup, [this] { printSetup(); });
    bind(ShowNavigator, [this] {
        barNavigator->show();
        if (dockWidgetArea(barNavigator) == Qt::NoDockWidgetArea || barNavigator->isFloating()) {
            barNavigator->setFloating(false);
            addDockWidget(Qt::LeftDockWidgetArea, barNavigator);
        }
    });
    bind(HomePage, [] {
        const QString url = HomePageUrl();
        if (!url.isEmpty())
            QDesktopServices::openUrl(QUrl::fromUserInput(url));
    });
    bind(About, [this] { about(); });
}

void frmMain::runDialog(ToolId tool)
{
    if (const DialogRunner &runner = m_dialogs[std::size_t(tool)])
        runner(this);
    // Rights withdrawn in the operator list take effect at once.
    if (tool == UserAdmin)
        mSystem::ApplyUserRights(gUserID);
    updateHomePage();
}

QList<ToolId> frmMain::toolsWithoutHandler() const
{
    QList<ToolId> missing;
    for (const Tools::Info &tool : Tools::all()) {
        const bool bound = bool(m_handlers[std::size_t(tool.id)]);
        if (bound != (tool.kind == Tools::Kind::Command))
            missing << tool.id;
    }
    return missing;
}

bool frmMain::knowsTool(const QString &toolName) const
{
    const std::optional<ToolId> tool = Tools::byName(toolName);
    return tool && m_handlers[std::size_t(*tool)];
}

ListCommands::Member frmMain::childCommand(ToolId tool)
{
    for (const auto &[id, command] : ChildCommands) {
        if (id == tool)
            return command;
    }
    return nullptr;
}

ListCommands::Member frmMain::childCommand(const QString &toolName)
{
    const std::optional<ToolId> tool = Tools::byName(toolName);
    return tool ? childCommand(*tool) : nullptr;
}

void frmMain::toolClick(const QString &toolName)
{
    // tlHelp and names nobody knows do nothing.
    if (const std::optional<ToolId> tool = Tools::byName(toolName))
        runTool(*tool);
}

void frmMain::runTool(ToolId tool)
{
    if (const auto &handler = m_handlers[std::size_t(tool)])
        handler();
}

void frmMain::load()
{
    showChildWindow(QStringLiteral("frmSaleAdmin"));
    mSystem::ApplyUserRights(gUserID);
    Subsystems::loadSystemSetup(*this, false);
}

void frmMain::registerChildWindow(const QString &name, ChildFactory factory)
{
    m_childFactories.insert(name, std::move(factory));
}

void frmMain::registerDialog(ToolId tool, DialogRunner runner)
{
    m_dialogs[std::size_t(tool)] = std::move(runner);
    m_handlers[std::size_t(tool)] = [this, tool] {
        runDialog(tool);
    };
}

void frmMain::registerDialog(const QString &toolName, DialogRunner runner)
{
    const std::optional<ToolId> tool = Tools::byName(toolName);
    Q_ASSERT_X(tool, "frmMain::registerDialog", qPrintable(toolName));
    if (tool)
        registerDialog(*tool, std::move(runner));
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
    if (RowMove(how) == RowMove::Last) {
        while (model->canFetchMore(QModelIndex()))
            model->fetchMore(QModelIndex());
    }
    const int rows = model->rowCount();
    if (rows == 0)
        return;
    const QModelIndex current = grid->currentIndex();
    const int column = current.isValid() ? current.column() : 0;
    int row = current.isValid() ? current.row() : -1;
    switch (RowMove(how)) {
    case RowMove::First:
        row = 0;
        break;
    case RowMove::Previous:
        row = row <= 0 ? 0 : row - 1;
        break;
    case RowMove::Next:
        if (row + 1 >= rows && model->canFetchMore(QModelIndex())) {
            model->fetchMore(QModelIndex());
        }
        row = qMin(row + 1, model->rowCount() - 1);
        break;
    case RowMove::Last:
        row = rows - 1;
        break;
    }
    const QModelIndex target = model->index(row, column);
    grid->setCurrentIndex(target);
    grid->scrollTo(target);
}

void frmMain::NextRow()
{
    moveRow(int(RowMove::Next));
}

void frmMain::PreviousRow()
{
    moveRow(int(RowMove::Previous));
}

void frmMain::FirstRow()
{
    moveRow(int(RowMove::First));
}

void frmMain::LastRow()
{
    moveRow(int(RowMove::Last));
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
    Prompt::choose(Prompt::Kind::PrinterSetup, QStringLiteral("打印设置"), m_printer.get());
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
