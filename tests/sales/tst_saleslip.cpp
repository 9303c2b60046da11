#include "common/modalhelper.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "sales/frmsale.h"
#include "sales/frmsaleprintsetup.h"
#include "sales/saleslip.h"
#include "sales/slipdata.h"
#include "sales/sliplayout.h"
#include "sales/slipprintjob.h"
#include "shell/pdfoffer.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using mDatabase::ExecuteSQL;
using mDatabase::InsertAndGetID;

namespace {

QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class tst_SaleSlip : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void layoutRoundTripAndDamage();
    void layoutIsReadWhereItIsSaved_data();
    void layoutIsReadWhereItIsSaved();
    void storedSaleOnTheSlip();
    void hiddenFieldStaysOff();
    void missingRowsPrintWhatTheyCan_data();
    void missingRowsPrintWhatTheyCan();
    void designerMovesHidesAndRefonts();
    void designerAsksBeforeDiscarding_data();
    void designerAsksBeforeDiscarding();
    void saleFormOpensTheDesigner();
    void noPrinterOffersPdf_data();
    void noPrinterOffersPdf();

private:
    qint64 storeSale(qint64 sender);

    TestDatabase m_db;
    ScriptedPrompter *m_prompts = nullptr;
    QTemporaryDir m_dir;
};

void tst_SaleSlip::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("PELKOR_SLIP_LAYOUT", m_dir.filePath(QStringLiteral("sale.rpx")).toUtf8());
}

void tst_SaleSlip::init()
{
    QFile::remove(SaleSlip::layoutFile());
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_SaleSlip::cleanup()
{
    mDatabase::CloseConnection();
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

qint64 tst_SaleSlip::storeSale(qint64 sender)
{
    const qint64 customer = InsertAndGetID(QStringLiteral(
        "insert into Customer(Name,Account,Address,Phone,Detail,CustType,Status,UserID,StationID) "
        "values('李四',8801,'幸福路12号3单元','13912345678','',2,'1',1,1)"));
    const qint64 sale
        = InsertAndGetID(QStringLiteral(
            "insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,"
            "TotalContainer,InMoney,OutAmount,InContainer,TransferFee,Detail,CreateDate,"
            "FinishFlag,StationID) values(%1,%2,1,10,1234.5,2,0,0,0,0,'放门口',%3,'0',1)")
                             .arg(QString::number(customer), QString::number(sender),
                                 mDatabase::dialect().dateLiteral(QDate(2026, 3, 5))));
    const qint64 bottle
        = InsertAndGetID(QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer) "
                                        "values('水桶押金品','个',30,'1','1')"));
    const char *names[] = {"纯净水", "矿泉水", "山泉水", "第四种水"};
    for (int i = 0; i < 4; ++i) {
        const qint64 product = InsertAndGetID(
            QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer) "
                           "values('%1','桶',%2,'1','0')")
                .arg(QString::fromUtf8(names[i]))
                .arg(10 + i));
        ExecuteSQL(QStringLiteral("insert into Sale_detail(SaleID,ProductID,Price,MyAmount,MyMoney,"
                                  "IsContainer) values(%1,%2,%3,%4,%5,'0')")
                       .arg(sale)
                       .arg(product)
                       .arg(10 + i)
                       .arg(i + 1)
                       .arg((10 + i) * (i + 1)));
        if (i == 0)
            ExecuteSQL(QStringLiteral("insert into Sale_detail(SaleID,ProductID,Price,MyAmount,"
                                      "MyMoney,IsContainer) values(%1,%2,0,1,0,'1')")
                           .arg(sale)
                           .arg(bottle));
    }
    return sale;
}

void tst_SaleSlip::layoutRoundTripAndDamage()
{
    SlipLayout built = SlipLayout::builtIn();
    for (const QString &name : SlipLayout::fieldNames())
        QVERIFY2(built.field(name), qPrintable(name));
    QCOMPARE(built.pageMm, QSizeF(210, 148.5));

    SlipLayout changed = built;
    changed.field(QStringLiteral("txtDetail"))->visible = false;
    changed.field(QStringLiteral("txtAddress"))->fontSize = 14;
    changed.field(QStringLiteral("txtAddress"))->italic = true;
    changed.field(QStringLiteral("txtAddress"))->rectMm.translate(5, -2);
    const QString file = SaleSlip::layoutFile();
    QVERIFY(changed.save(file));
    QCOMPARE(SaleSlip::currentLayout(), changed);

    // Damaged, of another version, or missing a field: the built-in slip.
    for (const QByteArray &bad : {QByteArray("{\"format\":\"pelkor-sale-slip\",\"version\":1"),
             changed.toJson().replace("\"version\": 1", "\"version\": 99"),
             changed.toJson().replace("txtBigTotal", "txtNothing"), QByteArray()}) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bad);
        f.close();
        QCOMPARE(SaleSlip::currentLayout(), built);
    }
    QFile::remove(file);
    QCOMPARE(SaleSlip::currentLayout(), built);
}

void tst_SaleSlip::layoutIsReadWhereItIsSaved_data()
{
    QTest::addColumn<bool>("shipped");
    QTest::addColumn<bool>("own");
    QTest::newRow("nothing yet") << false << false;
    QTest::newRow("shipped read-only") << true << false;
    QTest::newRow("own copy") << false << true;
    QTest::newRow("both") << true << true;
}

void tst_SaleSlip::layoutIsReadWhereItIsSaved()
{
    QFETCH(bool, shipped);
    QFETCH(bool, own);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path();
    // A program folder that cannot be made (a file stands in its way), a
    // machine folder holding a read-only layout, the operator's own folder.
    QFile blocker(root + QStringLiteral("/program"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QStringList candidates{root + QStringLiteral("/program/bin/sale.rpx"),
        root + QStringLiteral("/machine/pelkor/sale.rpx"),
        root + QStringLiteral("/home/pelkor/sale.rpx")};
    SlipLayout earlier = SlipLayout::builtIn();
    earlier.field(QStringLiteral("txtDetail"))->visible = false;
    if (shipped) {
        QVERIFY(QDir().mkpath(root + QStringLiteral("/machine/pelkor")));
        QVERIFY(earlier.save(candidates[1]));
        QFile(candidates[1]).setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    if (own) {
        QVERIFY(QDir().mkpath(root + QStringLiteral("/home/pelkor")));
        QVERIFY(earlier.save(candidates[2]));
    }
    const bool homeBefore = QFileInfo::exists(root + QStringLiteral("/home"));

    const QString target = SaleSlip::writeTarget(candidates);
    QVERIFY(target != candidates[0]);
    // The shipped copy is read until there is one that may be written (as
    // root, the shipped copy itself may be).
    QString before;
    if (shipped && (!own || QFileInfo(candidates[1]).isWritable()))
        before = candidates[1];
    else if (own)
        before = candidates[2];
    QCOMPARE(SaleSlip::readSource(candidates), before);
    // Asking creates nothing.
    QCOMPARE(QFileInfo::exists(root + QStringLiteral("/home")), homeBefore);

    // Whatever is saved is what is read afterwards.
    SlipLayout saved = SlipLayout::builtIn();
    saved.field(QStringLiteral("txtAddress"))->fontSize = 15;
    QVERIFY(QDir().mkpath(QFileInfo(target).absolutePath()));
    QVERIFY(saved.save(target));
    QCOMPARE(SaleSlip::readSource(candidates), target);
    SlipLayout read;
    QVERIFY(read.load(SaleSlip::readSource(candidates)));
    QCOMPARE(read, saved);
}

void tst_SaleSlip::storedSaleOnTheSlip()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    const qint64 sale = storeSale(0);
    const SlipData data = SlipReader::load(sale);
    QVERIFY2(data.failure.isEmpty(), qPrintable(data.failure));
    QCOMPARE(data.value(QStringLiteral("txtDate")), QStringLiteral("2026年3月5日"));
    QCOMPARE(data.value(QStringLiteral("txtSmallTotal")), QStringLiteral("￥1,234.50"));
    QCOMPARE(data.value(QStringLiteral("txtBigTotal")), QStringLiteral("壹仟贰佰叁拾肆元伍角"));
    QCOMPARE(data.value(QStringLiteral("txtCustType")), QStringLiteral("大客户"));
    QCOMPARE(data.value(QStringLiteral("txtSender")), QString());
    QCOMPARE(data.value(QStringLiteral("txtProduct3")), QStringLiteral("山泉水"));
    QCOMPARE(data.value(QStringLiteral("txtAmount2")), QStringLiteral("2"));

    const QString pdf = m_dir.filePath(QStringLiteral("slip.pdf"));
    QVERIFY(SaleSlip::exportPdf(sale, pdf));
    const QString text = pdfText(pdf);
    for (const QString &expected : {QStringLiteral("2026年3月5日"), QStringLiteral("8801"),
             QStringLiteral("李四"), QStringLiteral("13912345678"),
             QStringLiteral("幸福路12号3单元"), QStringLiteral("大客户"), QStringLiteral("放门口"),
             QStringLiteral("系统管理员"), QStringLiteral("￥1,234.50"),
             QStringLiteral("壹仟贰佰叁拾肆元伍角"), QStringLiteral("纯净水"),
             QStringLiteral("矿泉水"), QStringLiteral("山泉水"), QStringLiteral("客户签收")})
        QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" in\n") + text));
    // The fourth line and the bottle line never print.
    QVERIFY(!text.contains(QStringLiteral("第四种水")));
    QVERIFY(!text.contains(QStringLiteral("水桶押金品")));
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_SaleSlip::hiddenFieldStaysOff()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    const qint64 sender = InsertAndGetID(
        QStringLiteral("insert into Sender(Name,Status,StationID) values('赵六','1',1)"));
    const qint64 sale = storeSale(sender);
    const QString pdf = m_dir.filePath(QStringLiteral("hidden.pdf"));
    QVERIFY(SaleSlip::exportPdf(sale, pdf));
    QVERIFY(pdfText(pdf).contains(QStringLiteral("赵六")));

    SlipLayout layout = SaleSlip::currentLayout();
    layout.field(QStringLiteral("txtSender"))->visible = false;
    QVERIFY(layout.save(SaleSlip::layoutFile()));
    QVERIFY(SaleSlip::exportPdf(sale, pdf));
    const QString text = pdfText(pdf);
    QVERIFY(!text.contains(QStringLiteral("赵六")));
    QVERIFY(text.contains(QStringLiteral("李四")));
}

void tst_SaleSlip::missingRowsPrintWhatTheyCan_data()
{
    QTest::addColumn<QString>("missing");
    QTest::addColumn<QStringList>("empty");
    QTest::newRow("customer") << QStringLiteral("delete from Customer")
                              << QStringList{QStringLiteral("txtCustID"),
                                     QStringLiteral("txtCustName"), QStringLiteral("txtCustPhone"),
                                     QStringLiteral("txtAddress"), QStringLiteral("txtCustType")};
    QTest::newRow("operator") << QStringLiteral("delete from SysUser")
                              << QStringList{QStringLiteral("txtOperator")};
    QTest::newRow("station") << QStringLiteral("delete from Station")
                             << QStringList{QStringLiteral("txtStation")};
    QTest::newRow("first product")
        << QStringLiteral("delete from Product where Name='纯净水'")
        << QStringList{QStringLiteral("txtProduct1"), QStringLiteral("txtUnit1")};
}

void tst_SaleSlip::missingRowsPrintWhatTheyCan()
{
    QFETCH(QString, missing);
    QFETCH(QStringList, empty);
    const qint64 sender = InsertAndGetID(
        QStringLiteral("insert into Sender(Name,Status,StationID) values('赵六','1',1)"));
    const qint64 sale = storeSale(sender);
    const SlipData whole = SlipReader::load(sale);
    QVERIFY2(whole.failure.isEmpty(), qPrintable(whole.failure));
    QVERIFY(ExecuteSQL(missing));
    const SlipData data = SlipReader::load(sale);
    QVERIFY(!data.failure.isEmpty());
    // What is missing prints empty; every other field as on the whole slip.
    for (auto it = whole.fields.cbegin(); it != whole.fields.cend(); ++it)
        QCOMPARE(data.value(it.key()), empty.contains(it.key()) ? QString() : it.value());

    const QString pdf = m_dir.filePath(QStringLiteral("partial.pdf"));
    QVERIFY(SaleSlip::exportPdf(sale, pdf));
    QCOMPARE(m_prompts->requests.size(), 1);
    QVERIFY(m_prompts->texts().first().startsWith(QStringLiteral("出现系统故障：")));
    QCOMPARE(m_prompts->requests.first().title, QStringLiteral("失败"));
    QVERIFY(QFile::exists(pdf));
}

void tst_SaleSlip::designerMovesHidesAndRefonts()
{
    // Every field reads in the operator's words, each differently.
    QSet<QString> captions;
    for (const QString &name : SlipLayout::fieldNames()) {
        const QString caption = SlipLayout::fieldCaption(name);
        QVERIFY2(caption != name && !caption.contains(QLatin1String("txt")), qPrintable(name));
        captions << caption;
    }
    QCOMPARE(captions.size(), SlipLayout::fieldNames().size());

    frmSalePrintSetup setup;
    SlipCanvas *canvas = setup.canvas();
    QCOMPARE(setup.layout(), SlipLayout::builtIn());
    canvas->selectField(QStringLiteral("txtAddress"));
    const QRectF before = setup.layout().field(QStringLiteral("txtAddress"))->rectMm;
    QTest::keyClick(canvas, Qt::Key_Right);
    QTest::keyClick(canvas, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(setup.layout().field(QStringLiteral("txtAddress"))->rectMm.topLeft(),
        before.topLeft() + QPointF(0.5, 5));
    // Never pushed off the paper.
    for (int i = 0; i < 100; ++i)
        QTest::keyClick(canvas, Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(setup.layout().field(QStringLiteral("txtAddress"))->rectMm.left(), 0.0);
    QVERIFY(setup.isModified());

    setup.popIfPrint->trigger();
    QVERIFY(!setup.layout().field(QStringLiteral("txtAddress"))->visible);
    QFont font(QStringLiteral("Serif"));
    font.setPointSizeF(16);
    font.setItalic(true);
    font.setUnderline(true);
    m_prompts->choices << QVariant(font);
    setup.popFont->trigger();
    const SlipItem *address = setup.layout().field(QStringLiteral("txtAddress"));
    QCOMPARE(address->fontSize, 16.0);
    QVERIFY(address->italic && address->underline);
    // A cancelled font dialog changes nothing.
    setup.popFont->trigger();
    QCOMPARE(setup.layout().field(QStringLiteral("txtAddress"))->fontSize, 16.0);

    QVERIFY(setup.Save());
    QVERIFY(!setup.isModified());
    QCOMPARE(SaleSlip::currentLayout(), setup.layout());
    // Printing keeps the slip font: Song style and bold, at the stored size.
    const QFont printed
        = SlipPrintJob::fieldFont(*SaleSlip::currentLayout().field(QStringLiteral("txtAddress")));
    QVERIFY(printed.bold());
    QCOMPARE(printed.pointSizeF(), 16.0);
    QCOMPARE(printed.families().first(), QStringLiteral("宋体"));
}

void tst_SaleSlip::designerAsksBeforeDiscarding_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saved");
    QTest::newRow("keep the change") << int(Prompt::Yes) << true;
    QTest::newRow("discard it") << int(Prompt::No) << false;
    // Back to the design, the change still there and nothing written.
    QTest::newRow("go back") << int(Prompt::Cancel) << false;
}

void tst_SaleSlip::designerAsksBeforeDiscarding()
{
    QFETCH(int, answer);
    QFETCH(bool, saved);
    frmSalePrintSetup setup;
    setup.show();
    setup.canvas()->selectField(QStringLiteral("txtDetail"));
    setup.popIfPrint->trigger();
    m_prompts->answers << answer;
    setup.findChild<QAction *>(QStringLiteral("tlExit"))->trigger();
    QCOMPARE(
        m_prompts->texts(), QStringList{QStringLiteral("你已经修改了单据的打印格式，要保存吗？")});
    QCOMPARE(setup.isVisible(), answer == Prompt::Cancel);
    QVERIFY(m_prompts->requests.first().buttons & Prompt::Cancel);
    QCOMPARE(SaleSlip::currentLayout().field(QStringLiteral("txtDetail"))->visible, !saved);
    if (answer == Prompt::Cancel) {
        QVERIFY(!setup.canvas()->slipLayout().field(QStringLiteral("txtDetail"))->visible);
        m_prompts->answers << Prompt::No;
        setup.findChild<QAction *>(QStringLiteral("tlExit"))->trigger();
        QVERIFY(!setup.isVisible());
    }

    // Nothing changed: no question.
    m_prompts->clear();
    frmSalePrintSetup again;
    again.show();
    QTest::keyClick(&again, Qt::Key_Escape);
    QVERIFY(m_prompts->requests.isEmpty());
    QVERIFY(!again.isVisible());
}

void tst_SaleSlip::saleFormOpensTheDesigner()
{
    frmSale form;
    form.mActionType = frmSale::New;
    QVERIFY(form.Load());
    form.show();
    auto *button = form.findChild<QPushButton *>(QStringLiteral("btnPrintSetup"));
    QVERIFY(button && button->isEnabled());
    QString opened;
    whenModal([&](QWidget *modal) {
        opened = modal->objectName();
        modal->close();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(opened, QStringLiteral("frmSalePrintSetup"));
}

void tst_SaleSlip::noPrinterOffersPdf_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("declined") << int(Prompt::No);
    QTest::newRow("kept") << int(Prompt::Yes);
}

// Without a printer the slip is offered as a PDF file in Documents, as the
// lists' printouts are.
void tst_SaleSlip::noPrinterOffersPdf()
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        QSKIP("this workstation has a printer");
    QFETCH(int, answer);
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral(".config")).toUtf8());
    const qint64 sale = storeSale(0);
    m_prompts->answers = {answer};
    QVERIFY(!SaleSlip::PrintSaleSlip(sale));
    const QString folder = QFileInfo(PdfOffer::fileInDocuments(QStringLiteral("x"))).absolutePath();
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.pdf")});
    QCOMPARE(files.size(), answer == Prompt::Yes ? 1 : 0);
    QCOMPARE(m_prompts->requests.size(), answer == Prompt::Yes ? 2 : 1);
    if (!files.isEmpty())
        QVERIFY(QFileInfo(QDir(folder).filePath(files.first())).size() > 1000);
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

QTEST_MAIN(tst_SaleSlip)
#include "tst_saleslip.moc"
