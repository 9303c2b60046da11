#pragma once

#include "shell/masterlistdialog.h"

// Every operator of every station, disabled ones with their own icon.
class frmUserAdmin : public MasterListDialog {
    Q_OBJECT

public:
    explicit frmUserAdmin(QWidget *parent = nullptr);

    void RefreshList() { LoadList(); }

protected:
    std::optional<QVector<Item>> readItems() override;
    void openForm(int actionType, qint64 id) override;
};
