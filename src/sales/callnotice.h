#pragma once

#include <QFrame>
#include <QPointer>

#include <functional>

class QLabel;
class QPushButton;
class frmSale;

// A call the sale form did not take: shown beside the new sale whose typed
// order it must not wipe, or on its own when no sale is open. It names the
// caller (number, customer, address) and what the customer still owes in
// money and bottles. 接听此来电 takes the call into the open form, after the
// operator agreed to give up what was typed; 新建销售单 opens a sale for the
// caller. One notice at a time: a later call replaces an earlier one.
class CallNotice : public QFrame {
    Q_OBJECT

public:
    // form: the new sale that kept its typed order, or nullptr.
    static CallNotice *showCall(const QString &number, frmSale *form);
    // The notice on screen, or nullptr.
    static CallNotice *current();
    // How 新建销售单 opens a new sale (the main window's sale list, so that
    // the list shows it once saved); without one, the form opens by itself.
    // The new sale is filled for the caller once it is on screen.
    static void setNewSaleOpener(std::function<void()> open);

    QString number() const { return m_number; }
    QLabel *lblCaller;
    QLabel *lblOpen;
    QPushButton *btnAnswerCall;
    QPushButton *btnNewSale;
    QPushButton *btnClose;

private:
    explicit CallNotice(QWidget *parent = nullptr);
    void fill(const QString &number, frmSale *form);
    void placeBeside(QWidget *form);
    void answer();
    void newSale();

    QString m_number;
    QPointer<frmSale> m_form;
};
