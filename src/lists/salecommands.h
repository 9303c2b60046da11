#pragma once

class ListWindow;
class QWidget;

// The commands of the sale list family: opening, adding and deleting
// orders and settling what is open on them. The lists that offer a command
// forward their slot of the same name here.
class SaleCommands {
public:
    explicit SaleCommands(ListWindow *list);

    // How the list opens the sale window.
    enum class EditMode { ByFinishFlag, AlwaysView };
    enum class RefreshAfterForm { WhenAutoRefresh, Always };

    void AddNew(RefreshAfterForm refresh);
    void EditData(EditMode mode, RefreshAfterForm refresh);
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

private:
    struct Single;
    void settle(const Single &command);
    void settleAll(const char *question, const char *title, const char *statement,
        const char *doneInfo, bool refreshOnlyWhenDone);
    void refreshIfAuto();

    ListWindow *m_list;
};
