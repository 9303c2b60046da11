#include "sales/frmsale.h"

#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "sales/customerlookup.h"
#include "sales/frmcustomer.h"
#include "sales/saledetailmodel.h"
#include "sales/salereader.h"
#include "sales/saleslip.h"
#include "sales/salewriter.h"
#include "shell/datetext.h"
#include "shell/idlist.h"
#include "shell/inputcheck.h"
#include "shell/loginstate.h"
#include "shell/pickers.h"
#include "shell/picklists.h"
#include "shell/recordsetmodel.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

using mDatabase::TrimBlanks;

namespace {

QString numberText(const QVariant &value)
{
    return Currency::fromVariant(value).toSqlText();
}

QString dateText(const QVariant &value)
{
    const QDate date = DateText::fromValue(value);
    return date.isValid() ? DateText::shortDate(date) : value.toString();
}

} // namespace

int frmSale::exec()
{
    if (!Load())
        return QDialog::Rejected;
    return QDialog::exec();
}

bool frmSale::Load()
{
    if (m_loaded)
        return !m_missing;
    m_loaded = true;
    mModifyWay = 0;
    m_autoOutAmount = mDatabase::GetSysValue(QStringLiteral("AutoOutAmount")) == QLatin1String("1");
    m_autoInMoney = mDatabase::GetSysValue(QStringLiteral("AutoInMoney")) == QLatin1String("1");
    m_autoInContainer
        = mDatabase::GetSysValue(QStringLiteral("AutoInContainer")) == QLatin1String("1");
    m_searchAddress = mDatabase::GetSysValue(QStringLiteral("SearchAddress")) == QLatin1String("1");

    IdList::fill(cmbStation, PickLists::activeStations().value_or(Recordset()));
    cmbStation->setEnabled(gIsHeadStation);
    m_productDelegate->setProducts(PickLists::activeProducts().value_or(Recordset()));
    IdList::fill(
        cmbSender, PickLists::activeSenders(gIsHeadStation, gStationID).value_or(Recordset()));

    if (mActionType == New) {
        txtCreateDate->setText(DateText::todayForm(QDate::currentDate()));
        txtSaleID->setText(QString::number(GetNewSaleID()));
        IdList::select(cmbStation, gStationID);
        btnPreview->hide();
        txtCustAccount->setFocus();
    } else {
        loadStoredSale();
        if (m_missing)
            return false;
        btnAddCustomer->setEnabled(false);
        btnReset->hide();
        btnPreview->show();
        for (QLineEdit *e : {txtCustAccount, txtCustPhone, txtCustAddress, txtCreateDate})
            e->setEnabled(false);
        if (mActionType == View) {
            for (QPushButton *b : {btnSave, btnSavePrint, btnAddCustomer, btnReset, btnPrintSetup})
                b->hide();
            // Looks as it is: nothing here takes input.
            cmbSender->setEnabled(false);
            cmbStation->setEnabled(false);
            txtTransferFee->setEnabled(false);
            for (QLineEdit *e : {txtOutAmount, txtInMoney, txtInContainer, txtDetail})
                e->setEnabled(false);
            m_detail->setReadOnly(true);
            dbgDetail->setEditTriggers(QAbstractItemView::NoEditTriggers);
        }
    }
    updateSaveButtons();
    markKeysChecked();
    m_savedInput = inputSnapshot();
    mModifyWay = 1;
    return true;
}

void frmSale::loadStoredSale()
{
    const std::optional<SaleRecord> stored = SaleReader::load(mCurID);
    if (!stored) {
        m_missing = true;
        return;
    }
    // Kept as read: saving checks that nobody changed the sale meanwhile.
    m_stored = *stored;
    const SaleRecord &sale = m_stored;
    txtSaleID->setText(QString::number(sale.id));
    txtCreateDate->setText(
        sale.createDate.isValid() ? DateText::shortDate(sale.createDate) : QString());
    txtDetail->setText(sale.detail);
    txtTotalAmount->setText(QString::number(sale.totalAmount));
    txtTotalMoney->setText(sale.totalMoney.toSqlText());
    txtTotalContainer->setText(QString::number(sale.totalContainer));
    txtInMoney->setText(sale.inMoney.toSqlText());
    txtOutAmount->setText(sale.outAmount.toSqlText());
    txtInContainer->setText(sale.inContainer.toSqlText());
    selectStored(cmbSender, sale.senderId, QStringLiteral("Sender"));
    txtTransferFee->setText(sale.transferFee.toSqlText());

    // The stored customer, found by its key: a customer suspended since, or
    // now served by another station, still belongs to this sale.
    const SaleRecord::Customer &c = sale.customer;
    if (c.id != 0) {
        const Recordset customer(
            QStringList{QStringLiteral("ID"), QStringLiteral("Account"), QStringLiteral("Address"),
                QStringLiteral("Phone"), QStringLiteral("Name"), QStringLiteral("CreateDate"),
                QStringLiteral("CustType"), QStringLiteral("StationID")},
            {{c.id, c.account, c.address, c.phone, c.name, c.createDate, c.custType, c.stationId}});
        showCustomer(customer, 0, true);
    }
    selectStored(cmbStation, sale.stationId, QStringLiteral("Station"));

    SaleLines &store = m_detail->lines();
    store.clear();
    for (int row = 0; row < sale.lines.size() && row < SaleLines::RowCount; ++row) {
        const SaleRecord::Line &line = sale.lines.at(row);
        store.setCell(row, SaleLines::ProductID, QString::number(line.productId));
        store.setCell(row, SaleLines::Name, line.name);
        store.setCell(row, SaleLines::Unit, line.unit);
        store.setCell(row, SaleLines::Price, line.price.toSqlText());
        store.setCell(row, SaleLines::Amount, QString::number(line.amount));
        store.setCell(row, SaleLines::Money, line.money.toSqlText());
    }
    m_detail->reload();
}

void frmSale::selectStored(QComboBox *combo, qint64 id, const QString &table)
{
    if (id != 0 && combo->findData(id) < 0) {
        const QString name = mDatabase::GetFieldByID(id, table, QStringLiteral("Name")).trimmed();
        combo->addItem(name.isEmpty() ? QString::number(id) : name, id);
    }
    IdList::select(combo, id);
}

qint32 frmSale::GetNewSaleID()
{
    return SaleWriter::GetNewSaleID();
}

bool frmSale::FillProductInfoByID(const QString &id)
{
    const int row = qMax(0, dbgDetail->currentIndex().row());
    if (!m_detail->lines().fillProduct(row, id))
        return false;
    m_detail->reload();
    return true;
}

void frmSale::SumArray()
{
    const SaleTotals totals = SaleRules::sumLines(m_detail->lines());
    // The lines refuse what would not fit; a stored sale beyond the range
    // keeps the totals it was loaded with rather than showing wrapped ones.
    if (!totals.inRange)
        return;
    txtTotalAmount->setText(QString::number(totals.amount));
    txtTotalMoney->setText(totals.money.toSqlText());
    txtTotalContainer->setText(QString::number(totals.containers));
    if (m_autoOutAmount)
        txtOutAmount->setText(txtTotalAmount->text());
    if (m_autoInMoney)
        txtInMoney->setText(txtTotalMoney->text());
    if (m_autoInContainer)
        txtInContainer->setText(txtTotalContainer->text());
}

void frmSale::updateSaveButtons()
{
    const bool ready = !SaleRules::numericValue(txtTotalAmount->text()).isZero()
        && !SaleRules::numericValue(txtTotalMoney->text()).isZero()
        && !TrimBlanks(txtCustAddress->text()).isEmpty();
    btnSave->setEnabled(ready);
    btnSavePrint->setEnabled(ready);
}

void frmSale::clearCustomerFields()
{
    for (QLineEdit *e : {txtCustPhone, txtCustAddress, txtCustName, txtCustType, txtCustCreateDate})
        e->clear();
}

bool frmSale::showCustomer(const Recordset &rs, int row, bool clearFirst)
{
    const int previous = mModifyWay;
    mModifyWay = 0;
    if (clearFirst)
        clearCustomerFields();
    txtCustAccount->setText(rs.value(row, QStringLiteral("Account")).toString());
    txtCustAddress->setText(rs.value(row, QStringLiteral("Address")).toString());
    txtCustPhone->setText(rs.value(row, QStringLiteral("Phone")).toString());
    txtCustName->setText(rs.value(row, QStringLiteral("Name")).toString());
    txtCustCreateDate->setText(dateText(rs.value(row, QStringLiteral("CreateDate"))));
    txtCustType->setText(
        CustomerLookup::customerTypeText(rs.value(row, QStringLiteral("CustType")).toInt()));
    IdList::select(cmbStation, rs.value(row, QStringLiteral("StationID")).toLongLong());
    m_customerId = rs.value(row, QStringLiteral("ID")).toLongLong();
    dtlCustomer->hide();
    const bool historyShown = showHistory(m_customerId);
    mModifyWay = previous;
    return historyShown;
}

bool frmSale::showHistory(qint64 customerId)
{
    const auto sums = CustomerLookup::historySums(customerId);
    const auto list = sums ? CustomerLookup::historyList(customerId) : std::nullopt;
    if (!sums || !list) {
        Prompt::error(QStringLiteral("查找客户信息时出现错误！"), QStringLiteral("错误"));
        clearHistory();
        return false;
    }
    const QList<QPair<const char *, QLineEdit *>> fields = {{"HistoryAmount", txtHistoryAmount},
        {"HistoryMoney", txtHistoryMoney}, {"HistoryContainerBalance", txtHistoryContainerBalance},
        {"HistoryMoneyBalance", txtHistoryMoneyBalance}, {"TotalNumber", txtHistoryTimes}};
    // A customer without orders sums to NULL, which must still replace the
    // previous customer's figures.
    for (const auto &[name, field] : fields) {
        const QVariant value = sums->value(0, QString::fromLatin1(name));
        // Money with two decimals, as the lists show it; counts as counted.
        const bool money = field == txtHistoryMoney || field == txtHistoryMoneyBalance;
        field->setText(money && !value.isNull() ? Currency::fromVariant(value).toTwoDecimals()
                                                : numberText(value));
    }
    m_history->setRecordset(*list);
    dbgHistory->resizeColumnsToContents();
    return true;
}

void frmSale::clearHistory()
{
    for (QLineEdit *e : {txtHistoryAmount, txtHistoryMoney, txtHistoryMoneyBalance,
             txtHistoryContainerBalance, txtHistoryTimes})
        e->setText(QStringLiteral("0"));
    m_history->setRecordset(Recordset());
}

bool frmSale::GetCustomerInfo(qint16 searchType)
{
    mModifyWay = 0;
    QLineEdit *key = searchType == CustomerLookup::ByAccount ? txtCustAccount
        : searchType == CustomerLookup::ByPhone              ? txtCustPhone
                                                             : txtCustAddress;
    std::optional<Recordset> rs = CustomerLookup::findCustomers(searchType, key->text());
    if (!rs || rs->isEmpty()) {
        txtCustAccount->clear();
        m_customerId = 0;
        if (searchType == CustomerLookup::ByAccount) {
            Prompt::error(QStringLiteral("没有找到该客户帐号！"), QStringLiteral("错误"));
            txtCustAccount->setFocus();
        }
        markKeysChecked();
        mModifyWay = 1;
        return false;
    }
    int row = 0;
    if (searchType == CustomerLookup::ByPhone && rs->recordCount() > 1) {
        const qint32 picked
            = mSystem::SelectCustomer(CustomerLookup::customerQuery(searchType, key->text()));
        rs->moveFirst();
        if (picked == 0 || !rs->find([picked](const Recordset &r) {
                return r.value(QStringLiteral("ID")).toInt() == picked;
            })) {
            txtCustAccount->clear();
            m_customerId = 0;
            markKeysChecked();
            mModifyWay = 1;
            return false;
        }
        row = rs->bookmark();
    }
    // Half a customer (found, but without the history the operator judges
    // the order by) is no customer found.
    const bool shown = showCustomer(*rs, row, searchType != CustomerLookup::ByAddress);
    markKeysChecked();
    mModifyWay = 1;
    return shown;
}

void frmSale::searchAddress()
{
    if (!m_searchAddress || mModifyWay != 1)
        return;
    const QString text = TrimBlanks(txtCustAddress->text());
    // Emptied, the field offers every address again.
    const auto rs = CustomerLookup::addressMatches(text);
    dtlCustomer->clear();
    for (int row = 0; rs && row < rs->recordCount(); ++row)
        dtlCustomer->addItem(rs->value(row, QStringLiteral("Address")).toString());
    if (dtlCustomer->count() > 0)
        showAddressList(false);
    else
        dtlCustomer->hide();
}

void frmSale::showAddressList(bool focus)
{
    if (focus || dtlCustomer->count() == 0) {
        // The down arrow lists every address the operator may pick from.
        const auto rs = CustomerLookup::addressMatches(txtCustAddress->text());
        dtlCustomer->clear();
        for (int row = 0; rs && row < rs->recordCount(); ++row)
            dtlCustomer->addItem(rs->value(row, QStringLiteral("Address")).toString());
    }
    const QPoint below = txtCustAddress->mapTo(this, QPoint(0, txtCustAddress->height()));
    dtlCustomer->setGeometry(below.x(), below.y(), txtCustAddress->width(), 180);
    dtlCustomer->show();
    dtlCustomer->raise();
    if (focus) {
        dtlCustomer->setCurrentRow(0);
        dtlCustomer->setFocus();
    }
}

void frmSale::pickAddress()
{
    QListWidgetItem *item = dtlCustomer->currentItem();
    if (!item)
        return;
    mModifyWay = 0;
    txtCustAddress->setText(item->text());
    dtlCustomer->hide();
    GetCustomerInfo(CustomerLookup::ByAddress);
    dbgDetail->setFocus();
}

void frmSale::senderChanged()
{
    const qint64 sender = IdList::selected(cmbSender);
    if (sender == 0)
        return;
    txtTransferFee->setText(Currency::fromVariant(
        mDatabase::GetFieldByID(sender, QStringLiteral("Sender"), QStringLiteral("Price")))
                                .toSqlText());
}

bool frmSale::checkAccountField()
{
    const QString text = TrimBlanks(txtCustAccount->text());
    if (text.isEmpty())
        return true;
    bool ok = false;
    const qint64 account = text.toLongLong(&ok);
    if (ok && account != 0)
        return true;
    Prompt::error(QStringLiteral("所输入的客户编号不是有效的数字！"), QStringLiteral("错误"));
    txtCustAccount->clear();
    txtCustAccount->setFocus();
    return false;
}

// The received quantities may not exceed what the order holds.
bool frmSale::checkReceived(QLineEdit *field)
{
    if (TrimBlanks(field->text()).isEmpty())
        field->setText(QStringLiteral("0"));
    if (!mSystem::CheckInput(TrimBlanks(field->text()), mSystem::CheckNumber))
        return false;
    QLineEdit *total = nullptr;
    QString message;
    if (field == txtInContainer) {
        total = txtTotalContainer;
        message = QStringLiteral("错误，实际回收空瓶超过应回收空瓶数！");
    } else if (field == txtInMoney) {
        total = txtTotalMoney;
        message = QStringLiteral("错误，实收现金超过应收现金！");
    } else if (field == txtOutAmount) {
        total = txtTotalAmount;
        message = QStringLiteral("错误，实际出库超过定单应出货量！");
    }
    if (total && SaleRules::numericValue(field->text()) > SaleRules::numericValue(total->text())) {
        Prompt::error(message, QStringLiteral("错误"));
        return false;
    }
    return true;
}

bool frmSale::eventFilter(QObject *watched, QEvent *event)
{
    auto *field = qobject_cast<QLineEdit *>(watched);
    const bool keyField
        = field == txtCustAccount || field == txtCustPhone || field == txtCustAddress;
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (watched == dtlCustomer) {
            if (enter) {
                pickAddress();
                return true;
            }
            if (key->key() == Qt::Key_Escape) {
                dtlCustomer->hide();
                txtCustAddress->setFocus();
                return true;
            }
            return false;
        }
        if (watched == txtCustAddress && key->key() == Qt::Key_Down) {
            showAddressList(true);
            return true;
        }
        // Escape closes the suggestions first, never the order behind them.
        if (watched == txtCustAddress && key->key() == Qt::Key_Escape && dtlCustomer->isVisible()) {
            dtlCustomer->hide();
            return true;
        }
        if (enter && keyField) {
            enterInKeyField(field);
            return true;
        }
        if (enter && field) {
            focusNextChild();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut && field) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        // A message box or a pop-up taking the focus is not leaving the field.
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return false;
        // Run once the focus has settled where it went: a check that takes
        // the focus back must not race the move it undoes.
        QPointer<QLineEdit> left(field);
        QTimer::singleShot(0, this, [this, left] {
            if (left)
                leaveCheckedField(left);
        });
    }
    return QDialog::eventFilter(watched, event);
}

void frmSale::leaveCheckedField(QLineEdit *field)
{
    // Heading for 退出 is not held up by a check, nor is a closed window,
    // nor one covered by a dialog it opened (新开户).
    const QWidget *modal = QApplication::activeModalWidget();
    if (!isVisible() || (modal && modal != this) || QApplication::focusWidget() == btnExit
        || !field->isEnabled() || field->isReadOnly() || field->hasFocus())
        return;
    if (field == txtCustAccount || field == txtCustPhone || field == txtCustAddress) {
        if (field == txtCustAddress && !dtlCustomer->hasFocus())
            dtlCustomer->hide();
        if (QApplication::focusWidget() != dtlCustomer)
            leaveKeyField(field);
        return;
    }
    if (field == txtInContainer || field == txtInMoney || field == txtOutAmount
        || field == txtTransferFee) {
        if (!checkReceived(field)) {
            field->setFocus();
            field->selectAll();
        }
        return;
    }
    if (field == txtCreateDate && !mSystem::CheckInput(txtCreateDate->text(), mSystem::CheckDate)) {
        field->setFocus();
        field->selectAll();
    }
}

bool frmSale::leaveKeyField(QLineEdit *field, bool always)
{
    const QString text = TrimBlanks(field->text());
    if (text.isEmpty() || (!always && m_checkedKeys.value(field) == field->text()))
        return true;
    m_checkedKeys.insert(field, field->text());
    if (field == txtCustAccount)
        return checkAccountField() && GetCustomerInfo(CustomerLookup::ByAccount);
    // An unknown phone or address is a new customer: no reason to stay.
    GetCustomerInfo(field == txtCustPhone ? CustomerLookup::ByPhone : CustomerLookup::ByAddress);
    return true;
}

// Enter searches by the field, as leaving it does, then goes on to the
// lines (also from an empty field); an account that found nobody keeps the
// focus for correction.
void frmSale::enterInKeyField(QLineEdit *field)
{
    dtlCustomer->hide();
    if (leaveKeyField(field, true))
        dbgDetail->setFocus();
}

void frmSale::markKeysChecked()
{
    for (QLineEdit *key : {txtCustAccount, txtCustPhone, txtCustAddress})
        m_checkedKeys.insert(key, key->text());
}

QStringList frmSale::inputSnapshot() const
{
    QStringList input;
    for (const QLineEdit *e : {txtCreateDate, txtCustPhone, txtCustAddress, txtOutAmount,
             txtInMoney, txtInContainer, txtTransferFee, txtDetail})
        input << e->text();
    input << QString::number(IdList::selected(cmbSender))
          << QString::number(IdList::selected(cmbStation));
    for (int row = 0; row < SaleLines::RowCount; ++row)
        for (int column = 0; column < SaleLines::CellCount; ++column)
            input << m_detail->lines().cell(row, column);
    return input;
}

bool frmSale::hasUnsavedInput() const
{
    return mActionType != View && m_loaded && inputSnapshot() != m_savedInput;
}

void frmSale::reject()
{
    if (dtlCustomer->isVisible()) {
        dtlCustomer->hide();
        txtCustAddress->setFocus();
        return;
    }
    if (hasUnsavedInput()
        && !Prompt::yesNo(QStringLiteral("销售单据尚未保存，要放弃所输入的内容吗？"),
            QStringLiteral("销售单据"), false))
        return;
    QDialog::reject();
}

void frmSale::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (dtlCustomer->isVisible())
        showAddressList(false);
}

void frmSale::ResetInput()
{
    mModifyWay = 0;
    clearCustomerFields();
    txtSaleID->setText(QString::number(GetNewSaleID()));
    clearHistory();
    txtDetail->clear();
    for (QLineEdit *e : {txtTotalMoney, txtTotalAmount, txtTotalContainer, txtInMoney, txtOutAmount,
             txtInContainer})
        e->setText(QStringLiteral("0"));
    m_detail->lines().clear();
    m_detail->reload();
    m_customerId = 0;
    dtlCustomer->hide();
    // The account stays for a repeat order; selected, the next customer's
    // digits replace it instead of running on from it.
    txtCustAccount->setFocus();
    txtCustAccount->selectAll();
    // The kept account is looked up again when the operator leaves it.
    m_checkedKeys.clear();
    m_savedInput = inputSnapshot();
    mModifyWay = 1;
}

bool frmSale::isWaitingForCall() const
{
    return isVisible() && mActionType == New;
}

void frmSale::takeIncomingCall(const QString &number)
{
    if (!isWaitingForCall())
        return;
    ResetInput();
    txtCustPhone->setText(number);
    if (GetCustomerInfo(CustomerLookup::ByPhone))
        dbgDetail->setFocus();
}

void frmSale::addCustomer()
{
    PickedCustomerID = 0;
    frmCustomer form(this);
    form.mActionType = frmCustomer::New;
    form.PrefillFromSale(txtCustPhone->text(), txtCustAddress->text());
    form.exec();
    if (PickedCustomerID != 0) {
        txtCustAccount->setText(QString::number(mDatabase::GetFieldByID(
            PickedCustomerID, QStringLiteral("Customer"), QStringLiteral("Account"))
                                                    .toLongLong()));
        GetCustomerInfo(CustomerLookup::ByAccount);
    }
}

void frmSale::save(bool print)
{
    if (mActionType == View)
        return;
    // Every number reaches the statement parsed, never as typed text.
    for (QLineEdit *field : {txtOutAmount, txtInMoney, txtInContainer, txtTransferFee}) {
        if (!checkReceived(field)) {
            field->setFocus();
            return;
        }
    }
    SaleRecord sale;
    sale.createDate = DateText::parse(txtCreateDate->text());
    if (mActionType == New && !sale.createDate.isValid()) {
        mSystem::CheckInput(txtCreateDate->text(), mSystem::CheckDate);
        txtCreateDate->setFocus();
        return;
    }
    sale.id = mCurID;
    sale.address = txtCustAddress->text();
    sale.phone = txtCustPhone->text();
    sale.detail = txtDetail->text();
    sale.senderId = IdList::selected(cmbSender);
    sale.stationId = IdList::selected(cmbStation);
    sale.userId = gUserID;
    // The totals as the lines give them, checked against their columns:
    // nothing beyond a column's range reaches a statement.
    const SaleLines &lines = m_detail->lines();
    const SaleTotals totals = SaleRules::sumLines(lines);
    if (!totals.inRange) {
        mSystem::ReportBadNumber(txtTotalMoney->text());
        dbgDetail->setFocus();
        return;
    }
    sale.totalAmount = totals.amount;
    sale.totalMoney = totals.money;
    sale.totalContainer = totals.containers;
    sale.inMoney = SaleRules::numericValue(txtInMoney->text());
    sale.outAmount = SaleRules::numericValue(txtOutAmount->text());
    sale.inContainer = SaleRules::numericValue(txtInContainer->text());
    sale.transferFee = SaleRules::numericValue(txtTransferFee->text());
    for (int row = 0; row < SaleLines::RowCount; ++row) {
        if (!lines.isLine(row))
            continue;
        SaleRecord::Line line;
        line.productId = TrimBlanks(lines.cell(row, SaleLines::ProductID)).toLongLong();
        line.price = SaleRules::numericValue(lines.cell(row, SaleLines::Price));
        // In range: the sums above would have failed otherwise.
        SaleRules::wholeUnits(
            SaleRules::numericValue(lines.cell(row, SaleLines::Amount)), &line.amount);
        line.money = SaleRules::numericValue(lines.cell(row, SaleLines::Money));
        sale.lines << line;
    }

    if (mActionType == New) {
        const qint64 id = SaleWriter::saveNew(sale, QDate::currentDate());
        if (id == 0)
            return;
        mCurID = id;
        ResetInput();
        if (print)
            SaleSlip::PrintSaleSlip(mCurID);
        return;
    }
    if (SaleWriter::saveEdit(sale, m_stored)) {
        if (print)
            SaleSlip::PrintSaleSlip(mCurID);
        accept();
    }
}
