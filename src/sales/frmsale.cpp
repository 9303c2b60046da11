#include "sales/frmsale.h"

#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "sales/customerlookup.h"
#include "sales/customerpanel.h"
#include "sales/saledetailmodel.h"
#include "sales/salereader.h"
#include "sales/saleslip.h"
#include "sales/salewriter.h"
#include "shell/datetext.h"
#include "shell/idlist.h"
#include "shell/inputcheck.h"
#include "shell/loginstate.h"
#include "shell/picklists.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

using mDatabase::TrimBlanks;

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
    const SaleReader::WindowSettings settings = SaleReader::windowSettings();
    m_autoOutAmount = settings.autoOutAmount;
    m_autoInMoney = settings.autoInMoney;
    m_autoInContainer = settings.autoInContainer;
    m_customer->setSearchAddress(settings.searchAddress);

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
        m_customer->txtCustAccount->setFocus();
    } else {
        loadStoredSale();
        if (m_missing)
            return false;
        m_customer->setKeysEnabled(false);
        btnReset->hide();
        btnPreview->show();
        txtCreateDate->setEnabled(false);
        if (mActionType == View) {
            m_customer->btnAddCustomer->hide();
            for (QPushButton *b : {btnSave, btnSavePrint, btnReset, btnPrintSetup})
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
    // The start of a long remark, which the operator wrote first.
    txtDetail->setCursorPosition(0);
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
    m_customer->showStored(sale.customer);
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
    const auto totals = m_detail->SumArray(txtTotalAmount, txtTotalMoney);
    if (!totals)
        return;
    txtTotalContainer->setText(QString::number(totals->containers));
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
        && !TrimBlanks(m_customer->txtCustAddress->text()).isEmpty();
    btnSave->setEnabled(ready);
    btnSavePrint->setEnabled(ready);
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

// The received quantities may not exceed what the order holds.
bool frmSale::checkReceived(QLineEdit *field)
{
    if (TrimBlanks(field->text()).isEmpty())
        field->setText(QStringLiteral("0"));
    // Money the money words can say; counts of goods and bottles as numbers.
    const bool money = field == txtInMoney || field == txtTransferFee;
    if (!mSystem::CheckInput(
            TrimBlanks(field->text()), money ? mSystem::CheckMoney : mSystem::CheckNumber))
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

bool frmSale::GetCustomerInfo(qint16 searchType)
{
    mModifyWay = 0;
    const bool found = m_customer->GetCustomerInfo(searchType);
    mModifyWay = 1;
    return found;
}

bool frmSale::eventFilter(QObject *watched, QEvent *event)
{
    // Enter on 送水工 moves on to 运费 like every field, never to 保存.
    if (watched == cmbSender && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !cmbSender->view()->isVisible()) {
            focusNextChild();
            return true;
        }
    }
    auto *field = qobject_cast<QLineEdit *>(watched);
    if (event->type() == QEvent::KeyPress && field) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
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
    // nor one covered by a dialog it opened.
    const QWidget *modal = QApplication::activeModalWidget();
    if (!isVisible() || (modal && modal != this) || QApplication::focusWidget() == btnExit
        || !field->isEnabled() || field->isReadOnly() || field->hasFocus())
        return;
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

QStringList frmSale::inputSnapshot() const
{
    QStringList input;
    for (const QLineEdit *e : {txtCreateDate, m_customer->txtCustPhone, m_customer->txtCustAddress,
             txtOutAmount, txtInMoney, txtInContainer, txtTransferFee, txtDetail})
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
    if (m_customer->closeSuggestions()) {
        m_customer->txtCustAddress->setFocus();
        return;
    }
    if (hasUnsavedInput()
        && !Prompt::yesNo(QStringLiteral("销售单据尚未保存，要放弃所输入的内容吗？"),
            QStringLiteral("销售单据"), false))
        return;
    QDialog::reject();
}

void frmSale::ResetInput()
{
    mModifyWay = 0;
    txtSaleID->setText(QString::number(GetNewSaleID()));
    txtDetail->clear();
    for (QLineEdit *e : {txtTotalMoney, txtTotalAmount, txtTotalContainer, txtInMoney, txtOutAmount,
             txtInContainer})
        e->setText(QStringLiteral("0"));
    m_detail->lines().clear();
    m_detail->reload();
    m_customer->clearForNext();
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
    mModifyWay = 0;
    const bool found = m_customer->takeCall(number);
    mModifyWay = 1;
    if (found)
        dbgDetail->setFocus();
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
    sale.address = m_customer->txtCustAddress->text();
    sale.phone = m_customer->txtCustPhone->text();
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
