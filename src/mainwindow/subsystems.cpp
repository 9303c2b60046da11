#include "mainwindow/subsystems.h"

#include "callerid/ctapiline.h"
#include "callerid/lineserver.h"
#include "datastore/demodata.h"
#include "datastore/eventlog.h"
#include "datastore/prompt.h"
#include "lists/frmcollectionlist.h"
#include "lists/frmcustomeradmin.h"
#include "lists/frmhistorycall.h"
#include "lists/frmsaleadmin.h"
#include "mainwindow/frmmain.h"
#include "masterdata/frmgrpstationadmin.h"
#include "masterdata/frmproductadmin.h"
#include "masterdata/frmsenderadmin.h"
#include "reports/chartdata.h"
#include "reports/frmchart.h"
#include "reports/frmreport.h"
#include "reports/frmsetreport.h"
#include "reports/frmtodayreport.h"
#include "sales/callnotice.h"
#include "sales/frmcustomeraccount.h"
#include "sales/frmsaleprintsetup.h"
#include "sales/incomingcall.h"
#include "shell/frmchangepwd.h"
#include "shell/frmsystemsetup.h"
#include "shell/frmuseradmin.h"
#include "shell/lineindicator.h"
#include "shell/systemreset.h"
#include "shell/tools.h"
#include "shell/workstationline.h"
#include "stock/frmstoreadmin.h"

#include <QCoreApplication>
#include <QDate>
#include <QPointer>
#include <QStatusBar>

#include <type_traits>

namespace Subsystems {

using enum ToolId;

void registerWith(frmMain &main)
{
    main.registerChildWindow(QStringLiteral("frmSaleAdmin"), [] { return new frmSaleAdmin; });
    main.registerChildWindow(QStringLiteral("frmHistoryCall"), [] { return new frmHistoryCall; });
    main.registerChildWindow(
        QStringLiteral("frmCustomerAdmin"), [] { return new frmCustomerAdmin; });
    main.registerChildWindow(QStringLiteral("frmTodayReport"), [] { return new frmTodayReport; });
    main.registerChildWindow(QStringLiteral("frmMoneyAdmin"), [] { return new frmMoneyAdmin; });
    main.registerChildWindow(QStringLiteral("frmAmountAdmin"), [] { return new frmAmountAdmin; });
    main.registerChildWindow(
        QStringLiteral("frmContainerAdmin"), [] { return new frmContainerAdmin; });
    main.registerChildWindow(QStringLiteral("frmStoreAdmin"), [] { return new frmStoreAdmin; });
    main.registerChildWindow(
        QStringLiteral("frmCollectionList"), [] { return new frmCollectionList; });

    // The account window's way to the orders it cannot settle itself.
    frmCustomerAccount::setOpenOrders([&main](qint64 customerId, const QString &name) {
        main.showChildWindow(QStringLiteral("frmSaleAdmin"));
        if (auto *list
            = qobject_cast<frmSaleAdmin *>(main.childWindow(QStringLiteral("frmSaleAdmin"))))
            list->showCustomerOrders(customerId, name);
    });

    const auto modal = [&main]<typename Dialog>(ToolId tool, std::type_identity<Dialog>) {
        main.registerDialog(tool, [](QWidget *parent) {
            Dialog dialog(parent);
            dialog.exec();
        });
    };
    modal(ProductAdmin, std::type_identity<frmProductAdmin>());
    modal(SenderAdmin, std::type_identity<frmSenderAdmin>());
    modal(GrpStationAdmin, std::type_identity<frmGrpStationAdmin>());
    modal(UserAdmin, std::type_identity<frmUserAdmin>());
    modal(SalePrintSetup, std::type_identity<frmSalePrintSetup>());
    modal(ChangePwd, std::type_identity<frmChangePwd>());
    main.registerDialog(SysReset, [](QWidget *) {
        // Everybody logs in again on what is left.
        if (mSystem::ResetSystem())
            QCoreApplication::exit(0);
    });
    main.registerDialog(FillDemo, [](QWidget *) {
        // Only into a database without business: demonstration rows must
        // never mix with real orders.
        if (!DemoData::isEmptyDatabase())
            Prompt::information(QStringLiteral("数据库中已有业务数据，不能再填入演示数据。"),
                QStringLiteral("演示数据"));
        else if (DemoData::askAndFill(QDate::currentDate()))
            Prompt::information(QStringLiteral("演示数据已填入。请退出后重新登录，"
                                               "以便看到演示的供水站和操作员。"),
                QStringLiteral("演示数据"));
    });
    main.registerDialog(SysConfigure, [&main](QWidget *) { loadSystemSetup(main, true); });
    // A call's new sale opens from the sale list, which then shows it.
    CallNotice::setNewSaleOpener([window = QPointer<frmMain>(&main)] {
        if (!window)
            return;
        window->showChildWindow(QStringLiteral("frmSaleAdmin"));
        window->runTool(Add);
    });
    const std::pair<ToolId, int> reports[] = {{DayReport, PeriodReport::DayReport},
        {CustDayReport, PeriodReport::CustDayReport},
        {SenderDayReport, PeriodReport::SenderDayReport}, {MonthReport, PeriodReport::MonthReport},
        {CustMonthReport, PeriodReport::CustMonthReport},
        {SenderMonthReport, PeriodReport::SenderMonthReport}};
    for (const auto &[tool, type] : reports) {
        main.registerDialog(tool, [&main, type = type](QWidget *parent) {
            frmSetReport dialog(type, parent);
            dialog.exec();
            if (dialog.mResult != -1)
                return;
            // One report window at a time: the new one replaces it.
            main.closeChildWindow(QStringLiteral("frmReport"));
            const PeriodReport::Parameters parameters = dialog.parameters();
            main.registerChildWindow(
                QStringLiteral("frmReport"), [parameters] { return new frmReport(parameters); });
            main.showChildWindow(QStringLiteral("frmReport"));
        });
    }
    main.registerDialog(Chart, [&main](QWidget *parent) {
        // The report in front is what the chart draws.
        auto *report = qobject_cast<frmReport *>(main.activeChild());
        if (!report)
            return;
        frmChart chart(report->curReportCaption, ChartData::fromRows(report->rows()), parent);
        chart.exec();
    });
}

void loadSystemSetup(frmMain &main, bool show)
{
    // The port of a shared line is freed before the line is opened again.
    main.LineShare.reset();
    frmSystemSetup setup(&main.Tapiline, &main);
    setup.Load();
    main.lineIndicator()->follow(main.Tapiline.get(), setup.lineChoice());
    if (main.Tapiline)
        QObject::connect(main.Tapiline.get(), &cTAPILine::InfoCallerID, &main,
            &IncomingCall::Tapiline_InfoCallerID);
    if (main.Tapiline && setup.lineChoice().state == frmSystemSetup::LineState::Opened
        && WorkstationLine::read().share)
        shareLine(main);
    if (show)
        setup.exec();
}

void shareLine(frmMain &main)
{
    auto server = std::make_unique<tapi::LineServer>();
    QObject::connect(server.get(), &tapi::LineServer::logged,
        [](const QString &text) { EventLog::write(text); });
    QString error;
    if (!server->listen(QHostAddress::Any, WorkstationLine::DefaultPort, &error)) {
        const QString text = QStringLiteral("无法把本机电话线共享给其它工作站：%1").arg(error);
        EventLog::write(text);
        main.statusBar()->showMessage(text);
        return;
    }
    QObject::connect(main.Tapiline.get(), &cTAPILine::InfoCallerID, server.get(),
        [shared = server.get()](const QString &number) { shared->announce(number.toLocal8Bit()); });
    main.LineShare = std::move(server);
}

} // namespace Subsystems
