#include "sales/customerlookup.h"

#include "datastore/mdatabase.h"
#include "shell/frmselcustomer.h"
#include "shell/loginstate.h"

namespace CustomerLookup {
namespace {

QString stationSuffix()
{
    return gIsHeadStation ? QString()
                          : QStringLiteral(" AND StationID=") + QString::number(gStationID);
}

} // namespace

QString customerQuery(int searchType, const QString &key)
{
    const QString text = mDatabase::TrimBlanks(key);
    switch (searchType) {
    case ByAccount: {
        bool ok = false;
        const qint64 account = text.toLongLong(&ok);
        if (!ok)
            return {};
        return QStringLiteral("Select * from Customer where Status='1' AND Account=")
            + QString::number(account) + stationSuffix();
    }
    case ByPhone:
        return QStringLiteral("Select * from Customer where Status='1' AND Phone=")
            + mDatabase::SqlStr(text) + stationSuffix();
    case ByAddress:
        return QStringLiteral("Select * from Customer where Status='1' AND Address=")
            + mDatabase::SqlStr(text) + stationSuffix();
    }
    return {};
}

QString addressSearchQuery(const QString &text)
{
    return QStringLiteral("Select * from Customer where Status='1' AND  Address Like ")
        + mDatabase::SqlLikeAnywhere(mDatabase::TrimBlanks(text)) + stationSuffix()
        + QStringLiteral(" order by Address");
}

QString addressListQuery()
{
    return QStringLiteral("Select * from Customer where Status='1'") + stationSuffix()
        + QStringLiteral(" order by Address");
}

QString historySumsQuery(qint64 customerId)
{
    return QStringLiteral(
               "select sum(TotalAmount) as HistoryAmount,sum(TotalMoney) as HistoryMoney,"
               "sum(TotalContainer-InContainer) as HistoryContainerBalance,"
               "sum(TotalMoney-InMoney) as HistoryMoneyBalance,count(*) as TotalNumber "
               "from Sale where CustomerID=")
        + QString::number(customerId);
}

QString historyListQuery(qint64 customerId)
{
    return QStringLiteral(
               "select ID,CreateDate,TotalAmount,TotalMoney,(TotalMoney-InMoney) as MoneyBalance,"
               "(TotalContainer-InContainer) as ContainerBalance,SenderID,UserID from Sale "
               "where CustomerID=")
        + QString::number(customerId) + QStringLiteral(" order by ID");
}

QString customerTypeText(int custType)
{
    return frmSelCustomer::customerTypeText(custType);
}

} // namespace CustomerLookup
