#pragma once

#include "lists/listwindow.h"

// Every logged incoming call with the name and address of the customer
// whose phone number it was; single calls or the whole log can be deleted.
class frmHistoryCall : public ListWindow {
    Q_OBJECT

public:
    explicit frmHistoryCall(QWidget *parent = nullptr);

    void DeleteData();
    void DeleteAll();
    void ShowFilter();
};
