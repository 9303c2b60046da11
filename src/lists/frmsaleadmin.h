#pragma once

#include "lists/salefamilylist.h"

// The operator's main list: unclosed orders and today's, with every command
// to add, open, delete and settle them. It stays open for the whole run.
class frmSaleAdmin : public SaleFamilyList {
    Q_OBJECT

public:
    explicit frmSaleAdmin(QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

// Receiving and refunding money.
class frmMoneyAdmin : public SaleFamilyList {
    Q_OBJECT

public:
    explicit frmMoneyAdmin(QWidget *parent = nullptr);
};

// Marking orders delivered.
class frmAmountAdmin : public SaleFamilyList {
    Q_OBJECT

public:
    explicit frmAmountAdmin(QWidget *parent = nullptr);
};

// Recording returned empty bottles.
class frmContainerAdmin : public SaleFamilyList {
    Q_OBJECT

public:
    explicit frmContainerAdmin(QWidget *parent = nullptr);
};
