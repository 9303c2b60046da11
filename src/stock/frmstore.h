#pragma once

#include "shell/masterform.h"
#include "stock/storewriter.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class ProductDelegate;
class StoreDetailModel;
class StoreDetailView;

// One stock document: goods taken into a station's store or given out of
// it, one line per product, typed as the lines of a sale are. Documents that
// day closing generated or closed are shown, never changed.
class frmStore : public MasterForm {
    Q_OBJECT

public:
    explicit frmStore(QWidget *parent = nullptr);
    ~frmStore() override;

    // The opening steps for mActionType and mCurID; exec() runs them. False
    // when the document to show is gone or has no lines: exec() then
    // returns at once.
    bool Load();
    int exec() override;

    // Fills the current grid row from the active product with that number;
    // false when there is none (the row stays as it was).
    bool FillProductInfoByID(const QString &id);
    // Both totals from the lines: whole units (halves to even) and money.
    void SumArray();
    // False when the document shown can only be read.
    bool isChangeable() const { return m_changeable; }

protected:
    bool loadRecord() override;
    bool saveRecord() override;
    void clearForNext() override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildFields();
    void prepare();
    void showReadOnly(const QString &note);
    void saveByKey();
    // The document as typed; false (the operator was told) when a field
    // holds nothing that can be stored.
    bool gather(StoreRecord *doc);
    bool saveRule() const;

    QButtonGroup *optType;
    QLineEdit *txtPaperID;
    QLineEdit *txtCreateDate;
    QComboBox *cmbStation;
    QLineEdit *txtDetail;
    QLineEdit *txtTotalAmount;
    QLineEdit *txtTotalMoney;
    QLabel *lblInfo;
    StoreDetailView *dbgDetail;
    StoreDetailModel *xayDetail;
    ProductDelegate *m_productDelegate;

    StoreRecord m_loaded; // the document being edited, as it was read
    bool m_prepared = false;
    bool m_loadDone = false;
    bool m_loadOk = false;
    bool m_changeable = true;
};
