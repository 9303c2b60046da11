#include "shell/frmdbsetup.h"

#include "datastore/cregistry.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "datastore/registrysettings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmDBSetup::frmDBSetup(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDBSetup"));
    setWindowTitle(QStringLiteral("设置SQLServer数据库参数"));
    setModal(true);

    auto *frame = new QGroupBox(QStringLiteral("数据库连接参数："), this);
    auto *form = new QFormLayout(frame);

    cmbKind = new QComboBox(frame);
    cmbKind->setObjectName(QStringLiteral("cmbKind"));
    // The workstation's own file first: a station starts on it and moves to
    // a server when the group grows.
    cmbKind->addItem(QStringLiteral("本机数据库文件（SQLite）"), int(SqlDialect::SQLite));
    cmbKind->addItem(QStringLiteral("PostgreSQL"), int(SqlDialect::PostgreSQL));
    cmbKind->addItem(QStringLiteral("SQL Server"), int(SqlDialect::SqlServer));
    form->addRow(QStringLiteral("数据库类型："), cmbKind);

    txtHost = new QLineEdit(frame);
    txtHost->setObjectName(QStringLiteral("txtHost"));
    lblHost = new QLabel(QStringLiteral("服务器主机名："), frame);
    form->addRow(lblHost, txtHost);

    txtUser = new QLineEdit(QStringLiteral("sa"), frame);
    txtUser->setObjectName(QStringLiteral("txtUser"));
    lblUser = new QLabel(QStringLiteral("服务器用户："), frame);
    form->addRow(lblUser, txtUser);

    txtPassword = new QLineEdit(frame);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    lblPassword = new QLabel(QStringLiteral("服务器密码："), frame);
    form->addRow(lblPassword, txtPassword);

    btnOk = new QPushButton(QStringLiteral("确认"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnTest = new QPushButton(QStringLiteral("测试连接"), this);
    btnTest->setObjectName(QStringLiteral("btnTest"));
    btnCancel = new QPushButton(QStringLiteral("退出系统"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(btnOk, QDialogButtonBox::AcceptRole);
    buttons->addButton(btnTest, QDialogButtonBox::ActionRole);
    buttons->addButton(btnCancel, QDialogButtonBox::RejectRole);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(buttons);

    // The button box would accept or reject on its own; these buttons do
    // their work first and close the dialog only when it succeeded.
    disconnect(buttons, nullptr, this, nullptr);
    connect(txtHost, &QLineEdit::textChanged, this, &frmDBSetup::updateButtons);
    connect(txtUser, &QLineEdit::textChanged, this, &frmDBSetup::updateButtons);
    connect(cmbKind, &QComboBox::currentIndexChanged, this, &frmDBSetup::updateKind);
    connect(btnTest, &QPushButton::clicked, this, &frmDBSetup::test);
    connect(btnOk, &QPushButton::clicked, this, &frmDBSetup::confirm);
    connect(btnCancel, &QPushButton::clicked, this, [this] {
        m_exitRequested = true;
        reject();
    });

    updateKind();
    resize(420, sizeHint().height());
}

ConnectionTarget frmDBSetup::target() const
{
    const auto kind = SqlDialect::Kind(cmbKind->currentData().toInt());
    return ConnectionTarget::fromSettings(
        ConnectionTarget::kindPrefix(kind) + txtHost->text(), txtUser->text(), txtPassword->text());
}

void frmDBSetup::installAsSetupHook()
{
    mDatabase::setSetupHook([] {
        frmDBSetup dialog;
        dialog.exec();
        if (dialog.ExitRequested())
            return mDatabase::ConnectResult::ExitRequested;
        return mDatabase::isConnected() ? mDatabase::ConnectResult::Connected
                                        : mDatabase::ConnectResult::NotConnected;
    });
}

bool frmDBSetup::isSQLite() const
{
    return SqlDialect::Kind(cmbKind->currentData().toInt()) == SqlDialect::SQLite;
}

void frmDBSetup::updateButtons()
{
    // A database file has no login: only its path counts.
    const bool ready = !mDatabase::TrimBlanks(txtHost->text()).isEmpty()
        && (isSQLite() || !mDatabase::TrimBlanks(txtUser->text()).isEmpty());
    btnTest->setEnabled(ready);
    btnOk->setEnabled(ready);
}

void frmDBSetup::updateKind()
{
    const auto kind = SqlDialect::Kind(cmbKind->currentData().toInt());
    const bool file = kind == SqlDialect::SQLite;
    lblUser->setVisible(!file);
    txtUser->setVisible(!file);
    lblPassword->setVisible(!file);
    txtPassword->setVisible(!file);
    const QString suggested = QDir::toNativeSeparators(ConnectionTarget::localDatabase().host);
    // The suggested file means nothing to a server: it goes when a server
    // is chosen, and what the person typed stays.
    if (!file && txtHost->text() == suggested)
        txtHost->clear();
    switch (kind) {
    case SqlDialect::SQLite:
        lblHost->setText(QStringLiteral("数据库文件："));
        // The suggested file is filled in, not only shown greyed out, so
        // that 确认 takes it as it stands.
        txtHost->setPlaceholderText(suggested);
        if (mDatabase::TrimBlanks(txtHost->text()).isEmpty())
            txtHost->setText(suggested);
        break;
    case SqlDialect::PostgreSQL:
        lblHost->setText(QStringLiteral("服务器主机名："));
        txtHost->setPlaceholderText(QStringLiteral("主机[:端口][/数据库]"));
        break;
    case SqlDialect::SqlServer:
        lblHost->setText(QStringLiteral("服务器主机名："));
        txtHost->setPlaceholderText(QString());
        break;
    }
    updateButtons();
}

void frmDBSetup::test()
{
    btnTest->setEnabled(false);
    btnOk->setEnabled(false);
    const ConnectionTarget t = target();
    if (mDatabase::TestConnection(t)) {
        if (t.kind == SqlDialect::SQLite && !QFileInfo::exists(t.host)) {
            // Testing creates nothing; say what 确认 will do instead.
            const bool folderExists = QFileInfo(QFileInfo(t.host).absolutePath()).isDir();
            Prompt::information(
                (folderExists
                        ? QStringLiteral("数据库文件 %1 还不存在。\n单击[确认]按钮时将创建它。")
                        : QStringLiteral("数据库文件 %1 及其文件夹还不存在。\n"
                                         "单击[确认]按钮时将创建文件夹和数据库文件。"))
                    .arg(QDir::toNativeSeparators(t.host)),
                QStringLiteral("测试连接"));
        } else {
            Prompt::information(QStringLiteral("连接成功！"), QStringLiteral("成功！"));
        }
    }
    updateButtons();
}

void frmDBSetup::confirm()
{
    const ConnectionTarget t = target();
    if (!mDatabase::TestConnection(t))
        return;

    const QString texts[] = {ConnectionTarget::kindPrefix(t.kind) + txtHost->text(),
        txtUser->text(), txtPassword->text()};
    const QString names[]
        = {mDatabase::HostSetting, mDatabase::UserSetting, mDatabase::PasswordSetting};
    for (int i = 0; i < 3; ++i) {
        QString error;
        if (!writeRegistryText(
                mDatabase::RegistryRoot + QLatin1Char('\\') + names[i], texts[i], &error)) {
            Prompt::error(
                QStringLiteral("保存数据库连接参数失败：") + error, QStringLiteral("错误"));
            return;
        }
    }

    QString error;
    if (!mDatabase::OpenConnection(t, &error)) {
        Prompt::error(
            QStringLiteral("连接SQLServer数据库服务器失败:") + error, QStringLiteral("错误"));
        return;
    }
    accept();
}
