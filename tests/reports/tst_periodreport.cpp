#include "common/modalhelper.h"
#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "reports/frmreport.h"
#include "reports/frmsetreport.h"
#include "reports/periodreport.h"
#include "shell/datetext.h"
#include "shell/loginstate.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using PeriodReport::Parameters;
using PeriodReport::Row;

namespace {

// Station, customer, sender, day, amount, money, paid, bottles out, back, fee.
void addSale(qint64 station, qint64 customer, qint64 sender, const QDate &day, int amount,
    const char *money, const char *paid, int bottles, int back, const char *fee)
{
    QVERIFY(mDatabase::ExecuteSQL(
        QStringLiteral(
            "insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,TotalContainer,"
            "InMoney,OutAmount,InContainer,TransferFee,Detail,CreateDate,FinishFlag,StationID) "
            "values(%1,%2,1,%3,%4,%5,%6,%3,%7,%8,'',%9,'0',%10)")
            .arg(QString::number(customer), QString::number(sender), QString::number(amount),
                QString::fromLatin1(money), QString::number(bottles), QString::fromLatin1(paid),
                QString::number(back), QString::fromLatin1(fee),
                mDatabase::dialect().dateLiteral(day), QString::number(station))));
}

Currency c(const char *text)
{
    Currency value;
    Currency::parse(QString::fromLatin1(text), &value);
    return value;
}

QVector<Row> run(const Parameters &p)
{
    const auto rows
        = PeriodReport::rows(PeriodReport::buildQuery(p, mDatabase::dialect()).curFullSQL());
    return rows.value_or(QVector<Row>());
}

QStringList dates(const QVector<Row> &rows)
{
    QStringList list;
    for (const Row &r : rows)
        list << r.reportDate;
    return list;
}

} // namespace

class tst_PeriodReport : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void dayReportOfTheGroupAndOfAStation();
    void customerAndSenderReports();
    void branchOperatorSeesOnlyTheirStation();
    void monthReportsInCalendarOrder();
    void emptyPeriod();
    void sortByHeader();
    void captions();
    void chartDrawsTheRowsShown();
    void saleFilterNarrowsTheReport_data();
    void saleFilterNarrowsTheReport();
    void filterThroughTheWindow();
    void criteriaDialog_data();
    void criteriaDialog();

private:
    TestDatabase m_db;
    ScriptedPrompter *m_prompts = nullptr;
    qint64 m_east = 0;
};

void tst_PeriodReport::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
    m_east = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Station(Name,Status) values('城东','1')"));
    QVERIFY(mDatabase::ExecuteSQL(
        QStringLiteral("insert into Sender(Name,Status,StationID) values('王师傅','1',1)")));
    const QDate d1(2026, 12, 7), d2(2026, 12, 8);
    addSale(1, 1, 1, d1, 2, "20", "20", 2, 2, "1.5");
    addSale(1, 2, 1, d1, 1, "10.25", "5", 1, 0, "0");
    addSale(m_east, 1, 2, d1, 3, "30", "0", 3, 1, "2");
    addSale(1, 1, 2, d2, 4, "40", "40", 0, 0, "0");
    addSale(1, 1, 1, QDate(2026, 11, 30), 9, "90", "90", 0, 0, "0"); // before the range
}

void tst_PeriodReport::cleanup()
{
    mDatabase::CloseConnection();
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

void tst_PeriodReport::dayReportOfTheGroupAndOfAStation()
{
    Parameters p{PeriodReport::DayReport, QDate(2026, 12, 1), QDate(2026, 12, 8), 1, 0, 1, true};
    QVector<Row> rows = run(p);
    QCOMPARE(
        dates(rows), QStringList({QStringLiteral("2026-12-08"), QStringLiteral("2026-12-07")}));
    // The head station keeping its own station: every station together.
    QCOMPARE(rows[1].sumAmount, c("6"));
    QCOMPARE(rows[1].sumMoney, c("60.25"));
    QCOMPARE(rows[1].lackMoney, c("35.25"));
    QCOMPARE(rows[1].lackContainer, c("3"));
    QCOMPARE(rows[1].totalFee, c("3.5"));
    QCOMPARE(rows[0].sumMoney, c("40"));

    p.stationId = m_east;
    rows = run(p);
    QCOMPARE(dates(rows), QStringList({QStringLiteral("2026-12-07")}));
    QCOMPARE(rows[0].sumMoney, c("30"));
    QCOMPARE(rows[0].lackContainer, c("2"));
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_PeriodReport::customerAndSenderReports()
{
    Parameters p{
        PeriodReport::CustDayReport, QDate(2026, 12, 1), QDate(2026, 12, 8), 1, 1, 1, true};
    QVector<Row> rows = run(p);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[1].sumMoney, c("50")); // both stations' sales of customer 1
    p.id = 0; // an account that does not exist
    QVERIFY(run(p).isEmpty());

    p = {PeriodReport::SenderDayReport, QDate(2026, 12, 1), QDate(2026, 12, 8), 1, 1, 1, true};
    rows = run(p);
    QCOMPARE(dates(rows), QStringList({QStringLiteral("2026-12-07")}));
    QCOMPARE(rows[0].sumMoney, c("30.25"));
    QCOMPARE(rows[0].lackMoney, c("5.25"));
}

void tst_PeriodReport::branchOperatorSeesOnlyTheirStation()
{
    // Whatever station the dialog holds, a branch operator's report stays
    // on the operator's own station.
    Parameters p{
        PeriodReport::DayReport, QDate(2026, 12, 1), QDate(2026, 12, 8), 1, 0, m_east, false};
    const QVector<Row> rows = run(p);
    QCOMPARE(dates(rows), QStringList({QStringLiteral("2026-12-07")}));
    QCOMPARE(rows[0].sumMoney, c("30"));
    QVERIFY(PeriodReport::buildQuery(p, mDatabase::dialect())
                .curFilterSQL.endsWith(QStringLiteral(" and StationID=%1").arg(m_east)));
}

void tst_PeriodReport::monthReportsInCalendarOrder()
{
    // One sale in every month of 2026 and two in December 2025.
    for (int month = 1; month <= 12; ++month)
        addSale(m_east, 3, 1, QDate(2026, month, 15), month, "1", "1", 0, 0, "0");
    addSale(m_east, 3, 1, QDate(2025, 12, 1), 1, "7", "0", 0, 0, "0");
    addSale(m_east, 3, 1, QDate(2025, 12, 31), 1, "8", "0", 0, 0, "0");
    Parameters p{
        PeriodReport::CustMonthReport, QDate(2025, 12, 1), QDate(2026, 12, 31), m_east, 3, 1, true};
    const QVector<Row> rows = run(p);
    // The label pads the month to two characters ("2026年9 月"), but the
    // months come in calendar order, newest first, across the year's end.
    QStringList expected;
    for (int month = 12; month >= 1; --month)
        expected << QStringLiteral("2026年%1月").arg(month, -2);
    expected << QStringLiteral("2025年12月");
    QCOMPARE(dates(rows), expected);
    QCOMPARE(rows.last().sumMoney, c("15"));
    QCOMPARE(rows.last().lackMoney, c("15"));
    QCOMPARE(rows[0].sumAmount, c("12"));
    // Sorted by the header, oldest first: still the calendar.
    PeriodReport::Query q = PeriodReport::buildQuery(p, mDatabase::dialect());
    q.curSortSQL = PeriodReport::sortSQL(p.type, QStringLiteral("ReportDate"), 1);
    const QVector<Row> ascending = *PeriodReport::rows(q.curFullSQL());
    std::reverse(expected.begin(), expected.end());
    QCOMPARE(dates(ascending), expected);
}

void tst_PeriodReport::emptyPeriod()
{
    for (int type = PeriodReport::DayReport; type <= PeriodReport::SenderMonthReport; ++type) {
        Parameters p{type, QDate(2020, 1, 1), QDate(2020, 12, 31), 1, 1, 1, true};
        const auto rows
            = PeriodReport::rows(PeriodReport::buildQuery(p, mDatabase::dialect()).curFullSQL());
        QVERIFY(rows);
        QVERIFY(rows->isEmpty());
    }
    // Start after end: no rows either.
    QVERIFY(run({PeriodReport::DayReport, QDate(2026, 12, 8), QDate(2026, 12, 1), 1, 0, 1, true})
                .isEmpty());
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_PeriodReport::sortByHeader()
{
    Parameters p{PeriodReport::DayReport, QDate(2026, 12, 1), QDate(2026, 12, 8), 1, 0, 1, true};
    PeriodReport::Query q = PeriodReport::buildQuery(p, mDatabase::dialect());
    q.curSortSQL = PeriodReport::sortSQL(p.type, QStringLiteral("SumMoney"), 1);
    QCOMPARE(q.curSortSQL, QStringLiteral(" ORDER BY Sum(TotalMoney) Asc"));
    QCOMPARE(dates(*PeriodReport::rows(q.curFullSQL())),
        QStringList({QStringLiteral("2026-12-08"), QStringLiteral("2026-12-07")}));
    q.curSortSQL = PeriodReport::sortSQL(p.type, QStringLiteral("SumMoney"), 0);
    QCOMPARE(dates(*PeriodReport::rows(q.curFullSQL())),
        QStringList({QStringLiteral("2026-12-07"), QStringLiteral("2026-12-08")}));
    QCOMPARE(PeriodReport::sortSQL(PeriodReport::MonthReport, QStringLiteral("ReportDate"), 1),
        QStringLiteral(" ORDER BY min(CreateDate) Asc"));
    QVERIFY(PeriodReport::sortSQL(p.type, QStringLiteral("Detail"), 1).isEmpty());
}

void tst_PeriodReport::captions()
{
    Parameters p{
        PeriodReport::DayReport, QDate(2026, 12, 1), QDate(2026, 12, 8), m_east, 1, 1, true};
    QCOMPARE(
        PeriodReport::caption(p), QStringLiteral("城东2026-12-01至2026-12-08 日业务状况汇总表"));
    p.type = PeriodReport::CustDayReport;
    QCOMPARE(PeriodReport::caption(p),
        QStringLiteral("客户：1 2026-12-01----2026-12-08 日购水状况汇总表"));
    p.type = PeriodReport::SenderDayReport;
    QCOMPARE(PeriodReport::caption(p),
        QStringLiteral("送水工：王师傅 2026-12-01至2026-12-08 日购水状况汇总表"));
    p.type = PeriodReport::MonthReport;
    QCOMPARE(
        PeriodReport::caption(p), QStringLiteral("城东2026-12-01至2026-12-08 月度销售额汇总表"));
    p.type = PeriodReport::CustMonthReport;
    QCOMPARE(
        PeriodReport::caption(p), QStringLiteral("客户:1 2026-12-01至2026-12-08 月度销售额汇总表"));
    p.type = PeriodReport::SenderMonthReport;
    QCOMPARE(PeriodReport::caption(p),
        QStringLiteral("送水工：王师傅2026-12-01至2026-12-08 月度销售额汇总表"));
}

void tst_PeriodReport::chartDrawsTheRowsShown()
{
    const Parameters p{
        PeriodReport::DayReport, QDate(2026, 12, 1), QDate(2026, 12, 8), 1, 0, 1, true};
    frmReport report(p);
    const QVector<Row> shown = run(p);
    QCOMPARE(dates(report.rows()), dates(shown));
    // Another workstation sells meanwhile: the chart keeps to what the grid
    // shows until the report is refreshed.
    addSale(1, 1, 1, QDate(2026, 12, 5), 1, "7", "7", 0, 0, "0");
    QCOMPARE(dates(report.rows()), dates(shown));
    QCOMPARE(report.rows().first().sumMoney, c("40"));
    report.DataRefresh();
    QCOMPARE(dates(report.rows()), dates(run(p)));
    QCOMPARE(report.rows().size(), 3);
}

void tst_PeriodReport::saleFilterNarrowsTheReport_data()
{
    QTest::addColumn<bool>("head");
    QTest::addColumn<QString>("filter"); // as the sale filter builds it
    QTest::addColumn<QStringList>("dates");
    QTest::addColumn<QString>("money"); // of the first row

    // Nothing ticked: the report's own dates and stations still hold.
    QTest::newRow("nothing ticked")
        << true << QString() << QStringList{"2026-12-08", "2026-12-07"} << "40";
    // A branch operator's filter always names the station.
    QTest::newRow("branch station")
        << false << " AND Sale.StationID=%1" << QStringList{"2026-12-07"} << "30";
    QTest::newRow("customer account")
        << true << " AND Account>101" << QStringList{"2026-12-07"} << "10.25";
    QTest::newRow("customer address")
        << true << " AND Address Like '%东街%' ESCAPE '!' " << QStringList{"2026-12-07"} << "10.25";
    // A date outside the report's range finds nothing more.
    QTest::newRow("earlier date") << true << " AND Sale.CreateDate<='2026-12-07'"
                                  << QStringList{"2026-12-07"} << "60.25";
    QTest::newRow("open orders of a sender") << true << " AND Sale.SenderID=2 AND FinishFlag='0'"
                                             << QStringList{"2026-12-08", "2026-12-07"} << "40";
}

void tst_PeriodReport::saleFilterNarrowsTheReport()
{
    QFETCH(bool, head);
    QFETCH(QString, filter);
    QFETCH(QStringList, dates);
    QFETCH(QString, money);
    QVERIFY(mDatabase::ExecuteSQL(QStringLiteral(
        "insert into Customer(Account,Address,Status,StationID) values(101,'西街1号','1',1)")));
    QVERIFY(mDatabase::ExecuteSQL(QStringLiteral(
        "insert into Customer(Account,Address,Status,StationID) values(102,'东街2号','1',1)")));
    if (filter.contains(QLatin1String("%1")))
        filter = filter.arg(m_east);
    const Parameters p{PeriodReport::DayReport, QDate(2026, 12, 1), QDate(2026, 12, 8), 1, 0,
        head ? 1 : m_east, head};
    const auto rows = PeriodReport::rows(
        PeriodReport::buildQuery(p, mDatabase::dialect(), filter).curFullSQL());
    QVERIFY(rows);
    QCOMPARE(::dates(*rows), dates);
    QCOMPARE(rows->first().sumMoney, c(qPrintable(money)));
    QCOMPARE(m_prompts->texts(), QStringList());
}

void tst_PeriodReport::filterThroughTheWindow()
{
    const ScopedSession session(ScopedSession::headStation());
    QVERIFY(mDatabase::ExecuteSQL(QStringLiteral(
        "insert into Customer(Account,Address,Status,StationID) values(101,'西街1号','1',1)")));
    frmReport report(
        {PeriodReport::DayReport, QDate(2026, 12, 1), QDate(2026, 12, 8), 1, 0, 1, true});
    const QString title = report.curReportCaption;
    const auto narrow = [&](const char *check, const char *text, int searchType) {
        whenModal([=](QWidget *modal) {
            modal->findChild<QCheckBox *>(QLatin1String(check))->click();
            modal->findChild<QLineEdit *>(QStringLiteral("txt") + QLatin1String(check + 3))
                ->setText(QString::fromUtf8(text));
            modal->findChild<QAbstractButton *>(QStringLiteral("optSearchType_%1").arg(searchType))
                ->click();
            modal->findChild<QPushButton *>(QStringLiteral("btnOk"))->click();
        });
        report.ShowFilter();
    };
    narrow("chkAddress", "西街", 1);
    QCOMPARE(report.rows().size(), 2);
    QCOMPARE(report.rows().last().sumMoney, c("50"));
    QCOMPARE(report.curReportCaption, title + QStringLiteral("（客户地址包括字符串：“西街”）"));
    // Within the result: both conditions, both named.
    narrow("chkTotalMoney", "40", 0);
    QCOMPARE(report.rows().size(), 1);
    QCOMPARE(report.curReportCaption,
        title + QStringLiteral("（客户地址包括字符串：“西街”，单据金额=40）"));
    // A new search with nothing ticked: the report as it was, under its own title.
    whenModal(
        [](QWidget *modal) { modal->findChild<QPushButton *>(QStringLiteral("btnOk"))->click(); });
    report.ShowFilter();
    QCOMPARE(report.rows().last().sumMoney, c("60.25"));
    QCOMPARE(report.curReportCaption, title);
    QCOMPARE(m_prompts->texts(), QStringList());
}

void tst_PeriodReport::criteriaDialog_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("account");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("customer report, letters") << int(PeriodReport::CustDayReport) << "abc" << false;
    QTest::newRow("customer report, number") << int(PeriodReport::CustMonthReport) << "101" << true;
    QTest::newRow("day report") << int(PeriodReport::DayReport) << "" << true;
}

// Enter presses 确定 with the account checked as leaving the field checks
// it; the title names the report; an accepted range is offered next time.
void tst_PeriodReport::criteriaDialog()
{
    QFETCH(int, type);
    QFETCH(QString, account);
    QFETCH(bool, accepted);
    const QDate start(2026, 11, 1);
    const int other
        = type == PeriodReport::DayReport ? PeriodReport::MonthReport : PeriodReport::DayReport;
    QVERIFY(frmSetReport(type).windowTitle() != frmSetReport(other).windowTitle());
    {
        frmSetReport dialog(type);
        dialog.txtStartDate->setText(DateText::shortDate(start));
        if (dialog.txtAccount->isEnabled())
            dialog.txtAccount->setText(account);
        m_prompts->answers = {Prompt::Ok};
        dialog.btnOk->click();
        QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
        QCOMPARE(m_prompts->requests.isEmpty(), accepted);
    }
    frmSetReport next(PeriodReport::DayReport);
    QCOMPARE(DateText::parse(next.txtStartDate->text()) == start, accepted);
}

QTEST_MAIN(tst_PeriodReport)
#include "tst_periodreport.moc"
