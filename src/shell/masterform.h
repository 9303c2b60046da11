#pragma once

#include "shell/leavecheck.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QPushButton;

// What the product, delivery person and station forms share: the opening
// protocol (mActionType, mCurID; a record that is gone closes the form at
// once), 保存/退出, the price field's check on leaving, and new mode staying
// open for the next entry; it opens with the focus in its first input and
// asks before typed input is thrown away.
class MasterForm : public QDialog {
    Q_OBJECT

public:
    enum ActionType { New = 1, Edit = 2 };

    ActionType mActionType = New;
    qint64 mCurID = 0;

    QPushButton *btnSave;
    QPushButton *btnExit;

    // Loads the record to edit first; a record that no longer exists is
    // not shown at all.
    int exec() override;

public slots:
    // Escape and 退出: typed input goes only when the operator says so.
    void reject() override;

protected:
    MasterForm(const QString &name, const QString &caption, QWidget *parent);

    // Reads the record of mCurID into the fields; false when it is gone.
    virtual bool loadRecord() = 0;
    // Stores the fields; true when stored.
    virtual bool saveRecord() = 0;
    // Empties the fields after a new record is stored.
    virtual void clearForNext() = 0;

    void showEvent(QShowEvent *event) override;
    // The inputs as they are now are what a record holds (after loading a
    // record into a form shown already, say).
    void markInputSaved() { m_unsaved.markSaved(); }

    QGridLayout *fields() const { return m_fields; }
    QLineEdit *addLine(int row, const char *name, const QString &label);
    QCheckBox *addCheck(int row, const char *name, const QString &text);
    // The rule that enables 保存; re-run whenever an input changes.
    void setSaveRule(std::function<bool()> rule);
    void updateSave();
    // A price field: empty becomes "0" on leaving; anything else must be a
    // number, or the focus stays in the field.
    void makePriceField(QLineEdit *field);
    // The price as stored; false (the person was told) when it is not one.
    static bool priceOf(QLineEdit *field, class Currency *out);

private:
    void save();

    QGridLayout *m_fields;
    std::function<bool()> m_saveRule;
    mSystem::UnsavedInput m_unsaved{this};
};
