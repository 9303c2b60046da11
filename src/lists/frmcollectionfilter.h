#pragma once

#include "lists/frmcollectionlist.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

// Which customers the collection list shows: every choice may stay at 全部.
// 恢复默认 hands back no criteria at all.
class frmCollectionFilter : public QDialog {
    Q_OBJECT

public:
    frmCollectionFilter(const frmCollectionList::Criteria &current, QWidget *parent = nullptr);

    frmCollectionList::Criteria criteria() const { return m_criteria; }
    // The criteria in words, for the list's caption.
    QString description() const { return m_description; }

    QComboBox *cmbStation;
    QComboBox *cmbSender;
    QComboBox *cmbCustType;
    QLineEdit *txtMinimum;
    QSpinBox *spnOlderThan;
    QPushButton *btnOk;
    QPushButton *btnCancel;
    QPushButton *btnDefault;

private:
    void confirm();

    frmCollectionList::Criteria m_criteria;
    QString m_description;
};
