#include "lists/salefamilylist.h"

#include "datastore/currency.h"
#include "datastore/mdatabase.h"
#include "shell/loginstate.h"

#include <QSqlRecord>

SaleFamilyList::SaleFamilyList(QWidget *parent) : ListWindow(parent), m_commands(this)
{
    curShortSQL = shortSQL();
    curFilterSQL = initialFilter(QDate::currentDate());
    curSortSQL = QStringLiteral(" ORDER BY Sale.ID Desc");
    setSortFieldMap({{QStringLiteral("ID"), QStringLiteral("Sale.ID")},
        {QStringLiteral("CreateDate"), QStringLiteral("Sale.CreateDate")}});
    setPrintTitle(QStringLiteral("\t销售单据一览表"));
}

QString SaleFamilyList::shortSQL()
{
    return QStringLiteral(
        "SELECT Sale.ID as ID,Sale.CreateDate as CreateDate,Sale.UserID as UserID,Sale.FinishFlag,"
        "Sale.SenderID as SenderID,Customer.Address as Address,"
        "TotalAmount,TotalMoney,TotalContainer,TransferFee,InContainer,OutAmount,InMoney"
        " FROM Sale,Customer where Sale.CustomerID=Customer.ID ");
}

QString SaleFamilyList::initialFilter(const QDate &today)
{
    // Dates are stored as dates, so today's orders are found by the date itself.
    const QString filter = QStringLiteral(" and (Sale.FinishFlag='0' or Sale.CreateDate=%1)")
                               .arg(mDatabase::dialect().dateLiteral(today));
    if (gIsHeadStation)
        return filter;
    return QStringLiteral("%1 and Sale.StationID=%2").arg(filter, QString::number(gStationID));
}

void SaleFamilyList::showCustomerOrders(qint64 customerId, const QString &name)
{
    restoreDefaultView();
    keepDefaultView();
    curFilterSQL
        = QStringLiteral(" and Sale.CustomerID=%1 and Sale.FinishFlag='0'").arg(customerId);
    setFilterState({}, QStringLiteral("客户 %1").arg(name));
    DataRefresh();
}

void SaleFamilyList::setOpenColumns(int open)
{
    setRowStyler([open](const QSqlRecord &r) {
        auto owed = [&r](const char *total, const char *settled) {
            const QVariant t = r.value(QString::fromLatin1(total));
            const QVariant s = r.value(QString::fromLatin1(settled));
            if (t.isNull() || s.isNull())
                return false;
            return Currency::fromVariant(t) - Currency::fromVariant(s) > Currency();
        };
        if (((open & OpenAmount) && owed("TotalAmount", "OutAmount"))
            || ((open & OpenMoney) && owed("TotalMoney", "InMoney"))
            || ((open & OpenContainers) && owed("TotalContainer", "InContainer")))
            return ListModel::RowStyle::Open;
        if (r.value(QStringLiteral("FinishFlag")).toString() == QLatin1String("1"))
            return ListModel::RowStyle::Closed;
        return ListModel::RowStyle::Normal;
    });
}
