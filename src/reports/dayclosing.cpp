#include "reports/dayclosing.h"

#include "datastore/boundstatement.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "datastore/transaction.h"
#include "shell/datetext.h"
#include "shell/inputcheck.h"

#include <QSqlError>
#include <QSqlQuery>

namespace DayClosing {
namespace {

const QString ContinueTitle = QStringLiteral("继续");
const QString ConflictText = QStringLiteral(
    "其他工作站正在保存或修改单据，本次结帐没有完成，数据没有改动！请稍后再结帐一次。");

// The sales of the closing, by what is still open on them.
// Each takes the cut-off date as its one value.
const QString Undelivered
    = QStringLiteral("FinishFlag='0' and (TotalAmount-OutAmount)>0 And CreateDate<=?");
const QString Settled = QStringLiteral(
    "FinishFlag='0' and (TotalMoney-InMoney)=0 and (TotalContainer-InContainer)=0  And "
    "CreateDate<=?");

// Asks one of the counting questions when its count is not zero; false when
// the person says no or the count cannot be read.
bool countAccepted(const QString &condition, const QDate &cutOff, const QString &what)
{
    const auto rs = mDatabase::OpenBound(
        QStringLiteral("select count(*) as TotalRows from Sale where FinishFlag='0' and %1 And "
                       "CreateDate<=?")
            .arg(condition),
        {cutOff});
    if (!rs)
        return false;
    const int rows = rs->value(0, QStringLiteral("TotalRows")).toInt();
    if (rows <= 0)
        return true;
    return Prompt::confirm(QStringLiteral("系统发现有%1%2").arg(QString::number(rows), what),
        ContinueTitle, Prompt::Icon::Critical);
}

// How often a closing that lost out to another workstation runs again
// before the operator is asked to try later.
constexpr int Attempts = 5;

// The closing's statements report one message of their own instead of the
// generic one of every failed statement: error() gets the driver's text.
// A statement that lost out to another workstation is left to the retry.
class Steps {
public:
    explicit Steps(mDatabase::Transaction &tx) : m_tx(tx) { }

    // Rows changed, or -1 with the error kept.
    int run(const QString &sql, const QVariantList &values = {})
    {
        QSqlQuery query(mDatabase::gConnection());
        bool ok = values.isEmpty() ? query.exec(sql) : query.prepare(sql);
        if (ok && !values.isEmpty()) {
            for (const QVariant &value : values)
                query.addBindValue(mDatabase::BoundValue(value));
            ok = query.exec();
        }
        if (!ok) {
            if (!m_tx.noteConflict(query.lastError()))
                m_error = query.lastError().text();
            return -1;
        }
        return qMax(0, query.numRowsAffected());
    }
    const QString &error() const { return m_error; }
    void fail(const QString &why) { m_error = why; }

private:
    mDatabase::Transaction &m_tx;
    QString m_error;
};

// Takes the sales away from every other workstation until the closing ends.
// The lock comes before anything is read, so the closing works on the sales
// as the saves in progress left them; saves, edits and settlings that start
// meanwhile wait for the closing instead of failing it. Locking only the
// rows of the covered orders would not do: an order saved halfway through
// could still join some statements of the closing and miss others (its
// lines deleted without it, its document written without its lines).
// Writers touch an order before its lines, so nothing changes the lines
// either. SQLite's BEGIN IMMEDIATE already holds the whole file.
bool lockSales(Steps &steps)
{
    if (mDatabase::dialect().kind() != SqlDialect::PostgreSQL)
        return true;
    return steps.run(QStringLiteral("LOCK TABLE Sale IN EXCLUSIVE MODE")) >= 0;
}

// One attempt at the closing inside tx; the number of sales carried, or -1.
int carryAndClose(Steps &steps, const QDate &cutOff, const Options &options)
{
    int carried = -1;
    const bool done = lockSales(steps)
        && steps.run(QStringLiteral("delete from Sale_detail where SaleID in (select ID from Sale "
                                    "where %1)")
                         .arg(Undelivered),
               {cutOff})
            >= 0
        && steps.run(QStringLiteral("delete from Sale where %1").arg(Undelivered), {cutOff}) >= 0
        && (carried = steps.run(
                QStringLiteral("INSERT INTO Store(PaperID,CreateDate,TotalAmount,TotalMoney,Detail,"
                               "UserID,HandInput,Direction,FinishFlag,StationID) select "
                               "cast(ID as varchar(50)),CreateDate,TotalAmount,TotalMoney,"
                               "'根据销售单自动生成',?,'0','1','1',StationID from Sale where %1")
                    .arg(Settled),
                {options.userId, cutOff}))
            >= 0
        // Each document gets the goods lines of its own sale, found by the
        // sale's number it carries; bottles stay out of the stock books.
        && steps.run(
               QStringLiteral(
                   "INSERT INTO Store_Detail(StoreID,ProductID,Price,MyAmount,MyMoney) select "
                   "Store.ID,Sale_Detail.ProductID,Sale_Detail.Price,Sale_Detail.MyAmount,"
                   "Sale_Detail.MyMoney from Sale,Sale_Detail,Store where "
                   "Sale_Detail.SaleID=Sale.ID "
                   "and Store.PaperID=cast(Sale.ID as varchar(50)) and Store.HandInput='0' and "
                   "(Sale_Detail.IsContainer<>'1' or Sale_Detail.IsContainer is null) and "
                   "Sale.FinishFlag='0' and (Sale.TotalMoney-Sale.InMoney)=0 and "
                   "(Sale.TotalContainer-Sale.InContainer)=0 And Sale.CreateDate<=?"),
               {cutOff})
            >= 0;
    if (!done)
        return -1;
    if (options.beforeMarking)
        options.beforeMarking();
    // Only sales that have their document are closed; the count must match.
    // Each sale looks its document up by number (an index), instead of
    // listing every document generated since the group began.
    const int marked
        = steps.run(QStringLiteral("update Sale set FinishFlag='1' where %1 and exists (select 1 "
                                   "from Store where Store.HandInput='0' and "
                                   "Store.PaperID=cast(Sale.ID as varchar(50)))")
                        .arg(Settled),
            {cutOff});
    if (marked < 0)
        return -1;
    if (marked != carried) {
        steps.fail(QStringLiteral("结转的单据在结帐过程中被其他工作站修改（%1/%2）")
                       .arg(QString::number(marked), QString::number(carried)));
        return -1;
    }
    // Every stock document ends closed. Those closed by earlier closings
    // are left alone: rewriting them all would make every closing slower
    // than the last (5 s of a 10 s closing on PostgreSQL after five years).
    // A document another workstation saves or edits meanwhile is closed as
    // it stands once that save is done.
    if (steps.run(QStringLiteral(
            "update Store set FinishFlag='1' where FinishFlag<>'1' or FinishFlag is null"))
        < 0)
        return -1;
    return carried;
}

} // namespace

Result FinishToday(const Options &options)
{
    const QString typed = options.cutOff.trimmed();
    if (typed.isEmpty())
        return {Outcome::Cancelled};
    // The cut-off goes into every statement of the closing: it must be a date.
    if (!mSystem::CheckInput(typed, mSystem::CheckDate))
        return {Outcome::Refused};
    const QDate cutOff = DateText::parse(typed);

    if (!Prompt::confirm(
            QStringLiteral("你确认要将%1之前的所有单据吗，结转后的单据将不能修改？").arg(typed),
            QStringLiteral("结帐")))
        return {Outcome::Cancelled};
    if (!countAccepted(QStringLiteral("(TotalAmount-OutAmount>0)"), cutOff,
            QStringLiteral(
                "张未出库或未完全出库的单据，如果确认要结帐，这些单据将被删除。继续吗？"))
        || !countAccepted(QStringLiteral("(TotalMoney-InMoney>0)"), cutOff,
            QStringLiteral("张欠费的单据，这些单据将不会被结转入库，继续吗？"))
        || !countAccepted(QStringLiteral("(TotalContainer-InContainer>0)"), cutOff,
            QStringLiteral("张欠瓶的单据，这些单据将不会被结转入库，继续吗？")))
        return {Outcome::Cancelled};
    // Asked before the transaction begins: a question left open on the
    // screen must not hold the other workstations' saves.
    if (!Prompt::confirm(
            QStringLiteral("系统准备结转本期单据，请再次确认是否要结帐？"), QStringLiteral("确认")))
        return {Outcome::Cancelled};

    int carried = 0;
    QString error;
    const auto outcome = mDatabase::RetryTransactionQuietly(
        [&](mDatabase::Transaction &tx) {
            Steps steps(tx);
            carried = carryAndClose(steps, cutOff, options);
            error = steps.error();
            return carried >= 0;
        },
        Attempts);
    switch (outcome) {
    case mDatabase::TransactionOutcome::Committed:
        break;
    case mDatabase::TransactionOutcome::Conflicted:
        // Nothing of the server's wording: there is nothing to repair, only
        // to do again when the other workstations are quieter.
        Prompt::error(ConflictText, QStringLiteral("结帐"));
        return {Outcome::Failed};
    case mDatabase::TransactionOutcome::Failed:
        // A failure to begin or to commit has been reported already.
        if (!error.isEmpty())
            Prompt::error(
                QStringLiteral("结帐时出现系统错误，结帐失败:") + error, QStringLiteral("错误"));
        return {Outcome::Failed};
    }
    Prompt::information(
        QStringLiteral("成功进行%1 张有效单据入帐！").arg(carried), QStringLiteral("提示"));
    return {Outcome::Closed, carried};
}

} // namespace DayClosing
