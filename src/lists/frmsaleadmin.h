#pragma once

#include "salefamilylist.h"

// The operator's main list: unclosed orders and today's, with every command
// to add, open, delete and settle them. It stays open for the whole run.
class frmSaleAdmin : public SaleFamilyList {
    Q_OBJECT

public:
    explicit frmSaleAdmin(QWidget *parent = nullptr);

public slots:
    void AddNew() { m_commands.AddNew(SaleCommands::RefreshAfterForm::WhenAutoRefresh); }
    void EditData()
    {
        m_commands.EditData(
            SaleCommands::EditMode::ByFinishFlag, SaleCommands::RefreshAfterForm::WhenAutoRefresh);
    }
    void DeleteData() { m_commands.DeleteData(); }
    void DeleteAll() { m_commands.DeleteAll(); }
    void ShowFilter() { m_commands.ShowFilter(); }
    void PrintSale() { m_commands.PrintSale(); }
    void InMoney() { m_commands.InMoney(); }
    void OutMoney() { m_commands.OutMoney(); }
    void InAllMoney() { m_commands.InAllMoney(); }
    void OutAllMoney() { m_commands.OutAllMoney(); }
    void OutAmount() { m_commands.OutAmount(); }
    void OutAllAmount() { m_commands.OutAllAmount(); }
    void InAmount() { m_commands.InAmount(); }
    void InAllAmount() { m_commands.InAllAmount(); }
    void InContainer() { m_commands.InContainer(); }
    void InAllContainer() { m_commands.InAllContainer(); }
    void OutContainer() { m_commands.OutContainer(); }
    void OutAllContainer() { m_commands.OutAllContainer(); }

protected:
    void closeEvent(QCloseEvent *event) override;
};

// Receiving and refunding money.
class frmMoneyAdmin : public SaleFamilyList {
    Q_OBJECT

public:
    explicit frmMoneyAdmin(QWidget *parent = nullptr);

public slots:
    void AddNew() { m_commands.AddNew(SaleCommands::RefreshAfterForm::Always); }
    void EditData()
    {
        m_commands.EditData(
            SaleCommands::EditMode::AlwaysView, SaleCommands::RefreshAfterForm::Always);
    }
    void ShowFilter() { m_commands.ShowFilter(); }
    void PrintSale() { m_commands.PrintSale(); }
    void InMoney() { m_commands.InMoney(); }
    void OutMoney() { m_commands.OutMoney(); }
    void InAllMoney() { m_commands.InAllMoney(); }
    void OutAllMoney() { m_commands.OutAllMoney(); }
};

// Marking orders delivered.
class frmAmountAdmin : public SaleFamilyList {
    Q_OBJECT

public:
    explicit frmAmountAdmin(QWidget *parent = nullptr);

public slots:
    void AddNew() { m_commands.AddNew(SaleCommands::RefreshAfterForm::Always); }
    void EditData()
    {
        m_commands.EditData(
            SaleCommands::EditMode::AlwaysView, SaleCommands::RefreshAfterForm::Always);
    }
    void ShowFilter() { m_commands.ShowFilter(); }
    void PrintSale() { m_commands.PrintSale(); }
    void OutAmount() { m_commands.OutAmount(); }
    void OutAllAmount() { m_commands.OutAllAmount(); }
    void InAmount() { m_commands.InAmount(); }
    void InAllAmount() { m_commands.InAllAmount(); }
};

// Recording returned empty bottles.
class frmContainerAdmin : public SaleFamilyList {
    Q_OBJECT

public:
    explicit frmContainerAdmin(QWidget *parent = nullptr);

public slots:
    void AddNew() { m_commands.AddNew(SaleCommands::RefreshAfterForm::Always); }
    void EditData()
    {
        m_commands.EditData(
            SaleCommands::EditMode::AlwaysView, SaleCommands::RefreshAfterForm::Always);
    }
    void ShowFilter() { m_commands.ShowFilter(); }
    void PrintSale() { m_commands.PrintSale(); }
    void InContainer() { m_commands.InContainer(); }
    void InAllContainer() { m_commands.InAllContainer(); }
    void OutContainer() { m_commands.OutContainer(); }
    void OutAllContainer() { m_commands.OutAllContainer(); }
};
