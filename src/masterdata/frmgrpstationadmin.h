#pragma once

#include "shell/masterlistdialog.h"

// Every station of the group, suspended ones too.
class frmGrpStationAdmin : public MasterListDialog {
    Q_OBJECT

public:
    explicit frmGrpStationAdmin(QWidget *parent = nullptr);

protected:
    std::optional<QVector<Item>> readItems() override;
    void openForm(int actionType, qint64 id) override;
};
