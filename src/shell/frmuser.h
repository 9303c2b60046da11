#pragma once

#include "shell/masterform.h"

#include <QString>

class QComboBox;
class QListWidget;

// One operator: name, station, the disabled flag and the eight rights. The
// password is given once, for a new operator; afterwards only its owner
// changes it.
class frmUser : public MasterForm {
    Q_OBJECT

public:
    explicit frmUser(QWidget *parent = nullptr);

    QLineEdit *txtName;
    QLineEdit *txtPassword;
    QLineEdit *txtDetail;
    QComboBox *cmbStation;
    QCheckBox *chkDisable;
    QListWidget *lsbRole;

    // "1" for every selected right and "0" for the others, in list order.
    QString GetRoleString() const;
    void SetRoleString(const QString &roles);
    void ResetInput();

protected:
    bool loadRecord() override;
    bool saveRecord() override;
    void clearForNext() override { ResetInput(); }
};
