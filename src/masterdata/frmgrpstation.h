#pragma once

#include "shell/masterform.h"

// One station of the group; the head station cannot be suspended.
class frmGrpStation : public MasterForm {
    Q_OBJECT

public:
    explicit frmGrpStation(QWidget *parent = nullptr);

    QLineEdit *txtName;
    QCheckBox *chkDisable;

protected:
    bool loadRecord() override;
    bool saveRecord() override;
    void clearForNext() override;
};
