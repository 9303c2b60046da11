#include "shell/frmchangepwd.h"

#include "datastore/prompt.h"
#include "shell/loginstate.h"
#include "shell/operatorstore.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmChangePwd::frmChangePwd(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmChangePwd"));
    setWindowTitle(QStringLiteral("修改登录密码"));

    txtPassword1 = new QLineEdit(this);
    txtPassword1->setObjectName(QStringLiteral("txtPassword1"));
    txtPassword1->setEchoMode(QLineEdit::Password);
    txtPassword2 = new QLineEdit(this);
    txtPassword2->setObjectName(QStringLiteral("txtPassword2"));
    txtPassword2->setEchoMode(QLineEdit::Password);

    btnOk = new QPushButton(QStringLiteral("确定"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    lblHint = new QLabel(QStringLiteral("两次输入的新密码不相同，请重新输入。"), this);
    lblHint->setObjectName(QStringLiteral("lblHint"));
    lblHint->setStyleSheet(QStringLiteral("color: #c00000;"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("新密码："), txtPassword1);
    form->addRow(QStringLiteral("确认新密码："), txtPassword2);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(btnOk, QDialogButtonBox::AcceptRole);
    buttons->addButton(btnCancel, QDialogButtonBox::RejectRole);
    disconnect(buttons, nullptr, this, nullptr);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblHint);
    layout->addWidget(buttons);

    connect(txtPassword1, &QLineEdit::textChanged, this, &frmChangePwd::RefreshControl);
    connect(txtPassword2, &QLineEdit::textChanged, this, &frmChangePwd::RefreshControl);
    connect(btnOk, &QPushButton::clicked, this, &frmChangePwd::save);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    RefreshControl();
}

void frmChangePwd::RefreshControl()
{
    const bool same = txtPassword1->text() == txtPassword2->text();
    btnOk->setEnabled(same);
    lblHint->setVisible(!same);
}

void frmChangePwd::save()
{
    if (txtPassword1->text() != txtPassword2->text()) {
        Prompt::error(
            QStringLiteral("两次输入密码不相同，更改密码失败！"), QStringLiteral("更改密码"));
        return;
    }
    const bool stored = UserWriter::setPassword(gUserID, txtPassword1->text());
    // The update error has been shown; the dialog closes either way.
    done(stored ? QDialog::Accepted : QDialog::Rejected);
}
