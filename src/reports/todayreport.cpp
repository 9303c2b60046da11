#include "reports/todayreport.h"

#include "datastore/mdatabase.h"
#include "reports/todayfigures.h"
#include "reports/todaylayout.h"

#include <QHash>
#include <QStringList>

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

// The same figures from six grouped statements, sent as one (a station
// across town waits a round trip for each statement), read once and looked
// up. Each row says which of the six it comes from; V1 and V2 are the
// amount and the money, and the day's totals add cash taken, bottles and
// money owed as V3 to V5.
class SetBasedFigures : public Figures {
public:
    SetBasedFigures(const QDate &date, std::optional<qint64> station)
        : m_date(mDatabase::dialect().dateLiteral(date)), m_station(station)
    {
    }

    bool prepare() override
    {
        const auto rs = mDatabase::OpenRecordset(statement());
        if (!rs)
            return false;
        for (int row = 0; row < rs->recordCount(); ++row) {
            const auto value = [&](const char *column) {
                return rs->value(row, QLatin1String(column));
            };
            const qint64 station = value("StationID").toLongLong();
            const qint64 first = value("K1").toLongLong(), second = value("K2").toLongLong();
            const Sums sums{Currency::fromVariant(value("V1")), Currency::fromVariant(value("V2"))};
            switch (value("Part").toInt()) {
            case DayPart:
                m_totals.insert(station,
                    DayTotals{nullable(value("V1")), nullable(value("V2")), nullable(value("V3")),
                        nullable(value("V4")), nullable(value("V5"))});
                break;
            case SalesPart:
                m_sales[{station, first}] += sums;
                break;
            case OwedMoneyPart:
                m_owedMoney[{station, first}] += sums;
                break;
            case OwedBottlesPart:
                m_owedBottlesBySender[{station, first}] += sums;
                m_owedBottlesByProduct[{station, second}] += sums;
                break;
            case StockPart:
                (second == 0 ? m_stockIn : m_stockOut)[{station, first}] += sums;
                break;
            case OpenPart:
                m_open[{station, first}] += sums;
                break;
            }
        }
        return true;
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

    enum Part { DayPart, SalesPart, OwedMoneyPart, OwedBottlesPart, StockPart, OpenPart };

    QString statement() const
    {
        // Only the station variant narrows the statements; the group variant
        // needs every station.
        const QString saleStation
            = m_station ? QStringLiteral(" and Sale.StationID=%1").arg(*m_station) : QString();
        const QString storeStation
            = m_station ? QStringLiteral(" and Store.StationID=%1").arg(*m_station) : QString();
        const QString noMore = QStringLiteral(",null,null,null");
        const QStringList parts{// The day's delivered sales.
            QStringLiteral(
                "SELECT %1 as Part,StationID,0 as K1,0 as K2,sum(TotalAmount) as V1,"
                "sum(TotalMoney) as V2,sum(InMoney) as V3,sum(TotalContainer-InContainer) as V4,"
                "sum(TotalMoney-InMoney) as V5 from Sale where TotalAmount-OutAmount=0 AND "
                "CreateDate=%2%3 Group by StationID")
                .arg(DayPart)
                .arg(m_date,
                    m_station ? QStringLiteral(" AND StationID=%1").arg(*m_station) : QString()),
            // What each product sold.
            QStringLiteral("select %1,Sale.StationID,Sale_Detail.ProductID,0,Sum(MyAmount),"
                           "sum(MyMoney)%2 from Sale,sale_detail where Sale.ID=Sale_Detail.SaleID "
                           "and Sale.TotalAmount-Sale.OutAmount=0 and Sale.CreateDate=%3%4 group "
                           "by Sale.StationID,Sale_Detail.ProductID")
                .arg(SalesPart)
                .arg(noMore, m_date, saleStation),
            // Money still owed on the day's sales, by delivery person.
            QStringLiteral("select %1,Sale.StationID,Sale.SenderID,0,Sum(MyAmount),sum(MyMoney)%2 "
                           "from Sale,sale_detail where Sale_Detail.IsContainer='0' and "
                           "Sale.ID=Sale_Detail.SaleID and (Sale.TotalAmount-Sale.OutAmount=0) "
                           "and (Sale.TotalMoney-Sale.InMoney)>0 and Sale.CreateDate=%3%4 group "
                           "by Sale.StationID,Sale.SenderID")
                .arg(OwedMoneyPart)
                .arg(noMore, m_date, saleStation),
            // Bottle lines still out, by delivery person and by bottle.
            QStringLiteral("select %1,Sale.StationID,Sale.SenderID,Sale_Detail.ProductID,"
                           "Sum(MyAmount),sum(MyMoney)%2 from Sale,sale_detail where "
                           "Sale.ID=Sale_Detail.SaleID and (Sale.TotalContainer-Sale.InContainer>0)"
                           " and (Sale.TotalAmount-Sale.OutAmount=0) and Sale.CreateDate=%3 and "
                           "Sale_Detail.IsContainer='1'%4 group by "
                           "Sale.StationID,Sale.SenderID,Sale_Detail.ProductID")
                .arg(OwedBottlesPart)
                .arg(noMore, m_date, saleStation),
            // Stock in (0) and out (1) up to the date.
            QStringLiteral("Select %1,Store.StationID,Store_Detail.ProductID,case Store.Direction "
                           "when '0' then 0 else 1 end,Sum(Store_Detail.MyAmount),"
                           "Sum(Store_Detail.MyMoney)%2 from Store,Store_Detail where "
                           "Store.ID=Store_Detail.StoreID and Store.Direction in ('0','1') and "
                           "Store.CreateDate<=%3%4 group by Store.StationID,Store.Direction,"
                           "Store_Detail.ProductID")
                .arg(StockPart)
                .arg(noMore, m_date, storeStation),
            // Delivered but not yet carried into the stock books.
            QStringLiteral("select %1,Sale.StationID,Sale_detail.ProductID,0,"
                           "sum(Sale_detail.MyAmount),sum(Sale_detail.MyMoney)%2 from "
                           "Sale,Sale_Detail where Sale_detail.SaleID=sale.id and "
                           "(Sale.TotalAmount-Sale.OutAmount=0) and Sale.FinishFlag='0' and "
                           "((Sale_Detail.IsContainer='0') or (Sale_Detail.IsContainer='1' and "
                           "(Sale.TotalContainer-Sale.InContainer>0))) and Sale.CreateDate <=%3%4 "
                           "group by Sale.StationID,Sale_detail.ProductID")
                .arg(OpenPart)
                .arg(noMore, m_date, saleStation)};
        return parts.join(QStringLiteral(" union all "));
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
