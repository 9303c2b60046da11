#include "lists/frmcollectionlist.h"

#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "lists/frmcollectionfilter.h"
#include "sales/customeraccount.h"
#include "shell/loginstate.h"

#include <QDate>

namespace {

const QString Caption = QStringLiteral("欠款欠瓶客户");

// An order with money or bottles still open; closed orders owe nothing.
const QString OpenOrder = QStringLiteral("%1.FinishFlag='0' and (%1.TotalMoney<>%1.InMoney or "
                                         "%1.TotalContainer<>%1.InContainer)");

QString shortSQL()
{
    return QStringLiteral(
        "SELECT Customer.ID as ID,Customer.Account as Account,Customer.Name as Name,"
        "Customer.Phone as Phone,Customer.Address as Address,sum(%1) as OwedMoney,"
        "sum(%2) as BottlesOut,min(Sale.CreateDate) as OldestOpen,count(*) as OpenOrders,"
        "(select Sender.Name from Sale Newest,Sender where Sender.ID=Newest.SenderID and "
        "Newest.ID=(select max(Latest.ID) from Sale Latest where Latest.CustomerID=Customer.ID "
        "and %3)) as SenderName FROM Sale,Customer where Sale.CustomerID=Customer.ID and %4")
        .arg(CustomerAccount::owedMoneySql(), CustomerAccount::bottlesOutSql(),
            OpenOrder.arg(QStringLiteral("Latest")), OpenOrder.arg(QStringLiteral("Sale")));
}

} // namespace

frmCollectionList::frmCollectionList(QWidget *parent) : ListWindow(parent)
{
    setObjectName(QStringLiteral("frmCollectionList"));
    setWindowTitle(Caption);
    setColumns({{QStringLiteral("客户帐号"), QStringLiteral("Account"), 900},
        {QStringLiteral("客户姓名"), QStringLiteral("Name"), 1300},
        {QStringLiteral("联系电话"), QStringLiteral("Phone"), 1300},
        {QStringLiteral("送水地址"), QStringLiteral("Address"), 2600},
        {QStringLiteral("欠款"), QStringLiteral("OwedMoney"), 1100, {}, ListColumn::Money},
        {QStringLiteral("欠瓶"), QStringLiteral("BottlesOut"), 800, {}, ListColumn::Number},
        {QStringLiteral("最早未结"), QStringLiteral("OldestOpen"), 1200, Qt::AlignCenter,
            ListColumn::Date},
        {QStringLiteral("未结单数"), QStringLiteral("OpenOrders"), 900, {}, ListColumn::Number},
        {QStringLiteral("送水工"), QStringLiteral("SenderName"), 1100}});
    setTotals({4, 5, 7}, nullptr);
    setTotalsLabel(3, QStringLiteral("合      计"));
    setTotalsFromRows(true);
    // One row per customer, summed: read whole.
    setReadsWhole(true);
    setClosesOnDeactivation(false);
    setGridCaption(QStringLiteral(":::") + Caption + QStringLiteral(":::"));
    setPrintTitle(QStringLiteral("\t") + Caption);

    curShortSQL = shortSQL();
    curSortSQL = QStringLiteral(" ORDER BY OwedMoney Desc");
    if (!gIsHeadStation)
        m_criteria.stationId = gStationID;
    curFilterSQL = filterSQL(m_criteria);
    curGroupSQL = groupSQL(m_criteria, QDate::currentDate());

    ListCommands &c = commands();
    offerPrintCommands(true);
    c.ShowFilter = std::bind_front(&frmCollectionList::ShowFilter, this);
    c.EditData = std::bind_front(&ListWindow::showSelectedAccount, this);
    c.ShowAccount = c.EditData;
    DataRefresh();
}

QString frmCollectionList::filterSQL(const Criteria &criteria)
{
    QString sql;
    if (criteria.stationId)
        sql += QStringLiteral(" and Customer.StationID=%1").arg(*criteria.stationId);
    if (criteria.senderId)
        sql += QStringLiteral(" and Sale.SenderID=%1").arg(*criteria.senderId);
    if (criteria.customerType)
        sql += QStringLiteral(" and Customer.CustType=%1").arg(*criteria.customerType);
    return sql;
}

QString frmCollectionList::groupSQL(const Criteria &criteria, const QDate &today)
{
    QStringList having;
    if (criteria.minimumOwed)
        having << QStringLiteral("sum(%1)>=%2")
                      .arg(CustomerAccount::owedMoneySql(), criteria.minimumOwed->toSqlText());
    if (criteria.olderThanDays)
        having << QStringLiteral("min(Sale.CreateDate)<=%1")
                      .arg(mDatabase::dialect().dateLiteral(
                          today.addDays(-*criteria.olderThanDays)));
    QString sql = QStringLiteral(
        " GROUP BY Customer.ID,Customer.Account,Customer.Name,Customer.Phone,Customer.Address");
    if (!having.isEmpty())
        sql += QStringLiteral(" HAVING ") + having.join(QStringLiteral(" and "));
    return sql;
}

void frmCollectionList::applyCriteria(const Criteria &criteria, const QString &description)
{
    keepDefaultView();
    // No criteria: the list as it opened, sorted as it opened.
    if (!criteria.stationId && !criteria.senderId && !criteria.customerType && !criteria.minimumOwed
        && !criteria.olderThanDays)
        restoreDefaultView();
    m_criteria = criteria;
    // A branch sees its own customers whatever the filter says.
    if (!gIsHeadStation)
        m_criteria.stationId = gStationID;
    curFilterSQL = filterSQL(m_criteria);
    curGroupSQL = groupSQL(m_criteria, QDate::currentDate());
    setFilterState({}, description);
    DataRefresh();
}

void frmCollectionList::ShowFilter()
{
    frmCollectionFilter dialog(m_criteria, this);
    if (dialog.exec() == QDialog::Accepted)
        applyCriteria(dialog.criteria(), dialog.description());
}
