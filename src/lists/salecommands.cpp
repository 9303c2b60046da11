#include "salecommands.h"

#include "currency.h"
#include "frmsale.h"
#include "frmsalefilter.h"
#include "listwindow.h"
#include "mdatabase.h"
#include "prompt.h"
#include "saleslip.h"

namespace {

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

void info(const QString &text, const QString &title)
{
    Prompt::information(text, title);
}

} // namespace

// One row of the settle table: messages, guard and statement.
struct SaleCommands::Single {
    const char *noSelection;
    const char *noSelectionTitle;
    // true: acts only while FinishFlag is "0"; false: while it is not "1".
    bool onlyOpen;
    bool needsMoneyOwed;
    const char *refused;
    const char *refusedTitle;
    const char *confirm; // "%1" is the ID; nullptr: no question
    const char *confirmTitle;
    const char *statement;
    bool refreshAfterFailure;
    bool reportReceived;
};

SaleCommands::SaleCommands(ListWindow *list) : m_list(list) { }

void SaleCommands::refreshIfAuto()
{
    if (mDatabase::GetSysValue(QStringLiteral("AutoDataRefresh")) == QLatin1String("1"))
        m_list->DataRefresh();
}

void SaleCommands::AddNew(RefreshAfterForm refresh)
{
    frmSale form(m_list);
    form.mActionType = frmSale::New;
    form.exec();
    if (refresh == RefreshAfterForm::Always)
        m_list->DataRefresh();
    else
        refreshIfAuto();
}

void SaleCommands::EditData(EditMode mode, RefreshAfterForm refresh)
{
    const QString id = m_list->selectedID();
    if (id.isEmpty()) {
        info(s("请先选定您要编辑的记录！"), s("提示"));
        return;
    }
    frmSale form(m_list);
    const bool closed
        = m_list->selectedValue(QStringLiteral("FinishFlag")).toString() == QLatin1String("1");
    form.mActionType = (mode == EditMode::AlwaysView || closed) ? frmSale::View : frmSale::Edit;
    form.mCurID = id.toLongLong();
    form.exec();
    if (refresh == RefreshAfterForm::Always)
        m_list->DataRefresh();
    else
        refreshIfAuto();
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
        info(s("请先选定您要删除或作废的单据！"), s("提示"));
        return;
    }
    if (m_list->selectedValue(QStringLiteral("FinishFlag")).toString() != QLatin1String("0")) {
        info(s("此单据已被审核入帐，不能再删除！"), s("提示"));
        return;
    }
    if (!Prompt::yesNo(s("你确认要删除原始单据号为") + id + s("的单据吗？"), s("删除单据")))
        return;
    // Header and lines go together: no line may outlive its order.
    if (mDatabase::BeginTrans()) {
        if (mDatabase::ExecuteSQL(
                QStringLiteral("Delete from Sale where ID=") + QString::number(id.toLongLong()))
            && mDatabase::ExecuteSQL(QStringLiteral(" Delete from Sale_Detail where SaleID=")
                + QString::number(id.toLongLong())))
            mDatabase::CommitTrans();
        else
            mDatabase::RollbackTrans();
    }
    m_list->DataRefresh();
}

void SaleCommands::DeleteAll()
{
    if (!mDatabase::BeginTrans())
        return;
    if (!Prompt::yesNo(s("你确认要删除所有未入帐单据吗？？"), s("删除单据"))) {
        mDatabase::CommitTrans();
        m_list->DataRefresh();
        return;
    }
    const auto count = mDatabase::OpenRecordset(
        QStringLiteral("SELECT count(*) as TotalRow from Sale where FinishFlag='0'"));
    if (!count) {
        mDatabase::RollbackTrans();
        Prompt::error(s("删除记录时出现系统错误！"), s("错误"));
        return;
    }
    Prompt::Request again;
    again.text = s("共找到 ") + count->value(0, QStringLiteral("TotalRow")).toString()
        + s("条未入帐单据，你确认要删除吗？");
    again.title = s("再次确认");
    again.icon = Prompt::Icon::Critical;
    again.buttons = Prompt::Yes | Prompt::No;
    again.defaultButton = Prompt::No;
    if (Prompt::ask(again) != Prompt::Yes) {
        mDatabase::CommitTrans();
        m_list->DataRefresh();
        return;
    }
    const auto open
        = mDatabase::OpenRecordset(QStringLiteral("SELECT * from Sale where FinishFlag='0'"));
    if (!open) {
        mDatabase::RollbackTrans();
        Prompt::error(s("删除记录时出现系统错误！"), s("错误"));
        return;
    }
    for (int row = 0; row < open->recordCount(); ++row) {
        if (!mDatabase::ExecuteSQL(QStringLiteral("delete from sale_detail where SaleID=")
                + QString::number(open->value(row, QStringLiteral("ID")).toLongLong()))) {
            mDatabase::RollbackTrans();
            return;
        }
    }
    if (!mDatabase::ExecuteSQL(QStringLiteral("Delete from Sale where FinishFlag='0'"))) {
        mDatabase::RollbackTrans();
        return;
    }
    mDatabase::CommitTrans();
    m_list->DataRefresh();
}

void SaleCommands::settle(const Single &c)
{
    const QString id = m_list->selectedID();
    if (id.isEmpty()) {
        info(s(c.noSelection), s(c.noSelectionTitle));
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
        info(s(c.refused), s(c.refusedTitle));
        return;
    }
    if (c.confirm && !Prompt::yesNo(s(c.confirm).arg(id), s(c.confirmTitle)))
        return;
    const bool done = mDatabase::ExecuteSQL(
        QString::fromLatin1(c.statement) + QString::number(id.toLongLong()));
    if (done && c.reportReceived)
        info(s("成功收到") + id + s("号单据销售款：人民币") + due.toSqlText() + s("元！"),
            s("收款"));
    if (done || c.refreshAfterFailure)
        m_list->DataRefresh();
}

void SaleCommands::InMoney()
{
    settle({"请先选定要处理的单据！", "收款失败", false, true,
        "该单据已经入帐或已经收款成功，不能再收款！", "收款失败", nullptr, nullptr,
        "UPDATE sale set InMoney=TotalMoney WHERE ID=", false, true});
}

void SaleCommands::OutMoney()
{
    settle({"请先选定要处理的单据！", "退款失败", false, false, "该单据已经入帐不能再退款！",
        "退款失败", "你确认要为单据：%1办理退款?", "退款",
        "UPDATE sale set InMoney=0 WHERE ID=", false, false});
}

void SaleCommands::OutAmount()
{
    settle({"请先选定要处理的单据！", "提示", true, false, "单据已入帐！", "提示", nullptr, nullptr,
        "UPDATE sale set OutAmount=TotalAmount where ID=", false, false});
}

void SaleCommands::InAmount()
{
    settle({"请先选定您要重置的单据！", "提示", true, false, "此单据已被审核入帐，不能再重置！",
        "提示", "你确认要撤销原始单据号为%1的单据出库吗？", "删除单据",
        " UPDATE Sale set OutAmount=0 where ID=", true, false});
}

void SaleCommands::InContainer()
{
    settle({"请先选定要处理的单据！", "提示", true, false, "单据已入帐！", "提示", nullptr, nullptr,
        " UPDATE Sale set InContainer=TotalContainer where ID=", true, false});
}

void SaleCommands::OutContainer()
{
    settle({"请先选定您要重置的单据！", "提示", true, false, "此单据已被审核入帐，不能再重置！",
        "提示", "你确认要撤销对原始单据号为%1的单据回收空瓶吗？", "删除单据",
        " UPDATE Sale set InContainer=0 where ID=", true, false});
}

// Settling every unclosed order of every station, after one question.
void SaleCommands::settleAll(const char *question, const char *title, const char *statement,
    const char *doneInfo, bool refreshOnlyWhenDone)
{
    if (!Prompt::yesNo(s(question), s(title)))
        return;
    const bool done = mDatabase::ExecuteSQL(QString::fromLatin1(statement));
    if (done && doneInfo)
        info(s(doneInfo), s(title));
    if (done || !refreshOnlyWhenDone)
        m_list->DataRefresh();
}

void SaleCommands::InAllMoney()
{
    settleAll("你确认要为所有未入帐单据办理收款吗？", "收款",
        "Update Sale set InMoney=TotalMoney where FinishFlag='0'", "所有未入帐单据收款成功！",
        false);
}

void SaleCommands::OutAllMoney()
{
    settleAll("你确认要为所有未入帐单据办理退款吗？", "退款",
        "Update Sale set InMoney=0 where FinishFlag='0'", nullptr, false);
}

void SaleCommands::OutAllAmount()
{
    settleAll("你要对所有未入库单据进行出库操作？", "出库",
        "UPDATE sale set OutAmount=TotalAmount where FinishFlag='0'", nullptr, true);
}

void SaleCommands::InAllAmount()
{
    settleAll("你确认要搞撤销对所有未入帐单据的出库吗？", "撤销",
        "Update sale set OutAmount=0 where FinishFlag='0'", nullptr, false);
}

void SaleCommands::InAllContainer()
{
    settleAll("你要对所有未入库单据进行回收空瓶操作？", "回收空瓶",
        "UPDATE sale set InContainer=TotalContainer where FinishFlag='0'", nullptr, true);
}

void SaleCommands::OutAllContainer()
{
    settleAll("你确认要搞撤销对所有未入帐单据的空瓶回收吗？", "撤销",
        "Update sale set InContainer=0 where FinishFlag='0'", nullptr, false);
}
