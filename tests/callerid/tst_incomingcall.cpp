#include "callerid/ctapiline.h"
#include "callerid/linedevice.h"
#include "callerid/simulatedline.h"
#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "sales/frmsale.h"
#include "sales/incomingcall.h"
#include "shell/frmsystemsetup.h"
#include "shell/loginstate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

using mDatabase::ExecuteSQL;

// The settings dialog opens the telephone line; a ringing line fills a new
// sale form. Driven through the simulated line, as a second program rings it.
class tst_IncomingCall : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void settingsLoadAndStore();
    void cancelStoresNothing();
    void failedSaveStoresNothing();
    void ringingFillsANewSale();
    void nothingHappensWithoutANewSale();

private:
    bool ring(const QString &number);

    TestDatabase m_db;
    ScopedSession m_session{ScopedSession::headStation()};
    ScriptedPrompter *m_prompts = nullptr;
    QTemporaryDir m_dir;
    std::unique_ptr<cTAPILine> m_line;
};

void tst_IncomingCall::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("PELKOR_REGISTRY", QFile::encodeName(m_dir.filePath(QStringLiteral("registry.reg"))));
    tapi::LineSettings settings;
    settings.systemSerialPorts = false;
    settings.simulatedLineSocket = m_dir.filePath(QStringLiteral("line"));
    tapi::setLineSettings(settings);
}

void tst_IncomingCall::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_IncomingCall::cleanup()
{
    m_line.reset();
    mDatabase::CloseConnection();
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

bool tst_IncomingCall::ring(const QString &number)
{
    // The ringing program waits for the line's answer: it runs beside the
    // event loop that answers, as another process would.
    std::atomic<bool> done{false};
    bool rang = false;
    std::thread caller([&] {
        rang = tapi::SimulatedLine::ring(number, nullptr, m_dir.filePath(QStringLiteral("line")));
        done = true;
    });
    QElapsedTimer clock;
    clock.start();
    while (!done && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    caller.join();
    // The line reports the caller after it has answered the ring.
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return rang;
}

void tst_IncomingCall::settingsLoadAndStore()
{
    ExecuteSQL(QStringLiteral("insert into SysValue(Name,myValue) values('AutoInMoney','1')"));
    ExecuteSQL(QStringLiteral("insert into SysValue(Name,myValue) values('AreaCode','0427')"));
    frmSystemSetup setup(&m_line);
    setup.Load();
    QVERIFY(m_line);
    // No device stored yet: the first one, the simulated line, is opened.
    QVERIFY(setup.cboModem->count() >= 1);
    QCOMPARE(setup.cboModem->currentIndex(), 0);
    QCOMPARE(setup.cboModem->currentText(), QStringLiteral("模拟电话线路"));
    QVERIFY(m_line->hLine() != 0);
    QVERIFY(setup.chkAutoInMoney->isChecked());
    QVERIFY(!setup.chkAutoOutAmount->isChecked());
    QCOMPARE(setup.txtAreaCode->text(), QStringLiteral("427"));
    QCOMPARE(setup.txtNumberLen->text(), QStringLiteral("7"));

    setup.chkAutoOutAmount->setChecked(true);
    setup.chkAutoInMoney->setChecked(false);
    setup.txtNumberLen->setText(QStringLiteral("8"));
    setup.txtCallerIdServer->setText(QStringLiteral("cid.example:3334"));
    QTest::mouseClick(setup.btnOk, Qt::LeftButton);
    QCOMPARE(mDatabase::GetSysValue(QStringLiteral("AutoInMoney")), QStringLiteral("0"));
    QCOMPARE(mDatabase::GetSysValue(QStringLiteral("AutoOutAmount")), QStringLiteral("1"));
    QCOMPARE(mDatabase::GetSysValue(QStringLiteral("ModemIndex")), QStringLiteral("0"));
    QCOMPARE(mDatabase::GetSysValue(QStringLiteral("NumberLen")), QStringLiteral("8"));

    // The workstation's server takes effect at the next loading.
    frmSystemSetup::applyWorkstationSettings();
    QCOMPARE(tapi::lineSettings().serverHost, QStringLiteral("cid.example"));
    QCOMPARE(tapi::lineSettings().serverPort, quint16(3334));
    frmSystemSetup again(&m_line);
    QCOMPARE(again.txtCallerIdServer->text(), QString());
    again.Load();
    QCOMPARE(again.txtCallerIdServer->text(), QStringLiteral("cid.example:3334"));
    again.txtCallerIdServer->clear();
    QTest::mouseClick(again.btnOk, Qt::LeftButton);
    frmSystemSetup::applyWorkstationSettings();
    QCOMPARE(tapi::lineSettings().serverHost, QString());
}

void tst_IncomingCall::cancelStoresNothing()
{
    frmSystemSetup setup(&m_line);
    setup.Load();
    setup.chkAutoInContainer->setChecked(true);
    QTest::mouseClick(setup.btnCancel, Qt::LeftButton);
    QCOMPARE(mDatabase::GetSysValue(QStringLiteral("AutoInContainer")), QString());
}

void tst_IncomingCall::failedSaveStoresNothing()
{
    // The seventh of the eight settings cannot be stored.
    if (mDatabase::dialect().kind() == SqlDialect::PostgreSQL) {
        QVERIFY(ExecuteSQL(QStringLiteral(
            "create function refuse_area() returns trigger language plpgsql as $$ begin if "
            "new.name = 'AreaCode' then raise exception 'refused'; end if; return new; end $$")));
        QVERIFY(ExecuteSQL(QStringLiteral("create trigger refuse_area before insert on SysValue "
                                          "for each row execute function refuse_area()")));
    } else {
        QVERIFY(ExecuteSQL(QStringLiteral(
            "create trigger refuse_area before insert on SysValue when new.Name='AreaCode' "
            "begin select raise(abort, 'refused'); end")));
    }
    frmSystemSetup setup(&m_line);
    setup.Load();
    setup.show();
    setup.chkAutoInMoney->setChecked(true);
    setup.txtAreaCode->setText(QStringLiteral("427"));
    QTest::mouseClick(setup.btnOk, Qt::LeftButton);
    QCOMPARE(m_prompts->requests.size(), 1);
    QCOMPARE(m_prompts->requests.first().icon, Prompt::Icon::Critical);
    // Reported, the dialog still open, and none of the earlier ones stored.
    QVERIFY(setup.isVisible());
    QCOMPARE(setup.result(), int(QDialog::Rejected));
    QCOMPARE(countRows(QStringLiteral("select count(*) from SysValue where Name in "
                                      "('AutoInMoney','AutoOutAmount','ModemIndex')")),
        0);
}

void tst_IncomingCall::ringingFillsANewSale()
{
    ExecuteSQL(QStringLiteral(
        "insert into Customer(Name,Account,Address,Phone,Status,StationID,CustType) values"
        "('张三',901,'西街3号','5551234','1',1,1)"));
    frmSystemSetup setup(&m_line);
    setup.Load();
    connect(m_line.get(), &cTAPILine::InfoCallerID, this, &IncomingCall::Tapiline_InfoCallerID);

    frmSale form;
    form.mActionType = frmSale::New;
    QVERIFY(form.Load());
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(ring(QStringLiteral("5551234")));
    QTRY_COMPARE(
        countRows(QStringLiteral("select count(*) from Call where PhoneNumber='5551234'")), 1);
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("txtCustAccount"))->text(),
        QStringLiteral("901"));
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("txtCustAddress"))->text(),
        QStringLiteral("西街3号"));
    QTRY_VERIFY(form.findChild<QTableView *>(QStringLiteral("dbgDetail"))->hasFocus());

    // A number no customer has: logged, shown, the focus stays.
    QVERIFY(ring(QStringLiteral(" 0427'99 ")));
    QTRY_COMPARE(countRows(QStringLiteral("select count(*) from Call")), 2);
    QCOMPARE(
        countRows(QStringLiteral("select count(*) from Call where PhoneNumber=' 0427''99 '")), 1);
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("txtCustPhone"))->text(),
        QStringLiteral(" 0427'99 "));
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("txtCustAccount"))->text(), QString());
}

void tst_IncomingCall::nothingHappensWithoutANewSale()
{
    // Blank number, no form, a form for an existing sale: no call is logged.
    IncomingCall::Tapiline_InfoCallerID(QStringLiteral("   "));
    IncomingCall::Tapiline_InfoCallerID(QStringLiteral("5551234"));
    frmSale view;
    view.mActionType = frmSale::View;
    view.show();
    IncomingCall::Tapiline_InfoCallerID(QStringLiteral("5551234"));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Call")), 0);
    QVERIFY(m_prompts->requests.isEmpty());
}

QTEST_MAIN(tst_IncomingCall)
#include "tst_incomingcall.moc"
