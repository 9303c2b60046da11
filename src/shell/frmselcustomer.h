#pragma once

#include <QDialog>

class QPushButton;
class QTableView;
class RecordsetModel;

// Offers the customers of a query (for example all who share one telephone
// number) and hands back the chosen one's ID in PickedCustomerID.
class frmSelCustomer : public QDialog {
    Q_OBJECT

public:
    explicit frmSelCustomer(QWidget *parent = nullptr);

    QString mCurSQL;

    // "未开户", "已开户", ... for Customer.CustType; empty for other values.
    static QString customerTypeText(int custType);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void load();
    void confirm();

    QTableView *dbgMain;
    QPushButton *btnOk;
    QPushButton *btnCancel;
    RecordsetModel *m_model;
};
