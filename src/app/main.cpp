#include "mgrpapp.h"
#include "simulatedline.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstring>

namespace {

// `pelkor --ring NUMBER` rings the simulated telephone line of the copy
// running for this user, as a caller would: for training, demonstrations
// and tests. It needs no display.
bool wantsRing(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--ring") == 0 || std::strncmp(argv[i], "--ring=", 7) == 0)
            return true;
    return false;
}

int ring(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption number(QStringList{QStringLiteral("ring")},
        QStringLiteral("让本用户正在运行的程序的模拟电话线路响铃，来电号码为 NUMBER。"),
        QStringLiteral("NUMBER"));
    parser.addOption(number);
    parser.addHelpOption();
    parser.process(app);
    QString error;
    if (!tapi::SimulatedLine::ring(parser.value(number), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (wantsRing(argc, argv))
        return ring(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelkor"));
    QApplication::setOrganizationName(QStringLiteral("Pelkor"));
    QApplication::setApplicationVersion(QStringLiteral(PELKOR_VERSION " (" PELKOR_BUILD_DATE ")"));
    // Qt's own dialogs and menus speak the operator's language; without the
    // translations installed they stay in English, which is no reason to stop.
    mGrpApp::installTranslations();
    mGrpApp::applyFocusFrame();

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Pelkor 水站配送管理系统：电话订水、送水、收款、空瓶回收与日结报表。"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption database(QStringList{QStringLiteral("database")},
        QStringLiteral(
            "只在本次运行中使用该数据库，不改动保存的连接设置。例如 sqlite:/路径/pelkor.db 或 "
            "pgsql://用户:密码@主机:端口/数据库"),
        QStringLiteral("URL"));
    const QCommandLineOption demo(QStringList{QStringLiteral("demo")},
        QStringLiteral("在空数据库中加入演示用的站点、产品、客户和销售单。"));
    parser.addOption(database);
    parser.addOption(demo);
    parser.process(app);

    mGrpApp::applyInterfaceFont();
    mGrpApp::StartOptions options;
    options.databaseUrl = parser.value(database);
    options.demo = parser.isSet(demo);
    return mGrpApp::Main(options);
}
