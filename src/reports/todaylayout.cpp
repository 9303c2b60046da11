#include "reports/todaylayout.h"

#include "datastore/mdatabase.h"
#include "reports/todayfigures.h"

#include <algorithm>

namespace TodayReport {
namespace {

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

bool MasterData::load(Variant variant)
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
            QStringLiteral("select * from Product where IsContainer='1' and Status='1'"), &bottles,
            product)
        && readList<Sender>(
            QStringLiteral("select * from Sender where Status='1'"), &senders, sender)
        && (variant == Variant::Station
            || readList<Station>(
                QStringLiteral("Select * from Station Where Status='1'"), &stations, station));
}

int MasterData::rowCount(Variant variant) const
{
    const qint64 p = products.size(), c = bottles.size(), s = senders.size(), n = stations.size();
    const qint64 rows = variant == Variant::Group ? 2 * n * p + n * c + 5 * n + 2 * s + 9
                                                  : 2 * p + c + 2 * s + 11;
    return int(rows);
}

bool writeLayout(const MasterData &md, Figures &figures, const Options &options, Table *table)
{
    Writer writer(table, options.progress, int(table->size()));
    return options.variant == Variant::Group
        ? groupReport(md, figures, writer)
        : stationReport(md, figures, options.stationId, writer);
}

} // namespace TodayReport
