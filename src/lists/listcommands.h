#pragma once

#include <functional>

// The commands a list window carries out for the main window's tools, one
// member per command. A list fills in the ones it offers; a command it does
// not offer stays empty and the tool does nothing there. The main window
// reaches them through member pointers, so a misspelt command does not
// compile.
struct ListCommands {
    using Command = std::function<void()>;

    Command AddNew;
    Command EditData;
    Command DeleteData;
    Command DeleteAll;
    Command DataRefresh;
    Command ShowFilter;
    Command PrintSale;
    Command PrintPreview;
    Command PrintReport;
    Command PrintSetup;
    Command InMoney;
    Command InAllMoney;
    Command OutMoney;
    Command OutAllMoney;
    Command OutAmount;
    Command OutAllAmount;
    Command InAmount;
    Command InAllAmount;
    Command InContainer;
    Command InAllContainer;
    Command OutContainer;
    Command OutAllContainer;
    Command FinishToday;
    // The selected row's customer account (Ctrl with a double-click).
    Command ShowAccount;

    using Member = Command ListCommands::*;

    // Runs the command when the list offers it; false when it does not.
    bool run(Member command) const
    {
        const Command &c = this->*command;
        if (!c)
            return false;
        c();
        return true;
    }
    bool offers(Member command) const { return bool(this->*command); }
};
