#include "mgrpapp.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[])
{
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
