#include "lists/salecommands.h"

#include "datastore/currency.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "datastore/transaction.h"
#include "lists/frmsalefilter.h"
#include "lists/listcommands.h"
#include "lists/listwindow.h"
#include "sales/frmsale.h"
#include "sales/saleslip.h"

namespace {

// Locks the unclosed orders in the order of their IDs before a statement
// changes them all. Workstations that settle all at once then queue up
// instead of each holding rows the other one wants next.
bool lockOpenOrders(mDatabase::Transaction &tx)
{
    if (mDatabase::dialect().kind() != SqlDialect::PostgreSQL)
        return true; // SQLite locks the whole file; SQL Server is not run here
    return tx.execute(
               QStringLiteral("select ID from Sale where FinishFlag='0' order by ID for update"))
        >= 0;
}

} // namespace

SaleCommands::SaleCommands(ListWindow *list) : m_list(list) { }

void SaleCommands::offer(ListCommands &c, const Offer &offer)
{
    m_offer = offer;
    c.AddNew = [this] {
        AddNew();
    };
    c.EditData = [this] {
        EditData();
    };
    c.ShowFilter = [this] {
        ShowFilter();
    };
    c.PrintSale = [this] {
        PrintSale();
    };
    if (offer.deleting) {
        c.DeleteData = [this] {
            DeleteData();
        };
        c.DeleteAll = [this] {
            DeleteAll();
        };
    }
    if (offer.settling & Money) {
        c.InMoney = [this] {
            InMoney();
        };
        c.OutMoney = [this] {
            OutMoney();
        };
        c.InAllMoney = [this] {
            InAllMoney();
        };
        c.OutAllMoney = [this] {
            OutAllMoney();
        };
    }
    if (offer.settling & Amount) {
        c.OutAmount = [this] {
            OutAmount();
        };
        c.OutAllAmount = [this] {
            OutAllAmount();
        };
        c.InAmount = [this] {
            InAmount();
        };
        c.InAllAmount = [this] {
            InAllAmount();
        };
    }
    if (offer.settling & Containers) {
        c.InContainer = [this] {
            InContainer();
        };
        c.InAllContainer = [this] {
            InAllContainer();
        };
        c.OutContainer = [this] {
            OutContainer();
        };
        c.OutAllContainer = [this] {
            OutAllContainer();
        };
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
    const QString id = m_list->selectedID();
    if (id.isEmpty()) {
        Prompt::information(QStringLiteral("请先选定您要编辑的记录！"), QStringLiteral("提示"));
        return;
    }
    frmSale form(m_list);
    const bool closed
        = m_list->selectedValue(QStringLiteral("FinishFlag")).toString() == QLatin1String("1");
    form.mActionType
        = (m_offer.edit == EditMode::AlwaysView || closed) ? frmSale::View : frmSale::Edit;
    form.mCurID = id.toLongLong();
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
    // Header and lines go together: no line may outlive its order.
    const QString saleId = QString::number(id.toLongLong());
    mDatabase::Transaction tx;
    if (tx && mDatabase::ExecuteSQL(QStringLiteral("Delete from Sale where ID=%1").arg(saleId))
        && mDatabase::ExecuteSQL(
            QStringLiteral(" Delete from Sale_Detail where SaleID=%1").arg(saleId)))
        tx.commit();
    m_list->DataRefresh();
}

void SaleCommands::DeleteAll()
{
    const QString failed = QStringLiteral("删除记录时出现系统错误！");
    mDatabase::Transaction tx;
    if (!tx)
        return;
    if (!Prompt::yesNo(QStringLiteral("你确认要删除所有未入帐单据吗？？"),
            QStringLiteral("删除单据"), false)) {
        tx.commit();
        m_list->DataRefresh();
        return;
    }
    const auto count = mDatabase::OpenRecordset(
        QStringLiteral("SELECT count(*) as TotalRow from Sale where FinishFlag='0'"));
    if (!count) {
        tx.rollback();
        Prompt::error(failed, QStringLiteral("错误"));
        return;
    }
    Prompt::Request again;
    again.text = QStringLiteral("共找到 %1条未入帐单据，你确认要删除吗？")
                     .arg(count->value(0, QStringLiteral("TotalRow")).toString());
    again.title = QStringLiteral("再次确认");
    again.icon = Prompt::Icon::Critical;
    again.buttons = Prompt::Yes | Prompt::No;
    again.defaultButton = Prompt::No;
    if (Prompt::ask(again) != Prompt::Yes) {
        tx.commit();
        m_list->DataRefresh();
        return;
    }
    if (!lockOpenOrders(tx)) {
        tx.rollback();
        Prompt::error(failed, QStringLiteral("错误"));
        return;
    }
    const auto open
        = mDatabase::OpenRecordset(QStringLiteral("SELECT * from Sale where FinishFlag='0'"));
    if (!open) {
        tx.rollback();
        Prompt::error(failed, QStringLiteral("错误"));
        return;
    }
    for (int row = 0; row < open->recordCount(); ++row) {
        if (!mDatabase::ExecuteSQL(
                QStringLiteral("delete from sale_detail where SaleID=%1")
                    .arg(QString::number(open->value(row, QStringLiteral("ID")).toLongLong()))))
            return; // rolled back
    }
    if (!mDatabase::ExecuteSQL(QStringLiteral("Delete from Sale where FinishFlag='0'")))
        return; // rolled back
    tx.commit();
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
    const Currency due = Currency::fromVariant(m_list->selectedValue(QStringLiteral("TotalMoney")));
    if (c.needsMoneyOwed)
        allowed = allowed
            && due - Currency::fromVariant(m_list->selectedValue(QStringLiteral("InMoney")))
                > Currency();
    if (!allowed) {
        Prompt::information(c.refused, c.refusedTitle);
        return;
    }
    if (!c.confirm.isEmpty() && !Prompt::yesNo(c.confirm.arg(id), c.confirmTitle))
        return;
    const QString saleId = QString::number(id.toLongLong());
    const int changed = mDatabase::ExecuteAffected(c.statement.arg(saleId));
    if (changed == 0) {
        // Another workstation closed, settled or deleted the order since the
        // list was read: it is left as it is, and the list shows it now.
        const auto still = mDatabase::OpenRecordset(
            QStringLiteral("select count(*) from Sale where ID=%1").arg(saleId));
        const bool gone = still && still->value(0, 0).toInt() == 0;
        Prompt::information(gone
                ? QStringLiteral("单据%1已被其他用户删除！").arg(saleId)
                : QStringLiteral("单据%1已被其他用户修改，%2").arg(saleId, c.refused),
            c.refusedTitle);
        m_list->DataRefresh();
        return;
    }
    if (changed > 0 && c.reportReceived)
        Prompt::information(
            QStringLiteral("成功收到%1号单据销售款：人民币%2元！").arg(id, due.toSqlText()),
            QStringLiteral("收款"));
    if (changed > 0 || c.refreshAfterFailure)
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
        .statement = QStringLiteral("UPDATE sale set InMoney=TotalMoney WHERE ID=%1"
                                    " and FinishFlag<>'1' and TotalMoney-InMoney>0"),
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
        .statement = QStringLiteral("UPDATE sale set InMoney=0 WHERE ID=%1 and FinishFlag<>'1'")});
}

void SaleCommands::OutAmount()
{
    settle({.noSelection = QStringLiteral("请先选定要处理的单据！"),
        .noSelectionTitle = QStringLiteral("提示"),
        .refused = QStringLiteral("单据已入帐！"),
        .refusedTitle = QStringLiteral("提示"),
        .statement
        = QStringLiteral("UPDATE sale set OutAmount=TotalAmount where ID=%1 and FinishFlag='0'")});
}

void SaleCommands::InAmount()
{
    settle({.noSelection = QStringLiteral("请先选定您要重置的单据！"),
        .noSelectionTitle = QStringLiteral("提示"),
        .refused = QStringLiteral("此单据已被审核入帐，不能再重置！"),
        .refusedTitle = QStringLiteral("提示"),
        .confirm = QStringLiteral("你确认要撤销原始单据号为%1的单据出库吗？"),
        .confirmTitle = QStringLiteral("删除单据"),
        .statement = QStringLiteral(" UPDATE Sale set OutAmount=0 where ID=%1 and FinishFlag='0'"),
        .refreshAfterFailure = true});
}

void SaleCommands::InContainer()
{
    settle({.noSelection = QStringLiteral("请先选定要处理的单据！"),
        .noSelectionTitle = QStringLiteral("提示"),
        .refused = QStringLiteral("单据已入帐！"),
        .refusedTitle = QStringLiteral("提示"),
        .statement = QStringLiteral(
            " UPDATE Sale set InContainer=TotalContainer where ID=%1 and FinishFlag='0'"),
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
        .statement
        = QStringLiteral(" UPDATE Sale set InContainer=0 where ID=%1 and FinishFlag='0'"),
        .refreshAfterFailure = true});
}

// Settling every unclosed order of every station, after one question whose
// default answer is No. Workstations doing the same at once take the rows in
// one order, and a transaction the server still broke off for a deadlock is
// run again before anything is reported.
void SaleCommands::settleAll(const SettleAll &c)
{
    if (!Prompt::yesNo(c.question, c.title, false))
        return;
    const bool done = mDatabase::RetryTransaction([&c](mDatabase::Transaction &tx) {
        return lockOpenOrders(tx) && tx.execute(c.statement) >= 0;
    });
    if (done && !c.doneInfo.isEmpty())
        Prompt::information(c.doneInfo, c.title);
    if (done || !c.refreshOnlyWhenDone)
        m_list->DataRefresh();
}

void SaleCommands::InAllMoney()
{
    settleAll({.question = QStringLiteral("你确认要为所有未入帐单据办理收款吗？"),
        .title = QStringLiteral("收款"),
        .statement = QStringLiteral("Update Sale set InMoney=TotalMoney where FinishFlag='0'"),
        .doneInfo = QStringLiteral("所有未入帐单据收款成功！")});
}

void SaleCommands::OutAllMoney()
{
    settleAll({.question = QStringLiteral("你确认要为所有未入帐单据办理退款吗？"),
        .title = QStringLiteral("退款"),
        .statement = QStringLiteral("Update Sale set InMoney=0 where FinishFlag='0'")});
}

void SaleCommands::OutAllAmount()
{
    settleAll({.question = QStringLiteral("你要对所有未入库单据进行出库操作？"),
        .title = QStringLiteral("出库"),
        .statement = QStringLiteral("UPDATE sale set OutAmount=TotalAmount where FinishFlag='0'"),
        .refreshOnlyWhenDone = true});
}

void SaleCommands::InAllAmount()
{
    settleAll({.question = QStringLiteral("你确认要搞撤销对所有未入帐单据的出库吗？"),
        .title = QStringLiteral("撤销"),
        .statement = QStringLiteral("Update sale set OutAmount=0 where FinishFlag='0'")});
}

void SaleCommands::InAllContainer()
{
    settleAll({.question = QStringLiteral("你要对所有未入库单据进行回收空瓶操作？"),
        .title = QStringLiteral("回收空瓶"),
        .statement
        = QStringLiteral("UPDATE sale set InContainer=TotalContainer where FinishFlag='0'"),
        .refreshOnlyWhenDone = true});
}

void SaleCommands::OutAllContainer()
{
    settleAll({.question = QStringLiteral("你确认要搞撤销对所有未入帐单据的空瓶回收吗？"),
        .title = QStringLiteral("撤销"),
        .statement = QStringLiteral("Update sale set InContainer=0 where FinishFlag='0'")});
}
