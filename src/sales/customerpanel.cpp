#include "sales/customerpanel.h"

#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "datastore/schema.h"
#include "sales/customerlookup.h"
#include "sales/frmcustomer.h"
#include "sales/frmcustomeraccount.h"
#include "shell/columnfit.h"
#include "shell/datetext.h"
#include "shell/pickers.h"
#include "shell/recordsetmodel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStringListModel>
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

// Shown, never typed into: the window's colour, reached by mouse only.
void showOnly(QLineEdit *field)
{
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    QPalette p = field->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Window));
    field->setPalette(p);
}

QString dateText(const QVariant &value)
{
    const QDate date = DateText::fromValue(value);
    return date.isValid() ? DateText::shortDate(date) : value.toString();
}

// Room for a signed 32-bit number with a blank or two around it.
constexpr int NumberLength = 13;

} // namespace

CustomerPanel::CustomerPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("customerPanel"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The history grid has eight columns to show, the customer box short
    // fields: the history gets the larger share.
    layout->addWidget(buildCustomerBox(), 4);
    layout->addWidget(buildHistoryBox(), 5);

    // The suggestions are filled by the panel's own search (any part of an
    // address, within the operator's station), so the completer shows its
    // rows as they are rather than filtering them again.
    m_addresses = new QStringListModel(this);
    dtlCustomer = new QCompleter(m_addresses, this);
    dtlCustomer->setObjectName(QStringLiteral("dtlCustomer"));
    dtlCustomer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    dtlCustomer->setWidget(txtCustAddress);
    dtlCustomer->popup()->setObjectName(QStringLiteral("dtlCustomer"));
    connect(dtlCustomer, qOverload<const QString &>(&QCompleter::activated), this,
        &CustomerPanel::pickAddress);
    // Typed only: what the program fills in never opens the list.
    connect(txtCustAddress, &QLineEdit::textEdited, this, [this] { suggest(false); });
    connect(txtCustAddress, &QLineEdit::textChanged, this, &CustomerPanel::addressChanged);

    for (QLineEdit *key : {txtCustAccount, txtCustPhone, txtCustAddress}) {
        key->installEventFilter(this);
        // Enter searches by the key, as leaving it does, then goes on to the
        // lines (also from an empty key); an account that found nobody keeps
        // the focus for correction.
        connect(key, &QLineEdit::returnPressed, this, [this, key] {
            closeSuggestions();
            if (leaveKeyField(key, true))
                emit keysDone();
        });
    }
    connect(btnAddCustomer, &QPushButton::clicked, this, &CustomerPanel::addCustomer);
    connect(btnAccount, &QPushButton::clicked, this,
        [this] { frmCustomerAccount::open(m_customerId, window()); });
    setTabOrder(txtCustAccount, txtCustPhone);
    setTabOrder(txtCustPhone, txtCustAddress);
}

QGroupBox *CustomerPanel::buildCustomerBox()
{
    auto *box = new QGroupBox(QStringLiteral("客户信息"), this);
    txtCustAccount = lineEdit(box, "txtCustAccount");
    txtCustPhone = lineEdit(box, "txtCustPhone");
    txtCustAddress = lineEdit(box, "txtCustAddress");
    txtCustName = lineEdit(box, "txtCustName");
    txtCustType = lineEdit(box, "txtCustType");
    txtCustCreateDate = lineEdit(box, "txtCustCreateDate");
    for (QLineEdit *e : {txtCustName, txtCustType, txtCustCreateDate})
        showOnly(e);
    // Text takes no more than its column holds, so that every database
    // stores what one accepts.
    txtCustPhone->setMaxLength(
        Schema::textColumnSize(QStringLiteral("Customer"), QStringLiteral("Phone")));
    txtCustAddress->setMaxLength(
        Schema::textColumnSize(QStringLiteral("Customer"), QStringLiteral("Address")));
    txtCustAccount->setMaxLength(NumberLength);
    btnAddCustomer = new QPushButton(QStringLiteral("新开户"), box);
    btnAddCustomer->setObjectName(QStringLiteral("btnAddCustomer"));
    btnAddCustomer->setAutoDefault(false);
    // Out of the Tab chain: the keys lead to the order's lines.
    btnAccount = new QPushButton(QStringLiteral("客户帐户"), box);
    btnAccount->setObjectName(QStringLiteral("btnAccount"));
    btnAccount->setAutoDefault(false);
    btnAccount->setFocusPolicy(Qt::ClickFocus);
    btnAccount->setEnabled(false);

    auto *grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("客户帐号："), box), 0, 0);
    grid->addWidget(txtCustAccount, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("联系电话："), box), 0, 2);
    grid->addWidget(txtCustPhone, 0, 3);
    grid->addWidget(btnAddCustomer, 0, 4);
    grid->addWidget(new QLabel(QStringLiteral("送水地址："), box), 1, 0);
    grid->addWidget(txtCustAddress, 1, 1, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("客户姓名："), box), 2, 0);
    grid->addWidget(txtCustName, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("客户类型："), box), 2, 2);
    grid->addWidget(txtCustType, 2, 3);
    grid->addWidget(new QLabel(QStringLiteral("开户日期："), box), 3, 0);
    grid->addWidget(txtCustCreateDate, 3, 1);
    grid->addWidget(btnAccount, 3, 4);
    grid->setRowStretch(4, 1);
    return box;
}

QGroupBox *CustomerPanel::buildHistoryBox()
{
    auto *box = new QGroupBox(QStringLiteral("历史记录"), this);
    txtHistoryAmount = lineEdit(box, "txtHistoryAmount", QStringLiteral("0"));
    txtHistoryMoney = lineEdit(box, "txtHistoryMoney", QStringLiteral("0"));
    txtHistoryContainerBalance = lineEdit(box, "txtHistoryContainerBalance", QStringLiteral("0"));
    txtHistoryMoneyBalance = lineEdit(box, "txtHistoryMoneyBalance", QStringLiteral("0"));
    txtHistoryTimes = lineEdit(box, "txtHistoryTimes", QStringLiteral("0"));
    auto *sums = new QGridLayout;
    const QList<QPair<QString, QLineEdit *>> fields
        = {{QStringLiteral("购水总量："), txtHistoryAmount},
            {QStringLiteral("购水金额："), txtHistoryMoney},
            {QStringLiteral("欠瓶总数："), txtHistoryContainerBalance},
            {QStringLiteral("欠款总额："), txtHistoryMoneyBalance},
            {QStringLiteral("购水次数："), txtHistoryTimes}};
    for (int i = 0; i < fields.size(); ++i) {
        showOnly(fields[i].second);
        sums->addWidget(new QLabel(fields[i].first, box), i / 3, (i % 3) * 2);
        sums->addWidget(fields[i].second, i / 3, (i % 3) * 2 + 1);
    }

    m_history = new RecordsetModel(this);
    m_history->setColumns({{QStringLiteral("ID"), QStringLiteral("单据编号")},
        {QStringLiteral("CreateDate"), QStringLiteral("购水日期")},
        {QStringLiteral("TotalAmount"), QStringLiteral("总数量")},
        {QStringLiteral("TotalMoney"), QStringLiteral("总金额"), true},
        {QStringLiteral("ContainerBalance"), QStringLiteral("欠瓶总额")},
        {QStringLiteral("MoneyBalance"), QStringLiteral("欠钱总额"), true},
        {QStringLiteral("SenderID"), QStringLiteral("送水工编号")},
        {QStringLiteral("UserID"), QStringLiteral("操作员编号")}});
    dbgHistory = new QTableView(box);
    dbgHistory->setObjectName(QStringLiteral("dbgHistory"));
    dbgHistory->setModel(m_history);
    dbgHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgHistory->setFocusPolicy(Qt::ClickFocus);
    dbgHistory->verticalHeader()->hide();
    dbgHistory->setMinimumHeight(60);
    // A caption that cannot have its one line breaks onto a second.
    dbgHistory->horizontalHeader()->setDefaultAlignment(
        Qt::Alignment::fromInt(Qt::AlignCenter | Qt::TextWordWrap));
    dbgHistory->viewport()->installEventFilter(this);

    auto *layout = new QVBoxLayout(box);
    layout->addLayout(sums);
    layout->addWidget(dbgHistory);
    return box;
}

bool CustomerPanel::GetCustomerInfo(qint16 searchType)
{
    QLineEdit *key = searchType == CustomerLookup::ByAccount ? txtCustAccount
        : searchType == CustomerLookup::ByPhone              ? txtCustPhone
                                                             : txtCustAddress;
    std::optional<Recordset> rs = CustomerLookup::findCustomers(searchType, key->text());
    bool shown = false;
    if (!rs || rs->isEmpty()) {
        showNobody(key);
        if (searchType == CustomerLookup::ByAccount) {
            Prompt::error(QStringLiteral("没有找到该客户帐号！"), QStringLiteral("错误"));
            txtCustAccount->setFocus();
        }
    } else if (searchType == CustomerLookup::ByPhone && rs->recordCount() > 1) {
        const qint32 picked
            = mSystem::SelectCustomer(CustomerLookup::customerQuery(searchType, key->text()));
        rs->moveFirst();
        if (picked != 0 && rs->find([picked](const Recordset &r) {
                return r.value(QStringLiteral("ID")).toInt() == picked;
            }))
            shown = showCustomer(*rs, rs->bookmark(), key);
        else
            showNobody(key);
    } else {
        // Half a customer (found, but without the history the operator
        // judges the order by) is no customer found.
        shown = showCustomer(*rs, 0, key);
    }
    markKeysChecked();
    return shown;
}

bool CustomerPanel::showCustomer(const Recordset &rs, int row, QLineEdit *key)
{
    // A phone the operator typed before the customer was found is the
    // phone this order came from: it stays, and saving gives it to the
    // customer. A phone another customer filled in is replaced.
    const bool typedPhone = key != txtCustPhone && !TrimBlanks(txtCustPhone->text()).isEmpty()
        && m_filled.value(txtCustPhone, QString()) != txtCustPhone->text();
    m_filled.clear();
    const auto fill = [&](QLineEdit *field, const QString &text) {
        field->setText(text);
        if (field != key)
            m_filled.insert(field, text);
    };
    fill(txtCustAccount, rs.value(row, QStringLiteral("Account")).toString());
    fill(txtCustAddress, rs.value(row, QStringLiteral("Address")).toString());
    if (!typedPhone)
        fill(txtCustPhone, rs.value(row, QStringLiteral("Phone")).toString());
    txtCustName->setText(rs.value(row, QStringLiteral("Name")).toString());
    txtCustCreateDate->setText(dateText(rs.value(row, QStringLiteral("CreateDate"))));
    txtCustType->setText(
        CustomerLookup::customerTypeText(rs.value(row, QStringLiteral("CustType")).toInt()));
    m_customerId = rs.value(row, QStringLiteral("ID")).toLongLong();
    btnAccount->setEnabled(true);
    emit customerStation(rs.value(row, QStringLiteral("StationID")).toLongLong());
    closeSuggestions();
    // Filled while the operator is in a key: what follows replaces it.
    for (QLineEdit *k : {txtCustAccount, txtCustPhone, txtCustAddress})
        if (k->hasFocus() && k != key)
            k->selectAll();
    return showHistory(m_customerId);
}

void CustomerPanel::showNobody(QLineEdit *key)
{
    m_customerId = 0;
    btnAccount->setEnabled(false);
    txtCustAccount->clear();
    for (QLineEdit *field : {txtCustPhone, txtCustAddress}) {
        const auto filled = m_filled.constFind(field);
        if (field != key && filled != m_filled.constEnd() && *filled == field->text())
            field->clear();
    }
    m_filled.clear();
    for (QLineEdit *e : {txtCustName, txtCustType, txtCustCreateDate})
        e->clear();
    clearHistory();
}

void CustomerPanel::showStored(const SaleRecord::Customer &c)
{
    if (c.id == 0)
        return;
    const Recordset customer(
        QStringList{QStringLiteral("ID"), QStringLiteral("Account"), QStringLiteral("Address"),
            QStringLiteral("Phone"), QStringLiteral("Name"), QStringLiteral("CreateDate"),
            QStringLiteral("CustType"), QStringLiteral("StationID")},
        {{c.id, c.account, c.address, c.phone, c.name, c.createDate, c.custType, c.stationId}});
    txtCustPhone->clear();
    showCustomer(customer, 0, nullptr);
    markKeysChecked();
}

bool CustomerPanel::showHistory(qint64 customerId)
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
                                                : Currency::fromVariant(value).toSqlText());
    }
    m_history->setRecordset(*list);
    fitHistoryColumns();
    return true;
}

void CustomerPanel::clearHistory()
{
    for (QLineEdit *e : {txtHistoryAmount, txtHistoryMoney, txtHistoryMoneyBalance,
             txtHistoryContainerBalance, txtHistoryTimes})
        e->setText(QStringLiteral("0"));
    m_history->setRecordset(Recordset());
}

void CustomerPanel::clearForNext()
{
    for (QLineEdit *e : {txtCustPhone, txtCustAddress, txtCustName, txtCustType, txtCustCreateDate})
        e->clear();
    clearHistory();
    m_customerId = 0;
    btnAccount->setEnabled(false);
    m_filled.remove(txtCustPhone);
    m_filled.remove(txtCustAddress);
    closeSuggestions();
    txtCustAccount->setFocus();
    txtCustAccount->selectAll();
    // The kept account is looked up again when the operator leaves it.
    m_checkedKeys.clear();
}

bool CustomerPanel::takeCall(const QString &number)
{
    txtCustPhone->setText(number);
    return GetCustomerInfo(CustomerLookup::ByPhone);
}

void CustomerPanel::setKeysEnabled(bool enabled)
{
    for (QLineEdit *e : {txtCustAccount, txtCustPhone, txtCustAddress})
        e->setEnabled(enabled);
    btnAddCustomer->setEnabled(enabled);
}

void CustomerPanel::fillSuggestions()
{
    const QString text = TrimBlanks(txtCustAddress->text());
    // Emptied, the field offers every address again.
    const auto rs = CustomerLookup::addressMatches(text);
    QStringList addresses;
    for (int row = 0; rs && row < rs->recordCount(); ++row)
        addresses << rs->value(row, QStringLiteral("Address")).toString();
    m_addresses->setStringList(addresses);
}

// While typing, when the setting asks for it; the down arrow always lists
// what the operator may pick from, the first row current.
void CustomerPanel::suggest(bool onRequest)
{
    if (!onRequest && !m_searchAddress)
        return;
    fillSuggestions();
    if (m_addresses->rowCount() == 0) {
        closeSuggestions();
        return;
    }
    dtlCustomer->complete();
    if (onRequest)
        dtlCustomer->popup()->setCurrentIndex(dtlCustomer->completionModel()->index(0, 0));
}

bool CustomerPanel::closeSuggestions()
{
    QAbstractItemView *list = dtlCustomer->popup();
    if (!list->isVisible())
        return false;
    list->hide();
    return true;
}

void CustomerPanel::pickAddress(const QString &address)
{
    closeSuggestions();
    txtCustAddress->setText(address);
    GetCustomerInfo(CustomerLookup::ByAddress);
    emit keysDone();
}

void CustomerPanel::fitHistoryColumns()
{
    // Every column within the grid's width at any window size: figures and
    // dates whole, captions on two lines where one does not fit.
    const QFontMetrics captions(dbgHistory->horizontalHeader()->font());
    const int columns = m_history->columnCount();
    QVector<qreal> natural;
    QVector<qreal> minimum;
    bool wraps = false;
    for (int c = 0; c < columns; ++c) {
        const QString caption = m_history->headerData(c, Qt::Horizontal).toString();
        const QString firstHalf = caption.left((caption.size() + 1) / 2);
        const int cells = static_cast<const QAbstractItemView *>(dbgHistory)->sizeHintForColumn(c);
        natural << qMax(cells, captions.horizontalAdvance(caption) + 16);
        minimum << qMax(cells, captions.horizontalAdvance(firstHalf) + 16);
    }
    const QVector<qreal> widths = ColumnFit::fit(natural, minimum, dbgHistory->viewport()->width());
    for (int c = 0; c < columns; ++c) {
        dbgHistory->setColumnWidth(c, int(widths[c]));
        wraps = wraps || widths[c] < natural[c];
    }
    const int line = captions.height();
    dbgHistory->horizontalHeader()->setFixedHeight((wraps ? 2 * line : line) + 10);
}

bool CustomerPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == dbgHistory->viewport()) {
        if (event->type() == QEvent::Resize)
            fitHistoryColumns();
        return QWidget::eventFilter(watched, event);
    }
    auto *field = qobject_cast<QLineEdit *>(watched);
    if (!field)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (field == txtCustAddress && key == Qt::Key_Down) {
            suggest(true);
            return true;
        }
        // Escape closes the suggestions first, never the order behind them.
        if (field == txtCustAddress && key == Qt::Key_Escape && closeSuggestions())
            return true;
        break;
    }
    case QEvent::FocusIn:
        // Entering the phone selects it: the next caller's number replaces
        // the one shown instead of running on from it. Queued behind the
        // lookup of the key just left, which may fill the phone in.
        if (field == txtCustPhone) {
            QTimer::singleShot(0, field, [field] {
                if (field->hasFocus())
                    field->selectAll();
            });
        }
        break;
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        // A message box or a pop-up taking the focus is not leaving the key.
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            break;
        // Run once the focus has settled where it went: a check that takes
        // the focus back must not race the move it undoes.
        QPointer<QLineEdit> left(field);
        QTimer::singleShot(0, this, [this, left] {
            if (left)
                leftKeyField(left);
        });
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void CustomerPanel::leftKeyField(QLineEdit *field)
{
    // Heading for 退出 is not held up by a lookup, nor is a closed window,
    // nor one covered by a dialog it opened (新开户).
    const QWidget *modal = QApplication::activeModalWidget();
    if (!isVisible() || (modal && modal != window())
        || (m_exit && QApplication::focusWidget() == m_exit) || !field->isEnabled()
        || field->isReadOnly() || field->hasFocus())
        return;
    if (field == txtCustAddress && dtlCustomer->popup()->isVisible())
        return;
    leaveKeyField(field);
}

bool CustomerPanel::leaveKeyField(QLineEdit *field, bool always)
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

bool CustomerPanel::checkAccountField()
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

void CustomerPanel::markKeysChecked()
{
    for (QLineEdit *key : {txtCustAccount, txtCustPhone, txtCustAddress})
        m_checkedKeys.insert(key, key->text());
}

// A caller nobody knows: the customer form takes what the order already
// holds, and the customer it stores comes back into the order.
void CustomerPanel::addCustomer()
{
    PickedCustomerID = 0;
    frmCustomer form(window());
    form.mActionType = frmCustomer::New;
    form.PrefillFromSale(txtCustPhone->text(), txtCustAddress->text());
    form.exec();
    if (PickedCustomerID == 0)
        return;
    txtCustAccount->setText(QString::number(mDatabase::GetFieldByID(
        PickedCustomerID, QStringLiteral("Customer"), QStringLiteral("Account"))
                                                .toLongLong()));
    // The customer as stored, phone included.
    txtCustPhone->clear();
    if (GetCustomerInfo(CustomerLookup::ByAccount))
        emit keysDone();
}
