#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Lets the logged-in user set a new password, typed twice.
class frmChangePwd : public QDialog {
    Q_OBJECT

public:
    explicit frmChangePwd(QWidget *parent = nullptr);

public slots:
    void RefreshControl();

private:
    void save();

    QLineEdit *txtPassword1;
    QLineEdit *txtPassword2;
    QPushButton *btnOk;
    QPushButton *btnCancel;
    // Why 确定 cannot be pressed, while it cannot.
    QLabel *lblHint;
};
