#include "frmsaleadmin.h"

#include "commandbars.h"
#include "loginstate.h"

#include <QCloseEvent>

namespace {

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

const QList<ListColumn> &deliveryColumns()
{
    static const QList<ListColumn> columns = {
        {s("编号"), "ID", 500, {}, ListColumn::Text},
        {s("开票时间"), "CreateDate", 1200, Qt::AlignCenter, ListColumn::Date},
        {s("送水工编号"), "SenderID", 1000, {}, ListColumn::Text},
        {s("应发货数量"), "TotalAmount", 1000, Qt::AlignCenter, ListColumn::Number},
        {s("实际发货数量"), "OutAmount", 1000, Qt::AlignCenter, ListColumn::Number},
        {s("应回收空瓶数"), "TotalContainer", 1000, Qt::AlignCenter, ListColumn::Number},
        {s("实回收空瓶数"), "InContainer", 1000, Qt::AlignCenter, ListColumn::Number},
        {s("客户地址"), "Address", 3000, Qt::AlignLeft, ListColumn::Text},
    };
    return columns;
}

QString bottlesOwed(const QStringList &footer)
{
    return s("共欠瓶：") + ListWindow::footerDifference(footer, 5, 6) + s("个");
}

} // namespace

frmSaleAdmin::frmSaleAdmin(QWidget *parent) : SaleFamilyList(parent)
{
    setObjectName(QStringLiteral("frmSaleAdmin"));
    setWindowTitle(s("销售开票"));
    setGridCaption(s(":::今日销售单据列表:::"));
    setColumns({{s("编号"), "ID", 500, {}, ListColumn::Text},
        {s("开票时间"), "CreateDate", 1200, Qt::AlignCenter, ListColumn::Date},
        {s("送水工编号"), "SenderID", 600, {}, ListColumn::Text},
        {s("应收现金"), "TotalMoney", 600, Qt::AlignRight, ListColumn::Money},
        {s("实收现金"), "InMoney", 600, Qt::AlignRight, ListColumn::Money},
        {s("应发货数量"), "TotalAmount", 800, Qt::AlignCenter, ListColumn::Number},
        {s("实际发货数量"), "OutAmount", 800, Qt::AlignCenter, ListColumn::Number},
        {s("应回收空瓶数"), "TotalContainer", 800, Qt::AlignCenter, ListColumn::Number},
        {s("实回收空瓶数"), "InContainer", 800, Qt::AlignCenter, ListColumn::Number},
        {s("客户地址"), "Address", 3000, Qt::AlignLeft, ListColumn::Text}});
    setTotals({3, 4, 5, 6, 7, 8}, [](const QStringList &footer) {
        return s("共欠钱：") + footerDifference(footer, 3, 4) + s("元       欠瓶：")
            + footerDifference(footer, 7, 8) + s("个");
    });
    setOpenColumns(OpenAmount | OpenMoney | OpenContainers);
    setClosesOnDeactivation(false);
    loadRows();
}

void frmSaleAdmin::closeEvent(QCloseEvent *event)
{
    // The operator's working list: it goes only with the main window, or
    // when the user may not take orders at all.
    const CommandBars *bars = CommandBars::current();
    if ((bars && bars->mainWindowClosing) || gAllowSaleListClose)
        event->accept();
    else
        event->ignore();
}

frmMoneyAdmin::frmMoneyAdmin(QWidget *parent) : SaleFamilyList(parent)
{
    setObjectName(QStringLiteral("frmMoneyAdmin"));
    setWindowTitle(s("销售收款"));
    setGridCaption(s(":::今日收款单据列表:::"));
    setColumns({{s("编号"), "ID", 500, {}, ListColumn::Text},
        {s("开票时间"), "CreateDate", 1200, Qt::AlignCenter, ListColumn::Date},
        {s("送水工编号"), "SenderID", 1000, {}, ListColumn::Text},
        {s("应收现金"), "TotalMoney", 1000, Qt::AlignRight, ListColumn::Money},
        {s("实收现金"), "InMoney", 1000, Qt::AlignRight, ListColumn::Money},
        {s("客户地址"), "Address", 3000, Qt::AlignLeft, ListColumn::Text}});
    setTotals({3, 4}, [](const QStringList &footer) {
        return s("共欠钱：") + footerDifference(footer, 3, 4) + s("元");
    });
    setOpenColumns(OpenMoney);
    loadRows();
}

frmAmountAdmin::frmAmountAdmin(QWidget *parent) : SaleFamilyList(parent)
{
    setObjectName(QStringLiteral("frmAmountAdmin"));
    setWindowTitle(s("销售发货"));
    setGridCaption(s(":::今日出货单据列表:::"));
    setColumns(deliveryColumns());
    setTotals({3, 4, 5, 6}, bottlesOwed);
    setOpenColumns(OpenAmount | OpenContainers);
    loadRows();
}

frmContainerAdmin::frmContainerAdmin(QWidget *parent) : SaleFamilyList(parent)
{
    setObjectName(QStringLiteral("frmContainerAdmin"));
    setWindowTitle(s("空瓶回收"));
    setGridCaption(s(":::今日出货单据列表:::"));
    setColumns(deliveryColumns());
    setTotals({3, 4, 5, 6}, bottlesOwed);
    setOpenColumns(OpenAmount | OpenContainers);
    loadRows();
}
