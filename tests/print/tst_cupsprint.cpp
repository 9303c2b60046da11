#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "lists/frmsaleadmin.h"
#include "lists/listcommands.h"
#include "sales/saleslip.h"
#include "sales/sliplayout.h"
#include "shell/loginstate.h"
#include "shell/messageboxprompt.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// Prints through a real print scheduler: a list through its print command,
// an order's slip through the list's slip command and a sale slip through
// PrintSaleSlip itself, all to the default destination,
// whose device is a socket served by print_cups.sh. That script starts the
// scheduler, creates the queue and names, in PELKOR_PRINT_JOBS, the folder
// where each job it receives appears once complete.

using mDatabase::ExecuteSQL;
using mDatabase::InsertAndGetID;

namespace {

// Answers every question from the script, but the print prompt as the
// program itself does: the job goes to the default printer, no file chosen.
class PrintingPrompter : public ScriptedPrompter {
public:
    QVariant choose(const Prompt::Request &request) override
    {
        if (request.kind != Prompt::Kind::Print)
            return ScriptedPrompter::choose(request);
        requests << request;
        return MessageBoxPrompt().choose(request);
    }
};

struct PdfFacts {
    QString text;
    int pages = 0;
    QSizeF points; // width x height of the first page
};

QString run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(20000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

PdfFacts facts(const QString &pdf)
{
    PdfFacts f;
    f.text
        = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    const QRegularExpressionMatch pages = QRegularExpression(
        QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
                                              .match(info);
    f.pages = pages.hasMatch() ? pages.captured(1).toInt() : 0;
    const QRegularExpressionMatch size
        = QRegularExpression(QStringLiteral("^Page size:\\s+([\\d.]+) x ([\\d.]+) pts"),
            QRegularExpression::MultilineOption)
              .match(info);
    if (size.hasMatch())
        f.points = QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble());
    return f;
}

// Where a word is on the first page, in points from the top left corner.
QRectF wordBox(const QString &pdf, const QString &word)
{
    const QString boxes = run(QStringLiteral("pdftotext"),
        {QStringLiteral("-bbox"), QStringLiteral("-l"), QStringLiteral("1"), pdf,
            QStringLiteral("-")});
    const QRegularExpressionMatch m
        = QRegularExpression(QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" "
                                            "xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">%1</word>")
                                 .arg(QRegularExpression::escape(word)))
              .match(boxes);
    if (!m.hasMatch())
        return {};
    return QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
        QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
}

QString sizeText(const QSizeF &points)
{
    return QStringLiteral("%1 x %2 pt")
        .arg(QString::number(points.width(), 'f', 1), QString::number(points.height(), 'f', 1));
}

bool near(const QSizeF &points, double widthMm, double heightMm)
{
    const double perMm = 72.0 / 25.4;
    return qAbs(points.width() - widthMm * perMm) < 2.0
        && qAbs(points.height() - heightMm * perMm) < 2.0;
}

} // namespace

class tst_CupsPrint : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void listAndItsSlipGoToTheDefaultQueue();
    void slipGoesToTheDefaultQueueWithoutDialog();

private:
    // Waits for the next job the queue's device receives and keeps the PDF
    // inside it (the device gets it wrapped in printer job language).
    bool nextJob(const QString &pdfFile, QString *why);

    TestDatabase m_db;
    ScopedSession m_session{ScopedSession::headStation()};
    PrintingPrompter *m_prompts = nullptr;
    QDir m_jobs;
    QStringList m_seen;
    QTemporaryDir m_dir;
};

void tst_CupsPrint::initTestCase()
{
    const QString jobs = qEnvironmentVariable("PELKOR_PRINT_JOBS");
    if (jobs.isEmpty())
        QSKIP("needs the print scheduler and queue that tests/app/print_cups.sh sets up");
    m_jobs = QDir(jobs);
    QVERIFY2(m_jobs.exists(), qPrintable(jobs));
    QVERIFY(m_dir.isValid());
    qputenv("PELKOR_SLIP_LAYOUT", m_dir.filePath(QStringLiteral("sale.rpx")).toUtf8());
    // The program sees the scheduler's queue as the workstation's default.
    QCOMPARE(QPrinterInfo::defaultPrinterName(), qEnvironmentVariable("PELKOR_PRINT_QUEUE"));
}

void tst_CupsPrint::init()
{
    m_prompts = new PrintingPrompter;
    PELKOR_FRESH_DATABASE(m_db);
    // A job a failed test left in the queue is not the next test's job.
    QVERIFY2(
        QTest::qWaitFor(
            [] {
                return run(QStringLiteral("lpstat"), {QStringLiteral("-o")}).trimmed().isEmpty();
            },
            40000),
        "the queue still holds an earlier job");
    QTest::qWait(500);
    m_seen = m_jobs.entryList({QStringLiteral("job.*")}, QDir::Files);
}

void tst_CupsPrint::cleanup()
{
    mDatabase::CloseConnection();
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

bool tst_CupsPrint::nextJob(const QString &pdfFile, QString *why)
{
    QString job;
    // The scheduler hands the job to its device a few seconds after it was
    // queued; a job file appears only once its connection has closed.
    const bool arrived = QTest::qWaitFor(
        [&] {
            for (const QString &name : m_jobs.entryList({QStringLiteral("job.*")}, QDir::Files))
                if (!m_seen.contains(name)) {
                    job = name;
                    return true;
                }
            return false;
        },
        40000);
    if (!arrived) {
        *why = QStringLiteral("no job reached the printer's device");
        return false;
    }
    m_seen << job;
    QFile in(m_jobs.filePath(job));
    if (!in.open(QIODevice::ReadOnly)) {
        *why = in.errorString();
        return false;
    }
    const QByteArray data = in.readAll();
    const qsizetype start = data.indexOf("%PDF-");
    const qsizetype end = data.lastIndexOf("%%EOF");
    if (start < 0 || end < start) {
        *why = QStringLiteral("the job (%1 bytes) holds no PDF").arg(data.size());
        return false;
    }
    QFile out(pdfFile);
    if (!out.open(QIODevice::WriteOnly) || out.write(data.mid(start, end + 5 - start)) < 0) {
        *why = out.errorString();
        return false;
    }
    return true;
}

void tst_CupsPrint::listAndItsSlipGoToTheDefaultQueue()
{
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城东','1')")));
    const qint64 customer = InsertAndGetID(
        QStringLiteral("insert into Customer(Account,Name,Address,Status,StationID) "
                       "values(7,'王五','人民路18号','1',1)"));
    const qint64 sender = InsertAndGetID(
        QStringLiteral("insert into Sender(Name,Status,StationID) values('刘师傅','1',1)"));
    const QString today = mDatabase::dialect().dateLiteral(QDate::currentDate());
    QList<qint64> sales;
    for (const QString &money : {QStringLiteral("36"), QStringLiteral("54.5")})
        sales << InsertAndGetID(
            QStringLiteral(
                "insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,"
                "TotalContainer,InMoney,OutAmount,InContainer,TransferFee,Detail,"
                "CreateDate,FinishFlag,StationID) values(%1,%2,1,3,%3,3,0,0,0,0,'',%4,'0',1)")
                .arg(QString::number(customer), QString::number(sender), money, today));
    QVERIFY(sales.last() > sales.first() && sales.first() > 0);

    frmSaleAdmin list;
    QCOMPARE(list.model()->rowCount(), 2);
    QVERIFY(list.commands().run(&ListCommands::PrintReport));
    QCOMPARE(m_prompts->requests.size(), 1);
    QCOMPARE(m_prompts->requests.first().kind, Prompt::Kind::Print);

    const QString pdf = m_dir.filePath(QStringLiteral("list.pdf"));
    QString why;
    QVERIFY2(nextJob(pdf, &why), qPrintable(why));
    const PdfFacts f = facts(pdf);
    QVERIFY2(f.text.contains(QStringLiteral("销售单据一览表")), qPrintable(f.text));
    QVERIFY2(f.text.contains(QStringLiteral("人民路18号")), qPrintable(f.text));
    QVERIFY2(f.text.contains(QStringLiteral("54.5")), qPrintable(f.text));
    QVERIFY2(f.text.contains(QStringLiteral("第1页 共1页")), qPrintable(f.text));
    QCOMPARE(f.pages, 1);
    // The queue's own paper, A4 as the station's printer is set up.
    QVERIFY2(near(f.points, 210, 297), qPrintable(sizeText(f.points)));
    const QRectF upright = wordBox(pdf, QStringLiteral("销售单据一览表"));
    QVERIFY(upright.width() > upright.height());

    // Set up for landscape, the list reaches the printer turned on the same
    // upright sheet: its title runs along the sheet's long side.
    m_prompts->onPrompt = [](const Prompt::Request &r) {
        if (r.kind == Prompt::Kind::PageSetup)
            r.printer->setPageOrientation(QPageLayout::Landscape);
    };
    m_prompts->choices = {QVariant(true)};
    list.PrintSetup();
    m_prompts->onPrompt = nullptr;
    QVERIFY(list.commands().run(&ListCommands::PrintReport));
    const QString wide = m_dir.filePath(QStringLiteral("list-landscape.pdf"));
    QVERIFY2(nextJob(wide, &why), qPrintable(why));
    const PdfFacts w = facts(wide);
    QVERIFY2(w.text.contains(QStringLiteral("人民路18号")), qPrintable(w.text));
    QVERIFY2(near(w.points, 210, 297), qPrintable(sizeText(w.points)));
    const QRectF turned = wordBox(wide, QStringLiteral("销售单据一览表"));
    QVERIFY(turned.height() > turned.width());

    // The list's slip command prints the selected order's slip, no dialog.
    m_prompts->clear();
    QVERIFY(list.selectRowOfId(sales.last()));
    QVERIFY(list.commands().run(&ListCommands::PrintSale));
    QVERIFY2(
        m_prompts->requests.size() == 1, qPrintable(m_prompts->texts().join(QLatin1Char('|'))));
    QCOMPARE(m_prompts->requests.first().kind, Prompt::Kind::Print);
    const QString slip = m_dir.filePath(QStringLiteral("list-slip.pdf"));
    QVERIFY2(nextJob(slip, &why), qPrintable(why));
    const PdfFacts s = facts(slip);
    QVERIFY2(s.text.contains(QStringLiteral("纯 净 水 送 货 单")), qPrintable(s.text));
    QVERIFY2(s.text.contains(QStringLiteral("人民路18号")), qPrintable(s.text));
    QVERIFY2(s.text.contains(QStringLiteral("￥54.50")), qPrintable(s.text));
    QVERIFY2(s.text.contains(QStringLiteral("刘师傅")), qPrintable(s.text));
    QCOMPARE(s.pages, 1);
}

void tst_CupsPrint::slipGoesToTheDefaultQueueWithoutDialog()
{
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城东','1')")));
    const qint64 customer = InsertAndGetID(QStringLiteral(
        "insert into Customer(Name,Account,Address,Phone,Detail,CustType,Status,UserID,StationID) "
        "values('李四',8801,'幸福路12号3单元','13912345678','',2,'1',1,1)"));
    const qint64 product
        = InsertAndGetID(QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer) "
                                        "values('纯净水','桶',12,'1','0')"));
    const qint64 sale = InsertAndGetID(
        QStringLiteral("insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,"
                       "TotalContainer,InMoney,OutAmount,InContainer,TransferFee,Detail,CreateDate,"
                       "FinishFlag,StationID) values(%1,0,1,2,24,2,0,0,0,0,'放门口',%2,'0',1)")
            .arg(QString::number(customer), mDatabase::dialect().dateLiteral(QDate(2026, 3, 5))));
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Sale_detail(SaleID,ProductID,Price,MyAmount,"
                                      "MyMoney,IsContainer) values(%1,%2,12,2,24,'0')")
                           .arg(QString::number(sale), QString::number(product))));

    QVERIFY(SaleSlip::PrintSaleSlip(sale));
    // Nothing but the print itself: no dialog, no error.
    QCOMPARE(m_prompts->requests.size(), 1);
    QCOMPARE(m_prompts->requests.first().kind, Prompt::Kind::Print);

    const QString pdf = m_dir.filePath(QStringLiteral("slip.pdf"));
    QString why;
    QVERIFY2(nextJob(pdf, &why), qPrintable(why));
    const PdfFacts f = facts(pdf);
    QVERIFY2(f.text.contains(QStringLiteral("纯 净 水 送 货 单")), qPrintable(f.text));
    QVERIFY2(f.text.contains(QStringLiteral("幸福路12号3单元")), qPrintable(f.text));
    QVERIFY2(f.text.contains(QStringLiteral("李四")), qPrintable(f.text));
    QVERIFY2(f.text.contains(QStringLiteral("2026年3月5日")), qPrintable(f.text));
    // The right edge of the slip is on the sheet too, not cut off.
    QVERIFY2(f.text.contains(QStringLiteral("￥24.00")), qPrintable(f.text));
    QCOMPARE(f.pages, 1);
    // The slip's own paper, whatever the queue's default is (A4 here). The
    // printer is sent the sheet upright, a slip wider than tall turned on it.
    const QSizeF mm = SaleSlip::currentLayout().pageMm;
    QVERIFY2(near(f.points, qMin(mm.width(), mm.height()), qMax(mm.width(), mm.height())),
        qPrintable(sizeText(f.points)));
    const QRectF address = wordBox(pdf, QStringLiteral("幸福路12号3单元"));
    QVERIFY(address.height() > address.width());

    // Kept as a file, the same slip is a page of its own shape.
    const QString file = m_dir.filePath(QStringLiteral("slip-file.pdf"));
    QVERIFY(SaleSlip::exportPdf(sale, file));
    const PdfFacts kept = facts(file);
    QVERIFY2(kept.text.contains(QStringLiteral("幸福路12号3单元")), qPrintable(kept.text));
    QVERIFY2(near(kept.points, mm.width(), mm.height()), qPrintable(sizeText(kept.points)));
}

QTEST_MAIN(tst_CupsPrint)
#include "tst_cupsprint.moc"
