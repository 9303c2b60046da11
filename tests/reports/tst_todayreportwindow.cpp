#include "common/modalhelper.h"
#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "reports/frmsettodayreport.h"
#include "reports/frmtodayreport.h"
#include "shell/loginstate.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>

class tst_TodayReportWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void stocktakingFillsTheGrid();
    void badDateIsRefused();
    void closingFromTheWindow();

private:
    TestDatabase m_db;
    ScopedSession m_session{Session{.userID = 1, .stationID = 1}};
    ScriptedPrompter *m_prompts = nullptr;
};

void tst_TodayReportWindow::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
    const qint64 water = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer) "
                       "values('纯净水','桶',10,'1','0')"));
    QVERIFY(mDatabase::ExecuteSQL(
        QStringLiteral("insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,"
                       "TotalContainer,InMoney,OutAmount,InContainer,TransferFee,CreateDate,"
                       "FinishFlag,StationID) values(1,0,1,3,30.5,0,30.5,3,0,0,%1,'0',1)")
            .arg(mDatabase::dialect().dateLiteral(QDate(2026, 12, 8)))));
    QVERIFY(mDatabase::ExecuteSQL(QStringLiteral("insert into Sale_detail(SaleID,ProductID,Price,"
                                                 "MyAmount,MyMoney,IsContainer) values(1,%1,10,3,"
                                                 "30.5,'0')")
                                      .arg(water)));
}

void tst_TodayReportWindow::cleanup()
{
    mDatabase::CloseConnection();
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

void tst_TodayReportWindow::stocktakingFillsTheGrid()
{
    whenModal([](QWidget *modal) {
        auto *dialog = qobject_cast<frmSetTodayReport *>(modal);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("帐目盘点"));
        QVERIFY(!dialog->findChild<QWidget *>(QStringLiteral("cmbStation"))->isEnabled());
        dialog->txtDate->setText(QStringLiteral("12-08-2026"));
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
    });
    frmTodayReport window;
    window.show();
    QTRY_COMPARE(window.ReportDate, QDate(2026, 12, 8));
    QAbstractItemModel *grid = window.grid()->model();
    QVERIFY(grid->rowCount() >= 26);
    QCOMPARE(
        grid->headerData(0, Qt::Horizontal).toString(), QStringLiteral("         项           目"));
    QCOMPARE(grid->index(0, 0).data().toString(), QStringLiteral("今日销售总额："));
    QCOMPARE(grid->index(0, 1).data().toString(), QStringLiteral("3"));
    QCOMPARE(grid->index(0, 2).data().toString(), QStringLiteral("￥30.50"));
    QCOMPARE(grid->index(1, 0).data().toString(), QStringLiteral("         其  中：纯净水"));
    QVERIFY(window.caption().endsWith(QStringLiteral("2026-12-08日盘点表")));
}

void tst_TodayReportWindow::badDateIsRefused()
{
    whenModal([this](QWidget *modal) {
        auto *dialog = qobject_cast<frmSetTodayReport *>(modal);
        dialog->txtDate->setText(QStringLiteral("99-99-2026"));
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
        QCOMPARE(m_prompts->requests.size(), 1);
        QVERIFY(dialog->isVisible());
        QVERIFY(dialog->btnOk->isEnabled());
        dialog->txtDate->clear();
        QVERIFY(!dialog->btnOk->isEnabled());
        QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
    });
    frmTodayReport window;
    window.show();
    QTRY_VERIFY(!m_prompts->requests.isEmpty());
    QTRY_COMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(window.grid()->model()->rowCount(), 0);
}

void tst_TodayReportWindow::closingFromTheWindow()
{
    whenModal([](QWidget *modal) { modal->close(); });
    frmTodayReport window;
    window.show();
    QTRY_COMPARE(QApplication::activeModalWidget(), nullptr);
    m_prompts->clear();
    // Cancelled at the input box: nothing asked further.
    window.commands().run(&ListCommands::FinishToday);
    QCOMPARE(m_prompts->requests.size(), 1);
    QCOMPARE(m_prompts->requests.first().text, QStringLiteral("请输入入帐单据的最后截止日期："));
    QCOMPARE(m_prompts->requests.first().argument.toString(),
        QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy")));
    // A cut-off that is no date is asked for again, as typed.
    m_prompts->clear();
    m_prompts->choices << QStringLiteral("2026-13-08") << QStringLiteral("2026-12-08");
    m_prompts->answers = {Prompt::Ok, Prompt::Yes, Prompt::Yes};
    window.commands().run(&ListCommands::FinishToday);
    QCOMPARE(m_prompts->requests[2].argument.toString(), QStringLiteral("2026-13-08"));
    QCOMPARE(m_prompts->texts().last(), QStringLiteral("成功进行1 张有效单据入帐！"));
    QCOMPARE(mDatabase::GetFieldByID(1, QStringLiteral("Sale"), QStringLiteral("FinishFlag")),
        QStringLiteral("1"));
}

QTEST_MAIN(tst_TodayReportWindow)
#include "tst_todayreportwindow.moc"
