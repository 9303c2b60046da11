#include "common/modalhelper.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/cregistry.h"
#include "datastore/mdatabase.h"
#include "datastore/registrysettings.h"
#include "shell/frmdbsetup.h"
#include "shell/messageboxprompt.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
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
    void opensOnTheLocalFile();
    void missingSettingsStartOnTheLocalFile_data();
    void missingSettingsStartOnTheLocalFile();
    void confirmStoresSettingsAndConnects();
    void emptyUserConnectsAsSa();
    void wrongSettingsLeadBackToTheDialog();
    void hungServerIsReportedWithinSeconds();
    void messageNamesTheButtonItShows();
    void sqliteTakesTheSuggestedFile();
    void testingAFileInAMissingFolderCreatesNothing();
    void withoutTheDialogNothingOpens();

private:
    bool storedTarget(ConnectionTarget *target);
    // The workstation's own folder cannot hold a database (a file stands
    // where its folder should be): a first start must ask.
    void blockLocalFile();

    QTemporaryDir *m_dir = nullptr;
    ScriptedPrompter *m_prompts = nullptr;
    TestDatabase m_db;
};

void tst_DBSetup::init()
{
    m_dir = new QTemporaryDir;
    qputenv("PELKOR_REGISTRY", m_dir->filePath(QStringLiteral("registry.reg")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", m_dir->filePath(QStringLiteral("data")).toLocal8Bit());
    m_prompts = new ScriptedPrompter;
    frmDBSetup::installAsSetupHook();
}

void tst_DBSetup::cleanup()
{
    m_db.dropAll();
    delete m_prompts;
    delete m_dir;
    mDatabase::setSetupHook({});
    qunsetenv("PELKOR_REGISTRY");
}

void tst_DBSetup::blockLocalFile()
{
    QFile blocker(m_dir->filePath(QStringLiteral("blocked")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    qputenv("XDG_DATA_HOME", m_dir->filePath(QStringLiteral("blocked/data")).toLocal8Bit());
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
    auto *kind = dialog.findChild<QComboBox *>(QStringLiteral("cmbKind"));
    kind->setCurrentIndex(kind->findData(int(SqlDialect::SqlServer)));
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
    if (target.kind == SqlDialect::SQLite) {
        // A database that is there to be tested; a file still to be made is
        // told apart (testingAFileInAMissingFolderCreatesNothing).
        QString error;
        QVERIFY2(OpenConnection(target, &error), qPrintable(error));
        CloseConnection();
    }
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

void tst_DBSetup::opensOnTheLocalFile()
{
    frmDBSetup dialog;
    auto *kind = dialog.findChild<QComboBox *>(QStringLiteral("cmbKind"));
    QCOMPARE(kind->currentIndex(), 0);
    QCOMPARE(kind->currentData().toInt(), int(SqlDialect::SQLite));
    QCOMPARE(QDir::fromNativeSeparators(
                 dialog.findChild<QLineEdit *>(QStringLiteral("txtHost"))->text()),
        ConnectionTarget::localDatabase().host);
    QVERIFY(dialog.findChild<QPushButton *>(QStringLiteral("btnOk"))->isEnabled());
}

void tst_DBSetup::missingSettingsStartOnTheLocalFile_data()
{
    QTest::addColumn<bool>("writeBlankHost");
    QTest::addColumn<bool>("blocked");
    QTest::newRow("no host key") << false << false;
    QTest::newRow("host of blanks") << true << false;
    QTest::newRow("no room for the file") << false << true;
}

void tst_DBSetup::missingSettingsStartOnTheLocalFile()
{
    QFETCH(bool, writeBlankHost);
    QFETCH(bool, blocked);
    if (writeBlankHost)
        QVERIFY(writeRegistryText(settingPath(HostSetting), QStringLiteral("  ")));
    if (blocked) {
        blockLocalFile();
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
        return;
    }
    // A first start works on the workstation's own file without a question,
    // and remembers it.
    QCOMPARE(ConnectDatabase(), ConnectResult::Connected);
    QVERIFY(m_prompts->requests.isEmpty());
    QCOMPARE(currentTarget().host, ConnectionTarget::localDatabase().host);
    QCOMPARE(readRegistryText(settingPath(HostSetting)), currentTarget().hostText());
    QCOMPARE(GetMinValue(QStringLiteral("Station"), QStringLiteral("ID")), 1);
    CloseConnection();
}

void tst_DBSetup::confirmStoresSettingsAndConnects()
{
    PELKOR_REQUIRE_DATABASE();
    ConnectionTarget target;
    QVERIFY(storedTarget(&target));
    const bool emptyPassword = target.password.isEmpty();
    blockLocalFile();

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
        // The dialog does not show the stored settings: it offers the
        // workstation's own file first.
        QCOMPARE(QDir::fromNativeSeparators(
                     w->findChild<QLineEdit *>(QStringLiteral("txtHost"))->text()),
            ConnectionTarget::localDatabase().host);
        QCOMPARE(w->findChild<QLineEdit *>(QStringLiteral("txtPassword"))->text(), QString());
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

void tst_DBSetup::messageNamesTheButtonItShows()
{
    // Through the real message boxes: the box that says to click [确认] has a
    // button that reads 确认, and so has the dialog it leads to.
    blockLocalFile();
    delete m_prompts;
    m_prompts = nullptr;
    MessageBoxPrompt boxes;
    Prompt::setHandler(&boxes);
    QStringList boxButtons;
    QString boxText;
    QString dialogOk;
    whenModal([&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        QVERIFY(box);
        boxText = box->text();
        for (QAbstractButton *b : box->buttons())
            boxButtons << b->text();
        // Closed first: the dialog may well take the box's place in memory.
        box->buttons().first()->click();
        whenModal([&](QWidget *dialog) {
            dialogOk = dialog->findChild<QPushButton *>(QStringLiteral("btnOk"))->text();
            click(dialog, "btnCancel");
        });
    });
    QCOMPARE(ConnectDatabase(), ConnectResult::ExitRequested);
    Prompt::setHandler(nullptr);
    m_prompts = new ScriptedPrompter;
    QCOMPARE(boxText, NoSettings);
    QCOMPARE(boxButtons, QStringList{QStringLiteral("确认")});
    QCOMPARE(dialogOk, QStringLiteral("确认"));
}

void tst_DBSetup::sqliteTakesTheSuggestedFile()
{
    frmDBSetup dialog;
    auto *kind = dialog.findChild<QComboBox *>(QStringLiteral("cmbKind"));
    auto *txtHost = dialog.findChild<QLineEdit *>(QStringLiteral("txtHost"));
    auto *txtUser = dialog.findChild<QLineEdit *>(QStringLiteral("txtUser"));
    auto *txtPassword = dialog.findChild<QLineEdit *>(QStringLiteral("txtPassword"));
    auto *btnOk = dialog.findChild<QPushButton *>(QStringLiteral("btnOk"));
    dialog.show();
    kind->setCurrentIndex(kind->findData(int(SqlDialect::SqlServer)));
    QVERIFY(txtUser->isVisible());
    kind->setCurrentIndex(kind->findData(int(SqlDialect::SQLite)));
    // The suggested path is there to be taken as it is.
    QVERIFY(!txtHost->text().isEmpty());
    QVERIFY(txtHost->text().endsWith(QStringLiteral("pelkor.db")));
    QVERIFY(btnOk->isEnabled());
    // A file has no login: user and password are not asked for.
    QVERIFY(!txtUser->isVisible());
    QVERIFY(!txtPassword->isVisible());
    txtUser->clear();
    QVERIFY(btnOk->isEnabled());
    QCOMPARE(dialog.target().kind, SqlDialect::SQLite);
    QCOMPARE(dialog.target().host, QDir::fromNativeSeparators(txtHost->text()));
    // Back to a server: the login fields return.
    kind->setCurrentIndex(kind->findData(int(SqlDialect::PostgreSQL)));
    QVERIFY(txtUser->isVisible());
    QVERIFY(txtPassword->isVisible());
    QVERIFY(!btnOk->isEnabled());
}

void tst_DBSetup::testingAFileInAMissingFolderCreatesNothing()
{
    const QString folder = m_dir->filePath(QStringLiteral("not/there"));
    const QString file = folder + QStringLiteral("/pelkor.db");
    frmDBSetup dialog;
    auto *kind = dialog.findChild<QComboBox *>(QStringLiteral("cmbKind"));
    kind->setCurrentIndex(kind->findData(int(SqlDialect::SQLite)));
    dialog.findChild<QLineEdit *>(QStringLiteral("txtHost"))->setText(file);
    click(&dialog, "btnTest");
    QVERIFY(!QFileInfo::exists(file));
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("not"))));
    // ...and says so, rather than a bare "连接成功！".
    QCOMPARE(m_prompts->requests.size(), 1);
    const Prompt::Request said = m_prompts->requests.first();
    QVERIFY2(said.text.contains(QDir::toNativeSeparators(file)), qPrintable(said.text));
    QVERIFY2(said.text.contains(QStringLiteral("还不存在")), qPrintable(said.text));
    QVERIFY2(said.text.contains(QStringLiteral("[确认]")), qPrintable(said.text));
    QVERIFY(said.text != QStringLiteral("连接成功！"));

    // Confirming creates the folder and the database.
    m_prompts->clear();
    click(&dialog, "btnOk");
    QVERIFY(QFileInfo::exists(file));
    QVERIFY(isConnected());
    QCOMPARE(GetMinValue(QStringLiteral("Station"), QStringLiteral("ID")), 1);
    QVERIFY(m_prompts->requests.isEmpty());
    CloseConnection();
}

void tst_DBSetup::withoutTheDialogNothingOpens()
{
    // The data store itself shows no window: with no dialog installed the
    // messages still come, and the connection stays closed.
    mDatabase::setSetupHook({});
    blockLocalFile();
    QCOMPARE(ConnectDatabase(), ConnectResult::NotConnected);
    QCOMPARE(m_prompts->texts(), QStringList{NoSettings});
    QCOMPARE(m_prompts->requests.first().okText, QStringLiteral("确认"));
    QVERIFY(!isConnected());
}

QTEST_MAIN(tst_DBSetup)
#include "tst_dbsetup.moc"
