#pragma once

#include "datastore/connectiontarget.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Asks for the database server's host, login and password when the
// workstation has none that work, stores them and opens the connection.
class frmDBSetup : public QDialog {
    Q_OBJECT

public:
    explicit frmDBSetup(QWidget *parent = nullptr);

    // True when the person chose to leave the program instead.
    bool ExitRequested() const { return m_exitRequested; }

    // The target described by the dialog's texts, as typed.
    ConnectionTarget target() const;

    // Makes ConnectDatabase lead the person through this dialog when the
    // stored settings are missing or do not work.
    static void installAsSetupHook();

private:
    void updateButtons();
    void updateKind();
    bool isSQLite() const;
    void test();
    void confirm();

    QComboBox *cmbKind;
    QLabel *lblHost;
    QLabel *lblUser;
    QLabel *lblPassword;
    QLineEdit *txtHost;
    QLineEdit *txtUser;
    QLineEdit *txtPassword;
    QPushButton *btnOk;
    QPushButton *btnTest;
    QPushButton *btnCancel;
    bool m_exitRequested = false;
};
