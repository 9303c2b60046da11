#include "salewriter.h"

#include "mdatabase.h"
#include "prompt.h"
#include "salelines.h"

using mDatabase::SqlStr;

namespace SaleWriter {
namespace {

QString number(qint64 value)
{
    return QString::number(value);
}

// Each line, followed by the bottle that goes out with its water.
bool insertLines(qint64 saleId, const QVector<SaleRecord::Line> &lines)
{
    const QString insert = QStringLiteral(
        "insert into Sale_detail(SaleID,ProductID,Price,MyAmount,MyMoney,IsContainer)  values(");
    for (const SaleRecord::Line &line : lines) {
        if (!mDatabase::ExecuteSQL(insert + number(saleId) + QLatin1Char(',')
                + number(line.productId) + QLatin1Char(',') + line.price.toSqlText()
                + QLatin1Char(',') + number(line.amount) + QLatin1Char(',') + line.money.toSqlText()
                + QStringLiteral(",'0')")))
            return false;
        qint64 container = 0;
        if (SaleRules::hasBottle(line.productId, &container)
            && !mDatabase::ExecuteSQL(insert + number(saleId) + QLatin1Char(',') + number(container)
                + QStringLiteral(",0,") + number(line.amount) + QStringLiteral(",0,'1')")))
            return false;
    }
    return true;
}

// The customer of the address, whatever its station or status; created
// when there is none. Either way it takes this order's phone.
qint64 customerFor(const SaleRecord &sale, const QDate &today)
{
    const QString address = mDatabase::TrimBlanks(sale.address);
    const QString phone = mDatabase::TrimBlanks(sale.phone);
    const auto found = mDatabase::OpenRecordset(
        QStringLiteral("select * from Customer WHERE Address=") + SqlStr(address));
    if (!found)
        return 0;
    qint64 id = 0;
    if (!found->isEmpty()) {
        id = found->value(0, QStringLiteral("ID")).toLongLong();
    } else {
        id = mDatabase::InsertAndGetID(
            QStringLiteral(
                "insert into Customer(Name,Account,Address,Phone,Detail,CustType,Status,UserID,"
                "CreateDate,StationID)values ('',0,")
            + SqlStr(address) + QLatin1Char(',') + SqlStr(phone)
            + QStringLiteral(",'系统自动加入用户！',0,'1',") + number(sale.userId)
            + QLatin1Char(',') + mDatabase::dialect().dateLiteral(today) + QLatin1Char(',')
            + number(sale.stationId) + QLatin1Char(')'));
        if (id == 0) {
            Prompt::error(
                QStringLiteral("往系统增加新客户信息时出现错误！"), QStringLiteral("错误"));
            return 0;
        }
        // Only this customer: another workstation's new customer is its own business.
        if (!mDatabase::ExecuteSQL(
                QStringLiteral("Update Customer set Account=ID where Account=0 and ID=")
                + number(id)))
            return 0;
    }
    if (!mDatabase::ExecuteSQL(QStringLiteral("update Customer set Phone=") + SqlStr(phone)
            + QStringLiteral(" where ID=") + number(id)))
        return 0;
    return id;
}

} // namespace

qint64 saveNew(const SaleRecord &sale, const QDate &today)
{
    if (!mDatabase::BeginTrans())
        return 0;
    const qint64 customer = customerFor(sale, today);
    if (customer == 0) {
        mDatabase::RollbackTrans();
        return 0;
    }
    const qint64 saleId = mDatabase::InsertAndGetID(
        QStringLiteral(
            "insert into Sale (CustomerID,SenderID,UserID,TotalAmount,TotalMoney,TotalContainer,"
            "InMoney,OutAmount,InContainer,TransferFee,Detail,CreateDate,FinishFlag,StationID)"
            " values (")
        + number(customer) + QLatin1Char(',') + number(sale.senderId) + QLatin1Char(',')
        + number(sale.userId) + QLatin1Char(',') + number(sale.totalAmount) + QLatin1Char(',')
        + sale.totalMoney.toSqlText() + QLatin1Char(',') + number(sale.totalContainer)
        + QLatin1Char(',') + sale.inMoney.toSqlText() + QLatin1Char(',')
        + sale.outAmount.toSqlText() + QLatin1Char(',') + sale.inContainer.toSqlText()
        + QLatin1Char(',') + sale.transferFee.toSqlText() + QLatin1Char(',') + SqlStr(sale.detail)
        + QLatin1Char(',') + mDatabase::dialect().dateLiteral(sale.createDate)
        + QStringLiteral(",'0',") + number(sale.stationId) + QLatin1Char(')'));
    if (saleId == 0 || !insertLines(saleId, sale.lines)) {
        mDatabase::RollbackTrans();
        return 0;
    }
    if (!mDatabase::CommitTrans())
        return 0;
    return saleId;
}

bool saveEdit(const SaleRecord &sale)
{
    const QString update = QStringLiteral("update Sale set Detail=") + SqlStr(sale.detail)
        + QStringLiteral(", TotalAmount=") + number(sale.totalAmount)
        + QStringLiteral(", TotalMoney=") + sale.totalMoney.toSqlText()
        + QStringLiteral(",TotalContainer=") + number(sale.totalContainer)
        + QStringLiteral(",OutAmount=") + sale.outAmount.toSqlText() + QStringLiteral(",InMoney=")
        + sale.inMoney.toSqlText() + QStringLiteral(",InContainer=") + sale.inContainer.toSqlText()
        + QStringLiteral(",UserID=") + number(sale.userId) + QStringLiteral(", StationID=")
        + number(sale.stationId) + QStringLiteral(", SenderID=") + number(sale.senderId)
        + QStringLiteral(", TransferFee=") + sale.transferFee.toSqlText()
        + QStringLiteral(" where ID=") + number(sale.id);
    if (!mDatabase::BeginTrans())
        return false;
    if (!mDatabase::ExecuteSQL(update)
        || !mDatabase::ExecuteSQL(
            QStringLiteral("delete from Sale_detail where SaleID=") + number(sale.id))
        || !insertLines(sale.id, sale.lines)) {
        mDatabase::RollbackTrans();
        return false;
    }
    return mDatabase::CommitTrans();
}

qint32 GetNewSaleID()
{
    // Only shown to the operator as the likely number; a stored sale's lines
    // always take the key of their own insert (saveNew).
    const auto rs = mDatabase::OpenRecordset(QStringLiteral("select max(ID) as MaxID from Sale"));
    if (!rs) {
        Prompt::error(QStringLiteral("向系统获取新的系统编号时出现错误！"), QStringLiteral("错误"));
        return -1;
    }
    const QVariant max = rs->value(0, QStringLiteral("MaxID"));
    return max.isNull() ? 1 : max.toInt() + 1;
}

} // namespace SaleWriter
