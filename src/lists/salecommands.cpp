#include "lists/salecommands.h"

#include "datastore/currency.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "lists/frmsalefilter.h"
#include "lists/listcommands.h"
#include "lists/listwindow.h"
#include "sales/frmsale.h"
#include "sales/saleslip.h"

SaleCommands::SaleCommands(ListWindow *list) : m_list(list) { }

void SaleCommands::offer(ListCommands &c, const Offer &offer)
{
    m_offer = offer;
    c.AddNew = std::bind_front(&SaleCommands::AddNew, this);
    c.EditData = std::bind_front(&SaleCommands::EditData, this);
    c.ShowFilter = std::bind_front(&SaleCommands::ShowFilter, this);
    c.PrintSale = std::bind_front(&SaleCommands::PrintSale, this);
    if (offer.deleting) {
        c.DeleteData = std::bind_front(&SaleCommands::DeleteData, this);
        c.DeleteAll = std::bind_front(&SaleCommands::DeleteAll, this);
    }
    if (offer.settling & Money) {
        c.InMoney = std::bind_front(&SaleCommands::InMoney, this);
        c.OutMoney = std::bind_front(&SaleCommands::OutMoney, this);
        c.InAllMoney = std::bind_front(&SaleCommands::InAllMoney, this);
        c.OutAllMoney = std::bind_front(&SaleCommands::OutAllMoney, this);
    }
    if (offer.settling & Amount) {
        c.OutAmount = std::bind_front(&SaleCommands::OutAmount, this);
        c.OutAllAmount = std::bind_front(&SaleCommands::OutAllAmount, this);
        c.InAmount = std::bind_front(&SaleCommands::InAmount, this);
        c.InAllAmount = std::bind_front(&SaleCommands::InAllAmount, this);
    }
    if (offer.settling & Containers) {
        c.InContainer = std::bind_front(&SaleCommands::InContainer, this);
        c.InAllContainer = std::bind_front(&SaleCommands::InAllContainer, this);
        c.OutContainer = std::bind_front(&SaleCommands::OutContainer, this);
        c.OutAllContainer = std::bind_front(&SaleCommands::OutAllContainer, this);
    }
}

void SaleCommands::refreshAfterForm()
{
    if (m_offer.refresh == RefreshAfterForm::Always
        || mDatabase::GetSysValue(QStringLiteral("AutoDataRefresh")) == QLatin1String("1"))
        m_list->DataRefresh();
}

void SaleCommands::AddNew()
{
    frmSale form(m_list);
    form.mActionType = frmSale::New;
    form.exec();
    refreshAfterForm();
}

void SaleCommands::EditData()
{
    const qint64 id = m_list->selectedIdToEdit();
    if (id == 0)
        return;
    frmSale form(m_list);
    const bool closed
        = m_list->selectedValue(QStringLiteral("FinishFlag")).toString() == QLatin1String("1");
    form.mActionType
        = (m_offer.edit == EditMode::AlwaysView || closed) ? frmSale::View : frmSale::Edit;
    form.mCurID = id;
    form.exec();
    refreshAfterForm();
}

void SaleCommands::ShowFilter()
{
    frmSaleFilter filter(m_list, m_list);
    filter.exec();
    m_list->DataRefresh();
}

void SaleCommands::PrintSale()
{
    const QString id = m_list->selectedID();
    if (id.isEmpty())
        return;
    SaleSlip::PrintSaleSlip(id.toLongLong());
}

void SaleCommands::DeleteData()
{
    const QString id = m_list->selectedID();
    if (id.isEmpty()) {
        Prompt::information(
            QStringLiteral("请先选定您要删除或作废的单据！"), QStringLiteral("提示"));
        return;
    }
    if (m_list->selectedValue(QStringLiteral("FinishFlag")).toString() != QLatin1String("0")) {
        Prompt::information(
            QStringLiteral("此单据已被审核入帐，不能再删除！"), QStringLiteral("提示"));
        return;
    }
    if (!Prompt::yesNo(QStringLiteral("你确认要删除原始单据号为%1的单据吗？").arg(id),
            QStringLiteral("删除单据"), false))
        return;
    switch (SaleSettling::deleteOpen(id.toLongLong())) {
    case SaleSettling::Outcome::Done:
    case SaleSettling::Outcome::Failed: // reported
        break;
    case SaleSettling::Outcome::ChangedElsewhere:
        Prompt::information(
            QStringLiteral("此单据已被审核入帐，不能再删除！"), QStringLiteral("提示"));
        break;
    case SaleSettling::Outcome::DeletedElsewhere:
        Prompt::information(
            QStringLiteral("单据%1已被其他用户删除！").arg(id), QStringLiteral("提示"));
        break;
    }
    m_list->DataRefresh();
}

// Both questions come before the transaction: on SQLite it holds the write
// lock, and every other workstation's save would wait for the operator to
// read them. What is deleted is what the second question counted.
void SaleCommands::DeleteAll()
{
    const QString failed = QStringLiteral("删除记录时出现系统错误！");
    if (!Prompt::yesNo(QStringLiteral("你确认要删除所有未入帐单据吗？？"),
            QStringLiteral("删除单据"), false)) {
        m_list->DataRefresh();
        return;
    }
    const auto open = SaleSettling::openOrders();
    if (!open) {
        Prompt::error(failed, QStringLiteral("错误"));
        return;
    }
    Prompt::Request again;
    again.text = QStringLiteral("共找到 %1条未入帐单据，你确认要删除吗？").arg(open->count);
    again.title = QStringLiteral("再次确认");
    again.icon = Prompt::Icon::Critical;
    again.buttons = Prompt::Yes | Prompt::No;
    again.defaultButton = Prompt::No;
    if (Prompt::ask(again) != Prompt::Yes) {
        m_list->DataRefresh();
        return;
    }
    if (!SaleSettling::deleteOpenOrders(*open)) {
        Prompt::error(failed, QStringLiteral("错误"));
        return;
    }
    m_list->DataRefresh();
}

void SaleCommands::settle(const Settle &c)
{
    const QString id = m_list->selectedID();
    if (id.isEmpty()) {
        Prompt::information(c.noSelection, c.noSelectionTitle);
        return;
    }
    const QString flag = m_list->selectedValue(QStringLiteral("FinishFlag")).toString();
    bool allowed = c.onlyOpen ? flag == QLatin1String("0") : flag != QLatin1String("1");
    // What is still owed is what the operator receives, not the order's total.
    const Currency owed = Currency::fromVariant(m_list->selectedValue(QStringLiteral("TotalMoney")))
        - Currency::fromVariant(m_list->selectedValue(QStringLiteral("InMoney")));
    if (c.needsMoneyOwed)
        allowed = allowed && owed > Currency();
    if (!allowed) {
        Prompt::information(c.refused, c.refusedTitle);
        return;
    }
    if (!c.confirm.isEmpty() && !Prompt::yesNo(c.confirm.arg(id), c.confirmTitle))
        return;
    const auto outcome = SaleSettling::settle(c.step, id.toLongLong());
    if (outcome == SaleSettling::Outcome::ChangedElsewhere
        || outcome == SaleSettling::Outcome::DeletedElsewhere) {
        // Another workstation closed, settled or deleted the order since the
        // list was read: it is left as it is, and the list shows it now.
        const QString saleId = QString::number(id.toLongLong());
        Prompt::information(outcome == SaleSettling::Outcome::DeletedElsewhere
                ? QStringLiteral("单据%1已被其他用户删除！").arg(saleId)
                : QStringLiteral("单据%1已被其他用户修改，%2").arg(saleId, c.refused),
            c.refusedTitle);
        m_list->DataRefresh();
        return;
    }
    const bool changed = outcome == SaleSettling::Outcome::Done;
    if (changed && c.reportReceived)
        Prompt::information(
            QStringLiteral("成功收到%1号单据销售款：人民币%2元！").arg(id, owed.toSqlText()),
            QStringLiteral("收款"));
    if (changed || c.refreshAfterFailure)
        m_list->DataRefresh();
}

void SaleCommands::InMoney()
{
    settle({.noSelection = QStringLiteral("请先选定要处理的单据！"),
        .noSelectionTitle = QStringLiteral("收款失败"),
        .onlyOpen = false,
        .needsMoneyOwed = true,
        .refused = QStringLiteral("该单据已经入帐或已经收款成功，不能再收款！"),
        .refusedTitle = QStringLiteral("收款失败"),
        .step = SaleSettling::Step::InMoney,
        .reportReceived = true});
}

void SaleCommands::OutMoney()
{
    settle({.noSelection = QStringLiteral("请先选定要处理的单据！"),
        .noSelectionTitle = QStringLiteral("退款失败"),
        .onlyOpen = false,
        .refused = QStringLiteral("该单据已经入帐不能再退款！"),
        .refusedTitle = QStringLiteral("退款失败"),
        .confirm = QStringLiteral("你确认要为单据：%1办理退款?"),
        .confirmTitle = QStringLiteral("退款"),
        .step = SaleSettling::Step::OutMoney});
}

void SaleCommands::OutAmount()
{
    settle({.noSelection = QStringLiteral("请先选定要处理的单据！"),
        .noSelectionTitle = QStringLiteral("提示"),
        .refused = QStringLiteral("单据已入帐！"),
        .refusedTitle = QStringLiteral("提示"),
        .step = SaleSettling::Step::OutAmount});
}

void SaleCommands::InAmount()
{
    settle({.noSelection = QStringLiteral("请先选定您要重置的单据！"),
        .noSelectionTitle = QStringLiteral("提示"),
        .refused = QStringLiteral("此单据已被审核入帐，不能再重置！"),
        .refusedTitle = QStringLiteral("提示"),
        .confirm = QStringLiteral("你确认要撤销原始单据号为%1的单据出库吗？"),
        .confirmTitle = QStringLiteral("删除单据"),
        .step = SaleSettling::Step::InAmount,
        .refreshAfterFailure = true});
}

void SaleCommands::InContainer()
{
    settle({.noSelection = QStringLiteral("请先选定要处理的单据！"),
        .noSelectionTitle = QStringLiteral("提示"),
        .refused = QStringLiteral("单据已入帐！"),
        .refusedTitle = QStringLiteral("提示"),
        .step = SaleSettling::Step::InContainer,
        .refreshAfterFailure = true});
}

void SaleCommands::OutContainer()
{
    settle({.noSelection = QStringLiteral("请先选定您要重置的单据！"),
        .noSelectionTitle = QStringLiteral("提示"),
        .refused = QStringLiteral("此单据已被审核入帐，不能再重置！"),
        .refusedTitle = QStringLiteral("提示"),
        .confirm = QStringLiteral("你确认要撤销对原始单据号为%1的单据回收空瓶吗？"),
        .confirmTitle = QStringLiteral("删除单据"),
        .step = SaleSettling::Step::OutContainer,
        .refreshAfterFailure = true});
}

// Settling every unclosed order of every station, after one question whose
// default answer is No.
void SaleCommands::settleAll(const SettleAll &c)
{
    if (!Prompt::yesNo(c.question, c.title, false))
        return;
    const bool done = SaleSettling::settleAll(c.step);
    if (done && !c.doneInfo.isEmpty())
        Prompt::information(c.doneInfo, c.title);
    if (done || !c.refreshOnlyWhenDone)
        m_list->DataRefresh();
}

void SaleCommands::InAllMoney()
{
    settleAll({.question = QStringLiteral("你确认要为所有未入帐单据办理收款吗？"),
        .title = QStringLiteral("收款"),
        .step = SaleSettling::Step::InMoney,
        .doneInfo = QStringLiteral("所有未入帐单据收款成功！")});
}

void SaleCommands::OutAllMoney()
{
    settleAll({.question = QStringLiteral("你确认要为所有未入帐单据办理退款吗？"),
        .title = QStringLiteral("退款"),
        .step = SaleSettling::Step::OutMoney});
}

void SaleCommands::OutAllAmount()
{
    settleAll({.question = QStringLiteral("你要对所有未入库单据进行出库操作？"),
        .title = QStringLiteral("出库"),
        .step = SaleSettling::Step::OutAmount,
        .refreshOnlyWhenDone = true});
}

void SaleCommands::InAllAmount()
{
    settleAll({.question = QStringLiteral("你确认要搞撤销对所有未入帐单据的出库吗？"),
        .title = QStringLiteral("撤销"),
        .step = SaleSettling::Step::InAmount});
}

void SaleCommands::InAllContainer()
{
    settleAll({.question = QStringLiteral("你要对所有未入库单据进行回收空瓶操作？"),
        .title = QStringLiteral("回收空瓶"),
        .step = SaleSettling::Step::InContainer,
        .refreshOnlyWhenDone = true});
}

void SaleCommands::OutAllContainer()
{
    settleAll({.question = QStringLiteral("你确认要搞撤销对所有未入帐单据的空瓶回收吗？"),
        .title = QStringLiteral("撤销"),
        .step = SaleSettling::Step::OutContainer});
}
