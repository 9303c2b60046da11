#include "sales/customerwriter.h"

#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "datastore/transaction.h"
#include "shell/datetext.h"

using mDatabase::SqlStr;

namespace {

const QString ErrorTitle = QStringLiteral("错误");

QString number(qint64 value)
{
    return QString::number(value);
}

} // namespace

namespace CustomerWriter {

qint64 saveNew(const CustomerRecord &c)
{
    // The address alone tells the drivers where to go, so it may be open only once.
    if (!mDatabase::IsUniqueValue(
            QStringLiteral("Customer"), QStringLiteral("Address"), c.address, 0)) {
        Prompt::error(QStringLiteral("该地址已经开户了，请检查后再继续！"), ErrorTitle);
        return 0;
    }
    const qint32 account = c.systemAccount ? 0 : c.account;
    if (!c.systemAccount
        && !mDatabase::IsUniqueValue(
            QStringLiteral("Customer"), QStringLiteral("Account"), number(account), 1)) {
        Prompt::error(QStringLiteral("您所指定的帐户名称已被占用!,请重新指定"), ErrorTitle);
        return 0;
    }
    const QString dateLiteral = DateText::sqlLiteral(c.createDate);
    if (dateLiteral.isEmpty())
        return 0;

    // Failures below have been reported already.
    mDatabase::Transaction tx;
    if (!tx)
        return 0;
    const qint64 id = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Customer(Account,Phone,Address,Name,Detail,CreateDate,"
                       "CustType,Status,StationID) values (%1,%2,%3,%4,%5,%6,%7,%8,%9)")
            .arg(number(account), SqlStr(c.phone), SqlStr(c.address), SqlStr(c.name),
                SqlStr(c.detail), dateLiteral, number(c.custType), SqlStr(c.status),
                number(c.stationId)));
    if (id <= 0)
        return 0;
    // Account 0 finds nobody; the row's own key exists only after the insert.
    // Only this row: another workstation's new customer is its own business.
    if (account == 0
        && !mDatabase::ExecuteSQL(
            QStringLiteral("update Customer set Account=ID where Account=0 and ID=%1")
                .arg(number(id))))
        return 0;
    return tx.commit() ? id : 0;
}

bool saveEdit(const CustomerRecord &c, const CustomerRecord &asLoaded)
{
    // The address stays unique when it is changed, too: the database would
    // refuse it anyway, and this says why.
    if (c.address != asLoaded.address
        && !mDatabase::IsUniqueValue(
            QStringLiteral("Customer"), QStringLiteral("Address"), c.address, 0)) {
        Prompt::error(QStringLiteral("该地址已经开户了，请检查后再继续！"), ErrorTitle);
        return false;
    }
    // Takes effect only on the row exactly as the form read it.
    const int changed = mDatabase::ExecuteAffected(
        QStringLiteral(
            "update Customer set Address=%1, Phone=%2, Name=%3, detail=%4, CustType=%5, "
            "StationID=%6, Status=%7 where ID=%8 and coalesce(Address,'')=%9 and "
            "coalesce(Phone,'')=%10 and coalesce(Name,'')=%11 and coalesce(Detail,'')=%12 and "
            "coalesce(CustType,0)=%13 and coalesce(StationID,0)=%14 and "
            "coalesce(Status,'')=%15 and coalesce(Account,0)=%16")
            .arg(SqlStr(c.address), SqlStr(c.phone), SqlStr(mDatabase::TrimBlanks(c.name)),
                SqlStr(c.detail), number(c.custType), number(c.stationId), SqlStr(c.status),
                number(c.id), SqlStr(asLoaded.address), SqlStr(asLoaded.phone),
                SqlStr(asLoaded.name), SqlStr(asLoaded.detail), number(asLoaded.custType),
                number(asLoaded.stationId), SqlStr(asLoaded.status), number(asLoaded.account)));
    if (changed < 0)
        return false;
    if (changed > 0)
        return true;
    const auto rs = mDatabase::OpenRecordset(
        QStringLiteral("select ID from Customer where ID=%1").arg(number(c.id)));
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
    const int changed = mDatabase::ExecuteAffected(
        QStringLiteral("UPDATE customer SET Status='%1' where ID=%2")
            .arg(active ? QStringLiteral("1") : QStringLiteral("0"), number(id)));
    if (changed == 0)
        Prompt::error(QStringLiteral("该客户资料已在别处被删除，本次修改没有保存！"), ErrorTitle);
    return changed > 0;
}

} // namespace CustomerWriter

namespace CustomerReader {

std::optional<CustomerRecord> load(qint64 id)
{
    const auto rs = mDatabase::OpenRecordset(
        QStringLiteral("Select * from Customer where ID=%1").arg(number(id)));
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
