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

    // Fills the device list, reads the settings and opens the line this
    // workstation chose.
    void Load();

    // How loading left the line, for the status bar.
    enum class LineState { NotChosen, Opened, Missing, Failed };
    struct LineChoice {
        QString identity;
        LineState state = LineState::NotChosen;
    };
    LineChoice lineChoice() const { return m_choice; }
    // The role of cboModem's items that holds the device's identity.
    static constexpr int IdentityRole = Qt::UserRole + 1;

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
    QPushButton *btnTestServer;
    QCheckBox *chkCallNotice;
    QCheckBox *chkShareLine;
    QPushButton *btnOk;
    QPushButton *btnCancel;

    // The per-workstation settings of the line sources, applied before the
    // devices are listed.
    static void applyWorkstationSettings();

private:
    void fillDevices();
    void openChosenLine(const QString &stored);
    // The first typed value that cannot be stored: reported, its field
    // focused; false then.
    bool checkInput();
    void testServer();
    void save();

    std::unique_ptr<cTAPILine> *m_line;
    LineChoice m_choice;
};
