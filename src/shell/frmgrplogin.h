#pragma once

#include "shell/operatorstore.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

// Picks a station of the group, one of its users, and checks the password.
class frmGrpLogin : public QDialog {
    Q_OBJECT

public:
    explicit frmGrpLogin(QWidget *parent = nullptr);

    bool LoginSucceeded() const { return m_loginSucceeded; }
    // Bound values of the two lists; 0 when nothing is chosen.
    int chosenStationID() const;
    int chosenUserID() const;

private:
    void loadStations();
    void loadUsers();
    void checkPassword();

    QComboBox *cmbStation;
    QComboBox *cmbUser;
    QLineEdit *txtPassword;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;

    // The operators currently listed in cmbUser.
    QList<OperatorRecord> rsUser;
    bool m_loginSucceeded = false;
};
