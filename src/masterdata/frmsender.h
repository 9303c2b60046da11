#pragma once

#include "shell/masterform.h"

class QComboBox;

// One delivery person of a station, with the rate that becomes a sale's
// transfer fee.
class frmSender : public MasterForm {
    Q_OBJECT

public:
    explicit frmSender(QWidget *parent = nullptr);

    QLineEdit *txtName;
    QLineEdit *txtPhone;
    QLineEdit *txtPrice;
    QLineEdit *txtDetail;
    QCheckBox *chkDisable;
    QComboBox *cmbStation;

protected:
    bool loadRecord() override;
    bool saveRecord() override;
    void clearForNext() override;
};
