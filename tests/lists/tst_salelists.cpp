#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/currency.h"
#include "datastore/mdatabase.h"
#include "lists/frmsaleadmin.h"
#include "shell/loginstate.h"

#include <QHeaderView>
#include <QImage>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QScrollBar>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using mDatabase::ExecuteSQL;

namespace {

// One order with its state of settling; returns its ID.
qint64 addSale(int customer, double money, double inMoney, int amount, int outAmount, int bottles,
    int inBottles, const QString &flag, const QDate &date, int station = 1)
{
    return mDatabase::InsertAndGetID(QStringLiteral(
        "insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,TotalContainer,InMoney,"
        "OutAmount,InContainer,TransferFee,Detail,CreateDate,FinishFlag,StationID) "
        "values(%1,1,1,%2,%3,%4,%5,%6,%7,0,'',%8,'%9',%10)")
                                         .arg(customer)
                                         .arg(amount)
                                         .arg(money)
                                         .arg(bottles)
                                         .arg(inMoney)
                                         .arg(outAmount)
                                         .arg(inBottles)
                                         .arg(mDatabase::dialect().dateLiteral(date), flag)
                                         .arg(station));
}

QVariant sale(qint64 id, const char *field)
{
    const auto rs
        = mDatabase::OpenRecordset(QStringLiteral("select * from Sale where ID=%1").arg(id));
    return rs && !rs->isEmpty() ? rs->value(0, QString::fromLatin1(field)) : QVariant();
}

// A command of the list by the name the main window's table gives it.
bool run(ListWindow &list, const QString &name)
{
    const QHash<QString, ListCommands::Member> commands = {
        {QStringLiteral("InMoney"), &ListCommands::InMoney},
        {QStringLiteral("OutMoney"), &ListCommands::OutMoney},
        {QStringLiteral("OutAmount"), &ListCommands::OutAmount},
        {QStringLiteral("InAmount"), &ListCommands::InAmount},
        {QStringLiteral("InContainer"), &ListCommands::InContainer},
        {QStringLiteral("OutContainer"), &ListCommands::OutContainer},
    };
    return commands.contains(name) && list.commands().run(commands.value(name));
}

// What another workstation does meanwhile: a change through a connection
// of its own that waits for no lock longer than a moment. Empty when it
// went through, else why not.
QString writeElsewhere(qint64 id)
{
    const ConnectionTarget target = mDatabase::currentTarget();
    QString error;
    {
        QSqlDatabase db
            = QSqlDatabase::addDatabase(target.driverName(), QStringLiteral("elsewhere"));
        db.setDatabaseName(
            target.kind == SqlDialect::SQLite ? target.host : target.odbcConnectionString());
        if (target.kind == SqlDialect::SQLite)
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=200"));
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            QSqlQuery query(db);
            if (!query.exec(
                    QStringLiteral("update Sale set Detail='elsewhere' where ID=%1").arg(id)))
                error = query.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("elsewhere"));
    return error;
}

QStringList ids(const ListWindow &list)
{
    QStringList result;
    for (int row = 0; row < list.model()->rowCount(); ++row)
        result << list.model()->value(row, QStringLiteral("ID")).toString();
    return result;
}

} // namespace

class tst_SaleLists : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void initialFilterShowsOpenAndToday();
    void otherStationSeesOwnOrders();
    void footersAndBalance();
    void emptyResultAndEmptyFilter();
    void rowColours();
    void sortDirectionIsShared();
    void refreshKeepsTheRow();
    void settleSingle_data();
    void settleSingle();
    void settleAll();
    void deleteOne();
    void deleteAllAsksTwice();
    void deleteAllHoldsNothingWhileAsking();
    void printedListHasItsRows();
    void failedRefreshKeepsTheRows();
    void refreshAfterTheServerDroppedUs();
    void settlingWhatChangedElsewhere();
    void destructiveQuestionsDefaultToNo();
    void keyboard();
    void sortArrowPointsUpForAscending();
    void footerStaysUnderItsColumns();
    void noPrinterOffersPdf();

private:
    TestDatabase m_db;
    ScopedSession m_session{ScopedSession::headStation()};
    ScriptedPrompter *m_prompts = nullptr;
    QDate m_today = QDate::currentDate();
    qint64 m_open = 0, m_settled = 0, m_closedToday = 0, m_closedOld = 0, m_otherStation = 0;
};

void tst_SaleLists::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城东','1')")));
    QVERIFY(ExecuteSQL(QStringLiteral(
        "insert into Customer(Account,Address,Status,StationID) values(1,'人民路1号','1',1)")));
    QVERIFY(ExecuteSQL(QStringLiteral(
        "insert into Customer(Account,Address,Status,StationID) values(2,'解放路2号','1',2)")));
    m_closedOld = addSale(1, 30, 30, 3, 3, 3, 3, "1", m_today.addDays(-3));
    m_open = addSale(1, 20, 0, 2, 0, 2, 0, "0", m_today.addDays(-1));
    m_settled = addSale(1, 10, 10, 1, 1, 1, 1, "0", m_today.addDays(-1));
    m_closedToday = addSale(1, 12.5, 12.5, 1, 1, 0, 0, "1", m_today);
    m_otherStation = addSale(2, 8, 3, 1, 1, 1, 0, "0", m_today, 2);
    QVERIFY(mDatabase::SetSysValue(QStringLiteral("AutoDataRefresh"), QStringLiteral("1")));
}

void tst_SaleLists::cleanup()
{
    m_db.dropAll();
    delete m_prompts;
}

void tst_SaleLists::initialFilterShowsOpenAndToday()
{
    frmSaleAdmin list;
    // Newest first; the order closed three days ago is done with.
    QCOMPARE(ids(list),
        QStringList({QString::number(m_otherStation), QString::number(m_closedToday),
            QString::number(m_settled), QString::number(m_open)}));
    QCOMPARE(list.curFullSQL, list.curShortSQL + list.curFilterSQL + list.curSortSQL);
    // Without AutoDataRefresh the list opens empty.
    QVERIFY(mDatabase::SetSysValue(QStringLiteral("AutoDataRefresh"), QStringLiteral("0")));
    frmMoneyAdmin money;
    QCOMPARE(money.model()->rowCount(), 0);
    QCOMPARE(money.footerTexts().value(3), QString());
    money.DataRefresh();
    QCOMPARE(money.model()->rowCount(), 4);
}

void tst_SaleLists::otherStationSeesOwnOrders()
{
    const ScopedSession branch(ScopedSession::atBranch(2));
    frmSaleAdmin list;
    QCOMPARE(ids(list), QStringList{QString::number(m_otherStation)});
    QVERIFY(list.curFilterSQL.endsWith(QStringLiteral(" and Sale.StationID=2")));
    // Settling all still reaches every station's unclosed orders.
    m_prompts->answers = {Prompt::Yes};
    list.commands().InAllMoney();
    QCOMPARE(Currency::fromVariant(sale(m_open, "InMoney")), Currency::fromInt(20));
}

void tst_SaleLists::footersAndBalance()
{
    frmSaleAdmin sales;
    const QStringList f = sales.footerTexts();
    QCOMPARE(f.value(1), QStringLiteral("合      计"));
    // Money sums keep their decimals, as the money above them does.
    QCOMPARE(f.value(3), QStringLiteral("50.50")); // 20 + 10 + 12.5 + 8
    QCOMPARE(f.value(4), QStringLiteral("25.50"));
    QCOMPARE(f.value(5), QStringLiteral("5"));
    QCOMPARE(f.value(6), QStringLiteral("3"));
    QCOMPARE(f.value(7), QStringLiteral("4"));
    QCOMPARE(f.value(8), QStringLiteral("1"));
    QCOMPARE(f.value(9), QStringLiteral("共欠钱：25元       欠瓶：3个"));

    frmMoneyAdmin money;
    QCOMPARE(money.footerTexts().value(5), QStringLiteral("共欠钱：25元"));
    frmAmountAdmin amount;
    QCOMPARE(amount.footerTexts().value(7), QStringLiteral("共欠瓶：3个"));
    frmContainerAdmin bottles;
    QCOMPARE(bottles.footerTexts().value(7), QStringLiteral("共欠瓶：3个"));
}

void tst_SaleLists::emptyResultAndEmptyFilter()
{
    frmSaleAdmin list;
    list.curFilterSQL = QStringLiteral(" and Sale.ID<0");
    list.DataRefresh();
    QCOMPARE(list.model()->rowCount(), 0);
    QCOMPARE(list.footerTexts().value(3), QStringLiteral("0.00"));
    QCOMPARE(list.footerTexts().value(9), QStringLiteral("共欠钱：0元       欠瓶：0个"));
    // Without a filter the sums are left out.
    list.curFilterSQL.clear();
    list.DataRefresh();
    QCOMPARE(list.model()->rowCount(), 5);
    QCOMPARE(list.footerTexts().value(3), QString());
    QCOMPARE(list.footerTexts().value(9), QStringLiteral("共欠钱：0元       欠瓶：0个"));
}

void tst_SaleLists::rowColours()
{
    frmSaleAdmin sales;
    frmMoneyAdmin money;
    // No colour at all: the row keeps the grid's own style.
    auto colourOf = [](const ListWindow &list, qint64 id, int role) {
        for (int row = 0; row < list.model()->rowCount(); ++row) {
            if (list.model()->value(row, QStringLiteral("ID")).toLongLong() == id) {
                const QVariant brush = list.model()->index(row, 0).data(role);
                return brush.isValid() ? brush.value<QBrush>().color() : QColor();
            }
        }
        return QColor();
    };
    QCOMPARE(colourOf(sales, m_open, Qt::ForegroundRole), QColor(0, 0, 255));
    QCOMPARE(colourOf(sales, m_closedToday, Qt::BackgroundRole), QColor(224, 224, 224));
    QVERIFY(!colourOf(sales, m_settled, Qt::ForegroundRole).isValid());
    QVERIFY(!colourOf(sales, m_settled, Qt::BackgroundRole).isValid());
    // The money list looks only at money: bottles still out do not colour it.
    QCOMPARE(colourOf(sales, m_otherStation, Qt::ForegroundRole), QColor(0, 0, 255));
    QVERIFY(ExecuteSQL(
        QStringLiteral("update Sale set InMoney=TotalMoney where ID=%1").arg(m_otherStation)));
    money.DataRefresh();
    QVERIFY(!colourOf(money, m_otherStation, Qt::ForegroundRole).isValid());
}

void tst_SaleLists::sortDirectionIsShared()
{
    frmSaleAdmin list;
    list.sortByColumn(3); // 应收现金
    QCOMPARE(list.curSortSQL, QStringLiteral(" ORDER BY TotalMoney Asc"));
    QCOMPARE(list.model()->value(0, QStringLiteral("ID")).toLongLong(), m_otherStation);
    QCOMPARE(list.grid()->horizontalHeader()->sortIndicatorSection(), 3);
    list.sortByColumn(0); // 编号: the next click sorts the other way
    QCOMPARE(list.curSortSQL, QStringLiteral(" ORDER BY Sale.ID Desc"));
    QCOMPARE(list.grid()->horizontalHeader()->sortIndicatorSection(), 0);
    QCOMPARE(list.grid()->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    list.sortByColumn(1);
    QCOMPARE(list.curSortSQL, QStringLiteral(" ORDER BY Sale.CreateDate Asc"));
}

void tst_SaleLists::refreshKeepsTheRow()
{
    frmSaleAdmin list;
    QVERIFY(list.selectRowOfId(m_settled));
    addSale(1, 5, 0, 1, 0, 0, 0, "0", m_today); // a new order moves every row down
    list.DataRefresh();
    QCOMPARE(list.selectedID(), QString::number(m_settled));
    QCOMPARE(list.grid()->currentIndex().row(), 3);
    // The selected order is gone: no selection survives, nothing breaks.
    QVERIFY(ExecuteSQL(QStringLiteral("delete from Sale where ID=%1").arg(m_settled)));
    list.DataRefresh();
    QVERIFY(list.selectedID() != QString::number(m_settled));
}

void tst_SaleLists::settleSingle_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("flag");
    QTest::addColumn<bool>("settles");
    QTest::addColumn<QString>("message");

    QTest::newRow("receive open") << "InMoney"
                                  << "0" << true << "成功收到%1号单据销售款：人民币15元！";
    QTest::newRow("receive closed") << "InMoney"
                                    << "1" << false << "该单据已经入帐或已经收款成功，不能再收款！";
    QTest::newRow("receive odd flag") << "InMoney"
                                      << "2" << true << "成功收到%1号单据销售款：人民币15元！";
    QTest::newRow("refund closed") << "OutMoney"
                                   << "1" << false << "该单据已经入帐不能再退款！";
    QTest::newRow("deliver open") << "OutAmount"
                                  << "0" << true << "";
    QTest::newRow("deliver odd flag") << "OutAmount"
                                      << "2" << false << "单据已入帐！";
    QTest::newRow("bottles odd flag") << "InContainer"
                                      << "x" << false << "单据已入帐！";
    QTest::newRow("bottles open") << "InContainer"
                                  << "0" << true << "";
}

void tst_SaleLists::settleSingle()
{
    QFETCH(QString, command);
    QFETCH(QString, flag);
    QFETCH(bool, settles);
    QFETCH(QString, message);
    // Part paid, so that every command visibly changes the order or not,
    // and 收款 names the 15 still owed rather than the total.
    QVERIFY(ExecuteSQL(QStringLiteral("update Sale set FinishFlag=%1, InMoney=5 where ID=%2")
                           .arg(mDatabase::SqlStr(flag))
                           .arg(m_open)));
    frmSaleAdmin list;
    list.curFilterSQL = QStringLiteral(" and Sale.ID=%1").arg(m_open);
    list.DataRefresh();
    QVERIFY(list.selectRowOfId(m_open));
    QVERIFY(run(list, command));
    const QHash<QString, QPair<const char *, int>> settled
        = {{"InMoney", {"InMoney", 20}}, {"OutMoney", {"InMoney", 0}},
            {"OutAmount", {"OutAmount", 2}}, {"InContainer", {"InContainer", 2}}};
    const auto [field, value] = settled.value(command);
    QCOMPARE(Currency::fromVariant(sale(m_open, field)) == Currency::fromInt(value), settles);
    QCOMPARE(m_prompts->texts().join(QLatin1Char('|')), message.arg(m_open));

    // Nothing selected: the command's own message.
    m_prompts->clear();
    list.curFilterSQL = QStringLiteral(" and Sale.ID<0");
    list.DataRefresh();
    QVERIFY(run(list, command));
    QCOMPARE(m_prompts->requests.size(), 1);
    QVERIFY(m_prompts->requests.first().text.startsWith(QStringLiteral("请先选定")));
}

void tst_SaleLists::settleAll()
{
    frmContainerAdmin bottles;
    m_prompts->answers = {Prompt::No};
    bottles.commands().InAllContainer();
    QCOMPARE(sale(m_open, "InContainer").toInt(), 0);
    m_prompts->answers = {Prompt::Yes};
    bottles.commands().InAllContainer();
    QCOMPARE(sale(m_open, "InContainer").toInt(), 2);
    QCOMPARE(sale(m_otherStation, "InContainer").toInt(), 1);
    // Closed orders are left alone.
    QVERIFY(
        ExecuteSQL(QStringLiteral("update Sale set InContainer=0 where ID=%1").arg(m_closedOld)));
    m_prompts->answers = {Prompt::Yes};
    bottles.commands().OutAllContainer();
    QCOMPARE(sale(m_open, "InContainer").toInt(), 0);
    QCOMPARE(sale(m_closedToday, "InContainer").toInt(), 0);
    QCOMPARE(m_prompts->requests.last().text,
        QStringLiteral("你确认要搞撤销对所有未入帐单据的空瓶回收吗？"));
    // The footer follows at once.
    QCOMPARE(bottles.footerTexts().value(6), QStringLiteral("0"));
}

void tst_SaleLists::deleteOne()
{
    QVERIFY(ExecuteSQL(QStringLiteral(
        "insert into Sale_detail(SaleID,ProductID,Price,MyAmount,MyMoney,IsContainer) "
        "values(%1,1,10,2,20,'0')")
                           .arg(m_open)));
    frmSaleAdmin list;
    QVERIFY(list.selectRowOfId(m_closedToday));
    list.commands().DeleteData();
    QCOMPARE(m_prompts->texts(), QStringList{"此单据已被审核入帐，不能再删除！"});
    QVERIFY(list.selectRowOfId(m_open));
    m_prompts->clear();
    m_prompts->answers = {Prompt::Yes};
    list.commands().DeleteData();
    QCOMPARE(m_prompts->texts(),
        QStringList{QStringLiteral("你确认要删除原始单据号为%1的单据吗？").arg(m_open)});
    QVERIFY(!sale(m_open, "ID").isValid());
    const auto lines = mDatabase::OpenRecordset(
        QStringLiteral("select * from Sale_detail where SaleID=%1").arg(m_open));
    QCOMPARE(lines->recordCount(), 0);
    QVERIFY(!ids(list).contains(QString::number(m_open)));
}

void tst_SaleLists::deleteAllAsksTwice()
{
    frmSaleAdmin list;
    m_prompts->answers = {Prompt::Yes, Prompt::No};
    list.commands().DeleteAll();
    QCOMPARE(m_prompts->requests.size(), 2);
    QCOMPARE(m_prompts->requests[1].text, QStringLiteral("共找到 3条未入帐单据，你确认要删除吗？"));
    QCOMPARE(m_prompts->requests[1].icon, Prompt::Icon::Critical);
    QVERIFY(sale(m_open, "ID").isValid());

    m_prompts->clear();
    m_prompts->answers = {Prompt::Yes, Prompt::Yes};
    list.commands().DeleteAll();
    for (qint64 id : {m_open, m_settled, m_otherStation})
        QVERIFY(!sale(id, "ID").isValid());
    QVERIFY(sale(m_closedToday, "ID").isValid());
    QCOMPARE(ids(list), QStringList{QString::number(m_closedToday)});
    // The connection is usable afterwards: the transaction ended.
    QVERIFY(
        ExecuteSQL(QStringLiteral("update Sale set Detail='x' where ID=%1").arg(m_closedToday)));
}

void tst_SaleLists::deleteAllHoldsNothingWhileAsking()
{
    // While either question is on screen, other workstations go on saving,
    // and an order taken meanwhile was not counted, so it is not deleted.
    frmSaleAdmin list;
    QStringList heldUp;
    qint64 taken = 0;
    m_prompts->answers = {Prompt::Yes, Prompt::Yes};
    m_prompts->onPrompt = [&](const Prompt::Request &r) {
        if (mDatabase::InTransaction())
            heldUp << QStringLiteral("transaction open at: ") + r.text;
        const QString error = writeElsewhere(m_closedToday);
        if (!error.isEmpty())
            heldUp << error;
        if (r.icon == Prompt::Icon::Critical)
            taken = addSale(1, 5, 0, 1, 0, 1, 0, "0", m_today);
    };
    list.commands().DeleteAll();
    m_prompts->onPrompt = nullptr;
    QCOMPARE(heldUp, QStringList());
    QCOMPARE(m_prompts->requests.size(), 2);
    QCOMPARE(m_prompts->requests[1].text, QStringLiteral("共找到 3条未入帐单据，你确认要删除吗？"));
    for (qint64 id : {m_open, m_settled, m_otherStation})
        QVERIFY(!sale(id, "ID").isValid());
    QVERIFY(taken > 0);
    QCOMPARE(sale(taken, "TotalMoney").toInt(), 5);
    QCOMPARE(sale(m_closedToday, "Detail").toString(), QStringLiteral("elsewhere"));
}

void tst_SaleLists::printedListHasItsRows()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    frmSaleAdmin list;
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("list.pdf"));
    QVERIFY(list.exportPdf(pdf));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(20000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    QVERIFY2(out.contains(QStringLiteral("销售单据一览表")), qPrintable(out));
    QVERIFY(out.contains(QStringLiteral("应收现金")));
    QVERIFY(out.contains(QStringLiteral("解放路2号")));
    QVERIFY(out.contains(QStringLiteral("共欠钱：25元")));
    QVERIFY(out.contains(QStringLiteral("第1页 共1页")));

    // A page set-up chosen for the list shapes its printout.
    m_prompts->onPrompt = [](const Prompt::Request &r) {
        if (r.kind == Prompt::Kind::PageSetup)
            r.printer->setPageOrientation(QPageLayout::Landscape);
    };
    m_prompts->choices = {QVariant(true)};
    list.PrintSetup();
    m_prompts->onPrompt = nullptr;
    QVERIFY(list.exportPdf(pdf));
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY(info.waitForFinished(20000));
    const QString pageSize = QString::fromUtf8(info.readAllStandardOutput())
                                 .section(QStringLiteral("Page size:"), 1)
                                 .simplified();
    const double width = pageSize.section(QLatin1Char(' '), 0, 0).toDouble();
    const double height = pageSize.section(QLatin1Char(' '), 2, 2).toDouble();
    QVERIFY2(width > height, qPrintable(pageSize));

    // Preview and print go through the printer choice; a failure says so.
    m_prompts->choices = {QVariant(false)};
    list.PrintPreview();
    QCOMPARE(m_prompts->requests.last().text,
        QStringLiteral("打印预览失败，请检查您的系统中是否正确安装了打印机！"));
    QCOMPARE(m_prompts->requests.last().title, QStringLiteral("预览"));
}

void tst_SaleLists::failedRefreshKeepsTheRows()
{
    frmSaleAdmin list;
    QVERIFY(list.selectRowOfId(m_settled));
    const QStringList before = ids(list);
    const QStringList footer = list.footerTexts();
    QCOMPARE(before.size(), 4);
    // A statement the database refuses (a lost connection reads the same).
    list.curFilterSQL = QStringLiteral(" and NoSuchColumn=1");
    list.DataRefresh();
    QCOMPARE(m_prompts->requests.size(), 1);
    QCOMPARE(m_prompts->requests.first().icon, Prompt::Icon::Critical);
    QCOMPARE(ids(list), before);
    QCOMPARE(list.footerTexts(), footer);
    QCOMPARE(list.selectedID(), QString::number(m_settled));
}

void tst_SaleLists::refreshAfterTheServerDroppedUs()
{
    if (!TestDatabase::isPostgres())
        QSKIP("only a server drops a connection");
    frmSaleAdmin list;
    const QStringList before = ids(list);
    QString error;
    QVERIFY2(TestDatabase::dropSharedConnection(&error), qPrintable(error));
    m_prompts->clear();
    // The refresh that finds the connection gone says so once; the next one
    // reconnects and shows the rows again.
    list.DataRefresh();
    QCOMPARE(m_prompts->requests.size(), 1);
    list.DataRefresh();
    QCOMPARE(m_prompts->requests.size(), 1);
    QCOMPARE(ids(list), before);
    QVERIFY(ExecuteSQL(QStringLiteral("update Sale set Detail='x' where ID=%1").arg(m_open)));
}

void tst_SaleLists::settlingWhatChangedElsewhere()
{
    frmSaleAdmin list;
    // Another workstation closes the open order after this list read it.
    QVERIFY(list.selectRowOfId(m_open));
    QVERIFY(ExecuteSQL(QStringLiteral("update Sale set FinishFlag='1' where ID=%1").arg(m_open)));
    QVERIFY(list.commands().run(&ListCommands::OutAmount));
    QCOMPARE(sale(m_open, "OutAmount").toInt(), 0);
    QCOMPARE(m_prompts->requests.size(), 1);
    QVERIFY2(m_prompts->requests.first().text.contains(QStringLiteral("已被其他用户修改")),
        qPrintable(m_prompts->requests.first().text));
    // The list now shows the orders as they are: a closed order of another
    // day is no longer among them.
    QVERIFY(!ids(list).contains(QString::number(m_open)));

    // Money received elsewhere meanwhile: not reported as received here.
    m_prompts->clear();
    QVERIFY(list.selectRowOfId(m_otherStation));
    QVERIFY(ExecuteSQL(
        QStringLiteral("update Sale set InMoney=TotalMoney where ID=%1").arg(m_otherStation)));
    QVERIFY(list.commands().run(&ListCommands::InMoney));
    QCOMPARE(m_prompts->requests.size(), 1);
    QVERIFY(!m_prompts->texts().first().startsWith(QStringLiteral("成功收到")));
    QVERIFY(m_prompts->texts().first().contains(QStringLiteral("不能再收款")));

    // Deleted elsewhere.
    m_prompts->clear();
    QVERIFY(list.selectRowOfId(m_settled));
    QVERIFY(ExecuteSQL(QStringLiteral("delete from Sale where ID=%1").arg(m_settled)));
    QVERIFY(list.commands().run(&ListCommands::InContainer));
    QCOMPARE(
        m_prompts->texts(), QStringList{QStringLiteral("单据%1已被其他用户删除！").arg(m_settled)});
    QVERIFY(!ids(list).contains(QString::number(m_settled)));
}

void tst_SaleLists::destructiveQuestionsDefaultToNo()
{
    // Nobody answers: every question takes its default button, as a stray
    // Enter would.
    frmSaleAdmin list;
    QVERIFY(list.selectRowOfId(m_open));
    const QList<ListCommands::Member> commands
        = {&ListCommands::DeleteData, &ListCommands::DeleteAll, &ListCommands::InAllMoney,
            &ListCommands::OutAllMoney, &ListCommands::OutAllAmount, &ListCommands::InAllAmount,
            &ListCommands::InAllContainer, &ListCommands::OutAllContainer};
    for (const ListCommands::Member command : commands)
        QVERIFY(list.commands().run(command));
    QCOMPARE(m_prompts->requests.size(), commands.size());
    for (const Prompt::Request &r : std::as_const(m_prompts->requests))
        QCOMPARE(r.defaultButton, int(Prompt::No));
    QVERIFY(sale(m_open, "ID").isValid());
    QCOMPARE(Currency::fromVariant(sale(m_open, "InMoney")), Currency());
    QCOMPARE(sale(m_open, "OutAmount").toInt(), 0);
    QCOMPARE(sale(m_settled, "InContainer").toInt(), 1);
}

void tst_SaleLists::keyboard()
{
    frmSaleAdmin list;
    list.resize(800, 400);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QStringList calls;
    list.commands().EditData = [&calls] {
        calls << QStringLiteral("EditData");
    };
    list.commands().AddNew = [&calls] {
        calls << QStringLiteral("AddNew");
    };
    list.grid()->setFocus();
    list.grid()->setCurrentIndex(QModelIndex());
    // Enter without a row does nothing; on a row it opens the order.
    QTest::keyClick(list.grid(), Qt::Key_Return);
    QCOMPARE(calls, QStringList());
    QVERIFY(list.selectRowOfId(m_open));
    QTest::keyClick(list.grid(), Qt::Key_Return);
    QTest::keyClick(list.grid(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(calls, (QStringList{"EditData", "EditData"}));
    // Ctrl+N: a new order from the sale list.
    QTest::keyClick(list.grid(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(calls, (QStringList{"EditData", "EditData", "AddNew"}));
    // F5 reads the rows again.
    const qint64 added = addSale(1, 5, 0, 1, 0, 0, 0, "0", m_today);
    QTest::keyClick(list.grid(), Qt::Key_F5);
    QVERIFY(ids(list).contains(QString::number(added)));
    QCOMPARE(list.selectedID(), QString::number(m_open));
    // The money list has no Ctrl+N.
    frmMoneyAdmin money;
    money.show();
    QStringList moneyCalls;
    money.commands().AddNew = [&moneyCalls] {
        moneyCalls << QStringLiteral("AddNew");
    };
    QTest::keyClick(money.grid(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(moneyCalls.isEmpty());
}

namespace {

// How many drawn pixels the top and the bottom half of an arrow hold: an
// arrow pointing up is narrow at the top.
QPair<int, int> arrowHalves(const QVariant &decoration)
{
    const QImage image = decoration.value<QPixmap>().toImage();
    int top = 0;
    int bottom = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 128)
                (y < image.height() / 2 ? top : bottom) += 1;
        }
    }
    return {top, bottom};
}

} // namespace

void tst_SaleLists::sortArrowPointsUpForAscending()
{
    frmSaleAdmin list;
    QAbstractItemModel *model = list.grid()->model();
    QVERIFY(!model->headerData(3, Qt::Horizontal, Qt::DecorationRole).isValid());
    list.sortByColumn(3);
    QCOMPARE(list.curSortSQL, QStringLiteral(" ORDER BY TotalMoney Asc"));
    const auto up = arrowHalves(model->headerData(3, Qt::Horizontal, Qt::DecorationRole));
    QVERIFY2(up.first > 0 && up.first < up.second,
        qPrintable(QStringLiteral("%1 %2").arg(up.first).arg(up.second)));
    list.sortByColumn(0);
    QCOMPARE(list.curSortSQL, QStringLiteral(" ORDER BY Sale.ID Desc"));
    QVERIFY(!model->headerData(3, Qt::Horizontal, Qt::DecorationRole).isValid());
    const auto down = arrowHalves(model->headerData(0, Qt::Horizontal, Qt::DecorationRole));
    QVERIFY(down.second > 0 && down.first > down.second);
}

void tst_SaleLists::footerStaysUnderItsColumns()
{
    for (int n = 0; n < 40; ++n)
        addSale(1, 1, 0, 1, 0, 0, 0, "0", m_today);
    frmSaleAdmin list;
    list.resize(420, 300);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    auto *footer = list.findChild<QTableView *>(QStringLiteral("dbgFooter"));
    QVERIFY(footer && footer->isVisible());
    QVERIFY(list.grid()->verticalScrollBar()->isVisible());
    QScrollBar *sideways = list.grid()->horizontalScrollBar();
    QVERIFY(sideways->maximum() > 0);
    for (int value : {sideways->maximum() / 2, sideways->maximum()}) {
        sideways->setValue(value);
        QCoreApplication::processEvents();
        for (int c = 0; c < list.model()->columnCount(); ++c)
            QCOMPARE(footer->horizontalHeader()->sectionViewportPosition(c),
                list.grid()->horizontalHeader()->sectionViewportPosition(c));
    }
}

void tst_SaleLists::noPrinterOffersPdf()
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        QSKIP("this workstation has a printer");
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral(".config")).toUtf8());
    frmSaleAdmin list;
    const QString folder = QFileInfo(list.pdfFileName()).absolutePath();
    QVERIFY2(folder.startsWith(home.path()), qPrintable(folder));

    // Declined: nothing is written.
    m_prompts->answers = {Prompt::No};
    list.commands().run(&ListCommands::PrintReport);
    QCOMPARE(m_prompts->requests.size(), 1);
    QVERIFY(m_prompts->requests.first().text.startsWith(
        QStringLiteral("系统中没有安装打印机，是否将报表保存为PDF文件？")));
    QVERIFY(QDir(folder).entryList({QStringLiteral("*.pdf")}).isEmpty());

    m_prompts->clear();
    m_prompts->answers = {Prompt::Yes};
    list.commands().run(&ListCommands::PrintReport);
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.pdf")});
    QCOMPARE(files.size(), 1);
    QCOMPARE(m_prompts->requests.size(), 2);
    QCOMPARE(m_prompts->requests[1].text,
        QStringLiteral("报表已保存为PDF文件：%1")
            .arg(QDir::toNativeSeparators(QDir(folder).filePath(files.first()))));
    QVERIFY(QFileInfo(QDir(folder).filePath(files.first())).size() > 1000);
    qputenv("HOME", oldHome);
    if (oldConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);
}

QTEST_MAIN(tst_SaleLists)
#include "tst_salelists.moc"
