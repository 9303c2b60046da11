#include "mainwindow/frmabout.h"

#include "datastore/eventlog.h"
#include "datastore/mdatabase.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

frmAbout::frmAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于 Pelkor"));

    auto *title = new QLabel(QStringLiteral("Pelkor 水站配送管理系统（集团用户版）"), this);
    QFont font = title->font();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    font.setBold(true);
    title->setFont(font);

    const QString database = mDatabase::isConnected() ? mDatabase::currentTarget().describe()
                                                      : QStringLiteral("未连接");
    auto *details
        = new QLabel(QStringLiteral("版本：%1\n生成日期：%2\n数据库：%3\n错误记录：%4")
                         .arg(QStringLiteral(PELKOR_VERSION), QStringLiteral(PELKOR_BUILD_DATE),
                             database, QDir::toNativeSeparators(EventLog::filePath())),
            this);
    details->setObjectName(QStringLiteral("lblDetails"));
    details->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    auto *btnSysInfo
        = buttons->addButton(QStringLiteral("系统信息..."), QDialogButtonBox::ActionRole);
    btnSysInfo->setObjectName(QStringLiteral("btnSysInfo"));
    const QString program = systemInfoProgram();
    btnSysInfo->setEnabled(!program.isEmpty());
    if (program.isEmpty())
        btnSysInfo->setToolTip(QStringLiteral("本机没有安装系统信息程序"));
    connect(btnSysInfo, &QPushButton::clicked, this,
        [program] { QProcess::startDetached(program, {}); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    // The program's own icon, as in the desktop's menu.
    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("lblIcon"));
    icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);

    auto *text = new QVBoxLayout;
    text->addWidget(title);
    text->addWidget(details);
    auto *top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(text, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
}

QString frmAbout::systemInfoProgram()
{
    for (const char *name : {"msinfo32", "hardinfo", "kinfocenter", "gnome-system-monitor",
             "mate-system-monitor", "xfce4-taskmanager"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return {};
}
