#pragma once

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class cTAPILine;

// The business settings every workstation shares (SysValue) and the
// telephone line this workstation listens on. Loading it opens the line:
// the main window loads it hidden at start-up, 系统参数设置 shows it.
class frmSystemSetup : public QDialog {
    Q_OBJECT

public:
    // The line created here replaces whatever *line held (the main window's
    // Tapiline), which ends the old one.
    explicit frmSystemSetup(std::unique_ptr<cTAPILine> *line, QWidget *parent = nullptr);

    // Fills the device list, reads the settings and opens the stored line.
    void Load();

    QCheckBox *chkAutoInMoney;
    QCheckBox *chkAutoOutAmount;
    QCheckBox *chkAutoInContainer;
    QCheckBox *chkSearchAddress;
    QCheckBox *chkAutoDataRefresh;
    QComboBox *cboModem;
    QLineEdit *txtAreaCode;
    QLineEdit *txtNumberLen;
    // This workstation's own sources of caller numbers.
    QLineEdit *txtCallerIdServer;
    QLineEdit *txtModemCommand;
    QLineEdit *txtModemDevices;
    QPushButton *btnOk;
    QPushButton *btnCancel;

    // The per-workstation settings of the line sources, applied before the
    // devices are listed.
    static void applyWorkstationSettings();

private:
    void fillDevices();
    void save();

    std::unique_ptr<cTAPILine> *m_line;
};
