#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "lists/frmsaleadmin.h"
#include "reports/frmreport.h"

#include <QDir>
#include <QFile>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

struct Word {
    QRectF box;
    QString text;
};

// The words pdftotext finds on the first page, with their boxes in points.
QList<Word> wordsOf(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
        {QStringLiteral("-bbox"), QStringLiteral("-l"), QStringLiteral("1"), pdf,
            QStringLiteral("-")});
    if (!p.waitForFinished(20000))
        return {};
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">([^<]*)</word>"));
    QList<Word> words;
    auto it = word.globalMatch(QString::fromUtf8(p.readAllStandardOutput()));
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        words << Word{QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                          QPointF(m.captured(3).toDouble(), m.captured(4).toDouble())),
            m.captured(5)};
    }
    return words;
}

// Sales of a station, one in each month of 2026, with sums in the millions.
void addSales(qint64 customer)
{
    for (int month = 1; month <= 12; ++month) {
        QVERIFY(mDatabase::ExecuteSQL(
            QStringLiteral(
                "insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,TotalContainer,"
                "InMoney,OutAmount,InContainer,TransferFee,Detail,CreateDate,FinishFlag,StationID) "
                "values(%1,1,1,%2,%3,%2,0,0,0,%4,'',%5,'0',1)")
                .arg(QString::number(customer), QString::number(900000 + month),
                    QStringLiteral("98765432.5"), QStringLiteral("123456.75"),
                    mDatabase::dialect().dateLiteral(QDate(2026, month, 9)))));
    }
}

} // namespace

class tst_GridPrintout : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void cellsStayInTheirColumns_data();
    void cellsStayInTheirColumns();
    void failedPrintSaysWhy_data();
    void failedPrintSaysWhy();

private:
    std::unique_ptr<ListWindow> open(const QString &window);

    TestDatabase m_db;
    ScriptedPrompter *m_prompts = nullptr;
};

void tst_GridPrintout::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_GridPrintout::cleanup()
{
    mDatabase::CloseConnection();
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

std::unique_ptr<ListWindow> tst_GridPrintout::open(const QString &window)
{
    if (window == QLatin1String("month report"))
        return std::make_unique<frmReport>(PeriodReport::Parameters{
            PeriodReport::MonthReport, QDate(2026, 1, 1), QDate(2026, 12, 31), 1, 0, 1, true});
    return std::make_unique<frmSaleAdmin>();
}

void tst_GridPrintout::cellsStayInTheirColumns_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("whole");

    QTest::newRow("month report") << QStringLiteral("month report") << QStringLiteral("人民路1号")
                                  << QStringList{QStringLiteral("2026年1"),
                                         QStringLiteral("2026年12月"),
                                         QStringLiteral("98,765,432.50"),
                                         QStringLiteral("1,185,185,190.00")};
    QTest::newRow("sale list, short address")
        << QStringLiteral("sale list") << QStringLiteral("人民路1号")
        << QStringList{QStringLiteral("人民路1号"), QStringLiteral("98,765,432.50")};
    // Wider than the paper: the address gives way, the figures stay whole.
    QTest::newRow("sale list, address wider than the paper")
        << QStringLiteral("sale list")
        << QStringLiteral("江苏省南京市玄武区中山东路三百号长江大厦东楼二十七层"
                          "二七零八室转物业管理处前台代收请在工作日上午九点以后送达")
        << QStringList{QStringLiteral("98,765,432.50"), QStringLiteral("900012")};
}

void tst_GridPrintout::cellsStayInTheirColumns()
{
    QFETCH(QString, window);
    QFETCH(QString, address);
    QFETCH(QStringList, whole);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    const ScopedSession session(ScopedSession::headStation());
    const qint64 customer = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Customer(Account,Address,Status,StationID) values(7,%1,'1',1)")
            .arg(mDatabase::SqlStr(address)));
    QVERIFY(customer > 0);
    addSales(customer);
    const std::unique_ptr<ListWindow> list = open(window);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("grid.pdf"));

    // The columns the printout drew, as the grid printer reports them.
    QVERIFY(list->exportPdf(pdf));
    const QVector<qreal> edges = list->printedColumnEdges();
    QCOMPARE(edges.size(), list->model()->columnCount() + 1);
    const QList<Word> words = wordsOf(pdf);
    QVERIFY(words.size() > 20);

    QStringList texts;
    for (const Word &w : words)
        texts << w.text;
    for (const QString &text : whole)
        QVERIFY2(texts.contains(text), qPrintable(text + QStringLiteral(" in ") + texts.join(' ')));

    for (int i = 0; i < words.size(); ++i) {
        for (int j = i + 1; j < words.size(); ++j) {
            const QRectF both = words[i].box.intersected(words[j].box);
            QVERIFY2(both.width() < 0.5 || both.height() < 0.5,
                qPrintable(QStringLiteral("%1 overlaps %2").arg(words[i].text, words[j].text)));
        }
    }
    // Between the title and the page footer every word is a cell's text,
    // inside one column.
    qreal top = 0;
    qreal bottom = 1e9;
    for (const Word &w : words) {
        if (w.text.startsWith(QStringLiteral("第")) && w.text.endsWith(QStringLiteral("页")))
            bottom = qMin(bottom, w.box.top());
    }
    top = words.first().box.bottom();
    int cells = 0;
    for (const Word &w : words) {
        if (w.box.center().y() <= top || w.box.center().y() >= bottom)
            continue;
        ++cells;
        bool inside = false;
        for (int c = 0; c + 1 < edges.size() && !inside; ++c)
            inside = w.box.left() >= edges[c] - 0.5 && w.box.right() <= edges[c + 1] + 0.5;
        QVERIFY2(inside,
            qPrintable(
                QStringLiteral("%1 at %2-%3").arg(w.text).arg(w.box.left()).arg(w.box.right())));
    }
    QVERIFY(cells > 20);
}

void tst_GridPrintout::failedPrintSaysWhy_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("namesTheError");

    QTest::newRow("month report") << QStringLiteral("month report") << true;
    QTest::newRow("sale list") << QStringLiteral("sale list") << false;
}

void tst_GridPrintout::failedPrintSaysWhy()
{
    QFETCH(QString, window);
    QFETCH(bool, namesTheError);
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        QSKIP("this workstation has a printer: the printout would go there");
    const ScopedSession session(ScopedSession::headStation());
    // The home folder lies under a file: neither Documents nor home itself
    // can take the PDF.
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("disk")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString home = dir.filePath(QStringLiteral("disk/home"));
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral(".config")).toUtf8());

    const std::unique_ptr<ListWindow> list = open(window);
    m_prompts->answers = {Prompt::Yes};
    list->commands().run(&ListCommands::PrintReport);
    qputenv("HOME", oldHome);
    if (oldConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);

    QCOMPARE(m_prompts->requests.size(), 2);
    const Prompt::Request failure = m_prompts->requests.last();
    QCOMPARE(failure.icon, Prompt::Icon::Critical);
    QCOMPARE(failure.title, QStringLiteral("打印"));
    if (namesTheError) {
        QVERIFY2(failure.text.startsWith(QStringLiteral("打印错误：无法写入文件")),
            qPrintable(failure.text));
        QVERIFY2(failure.text.contains(QDir::toNativeSeparators(home)), qPrintable(failure.text));
    } else {
        QCOMPARE(failure.text, QStringLiteral("打印失败，请检查您的系统中是否正确安装了打印机！"));
    }
}

QTEST_MAIN(tst_GridPrintout)
#include "tst_gridprintout.moc"
