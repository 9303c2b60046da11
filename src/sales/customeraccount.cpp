#include "sales/customeraccount.h"

#include "datastore/mdatabase.h"
#include "shell/datetext.h"
#include "shell/loginstate.h"

#include <QHash>
#include <QStringList>

#include <algorithm>

namespace CustomerAccount {
namespace {

Currency amountOf(const Recordset &rs, int row, const char *column)
{
    return Currency::fromVariant(rs.value(row, QLatin1String(column)));
}

struct Line {
    QString product;
    Currency amount;
    bool bottle = false;
};

// Each order's lines, in the order they were typed.
std::optional<QHash<qint64, QVector<Line>>> readLines(qint64 customerId)
{
    const auto rs = mDatabase::OpenReportRecordset(
        QStringLiteral("select Sale_detail.SaleID as SaleID,Product.Name as Name,"
                       "Sale_detail.MyAmount as MyAmount,Sale_detail.IsContainer as IsContainer "
                       "from Sale,Sale_detail,Product where Sale.CustomerID=%1 and "
                       "Sale_detail.SaleID=Sale.ID and Product.ID=Sale_detail.ProductID "
                       "order by Sale_detail.SaleID,Sale_detail.ID")
            .arg(customerId));
    if (!rs)
        return std::nullopt;
    QHash<qint64, QVector<Line>> lines;
    for (int row = 0; row < rs->recordCount(); ++row)
        lines[rs->value(row, QStringLiteral("SaleID")).toLongLong()].append(
            {rs->value(row, QStringLiteral("Name")).toString().trimmed(),
                amountOf(*rs, row, "MyAmount"),
                rs->value(row, QStringLiteral("IsContainer")).toString() == QLatin1String("1")});
    return lines;
}

QString goodsText(const QVector<Line> &lines)
{
    QStringList parts;
    for (const Line &line : lines)
        parts << line.product + QStringLiteral("×") + line.amount.toSqlText();
    return parts.join(QStringLiteral("、"));
}

// The bottles an order still has out, laid on its bottle lines in the order
// they were typed: an order's returns are counted per order, not per kind.
void addBottlesOut(const QVector<Line> &lines, Currency out, QVector<BottlesOut> *byBottle)
{
    for (const Line &line : lines) {
        if (!line.bottle || out <= Currency())
            continue;
        const Currency here = line.amount < out ? line.amount : out;
        out -= here;
        auto it = std::find_if(byBottle->begin(), byBottle->end(),
            [&](const BottlesOut &b) { return b.product == line.product; });
        if (it == byBottle->end())
            byBottle->append({line.product, here});
        else
            it->out += here;
    }
}

} // namespace

QString owedMoneySql()
{
    return QStringLiteral(
        "case when Sale.FinishFlag='0' then Sale.TotalMoney-Sale.InMoney else 0 end");
}

QString bottlesOutSql()
{
    return QStringLiteral(
        "case when Sale.FinishFlag='0' then Sale.TotalContainer-Sale.InContainer else 0 end");
}

std::optional<Account> read(qint64 customerId, const Range &range, Failure *failure)
{
    *failure = Failure::None;
    if (!range.from.isNull() && !range.to.isNull() && range.to < range.from) {
        *failure = Failure::BadRange;
        return std::nullopt;
    }
    const auto customer = mDatabase::OpenReportRecordset(
        QStringLiteral("select Account,Name,Phone,Address,StationID from Customer where ID=%1")
            .arg(customerId));
    if (!customer) {
        *failure = Failure::ReadFailed;
        return std::nullopt;
    }
    if (customer->isEmpty()) {
        *failure = Failure::NoSuchCustomer;
        return std::nullopt;
    }
    Account a;
    a.customerId = customerId;
    a.account = customer->value(0, QStringLiteral("Account")).toLongLong();
    a.name = customer->value(0, QStringLiteral("Name")).toString().trimmed();
    a.phone = customer->value(0, QStringLiteral("Phone")).toString().trimmed();
    a.address = customer->value(0, QStringLiteral("Address")).toString().trimmed();
    a.stationId = customer->value(0, QStringLiteral("StationID")).toLongLong();
    if (!gIsHeadStation && a.stationId != gStationID) {
        *failure = Failure::OtherStation;
        return std::nullopt;
    }

    QString until;
    if (!range.to.isNull())
        until = QStringLiteral(" and CreateDate<=") + mDatabase::dialect().dateLiteral(range.to);
    const auto orders = mDatabase::OpenReportRecordset(
        QStringLiteral("select ID,CreateDate,TotalMoney,InMoney,TotalContainer,InContainer,"
                       "FinishFlag,%1 as Owed,%2 as BottlesOut from Sale where CustomerID=%3%4 "
                       "order by CreateDate,ID")
            .arg(owedMoneySql(), bottlesOutSql(), QString::number(customerId), until));
    const auto lines = orders ? readLines(customerId) : std::nullopt;
    if (!orders || !lines) {
        *failure = Failure::ReadFailed;
        return std::nullopt;
    }

    Currency owed, out;
    for (int row = 0; row < orders->recordCount(); ++row) {
        Order o;
        o.id = orders->value(row, QStringLiteral("ID")).toLongLong();
        o.date = DateText::fromValue(orders->value(row, QStringLiteral("CreateDate")));
        o.due = amountOf(*orders, row, "TotalMoney");
        o.paid = amountOf(*orders, row, "InMoney");
        o.owed = amountOf(*orders, row, "Owed");
        o.bottles = amountOf(*orders, row, "TotalContainer");
        o.back = amountOf(*orders, row, "InContainer");
        o.out = amountOf(*orders, row, "BottlesOut");
        o.closed
            = orders->value(row, QStringLiteral("FinishFlag")).toString() == QLatin1String("1");
        const QVector<Line> orderLines = lines->value(o.id);
        o.goods = goodsText(orderLines);
        owed += o.owed;
        out += o.out;
        addBottlesOut(orderLines, o.out, &a.outByBottle);
        if (!a.lastOrder.isValid() || o.date > a.lastOrder)
            a.lastOrder = o.date;
        if ((o.owed != Currency() || o.out != Currency())
            && (!a.oldestOpen.isValid() || o.date < a.oldestOpen))
            a.oldestOpen = o.date;
        if (!range.from.isNull() && o.date < range.from) {
            a.openingOwed += o.owed;
            a.openingOut += o.out;
            continue;
        }
        o.owedSoFar = owed;
        o.outSoFar = out;
        a.orders << o;
    }
    a.owed = owed;
    a.out = out;
    return a;
}

CollectionQuery collectionQuery(const Criteria &asked, const QDate &today)
{
    Criteria criteria = asked;
    if (!gIsHeadStation)
        criteria.stationId = gStationID;
    // An order with money or bottles still open; closed orders owe nothing.
    const QString open = QStringLiteral("%1.FinishFlag='0' and (%1.TotalMoney<>%1.InMoney or "
                                        "%1.TotalContainer<>%1.InContainer)");
    CollectionQuery q;
    q.select = QStringLiteral(
        "SELECT Customer.ID as ID,Customer.Account as Account,Customer.Name as Name,"
        "Customer.Phone as Phone,Customer.Address as Address,sum(%1) as OwedMoney,"
        "sum(%2) as BottlesOut,min(Sale.CreateDate) as OldestOpen,count(*) as OpenOrders,"
        "(select Sender.Name from Sale Newest,Sender where Sender.ID=Newest.SenderID and "
        "Newest.ID=(select max(Latest.ID) from Sale Latest where "
        "Latest.CustomerID=Customer.ID and %3)) as SenderName FROM Sale,Customer where "
        "Sale.CustomerID=Customer.ID and %4")
                   .arg(owedMoneySql(), bottlesOutSql(), open.arg(QStringLiteral("Latest")),
                       open.arg(QStringLiteral("Sale")));
    if (criteria.stationId)
        q.filter += QStringLiteral(" and Customer.StationID=%1").arg(*criteria.stationId);
    if (criteria.senderId)
        q.filter += QStringLiteral(" and Sale.SenderID=%1").arg(*criteria.senderId);
    if (criteria.customerType)
        q.filter += QStringLiteral(" and Customer.CustType=%1").arg(*criteria.customerType);
    QStringList having;
    if (criteria.minimumOwed)
        having
            << QStringLiteral("sum(%1)>=%2").arg(owedMoneySql(), criteria.minimumOwed->toSqlText());
    if (criteria.olderThanDays)
        having << QStringLiteral("min(Sale.CreateDate)<=%1")
                      .arg(mDatabase::dialect().dateLiteral(
                          today.addDays(-*criteria.olderThanDays)));
    q.group = QStringLiteral(
        " GROUP BY Customer.ID,Customer.Account,Customer.Name,Customer.Phone,Customer.Address");
    if (!having.isEmpty())
        q.group += QStringLiteral(" HAVING ") + having.join(QStringLiteral(" and "));
    q.sort = QStringLiteral(" ORDER BY OwedMoney Desc");
    return q;
}

QString failureText(Failure failure)
{
    switch (failure) {
    case Failure::None:
    case Failure::ReadFailed:
        break;
    case Failure::NoSuchCustomer:
        return QStringLiteral("找不到这个客户，可能已被其他工作站删除。");
    case Failure::OtherStation:
        return QStringLiteral("这个客户不属于本站，不能查看其帐户。");
    case Failure::BadRange:
        return QStringLiteral("结束日期早于开始日期，请重新选择日期。");
    }
    return {};
}

} // namespace CustomerAccount
