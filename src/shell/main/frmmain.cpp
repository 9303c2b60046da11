#include "frmmain.h"

#include "frmchangepwd.h"
#include "loginstate.h"
#include "mdatabase.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>

frmMain::frmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Pelkor 水站配送管理系统（集团用户版）"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiMain"));
    setCentralWidget(m_mdi);

    statusBar()->setObjectName(QStringLiteral("barStatus"));
    stbInfo = new QLabel(this);
    stbInfo->setObjectName(QStringLiteral("stbInfo"));
    stbUser = new QLabel(this);
    stbUser->setObjectName(QStringLiteral("stbUser"));
    statusBar()->addWidget(stbInfo, 1);
    statusBar()->addPermanentWidget(stbUser);

    buildMenus();
    showUser();
    resize(1024, 700);
}

void frmMain::buildMenus()
{
    menuBar()->setObjectName(QStringLiteral("mnuMain"));
    QMenu *popFile = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    popFile->setObjectName(QStringLiteral("popFile"));

    auto *tlChangePwd = popFile->addAction(QStringLiteral("修改登录密码"));
    tlChangePwd->setObjectName(QStringLiteral("tlChangePwd"));
    connect(tlChangePwd, &QAction::triggered, this, [this] {
        frmChangePwd dialog(this);
        dialog.exec();
    });
    popFile->addSeparator();
    auto *tlExit = popFile->addAction(QStringLiteral("退出"));
    tlExit->setObjectName(QStringLiteral("tlExit"));
    connect(tlExit, &QAction::triggered, qApp, &QApplication::quit);
}

void frmMain::showUser()
{
    stbUser->setText(mDatabase::GetFieldByID(gStationID, QStringLiteral("Station"), QStringLiteral("Name"))
                     + QStringLiteral("：")
                     + mDatabase::GetFieldByID(gUserID, QStringLiteral("SysUser"), QStringLiteral("Name")));
}
