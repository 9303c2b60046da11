#include "reports/todayreport.h"

#include "datastore/mdatabase.h"

#include <QHash>

#include <algorithm>
#include <memory>

namespace TodayReport {
namespace {

struct Product {
    qint64 id = 0;
    QString name;
};
struct Sender {
    qint64 id = 0;
    QString name;
    qint64 station = 0;
};
struct Station {
    qint64 id = 0;
    QString name;
};

struct Sums {
    Currency amount;
    Currency money;
    Sums &operator+=(const Sums &o)
    {
        amount += o.amount;
        money += o.money;
        return *this;
    }
};

// The day's totals of delivered sales; each empty when no sale qualifies.
struct DayTotals {
    std::optional<Currency> amount, money, inMoney, lackContainer, lackMoney;
};

std::optional<Currency> nullable(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return std::nullopt;
    return Currency::fromVariant(value);
}

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

void addTo(std::optional<Currency> &sum, const std::optional<Currency> &value)
{
    if (value)
        sum = sum.value_or(Currency()) + *value;
}

Sums sumsOf(const Recordset &rs, int row)
{
    return {Currency::fromVariant(rs.value(row, QStringLiteral("ProductAmount"))),
        Currency::fromVariant(rs.value(row, QStringLiteral("ProductMoney")))};
}

QString id(qint64 value)
{
    return QString::number(value);
}

// Where the figures come from. Every question is asked for one station (or
// for all, where the group report asks without a station condition).
class Figures {
public:
    virtual ~Figures() = default;
    // Reads what the answers below need; false after a reported failure.
    virtual bool prepare() { return true; }
    virtual bool dayTotals(std::optional<qint64> station, DayTotals *out) = 0;
    virtual bool productSales(qint64 station, qint64 product, Sums *out) = 0;
    virtual bool senderOwedMoney(std::optional<qint64> station, qint64 sender, Sums *out) = 0;
    virtual bool senderOwedBottles(std::optional<qint64> station, qint64 sender, Sums *out) = 0;
    virtual bool bottlesOwed(qint64 station, qint64 product, Sums *out) = 0;
    virtual bool stockBalance(qint64 station, qint64 product, Sums *out) = 0;
};

// One statement per figure, word for word as the figures are defined.
class RowByRowFigures : public Figures {
public:
    explicit RowByRowFigures(const QDate &date) : m_date(mDatabase::dialect().dateLiteral(date)) { }

    bool dayTotals(std::optional<qint64> station, DayTotals *out) override
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
    bool productSales(qint64 station, qint64 product, Sums *out) override
    {
        return sums(
            QStringLiteral("select Sum(MyAmount) as ProductAmount,sum(MyMoney) as "
                           "ProductMoney  from Sale,sale_detail where "
                           "Sale.ID=Sale_Detail.SaleID and Sale.TotalAmount-Sale.OutAmount=0 "
                           "and Sale.CreateDate=%1 and Sale_Detail.ProductID=%2 AND "
                           "Sale.StationID=%3")
                .arg(m_date, id(product), id(station)),
            out);
    }
    bool senderOwedMoney(std::optional<qint64> station, qint64 sender, Sums *out) override
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
    bool senderOwedBottles(std::optional<qint64> station, qint64 sender, Sums *out) override
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
    bool bottlesOwed(qint64 station, qint64 product, Sums *out) override
    {
        return sums(
            QStringLiteral("select Sum(MyAmount) as ProductAmount,sum(MyMoney) as "
                           "ProductMoney  from Sale,sale_detail where "
                           "Sale.ID=Sale_Detail.SaleID and "
                           "(Sale.TotalContainer-Sale.InContainer>0) and "
                           "(Sale.TotalAmount-Sale.OutAmount=0) and Sale.CreateDate=%1 and  "
                           "Sale_Detail.IsContainer='1' and Sale_Detail.ProductID=%2 AND "
                           "Sale.StationID=%3")
                .arg(m_date, id(product), id(station)),
            out);
    }
    bool stockBalance(qint64 station, qint64 product, Sums *out) override
    {
        const QString store = QStringLiteral(
            "Select Sum(Store_Detail.MyAmount) as ProductAmount, Sum(Store_Detail.MyMoney) as "
            "ProductMoney from Store,Store_Detail where Store.ID=Store_Detail.StoreID %1 and "
            "Store_Detail.ProductID=%2 and Store.CreateDate<=%3 AND Store.StationID=%4");
        Sums in, out_, open;
        if (!sums(store.arg(
                      QStringLiteral("and Store.Direction='0'"), id(product), m_date, id(station)),
                &in)
            || !sums(store.arg(QStringLiteral(" and Store.Direction='1'"), id(product), m_date,
                         id(station)),
                &out_)
            || !sums(
                QStringLiteral(
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

private:
    static bool sums(const QString &sql, Sums *out)
    {
        const auto rs = mDatabase::OpenRecordset(sql);
        if (!rs)
            return false;
        *out = rs->isEmpty() ? Sums() : sumsOf(*rs, 0);
        return true;
    }

    QString m_date;
};

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

template <typename T>
bool readList(
    const QString &sql, QVector<T> *out, const std::function<T(const Recordset &, int)> &make)
{
    const auto rs = mDatabase::OpenRecordset(sql);
    if (!rs)
        return false;
    for (int row = 0; row < rs->recordCount(); ++row)
        out->append(make(*rs, row));
    // The statements name no order; the report lists by ID so that it reads
    // the same on every database.
    std::sort(out->begin(), out->end(), [](const T &a, const T &b) { return a.id < b.id; });
    return true;
}

struct MasterData {
    QVector<Product> products, bottles;
    QVector<Sender> senders;
    QVector<Station> stations;

    bool load(Variant variant)
    {
        const auto product = [](const Recordset &rs, int row) {
            return Product{rs.value(row, QStringLiteral("ID")).toLongLong(),
                rs.value(row, QStringLiteral("Name")).toString()};
        };
        const auto sender = [](const Recordset &rs, int row) {
            return Sender{rs.value(row, QStringLiteral("ID")).toLongLong(),
                rs.value(row, QStringLiteral("Name")).toString(),
                rs.value(row, QStringLiteral("StationID")).toLongLong()};
        };
        const auto station = [](const Recordset &rs, int row) {
            return Station{rs.value(row, QStringLiteral("ID")).toLongLong(),
                rs.value(row, QStringLiteral("Name")).toString()};
        };
        return readList<Product>(
                   QStringLiteral("select * from Product where Status='1'"), &products, product)
            && readList<Product>(
                QStringLiteral("select * from Product where IsContainer='1' and Status='1'"),
                &bottles, product)
            && readList<Sender>(
                QStringLiteral("select * from Sender where Status='1'"), &senders, sender)
            && (variant == Variant::Station
                || readList<Station>(
                    QStringLiteral("Select * from Station Where Status='1'"), &stations, station));
    }
};

const QString Among = QStringLiteral("其  中：");

// "其  中：" before the first name of a group, blanks as wide before the others,
// so that the names line up.
QString label(int index, int blanks, const QString &name)
{
    return index == 0 ? QString(blanks, QLatin1Char(' ')) + Among + name
                      : QString(blanks + 8, QLatin1Char(' ')) + name;
}

class Writer {
public:
    Writer(Table *table, const std::function<void(int, int)> &progress, int maximum)
        : m_table(table), m_progress(progress), m_maximum(maximum)
    {
    }

    int row(const QString &item, std::optional<Currency> amount, std::optional<Currency> money)
    {
        if (m_next >= m_table->size())
            m_table->resize(m_next + 1);
        (*m_table)[m_next] = Row{item, amount, money};
        step(1);
        return m_next++;
    }
    void blank()
    {
        ++m_next;
        step(2);
    }
    void set(int at, std::optional<Currency> amount, std::optional<Currency> money)
    {
        (*m_table)[at].amount = amount;
        (*m_table)[at].money = money;
    }

private:
    void step(int by)
    {
        m_value = std::min(m_maximum, m_value + by);
        if (m_progress)
            m_progress(m_value, m_maximum);
    }

    Table *m_table;
    std::function<void(int, int)> m_progress;
    int m_maximum;
    int m_value = 0;
    int m_next = 0;
};

bool stationReport(const MasterData &md, Figures &f, qint64 station, Writer &w)
{
    DayTotals day;
    Sums s;
    if (!f.dayTotals(station, &day))
        return false;
    w.row(QStringLiteral("今日销售总额："), day.amount, day.money);
    for (int i = 0; i < md.products.size(); ++i) {
        if (!f.productSales(station, md.products[i].id, &s))
            return false;
        w.row(label(i, 9, md.products[i].name), s.amount, s.money);
    }
    w.blank();
    w.row(QStringLiteral("今日欠款总额："), std::nullopt, day.lackMoney);
    for (int i = 0; i < md.senders.size(); ++i) {
        if (!f.senderOwedMoney(station, md.senders[i].id, &s))
            return false;
        w.row(label(i, 9, md.senders[i].name), s.amount, s.money);
    }
    w.blank();
    w.row(QStringLiteral("今日欠瓶总额："), day.lackContainer, std::nullopt);
    for (int i = 0; i < md.senders.size(); ++i) {
        if (!f.senderOwedBottles(station, md.senders[i].id, &s))
            return false;
        w.row(label(i, 9, md.senders[i].name), s.amount, s.money);
    }
    for (int i = 0; i < md.bottles.size(); ++i) {
        if (!f.bottlesOwed(station, md.bottles[i].id, &s))
            return false;
        w.row(label(i, 9, md.bottles[i].name), s.amount, s.money);
    }
    w.blank();
    w.row(QStringLiteral("今日现金收入总额："), std::nullopt, day.inMoney);
    w.blank();
    const int header = w.row(QStringLiteral("今日库存余额："), std::nullopt, std::nullopt);
    Currency amount, money;
    for (int i = 0; i < md.products.size(); ++i) {
        if (!f.stockBalance(station, md.products[i].id, &s))
            return false;
        w.row(label(i, 10, md.products[i].name), s.amount, s.money);
        amount += s.amount;
        money = roundHalfEven(money + s.money);
    }
    w.set(header, amount, money);
    return true;
}

bool groupReport(const MasterData &md, Figures &f, Writer &w)
{
    const Currency zero;
    DayTotals all;
    Sums s;
    if (!f.dayTotals(std::nullopt, &all))
        return false;
    QVector<DayTotals> day(md.stations.size());
    for (int i = 0; i < md.stations.size(); ++i)
        if (!f.dayTotals(md.stations[i].id, &day[i]))
            return false;
    const auto sendersOf = [&](qint64 station) {
        QVector<Sender> list;
        for (const Sender &sender : md.senders)
            if (sender.station == station)
                list << sender;
        return list;
    };

    w.row(QStringLiteral("今日销售总额："), all.amount, all.money);
    for (int i = 0; i < md.stations.size(); ++i) {
        const Station &st = md.stations[i];
        w.row(label(i, 4, st.name), day[i].amount.value_or(zero), day[i].money.value_or(zero));
        for (int p = 0; p < md.products.size(); ++p) {
            if (!f.productSales(st.id, md.products[p].id, &s))
                return false;
            w.row(label(p, 17, md.products[p].name), s.amount, s.money);
        }
    }
    w.blank();
    w.row(QStringLiteral("今日欠款总额："), std::nullopt, all.lackMoney);
    for (int i = 0; i < md.stations.size(); ++i) {
        const Station &st = md.stations[i];
        w.row(label(i, 4, st.name), zero, day[i].lackMoney.value_or(zero));
        const QVector<Sender> senders = sendersOf(st.id);
        for (int k = 0; k < senders.size(); ++k) {
            if (!f.senderOwedMoney(std::nullopt, senders[k].id, &s))
                return false;
            w.row(label(k, 17, senders[k].name), zero, s.money);
        }
    }
    w.blank();
    w.row(QStringLiteral("今日欠瓶总额："), all.lackContainer, std::nullopt);
    for (int i = 0; i < md.stations.size(); ++i) {
        const Station &st = md.stations[i];
        w.row(label(i, 3, st.name), day[i].lackContainer.value_or(zero), zero);
        const QVector<Sender> senders = sendersOf(st.id);
        for (int k = 0; k < senders.size(); ++k) {
            if (!f.senderOwedBottles(std::nullopt, senders[k].id, &s))
                return false;
            w.row(label(k, 17, senders[k].name), s.amount, zero);
        }
        for (int b = 0; b < md.bottles.size(); ++b) {
            if (!f.bottlesOwed(st.id, md.bottles[b].id, &s))
                return false;
            w.row(label(b, 17, md.bottles[b].name), s.amount, zero);
        }
    }
    w.blank();
    w.row(QStringLiteral("今日现金收入总额："), std::nullopt, all.inMoney);
    for (int i = 0; i < md.stations.size(); ++i)
        w.row(label(i, 3, md.stations[i].name), std::nullopt, day[i].inMoney.value_or(zero));
    w.blank();
    const int header = w.row(QStringLiteral("今日库存余额："), std::nullopt, std::nullopt);
    Currency amount, money;
    for (int i = 0; i < md.stations.size(); ++i) {
        const Station &st = md.stations[i];
        const int stationRow = w.row(label(i, 3, st.name), std::nullopt, std::nullopt);
        Currency stationAmount, stationMoney;
        for (int p = 0; p < md.products.size(); ++p) {
            if (!f.stockBalance(st.id, md.products[p].id, &s))
                return false;
            w.row(label(p, 17, md.products[p].name), s.amount, s.money);
            stationAmount += s.amount;
            stationMoney += s.money;
        }
        w.set(stationRow, stationAmount, stationMoney);
        amount += stationAmount;
        money = roundHalfEven(money + stationMoney);
    }
    w.set(header, amount, money);
    return true;
}

} // namespace

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
    MasterData md;
    if (!md.load(options.variant))
        return std::nullopt;
    const bool group = options.variant == Variant::Group;
    const qint64 p = md.products.size(), c = md.bottles.size(), s = md.senders.size(),
                 n = md.stations.size();
    const qint64 rows = group ? 2 * n * p + n * c + 5 * n + 2 * s + 9 : 2 * p + c + 2 * s + 11;
    Table table(int(std::max<qint64>(rows, 26)));

    std::unique_ptr<Figures> figures;
    if (options.method == Method::RowByRow)
        figures = std::make_unique<RowByRowFigures>(options.reportDate);
    else
        figures = std::make_unique<SetBasedFigures>(
            options.reportDate, group ? std::nullopt : std::optional<qint64>(options.stationId));
    if (!figures->prepare())
        return std::nullopt;

    Writer writer(&table, options.progress, int(table.size()));
    const bool ok = group ? groupReport(md, *figures, writer)
                          : stationReport(md, *figures, options.stationId, writer);
    if (!ok)
        return std::nullopt;
    return table;
}

} // namespace TodayReport
