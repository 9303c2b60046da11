#pragma once

#include "shell/masterlistdialog.h"

// The delivery staff: a branch operator sees the own station's only.
class frmSenderAdmin : public MasterListDialog {
    Q_OBJECT

public:
    explicit frmSenderAdmin(QWidget *parent = nullptr);

protected:
    std::optional<QVector<Item>> readItems() override;
    void openForm(int actionType, qint64 id) override;
};
