#include "mgrpapp.h"

#include "demodata.h"
#include "frmdbsetup.h"
#include "frmgrplogin.h"
#include "frmmain.h"
#include "frmsplash.h"
#include "loginstate.h"
#include "mdatabase.h"
#include "messageboxprompt.h"
#include "prompt.h"
#include "singleinstance.h"

#include <QApplication>
#include <QDate>
#include <QFontDatabase>
#include <QTextStream>

#include <exception>

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

int run(const StartOptions &options)
{
    MessageBoxPrompt prompts;
    Prompt::setHandler(&prompts);
    struct Restore {
        ~Restore() { Prompt::setHandler(nullptr); }
    } restore;

    frmDBSetup::installAsSetupHook();

    bool exitRequested = false;
    const bool connected = connectDatabase(options, &exitRequested);
    if (exitRequested)
        return options.databaseUrl.isEmpty() ? 0 : 1;
    if (connected && options.demo)
        fillDemo();

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
    gUserID = qint16(userId);
    gStationID = qint16(stationId);
    gIsHeadStation
        = mDatabase::GetMinValue(QStringLiteral("Station"), QStringLiteral("ID")) == gStationID;

    auto *main = new frmMain;
    main->showMaximized();
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

int Main(const StartOptions &options)
{
    SingleInstance instance(
        options.lockPath.isEmpty() ? SingleInstance::defaultLockPath() : options.lockPath);
    if (!instance.acquire())
        return 0;
    try {
        return run(options);
    } catch (const std::exception &e) {
        reportStartupError(0, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportStartupError(0, QStringLiteral("未知错误"));
    }
    return 1;
}

} // namespace mGrpApp
