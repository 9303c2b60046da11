#pragma once

#include "lists/listcommands.h"

#include <QHash>
#include <QMainWindow>

#include <functional>
#include <memory>

class CommandBars;
class QAction;
class QDockWidget;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPrinter;
class cTAPILine;
class QToolBar;

// The group's main window: child windows in the middle, the commands around
// them. Every command is a named tool; one handler dispatches on the name.
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
    void registerDialog(const QString &name, DialogRunner runner);

    QMdiArea *mdiArea() const { return m_mdi; }
    QWidget *activeChild() const;
    QWidget *childWindow(const QString &windowName) const;
    CommandBars *commandBars() const { return m_bars; }

    // The home page tlHomePage opens: the setting HomePageSetting, empty
    // while none is set (the command is then disabled).
    static QString HomePageUrl();
    static inline const QString HomePageSetting = QStringLiteral("HomePage");

    // Whether the tool does something here (false for tlHelp and unknown names).
    bool knowsTool(const QString &toolName) const { return m_dispatch.contains(toolName); }
    // The command of the active list that a tool runs; nullptr for tools the
    // main window handles itself.
    static ListCommands::Member childCommand(const QString &toolName);

    // The telephone line of this workstation, opened by the settings dialog.
    std::unique_ptr<cTAPILine> Tapiline;

public slots:
    void toolClick(const QString &toolName);
    void NextRow();
    void PreviousRow();
    void FirstRow();
    void LastRow();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildCommands();
    void buildDispatch();
    void updateHomePage();
    QAction *makeTool(const QString &name, const QString &caption);
    QMenu *makePopup(const QString &name, const QStringList &tools);
    void buildNavigator();
    void showChildWindow(const QString &name);
    void closeChildWindow(const QString &name);
    bool forwardToChild(ListCommands::Member command);
    void moveRow(int how);
    void tile(Qt::Orientation orientation);
    void arrangeIcons();
    void printSetup();
    void about();
    void registerSubsystemDialogs();
    // Loads the settings dialog, which opens the line; its caller numbers
    // then reach the sale form.
    void loadSystemSetup(bool show);
    // The window as the operator left it on this workstation.
    void restoreWindowLayout();
    void saveWindowLayout() const;

    CommandBars *m_bars;
    QMdiArea *m_mdi;
    QToolBar *barTool = nullptr;
    QDockWidget *barNavigator = nullptr;
    QLabel *stbInfo;
    QLabel *stbUser;
    QHash<QString, QAction *> m_tools;
    QHash<QString, ChildFactory> m_childFactories;
    QHash<QString, DialogRunner> m_dialogs;
    QHash<QString, std::function<void()>> m_dispatch;
    std::unique_ptr<QPrinter> m_printer;
};
