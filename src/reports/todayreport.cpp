#include "reports/todayreport.h"

#include "datastore/mdatabase.h"
#include "reports/todayfigures.h"
#include "reports/todaylayout.h"

#include <QHash>

#include <algorithm>

namespace TodayReport {
namespace {

std::optional<Currency> nullable(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return std::nullopt;
    return Currency::fromVariant(value);
}

void addTo(std::optional<Currency> &sum, const std::optional<Currency> &value)
{
    if (value)
        sum = sum.value_or(Currency()) + *value;
}

// The same figures from six grouped statements, read once and looked up.
class SetBasedFigures : public Figures {
public:
    SetBasedFigures(const QDate &date, std::optional<qint64> station)
        : m_date(mDatabase::dialect().dateLiteral(date)), m_station(station)
    {
    }

    bool prepare() override
    {
        // Only the station variant narrows the statements; the group variant
        // needs every station.
        const QString saleStation
            = m_station ? QStringLiteral(" and Sale.StationID=%1").arg(*m_station) : QString();
        const QString storeStation
            = m_station ? QStringLiteral(" and Store.StationID=%1").arg(*m_station) : QString();

        const auto totals = mDatabase::OpenRecordset(
            QStringLiteral(
                "SELECT StationID,sum(TotalMoney) as TodayMoney,sum(TotalAmount) as TodayAmount,"
                "sum(InMoney) as TodayInMoney,sum(TotalContainer-InContainer) as "
                "TodayLackContainer,sum(TotalMoney-InMoney) as TodayLackMoney from Sale where "
                "TotalAmount-OutAmount=0 AND CreateDate=%1%2 Group by StationID")
                .arg(m_date,
                    m_station ? QStringLiteral(" AND StationID=%1").arg(*m_station) : QString()));
        if (!totals)
            return false;
        for (int row = 0; row < totals->recordCount(); ++row)
            m_totals.insert(stationOf(*totals, row), totalsOf(*totals, row));

        return read(QStringLiteral(
                        "select Sale.StationID as StationID,Sale_Detail.ProductID as ID,"
                        "Sum(MyAmount) as ProductAmount,sum(MyMoney) as ProductMoney from "
                        "Sale,sale_detail where Sale.ID=Sale_Detail.SaleID and "
                        "Sale.TotalAmount-Sale.OutAmount=0 and Sale.CreateDate=%1%2 group by "
                        "Sale.StationID,Sale_Detail.ProductID")
                        .arg(m_date, saleStation),
                   &m_sales)
            && read(QStringLiteral(
                        "select Sale.StationID as StationID,Sale.SenderID as ID,Sum(MyAmount) as "
                        "ProductAmount,sum(MyMoney) as ProductMoney from Sale,sale_detail where "
                        "Sale_Detail.IsContainer='0' and Sale.ID=Sale_Detail.SaleID and "
                        "(Sale.TotalAmount-Sale.OutAmount=0) and (Sale.TotalMoney-Sale.InMoney)>0 "
                        "and Sale.CreateDate=%1%2 group by Sale.StationID,Sale.SenderID")
                        .arg(m_date, saleStation),
                &m_owedMoney)
            && readBottles(saleStation) && readStock(storeStation, saleStation);
    }

    bool dayTotals(std::optional<qint64> station, DayTotals *out) override
    {
        if (station) {
            *out = m_totals.value(*station);
            return true;
        }
        DayTotals all;
        for (const DayTotals &t : std::as_const(m_totals)) {
            addTo(all.amount, t.amount);
            addTo(all.money, t.money);
            addTo(all.inMoney, t.inMoney);
            addTo(all.lackContainer, t.lackContainer);
            addTo(all.lackMoney, t.lackMoney);
        }
        *out = all;
        return true;
    }
    bool productSales(qint64 station, qint64 product, Sums *out) override
    {
        *out = m_sales.value({station, product});
        return true;
    }
    bool senderOwedMoney(std::optional<qint64> station, qint64 sender, Sums *out) override
    {
        *out = acrossStations(m_owedMoney, station, sender);
        return true;
    }
    bool senderOwedBottles(std::optional<qint64> station, qint64 sender, Sums *out) override
    {
        *out = acrossStations(m_owedBottlesBySender, station, sender);
        return true;
    }
    bool bottlesOwed(qint64 station, qint64 product, Sums *out) override
    {
        *out = m_owedBottlesByProduct.value({station, product});
        return true;
    }
    bool stockBalance(qint64 station, qint64 product, Sums *out) override
    {
        const Key key{station, product};
        const Sums in = m_stockIn.value(key), taken = m_stockOut.value(key),
                   open = m_open.value(key);
        out->amount = in.amount - taken.amount - open.amount;
        out->money = in.money - taken.money - open.money;
        return true;
    }

private:
    using Key = std::pair<qint64, qint64>; // station, product or sender
    using Table = QHash<Key, Sums>;

    static qint64 stationOf(const Recordset &rs, int row)
    {
        return rs.value(row, QStringLiteral("StationID")).toLongLong();
    }

    static bool read(const QString &sql, Table *into)
    {
        const auto rs = mDatabase::OpenRecordset(sql);
        if (!rs)
            return false;
        for (int row = 0; row < rs->recordCount(); ++row)
            (*into)[{stationOf(*rs, row), rs->value(row, QStringLiteral("ID")).toLongLong()}]
                += sumsOf(*rs, row);
        return true;
    }

    // Bottle lines still out, by sender and by bottle, from one statement.
    bool readBottles(const QString &saleStation)
    {
        const auto rs = mDatabase::OpenRecordset(QStringLiteral(
            "select Sale.StationID as StationID,Sale.SenderID as SenderID,Sale_Detail.ProductID "
            "as ProductID,Sum(MyAmount) as ProductAmount,sum(MyMoney) as ProductMoney from "
            "Sale,sale_detail where Sale.ID=Sale_Detail.SaleID and "
            "(Sale.TotalContainer-Sale.InContainer>0) and (Sale.TotalAmount-Sale.OutAmount=0) "
            "and Sale.CreateDate=%1 and Sale_Detail.IsContainer='1'%2 group by "
            "Sale.StationID,Sale.SenderID,Sale_Detail.ProductID")
                                                     .arg(m_date, saleStation));
        if (!rs)
            return false;
        for (int row = 0; row < rs->recordCount(); ++row) {
            const qint64 station = stationOf(*rs, row);
            const Sums sums = sumsOf(*rs, row);
            m_owedBottlesBySender[{
                station, rs->value(row, QStringLiteral("SenderID")).toLongLong()}]
                += sums;
            m_owedBottlesByProduct[{
                station, rs->value(row, QStringLiteral("ProductID")).toLongLong()}]
                += sums;
        }
        return true;
    }

    // Stock in and out up to the date, and what is delivered but not closed.
    bool readStock(const QString &storeStation, const QString &saleStation)
    {
        const auto rs = mDatabase::OpenRecordset(QStringLiteral(
            "Select Store.StationID as StationID,Store.Direction as Direction,"
            "Store_Detail.ProductID as ID,Sum(Store_Detail.MyAmount) as ProductAmount,"
            "Sum(Store_Detail.MyMoney) as ProductMoney from Store,Store_Detail where "
            "Store.ID=Store_Detail.StoreID and Store.Direction in ('0','1') and "
            "Store.CreateDate<=%1%2 group by Store.StationID,Store.Direction,"
            "Store_Detail.ProductID")
                                                     .arg(m_date, storeStation));
        if (!rs)
            return false;
        for (int row = 0; row < rs->recordCount(); ++row) {
            Table &into
                = rs->value(row, QStringLiteral("Direction")).toString() == QLatin1String("0")
                ? m_stockIn
                : m_stockOut;
            into[{stationOf(*rs, row), rs->value(row, QStringLiteral("ID")).toLongLong()}]
                += sumsOf(*rs, row);
        }
        return read(
            QStringLiteral(
                "select Sale.StationID as StationID,Sale_detail.ProductID as ID,"
                "sum(Sale_detail.MyAmount) as ProductAmount ,sum(Sale_detail.MyMoney) as "
                "ProductMoney from Sale,Sale_Detail where Sale_detail.SaleID=sale.id and "
                "(Sale.TotalAmount-Sale.OutAmount=0) and Sale.FinishFlag='0' and "
                "((Sale_Detail.IsContainer='0') or (Sale_Detail.IsContainer='1' and "
                "(Sale.TotalContainer-Sale.InContainer>0))) and Sale.CreateDate <=%1%2 group by "
                "Sale.StationID,Sale_detail.ProductID")
                .arg(m_date, saleStation),
            &m_open);
    }

    static Sums acrossStations(const Table &table, std::optional<qint64> station, qint64 id)
    {
        if (station)
            return table.value({*station, id});
        Sums all;
        for (auto it = table.cbegin(); it != table.cend(); ++it)
            if (it.key().second == id)
                all += it.value();
        return all;
    }

    QString m_date;
    std::optional<qint64> m_station;
    QHash<qint64, DayTotals> m_totals;
    Table m_sales, m_owedMoney, m_owedBottlesBySender, m_owedBottlesByProduct;
    Table m_stockIn, m_stockOut, m_open;
};

} // namespace

DayTotals totalsOf(const Recordset &rs, int row)
{
    DayTotals t;
    t.money = nullable(rs.value(row, QStringLiteral("TodayMoney")));
    t.amount = nullable(rs.value(row, QStringLiteral("TodayAmount")));
    t.inMoney = nullable(rs.value(row, QStringLiteral("TodayInMoney")));
    t.lackContainer = nullable(rs.value(row, QStringLiteral("TodayLackContainer")));
    t.lackMoney = nullable(rs.value(row, QStringLiteral("TodayLackMoney")));
    return t;
}

Sums sumsOf(const Recordset &rs, int row)
{
    return {Currency::fromVariant(rs.value(row, QStringLiteral("ProductAmount"))),
        Currency::fromVariant(rs.value(row, QStringLiteral("ProductMoney")))};
}

Currency roundHalfEven(Currency value)
{
    const std::int64_t units = value.units();
    std::int64_t whole = units / Currency::Scale;
    const std::int64_t rest = units % Currency::Scale; // same sign as units
    const std::int64_t twice = 2 * (rest < 0 ? -rest : rest);
    const int sign = units < 0 ? -1 : 1;
    if (twice > Currency::Scale || (twice == Currency::Scale && whole % 2 != 0))
        whole += sign;
    return Currency::fromInt(whole);
}

std::optional<Table> build(const Options &options)
{
    SetBasedFigures figures(options.reportDate,
        options.variant == Variant::Group ? std::nullopt
                                          : std::optional<qint64>(options.stationId));
    return build(options, figures);
}

std::optional<Table> build(const Options &options, Figures &figures)
{
    MasterData md;
    if (!md.load(options.variant))
        return std::nullopt;
    Table table(std::max(md.rowCount(options.variant), 26));
    if (!figures.prepare() || !writeLayout(md, figures, options, &table))
        return std::nullopt;
    return table;
}

} // namespace TodayReport
