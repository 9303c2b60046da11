#pragma once

#include "lists/listwindow.h"

// The customers of the station (of the group at the head station): new
// customers and changes through the customer form, and customers suspended
// or taken back into use. Customers are never deleted: their sales keep
// pointing at them.
class frmCustomerAdmin : public ListWindow {
    Q_OBJECT

public:
    explicit frmCustomerAdmin(QWidget *parent = nullptr);

    void AddNew();
    void EditData();
    // Suspends the selected customer, or takes a suspended one back.
    void DeleteData();
    void DeleteAll();
    void ShowFilter();
};
