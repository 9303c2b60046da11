#include "sales/frmcustomeraccount.h"

#include "datastore/prompt.h"
#include "shell/datetext.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

frmCustomerAccount::OpenOrders s_openOrders;

const QString Title = QStringLiteral("客户帐户");

// Bottles and goods are counted in whole pieces, as the lists show them.
QString amount(const Currency &value)
{
    return value.toSqlText();
}

QString money(const Currency &value)
{
    return value.toTwoDecimals();
}

QString dateText(const QDate &date)
{
    return date.isValid() ? DateText::shortDate(date) : QStringLiteral("—");
}

} // namespace

frmCustomerAccount::frmCustomerAccount(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(Title);
    m_header = new QLabel(this);
    m_header->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_balance = new QLabel(this);
    m_balance->setWordWrap(true);
    m_balance->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_rows = new QStandardItemModel(0, 11, this);
    m_rows->setHorizontalHeaderLabels({QStringLiteral("日期"), QStringLiteral("单号"),
        QStringLiteral("货品"), QStringLiteral("应收现金"), QStringLiteral("实收现金"),
        QStringLiteral("欠款"), QStringLiteral("送出瓶"), QStringLiteral("回收瓶"),
        QStringLiteral("欠瓶"), QStringLiteral("累计欠款"), QStringLiteral("累计欠瓶")});
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("dbgAccount"));
    m_grid->setModel(m_rows);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(false);
    m_grid->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);

    m_orders = new QPushButton(QStringLiteral("查看未结单据"), this);
    m_orders->setObjectName(QStringLiteral("btnOrders"));
    // Enter closes the window: opening the lists is a choice of its own.
    m_orders->setAutoDefault(false);
    auto *close = new QPushButton(QStringLiteral("关闭"), this);
    close->setObjectName(QStringLiteral("btnClose"));
    close->setDefault(true);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(m_orders, QDialogButtonBox::ActionRole);
    buttons->addButton(close, QDialogButtonBox::RejectRole);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_orders, &QPushButton::clicked, this, [this] {
        if (s_openOrders)
            s_openOrders(m_account.customerId, m_account.name);
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_header);
    layout->addWidget(m_balance);
    layout->addWidget(m_grid, 1);
    layout->addWidget(buttons);
    resize(900, 520);
}

bool frmCustomerAccount::load(qint64 customerId)
{
    CustomerAccount::Failure failure = CustomerAccount::Failure::None;
    const auto account = CustomerAccount::read(customerId, {}, &failure);
    if (!account) {
        const QString why = CustomerAccount::failureText(failure);
        if (!why.isEmpty())
            Prompt::information(why, Title);
        return false;
    }
    m_account = *account;
    showAccount(m_account);
    return true;
}

frmCustomerAccount *frmCustomerAccount::open(qint64 customerId, QWidget *parent)
{
    auto *window = new frmCustomerAccount(parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->load(customerId)) {
        delete window;
        return nullptr;
    }
    window->show();
    // The keys go to the account, not to the list or form it came from.
    window->raise();
    window->activateWindow();
    return window;
}

void frmCustomerAccount::setOpenOrders(OpenOrders open)
{
    s_openOrders = std::move(open);
}

void frmCustomerAccount::showAccount(const CustomerAccount::Account &a)
{
    setWindowTitle(QStringLiteral("%1 — %2").arg(Title, a.name));
    m_header->setText(QStringLiteral("帐号：%1    姓名：%2    电话：%3    地址：%4")
                          .arg(QString::number(a.account), a.name, a.phone, a.address));
    QStringList bottles;
    for (const CustomerAccount::BottlesOut &b : a.outByBottle)
        bottles << b.product + QStringLiteral(" ") + amount(b.out);
    m_balance->setText(
        QStringLiteral("现欠款：%1 元    现欠瓶：%2%3    最近订货：%4    最早未结：%5")
            .arg(money(a.owed), amount(a.out),
                bottles.isEmpty()
                    ? QString()
                    : QStringLiteral("（%1）").arg(bottles.join(QStringLiteral("，"))),
                dateText(a.lastOrder), dateText(a.oldestOpen)));

    m_rows->setRowCount(0);
    for (const CustomerAccount::Order &o : a.orders) {
        const QStringList texts{dateText(o.date), QString::number(o.id), o.goods, money(o.due),
            money(o.paid), money(o.owed), amount(o.bottles), amount(o.back), amount(o.out),
            money(o.owedSoFar), amount(o.outSoFar)};
        QList<QStandardItem *> items;
        for (int column = 0; column < texts.size(); ++column) {
            auto *item = new QStandardItem(texts[column]);
            if (column >= 3)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            // Closed orders are history: they owe nothing any more.
            if (o.closed)
                item->setForeground(QColor(128, 128, 128));
            else if (column == 5 && o.owed != Currency())
                item->setForeground(Qt::blue);
            items << item;
        }
        m_rows->appendRow(items);
    }
    m_grid->resizeColumnsToContents();
    if (m_rows->rowCount() > 0)
        m_grid->scrollToBottom();
    m_orders->setVisible(bool(s_openOrders));
    m_orders->setEnabled(a.owed != Currency() || a.out != Currency());
}
