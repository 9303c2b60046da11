#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/demodata.h"
#include "datastore/mdatabase.h"
#include "lists/listwindow.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/mgrpapp.h"
#include "sales/frmsale.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Where the screenshots go when PELKOR_SCREENSHOTS names a folder, to look at.
void keepShot(QWidget *widget, const QString &name)
{
    const QString folder = qEnvironmentVariable("PELKOR_SCREENSHOTS");
    if (!folder.isEmpty())
        widget->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

QRect available()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// Every column of the grid ends inside its view, and each text of the
// given columns is as wide as its column at most: nothing is cut.
QStringList cutOff(const QTableView *view, const QList<int> &whole, bool header)
{
    QStringList problems;
    const QHeaderView *h = view->horizontalHeader();
    const int right = view->viewport()->width();
    const QFont cells = view->font();
    const QFontMetrics captions(h->font());
    for (int c = 0; c < view->model()->columnCount(); ++c) {
        const int end = h->sectionViewportPosition(c) + h->sectionSize(c);
        const QString caption = view->model()->headerData(c, Qt::Horizontal).toString();
        if (end > right)
            problems << QStringLiteral("%1 ends at %2 of %3").arg(caption).arg(end).arg(right);
        // A caption may take more than one line where the header has them.
        const QRect lines = captions.boundingRect(
            QRect(0, 0, h->sectionSize(c) - 8, 1000), Qt::TextWordWrap, caption);
        if (header && (lines.width() > h->sectionSize(c) - 8 || lines.height() > h->height()))
            problems << QStringLiteral("caption %1 in %2×%3 px")
                            .arg(caption)
                            .arg(h->sectionSize(c))
                            .arg(h->height());
        if (!whole.contains(c))
            continue;
        for (int row = 0; row < view->model()->rowCount(); ++row) {
            const QModelIndex index = view->model()->index(row, c);
            QStyleOptionViewItem option;
            option.initFrom(view);
            option.font = cells;
            if (view->itemDelegate()->sizeHint(option, index).width() > h->sectionSize(c))
                problems << QStringLiteral("%1 in %2 px")
                                .arg(index.data().toString())
                                .arg(h->sectionSize(c));
        }
    }
    return problems;
}

} // namespace

class tst_SmallScreen : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void mainWindowFitsTheScreen_data();
    void mainWindowFitsTheScreen();
    void listFitsTheWindow_data();
    void listFitsTheWindow();
    void saleHistoryShowsEveryColumn();

private:
    TestDatabase m_db;
    ScopedSession m_session{ScopedSession::headStation()};
    ScriptedPrompter *m_prompts = nullptr;
};

void tst_SmallScreen::init()
{
    QCOMPARE(available().width(), 1024);
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
    QString error;
    QVERIFY2(DemoData::fill(QDate::currentDate(), &error), qPrintable(error));
    // An order today for a customer whose address is longer than any column.
    const qint64 customer = mDatabase::InsertAndGetID(QStringLiteral(
        "insert into Customer(Account,Address,Status,StationID) values(9901,"
        "'江苏省南京市玄武区中山东路三百号长江大厦东楼二十七层二七零八室转物业前台','1',1)"));
    QVERIFY(customer > 0);
    QVERIFY(mDatabase::ExecuteSQL(QStringLiteral(
        "insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,TotalContainer,"
        "InMoney,OutAmount,InContainer,TransferFee,Detail,CreateDate,FinishFlag,StationID) "
        "values(%1,1,1,1200,12345.5,1200,0,0,0,0,'',%2,'0',1)")
                                      .arg(QString::number(customer),
                                          mDatabase::dialect().dateLiteral(QDate::currentDate()))));
    QVERIFY(mDatabase::SetSysValue(QStringLiteral("AutoDataRefresh"), QStringLiteral("1")));
}

void tst_SmallScreen::cleanup()
{
    mDatabase::CloseConnection();
    m_db.dropAll();
    delete m_prompts;
}

void tst_SmallScreen::mainWindowFitsTheScreen_data()
{
    QTest::addColumn<QRect>("leftAt");
    QTest::newRow("first start") << QRect();
    QTest::newRow("left on a bigger screen") << QRect(300, 200, 1500, 950);
}

void tst_SmallScreen::mainWindowFitsTheScreen()
{
    QFETCH(QRect, leftAt);
    if (!leftAt.isNull()) {
        frmMain before;
        before.show();
        before.setWindowState(Qt::WindowNoState);
        before.setGeometry(leftAt);
        QCoreApplication::processEvents();
        before.close();
    }
    frmMain main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QVERIFY2(available().contains(main.frameGeometry()),
        qPrintable(QStringLiteral("%1,%2 %3×%4")
                       .arg(main.frameGeometry().x())
                       .arg(main.frameGeometry().y())
                       .arg(main.frameGeometry().width())
                       .arg(main.frameGeometry().height())));
}

void tst_SmallScreen::listFitsTheWindow_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QString>("window");
    QTest::newRow("sale list") << QString() << QStringLiteral("frmSaleAdmin");
    QTest::newRow("money list") << QStringLiteral("tlMoneyAdmin")
                                << QStringLiteral("frmMoneyAdmin");
    QTest::newRow("customer list")
        << QStringLiteral("tlCustomerAdmin") << QStringLiteral("frmCustomerAdmin");
    QTest::newRow("stock list") << QStringLiteral("tlStoreAdmin")
                                << QStringLiteral("frmStoreAdmin");
}

void tst_SmallScreen::listFitsTheWindow()
{
    QFETCH(QString, tool);
    QFETCH(QString, window);
    frmMain main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.load();
    if (!tool.isEmpty())
        main.toolClick(tool);
    auto *list = qobject_cast<ListWindow *>(main.childWindow(window));
    QVERIFY(list);
    QTRY_VERIFY(list->isVisible());
    QCoreApplication::processEvents();
    keepShot(&main, window);

    QVERIFY(main.mdiArea()->geometry().right() < main.width());
    QVERIFY(list->grid()->model()->rowCount() > 0);
    QList<int> figures;
    for (int c = 0; c < list->model()->columns().size(); ++c) {
        if (list->model()->columns()[c].kind != ListColumn::Text)
            figures << c;
    }
    const QStringList grid = cutOff(list->grid(), figures, false);
    QVERIFY2(grid.isEmpty(), qPrintable(grid.join(QStringLiteral("; "))));
    // The totals line, sentence and all, is read whole.
    auto *footer = list->findChild<QTableView *>(QStringLiteral("dbgFooter"));
    QVERIFY(footer);
    if (footer->isVisible()) {
        QList<int> all;
        for (int c = 0; c < footer->model()->columnCount(); ++c)
            all << c;
        const QStringList totals = cutOff(footer, all, false);
        QVERIFY2(totals.isEmpty(), qPrintable(totals.join(QStringLiteral("; "))));
    }
}

void tst_SmallScreen::saleHistoryShowsEveryColumn()
{
    frmSale form;
    form.mActionType = frmSale::New;
    QVERIFY(form.Load());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *account = form.findChild<QLineEdit *>(QStringLiteral("txtCustAccount"));
    account->setText(QStringLiteral("9901"));
    QTest::keyClick(account, Qt::Key_Return);
    auto *history = form.findChild<QTableView *>(QStringLiteral("dbgHistory"));
    QVERIFY(history);
    QTRY_VERIFY(history->model()->rowCount() > 0);
    QCoreApplication::processEvents();
    keepShot(&form, QStringLiteral("frmSale"));
    QVERIFY(available().contains(form.frameGeometry()));
    QList<int> all;
    for (int c = 0; c < history->model()->columnCount(); ++c)
        all << c;
    const QStringList grid = cutOff(history, all, true);
    QVERIFY2(grid.isEmpty(), qPrintable(grid.join(QStringLiteral("; "))));
}

int main(int argc, char *argv[])
{
    // A 1024×768 screen at 100 %.
    QTemporaryDir dir;
    QFile screens(dir.filePath(QStringLiteral("screens.json")));
    if (!screens.open(QIODevice::WriteOnly))
        return 1;
    screens.write(R"({"screens":[{"name":"small","x":0,"y":0,"width":1024,"height":768,)"
                  R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})");
    screens.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toUtf8());
    QApplication app(argc, argv);
    mGrpApp::applyInterfaceFont();
    tst_SmallScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_smallscreen.moc"
