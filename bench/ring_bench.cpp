// Time from a ringing telephone to its customer on screen, among 100,000
// customers, 100 rings each way, rung from another thread as `pelkor --ring`
// does from another process:
//  - the simulated line of the workstation, into an open new sale;
//  - through the line server (its own simulated line, served on TCP to the
//    workstation's network line), into an open new sale;
//  - the same with no sale open: ring to the notice of the call.
// Prints figures; nothing here asserts.
#include "callerid/ctapiline.h"
#include "callerid/linedevice.h"
#include "callerid/lineserver.h"
#include "callerid/simulatedline.h"
#include "datastore/connectiontarget.h"
#include "datastore/mdatabase.h"
#include "sales/callnotice.h"
#include "sales/frmsale.h"
#include "sales/incomingcall.h"
#include "shell/frmsystemsetup.h"
#include "shell/loginstate.h"
#include "shell/workstationline.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <atomic>
#include <functional>
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

    // Rings each customer in turn on the line whose socket is given, and
    // takes the time until `shown` says the caller is on screen; the window
    // is painted first.
    const auto measure = [&](cTAPILine *on, const QString &socket, const QString &what,
                             const std::function<bool(const QString &, int)> &shown,
                             const std::function<void()> &before) {
        QElapsedTimer clock;
        qint64 shownAt = -1;
        QObject::connect(on, &cTAPILine::InfoCallerID, &IncomingCall::Tapiline_InfoCallerID);
        // Connected after the program's own handler, so it runs once the
        // caller is on screen; the paint follows at once.
        const QMetaObject::Connection timing = QObject::connect(on, &cTAPILine::InfoCallerID, [&] {
            if (form.isVisible())
                form.repaint();
            if (CallNotice *notice = CallNotice::current())
                notice->repaint();
            shownAt = clock.nsecsElapsed();
        });
        QVector<double> ms;
        int wrong = 0;
        for (int r = 0; r < Rings; ++r) {
            const int i = r * (Customers / Rings);
            const QString number = phoneOf(i);
            before();
            shownAt = -1;
            std::atomic<bool> done{false};
            clock.start();
            std::thread caller([&] {
                tapi::SimulatedLine::ring(number, nullptr, socket);
                done = true;
            });
            while ((!done || shownAt < 0) && clock.elapsed() < 10000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            caller.join();
            if (shownAt < 0 || !shown(number, i))
                ++wrong;
            else
                ms << shownAt / 1e6;
        }
        QObject::disconnect(on, nullptr, nullptr, nullptr);
        Q_UNUSED(timing);
        std::sort(ms.begin(), ms.end());
        out << what << " on " << target.describe() << ", " << Customers << " customers, " << Rings
            << " rings (goal: median under 50 ms)" << Qt::endl;
        if (ms.isEmpty()) {
            out << "  no ring showed its customer" << Qt::endl;
            return false;
        }
        out << QStringLiteral("  median %1 ms, worst %2 ms, %3 rings without their customer")
                   .arg(ms.at(ms.size() / 2), 0, 'f', 1)
                   .arg(ms.last(), 0, 'f', 1)
                   .arg(wrong)
            << Qt::endl;
        return wrong == 0;
    };
    const auto inForm = [&](const QString &, int i) {
        return address->text() == QStringLiteral("来电客户%1").arg(i);
    };
    // Each caller's order saved or given up before the next rings: an empty
    // form is filled, one holding an order would keep it.
    const auto emptyForm = [&] {
        form.ResetInput();
    };
    bool ok = measure(line.get(), settings.simulatedLineSocket,
        QStringLiteral("ring to customer in the sale form, simulated line"), inForm, emptyForm);

    // The line server with a line of its own; this workstation listens to it.
    tapi::LineServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        out << "the line server cannot listen" << Qt::endl;
        return 1;
    }
    const QString serverSocket = dir.filePath(QStringLiteral("server-line"));
    server.serveDevice(new tapi::SimulatedLine(serverSocket));
    WorkstationLine::Settings here;
    here.server = QStringLiteral("127.0.0.1:%1").arg(server.serverPort());
    here.device = tapi::Identity::network(QStringLiteral("127.0.0.1"), server.serverPort());
    WorkstationLine::write(here);
    std::unique_ptr<cTAPILine> network;
    frmSystemSetup networkSetup(&network);
    networkSetup.Load();
    bool started = false;
    QObject::connect(network.get(), &cTAPILine::LineInService, [&](bool in) { started = in; });
    QElapsedTimer wait;
    wait.start();
    while (!started && wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!started) {
        out << "the workstation did not reach the line server" << Qt::endl;
        return 1;
    }
    ok = measure(network.get(), serverSocket,
             QStringLiteral("ring to customer in the sale form, through the line server"), inForm,
             emptyForm)
        && ok;
    form.hide();
    ok = measure(
             network.get(), serverSocket,
             QStringLiteral(
                 "ring to the notice of the call, no sale open, through the line server"),
             [](const QString &number, int) {
                 CallNotice *notice = CallNotice::current();
                 return notice && notice->lblCaller->text().contains(number)
                     && notice->lblCaller->text().contains(QStringLiteral("来电客户"));
             },
             [] {})
        && ok;
    mDatabase::CloseConnection();
    return ok ? 0 : 1;
}
