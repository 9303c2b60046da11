#include "bench/todayreference.h"

#include "datastore/mdatabase.h"

namespace TodayReport {
namespace {

QString id(qint64 value)
{
    return QString::number(value);
}

} // namespace

RowByRowFigures::RowByRowFigures(const QDate &date) : m_date(mDatabase::dialect().dateLiteral(date))
{
}

bool RowByRowFigures::dayTotals(std::optional<qint64> station, DayTotals *out)
{
    QString sql = QStringLiteral(
        "SELECT sum(TotalMoney) as TodayMoney,sum(TotalAmount) as TodayAmount,sum(InMoney) as "
        "TodayInMoney,sum(TotalContainer-InContainer) as TodayLackContainer,sum(TotalMoney-"
        "InMoney) as TodayLackMoney from Sale where TotalAmount-OutAmount=0 AND CreateDate=%1")
                      .arg(m_date);
    if (station)
        sql += QStringLiteral(" AND StationID=%1").arg(*station);
    const auto rs = mDatabase::OpenRecordset(sql);
    if (!rs)
        return false;
    *out = rs->isEmpty() ? DayTotals() : totalsOf(*rs, 0);
    return true;
}

bool RowByRowFigures::productSales(qint64 station, qint64 product, Sums *out)
{
    return sums(QStringLiteral("select Sum(MyAmount) as ProductAmount,sum(MyMoney) as "
                               "ProductMoney  from Sale,sale_detail where "
                               "Sale.ID=Sale_Detail.SaleID and Sale.TotalAmount-Sale.OutAmount=0 "
                               "and Sale.CreateDate=%1 and Sale_Detail.ProductID=%2 AND "
                               "Sale.StationID=%3")
                    .arg(m_date, id(product), id(station)),
        out);
}

bool RowByRowFigures::senderOwedMoney(std::optional<qint64> station, qint64 sender, Sums *out)
{
    QString sql = QStringLiteral(
        "select Sum(MyAmount) as ProductAmount,sum(MyMoney) as ProductMoney  from "
        "Sale,sale_detail where Sale_Detail.IsContainer='0' and Sale.ID=Sale_Detail.SaleID and "
        "(Sale.TotalAmount-Sale.OutAmount=0) and (Sale.TotalMoney-Sale.InMoney)>0 and "
        "Sale.CreateDate=%1 and Sale.SenderID=%2")
                      .arg(m_date, id(sender));
    if (station)
        sql += QStringLiteral("  AND Sale.StationID=%1").arg(*station);
    return sums(sql, out);
}

bool RowByRowFigures::senderOwedBottles(std::optional<qint64> station, qint64 sender, Sums *out)
{
    QString sql = QStringLiteral(
        "select Sum(MyAmount) as ProductAmount,sum(MyMoney) as ProductMoney  from "
        "Sale,sale_detail where Sale.ID=Sale_Detail.SaleID and "
        "(Sale.TotalContainer-Sale.InContainer>0) and (Sale.TotalAmount-Sale.OutAmount=0) and "
        "Sale.CreateDate=%1 and Sale_Detail.IsContainer='1' and Sale.SenderID=%2")
                      .arg(m_date, id(sender));
    if (station)
        sql += QStringLiteral(" AND Sale.StationID=%1").arg(*station);
    return sums(sql, out);
}

bool RowByRowFigures::bottlesOwed(qint64 station, qint64 product, Sums *out)
{
    return sums(QStringLiteral("select Sum(MyAmount) as ProductAmount,sum(MyMoney) as "
                               "ProductMoney  from Sale,sale_detail where "
                               "Sale.ID=Sale_Detail.SaleID and "
                               "(Sale.TotalContainer-Sale.InContainer>0) and "
                               "(Sale.TotalAmount-Sale.OutAmount=0) and Sale.CreateDate=%1 and  "
                               "Sale_Detail.IsContainer='1' and Sale_Detail.ProductID=%2 AND "
                               "Sale.StationID=%3")
                    .arg(m_date, id(product), id(station)),
        out);
}

bool RowByRowFigures::stockBalance(qint64 station, qint64 product, Sums *out)
{
    const QString store = QStringLiteral(
        "Select Sum(Store_Detail.MyAmount) as ProductAmount, Sum(Store_Detail.MyMoney) as "
        "ProductMoney from Store,Store_Detail where Store.ID=Store_Detail.StoreID %1 and "
        "Store_Detail.ProductID=%2 and Store.CreateDate<=%3 AND Store.StationID=%4");
    Sums in, out_, open;
    if (!sums(
            store.arg(QStringLiteral("and Store.Direction='0'"), id(product), m_date, id(station)),
            &in)
        || !sums(
            store.arg(QStringLiteral(" and Store.Direction='1'"), id(product), m_date, id(station)),
            &out_)
        || !sums(QStringLiteral(
                     "select sum(Sale_detail.MyAmount) as ProductAmount ,sum(Sale_detail.MyMoney) "
                     "as ProductMoney from Sale,Sale_Detail where Sale_detail.SaleID=sale.id and "
                     "(Sale.TotalAmount-Sale.OutAmount=0) and Sale.FinishFlag='0' and "
                     "Sale_Detail.ProductID=%1 and ((Sale_Detail.IsContainer='0') or "
                     "(Sale_Detail.IsContainer='1' and (Sale.TotalContainer-Sale.InContainer>0))) "
                     "and Sale.CreateDate <=%2  AND Sale.StationID=%3")
                     .arg(id(product), m_date, id(station)),
            &open))
        return false;
    out->amount = in.amount - out_.amount - open.amount;
    out->money = in.money - out_.money - open.money;
    return true;
}

bool RowByRowFigures::sums(const QString &sql, Sums *out)
{
    const auto rs = mDatabase::OpenRecordset(sql);
    if (!rs)
        return false;
    *out = rs->isEmpty() ? Sums() : sumsOf(*rs, 0);
    return true;
}

} // namespace TodayReport
