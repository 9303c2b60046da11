#include "lists/frmsaleadmin.h"

#include "shell/commandbars.h"
#include "shell/loginstate.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace {

const QList<ListColumn> &deliveryColumns()
{
    static const QList<ListColumn> columns = {
        {QStringLiteral("编号"), "ID", 500, {}, ListColumn::Text},
        {QStringLiteral("开票时间"), "CreateDate", 1200, Qt::AlignCenter, ListColumn::Date},
        {QStringLiteral("送水工编号"), "SenderID", 1000, {}, ListColumn::Text},
        {QStringLiteral("应发货数量"), "TotalAmount", 1000, Qt::AlignCenter, ListColumn::Number},
        {QStringLiteral("实际发货数量"), "OutAmount", 1000, Qt::AlignCenter, ListColumn::Number},
        {QStringLiteral("应回收空瓶数"), "TotalContainer", 1000, Qt::AlignCenter,
            ListColumn::Number},
        {QStringLiteral("实回收空瓶数"), "InContainer", 1000, Qt::AlignCenter, ListColumn::Number},
        {QStringLiteral("客户地址"), "Address", 3000, Qt::AlignLeft, ListColumn::Text},
    };
    return columns;
}

QString bottlesOwed(const QStringList &footer)
{
    return QStringLiteral("共欠瓶：%1个").arg(ListWindow::footerDifference(footer, 5, 6));
}

} // namespace

frmSaleAdmin::frmSaleAdmin(QWidget *parent) : SaleFamilyList(parent)
{
    setObjectName(QStringLiteral("frmSaleAdmin"));
    setWindowTitle(QStringLiteral("销售开票"));
    setGridCaption(QStringLiteral(":::今日销售单据列表:::"));
    setColumns({{QStringLiteral("编号"), "ID", 500, {}, ListColumn::Text},
        {QStringLiteral("开票时间"), "CreateDate", 1200, Qt::AlignCenter, ListColumn::Date},
        {QStringLiteral("送水工编号"), "SenderID", 600, {}, ListColumn::Text},
        {QStringLiteral("应收现金"), "TotalMoney", 600, Qt::AlignRight, ListColumn::Money},
        {QStringLiteral("实收现金"), "InMoney", 600, Qt::AlignRight, ListColumn::Money},
        {QStringLiteral("应发货数量"), "TotalAmount", 800, Qt::AlignCenter, ListColumn::Number},
        {QStringLiteral("实际发货数量"), "OutAmount", 800, Qt::AlignCenter, ListColumn::Number},
        {QStringLiteral("应回收空瓶数"), "TotalContainer", 800, Qt::AlignCenter,
            ListColumn::Number},
        {QStringLiteral("实回收空瓶数"), "InContainer", 800, Qt::AlignCenter, ListColumn::Number},
        {QStringLiteral("客户地址"), "Address", 3000, Qt::AlignLeft, ListColumn::Text}});
    setTotals({3, 4, 5, 6, 7, 8}, [](const QStringList &footer) {
        return QStringLiteral("共欠钱：%1元       欠瓶：%2个")
            .arg(footerDifference(footer, 3, 4), footerDifference(footer, 7, 8));
    });
    setOpenColumns(OpenAmount | OpenMoney | OpenContainers);
    setClosesOnDeactivation(false);
    m_commands.offer(commands(),
        {.edit = SaleCommands::EditMode::ByFinishFlag,
            .refresh = SaleCommands::RefreshAfterForm::WhenAutoRefresh,
            .deleting = true,
            .settling = SaleCommands::Money | SaleCommands::Amount | SaleCommands::Containers});
    loadRows();
}

void frmSaleAdmin::closeEvent(QCloseEvent *event)
{
    // The operator's working list: it goes only with the main window (or
    // when the rights take it away, which closes it the same way).
    const CommandBars *bars = CommandBars::current();
    if (bars && bars->mainWindowClosing)
        event->accept();
    else
        event->ignore();
}

void frmSaleAdmin::keyPressEvent(QKeyEvent *event)
{
    // A new order straight from the list, as from the tool bar.
    if (event->matches(QKeySequence::New)) {
        commands().run(&ListCommands::AddNew);
        return;
    }
    SaleFamilyList::keyPressEvent(event);
}

frmMoneyAdmin::frmMoneyAdmin(QWidget *parent) : SaleFamilyList(parent)
{
    setObjectName(QStringLiteral("frmMoneyAdmin"));
    setWindowTitle(QStringLiteral("销售收款"));
    setGridCaption(QStringLiteral(":::今日收款单据列表:::"));
    setColumns({{QStringLiteral("编号"), "ID", 500, {}, ListColumn::Text},
        {QStringLiteral("开票时间"), "CreateDate", 1200, Qt::AlignCenter, ListColumn::Date},
        {QStringLiteral("送水工编号"), "SenderID", 1000, {}, ListColumn::Text},
        {QStringLiteral("应收现金"), "TotalMoney", 1000, Qt::AlignRight, ListColumn::Money},
        {QStringLiteral("实收现金"), "InMoney", 1000, Qt::AlignRight, ListColumn::Money},
        {QStringLiteral("客户地址"), "Address", 3000, Qt::AlignLeft, ListColumn::Text}});
    setTotals({3, 4}, [](const QStringList &footer) {
        return QStringLiteral("共欠钱：%1元").arg(footerDifference(footer, 3, 4));
    });
    setOpenColumns(OpenMoney);
    m_commands.offer(commands(), {.settling = SaleCommands::Money});
    loadRows();
}

frmAmountAdmin::frmAmountAdmin(QWidget *parent) : SaleFamilyList(parent)
{
    setObjectName(QStringLiteral("frmAmountAdmin"));
    setWindowTitle(QStringLiteral("销售发货"));
    setGridCaption(QStringLiteral(":::今日出货单据列表:::"));
    setColumns(deliveryColumns());
    setTotals({3, 4, 5, 6}, bottlesOwed);
    setOpenColumns(OpenAmount | OpenContainers);
    m_commands.offer(commands(), {.settling = SaleCommands::Amount});
    loadRows();
}

frmContainerAdmin::frmContainerAdmin(QWidget *parent) : SaleFamilyList(parent)
{
    setObjectName(QStringLiteral("frmContainerAdmin"));
    setWindowTitle(QStringLiteral("空瓶回收"));
    setGridCaption(QStringLiteral(":::今日出货单据列表:::"));
    setColumns(deliveryColumns());
    setTotals({3, 4, 5, 6}, bottlesOwed);
    setOpenColumns(OpenAmount | OpenContainers);
    m_commands.offer(commands(), {.settling = SaleCommands::Containers});
    loadRows();
}
