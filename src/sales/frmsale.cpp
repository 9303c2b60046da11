#include "frmsale.h"

#include "customerlookup.h"
#include "datetext.h"
#include "frmcustomer.h"
#include "idlist.h"
#include "inputcheck.h"
#include "loginstate.h"
#include "mdatabase.h"
#include "pickers.h"
#include "prompt.h"
#include "recordsetmodel.h"
#include "saledetailmodel.h"
#include "salereader.h"
#include "saleslip.h"
#include "salewriter.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

using mDatabase::TrimBlanks;

namespace {

QLineEdit *lineEdit(QWidget *parent, const char *name, const QString &text = QString())
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QPushButton *button(QWidget *parent, const char *name, const char *caption)
{
    auto *b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

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

frmSale::frmSale(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSale"));
    setWindowTitle(QStringLiteral("销售单据"));
    buildWindow();
}

frmSale::~frmSale() = default;

void frmSale::buildWindow()
{
    txtSaleID = lineEdit(this, "txtSaleID");
    setFieldReadOnly(txtSaleID);
    txtCreateDate = lineEdit(this, "txtCreateDate");
    cmbStation = new QComboBox(this);
    cmbStation->setObjectName(QStringLiteral("cmbStation"));

    auto *head = new QHBoxLayout;
    head->addWidget(new QLabel(s("单据编号："), this));
    head->addWidget(txtSaleID);
    head->addWidget(new QLabel(s("开票日期："), this));
    head->addWidget(txtCreateDate);
    head->addWidget(new QLabel(s("供水站："), this));
    head->addWidget(cmbStation, 1);

    // The customer and what the customer has bought before.
    auto *customerBox = new QGroupBox(s("客户信息"), this);
    txtCustAccount = lineEdit(customerBox, "txtCustAccount");
    txtCustPhone = lineEdit(customerBox, "txtCustPhone");
    txtCustAddress = lineEdit(customerBox, "txtCustAddress");
    txtCustName = lineEdit(customerBox, "txtCustName");
    txtCustType = lineEdit(customerBox, "txtCustType");
    txtCustCreateDate = lineEdit(customerBox, "txtCustCreateDate");
    for (QLineEdit *e : {txtCustName, txtCustType, txtCustCreateDate})
        setFieldReadOnly(e);
    btnAddCustomer = button(customerBox, "btnAddCustomer", "新开户");
    auto *customerGrid = new QGridLayout(customerBox);
    customerGrid->addWidget(new QLabel(s("客户帐号："), customerBox), 0, 0);
    customerGrid->addWidget(txtCustAccount, 0, 1);
    customerGrid->addWidget(new QLabel(s("联系电话："), customerBox), 0, 2);
    customerGrid->addWidget(txtCustPhone, 0, 3);
    customerGrid->addWidget(btnAddCustomer, 0, 4);
    customerGrid->addWidget(new QLabel(s("送水地址："), customerBox), 1, 0);
    customerGrid->addWidget(txtCustAddress, 1, 1, 1, 4);
    customerGrid->addWidget(new QLabel(s("客户姓名："), customerBox), 2, 0);
    customerGrid->addWidget(txtCustName, 2, 1);
    customerGrid->addWidget(new QLabel(s("客户类型："), customerBox), 2, 2);
    customerGrid->addWidget(txtCustType, 2, 3);
    customerGrid->addWidget(new QLabel(s("开户日期："), customerBox), 3, 0);
    customerGrid->addWidget(txtCustCreateDate, 3, 1);
    customerGrid->setRowStretch(4, 1);

    auto *historyBox = new QGroupBox(s("历史记录"), this);
    txtHistoryAmount = lineEdit(historyBox, "txtHistoryAmount", QStringLiteral("0"));
    txtHistoryMoney = lineEdit(historyBox, "txtHistoryMoney", QStringLiteral("0"));
    txtHistoryContainerBalance
        = lineEdit(historyBox, "txtHistoryContainerBalance", QStringLiteral("0"));
    txtHistoryMoneyBalance = lineEdit(historyBox, "txtHistoryMoneyBalance", QStringLiteral("0"));
    txtHistoryTimes = lineEdit(historyBox, "txtHistoryTimes", QStringLiteral("0"));
    auto *sums = new QGridLayout;
    const QList<QPair<const char *, QLineEdit *>> sumFields = {{"购水总量：", txtHistoryAmount},
        {"购水金额：", txtHistoryMoney}, {"欠瓶总数：", txtHistoryContainerBalance},
        {"欠款总额：", txtHistoryMoneyBalance}, {"购水次数：", txtHistoryTimes}};
    for (int i = 0; i < sumFields.size(); ++i) {
        setFieldReadOnly(sumFields[i].second);
        sums->addWidget(new QLabel(s(sumFields[i].first), historyBox), i / 3, (i % 3) * 2);
        sums->addWidget(sumFields[i].second, i / 3, (i % 3) * 2 + 1);
    }
    m_history = new RecordsetModel(this);
    m_history->setColumns({{QStringLiteral("ID"), s("单据编号")},
        {QStringLiteral("CreateDate"), s("购水日期")}, {QStringLiteral("TotalAmount"), s("总数量")},
        {QStringLiteral("TotalMoney"), s("总金额"), true},
        {QStringLiteral("ContainerBalance"), s("欠瓶总额")},
        {QStringLiteral("MoneyBalance"), s("欠钱总额"), true},
        {QStringLiteral("SenderID"), s("送水工编号")},
        {QStringLiteral("UserID"), s("操作员编号")}});
    dbgHistory = new QTableView(historyBox);
    dbgHistory->setObjectName(QStringLiteral("dbgHistory"));
    dbgHistory->setModel(m_history);
    dbgHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgHistory->setFocusPolicy(Qt::ClickFocus);
    dbgHistory->verticalHeader()->hide();
    auto *historyLayout = new QVBoxLayout(historyBox);
    historyLayout->addLayout(sums);
    historyLayout->addWidget(dbgHistory);

    auto *top = new QHBoxLayout;
    top->addWidget(customerBox, 1);
    top->addWidget(historyBox, 1);

    // The product lines.
    m_detail = new SaleDetailModel(this);
    m_productDelegate = new ProductDelegate(this);
    dbgDetail = new SaleDetailView(this);
    dbgDetail->setObjectName(QStringLiteral("dbgDetail"));
    dbgDetail->setModel(m_detail);
    dbgDetail->setItemDelegate(m_productDelegate);
    dbgDetail->setColumnWidth(SaleLines::ProductID, 110);
    dbgDetail->setColumnWidth(SaleLines::Name, 200);
    dbgDetail->horizontalHeader()->setSectionResizeMode(SaleLines::Name, QHeaderView::Stretch);
    dbgDetail->setFixedHeight(dbgDetail->horizontalHeader()->sizeHint().height()
        + 3 * dbgDetail->verticalHeader()->defaultSectionSize() + 4);

    // Totals beside what was actually handled.
    auto *totalsBox = new QGroupBox(s("合计"), this);
    txtTotalAmount = lineEdit(totalsBox, "txtTotalAmount", QStringLiteral("0"));
    txtTotalMoney = lineEdit(totalsBox, "txtTotalMoney", QStringLiteral("0"));
    txtTotalContainer = lineEdit(totalsBox, "txtTotalContainer", QStringLiteral("0"));
    for (QLineEdit *e : {txtTotalAmount, txtTotalMoney, txtTotalContainer})
        setFieldReadOnly(e);
    txtOutAmount = lineEdit(totalsBox, "txtOutAmount", QStringLiteral("0"));
    txtInMoney = lineEdit(totalsBox, "txtInMoney", QStringLiteral("0"));
    txtInContainer = lineEdit(totalsBox, "txtInContainer", QStringLiteral("0"));
    txtTransferFee = lineEdit(totalsBox, "txtTransferFee", QStringLiteral("0"));
    cmbSender = new QComboBox(totalsBox);
    cmbSender->setObjectName(QStringLiteral("cmbSender"));
    cmbSender->setPlaceholderText(s("请选择送水工"));
    txtDetail = lineEdit(totalsBox, "txtDetail");
    auto *totals = new QGridLayout(totalsBox);
    const QList<QPair<const char *, QWidget *>> cells
        = {{"总数量：", txtTotalAmount}, {"实际出库：", txtOutAmount}, {"送水工：", cmbSender},
            {"总金额：", txtTotalMoney}, {"实收现金：", txtInMoney}, {"运费：", txtTransferFee},
            {"应收空瓶：", txtTotalContainer}, {"实收空瓶：", txtInContainer}};
    for (int i = 0; i < cells.size(); ++i) {
        totals->addWidget(new QLabel(s(cells[i].first), totalsBox), i / 3, (i % 3) * 2);
        totals->addWidget(cells[i].second, i / 3, (i % 3) * 2 + 1);
    }
    totals->addWidget(new QLabel(s("备注："), totalsBox), 3, 0);
    totals->addWidget(txtDetail, 3, 1, 1, 5);

    btnSave = button(this, "btnSave", "保存");
    btnSavePrint = button(this, "btnSavePrint", "保存并打印");
    btnPreview = button(this, "btnPreview", "打印预览");
    btnPrintSetup = button(this, "btnPrintSetup", "打印设置");
    btnReset = button(this, "btnReset", "重置");
    btnExit = button(this, "btnExit", "退出");
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *b : {btnSave, btnSavePrint, btnPreview, btnPrintSetup, btnReset, btnExit})
        buttons->addWidget(b);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addLayout(top, 1);
    layout->addWidget(new QLabel(s("产品明细："), this));
    layout->addWidget(dbgDetail);
    layout->addWidget(totalsBox);
    layout->addLayout(buttons);

    // The address list floats under the address field.
    dtlCustomer = new QListWidget(this);
    dtlCustomer->setObjectName(QStringLiteral("dtlCustomer"));
    dtlCustomer->hide();

    setTabOrder(txtCustAccount, txtCustPhone);
    setTabOrder(txtCustPhone, txtCustAddress);
    setTabOrder(txtCustAddress, dbgDetail);
    setTabOrder(dbgDetail, txtOutAmount);
    setTabOrder(txtOutAmount, txtInMoney);
    setTabOrder(txtInMoney, txtInContainer);
    setTabOrder(txtInContainer, cmbSender);
    setTabOrder(cmbSender, txtTransferFee);
    setTabOrder(txtTransferFee, txtDetail);

    for (QLineEdit *e : findChildren<QLineEdit *>())
        e->installEventFilter(this);
    dtlCustomer->installEventFilter(this);

    connect(m_detail, &SaleDetailModel::linesChanged, this, &frmSale::SumArray);
    connect(txtTotalAmount, &QLineEdit::textChanged, this, &frmSale::updateSaveButtons);
    connect(txtTotalMoney, &QLineEdit::textChanged, this, &frmSale::updateSaveButtons);
    connect(txtCustAddress, &QLineEdit::textChanged, this, [this] {
        searchAddress();
        updateSaveButtons();
    });
    connect(txtCustAccount, &QLineEdit::editingFinished, this, [this] {
        if (checkAccountField() && !TrimBlanks(txtCustAccount->text()).isEmpty())
            GetCustomerInfo(CustomerLookup::ByAccount);
    });
    connect(txtCustPhone, &QLineEdit::editingFinished, this, [this] {
        if (!TrimBlanks(txtCustPhone->text()).isEmpty())
            GetCustomerInfo(CustomerLookup::ByPhone);
    });
    connect(txtCustAddress, &QLineEdit::editingFinished, this, [this] {
        if (dtlCustomer->hasFocus())
            return;
        dtlCustomer->hide();
        if (!TrimBlanks(txtCustAddress->text()).isEmpty())
            GetCustomerInfo(CustomerLookup::ByAddress);
    });
    // Enter searches by the field (as leaving it does), then goes on to the
    // lines; an account that found nobody keeps the focus for correction.
    for (QLineEdit *key : {txtCustAccount, txtCustPhone, txtCustAddress}) {
        connect(key, &QLineEdit::returnPressed, this, [this, key] {
            QTimer::singleShot(0, this, [this, key] {
                if (key != txtCustAccount || !TrimBlanks(txtCustAccount->text()).isEmpty())
                    dbgDetail->setFocus();
            });
        });
    }
    connect(dtlCustomer, &QListWidget::itemActivated, this, &frmSale::pickAddress);
    connect(dtlCustomer, &QListWidget::itemClicked, this, &frmSale::pickAddress);
    connect(cmbSender, &QComboBox::currentIndexChanged, this, &frmSale::senderChanged);
    // Keys for the hands that never leave the keyboard.
    btnSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    btnSave->setToolTip(QStringLiteral("Ctrl+S"));
    btnSavePrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(btnSave, &QPushButton::clicked, this, [this] { save(false); });
    connect(btnSavePrint, &QPushButton::clicked, this, [this] { save(true); });
    connect(btnPreview, &QPushButton::clicked, this, [this] { SaleSlip::PreviewSaleSlip(mCurID); });
    connect(btnReset, &QPushButton::clicked, this, &frmSale::ResetInput);
    connect(btnAddCustomer, &QPushButton::clicked, this, &frmSale::addCustomer);
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);
    // The slip and its layout come with the printing of slips.
    btnPrintSetup->setEnabled(SaleSlip::isAvailable());
    btnPreview->setEnabled(SaleSlip::isAvailable());
    btnSavePrint->setToolTip(
        SaleSlip::isAvailable() ? QString() : s("单据打印尚未提供：只保存，不打印"));
    resize(980, 720);
}

void frmSale::setFieldReadOnly(QLineEdit *field)
{
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    QPalette p = field->palette();
    p.setColor(QPalette::Base, palette().color(QPalette::Window));
    field->setPalette(p);
}

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

    IdList::fill(cmbStation, QStringLiteral("select * from Station WHERE Status='1'"));
    cmbStation->setEnabled(gIsHeadStation);
    const auto products
        = mDatabase::OpenRecordset(QStringLiteral("Select * from product where Status='1'"));
    m_productDelegate->setProducts(products.value_or(Recordset()));
    IdList::fill(cmbSender,
        gIsHeadStation ? QStringLiteral("Select * from Sender where Status='1'")
                       : QStringLiteral("Select * from Sender where Status='1' and StationID=")
                + QString::number(gStationID));

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
            cmbSender->setEnabled(false);
            txtTransferFee->setEnabled(false);
            for (QLineEdit *e : {txtOutAmount, txtInMoney, txtInContainer, txtDetail})
                e->setReadOnly(true);
            m_detail->setReadOnly(true);
        }
    }
    updateSaveButtons();
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
    IdList::select(cmbSender, sale.senderId);
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
    IdList::select(cmbStation, sale.stationId);

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
    showHistory(m_customerId);
    mModifyWay = previous;
    return true;
}

void frmSale::showHistory(qint64 customerId)
{
    const auto sums = mDatabase::OpenRecordset(CustomerLookup::historySumsQuery(customerId));
    const auto list = sums ? mDatabase::OpenRecordset(CustomerLookup::historyListQuery(customerId))
                           : std::nullopt;
    if (!sums || !list) {
        Prompt::error(QStringLiteral("查找客户信息时出现错误！"), QStringLiteral("错误"));
        return;
    }
    const QList<QPair<const char *, QLineEdit *>> fields = {{"HistoryAmount", txtHistoryAmount},
        {"HistoryMoney", txtHistoryMoney}, {"HistoryContainerBalance", txtHistoryContainerBalance},
        {"HistoryMoneyBalance", txtHistoryMoneyBalance}, {"TotalNumber", txtHistoryTimes}};
    // A customer without orders sums to NULL, which must still replace the
    // previous customer's figures.
    for (const auto &[name, field] : fields)
        field->setText(numberText(sums->value(0, QString::fromLatin1(name))));
    m_history->setRecordset(*list);
    dbgHistory->resizeColumnsToContents();
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
    const QString sql = CustomerLookup::customerQuery(searchType, key->text());
    std::optional<Recordset> rs;
    if (!sql.isEmpty())
        rs = mDatabase::OpenRecordset(sql);
    if (!rs || rs->isEmpty()) {
        txtCustAccount->clear();
        m_customerId = 0;
        if (searchType == CustomerLookup::ByAccount) {
            Prompt::error(QStringLiteral("没有找到该客户帐号！"), QStringLiteral("错误"));
            txtCustAccount->setFocus();
        }
        mModifyWay = 1;
        return false;
    }
    int row = 0;
    if (searchType == CustomerLookup::ByPhone && rs->recordCount() > 1) {
        const qint32 picked = mSystem::SelectCustomer(sql);
        rs->moveFirst();
        if (picked == 0 || !rs->find([picked](const Recordset &r) {
                return r.value(QStringLiteral("ID")).toInt() == picked;
            })) {
            txtCustAccount->clear();
            m_customerId = 0;
            mModifyWay = 1;
            return false;
        }
        row = rs->bookmark();
    }
    showCustomer(*rs, row, searchType != CustomerLookup::ByAddress);
    mModifyWay = 1;
    return true;
}

void frmSale::searchAddress()
{
    if (!m_searchAddress || mModifyWay != 1)
        return;
    const QString text = TrimBlanks(txtCustAddress->text());
    if (text.isEmpty()) {
        dtlCustomer->hide();
        return;
    }
    const auto rs = mDatabase::OpenRecordset(CustomerLookup::addressSearchQuery(text));
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
        const auto rs = mDatabase::OpenRecordset(TrimBlanks(txtCustAddress->text()).isEmpty()
                ? CustomerLookup::addressListQuery()
                : CustomerLookup::addressSearchQuery(txtCustAddress->text()));
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
        if (enter
            && (watched == txtCustAccount || watched == txtCustPhone || watched == txtCustAddress))
            return false; // the field searches; see returnPressed
        if (enter && qobject_cast<QLineEdit *>(watched)) {
            focusNextChild();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return false;
        auto *field = qobject_cast<QLineEdit *>(watched);
        if (field && !field->isReadOnly()
            && (field == txtInContainer || field == txtInMoney || field == txtOutAmount
                || field == txtTransferFee)) {
            if (!checkReceived(field))
                QTimer::singleShot(0, field, [field] {
                    field->setFocus();
                    field->selectAll();
                });
        } else if (field == txtCreateDate && txtCreateDate->isEnabled()
            && !mSystem::CheckInput(txtCreateDate->text(), mSystem::CheckDate)) {
            QTimer::singleShot(0, field, [field] { field->setFocus(); });
        }
    }
    return QDialog::eventFilter(watched, event);
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
    form.mActionType = 1;
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
    sale.totalAmount = SaleRules::wholeUnits(SaleRules::numericValue(txtTotalAmount->text()));
    sale.totalMoney = SaleRules::numericValue(txtTotalMoney->text());
    sale.totalContainer = SaleRules::wholeUnits(SaleRules::numericValue(txtTotalContainer->text()));
    sale.inMoney = SaleRules::numericValue(txtInMoney->text());
    sale.outAmount = SaleRules::numericValue(txtOutAmount->text());
    sale.inContainer = SaleRules::numericValue(txtInContainer->text());
    sale.transferFee = SaleRules::numericValue(txtTransferFee->text());
    const SaleLines &lines = m_detail->lines();
    for (int row = 0; row < SaleLines::RowCount; ++row) {
        if (!lines.isLine(row))
            continue;
        SaleRecord::Line line;
        line.productId = TrimBlanks(lines.cell(row, SaleLines::ProductID)).toLongLong();
        line.price = SaleRules::numericValue(lines.cell(row, SaleLines::Price));
        line.amount
            = SaleRules::wholeUnits(SaleRules::numericValue(lines.cell(row, SaleLines::Amount)));
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
