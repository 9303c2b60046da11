// Time from a ringing telephone to its customer in the sale form: the
// simulated line is rung 100 times from another thread, as `pelkor --ring`
// does from another process, among 100,000 customers. Prints figures;
// nothing here asserts.
#include "callerid/ctapiline.h"
#include "callerid/linedevice.h"
#include "callerid/simulatedline.h"
#include "datastore/connectiontarget.h"
#include "datastore/mdatabase.h"
#include "sales/frmsale.h"
#include "sales/incomingcall.h"
#include "shell/frmsystemsetup.h"
#include "shell/loginstate.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

QTextStream out(stdout);

const int Customers = 100000;
const int Rings = 100;

QString phoneOf(int i)
{
    return QString::number(87000000 + i);
}

// The customers, and a few weeks of orders for those who will ring, so the
// form also has a history to show. Kept between runs on the same database.
bool generate(QString *error)
{
    using mDatabase::ExecuteSQL;
    const auto rs = mDatabase::OpenRecordset(
        QStringLiteral("select count(*) as N from Customer where Address like '来电客户%'"));
    if (!rs) {
        *error = QStringLiteral("cannot count customers");
        return false;
    }
    if (rs->value(0, QStringLiteral("N")).toInt() >= Customers)
        return true;
    QElapsedTimer t;
    t.start();
    const bool ok = ExecuteSQL(QStringLiteral(
        "insert into Customer(Account,Name,Phone,Address,Detail,CustType,Status,UserID,"
        "StationID) with recursive n(i) as (select 0 union all select i+1 from n where i<%1) "
        "select 500000+i, '客户', cast(87000000+i as varchar(10)), "
        "'来电客户' || cast(i as varchar(10)), '', 1, '1', 1, 1 from n")
                                   .arg(Customers - 1));
    if (!ok) {
        *error = QStringLiteral("cannot generate customers");
        return false;
    }
    ExecuteSQL(QStringLiteral("insert into Sender(Name,Status,StationID) values('送水工','1',1)"));
    for (int r = 0; r < Rings; ++r) {
        const int i = r * (Customers / Rings);
        for (int k = 0; k < 20; ++k)
            ExecuteSQL(
                QStringLiteral("insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,"
                               "CreateDate,FinishFlag,StationID) select ID,1,1,2,20,%1,'1',1 "
                               "from Customer where Phone=%2")
                    .arg(mDatabase::dialect().dateLiteral(QDate::currentDate().addDays(-k)),
                        mDatabase::SqlStr(phoneOf(i))));
    }
    out << "generated " << Customers << " customers in " << t.elapsed() << " ms" << Qt::endl;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption database(QStringList{QStringLiteral("database")},
        QStringLiteral("Database URL (a new SQLite file by default)."), QStringLiteral("URL"));
    parser.addOption(database);
    parser.process(app);

    QTemporaryDir dir;
    qputenv("PELKOR_REGISTRY", QFile::encodeName(dir.filePath(QStringLiteral("registry.reg"))));
    QString url = parser.value(database);
    if (url.isEmpty())
        url = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("ring.db"));
    ConnectionTarget target;
    QString error;
    if (!ConnectionTarget::fromUrl(url, &target, &error)
        || !mDatabase::OpenConnection(target, &error) || !generate(&error)) {
        out << "cannot prepare " << url << ": " << error << Qt::endl;
        return 1;
    }
    setSession({.userID = 1, .stationID = 1, .isHeadStation = true});

    tapi::LineSettings settings;
    settings.systemSerialPorts = false;
    settings.simulatedLineSocket = dir.filePath(QStringLiteral("line"));
    tapi::setLineSettings(settings);
    std::unique_ptr<cTAPILine> line;
    frmSystemSetup setup(&line);
    setup.Load();
    if (!line) {
        out << "the simulated line did not open" << Qt::endl;
        return 1;
    }

    frmSale form;
    form.mActionType = frmSale::New;
    if (!form.Load())
        return 1;
    form.show();
    auto *address = form.findChild<QLineEdit *>(QStringLiteral("txtCustAddress"));

    QElapsedTimer clock;
    qint64 shownAt = -1;
    QObject::connect(line.get(), &cTAPILine::InfoCallerID, &IncomingCall::Tapiline_InfoCallerID);
    // Connected after the program's own handler, so it runs once the
    // customer is in the form's fields; the paint follows at once.
    QObject::connect(line.get(), &cTAPILine::InfoCallerID, [&] {
        form.repaint();
        shownAt = clock.nsecsElapsed();
    });

    QVector<double> ms;
    int wrong = 0;
    for (int r = 0; r < Rings; ++r) {
        const int i = r * (Customers / Rings);
        const QString number = phoneOf(i);
        shownAt = -1;
        std::atomic<bool> done{false};
        clock.start();
        std::thread caller([&] {
            tapi::SimulatedLine::ring(number, nullptr, settings.simulatedLineSocket);
            done = true;
        });
        while ((!done || shownAt < 0) && clock.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        caller.join();
        if (shownAt < 0 || address->text() != QStringLiteral("来电客户%1").arg(i))
            ++wrong;
        else
            ms << shownAt / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    out << "ring to customer shown on " << target.describe() << ", " << Customers << " customers, "
        << Rings << " rings (goal: median under 50 ms)" << Qt::endl;
    if (ms.isEmpty()) {
        out << "  no ring showed its customer" << Qt::endl;
        return 1;
    }
    out << QStringLiteral("  median %1 ms, worst %2 ms, %3 rings without their customer")
               .arg(ms.at(ms.size() / 2), 0, 'f', 1)
               .arg(ms.last(), 0, 'f', 1)
               .arg(wrong)
        << Qt::endl;
    mDatabase::CloseConnection();
    return wrong == 0 ? 0 : 1;
}
