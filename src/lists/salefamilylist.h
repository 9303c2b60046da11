#pragma once

#include "lists/listwindow.h"
#include "lists/salecommands.h"

// The sale list and its three settling views: one statement over orders and
// their customers, unclosed orders plus today's, newest first.
class SaleFamilyList : public ListWindow {
    Q_OBJECT

public:
    explicit SaleFamilyList(QWidget *parent = nullptr);

    static QString shortSQL();
    // Unclosed orders and all of today's, within the user's station.
    static QString initialFilter(const QDate &today);

    // The orders one customer still has open, as a search the operator can
    // leave with 恢复默认.
    void showCustomerOrders(qint64 customerId, const QString &name);

protected:
    // The open differences that colour a row blue.
    enum Open { OpenAmount = 1, OpenMoney = 2, OpenContainers = 4 };
    void setOpenColumns(int open);

    SaleCommands m_commands;
};
