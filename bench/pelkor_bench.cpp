// Timed scenarios of the sale list on a large database. Prints figures;
// nothing here asserts.
#include "benchdata.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "lists/frmsaleadmin.h"
#include "shell/loginstate.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTableView>
#include <QTextStream>

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

double clientFloor(const ConnectionTarget &target, const QString &sql)
{
    QProcess p;
    QStringList args;
    QString program;
    const QString limited = sql + QStringLiteral(" LIMIT 256");
    if (target.kind == SqlDialect::SQLite) {
        program = QStringLiteral("sqlite3");
        args << target.host << limited;
    } else {
        program = QStringLiteral("psql");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGPASSWORD"), target.password);
        p.setProcessEnvironment(env);
        args << QStringLiteral("-h") << target.host << QStringLiteral("-p")
             << QString::number(target.port) << QStringLiteral("-U") << target.user
             << QStringLiteral("-d") << target.database << QStringLiteral("-c") << limited;
    }
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return -1;
    return ms(t);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption(
        {QStringLiteral("database"), QStringLiteral("database URL"), QStringLiteral("URL")});
    parser.addOption({QStringLiteral("generate"),
        QStringLiteral("fill an empty database with N orders"), QStringLiteral("N")});
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
        if (!BenchData::generate(shape, QDate::currentDate(), &error)) {
            out << "generation failed: " << error << Qt::endl;
            return 1;
        }
        out << "generated in " << ms(t) / 1000 << " s" << Qt::endl;
        return 0;
    }

    setSession({.userID = 1, .stationID = 1, .isHeadStation = true});
    mDatabase::SetSysValue(QStringLiteral("AutoDataRefresh"), QStringLiteral("0"));
    const QString kind = target.kind == SqlDialect::SQLite ? QStringLiteral("SQLite")
                                                           : QStringLiteral("PostgreSQL/ODBC");

    {
        // A new search with nothing ticked and every order: the whole table.
        frmSaleAdmin list;
        list.resize(1000, 700);
        list.curFilterSQL.clear();
        const double first = firstScreen(list);
        const double floor = clientFloor(target, list.curFullSQL);
        out << kind << ": all orders, first screen " << first << " ms (" << list.model()->rowCount()
            << " rows fetched); database client, first 256 rows: " << floor << " ms" << Qt::endl;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 20; ++i) {
            if (list.model()->canFetchMore())
                list.model()->fetchMore();
        }
        out << kind << ": 20 more screens while scrolling " << ms(t) << " ms" << Qt::endl;
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
    out << kind << ": peak memory " << peakMemoryMB() << " MB" << Qt::endl;
    return 0;
}
