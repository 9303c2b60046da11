#pragma once

#include "datastore/recordset.h"
#include "sales/salewriter.h"

#include <QDialog>

class CustomerPanel;
class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLayout;
class QLineEdit;
class QPushButton;
class SaleDetailModel;
class SaleDetailView;
class ProductDelegate;

// The sale order window: find the customer (CustomerPanel), enter up to
// three product lines, the delivery person and what was received, and
// store the order.
class frmSale : public QDialog {
    Q_OBJECT

public:
    enum ActionType { View = 0, New = 1, Edit = 2 };

    explicit frmSale(QWidget *parent = nullptr);
    ~frmSale() override;

    // Set by the opener before exec().
    ActionType mActionType = New;
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
    // What the operator typed and has not saved.
    bool hasUnsavedInput() const;

public slots:
    // Escape and 退出: open address suggestions close first; typed input is
    // thrown away only when the operator says so.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    QHBoxLayout *buildHeadSection();
    QWidget *buildLinesSection();
    QGroupBox *buildTotalsSection();
    QLayout *buildButtons();
    void limitTextLengths();
    void setTabOrders();
    void connectFields();
    void fitToScreen();
    void loadStoredSale();
    // Selects the stored row's ID; when the drop-down no longer offers it
    // (suspended, or another station's), it is added so that saving keeps it.
    void selectStored(QComboBox *combo, qint64 id, const QString &table);
    void updateSaveButtons();
    void senderChanged();
    bool checkReceived(QLineEdit *field);
    void leaveCheckedField(QLineEdit *field);
    QStringList inputSnapshot() const;
    void save(bool print);
    void setFieldReadOnly(QLineEdit *field);

    QLineEdit *txtSaleID;
    QLineEdit *txtCreateDate;
    QComboBox *cmbStation;
    CustomerPanel *m_customer;
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
    QPushButton *btnExit;

    SaleDetailModel *m_detail;
    ProductDelegate *m_productDelegate;
    int mModifyWay = 1;
    bool m_loaded = false;
    bool m_missing = false;
    SaleRecord m_stored; // the sale being edited, as it was read
    bool m_autoOutAmount = false;
    bool m_autoInMoney = false;
    bool m_autoInContainer = false;
    // The input as loaded or last reset, to tell whether closing loses any.
    QStringList m_savedInput;
};
