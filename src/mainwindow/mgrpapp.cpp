#include "mainwindow/mgrpapp.h"

#include "datastore/demodata.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "mainwindow/frmmain.h"
#include "shell/focusframestyle.h"
#include "shell/frmdbsetup.h"
#include "shell/frmgrplogin.h"
#include "shell/frmsplash.h"
#include "shell/loginstate.h"
#include "shell/messageboxprompt.h"
#include "shell/singleinstance.h"

#include <QApplication>
#include <QDate>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>
#include <QTextStream>
#include <QTranslator>
#include <QWindow>

#include <exception>
#include <memory>

namespace mGrpApp {
namespace {

void reportStartupError(int number, const QString &description)
{
    Prompt::error(QStringLiteral("\n系统出现如下错误： # ") + QLatin1Char(' ')
            + QString::number(number) + description,
        QStringLiteral("失败"));
}

bool connectDatabase(const StartOptions &options, bool *exitRequested)
{
    *exitRequested = false;
    if (options.databaseUrl.isEmpty()) {
        const auto result = mDatabase::ConnectDatabase();
        *exitRequested = result == mDatabase::ConnectResult::ExitRequested;
        return result == mDatabase::ConnectResult::Connected;
    }
    ConnectionTarget target;
    QString error;
    if (!ConnectionTarget::fromUrl(options.databaseUrl, &target, &error)) {
        Prompt::error(error, QStringLiteral("错误"));
        *exitRequested = true;
        return false;
    }
    if (!mDatabase::TestConnection(target)) {
        *exitRequested = true;
        return false;
    }
    if (!mDatabase::OpenConnection(target, &error)) {
        Prompt::error(
            QStringLiteral("连接SQLServer数据库服务器失败:") + error, QStringLiteral("错误"));
        *exitRequested = true;
        return false;
    }
    return true;
}

void fillDemo()
{
    QTextStream err(stderr);
    if (!DemoData::isEmptyDatabase()) {
        err << QStringLiteral("数据库中已有业务数据，未加入演示数据。") << Qt::endl;
        return;
    }
    QString error;
    if (!DemoData::fill(QDate::currentDate(), &error))
        Prompt::error(QStringLiteral("加入演示数据失败：") + error, QStringLiteral("错误"));
}

int run(const StartOptions &options, SingleInstance &instance)
{
    // Until the main window exists, a second start raises whatever dialog
    // the operator has in front of them (message, splash, login).
    // The lock outlives this function; the pointer is shared so the request
    // handler never refers to a finished frame.
    const auto mainWindow = std::make_shared<QPointer<QWidget>>();
    QObject::connect(&instance, &SingleInstance::activationRequested, &instance,
        [mainWindow] { bringToFront(*mainWindow); });

    frmDBSetup::installAsSetupHook();

    bool exitRequested = false;
    const bool connected = connectDatabase(options, &exitRequested);
    if (exitRequested)
        return options.databaseUrl.isEmpty() ? 0 : 1;
    if (connected && options.demo)
        fillDemo();
    else if (connected)
        DemoData::offerOnce(QDate::currentDate());

    {
        frmSplash splash;
        splash.exec();
    }

    int userId = 0;
    int stationId = 0;
    {
        frmGrpLogin login;
        login.exec();
        if (!login.LoginSucceeded())
            return 0;
        userId = login.chosenUserID();
        stationId = login.chosenStationID();
    }
    // The head station is the one with the smallest ID.
    setSession({.userID = qint16(userId),
        .stationID = qint16(stationId),
        .isHeadStation
        = mDatabase::GetMinValue(QStringLiteral("Station"), QStringLiteral("ID")) == stationId});

    auto *main = new frmMain;
    *mainWindow = main;
    // Maximised the first time, then as the operator left it.
    main->show();
    main->load();
    return QApplication::exec();
}

} // namespace

void applyInterfaceFont()
{
    const QStringList preferred
        = {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
            QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Microsoft YaHei")};
    const QStringList families = QFontDatabase::families();
    for (const QString &family : preferred) {
        if (families.contains(family)) {
            QFont font(family);
            font.setPointSize(10);
            QApplication::setFont(font);
            return;
        }
    }
}

QString databaseKindProblem(const QString &databaseUrl)
{
    // "kind:rest" with a kind of two letters or more; "host:1433" and a
    // drive letter are not kinds.
    static const QRegularExpression kindPrefix(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]+):(.*)$"),
        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression portOnly(QStringLiteral("^\\d+$"));
    const auto match = kindPrefix.match(databaseUrl.trimmed());
    if (!match.hasMatch() || portOnly.match(match.captured(2)).hasMatch())
        return {};
    const QString kind = match.captured(1).toLower();
    static const QStringList known = {QStringLiteral("sqlite"), QStringLiteral("pgsql"),
        QStringLiteral("postgresql"), QStringLiteral("postgres"), QStringLiteral("mssql")};
    if (known.contains(kind))
        return {};
    return QStringLiteral("无法识别的数据库类型“%1”。可以使用的数据库：\n"
                          "  sqlite:/路径/pelkor.db                   单机 SQLite 数据库文件\n"
                          "  pgsql://用户:密码@主机:端口/数据库      PostgreSQL（经 ODBC）\n"
                          "  mssql://用户:密码@主机/数据库           SQL Server（经 ODBC）\n"
                          "  主机名                                   SQL Server，使用保存的用户")
        .arg(match.captured(1));
}

int guardStartup(Prompt::Handler *prompts, const std::function<int()> &steps)
{
    // The handler must outlive the catch below: an error is only worth
    // reporting if the operator sees it.
    Prompt::Handler *previous = Prompt::handler();
    Prompt::setHandler(prompts);
    struct Restore {
        Prompt::Handler *previous;
        ~Restore() { Prompt::setHandler(previous); }
    } restore{previous};
    try {
        return steps();
    } catch (const std::exception &e) {
        reportStartupError(0, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportStartupError(0, QStringLiteral("未知错误"));
    }
    return 1;
}

void bringToFront(QWidget *mainWindow)
{
    QWidget *target = QApplication::activeModalWidget();
    if (!target)
        target = mainWindow;
    if (!target)
        return;
    target = target->window();
    if (target->isMinimized())
        target->setWindowState(target->windowState() & ~Qt::WindowMinimized);
    target->show();
    target->raise();
    target->activateWindow();
    if (QWindow *handle = target->windowHandle())
        handle->requestActivate();
    QApplication::alert(target);
}

bool installTranslations()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
            QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

void applyFocusFrame()
{
    QApplication::setStyle(new FocusFrameStyle);
}

int Main(const StartOptions &options)
{
    const QString badKind = databaseKindProblem(options.databaseUrl);
    if (!badKind.isEmpty()) {
        QTextStream(stderr) << badKind << Qt::endl;
        return UsageExitCode;
    }
    SingleInstance instance(
        options.lockPath.isEmpty() ? SingleInstance::defaultLockPath() : options.lockPath);
    if (!instance.acquire()) {
        // No second copy: the one already running comes to the front.
        instance.activateRunning();
        return 0;
    }
    MessageBoxPrompt prompts;
    return guardStartup(&prompts, [&] { return run(options, instance); });
}

} // namespace mGrpApp
