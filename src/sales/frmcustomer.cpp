#include "sales/frmcustomer.h"

#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "datastore/schema.h"
#include "shell/datetext.h"
#include "shell/idlist.h"
#include "shell/inputcheck.h"
#include "shell/loginstate.h"
#include "shell/pickers.h"
#include "shell/picklists.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit *lineEdit(const QString &name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

} // namespace

frmCustomer::frmCustomer(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCustomer"));
    setWindowTitle(QStringLiteral("客户资料"));

    txtAccount = lineEdit(QStringLiteral("txtAccount"), this);
    chkAutoID = new QCheckBox(QStringLiteral("系统自动编号"), this);
    chkAutoID->setObjectName(QStringLiteral("chkAutoID"));
    txtName = lineEdit(QStringLiteral("txtName"), this);
    txtAddress = lineEdit(QStringLiteral("txtAddress"), this);
    txtPhone = lineEdit(QStringLiteral("txtPhone"), this);
    cmbCustType = new QComboBox(this);
    cmbCustType->setObjectName(QStringLiteral("cmbCustType"));
    // The position is what CustType stores: the order must never change.
    cmbCustType->addItems({QStringLiteral("未开户客户"), QStringLiteral("已开户客户"),
        QStringLiteral("开户大客户"), QStringLiteral("托管户"), QStringLiteral("其它")});
    txtCreateDate = lineEdit(QStringLiteral("txtCreateDate"), this);
    btnDate = new QPushButton(QStringLiteral("..."), this);
    btnDate->setObjectName(QStringLiteral("btnDate"));
    btnDate->setAutoDefault(false);
    txtDetail = lineEdit(QStringLiteral("txtDetail"), this);
    chkDisable = new QCheckBox(QStringLiteral("该帐户暂停使用"), this);
    chkDisable->setObjectName(QStringLiteral("chkDisable"));
    cmbStation = new QComboBox(this);
    cmbStation->setObjectName(QStringLiteral("cmbStation"));
    // No more than the columns hold, so every database stores what is typed.
    const QString table = QStringLiteral("Customer");
    txtName->setMaxLength(Schema::textColumnSize(table, QStringLiteral("Name")));
    txtAddress->setMaxLength(Schema::textColumnSize(table, QStringLiteral("Address")));
    txtPhone->setMaxLength(Schema::textColumnSize(table, QStringLiteral("Phone")));
    txtDetail->setMaxLength(Schema::textColumnSize(table, QStringLiteral("Detail")));
    txtAccount->setMaxLength(8); // a 16-bit account with its sign and blanks
    txtCreateDate->setMaxLength(16);

    btnSave = new QPushButton(QStringLiteral("保存"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnSave->setDefault(true);
    btnExit = new QPushButton(QStringLiteral("退出"), this);
    btnExit->setObjectName(QStringLiteral("btnExit"));

    auto *accountRow = new QHBoxLayout;
    accountRow->addWidget(txtAccount, 1);
    accountRow->addWidget(chkAutoID);
    auto *dateRow = new QHBoxLayout;
    dateRow->addWidget(txtCreateDate, 1);
    dateRow->addWidget(btnDate);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("帐户编号："), accountRow);
    form->addRow(QStringLiteral("顾客姓名："), txtName);
    form->addRow(QStringLiteral("联系地址："), txtAddress);
    form->addRow(QStringLiteral("联系电话："), txtPhone);
    form->addRow(QStringLiteral("顾客类型："), cmbCustType);
    form->addRow(QStringLiteral("开户日期："), dateRow);
    form->addRow(QStringLiteral("备注："), txtDetail);
    form->addRow(QString(), chkDisable);
    form->addRow(QStringLiteral("所辖供水站："), cmbStation);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(btnSave, QDialogButtonBox::AcceptRole);
    buttons->addButton(btnExit, QDialogButtonBox::RejectRole);
    disconnect(buttons, nullptr, this, nullptr);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(420, sizeHint().height());

    connect(txtAccount, &QLineEdit::textChanged, this, &frmCustomer::refreshSaveButton);
    connect(txtAddress, &QLineEdit::textChanged, this, &frmCustomer::refreshSaveButton);
    connect(chkAutoID, &QCheckBox::clicked, this, &frmCustomer::autoIDClicked);
    connect(txtAccount, &QLineEdit::editingFinished, this,
        [this] { checkOnLeaving(txtAccount, mSystem::CheckInteger); });
    connect(txtCreateDate, &QLineEdit::editingFinished, this,
        [this] { checkOnLeaving(txtCreateDate, mSystem::CheckDate); });
    connect(btnDate, &QPushButton::clicked, this, &frmCustomer::pickDate);
    connect(btnSave, &QPushButton::clicked, this, &frmCustomer::save);
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);
}

void frmCustomer::Load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    fillStations();
    // Only the head station looks after customers of other stations.
    cmbStation->setEnabled(gIsHeadStation);
    if (mActionType == Edit) {
        m_recordFound = loadForEdit();
    } else {
        loadForNew();
        m_recordFound = true;
    }
}

void frmCustomer::PrefillFromSale(const QString &phone, const QString &address)
{
    Load();
    txtPhone->setText(phone);
    txtAddress->setText(address);
    // The sale waits for this customer; nobody should stop to invent an account.
    chkAutoID->setChecked(true);
    chkAutoID->setEnabled(false);
    txtAccount->clear();
    showAccountAsSystemOwned(true);
    refreshSaveButton();
    m_forSale = true;
}

int frmCustomer::exec()
{
    Load();
    if (!m_recordFound) {
        setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

void frmCustomer::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_unsaved.formShown();
}

void frmCustomer::reject()
{
    if (m_unsaved.mayDiscard())
        QDialog::reject();
}

void frmCustomer::fillStations()
{
    IdList::fill(cmbStation, PickLists::activeStations().value_or(Recordset()));
}

void frmCustomer::loadForNew()
{
    chkAutoID->setChecked(true);
    txtAccount->clear();
    showAccountAsSystemOwned(true);
    txtCreateDate->setText(DateText::shortDate(QDate::currentDate()));
    cmbCustType->setCurrentIndex(1);
    m_storedStationID = gStationID;
    IdList::select(cmbStation, m_storedStationID);
    btnSave->setEnabled(false);
}

bool frmCustomer::loadForEdit()
{
    const std::optional<CustomerRecord> stored = CustomerReader::load(mCurID);
    if (!stored)
        return false;
    m_stored = *stored;

    chkAutoID->setChecked(false);
    // Account and opening date are part of the customer's history.
    txtAccount->setEnabled(false);
    chkAutoID->setEnabled(false);
    txtCreateDate->setEnabled(false);
    btnDate->setEnabled(false);
    showAsWindow(txtAccount);
    showAsWindow(txtCreateDate);

    txtAccount->setText(QString::number(m_stored.account));
    txtAddress->setText(m_stored.address);
    txtName->setText(m_stored.name);
    txtPhone->setText(m_stored.phone);
    txtCreateDate->setText(DateText::shortDate(m_stored.createDate));
    m_storedCustType = m_stored.custType;
    cmbCustType->setCurrentIndex(m_storedCustType < cmbCustType->count() ? m_storedCustType : -1);
    txtDetail->setText(m_stored.detail);
    txtDetail->setCursorPosition(0);
    chkDisable->setChecked(mDatabase::TrimBlanks(m_stored.status) == QLatin1String("0"));
    m_storedStationID = int(m_stored.stationId);
    IdList::select(cmbStation, m_storedStationID);
    btnSave->setEnabled(true);
    return true;
}

void frmCustomer::refreshSaveButton()
{
    btnSave->setEnabled(!txtAddress->text().isEmpty()
        && (chkAutoID->isChecked() || !mDatabase::TrimBlanks(txtAccount->text()).isEmpty()));
}

void frmCustomer::autoIDClicked()
{
    const bool systemOwned = chkAutoID->isChecked();
    if (systemOwned)
        txtAccount->clear();
    showAccountAsSystemOwned(systemOwned);
    refreshSaveButton();
}

void frmCustomer::showAccountAsSystemOwned(bool systemOwned)
{
    txtAccount->setEnabled(!systemOwned);
    if (systemOwned) {
        // Looks like part of the window, so nobody tries to type into it.
        showAsWindow(txtAccount);
    } else {
        txtAccount->setPalette(QPalette());
    }
}

void frmCustomer::showAsWindow(QLineEdit *field)
{
    QPalette blended = field->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        blended.setColor(group, QPalette::Base, palette().color(QPalette::Window));
    field->setPalette(blended);
}

void frmCustomer::checkOnLeaving(QLineEdit *field, int kind)
{
    // An inactive window means a message box took the focus (possibly our
    // own) or the person switched programs: neither is leaving the field.
    // Heading for 退出 must not be held up by a check either.
    if (!isVisible() || !isActiveWindow() || QApplication::focusWidget() == btnExit)
        return;
    const QString text = mDatabase::TrimBlanks(field->text());
    if (field == txtAccount && text.isEmpty())
        return;
    if (!mSystem::CheckInput(text, kind)) {
        field->setFocus();
        field->selectAll();
    }
}

void frmCustomer::pickDate()
{
    const QDate picked = mSystem::PickDate();
    if (picked.isValid())
        txtCreateDate->setText(DateText::shortDate(picked));
}

void frmCustomer::save()
{
    if (mActionType == Edit)
        saveEdit();
    else
        saveNew();
}

CustomerRecord frmCustomer::gathered() const
{
    CustomerRecord c;
    c.id = mCurID;
    c.systemAccount = chkAutoID->isChecked();
    c.name = txtName->text();
    c.phone = txtPhone->text();
    c.address = txtAddress->text();
    c.detail = txtDetail->text();
    c.createDate = DateText::parse(txtCreateDate->text());
    c.custType = chosenCustType();
    c.status = statusFlag();
    c.stationId = chosenStationID();
    return c;
}

void frmCustomer::saveNew()
{
    CustomerRecord customer = gathered();
    if (!customer.systemAccount) {
        // The check on leaving can be skipped (Enter, 退出 then back); this one
        // cannot, and only a parsed number ever reaches the statement.
        const QString typed = mDatabase::TrimBlanks(txtAccount->text());
        qint16 account = 0;
        if (!mSystem::CheckInput(typed, mSystem::CheckInteger)) {
            txtAccount->setFocus();
            return;
        }
        mSystem::ParseInteger(typed, &account);
        customer.account = account;
    }
    if (!mSystem::CheckInput(txtCreateDate->text(), mSystem::CheckDate)
        || !customer.createDate.isValid()) {
        txtCreateDate->setFocus();
        return;
    }

    // Refusals and failures have been told; the input stays for another try.
    const qint64 newID = CustomerWriter::saveNew(customer);
    if (newID <= 0)
        return;
    PickedCustomerID = qint32(newID);
    if (m_forSale) {
        accept();
        return;
    }

    txtName->clear();
    txtPhone->clear();
    txtAddress->clear();
    txtDetail->clear();
    if (customer.systemAccount) {
        txtPhone->setFocus();
    } else {
        // Manually numbered customers usually come in a run.
        txtAccount->setText(QString::number(customer.account + 1));
        txtAccount->setFocus();
        txtAccount->selectAll();
    }
    m_unsaved.markSaved();
}

void frmCustomer::saveEdit()
{
    if (CustomerWriter::saveEdit(gathered(), m_stored))
        accept();
}

int frmCustomer::chosenStationID() const
{
    // A closed station is not in the list; the customer stays with it
    // rather than ending up with no station at all.
    return cmbStation->currentIndex() >= 0 ? cmbStation->currentData().toInt() : m_storedStationID;
}

int frmCustomer::chosenCustType() const
{
    return cmbCustType->currentIndex() >= 0 ? cmbCustType->currentIndex() : m_storedCustType;
}

QString frmCustomer::statusFlag() const
{
    return chkDisable->isChecked() ? QStringLiteral("0") : QStringLiteral("1");
}
