#pragma once

#include "sales/customeraccount.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QStandardItemModel;
class QTableView;

// "客户帐户": one customer's orders in date order, open and closed, with
// what each still owes and the running balance of money and bottles. It only
// reads; the orders are settled in the lists, which it opens filtered to
// this customer.
class frmCustomerAccount : public QDialog {
    Q_OBJECT

public:
    explicit frmCustomerAccount(QWidget *parent = nullptr);

    // Reads the customer's account; false (after telling the operator why)
    // when there is none to show.
    bool load(qint64 customerId);
    const CustomerAccount::Account &account() const { return m_account; }

    // Opens the account of a customer as a window of its own, which goes
    // when closed; nothing when the account cannot be read.
    static frmCustomerAccount *open(qint64 customerId, QWidget *parent);

    // How the program opens its sale list for one customer; the window
    // offers 查看未结单据 when it is set.
    using OpenOrders = std::function<void(qint64 customerId, const QString &name)>;
    static void setOpenOrders(OpenOrders open);

    QTableView *grid() const { return m_grid; }

private:
    void showAccount(const CustomerAccount::Account &account);

    CustomerAccount::Account m_account;
    QLabel *m_header;
    QLabel *m_balance;
    QStandardItemModel *m_rows;
    QTableView *m_grid;
    QPushButton *m_orders;
};
