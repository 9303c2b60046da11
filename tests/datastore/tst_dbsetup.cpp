#include "cregistry.h"
#include "frmdbsetup.h"
#include "mdatabase.h"
#include "modalhelper.h"
#include "scriptedprompter.h"
#include "testdatabase.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace mDatabase;

namespace {

const QString NoSettings
    = QStringLiteral("您没有设置与SQLServer数据库服务器的连接参数，请单击[确认]按钮开始设置！");
const QString BadSettings
    = QStringLiteral("连接SQLServer数据库服务器失败，请单击[确认]按钮重新设置！");
const QString TestFailed = QStringLiteral("连接SQLServer数据库服务器失败:");

QString settingPath(const QString &name)
{
    return RegistryRoot + QLatin1Char('\\') + name;
}

// Fills the dialog with a target as a person would type it.
void typeTarget(QWidget *dialog, const ConnectionTarget &t)
{
    auto *kind = dialog->findChild<QComboBox *>(QStringLiteral("cmbKind"));
    kind->setCurrentIndex(kind->findData(int(t.kind)));
    QString host = ConnectionTarget::stripKindPrefix(t.hostText());
    dialog->findChild<QLineEdit *>(QStringLiteral("txtHost"))->setText(host);
    dialog->findChild<QLineEdit *>(QStringLiteral("txtUser"))
        ->setText(t.user.isEmpty() ? QStringLiteral("sa") : t.user);
    dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword"))->setText(t.password);
}

void click(QWidget *dialog, const char *name)
{
    dialog->findChild<QPushButton *>(QString::fromLatin1(name))->click();
}

} // namespace

class tst_DBSetup : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void buttonRule_data();
    void buttonRule();
    void testButton();
    void missingSettingsOpenTheDialog_data();
    void missingSettingsOpenTheDialog();
    void confirmStoresSettingsAndConnects();
    void emptyUserConnectsAsSa();
    void wrongSettingsLeadBackToTheDialog();
    void hungServerIsReportedWithinSeconds();

private:
    bool storedTarget(ConnectionTarget *target);

    QTemporaryDir *m_dir = nullptr;
    ScriptedPrompter *m_prompts = nullptr;
    TestDatabase m_db;
};

void tst_DBSetup::init()
{
    m_dir = new QTemporaryDir;
    qputenv("PELKOR_REGISTRY", m_dir->filePath(QStringLiteral("registry.reg")).toLocal8Bit());
    m_prompts = new ScriptedPrompter;
}

void tst_DBSetup::cleanup()
{
    m_db.dropAll();
    delete m_prompts;
    delete m_dir;
    qunsetenv("PELKOR_REGISTRY");
}

bool tst_DBSetup::storedTarget(ConnectionTarget *target)
{
    QString error;
    return m_db.create(target, &error);
}

void tst_DBSetup::buttonRule_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("nothing typed") << ""
                                   << "sa" << false;
    QTest::newRow("host with default user") << "dbserver"
                                            << "sa" << true;
    QTest::newRow("blanks only") << "   "
                                 << "sa" << false;
    QTest::newRow("no user") << "dbserver"
                             << "" << false;
    QTest::newRow("user of blanks") << "dbserver"
                                    << "  " << false;
}

void tst_DBSetup::buttonRule()
{
    QFETCH(QString, host);
    QFETCH(QString, user);
    QFETCH(bool, enabled);
    frmDBSetup dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("设置SQLServer数据库参数"));
    auto *txtHost = dialog.findChild<QLineEdit *>(QStringLiteral("txtHost"));
    auto *txtUser = dialog.findChild<QLineEdit *>(QStringLiteral("txtUser"));
    QCOMPARE(txtHost->text(), QString());
    QCOMPARE(txtUser->text(), QStringLiteral("sa"));
    QVERIFY(!dialog.findChild<QPushButton *>(QStringLiteral("btnOk"))->isEnabled());
    QTest::keyClicks(txtHost, host);
    txtUser->clear();
    QTest::keyClicks(txtUser, user);
    QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("btnOk"))->isEnabled(), enabled);
    QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("btnTest"))->isEnabled(), enabled);
    // Clearing the host always disables both again.
    txtHost->clear();
    QVERIFY(!dialog.findChild<QPushButton *>(QStringLiteral("btnTest"))->isEnabled());
}

void tst_DBSetup::testButton()
{
    ConnectionTarget target;
    PELKOR_REQUIRE_DATABASE();
    QVERIFY(storedTarget(&target));
    frmDBSetup dialog;
    typeTarget(&dialog, target);
    click(&dialog, "btnTest");
    QCOMPARE(m_prompts->requests.size(), 1);
    QCOMPARE(m_prompts->requests[0].text, QStringLiteral("连接成功！"));
    QCOMPARE(m_prompts->requests[0].title, QStringLiteral("成功！"));
    QCOMPARE(m_prompts->requests[0].icon, Prompt::Icon::Information);
    QVERIFY(dialog.findChild<QPushButton *>(QStringLiteral("btnOk"))->isEnabled());
    QVERIFY(!isConnected());

    // Nothing listens on port 1 of this machine.
    m_prompts->clear();
    ConnectionTarget dead = ConnectionTarget::fromSettings(
        QStringLiteral("pgsql:127.0.0.1:1"), QStringLiteral("u"), QStringLiteral("p"));
    typeTarget(&dialog, dead);
    click(&dialog, "btnTest");
    QCOMPARE(m_prompts->requests.size(), 1);
    QVERIFY(m_prompts->requests[0].text.startsWith(TestFailed));
    QVERIFY(m_prompts->requests[0].text.size() > TestFailed.size());
    QCOMPARE(m_prompts->requests[0].title, QStringLiteral("错误"));
    QVERIFY(dialog.findChild<QPushButton *>(QStringLiteral("btnTest"))->isEnabled());
    QVERIFY(!QFile::exists(cRegistry::storePath()));
}

void tst_DBSetup::missingSettingsOpenTheDialog_data()
{
    QTest::addColumn<bool>("writeBlankHost");
    QTest::newRow("no host key") << false;
    QTest::newRow("host of blanks") << true;
}

void tst_DBSetup::missingSettingsOpenTheDialog()
{
    QFETCH(bool, writeBlankHost);
    if (writeBlankHost)
        QVERIFY(writeRegistryText(settingPath(HostSetting), QStringLiteral("  ")));
    bool dialogShown = false;
    whenModal([&](QWidget *w) {
        dialogShown = qobject_cast<frmDBSetup *>(w) != nullptr;
        // The message came first, with the plain icon and the program's title.
        QCOMPARE(m_prompts->texts(), QStringList{NoSettings});
        click(w, "btnCancel");
    });
    QCOMPARE(ConnectDatabase(), ConnectResult::ExitRequested);
    QVERIFY(dialogShown);
    QCOMPARE(m_prompts->requests.first().icon, Prompt::Icon::None);
    QVERIFY(m_prompts->requests.first().title.isEmpty());
    QVERIFY(!isConnected());
}

void tst_DBSetup::confirmStoresSettingsAndConnects()
{
    PELKOR_REQUIRE_DATABASE();
    ConnectionTarget target;
    QVERIFY(storedTarget(&target));
    const bool emptyPassword = target.password.isEmpty();

    whenModal([&](QWidget *w) {
        typeTarget(w, target);
        click(w, "btnOk");
    });
    QCOMPARE(ConnectDatabase(), ConnectResult::Connected);
    QVERIFY(isConnected());
    QCOMPARE(GetMinValue(QStringLiteral("Station"), QStringLiteral("ID")), 1);

    cRegistry reg;
    reg.setSectionKey(settingPath(PasswordSetting));
    QVERIFY(reg.KeyExists());
    if (emptyPassword)
        QCOMPARE(reg.Value().toString(), QStringLiteral(" "));
    QCOMPARE(readRegistryText(settingPath(PasswordSetting)), target.password);
    QCOMPARE(readRegistryText(settingPath(HostSetting)), target.hostText());

    // The next start connects without a single prompt.
    CloseConnection();
    m_prompts->clear();
    QCOMPARE(ConnectDatabase(), ConnectResult::Connected);
    QVERIFY(m_prompts->requests.isEmpty());
    QCOMPARE(currentTarget().password, target.password);
}

void tst_DBSetup::emptyUserConnectsAsSa()
{
    const QString file = m_dir->filePath(QStringLiteral("p.db"));
    QVERIFY(writeRegistryText(settingPath(HostSetting), QStringLiteral("sqlite:") + file));
    QVERIFY(writeRegistryText(settingPath(UserSetting), QString()));
    QVERIFY(writeRegistryText(settingPath(PasswordSetting), QString()));
    QCOMPARE(ConnectDatabase(), ConnectResult::Connected);
    QCOMPARE(currentTarget().user, QStringLiteral("sa"));
    QCOMPARE(currentTarget().password, QString());
    QVERIFY(m_prompts->requests.isEmpty());
    CloseConnection();
}

void tst_DBSetup::wrongSettingsLeadBackToTheDialog()
{
    if (!TestDatabase::isPostgres())
        QSKIP("a password is only checked by a server");
    PELKOR_REQUIRE_DATABASE();
    ConnectionTarget target;
    QVERIFY(storedTarget(&target));
    QVERIFY(writeRegistryText(settingPath(HostSetting), target.hostText()));
    QVERIFY(writeRegistryText(settingPath(UserSetting), target.user));
    QVERIFY(writeRegistryText(
        settingPath(PasswordSetting), target.password + QStringLiteral("-wrong")));

    QStringList seenBeforeDialog;
    whenModal([&](QWidget *w) {
        seenBeforeDialog = m_prompts->texts();
        // The dialog does not show the stored settings.
        QCOMPARE(w->findChild<QLineEdit *>(QStringLiteral("txtHost"))->text(), QString());
        typeTarget(w, target);
        click(w, "btnOk");
    });
    QCOMPARE(ConnectDatabase(), ConnectResult::Connected);
    QCOMPARE(seenBeforeDialog.size(), 2);
    QVERIFY(seenBeforeDialog[0].startsWith(TestFailed));
    QCOMPARE(seenBeforeDialog[1], BadSettings);
    QCOMPARE(readRegistryText(settingPath(PasswordSetting)), target.password);
}

void tst_DBSetup::hungServerIsReportedWithinSeconds()
{
    // A server that takes the connection and never answers: the kernel
    // accepts for it while this thread waits in the driver.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    const ConnectionTarget t = ConnectionTarget::fromSettings(
        QStringLiteral("pgsql:127.0.0.1:%1").arg(silent.serverPort()), QStringLiteral("u"),
        QStringLiteral("p"));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!TestConnection(t));
    QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(m_prompts->requests.size(), 1);
    QVERIFY(m_prompts->requests[0].text.startsWith(TestFailed));
}

QTEST_MAIN(tst_DBSetup)
#include "tst_dbsetup.moc"
