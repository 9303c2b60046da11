#include "sales/customerlookup.h"

#include "datastore/boundstatement.h"
#include "datastore/mdatabase.h"
#include "shell/frmselcustomer.h"
#include "shell/loginstate.h"

#include <limits>

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

std::optional<Recordset> findCustomers(int searchType, const QString &key)
{
    const QString text = mDatabase::TrimBlanks(key);
    QVariantList values;
    const char *column = nullptr;
    switch (searchType) {
    case ByAccount: {
        bool ok = false;
        const qint64 account = text.toLongLong(&ok);
        // Beyond what the column holds, no customer has it.
        if (!ok || account < std::numeric_limits<qint32>::min()
            || account > std::numeric_limits<qint32>::max())
            return Recordset();
        column = "Account";
        values << account;
        break;
    }
    case ByPhone:
        column = "Phone";
        values << text;
        break;
    case ByAddress:
        column = "Address";
        values << text;
        break;
    default:
        return Recordset();
    }
    QString sql = QStringLiteral("Select * from Customer where Status='1' AND %1=?")
                      .arg(QLatin1String(column));
    if (!gIsHeadStation) {
        sql += QStringLiteral(" AND StationID=?");
        values << qint64(gStationID);
    }
    return mDatabase::OpenBound(sql, values);
}

std::optional<Recordset> addressMatches(const QString &typed)
{
    const QString text = mDatabase::TrimBlanks(typed);
    QString sql = QStringLiteral("Select * from Customer where Status='1'");
    QVariantList values;
    if (!text.isEmpty()) {
        // The % and _ the operator typed match only themselves.
        QString pattern = text;
        pattern.replace(QLatin1Char('!'), QLatin1String("!!"));
        pattern.replace(QLatin1Char('%'), QLatin1String("!%"));
        pattern.replace(QLatin1Char('_'), QLatin1String("!_"));
        sql += mDatabase::dialect().anyCaseLike(QStringLiteral(" AND Address Like ? ESCAPE '!'"));
        values << QLatin1Char('%') + pattern + QLatin1Char('%');
    }
    if (!gIsHeadStation) {
        sql += QStringLiteral(" AND StationID=?");
        values << qint64(gStationID);
    }
    return mDatabase::OpenBound(sql + QStringLiteral(" order by Address"), values);
}

std::optional<Recordset> historySums(qint64 customerId)
{
    return mDatabase::OpenBound(
        QStringLiteral("select sum(TotalAmount) as HistoryAmount,sum(TotalMoney) as HistoryMoney,"
                       "sum(TotalContainer-InContainer) as HistoryContainerBalance,"
                       "sum(TotalMoney-InMoney) as HistoryMoneyBalance,count(*) as TotalNumber "
                       "from Sale where CustomerID=?"),
        {customerId});
}

std::optional<Recordset> historyList(qint64 customerId)
{
    return mDatabase::OpenBound(
        QStringLiteral(
            "select ID,CreateDate,TotalAmount,TotalMoney,(TotalMoney-InMoney) as MoneyBalance,"
            "(TotalContainer-InContainer) as ContainerBalance,SenderID,UserID from Sale "
            "where CustomerID=? order by ID"),
        {customerId});
}

QString customerTypeText(int custType)
{
    return frmSelCustomer::customerTypeText(custType);
}

} // namespace CustomerLookup
