#include "sales/customerwriter.h"

#include "datastore/boundstatement.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "datastore/transaction.h"
#include "shell/datetext.h"

namespace {

const QString ErrorTitle = QStringLiteral("错误");

// Whether no customer holds value in column. A failed query has been
// reported and counts as taken, so nothing is stored.
bool unused(const char *column, const QVariant &value)
{
    const auto rs = mDatabase::OpenBound(
        QStringLiteral("select ID from Customer where %1=?").arg(QLatin1String(column)), {value});
    return rs && rs->isEmpty();
}

} // namespace

namespace CustomerWriter {

qint64 saveNew(const CustomerRecord &c)
{
    // The address alone tells the drivers where to go, so it may be open only once.
    if (!unused("Address", c.address)) {
        Prompt::error(QStringLiteral("该地址已经开户了，请检查后再继续！"), ErrorTitle);
        return 0;
    }
    const qint32 account = c.systemAccount ? 0 : c.account;
    if (!c.systemAccount && !unused("Account", account)) {
        Prompt::error(QStringLiteral("您所指定的帐户名称已被占用!,请重新指定"), ErrorTitle);
        return 0;
    }
    if (!c.createDate.isValid())
        return 0;

    // Failures below have been reported already.
    mDatabase::Transaction tx;
    if (!tx)
        return 0;
    const qint64 id = mDatabase::InsertBoundAndGetID(
        QStringLiteral("insert into Customer(Account,Phone,Address,Name,Detail,CreateDate,"
                       "CustType,Status,StationID) values (?,?,?,?,?,?,?,?,?)"),
        {account, c.phone, c.address, c.name, c.detail, c.createDate, c.custType, c.status,
            c.stationId});
    if (id <= 0)
        return 0;
    // Account 0 finds nobody; the row's own key exists only after the insert.
    // Only this row: another workstation's new customer is its own business.
    if (account == 0
        && !mDatabase::ExecuteBound(
            QStringLiteral("update Customer set Account=ID where Account=0 and ID=?"), {id}))
        return 0;
    return tx.commit() ? id : 0;
}

bool saveEdit(const CustomerRecord &c, const CustomerRecord &asLoaded)
{
    // The address stays unique when it is changed, too: the database would
    // refuse it anyway, and this says why.
    if (c.address != asLoaded.address && !unused("Address", c.address)) {
        Prompt::error(QStringLiteral("该地址已经开户了，请检查后再继续！"), ErrorTitle);
        return false;
    }
    // Takes effect only on the row exactly as the form read it.
    const int changed = mDatabase::ExecuteBoundAffected(
        QStringLiteral("update Customer set Address=?, Phone=?, Name=?, detail=?, CustType=?, "
                       "StationID=?, Status=? where ID=? and coalesce(Address,'')=? and "
                       "coalesce(Phone,'')=? and coalesce(Name,'')=? and coalesce(Detail,'')=? and "
                       "coalesce(CustType,0)=? and coalesce(StationID,0)=? and "
                       "coalesce(Status,'')=? and coalesce(Account,0)=?"),
        {c.address, c.phone, mDatabase::TrimBlanks(c.name), c.detail, c.custType, c.stationId,
            c.status, c.id, asLoaded.address, asLoaded.phone, asLoaded.name, asLoaded.detail,
            asLoaded.custType, asLoaded.stationId, asLoaded.status, asLoaded.account});
    if (changed < 0)
        return false;
    if (changed > 0)
        return true;
    const auto rs
        = mDatabase::OpenBound(QStringLiteral("select ID from Customer where ID=?"), {c.id});
    if (!rs)
        return false;
    if (rs->isEmpty())
        Prompt::error(QStringLiteral("该客户资料已在别处被删除，本次修改没有保存！"), ErrorTitle);
    else
        Prompt::error(QStringLiteral("该客户资料在您打开之后已在别处被修改，本次修改没有保存！"
                                     "请关闭后重新打开再修改。"),
            ErrorTitle);
    return false;
}

bool setStatus(qint64 id, bool active)
{
    const int changed
        = mDatabase::ExecuteBoundAffected(QStringLiteral("UPDATE customer SET Status=? where ID=?"),
            {active ? QStringLiteral("1") : QStringLiteral("0"), id});
    if (changed == 0)
        Prompt::error(QStringLiteral("该客户资料已在别处被删除，本次修改没有保存！"), ErrorTitle);
    return changed > 0;
}

} // namespace CustomerWriter

namespace CustomerReader {

std::optional<CustomerRecord> load(qint64 id)
{
    const auto rs = mDatabase::OpenBound(QStringLiteral("Select * from Customer where ID=?"), {id});
    if (!rs || rs->isEmpty())
        return std::nullopt;
    auto field = [&](const char *name) {
        return rs->value(0, QString::fromLatin1(name));
    };
    CustomerRecord c;
    c.id = id;
    c.systemAccount = false;
    c.account = field("Account").toInt();
    c.name = field("Name").toString();
    c.phone = field("Phone").toString();
    c.address = field("Address").toString();
    c.detail = field("Detail").toString();
    c.createDate = DateText::fromValue(field("CreateDate"));
    c.custType = field("CustType").toInt();
    c.status = field("Status").toString();
    c.stationId = field("StationID").toLongLong();
    return c;
}

} // namespace CustomerReader
