// Timed scenarios of the sale list on a large database. Prints figures;
// nothing here asserts.
#include "benchdata.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "dbclient.h"
#include "lists/frmcollectionlist.h"
#include "lists/frmsaleadmin.h"
#include "sales/customeraccount.h"
#include "sales/frmcustomeraccount.h"
#include "shell/loginstate.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <QTextStream>

#include <algorithm>

namespace {

QTextStream out(stdout);

double ms(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

// Peak resident memory of this process so far, in MB.
double peakMemoryMB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

// Time until the list shows its first screen of rows with the totals line.
double firstScreen(frmSaleAdmin &list)
{
    QElapsedTimer t;
    t.start();
    list.DataRefresh();
    list.show();
    QApplication::processEvents();
    list.grid()->viewport()->repaint();
    return ms(t);
}

// The database's own time for the list's first 256 rows, by its own client
// in a session that has run the statement once already.
double clientFloor(const ConnectionTarget &target, const QString &sql)
{
    const QString limited = sql + QStringLiteral(" LIMIT 256");
    const DbClient::Result r = DbClient::run(target, {limited}, QString(), {limited});
    return r.ok ? r.ms : -1;
}

// Puts a setting back as the benchmark found it, so that a copy of the
// benchmark's database behaves as the generated one.
class KeepSetting {
public:
    explicit KeepSetting(const QString &name)
        : m_name(name), m_value(mDatabase::GetSysValue(name, &m_ok))
    {
    }
    ~KeepSetting()
    {
        if (m_ok)
            mDatabase::SetSysValue(m_name, m_value);
    }
    KeepSetting(const KeepSetting &) = delete;
    KeepSetting &operator=(const KeepSetting &) = delete;

private:
    QString m_name;
    bool m_ok = false;
    QString m_value;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption(
        {QStringLiteral("database"), QStringLiteral("database URL"), QStringLiteral("URL")});
    parser.addOption({QStringLiteral("generate"),
        QStringLiteral("fill an empty database with N orders"), QStringLiteral("N")});
    parser.addOption({QStringLiteral("customers"),
        QStringLiteral("the generated orders' customers (one for every 50 orders)"),
        QStringLiteral("N")});
    parser.process(app);

    ConnectionTarget target;
    QString error;
    if (!ConnectionTarget::fromUrl(parser.value(QStringLiteral("database")), &target, &error)
        || !mDatabase::OpenConnection(target, &error)) {
        out << "cannot open database: " << error << Qt::endl;
        return 1;
    }
    if (parser.isSet(QStringLiteral("generate"))) {
        QElapsedTimer t;
        t.start();
        BenchData::Shape shape;
        shape.sales = parser.value(QStringLiteral("generate")).toInt();
        shape.customers = parser.value(QStringLiteral("customers")).toInt();
        if (!BenchData::generate(shape, QDate::currentDate(), &error)) {
            out << "generation failed: " << error << Qt::endl;
            return 1;
        }
        out << "generated in " << ms(t) / 1000 << " s" << Qt::endl;
        return 0;
    }

    setSession({.userID = 1, .stationID = 1, .isHeadStation = true});
    // The lists are read when the benchmark says, not when they are built.
    const KeepSetting keep(QStringLiteral("AutoDataRefresh"));
    mDatabase::SetSysValue(QStringLiteral("AutoDataRefresh"), QStringLiteral("0"));
    const QString kind = target.kind == SqlDialect::SQLite ? QStringLiteral("SQLite")
                                                           : QStringLiteral("PostgreSQL/ODBC");

    {
        // A new search with nothing ticked and every order: the whole table.
        // The list shows no totals for a search without conditions.
        frmSaleAdmin list;
        list.resize(1000, 700);
        list.curFilterSQL.clear();
        const double first = firstScreen(list);
        const double floor = clientFloor(target, list.curFullSQL);
        out << kind << ": all orders, first screen (no totals line) " << first << " ms ("
            << list.model()->rowCount()
            << " rows fetched); database client, first 256 rows: " << floor << " ms" << Qt::endl;
        // The same rows with a condition that holds for every order: now
        // the totals line is summed over the whole table.
        list.curFilterSQL = QStringLiteral(" and Sale.ID>0");
        const double withTotals = firstScreen(list);
        out << kind << ": all orders, first screen with the totals line " << withTotals << " ms"
            << Qt::endl;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 20; ++i) {
            if (list.model()->canFetchMore())
                list.model()->fetchMore();
        }
        out << kind << ": 20 more screens while scrolling " << ms(t) << " ms" << Qt::endl;
        // Memory counts once the operator has been to the end of the list.
        t.restart();
        while (list.model()->canFetchMore())
            list.model()->fetchMore();
        list.grid()->scrollToBottom();
        QApplication::processEvents();
        list.grid()->viewport()->repaint();
        out << kind << ": scrolled to the end (" << list.model()->rowCount() << " rows) in "
            << ms(t) << " ms; peak memory " << peakMemoryMB() << " MB" << Qt::endl;
    }
    {
        frmSaleAdmin list;
        list.resize(1000, 700);
        const double first = firstScreen(list);
        out << kind << ": default list (open and today's), first screen " << first << " ms, "
            << list.model()->rowCount() << " rows" << Qt::endl;
        list.grid()->setCurrentIndex(
            list.model()->index(qMin(100, list.model()->rowCount() - 1), 0));
        const QString id = list.selectedID();
        QElapsedTimer t;
        t.start();
        list.DataRefresh();
        QApplication::processEvents();
        out << kind << ": refresh keeping the selection " << ms(t)
            << " ms, kept: " << (list.selectedID() == id ? "yes" : "no") << Qt::endl;
    }
    {
        // Who owes: every customer with money or bottles open, first screen.
        QElapsedTimer t;
        t.start();
        frmCollectionList list;
        list.resize(1000, 700);
        list.show();
        QApplication::processEvents();
        list.grid()->viewport()->repaint();
        const double first = ms(t);
        out << kind << ": collection list, first screen " << first << " ms, "
            << list.model()->rowCount() << " customers; database client, first 256 rows: "
            << clientFloor(target, list.curFullSQL) << " ms" << Qt::endl;
    }
    {
        // One customer's account, opened for 20 customers spread over the
        // table: the window with its figures, median.
        const auto ids = mDatabase::OpenRecordset(QStringLiteral(
            "select min(CustomerID) as ID from Sale group by CustomerID % 20 order by 1"));
        QVector<double> times;
        QString sql;
        for (int i = 0; ids && i < ids->recordCount(); ++i) {
            const qint64 id = ids->value(i, QStringLiteral("ID")).toLongLong();
            QElapsedTimer t;
            t.start();
            frmCustomerAccount window;
            window.load(id);
            window.show();
            QApplication::processEvents();
            times << ms(t);
            sql = QStringLiteral("select ID,CreateDate,TotalMoney,InMoney,TotalContainer,"
                                 "InContainer,FinishFlag from Sale where CustomerID=%1 order by "
                                 "CreateDate,ID")
                      .arg(id);
        }
        std::sort(times.begin(), times.end());
        out << kind << ": customer account, median of " << times.size() << " "
            << (times.isEmpty() ? -1 : times[times.size() / 2])
            << " ms; database client, one customer's orders: " << clientFloor(target, sql) << " ms"
            << Qt::endl;
    }
    return 0;
}
