#pragma once

#include "sales/salesettling.h"

#include <QString>

class ListWindow;
struct ListCommands;

// The commands of the sale list family: opening, adding and deleting
// orders and settling what is open on them. Each list says which of them it
// offers, and they go into its command object.
class SaleCommands {
public:
    explicit SaleCommands(ListWindow *list);

    // How the list opens the sale window.
    enum class EditMode { ByFinishFlag, AlwaysView };
    enum class RefreshAfterForm { WhenAutoRefresh, Always };
    // The settle commands a list offers, by what they settle.
    enum Settling { Money = 1, Amount = 2, Containers = 4 };

    struct Offer {
        EditMode edit = EditMode::AlwaysView;
        RefreshAfterForm refresh = RefreshAfterForm::Always;
        bool deleting = false;
        int settling = 0;
    };
    // Puts the offered commands into the list's command object.
    void offer(ListCommands &commands, const Offer &offer);

    void AddNew();
    void EditData();
    void ShowFilter();
    void PrintSale();
    void DeleteData();
    void DeleteAll();

    void InMoney();
    void OutMoney();
    void OutAmount();
    void InAmount();
    void InContainer();
    void OutContainer();
    void InAllMoney();
    void OutAllMoney();
    void OutAllAmount();
    void InAllAmount();
    void InAllContainer();
    void OutAllContainer();

    // One command that settles the selected order.
    struct Settle {
        QString noSelection = {};
        QString noSelectionTitle = {};
        // When the order may be settled, as the list shows it: while
        // FinishFlag is "0" (onlyOpen), else while it is not "1"; and, for
        // receiving money, while money is owed. The settling repeats the
        // condition on the stored order.
        bool onlyOpen = true;
        bool needsMoneyOwed = false;
        QString refused = {};
        QString refusedTitle = {};
        QString confirm = {}; // "%1" is the ID; empty: no question
        QString confirmTitle = {};
        SaleSettling::Step step = SaleSettling::Step::InMoney;
        bool refreshAfterFailure = false;
        bool reportReceived = false;
    };
    // One command that settles every unclosed order, after one question.
    struct SettleAll {
        QString question = {};
        QString title = {};
        SaleSettling::Step step = SaleSettling::Step::InMoney;
        QString doneInfo = {}; // empty: nothing to say after success
        bool refreshOnlyWhenDone = false;
    };

private:
    void settle(const Settle &command);
    void settleAll(const SettleAll &command);
    void refreshAfterForm();

    ListWindow *m_list;
    Offer m_offer;
};
