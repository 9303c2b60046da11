#include "datastore/mdatabase.h"

#include "datastore/cregistry.h"
#include "datastore/drivererror.h"
#include "datastore/mdatabasedetail.h"
#include "datastore/prompt.h"
#include "datastore/registrysettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

// Finding the database at start-up: the workstation's stored settings, the
// trial connection that checks them, and the way to the setup dialog when
// they are missing or wrong.
namespace mDatabase {
namespace {

SetupHook s_setupHook;

const QString NoSettingsText
    = QStringLiteral("您没有设置与SQLServer数据库服务器的连接参数，请单击[确认]按钮开始设置！");
const QString BadSettingsText
    = QStringLiteral("连接SQLServer数据库服务器失败，请单击[确认]按钮重新设置！");

ConnectResult runSetupDialog()
{
    if (!s_setupHook)
        return ConnectResult::NotConnected;
    const ConnectResult result = s_setupHook();
    if (result == ConnectResult::ExitRequested)
        return result;
    return isConnected() ? ConnectResult::Connected : ConnectResult::NotConnected;
}

// Why an SQLite file cannot serve as the database; empty when it can,
// including a file not there yet in a folder that can be written.
QString sqliteFileProblem(const QString &path)
{
    if (path.trimmed().isEmpty())
        return QStringLiteral("数据库文件名为空");
    const QFileInfo file(path);
    if (file.exists())
        return {};
    QFileInfo dir(file.absolutePath());
    while (!dir.exists() && dir.absoluteFilePath() != QDir::rootPath())
        dir = QFileInfo(dir.absolutePath());
    if (!dir.isDir() || !dir.isWritable())
        return QStringLiteral("无法在该位置创建数据库文件：%1").arg(path);
    return {};
}

// Opens and closes a connection of its own; the driver's complaint, if any.
QString trialConnectionProblem(const ConnectionTarget &target)
{
    const bool sqlite = target.kind == SqlDialect::SQLite;
    const QString name
        = QStringLiteral("pelkor-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString failure;
    {
        QSqlDatabase trial = QSqlDatabase::addDatabase(target.driverName(), name);
        trial.setConnectOptions(
            sqlite ? QStringLiteral("QSQLITE_OPEN_READONLY") : target.connectOptions());
        trial.setDatabaseName(sqlite ? target.host : target.odbcConnectionString());
        if (!trial.open()) {
            failure = errorText(trial.lastError());
        } else if (sqlite) {
            // Any file opens; only a query tells a database from other files.
            QSqlQuery probe(trial);
            if (!probe.exec(QStringLiteral("select count(*) from sqlite_master")))
                failure = errorText(probe.lastError());
        } else {
            detail::keepTrial(name, target);
            return {};
        }
        trial.close();
    }
    QSqlDatabase::removeDatabase(name);
    return failure;
}

QString readSetting(const QString &name, bool *exists = nullptr)
{
    cRegistry reg;
    reg.setClassKey(cRegistry::HKEY_LOCAL_MACHINE);
    reg.setValueType(cRegistry::REG_SZ);
    reg.setSectionKey(RegistryRoot + QLatin1Char('\\') + name);
    const bool keyExists = reg.KeyExists();
    if (exists)
        *exists = keyExists;
    return keyExists ? TrimBlanks(reg.Value().toString()) : QString();
}

} // namespace

bool TestConnection(const QString &host, const QString &user, const QString &password)
{
    return TestConnection(ConnectionTarget::fromSettings(host, user, password));
}

bool TestConnection(const ConnectionTarget &target)
{
    QString failure;
    bool nothingToOpen = false;
    if (target.kind == SqlDialect::SQLite) {
        failure = sqliteFileProblem(target.host);
        // A missing file is created with its tables on first use.
        nothingToOpen = !QFileInfo::exists(target.host);
    }
    if (failure.isEmpty() && !nothingToOpen)
        failure = trialConnectionProblem(target);
    if (!failure.isEmpty()) {
        Prompt::error(
            QStringLiteral("连接SQLServer数据库服务器失败:") + failure, QStringLiteral("错误"));
        return false;
    }
    return true;
}

void setSetupHook(SetupHook hook)
{
    s_setupHook = std::move(hook);
}

std::optional<ConnectionTarget> SavedTarget()
{
    bool hostKeyExists = false;
    const QString host = readSetting(HostSetting, &hostKeyExists);
    if (!hostKeyExists || host.isEmpty())
        return std::nullopt;
    QString user = readSetting(UserSetting);
    if (user.isEmpty())
        user = QStringLiteral("sa");
    return ConnectionTarget::fromSettings(host, user, readSetting(PasswordSetting));
}

namespace {

// A workstation started for the first time works on its own file at once;
// the setting is stored so that backups and the setup dialog name it.
bool openLocalDatabase()
{
    const ConnectionTarget local = ConnectionTarget::localDatabase();
    if (!sqliteFileProblem(local.host).isEmpty() || !OpenConnection(local))
        return false;
    const QString stored[][2]
        = {{HostSetting, local.hostText()}, {UserSetting, QString()}, {PasswordSetting, QString()}};
    for (const auto &setting : stored)
        writeRegistryText(RegistryRoot + QLatin1Char('\\') + setting[0], setting[1]);
    return true;
}

} // namespace

ConnectResult ConnectDatabase()
{
    // The message names the button that leads on: the box's own button says
    // the same, not a generic OK.
    Prompt::Request askToSetUp;
    askToSetUp.okText = QStringLiteral("确认");
    const auto saved = SavedTarget();
    if (!saved && openLocalDatabase())
        return ConnectResult::Connected;
    if (!saved) {
        askToSetUp.text = NoSettingsText;
        Prompt::ask(askToSetUp);
        return runSetupDialog();
    }
    const ConnectionTarget &target = *saved;
    if (TestConnection(target)) {
        QString error;
        if (OpenConnection(target, &error))
            return ConnectResult::Connected;
        Prompt::error(
            QStringLiteral("连接SQLServer数据库服务器失败:") + error, QStringLiteral("错误"));
    }
    askToSetUp.text = BadSettingsText;
    Prompt::ask(askToSetUp);
    return runSetupDialog();
}
} // namespace mDatabase
