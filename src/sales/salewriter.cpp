#include "sales/salewriter.h"

#include "datastore/boundstatement.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "datastore/transaction.h"
#include "sales/salelines.h"

#include <QHash>
#include <QStringList>

#include <algorithm>
#include <optional>

namespace SaleWriter {
namespace {

const QString ErrorTitle = QStringLiteral("错误");

QVariant money(const Currency &value)
{
    return QVariant::fromValue(value);
}

// Every amount of the order, for the range check before it is stored.
QList<Currency> amounts(const SaleRecord &sale)
{
    QList<Currency> all{
        sale.totalMoney, sale.inMoney, sale.outAmount, sale.inContainer, sale.transferFee};
    for (const SaleRecord::Line &line : sale.lines)
        all << line.price << line.money;
    return all;
}

// Each line, followed by the bottle that goes out with its water. A bottle
// that cannot be looked up fails the save: leaving it out would lend
// bottles nobody counts. The bottles are looked up, and the lines written,
// each in one statement, whatever the number of lines.
bool insertLines(qint64 saleId, const QVector<SaleRecord::Line> &lines)
{
    if (lines.isEmpty())
        return true;
    QStringList marks;
    QVariantList products;
    for (const SaleRecord::Line &line : lines) {
        marks << QStringLiteral("?");
        products << line.productId;
    }
    const auto rs = mDatabase::OpenBound(
        QStringLiteral("select ID,ContainerID from Product where IsContainer='0' and "
                       "ContainerID<>0 and ID in (%1)")
            .arg(marks.join(QLatin1Char(','))),
        products);
    if (!rs)
        return false;
    QHash<qint64, qint64> bottles;
    for (int row = 0; row < rs->recordCount(); ++row)
        bottles.insert(rs->value(row, QStringLiteral("ID")).toLongLong(),
            rs->value(row, QStringLiteral("ContainerID")).toLongLong());

    QStringList rows;
    QVariantList values;
    for (const SaleRecord::Line &line : lines) {
        rows << QStringLiteral("(?,?,?,?,?,?)");
        values << saleId << line.productId << money(line.price) << line.amount << money(line.money)
               << QStringLiteral("0");
        const auto bottle = bottles.constFind(line.productId);
        if (bottle != bottles.cend()) {
            rows << QStringLiteral("(?,?,?,?,?,?)");
            values << saleId << *bottle << money(Currency()) << line.amount << money(Currency())
                   << QStringLiteral("1");
        }
    }
    return mDatabase::ExecuteBound(
        QStringLiteral("insert into Sale_detail(SaleID,ProductID,Price,MyAmount,MyMoney,"
                       "IsContainer) values %1")
            .arg(rows.join(QLatin1Char(','))),
        values);
}

std::optional<Recordset> customerByAddress(const QString &address)
{
    return mDatabase::OpenBound(
        QStringLiteral("select * from Customer WHERE Address=?"), {address});
}

// The customer of the address, whatever its station or status; created
// when there is none. Either way it takes this order's phone.
qint64 customerFor(const SaleRecord &sale, const QDate &today)
{
    const QString address = mDatabase::TrimBlanks(sale.address);
    const QString phone = mDatabase::TrimBlanks(sale.phone);
    auto found = customerByAddress(address);
    if (!found)
        return 0;
    if (found->isEmpty()) {
        // Another workstation may be taking the first order for this very
        // address right now. The address is unique: when its insert wins,
        // ours is skipped (without breaking this transaction) and its row is
        // the customer.
        const QString insert = QStringLiteral(
            "insert into Customer(Name,Account,Address,Phone,Detail,CustType,Status,UserID,"
            "CreateDate,StationID) values ('',0,?,?,?,0,'1',?,?,?)");
        if (mDatabase::ExecuteBoundAffected(mDatabase::dialect().insertIgnoringDuplicate(insert),
                {address, phone, QStringLiteral("系统自动加入用户！"), sale.userId, today,
                    sale.stationId})
                < 0
            || !(found = customerByAddress(address)) || found->isEmpty()) {
            Prompt::error(QStringLiteral("往系统增加新客户信息时出现错误！"), ErrorTitle);
            return 0;
        }
    }
    const qint64 id = found->value(0, QStringLiteral("ID")).toLongLong();
    // Only this customer: another workstation's new customer is its own
    // business. A customer whose insert was ours still has account 0 here
    // and takes its ID as account, in the same statement as the phone.
    if (!mDatabase::ExecuteBound(
            QStringLiteral("update Customer set Phone=?, Account=CASE WHEN Account=0 THEN ID ELSE "
                           "Account END where ID=?"),
            {phone, id}))
        return 0;
    return id;
}

enum class EditOutcome { Saved, Failed, Deleted, Closed, Changed };

// Why the update of a sale found no row to change.
EditOutcome whyNotUpdated(qint64 saleId)
{
    const auto rs
        = mDatabase::OpenBound(QStringLiteral("select FinishFlag from Sale where ID=?"), {saleId});
    if (!rs)
        return EditOutcome::Failed;
    if (rs->isEmpty())
        return EditOutcome::Deleted;
    if (mDatabase::TrimBlanks(rs->value(0, QStringLiteral("FinishFlag")).toString())
        == QLatin1String("1"))
        return EditOutcome::Closed;
    return EditOutcome::Changed;
}

// Whether the goods lines stored now are those the form was loaded with;
// nothing when they could not be read.
std::optional<bool> linesAsLoaded(qint64 saleId, const QVector<SaleRecord::Line> &loaded)
{
    const auto rs = mDatabase::OpenBound(
        QStringLiteral("select ProductID,Price,MyAmount,MyMoney from Sale_detail where "
                       "SaleID=? and IsContainer='0' order by ID"),
        {saleId});
    if (!rs)
        return std::nullopt;
    if (rs->recordCount() != loaded.size())
        return false;
    for (int row = 0; row < rs->recordCount(); ++row) {
        const SaleRecord::Line &line = loaded.at(row);
        if (rs->value(row, QStringLiteral("ProductID")).toLongLong() != line.productId
            || Currency::fromVariant(rs->value(row, QStringLiteral("Price"))) != line.price
            || Currency::fromVariant(rs->value(row, QStringLiteral("MyAmount")))
                != Currency::fromInt(line.amount)
            || Currency::fromVariant(rs->value(row, QStringLiteral("MyMoney"))) != line.money)
            return false;
    }
    return true;
}

EditOutcome rewrite(const SaleRecord &sale, const SaleRecord &asLoaded)
{
    // The update takes effect only on the sale exactly as it was loaded and
    // still open: a sale closed, settled, edited or deleted elsewhere since
    // is left alone.
    mDatabase::Transaction tx;
    if (!tx)
        return EditOutcome::Failed;
    const int changed = mDatabase::ExecuteBoundAffected(
        QStringLiteral(
            "update Sale set Detail=?, TotalAmount=?, TotalMoney=?, TotalContainer=?, "
            "OutAmount=?, InMoney=?, InContainer=?, UserID=?, StationID=?, SenderID=?, "
            "TransferFee=? where ID=? and FinishFlag='0' and coalesce(Detail,'')=? and "
            "TotalAmount=? and TotalMoney=? and TotalContainer=? and OutAmount=? and "
            "InMoney=? and InContainer=? and UserID=? and StationID=? and SenderID=? and "
            "TransferFee=?"),
        {sale.detail, sale.totalAmount, money(sale.totalMoney), sale.totalContainer,
            money(sale.outAmount), money(sale.inMoney), money(sale.inContainer), sale.userId,
            sale.stationId, sale.senderId, money(sale.transferFee), sale.id, asLoaded.detail,
            asLoaded.totalAmount, money(asLoaded.totalMoney), asLoaded.totalContainer,
            money(asLoaded.outAmount), money(asLoaded.inMoney), money(asLoaded.inContainer),
            asLoaded.userId, asLoaded.stationId, asLoaded.senderId, money(asLoaded.transferFee)});
    if (changed < 0)
        return EditOutcome::Failed;
    if (changed == 0)
        return whyNotUpdated(sale.id);
    // The header row is ours now; its lines may still have been rewritten
    // by an edit that left every total as it was.
    const std::optional<bool> sameLines = linesAsLoaded(sale.id, asLoaded.lines);
    if (!sameLines)
        return EditOutcome::Failed;
    if (!*sameLines)
        return EditOutcome::Changed;
    if (!mDatabase::ExecuteBound(
            QStringLiteral("delete from Sale_detail where SaleID=?"), {sale.id})
        || !insertLines(sale.id, sale.lines))
        return EditOutcome::Failed;
    return tx.commit() ? EditOutcome::Saved : EditOutcome::Failed;
}

} // namespace

qint64 saveNew(const SaleRecord &sale, const QDate &today)
{
    // An order is what it delivers: without a product there is nothing to
    // deliver, settle or close, whatever the window let through.
    const bool hasGoods = std::any_of(sale.lines.cbegin(), sale.lines.cend(),
        [](const SaleRecord::Line &line) { return line.productId > 0; });
    if (!hasGoods) {
        Prompt::error(
            QStringLiteral("销售单中没有商品，不能保存！请至少输入一种商品。"), ErrorTitle);
        return 0;
    }
    if (!mDatabase::AmountsInRange(amounts(sale)))
        return 0;
    mDatabase::Transaction tx;
    if (!tx)
        return 0;
    const qint64 customer = customerFor(sale, today);
    if (customer == 0)
        return 0;
    const qint64 saleId = mDatabase::InsertBoundAndGetID(
        QStringLiteral(
            "insert into Sale (CustomerID,SenderID,UserID,TotalAmount,TotalMoney,TotalContainer,"
            "InMoney,OutAmount,InContainer,TransferFee,Detail,CreateDate,FinishFlag,StationID)"
            " values (?,?,?,?,?,?,?,?,?,?,?,?,'0',?)"),
        {customer, sale.senderId, sale.userId, sale.totalAmount, money(sale.totalMoney),
            sale.totalContainer, money(sale.inMoney), money(sale.outAmount),
            money(sale.inContainer), money(sale.transferFee), sale.detail, sale.createDate,
            sale.stationId});
    if (saleId == 0 || !insertLines(saleId, sale.lines))
        return 0;
    return tx.commit() ? saleId : 0;
}

bool saveEdit(const SaleRecord &sale, const SaleRecord &asLoaded)
{
    if (!mDatabase::AmountsInRange(amounts(sale)))
        return false;
    // Told only after the transaction has ended, so that no row stays locked
    // while the operator reads.
    switch (rewrite(sale, asLoaded)) {
    case EditOutcome::Saved:
        return true;
    case EditOutcome::Failed:
        return false;
    case EditOutcome::Deleted:
        Prompt::error(QStringLiteral("该销售单已在别处被删除，本次修改没有保存！"), ErrorTitle);
        return false;
    case EditOutcome::Closed:
        Prompt::error(
            QStringLiteral("该销售单已经结帐，不能再修改，本次修改没有保存！"), ErrorTitle);
        return false;
    case EditOutcome::Changed:
        Prompt::error(QStringLiteral("该销售单在您打开之后已在别处被修改，本次修改没有保存！"
                                     "请关闭后重新打开该单据再修改。"),
            ErrorTitle);
        return false;
    }
    return false;
}

qint32 GetNewSaleID()
{
    // Only shown to the operator as the likely number; a stored sale's lines
    // always take the key of their own insert (saveNew).
    const auto rs = mDatabase::OpenRecordset(QStringLiteral("select max(ID) as MaxID from Sale"));
    if (!rs) {
        Prompt::error(QStringLiteral("向系统获取新的系统编号时出现错误！"), ErrorTitle);
        return -1;
    }
    const QVariant max = rs->value(0, QStringLiteral("MaxID"));
    return max.isNull() ? 1 : max.toInt() + 1;
}

} // namespace SaleWriter
