#pragma once

#include "shell/masterform.h"

class QComboBox;

// One product or service: water, the bottles it comes in, anything sold.
class frmProduct : public MasterForm {
    Q_OBJECT

public:
    explicit frmProduct(QWidget *parent = nullptr);

    QLineEdit *txtName;
    QLineEdit *txtUnit;
    QLineEdit *txtPrice;
    QLineEdit *txtDetail;
    QCheckBox *chkDisable;
    QCheckBox *chkIsDefault;
    QCheckBox *chkIsContainer;
    QComboBox *cmbContainer;

protected:
    bool loadRecord() override;
    bool saveRecord() override;
    void clearForNext() override;

private:
    void isContainerClicked();
};
