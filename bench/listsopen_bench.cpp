// What a save and a settle cost with no list open and with the sale lists
// open, scrolled and sorted, on a generated database (pelkor_bench
// --generate). Prints figures; nothing here asserts.
#include "datastore/connectiontarget.h"
#include "datastore/mdatabase.h"
#include "lists/frmsaleadmin.h"
#include "sales/salesettling.h"
#include "sales/salewriter.h"
#include "shell/loginstate.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTableView>
#include <QTextStream>

#include <algorithm>

namespace {

QTextStream out(stdout);

struct Costs {
    double save = 0;
    double settle = 0;
    int saved = 0;
    int settled = 0;
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

// Median of `rounds` saves of one sale, and of as many settles of one open order.
Costs measure(int rounds)
{
    const auto product = mDatabase::OpenRecordset(
        QStringLiteral("select min(ID) from Product where IsContainer='0' and Status='1'"));
    const auto open = mDatabase::OpenRecordset(QStringLiteral(
        "select ID from Sale where FinishFlag='0' and InMoney<TotalMoney order by ID"));
    if (!product || product->isEmpty() || !open || open->recordCount() < rounds)
        return {};
    static int n = 0;
    QList<double> saves;
    QList<double> settles;
    Costs costs;
    for (int i = 0; i < rounds; ++i) {
        SaleRecord sale;
        sale.address = QStringLiteral("测速路%1号").arg(QDateTime::currentMSecsSinceEpoch() + ++n);
        sale.createDate = QDate::currentDate();
        sale.stationId = 1;
        sale.userId = 1;
        sale.lines = {{.productId = product->value(0, 0).toLongLong(),
            .price = Currency::fromInt(10),
            .amount = 1,
            .money = Currency::fromInt(10),
            .name = {},
            .unit = {}}};
        sale.totalAmount = 1;
        sale.totalMoney = Currency::fromInt(10);
        QElapsedTimer t;
        t.start();
        const bool saved = SaleWriter::saveNew(sale, QDate::currentDate()) > 0;
        saves << t.nsecsElapsed() / 1e6;
        costs.saved += saved;
        t.restart();
        const bool settled
            = SaleSettling::settle(SaleSettling::Step::InMoney, open->value(i, 0).toLongLong())
            == SaleSettling::Outcome::Done;
        settles << t.nsecsElapsed() / 1e6;
        costs.settled += settled;
    }
    costs.save = median(saves);
    costs.settle = median(settles);
    return costs;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("database"), QStringLiteral("sqlite:FILE or pgsql://…"),
        QStringLiteral("url")});
    parser.addOption({QStringLiteral("rounds"), QStringLiteral("saves and settles each"),
        QStringLiteral("n"), QStringLiteral("20")});
    parser.process(app);
    ConnectionTarget target;
    QString error;
    if (!ConnectionTarget::fromUrl(parser.value(QStringLiteral("database")), &target, &error)
        || !mDatabase::OpenConnection(target, &error)) {
        out << error << Qt::endl;
        return 1;
    }
    setSession({.userID = 1, .stationID = 1, .isHeadStation = true});
    const QString kind = target.kind == SqlDialect::SQLite ? QStringLiteral("SQLite")
                                                           : QStringLiteral("PostgreSQL/ODBC");
    const int rounds = parser.value(QStringLiteral("rounds")).toInt();

    const Costs alone = measure(rounds);
    frmSaleAdmin today;
    today.resize(1000, 700);
    today.DataRefresh();
    today.show();
    frmSaleAdmin all;
    all.resize(1000, 700);
    all.curFilterSQL.clear();
    all.DataRefresh();
    all.show();
    all.model()->fetchMore();
    all.grid()->scrollTo(all.model()->index(all.model()->rowCount() / 2, 0));
    QApplication::processEvents();
    all.sortByColumn(3);
    QApplication::processEvents();
    const Costs withLists = measure(rounds);
    out << kind << ": save one sale " << alone.save << " ms alone, " << withLists.save
        << " ms with the lists open; settle one order " << alone.settle << " ms alone, "
        << withLists.settle << " ms with the lists open (medians of " << rounds << "; saved "
        << alone.saved + withLists.saved << ", settled " << alone.settled + withLists.settled
        << " of " << 2 * rounds << ")" << Qt::endl;
    return 0;
}
