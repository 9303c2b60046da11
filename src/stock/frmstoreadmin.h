#pragma once

#include "lists/listwindow.h"

// The stock documents of the login station (of every station for the head
// station): opened for entry or correction, open hand-made ones deleted,
// the list filtered and printed.
class frmStoreAdmin : public ListWindow {
    Q_OBJECT

public:
    explicit frmStoreAdmin(QWidget *parent = nullptr);

    void SetMyDBGrid();
    // The footer: "总计：", the sums of quantity and money over the filtered
    // documents (whole numbers) and how many documents there are.
    QStringList totalTexts();

public slots:
    void AddNew();
    void EditData();
    void DeleteData();
    void DeleteAll();
    void ShowFilter();
};
