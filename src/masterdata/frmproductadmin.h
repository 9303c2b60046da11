#pragma once

#include "shell/masterlistdialog.h"

// Every product, suspended ones too.
class frmProductAdmin : public MasterListDialog {
    Q_OBJECT

public:
    explicit frmProductAdmin(QWidget *parent = nullptr);

protected:
    std::optional<QVector<Item>> readItems() override;
    void openForm(int actionType, qint64 id) override;
};
