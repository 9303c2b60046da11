#pragma once

#include "lists/listcommands.h"
#include "shell/tools.h"

#include <QHash>
#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

class CommandBars;
class QAction;
class QDockWidget;
class LineIndicator;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QPrinter;
class cTAPILine;
namespace tapi {
class LineServer;
}

// The group's main window: child windows in the middle, the commands around
// them. Every command is a tool of the command table with one handler here;
// toolClick() runs a tool by its name.
class frmMain : public QMainWindow {
    Q_OBJECT

public:
    using ChildFactory = std::function<QWidget *()>;
    using DialogRunner = std::function<void(QWidget *parent)>;

    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // The start-up work: the sale list as first child, the user's rights.
    void load();

    // Windows the subsystems provide, by the names of the commands that open them.
    void registerChildWindow(const QString &name, ChildFactory factory);
    // Brings the child window of that name to the front, opening it the first time.
    void showChildWindow(const QString &name);
    void closeChildWindow(const QString &name);
    void registerDialog(ToolId tool, DialogRunner runner);
    void registerDialog(const QString &toolName, DialogRunner runner);

    QMdiArea *mdiArea() const { return m_mdi; }
    QWidget *activeChild() const;
    QWidget *childWindow(const QString &windowName) const;
    CommandBars *commandBars() const { return m_bars; }

    // The home page tlHomePage opens: the setting HomePageSetting, empty
    // while none is set (the command is then disabled).
    static QString HomePageUrl();
    static inline const QString HomePageSetting = QStringLiteral("HomePage");

    void runTool(ToolId tool);
    // Whether the tool does something here (false for tlHelp and unknown names).
    bool knowsTool(const QString &toolName) const;
    // Commands of the table that have no handler, or one they should not
    // have; empty once the window is built.
    QList<ToolId> toolsWithoutHandler() const;
    // The command of the active list that a tool runs; nullptr for tools the
    // main window handles itself.
    static ListCommands::Member childCommand(ToolId tool);
    static ListCommands::Member childCommand(const QString &toolName);

    // The telephone line of this workstation, opened by the settings dialog.
    std::unique_ptr<cTAPILine> Tapiline;
    // This workstation's line served to the others, when it shares it.
    std::unique_ptr<tapi::LineServer> LineShare;
    LineIndicator *lineIndicator() const { return stbLine; }

public slots:
    void toolClick(const QString &toolName);
    void NextRow();
    void PreviousRow();
    void FirstRow();
    void LastRow();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void bindHandlers();
    void runDialog(ToolId tool);
    void updateHomePage();
    QAction *makeTool(ToolId tool);
    bool forwardToChild(ListCommands::Member command);
    void moveRow(int how);
    void tile(Qt::Orientation orientation);
    void arrangeIcons();
    void printSetup();
    void about();
    // The window as the operator left it on this workstation.
    void restoreWindowLayout();
    void saveWindowLayout() const;

    CommandBars *m_bars;
    QMdiArea *m_mdi;
    QDockWidget *barNavigator = nullptr;
    QLabel *stbInfo;
    QLabel *stbUser;
    LineIndicator *stbLine;
    template <typename T> using PerTool = std::array<T, std::size_t(ToolId::Count)>;
    PerTool<QAction *> m_tools{};
    PerTool<std::function<void()>> m_handlers;
    PerTool<DialogRunner> m_dialogs;
    QHash<QString, ChildFactory> m_childFactories;
    std::unique_ptr<QPrinter> m_printer;
};
