#include "callerid/ctapiline.h"
#include "callerid/linedevice.h"
#include "callerid/simulatedline.h"
#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "sales/callnotice.h"
#include "sales/frmsale.h"
#include "sales/incomingcall.h"
#include "shell/frmsystemsetup.h"
#include "shell/lineindicator.h"
#include "shell/loginstate.h"
#include "shell/workstationline.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using mDatabase::ExecuteSQL;

namespace {

void setWorkstation(const QString &device, const QString &server = QString(),
    const QString &modemDevices = QString(), bool callNotice = true)
{
    WorkstationLine::Settings settings;
    settings.device = device;
    settings.server = server;
    settings.modemDevices = modemDevices;
    settings.callNotice = callNotice;
    WorkstationLine::write(settings);
}

} // namespace

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
    void refusedInputStoresNothing_data();
    void refusedInputStoresNothing();
    void testButtonSaysWhatHappened_data();
    void testButtonSaysWhatHappened();
    void eachWorkstationKeepsItsOwnDevice();
    void indicatorFollowsTheLine();
    void ringingFillsANewSale_data();
    void ringingFillsANewSale();
    void typedOrderIsKept_data();
    void typedOrderIsKept();
    void callWithNoSaleIsShownAndLogged();
    void withTheNoticeOffNothingHappensWithoutANewSale();

private:
    bool ring(const QString &number);
    void useWorkstation(const QString &name);
    void addCustomer();

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

void tst_IncomingCall::useWorkstation(const QString &name)
{
    qputenv("PELKOR_REGISTRY", QFile::encodeName(m_dir.filePath(name + QStringLiteral(".reg"))));
}

void tst_IncomingCall::addCustomer()
{
    QVERIFY(ExecuteSQL(QStringLiteral(
        "insert into Customer(Name,Account,Address,Phone,Status,StationID,CustType) values"
        "('张三',901,'西街3号','5551234','1',1,1)")));
}

void tst_IncomingCall::init()
{
    QFile::remove(m_dir.filePath(QStringLiteral("registry.reg")));
    useWorkstation(QStringLiteral("registry"));
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_IncomingCall::cleanup()
{
    m_line.reset();
    if (CallNotice *notice = CallNotice::current())
        delete notice;
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

void tst_IncomingCall::refusedInputStoresNothing_data()
{
    QTest::addColumn<QString>("areaCode");
    QTest::addColumn<QString>("numberLength");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("refusedField");
    QTest::newRow("letters for an area code") << "abc"
                                              << "7"
                                              << ""
                                              << "txtAreaCode";
    QTest::newRow("area code of seven digits") << "0427123"
                                               << "7"
                                               << ""
                                               << "txtAreaCode";
    QTest::newRow("full-width digits") << "０４２７"
                                       << "7"
                                       << ""
                                       << "txtAreaCode";
    QTest::newRow("no length") << "0427"
                               << ""
                               << ""
                               << "txtNumberLen";
    QTest::newRow("length 0") << "0427"
                              << "0"
                              << ""
                              << "txtNumberLen";
    QTest::newRow("length 21") << "0427"
                               << "21"
                               << ""
                               << "txtNumberLen";
    QTest::newRow("length beyond any number") << ""
                                              << "99999999999999"
                                              << ""
                                              << "txtNumberLen";
    QTest::newRow("blank in the host") << ""
                                       << "8"
                                       << "bad host:3333"
                                       << "txtCallerIdServer";
    QTest::newRow("port too big") << ""
                                  << "8"
                                  << "cid.example:99999"
                                  << "txtCallerIdServer";
    QTest::newRow("port 0") << ""
                            << "8"
                            << "cid.example:0"
                            << "txtCallerIdServer";
    QTest::newRow("port not a number") << ""
                                       << "8"
                                       << "cid.example:x"
                                       << "txtCallerIdServer";
    QTest::newRow("bare IPv6 address") << ""
                                       << "8"
                                       << "fe80::1"
                                       << "txtCallerIdServer";
    QTest::newRow("all accepted") << "0427"
                                  << "8"
                                  << "[::1]:3334"
                                  << "";
    QTest::newRow("no area code, a name without port") << ""
                                                       << "20"
                                                       << "cid-1.example"
                                                       << "";
}

void tst_IncomingCall::refusedInputStoresNothing()
{
    QFETCH(QString, areaCode);
    QFETCH(QString, numberLength);
    QFETCH(QString, server);
    QFETCH(QString, refusedField);
    frmSystemSetup setup(&m_line);
    setup.Load();
    setup.show();
    setup.txtAreaCode->setText(areaCode);
    setup.txtNumberLen->setText(numberLength);
    setup.txtCallerIdServer->setText(server);
    const QString settingsCount = QStringLiteral("select count(*) from SysValue");
    const int settingsBefore = countRows(settingsCount);
    QTest::mouseClick(setup.btnOk, Qt::LeftButton);
    if (refusedField.isEmpty()) {
        QVERIFY(m_prompts->requests.isEmpty());
        QCOMPARE(setup.result(), int(QDialog::Accepted));
        QCOMPARE(mDatabase::GetSysValue(QStringLiteral("AreaCode")), areaCode);
        QCOMPARE(WorkstationLine::read().server, server);
        return;
    }
    QCOMPARE(m_prompts->requests.size(), 1);
    QCOMPARE(m_prompts->requests.first().icon, Prompt::Icon::Warning);
    QVERIFY(setup.isVisible());
    QVERIFY(setup.focusWidget());
    QCOMPARE(setup.focusWidget()->objectName(), refusedField);
    QCOMPARE(countRows(settingsCount), settingsBefore);
    QCOMPARE(WorkstationLine::read().server, QString());
}

void tst_IncomingCall::testButtonSaysWhatHappened_data()
{
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<bool>("listening");
    QTest::addColumn<int>("icon");
    QTest::newRow("a caller-ID server") << QByteArray("200 x\r\n300 End of connection startup\r\n")
                                        << true << int(Prompt::Icon::Information);
    QTest::newRow("something else on the port")
        << QByteArray("SSH-2.0\r\n") << true << int(Prompt::Icon::Warning);
    QTest::newRow("nothing on the port") << QByteArray() << false << int(Prompt::Icon::Warning);
}

void tst_IncomingCall::testButtonSaysWhatHappened()
{
    QFETCH(QByteArray, greeting);
    QFETCH(bool, listening);
    QFETCH(int, icon);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    const quint16 port = server.serverPort();
    connect(&server, &QTcpServer::newConnection, this,
        [&] { server.nextPendingConnection()->write(greeting); });
    if (!listening)
        server.close();
    frmSystemSetup setup(&m_line);
    setup.Load();
    setup.txtCallerIdServer->setText(QStringLiteral("127.0.0.1:%1").arg(port));
    QTest::mouseClick(setup.btnTestServer, Qt::LeftButton);
    QCOMPARE(m_prompts->requests.size(), 1);
    QCOMPARE(int(m_prompts->requests.first().icon), icon);
    QVERIFY(m_prompts->requests.first().text.contains(QString::number(port)));
    // Testing stores nothing.
    QCOMPARE(WorkstationLine::read().server, QString());
}

void tst_IncomingCall::eachWorkstationKeepsItsOwnDevice()
{
    // One machine, two workstations' registry files: A listens to a server,
    // B to the modem that both could see.
    int master = -1;
    int slave = -1;
    char name[128] = {};
    QVERIFY(openpty(&master, &slave, name, nullptr, nullptr) == 0);
    termios raw{};
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    const auto modemHeard = [master] {
        QByteArray heard;
        char buffer[256];
        for (int i = 0; i < 20; ++i) {
            QTest::qWait(10);
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0)
                heard.append(buffer, n);
        }
        return heard;
    };
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    const QString modem = QString::fromLocal8Bit(name);
    const QString network = QStringLiteral("network:127.0.0.1:%1").arg(server.serverPort());
    const auto load = [this](const QString &workstation) {
        useWorkstation(workstation);
        auto setup = std::make_unique<frmSystemSetup>(&m_line);
        setup->Load();
        return setup;
    };
    const auto choose = [](frmSystemSetup &setup, const QString &identity) {
        setup.cboModem->setCurrentIndex(
            setup.cboModem->findData(identity, frmSystemSetup::IdentityRole));
        QTest::mouseClick(setup.btnOk, Qt::LeftButton);
    };
    useWorkstation(QStringLiteral("a"));
    setWorkstation(QString(), QStringLiteral("127.0.0.1:%1").arg(server.serverPort()), modem);
    useWorkstation(QStringLiteral("b"));
    setWorkstation(QString(), QString(), modem);

    choose(*load(QStringLiteral("a")), network);
    QCOMPARE(mDatabase::GetSysValue(QStringLiteral("ModemIndex")), QStringLiteral("1"));
    // B chose nothing; position 1 of its own list is the modem: left alone.
    auto b = load(QStringLiteral("b"));
    QCOMPARE(b->lineChoice().state, frmSystemSetup::LineState::NotChosen);
    QCOMPARE(m_line->hLine(), 0u);
    QCOMPARE(modemHeard(), QByteArray());
    choose(*b, QStringLiteral("serial:") + modem);
    QCOMPARE(load(QStringLiteral("b"))->lineChoice().state, frmSystemSetup::LineState::Opened);
    QVERIFY(modemHeard().contains("AT+VCID=1\r"));

    auto a = load(QStringLiteral("a"));
    QCOMPARE(a->lineChoice().identity, network);
    QCOMPARE(a->lineChoice().state, frmSystemSetup::LineState::Opened);
    QTRY_VERIFY(server.hasPendingConnections());
    // Without its server A keeps its choice, says the device is missing and
    // opens nothing else.
    a->txtCallerIdServer->clear();
    QTest::mouseClick(a->btnOk, Qt::LeftButton);
    a = load(QStringLiteral("a"));
    QCOMPARE(a->lineChoice().identity, network);
    QCOMPARE(a->lineChoice().state, frmSystemSetup::LineState::Missing);
    QCOMPARE(m_line->hLine(), 0u);
    QCOMPARE(modemHeard(), QByteArray());
    QTest::mouseClick(a->btnOk, Qt::LeftButton);
    QCOMPARE(WorkstationLine::read().device, network);
    m_line.reset();
    ::close(master);
    ::close(slave);
}

void tst_IncomingCall::indicatorFollowsTheLine()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    const QString network = QStringLiteral("network:127.0.0.1:%1").arg(server.serverPort());
    setWorkstation(network, QStringLiteral("127.0.0.1:%1").arg(server.serverPort()));
    frmSystemSetup setup(&m_line);
    setup.Load();
    LineIndicator indicator;
    indicator.follow(m_line.get(), setup.lineChoice());
    QCOMPARE(indicator.state(), LineIndicator::State::Reconnecting);
    QVERIFY(indicator.text().contains(QStringLiteral("127.0.0.1")));
    QTRY_VERIFY(server.hasPendingConnections());
    QTcpSocket *client = server.nextPendingConnection();
    client->write("200 x\r\n300 End of connection startup\r\n");
    QTRY_COMPARE(indicator.state(), LineIndicator::State::Connected);
    client->abort();
    QTRY_COMPARE(indicator.state(), LineIndicator::State::Reconnecting);

    // A device gone since it was chosen: closed, and the pane says why.
    setWorkstation(QStringLiteral("serial:/nonexistent/ttyUSB9"));
    frmSystemSetup again(&m_line);
    again.Load();
    indicator.follow(m_line.get(), again.lineChoice());
    QCOMPARE(indicator.state(), LineIndicator::State::Closed);
    QVERIFY(indicator.text().contains(QStringLiteral("ttyUSB9")));
    QSignalSpy clicked(&indicator, &LineIndicator::clicked);
    QTest::mouseClick(&indicator, Qt::LeftButton);
    QCOMPARE(clicked.size(), 1);
}

void tst_IncomingCall::ringingFillsANewSale_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("account");
    QTest::addColumn<bool>("gridFocused");
    QTest::newRow("a customer's number") << "5551234"
                                         << "901" << true;
    // Logged with its blanks and quote, shown, the focus stays.
    QTest::newRow("nobody's number") << " 0427'99 "
                                     << "" << false;
}

void tst_IncomingCall::ringingFillsANewSale()
{
    QFETCH(QString, number);
    QFETCH(QString, account);
    QFETCH(bool, gridFocused);
    addCustomer();
    frmSystemSetup setup(&m_line);
    setup.Load();
    connect(m_line.get(), &cTAPILine::InfoCallerID, this, &IncomingCall::Tapiline_InfoCallerID);

    frmSale form;
    form.mActionType = frmSale::New;
    QVERIFY(form.Load());
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(ring(number));
    QTRY_COMPARE(countRows(QStringLiteral("select count(*) from Call")), 1);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Call where PhoneNumber=%1")
                           .arg(mDatabase::SqlStr(number))),
        1);
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("txtCustPhone"))->text(), number);
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("txtCustAccount"))->text(), account);
    if (gridFocused)
        QTRY_VERIFY(form.findChild<QTableView *>(QStringLiteral("dbgDetail"))->hasFocus());
    QVERIFY(!CallNotice::current());
}

void tst_IncomingCall::typedOrderIsKept_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("notice left alone") << int(Prompt::NoButton) << false;
    QTest::newRow("接听此来电, 否") << int(Prompt::No) << false;
    QTest::newRow("接听此来电, 是") << int(Prompt::Yes) << true;
}

void tst_IncomingCall::typedOrderIsKept()
{
    QFETCH(int, answer);
    QFETCH(bool, replaced);
    addCustomer();
    QVERIFY(ExecuteSQL(QStringLiteral(
        "insert into Sale(CustomerID,CreateDate,TotalMoney,InMoney,TotalContainer,InContainer,"
        "TotalAmount,FinishFlag,StationID,UserID) select ID,'2026-12-01',30,10,4,1,2,'0',1,1 "
        "from Customer")));
    frmSale form;
    form.mActionType = frmSale::New;
    QVERIFY(form.Load());
    form.show();
    auto *address = form.findChild<QLineEdit *>(QStringLiteral("txtCustAddress"));
    address->setFocus();
    QTest::keyClicks(address, QStringLiteral("No.8 East St"));
    IncomingCall::Tapiline_InfoCallerID(QStringLiteral("5551234"));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Call")), 1);
    QCOMPARE(address->text(), QStringLiteral("No.8 East St"));
    CallNotice *notice = CallNotice::current();
    QVERIFY(notice && notice->isVisible());
    QVERIFY(notice->lblCaller->text().contains(QStringLiteral("张三")));
    QVERIFY(notice->lblOpen->text().contains(QStringLiteral("20.00")));
    QVERIFY(notice->lblOpen->text().contains(QStringLiteral("3")));
    QVERIFY(!notice->btnAnswerCall->isHidden());
    if (answer != Prompt::NoButton) {
        m_prompts->answers << answer;
        QTest::mouseClick(notice->btnAnswerCall, Qt::LeftButton);
        QCOMPARE(m_prompts->requests.size(), 1);
        QCOMPARE(m_prompts->requests.first().defaultButton, int(Prompt::No));
    }
    QCOMPARE(
        address->text(), replaced ? QStringLiteral("西街3号") : QStringLiteral("No.8 East St"));
    QCOMPARE(bool(CallNotice::current()), !replaced);
}

void tst_IncomingCall::callWithNoSaleIsShownAndLogged()
{
    addCustomer();
    IncomingCall::Tapiline_InfoCallerID(QStringLiteral("5551234"));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Call")), 1);
    CallNotice *notice = CallNotice::current();
    QVERIFY(notice && notice->isVisible());
    QVERIFY(notice->lblCaller->text().contains(QStringLiteral("西街3号")));
    QVERIFY(!notice->btnNewSale->isHidden());
    // 新建销售单 opens the sale for the caller; the operator leaves it.
    QString shownAccount;
    QTimer::singleShot(300, this, [&] {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (auto *form = qobject_cast<frmSale *>(window); form && form->isVisible()) {
                shownAccount
                    = form->findChild<QLineEdit *>(QStringLiteral("txtCustAccount"))->text();
                m_prompts->answers << Prompt::Yes;
                form->reject();
            }
        }
    });
    QTest::mouseClick(notice->btnNewSale, Qt::LeftButton);
    QCOMPARE(shownAccount, QStringLiteral("901"));
    QVERIFY(!CallNotice::current());
    QCOMPARE(countRows(QStringLiteral("select count(*) from Call")), 1);
}

void tst_IncomingCall::withTheNoticeOffNothingHappensWithoutANewSale()
{
    setWorkstation(QString(), QString(), QString(), false);
    // Blank number, no form, a form for an existing sale: no call is logged.
    IncomingCall::Tapiline_InfoCallerID(QStringLiteral("   "));
    IncomingCall::Tapiline_InfoCallerID(QStringLiteral("5551234"));
    frmSale view;
    view.mActionType = frmSale::View;
    view.show();
    IncomingCall::Tapiline_InfoCallerID(QStringLiteral("5551234"));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Call")), 0);
    QVERIFY(m_prompts->requests.isEmpty());
    QVERIFY(!CallNotice::current());
}

QTEST_MAIN(tst_IncomingCall)
#include "tst_incomingcall.moc"
