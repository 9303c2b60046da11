#pragma once

#include "recordset.h"
#include "salewriter.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;
class RecordsetModel;
class SaleDetailModel;
class SaleDetailView;
class ProductDelegate;

// The sale order window: find the customer, enter up to three product
// lines, the delivery person and what was received, and store the order.
class frmSale : public QDialog {
    Q_OBJECT

public:
    enum ActionType { View = 0, New = 1, Edit = 2 };

    explicit frmSale(QWidget *parent = nullptr);
    ~frmSale() override;

    // Set by the opener before exec().
    int mActionType = New;
    qint64 mCurID = 0;

    // The opening steps; exec() runs them. False when the sale to show no
    // longer exists: exec() then returns at once.
    bool Load();
    int exec() override;

    void ResetInput();
    bool GetCustomerInfo(qint16 searchType);
    qint32 GetNewSaleID();
    bool FillProductInfoByID(const QString &id);
    void SumArray();

    // For the incoming-call handler: a new sale waiting for its customer.
    bool isWaitingForCall() const;
    void takeIncomingCall(const QString &number);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildWindow();
    void loadStoredSale();
    bool showCustomer(const Recordset &rs, int row, bool clearFirst);
    void clearCustomerFields();
    void showHistory(qint64 customerId);
    void clearHistory();
    void updateSaveButtons();
    void searchAddress();
    void showAddressList(bool focus);
    void pickAddress();
    void senderChanged();
    bool checkReceived(QLineEdit *field);
    bool checkAccountField();
    void save(bool print);
    void addCustomer();
    void setFieldReadOnly(QLineEdit *field);

    QLineEdit *txtSaleID;
    QLineEdit *txtCreateDate;
    QComboBox *cmbStation;
    QLineEdit *txtCustAccount;
    QLineEdit *txtCustPhone;
    QLineEdit *txtCustAddress;
    QListWidget *dtlCustomer;
    QLineEdit *txtCustName;
    QLineEdit *txtCustType;
    QLineEdit *txtCustCreateDate;
    QLineEdit *txtHistoryAmount;
    QLineEdit *txtHistoryMoney;
    QLineEdit *txtHistoryContainerBalance;
    QLineEdit *txtHistoryMoneyBalance;
    QLineEdit *txtHistoryTimes;
    QTableView *dbgHistory;
    SaleDetailView *dbgDetail;
    QLineEdit *txtTotalAmount;
    QLineEdit *txtTotalMoney;
    QLineEdit *txtTotalContainer;
    QLineEdit *txtOutAmount;
    QLineEdit *txtInMoney;
    QLineEdit *txtInContainer;
    QLineEdit *txtTransferFee;
    QComboBox *cmbSender;
    QLineEdit *txtDetail;
    QPushButton *btnSave;
    QPushButton *btnSavePrint;
    QPushButton *btnPreview;
    QPushButton *btnPrintSetup;
    QPushButton *btnReset;
    QPushButton *btnAddCustomer;
    QPushButton *btnExit;

    SaleDetailModel *m_detail;
    ProductDelegate *m_productDelegate;
    RecordsetModel *m_history;
    int mModifyWay = 1;
    bool m_loaded = false;
    bool m_missing = false;
    SaleRecord m_stored; // the sale being edited, as it was read
    bool m_autoOutAmount = false;
    bool m_autoInMoney = false;
    bool m_autoInContainer = false;
    bool m_searchAddress = false;
    qint64 m_customerId = 0;
};
