#pragma once

#include "sales/salewriter.h"

#include <QHash>
#include <QWidget>

class QCompleter;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QStringListModel;
class QTableView;
class Recordset;
class RecordsetModel;

// The customer half of the sale window: the three keys a customer is found
// by (account, phone, address) with the address suggestions, what the found
// customer is, that customer's history, and 新开户 for a caller nobody knows.
//
// The form shows one customer or none: a search that finds nobody leaves no
// other customer's data behind, and a customer found later keeps a phone
// the operator typed, so that a stored phone changes only when the operator
// typed a different one for that customer.
class CustomerPanel : public QWidget {
    Q_OBJECT

public:
    explicit CustomerPanel(QWidget *parent = nullptr);

    // Address suggestions while typing (the SearchAddress setting).
    void setSearchAddress(bool on) { m_searchAddress = on; }
    // Checks on leaving a key are not run when the focus goes to exit.
    void setExitButton(const QPushButton *exit) { m_exit = exit; }

    // Finds the customer by the key of searchType (CustomerLookup) and shows
    // it with its history; false when nobody was found or the history could
    // not be read.
    bool GetCustomerInfo(qint16 searchType);
    // A stored sale's customer, found by its key whatever its state now.
    void showStored(const SaleRecord::Customer &customer);
    // Empty, for the next order: the account stays for a repeat order,
    // selected so that the next customer's digits replace it.
    void clearForNext();
    // A call for a new order: the caller's number, searched at once.
    bool takeCall(const QString &number);
    // Hides the address suggestions; false when none were shown.
    bool closeSuggestions();
    // The fields the operator types into, for a form that only shows a sale.
    void setKeysEnabled(bool enabled);

    qint64 customerId() const { return m_customerId; }

    QLineEdit *txtCustAccount;
    QLineEdit *txtCustPhone;
    QLineEdit *txtCustAddress;
    QLineEdit *txtCustName;
    QLineEdit *txtCustType;
    QLineEdit *txtCustCreateDate;
    QLineEdit *txtHistoryAmount;
    QLineEdit *txtHistoryMoney;
    QLineEdit *txtHistoryContainerBalance;
    QLineEdit *txtHistoryMoneyBalance;
    QLineEdit *txtHistoryTimes;
    QTableView *dbgHistory;
    QPushButton *btnAddCustomer;
    // The shown customer's account (客户帐户), beside the order.
    QPushButton *btnAccount;

signals:
    // The shown customer belongs to this station.
    void customerStation(qint64 stationId);
    // Enter in a key found what it could: the order's lines come next.
    void keysDone();
    void addressChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QGroupBox *buildCustomerBox();
    QGroupBox *buildHistoryBox();
    void fitHistoryColumns();
    bool showCustomer(const Recordset &rs, int row, QLineEdit *key);
    // Nobody has the key: the previous customer's data goes.
    void showNobody(QLineEdit *key);
    bool showHistory(qint64 customerId);
    void clearHistory();
    void fillSuggestions();
    void suggest(bool everyAddress);
    void pickAddress(const QString &address);
    bool checkAccountField();
    // Runs the lookup of a key the operator leaves, unless it already ran
    // for the text the key holds. False when an account was refused or
    // found nobody.
    bool leaveKeyField(QLineEdit *field, bool always = false);
    void leftKeyField(QLineEdit *field);
    void markKeysChecked();
    void addCustomer();

    QCompleter *dtlCustomer;
    QStringListModel *m_addresses;
    RecordsetModel *m_history;
    const QPushButton *m_exit = nullptr;
    bool m_searchAddress = false;
    qint64 m_customerId = 0;
    // What each key held when its lookup last ran.
    QHash<QLineEdit *, QString> m_checkedKeys;
    // The keys a found customer filled in, as filled: any of them still
    // holding that text is that customer's, not the operator's.
    QHash<QLineEdit *, QString> m_filled;
};
