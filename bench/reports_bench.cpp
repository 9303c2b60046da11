// Timed scenarios of today's report, the day closing, the period reports
// and the sales chart on a large generated database, each next to the time
// the database's own client needs for the same figures. Prints figures;
// nothing here asserts.
#include "bench/benchdata.h"
#include "bench/todayreference.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "dbclient.h"
#include "reports/chartdata.h"
#include "reports/dayclosing.h"
#include "reports/frmchart.h"
#include "reports/periodreport.h"
#include "reports/todayreport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

QTextStream out(stdout);
QString kindName;

double ms(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Runs `work` once to warm the caches, then `runs` times; the median in ms.
double timed(int runs, const std::function<void()> &work)
{
    work();
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times << ms(t);
    }
    return median(times);
}

// The client's median over `runs` runs after one to warm up, each in a
// session that has run the same statements once untimed, as the program's
// connection has; -1 on failure.
double clientTimed(const ConnectionTarget &target, const QStringList &statements, int runs,
    DbClient::Result *last = nullptr)
{
    QList<double> times;
    DbClient::Result r;
    for (int i = 0; i <= runs; ++i) {
        r = DbClient::run(target, statements, QString(), statements);
        if (!r.ok) {
            out << kindName << ": database client failed: " << r.error << Qt::endl;
            return -1;
        }
        if (i > 0)
            times << r.ms;
    }
    if (last)
        *last = r;
    return median(times);
}

QString ratio(double ours, double floor)
{
    return floor > 0 ? QString::number(ours / floor, 'f', 2) + QLatin1Char('x')
                     : QStringLiteral("n/a");
}

QString fixed(double value)
{
    return QString::number(value, 'f', 1);
}

// Answers every question of the closing with yes, as the person at the
// screen who wants the closing done would.
class YesToAll : public Prompt::Handler {
public:
    int ask(const Prompt::Request &request) override
    {
        texts << request.text;
        return (request.buttons & Prompt::Yes) ? Prompt::Yes : Prompt::Ok;
    }
    QStringList texts;
};

QDate lastSaleDay()
{
    const auto rs
        = mDatabase::OpenRecordset(QStringLiteral("select max(CreateDate) as LastDay from Sale"));
    if (!rs || rs->isEmpty())
        return {};
    const QVariant v = rs->value(0, QStringLiteral("LastDay"));
    return v.typeId() == QMetaType::QDate ? v.toDate()
                                          : QDate::fromString(v.toString().left(10), Qt::ISODate);
}

// ---------------------------------------------------------------------------
// Today's report of the whole group.

// One statement giving every figure of the group report: day totals per
// station, sales per station and product, money owed per station and
// sender, bottles owed per station, sender and bottle, and the stock balance
// per station and product.
QString todayFloorSQL(const QString &day)
{
    return QStringLiteral(
        "select 'day' as k,StationID as s,0 as a,0 as b,sum(TotalAmount) as amount,"
        "sum(TotalMoney) as money,sum(InMoney) as inmoney,sum(TotalContainer-InContainer) as "
        "lackc,sum(TotalMoney-InMoney) as lackm from Sale where TotalAmount-OutAmount=0 and "
        "CreateDate=%1 group by StationID "
        "union all select 'sale',Sale.StationID,d.ProductID,0,sum(d.MyAmount),sum(d.MyMoney),0,0,0 "
        "from Sale join Sale_detail d on d.SaleID=Sale.ID where Sale.TotalAmount-Sale.OutAmount=0 "
        "and Sale.CreateDate=%1 group by Sale.StationID,d.ProductID "
        "union all select 'owed',Sale.StationID,Sale.SenderID,0,sum(d.MyAmount),sum(d.MyMoney),0,"
        "0,0 from Sale join Sale_detail d on d.SaleID=Sale.ID where d.IsContainer='0' and "
        "Sale.TotalAmount-Sale.OutAmount=0 and Sale.TotalMoney-Sale.InMoney>0 and "
        "Sale.CreateDate=%1 group by Sale.StationID,Sale.SenderID "
        "union all select 'bottles',Sale.StationID,Sale.SenderID,d.ProductID,sum(d.MyAmount),"
        "sum(d.MyMoney),0,0,0 from Sale join Sale_detail d on d.SaleID=Sale.ID where "
        "d.IsContainer='1' and Sale.TotalContainer-Sale.InContainer>0 and "
        "Sale.TotalAmount-Sale.OutAmount=0 and Sale.CreateDate=%1 group by "
        "Sale.StationID,Sale.SenderID,d.ProductID "
        "union all select 'stock',s,p,0,sum(amount),sum(money),0,0,0 from ("
        "select Store.StationID as s,d.ProductID as p,CASE WHEN Store.Direction='0' THEN "
        "d.MyAmount ELSE -d.MyAmount END as amount,CASE WHEN Store.Direction='0' THEN d.MyMoney "
        "ELSE -d.MyMoney END as money from Store join Store_detail d on d.StoreID=Store.ID where "
        "Store.Direction in ('0','1') and Store.CreateDate<=%1 "
        "union all select Sale.StationID,d.ProductID,-d.MyAmount,-d.MyMoney from Sale join "
        "Sale_detail d on d.SaleID=Sale.ID where Sale.TotalAmount-Sale.OutAmount=0 and "
        "Sale.FinishFlag='0' and (d.IsContainer='0' or (d.IsContainer='1' and "
        "Sale.TotalContainer-Sale.InContainer>0)) and Sale.CreateDate<=%1) x group by s,p")
        .arg(day);
}

const TodayReport::Row *findRow(const TodayReport::Table &table, const QString &item)
{
    for (const TodayReport::Row &row : table)
        if (row.item == item)
            return &row;
    return nullptr;
}

// The group totals of the report against the same sums of the client's rows.
bool sameFigures(const TodayReport::Table &table, const QStringList &rows)
{
    Currency sold, soldMoney, owed, stock;
    for (const QString &line : rows) {
        const QStringList f = line.split(QLatin1Char('|'));
        if (f.size() < 9)
            continue;
        const auto value = [&](int i) {
            return Currency::fromVariant(f[i]);
        };
        if (f[0] == QLatin1String("day")) {
            sold += value(4);
            soldMoney += value(5);
            owed += value(8);
        } else if (f[0] == QLatin1String("stock")) {
            stock += value(4);
        }
    }
    const auto *sales = findRow(table, QStringLiteral("今日销售总额："));
    const auto *lack = findRow(table, QStringLiteral("今日欠款总额："));
    const auto *balance = findRow(table, QStringLiteral("今日库存余额："));
    return sales && lack && balance && sales->amount == sold && sales->money == soldMoney
        && lack->money == owed && balance->amount == stock;
}

void benchToday(const ConnectionTarget &target, bool rowByRow)
{
    const QDate day = lastSaleDay();
    TodayReport::Options options;
    options.reportDate = day;
    options.stationId = 1;
    options.variant = TodayReport::Variant::Group;
    std::optional<TodayReport::Table> setBased;
    const double ours = timed(3, [&] { setBased = TodayReport::build(options); });
    if (!setBased) {
        out << kindName << ": today's report failed" << Qt::endl;
        return;
    }
    DbClient::Result client;
    const double floor
        = clientTimed(target, {todayFloorSQL(mDatabase::dialect().dateLiteral(day))}, 3, &client);
    out << kindName << ": today's report (group, " << setBased->size() << " rows, "
        << day.toString(Qt::ISODate) << "): set-based " << fixed(ours)
        << " ms; one statement by the database client " << fixed(floor) << " ms ("
        << ratio(ours, floor)
        << "); same figures: " << (sameFigures(*setBased, client.rows) ? "yes" : "NO") << Qt::endl;

    if (!rowByRow)
        return;
    TodayReport::RowByRowFigures reference(day);
    QElapsedTimer t;
    t.start();
    const auto table = TodayReport::build(options, reference);
    const double whole = ms(t);
    if (!table) {
        out << kindName << ": row-by-row report failed" << Qt::endl;
        return;
    }
    out << kindName << ": today's report row by row " << fixed(whole) << " ms ("
        << ratio(whole, ours)
        << " of set-based); identical table, cell by cell: " << (*table == *setBased ? "yes" : "NO")
        << Qt::endl;
}

// ---------------------------------------------------------------------------
// The six period reports over five years, and the chart of 60 months.

void benchPeriods(const ConnectionTarget &target)
{
    const QDate today = lastSaleDay();
    static const char *const names[] = {
        "day", "customer by day", "sender by day", "month", "customer by month", "sender by month"};
    for (int type = 0; type < 6; ++type) {
        PeriodReport::Parameters p;
        p.type = type;
        p.start = today.addYears(-5).addDays(1);
        p.end = today;
        p.stationId = 1;
        p.loginStationId = 1;
        p.isHeadStation = true;
        p.id = 1;
        const QString sql = PeriodReport::buildQuery(p, mDatabase::dialect()).curFullSQL();
        std::optional<QVector<PeriodReport::Row>> rows;
        const double ours = timed(3, [&] { rows = PeriodReport::rows(sql); });
        DbClient::Result client;
        const double floor = clientTimed(target, {sql}, 3, &client);
        out << kindName << ": period report " << type << " (" << names[type] << ", "
            << (rows ? rows->size() : -1) << " rows): " << fixed(ours) << " ms; database client "
            << fixed(floor) << " ms (" << ratio(ours, floor)
            << "); same row count: " << (rows && rows->size() == client.rows.size() ? "yes" : "NO")
            << Qt::endl;
        if (target.kind == SqlDialect::PostgreSQL) {
            // The program's connection reads every statement through a
            // server-side cursor (so that a long list shows its first
            // screen at once); PostgreSQL plans a cursor for its first rows
            // and never runs it in parallel. The same statement read the
            // same way by psql:
            const double cursor = clientTimed(target,
                {QStringLiteral("BEGIN"), QStringLiteral("DECLARE report CURSOR FOR %1").arg(sql),
                    QStringLiteral("FETCH ALL FROM report"), QStringLiteral("CLOSE report"),
                    QStringLiteral("COMMIT")},
                3);
            out << kindName << ":   the same through a cursor by the database client "
                << fixed(cursor) << " ms (" << ratio(ours, cursor) << ")" << Qt::endl;
        }
    }
}

void benchChart()
{
    const QDate today = lastSaleDay();
    PeriodReport::Parameters p;
    p.type = PeriodReport::MonthReport;
    p.start = QDate(today.year(), today.month(), 1).addMonths(-59);
    p.end = today;
    p.stationId = 1;
    p.loginStationId = 1;
    p.isHeadStation = true;
    const auto rows
        = PeriodReport::rows(PeriodReport::buildQuery(p, mDatabase::dialect()).curFullSQL());
    if (!rows) {
        out << kindName << ": month report failed" << Qt::endl;
        return;
    }
    // Built from the report's rows, laid out and drawn into an image.
    QList<double> times;
    qint64 pixels = 0;
    for (int i = 0; i < 11; ++i) {
        QElapsedTimer t;
        t.start();
        frmChart chart(QStringLiteral("月度销售额汇总表"), ChartData::fromRows(*rows));
        chart.resize(900, 560);
        chart.show();
        QApplication::processEvents();
        const QImage image = chart.grab().toImage();
        times << ms(t);
        pixels = qint64(image.width()) * image.height();
        chart.close();
    }
    const double first = times.takeFirst();
    out << kindName << ": chart of " << rows->size() << " months built and drawn (" << pixels
        << " pixels): first " << fixed(first) << " ms, then median " << fixed(median(times))
        << " ms, worst " << fixed(*std::max_element(times.begin(), times.end())) << " ms"
        << Qt::endl;
}

// ---------------------------------------------------------------------------
// The day closing carrying `carry` settled sales.

// Opens the newest sales again, as they were before the closings that
// carried them, so that exactly `carry` settled ones wait to be carried.
bool reopen(int carry, QString *error)
{
    if (!BenchData::reopenSettled(carry, error))
        return false;
    const QString analyze = mDatabase::dialect().kind() == SqlDialect::PostgreSQL
        ? QStringLiteral("VACUUM ANALYZE Sale, Sale_detail, Store, Store_detail")
        : QStringLiteral("ANALYZE");
    if (!mDatabase::ExecuteSQL(analyze)) {
        *error = analyze;
        return false;
    }
    return true;
}

// The same closing by hand: the bulk statements that leave the database as
// the closing does, the new documents' lines found by their ID range.
QStringList closingFloor(const QString &cutOff)
{
    const QString undelivered
        = QStringLiteral("FinishFlag='0' and (TotalAmount-OutAmount)>0 And CreateDate<=%1")
              .arg(cutOff);
    const QString settled = QStringLiteral("FinishFlag='0' and (TotalMoney-InMoney)=0 and "
                                           "(TotalContainer-InContainer)=0 And CreateDate<=%1")
                                .arg(cutOff);
    return {
        QStringLiteral("BEGIN"),
        QStringLiteral("create temp table ClosingStart as select coalesce(max(ID),0) as ID from "
                       "Store"),
        QStringLiteral("delete from Sale_detail where SaleID in (select ID from Sale where %1)")
            .arg(undelivered),
        QStringLiteral("delete from Sale where %1").arg(undelivered),
        QStringLiteral(
            "INSERT INTO Store(PaperID,CreateDate,TotalAmount,TotalMoney,Detail,UserID,HandInput,"
            "Direction,FinishFlag,StationID) select cast(ID as varchar(50)),CreateDate,"
            "TotalAmount,TotalMoney,'根据销售单自动生成',1,'0','1','1',StationID from Sale where "
            "%1")
            .arg(settled),
        QStringLiteral(
            "INSERT INTO Store_Detail(StoreID,ProductID,Price,MyAmount,MyMoney) select Store.ID,"
            "d.ProductID,d.Price,d.MyAmount,d.MyMoney from Store join Sale_detail d on "
            "d.SaleID=cast(Store.PaperID as integer) where Store.ID>(select ID from ClosingStart) "
            "and d.IsContainer<>'1'"),
        QStringLiteral("update Sale set FinishFlag='1' where %1").arg(settled),
        QStringLiteral(
            "update Store set FinishFlag='1' where FinishFlag<>'1' or FinishFlag is null"),
        QStringLiteral("COMMIT"),
    };
}

// What a closing leaves behind, to check that the floor did the same work.
QString footprint(const ConnectionTarget &target, const QString &database)
{
    const DbClient::Result r = DbClient::run(target,
        {QStringLiteral("select (select count(*) from Sale),(select count(*) from Sale where "
                        "FinishFlag='0'),(select count(*) from Sale_detail),(select count(*) "
                        "from Store),(select count(*) from Store_detail),(select count(*) from "
                        "Store where FinishFlag='0')")},
        database);
    return r.ok ? r.rows.value(0) : QStringLiteral("?");
}

void benchClosing(const ConnectionTarget &target, int carry)
{
    QString error;
    if (!reopen(carry, &error)) {
        out << kindName << ": cannot prepare the closing: " << error << Qt::endl;
        return;
    }
    const QDate cutOff = lastSaleDay();
    const QString cutOffText = mDatabase::dialect().dateLiteral(cutOff);

    // The floor runs on a copy of the database, so that both start alike.
    const bool pg = target.kind == SqlDialect::PostgreSQL;
    const QString copy
        = pg ? QStringLiteral("pelkor_floor") : target.host + QStringLiteral(".floor");
    mDatabase::CloseConnection();
    bool copied = false;
    if (pg) {
        const DbClient::Result r = DbClient::run(target,
            {QStringLiteral("DROP DATABASE IF EXISTS %1").arg(copy),
                QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(copy, target.database)},
            QStringLiteral("postgres"));
        copied = r.ok;
        if (!r.ok)
            error = r.error;
    } else {
        QFile::remove(copy);
        copied = QFile::copy(target.host, copy);
    }
    DbClient::Result floor;
    QString floorFootprint;
    if (copied) {
        // The session reads the tables once untimed, as the program's
        // connection has before it closes a day.
        floor = DbClient::run(target, closingFloor(cutOffText), copy,
            {QStringLiteral("select count(*) from Sale"),
                QStringLiteral("select count(*) from Sale_detail"),
                QStringLiteral("select count(*) from Store"),
                QStringLiteral("select count(*) from Store_detail")});
        floorFootprint = footprint(target, copy);
        if (pg)
            DbClient::run(
                target, {QStringLiteral("DROP DATABASE %1").arg(copy)}, QStringLiteral("postgres"));
        else
            QFile::remove(copy);
    }
    if (!floor.ok)
        out << kindName << ": closing floor failed: " << (copied ? floor.error : error) << Qt::endl;
    if (!mDatabase::OpenConnection(target, &error)) {
        out << kindName << ": cannot reopen: " << error << Qt::endl;
        return;
    }

    YesToAll yes;
    Prompt::setHandler(&yes);
    DayClosing::Options options;
    options.cutOff = cutOff.toString(Qt::ISODate);
    options.userId = 1;
    QElapsedTimer t;
    t.start();
    const DayClosing::Result result = DayClosing::FinishToday(options);
    const double closing = ms(t);
    Prompt::setHandler(nullptr);
    const QString ours = footprint(target, QString());
    QStringList steps;
    for (double s : floor.timings)
        steps << fixed(s);
    out << kindName << ": closing carrying " << result.carried << " sales: " << fixed(closing)
        << " ms; bulk statements by the database client " << fixed(floor.ms) << " ms ("
        << ratio(closing, floor.ms)
        << "); same result: " << (floor.ok && ours == floorFootprint ? "yes" : "NO") << " [" << ours
        << "]" << Qt::endl;
    out << kindName << ": floor steps (ms): " << steps.join(QStringLiteral(" / ")) << Qt::endl;
    if (result.outcome != DayClosing::Outcome::Closed)
        out << kindName << ": closing did not close: " << yes.texts.join(QStringLiteral(" | "))
            << Qt::endl;
}

} // namespace

int main(int argc, char *argv[])
{
    BenchData::quietOffscreen();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption(
        {QStringLiteral("database"), QStringLiteral("database URL"), QStringLiteral("URL")});
    parser.addOption({QStringLiteral("today"), QStringLiteral("today's report of the group")});
    parser.addOption(
        {QStringLiteral("row-by-row"), QStringLiteral("also today's report row by row")});
    parser.addOption({QStringLiteral("period"), QStringLiteral("the six period reports")});
    parser.addOption({QStringLiteral("chart"), QStringLiteral("the chart of 60 months")});
    parser.addOption({QStringLiteral("closing"),
        QStringLiteral("a closing carrying N settled sales (changes the database)"),
        QStringLiteral("N")});
    parser.process(app);

    ConnectionTarget target;
    QString error;
    if (!ConnectionTarget::fromUrl(parser.value(QStringLiteral("database")), &target, &error)
        || !mDatabase::OpenConnection(target, &error)) {
        out << "cannot open database: " << error << Qt::endl;
        return 1;
    }
    kindName = target.kind == SqlDialect::SQLite ? QStringLiteral("SQLite")
                                                 : QStringLiteral("PostgreSQL/ODBC");
    if (parser.isSet(QStringLiteral("today")))
        benchToday(target, parser.isSet(QStringLiteral("row-by-row")));
    if (parser.isSet(QStringLiteral("period")))
        benchPeriods(target);
    if (parser.isSet(QStringLiteral("chart")))
        benchChart();
    if (parser.isSet(QStringLiteral("closing")))
        benchClosing(target, parser.value(QStringLiteral("closing")).toInt());
    return 0;
}
