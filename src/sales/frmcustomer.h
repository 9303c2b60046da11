#pragma once

#include "sales/customerwriter.h"
#include "shell/leavecheck.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// One customer's record: opened modally to enter new customers one after the
// other, or to change an existing one. Opened from a sale, it closes once
// the new customer is stored, for the sale to go on with that customer.
class frmCustomer : public QDialog {
    Q_OBJECT

public:
    enum ActionType { New = 1, Edit = 2 };

    explicit frmCustomer(QWidget *parent = nullptr);

    ActionType mActionType = New;
    int mCurID = 0; // Customer.ID being edited

    // Fills the form for mActionType/mCurID; later calls do nothing, so
    // callers may prepare the form before exec().
    void Load();
    // A sale for an unknown caller: the customer is entered with what the
    // order already knows and always gets an account from the system.
    void PrefillFromSale(const QString &phone, const QString &address);

    // Returns Rejected without showing when the customer to edit is gone.
    int exec() override;

public slots:
    // Escape and 退出: typed input goes only when the operator says so.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fillStations();
    void loadForNew();
    bool loadForEdit();
    void refreshSaveButton();
    void autoIDClicked();
    void showAccountAsSystemOwned(bool systemOwned);
    // A field the operator cannot change takes the window's colour.
    void showAsWindow(QLineEdit *field);
    void checkOnLeaving(QLineEdit *field, int kind);
    void pickDate();
    void save();
    void saveNew();
    void saveEdit();
    // What the fields hold, as the writer stores it.
    CustomerRecord gathered() const;
    int chosenStationID() const;
    int chosenCustType() const;
    QString statusFlag() const;

    QLineEdit *txtAccount;
    QCheckBox *chkAutoID;
    QLineEdit *txtName;
    QLineEdit *txtAddress;
    QLineEdit *txtPhone;
    QComboBox *cmbCustType;
    QLineEdit *txtCreateDate;
    QPushButton *btnDate;
    QLineEdit *txtDetail;
    QCheckBox *chkDisable;
    QComboBox *cmbStation;
    QPushButton *btnSave;
    QPushButton *btnExit;

    mSystem::UnsavedInput m_unsaved{this};
    bool m_forSale = false;
    bool m_loaded = false;
    bool m_recordFound = false;
    CustomerRecord m_stored; // the customer being edited, as it was read
    // Stored when the list holds no matching choice: the edited row's own
    // values, or the user's station for a new customer.
    int m_storedCustType = 0;
    int m_storedStationID = 0;
};
