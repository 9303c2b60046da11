#include "callerid/linedevice.h"
#include "callerid/lineserver.h"
#include "callerid/simulatedline.h"
#include "datastore/connectiontarget.h"
#include "datastore/databasecopy.h"
#include "datastore/eventlog.h"
#include "datastore/mdatabase.h"
#include "datastore/sqlitebackup.h"
#include "mainwindow/mgrpapp.h"
#include "shell/singleinstance.h"
#include "shell/workstationline.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QTextStream>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

QTextStream out(stdout);
QTextStream err(stderr);

// What the command line asks for. It is read before any window exists, so
// that --help, --version, a mistake in the options and the tasks that need
// no window (ringing, backing up, restoring) work on a terminal without a
// display.
struct CommandLine {
    QString databaseUrl;
    bool demo = false;
    std::optional<QString> ring;
    std::optional<QString> backup;
    std::optional<QString> restore;
    std::optional<QString> copyTo;
    bool lineServer = false;
    QString device;
    QString listen;
};

// Exits with status 0 after --help/--version, 2 after a mistake; otherwise
// fills *line.
std::optional<int> readCommandLine(const QStringList &arguments, CommandLine *line)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Pelkor 水站配送管理系统：电话订水、送水、收款、空瓶回收与日结报表。"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption database(QStringList{QStringLiteral("database")},
        QStringLiteral(
            "只在本次运行中使用该数据库，不改动保存的连接设置。例如 sqlite:/路径/pelkor.db 或 "
            "pgsql://用户:密码@主机:端口/数据库"),
        QStringLiteral("URL"));
    const QCommandLineOption demo(QStringList{QStringLiteral("demo")},
        QStringLiteral("在空数据库中加入演示用的站点、产品、客户和销售单。"));
    const QCommandLineOption ring(QStringList{QStringLiteral("ring")},
        QStringLiteral("让本用户正在运行的程序的模拟电话线路响铃，来电号码为 NUMBER。"),
        QStringLiteral("NUMBER"));
    const QCommandLineOption backup(QStringList{QStringLiteral("backup")},
        QStringLiteral("把内置（SQLite）数据库备份到 FILE，程序运行中也可以。"),
        QStringLiteral("FILE"));
    const QCommandLineOption restore(QStringList{QStringLiteral("restore")},
        QStringLiteral("确认后用备份 FILE 替换内置（SQLite）数据库；原数据库保留为 "
                       "*.before-restore。须先退出程序。"),
        QStringLiteral("FILE"));
    const QCommandLineOption copyTo(QStringList{QStringLiteral("copy-to")},
        QStringLiteral("把当前数据库的全部数据复制到 URL 所指的空数据库（例如新建的 PostgreSQL "
                       "数据库），复制后核对行数和合计。"),
        QStringLiteral("URL"));
    const QCommandLineOption lineServer(QStringList{QStringLiteral("line-server")},
        QStringLiteral("不开窗口，只把本机的电话线共享给其它工作站（它们把来电服务器设为本机）。"));
    const QCommandLineOption device(QStringList{QStringLiteral("device")},
        QStringLiteral(
            "与 --line-server 一起用：要共享的设备，例如 /dev/ttyUSB0、serial:/dev/ttyACM0、"
            "serialno:序列号、simulated；默认为本机在系统参数设置中选择的设备。"),
        QStringLiteral("DEVICE"));
    const QCommandLineOption listen(QStringList{QStringLiteral("listen")},
        QStringLiteral("与 --line-server 一起用：监听的地址和端口，默认 0.0.0.0:3333。"),
        QStringLiteral("HOST:PORT"));
    parser.addOptions({database, demo, ring, backup, restore, copyTo, lineServer, device, listen});

    const auto usageError = [&](const QString &text) {
        err << QStringLiteral("pelkor：%1\n用 pelkor --help 查看可用的选项。").arg(text)
            << Qt::endl;
        return std::optional<int>(mGrpApp::UsageExitCode);
    };
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        out << parser.helpText();
        out.flush();
        return 0;
    }
    if (parser.isSet(version)) {
        out << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion()
            << Qt::endl;
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("不认识的参数：%1")
                              .arg(parser.positionalArguments().join(QLatin1Char(' '))));
    const int tasks = int(parser.isSet(ring)) + int(parser.isSet(backup))
        + int(parser.isSet(restore)) + int(parser.isSet(copyTo)) + int(parser.isSet(lineServer));
    if (tasks > 1)
        return usageError(QStringLiteral(
            "--ring、--backup、--restore、--copy-to 和 --line-server 一次只能用一个。"));
    if ((parser.isSet(device) || parser.isSet(listen)) && !parser.isSet(lineServer))
        return usageError(QStringLiteral("--device 和 --listen 只能与 --line-server 一起使用。"));
    if (parser.isSet(listen)) {
        QString host;
        quint16 port = 0;
        if (!tapi::parseHostPort(parser.value(listen), WorkstationLine::DefaultPort, &host, &port))
            return usageError(QStringLiteral("--listen 应写成 地址:端口，端口为 1 到 65535：%1")
                                  .arg(parser.value(listen)));
    }
    line->lineServer = parser.isSet(lineServer);
    line->device = parser.value(device);
    line->listen = parser.value(listen);
    if (tasks == 1 && parser.isSet(demo))
        return usageError(QStringLiteral("--demo 只能在启动程序时使用。"));
    if (parser.isSet(ring) && parser.isSet(database))
        return usageError(QStringLiteral("--ring 不使用数据库，不能与 --database 一起使用。"));
    line->databaseUrl = parser.value(database);
    line->demo = parser.isSet(demo);
    if (parser.isSet(ring))
        line->ring = parser.value(ring);
    if (parser.isSet(backup))
        line->backup = parser.value(backup);
    if (parser.isSet(restore))
        line->restore = parser.value(restore);
    if (parser.isSet(copyTo)) {
        line->copyTo = parser.value(copyTo);
        const QString problem = mGrpApp::databaseKindProblem(*line->copyTo);
        if (!problem.isEmpty())
            return usageError(problem);
    }
    if (!line->databaseUrl.isEmpty()) {
        const QString problem = mGrpApp::databaseKindProblem(line->databaseUrl);
        if (!problem.isEmpty())
            return usageError(problem);
    }
    return std::nullopt;
}

// The embedded database file to back up or restore: the one on the command
// line, else the one this workstation is set up for.
std::optional<QString> sqliteFile(const QString &databaseUrl)
{
    ConnectionTarget target;
    QString error;
    if (!databaseUrl.isEmpty()) {
        if (!ConnectionTarget::fromUrl(databaseUrl, &target, &error)) {
            err << error << Qt::endl;
            return std::nullopt;
        }
    } else if (const auto saved = mDatabase::SavedTarget()) {
        target = *saved;
    } else {
        err << QStringLiteral("本机还没有设置数据库；请用 --database sqlite:/路径/pelkor.db 指定。")
            << Qt::endl;
        return std::nullopt;
    }
    if (target.kind != SqlDialect::SQLite) {
        err << QStringLiteral("%1 不是内置数据库。服务器上的数据库请用它自己的工具备份和恢复，"
                              "PostgreSQL 用 pg_dump 和 pg_restore（见 README）。")
                   .arg(target.describe())
            << Qt::endl;
        return std::nullopt;
    }
    return target.host;
}

int ringRunningProgram(const QString &number)
{
    QString error;
    if (!tapi::SimulatedLine::ring(number, &error)) {
        err << QStringLiteral("响铃失败：%1").arg(error) << Qt::endl;
        return 1;
    }
    return 0;
}

int backupDatabase(const CommandLine &line)
{
    const auto database = sqliteFile(line.databaseUrl);
    if (!database)
        return 1;
    QString error;
    if (!SqliteBackup::backup(*database, *line.backup, &error)) {
        err << QStringLiteral("备份失败：%1").arg(error) << Qt::endl;
        return 1;
    }
    out << QStringLiteral("已把 %1 备份到 %2。").arg(*database, *line.backup) << Qt::endl;
    return 0;
}

int restoreDatabase(const CommandLine &line)
{
    const auto database = sqliteFile(line.databaseUrl);
    if (!database)
        return 1;
    QString error;
    if (!SqliteBackup::check(*line.restore, &error)) {
        err << QStringLiteral("不能恢复：%1").arg(error) << Qt::endl;
        return 1;
    }
    // The running program would go on writing to the file being replaced.
    SingleInstance instance;
    if (!instance.acquire()) {
        err << (instance.heldByAnotherCopy()
                ? QStringLiteral("程序正在运行，请先退出程序再恢复。")
                : QStringLiteral("不能恢复：%1").arg(instance.lockProblem()))
            << Qt::endl;
        return 1;
    }
    out << QStringLiteral("将用备份 %1 替换数据库 %2，之后的数据都会丢失。确定要恢复吗？(y/N) ")
               .arg(*line.restore, *database);
    out.flush();
    const QString answer = QTextStream(stdin).readLine().trimmed().toLower();
    if (answer != QLatin1String("y") && answer != QLatin1String("yes")) {
        out << QStringLiteral("没有恢复。") << Qt::endl;
        return 1;
    }
    if (!SqliteBackup::restore(*line.restore, *database, &error)) {
        err << QStringLiteral("恢复失败：%1").arg(error) << Qt::endl;
        return 1;
    }
    out << QStringLiteral("已恢复。原来的数据库保存在 %1.before-restore。").arg(*database)
        << Qt::endl;
    return 0;
}

// The current database (the command line's, else the stored setting) into
// an empty one: how a station moves from its file to a server.
int copyDatabase(const CommandLine &line)
{
    ConnectionTarget from;
    ConnectionTarget to;
    QString error;
    if (!line.databaseUrl.isEmpty()) {
        if (!ConnectionTarget::fromUrl(line.databaseUrl, &from, &error)) {
            err << error << Qt::endl;
            return 1;
        }
    } else if (const auto saved = mDatabase::SavedTarget()) {
        from = *saved;
    } else {
        err << QStringLiteral("本机还没有设置数据库；请用 --database 指定要复制的数据库。")
            << Qt::endl;
        return 1;
    }
    if (!ConnectionTarget::fromUrl(*line.copyTo, &to, &error)) {
        err << error << Qt::endl;
        return 1;
    }
    if (!mDatabase::OpenConnection(from, &error)) {
        err << QStringLiteral("无法打开要复制的数据库 %1：%2").arg(from.describe(), error)
            << Qt::endl;
        return 1;
    }
    out << QStringLiteral("正在把 %1 复制到 %2 ……").arg(from.describe(), to.describe()) << Qt::endl;
    const DatabaseCopy::Outcome outcome = DatabaseCopy::copy(mDatabase::gConnection(), to);
    mDatabase::CloseConnection();
    (outcome.ok ? out : err) << outcome.message << Qt::endl;
    return outcome.ok ? 0 : 1;
}

// Serves one line device to the workstations until stopped; what happens
// goes to the program's log file as well as to the terminal.
int runLineServer(const CommandLine &line)
{
    const WorkstationLine::Settings here = WorkstationLine::read();
    WorkstationLine::apply(here);
    QString identity = line.device.trimmed();
    if (identity.isEmpty())
        identity = here.device;
    else if (identity.startsWith(QLatin1Char('/')))
        identity = tapi::Identity::serialPort(identity);
    if (identity.isEmpty()) {
        err << QStringLiteral(
            "本机没有选择来电设备；请用 --device 指定，例如 --device /dev/ttyUSB0。")
            << Qt::endl;
        return mGrpApp::UsageExitCode;
    }
    tapi::LineSettings settings = tapi::lineSettings();
    tapi::LineDevice *device = tapi::createLineDevice(identity, settings);
    if (!device) {
        err << QStringLiteral("没有这个设备：%1").arg(identity) << Qt::endl;
        return 1;
    }
    QString host = QStringLiteral("0.0.0.0");
    quint16 port = WorkstationLine::DefaultPort;
    if (!line.listen.isEmpty())
        tapi::parseHostPort(line.listen, WorkstationLine::DefaultPort, &host, &port);
    tapi::LineServer server;
    QObject::connect(&server, &tapi::LineServer::logged, [](const QString &text) {
        EventLog::write(text);
        err << text << Qt::endl;
    });
    QString error;
    const QHostAddress address(host);
    if (address.isNull()) {
        err << QStringLiteral("--listen 的地址须是本机的一个 IP 地址：%1").arg(host) << Qt::endl;
        return mGrpApp::UsageExitCode;
    }
    if (!server.listen(address, port, &error)) {
        const QString text
            = QStringLiteral("无法在 %1:%2 上监听：%3").arg(host, QString::number(port), error);
        EventLog::write(text);
        err << text << Qt::endl;
        return 1;
    }
    server.serveDevice(device);
    return QCoreApplication::exec();
}

void nameTheProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("Pelkor"));
    QCoreApplication::setOrganizationName(QStringLiteral("Pelkor"));
    QCoreApplication::setApplicationVersion(
        QStringLiteral(PELKOR_VERSION " (" PELKOR_BUILD_DATE ")"));
}

} // namespace

int main(int argc, char *argv[])
{
    CommandLine line;
    {
        // No window system yet: this part must work on a bare terminal.
        QCoreApplication console(argc, argv);
        nameTheProgram();
        mGrpApp::installTranslations();
        if (const auto exitCode = readCommandLine(QCoreApplication::arguments(), &line))
            return *exitCode;
        if (line.ring)
            return ringRunningProgram(*line.ring);
        if (line.backup)
            return backupDatabase(line);
        if (line.restore)
            return restoreDatabase(line);
        if (line.copyTo)
            return copyDatabase(line);
        if (line.lineServer)
            return runLineServer(line);
    }

    QApplication app(argc, argv);
    nameTheProgram();
    // The same bottle as in the desktop's menu, at every size drawn for it.
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/apps/" PELKOR_APP_ID ".png").arg(size));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral(PELKOR_APP_ID));
    // Qt's own dialogs and menus speak the operator's language; without the
    // translations installed they stay in English, which is no reason to stop.
    mGrpApp::installTranslations();
    mGrpApp::applyFocusFrame();
    mGrpApp::applyInterfaceFont();
    mGrpApp::StartOptions options;
    options.databaseUrl = line.databaseUrl;
    options.demo = line.demo;
    return mGrpApp::Main(options);
}
