#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "shell/frmgrplogin.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

const QString HeadStation = QStringLiteral("总站");
const QString Administrator = QStringLiteral("系统管理员");
const QString NoUserChosen = QStringLiteral("请先选定用户名！");
const QString WrongPassword = QStringLiteral("密码错误，请重新输入！");
const QString ErrorTitle = QStringLiteral("错误");

int addStation(const QString &name, const QString &status = QStringLiteral("1"))
{
    return int(mDatabase::InsertAndGetID(QStringLiteral("insert into Station(Name,Status) values(")
        + mDatabase::SqlStr(name) + QLatin1Char(',') + mDatabase::SqlStr(status)
        + QLatin1Char(')')));
}

// A null password is written as SQL NULL, which is how old rows look.
int addUser(const QString &name, const QVariant &password, int stationId,
    const QString &status = QStringLiteral("1"))
{
    const QString pwd
        = password.isNull() ? QStringLiteral("NULL") : mDatabase::SqlStr(password.toString());
    return int(mDatabase::InsertAndGetID(
        QStringLiteral("insert into SysUser(Name,Pwd,rolestring,Detail,Status,StationID) values(")
        + mDatabase::SqlStr(name) + QLatin1Char(',') + pwd + QStringLiteral(",'00000000','',")
        + mDatabase::SqlStr(status) + QLatin1Char(',') + QString::number(stationId)
        + QLatin1Char(')')));
}

QStringList sortedTexts(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    texts.sort();
    return texts;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

struct LoginControls {
    explicit LoginControls(frmGrpLogin &dialog)
        : station(dialog.findChild<QComboBox *>(QStringLiteral("cmbStation"))),
          user(dialog.findChild<QComboBox *>(QStringLiteral("cmbUser"))),
          password(dialog.findChild<QLineEdit *>(QStringLiteral("txtPassword"))),
          ok(dialog.findChild<QPushButton *>(QStringLiteral("cmdOK"))),
          cancel(dialog.findChild<QPushButton *>(QStringLiteral("cmdCancel")))
    {
    }
    bool complete() const { return station && user && password && ok && cancel; }

    // Picks the entry bound to id, as a person would from the list.
    bool chooseStation(int id) const { return choose(station, id); }
    bool chooseUser(int id) const { return choose(user, id); }

    QComboBox *station;
    QComboBox *user;
    QLineEdit *password;
    QPushButton *ok;
    QPushButton *cancel;

private:
    static bool choose(QComboBox *combo, int id)
    {
        const int index = combo->findData(id);
        if (index < 0)
            return false;
        combo->setCurrentIndex(index);
        return true;
    }
};

} // namespace

class tst_Login : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void freshDatabaseLetsAdministratorIn();
    void listsOnlyActiveStationsAndUsers();
    void usersFollowChosenStation();
    void stationWithoutActiveUsers_data();
    void stationWithoutActiveUsers();
    void okWithoutUserAsksForOne();

    void passwordCheck_data();
    void passwordCheck();
    void quotedNamesShownAndMatched();
    void wrongPasswordSelectsTextForRetry();
    void attemptsAreUnlimited();

    void cancelLeavesLoggedOut_data();
    void cancelLeavesLoggedOut();

    void headStationIsLowestStationID_data();
    void headStationIsLowestStationID();

private:
    TestDatabase m_db;
    std::unique_ptr<ScriptedPrompter> m_prompter;
};

void tst_Login::init()
{
    m_prompter = std::make_unique<ScriptedPrompter>();
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_Login::cleanup()
{
    m_db.dropAll();
    m_prompter.reset();
}

void tst_Login::freshDatabaseLetsAdministratorIn()
{
    frmGrpLogin dialog;
    LoginControls c(dialog);
    QVERIFY(c.complete());

    // One station and one user: both come preselected.
    QCOMPARE(c.station->count(), 1);
    QCOMPARE(c.station->currentText(), HeadStation);
    QCOMPARE(c.station->currentData().toInt(), 1);
    QCOMPARE(c.user->count(), 1);
    QCOMPARE(c.user->currentText(), Administrator);
    const int admin = c.user->currentData().toInt();
    QCOMPARE(
        mDatabase::GetFieldByID(admin, QStringLiteral("SysUser"), QStringLiteral("rolestring")),
        QStringLiteral("11111111"));
    QCOMPARE(mDatabase::GetFieldByID(admin, QStringLiteral("SysUser"), QStringLiteral("Status")),
        QStringLiteral("1"));

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(c.password->text().isEmpty());
    QTest::mouseClick(c.ok, Qt::LeftButton);

    QCOMPARE(m_prompter->texts(), QStringList());
    QVERIFY(dialog.LoginSucceeded());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.chosenStationID(), 1);
    QCOMPARE(dialog.chosenUserID(), admin);
}

void tst_Login::listsOnlyActiveStationsAndUsers()
{
    const int east = addStation(QStringLiteral("东区"));
    const int west = addStation(QStringLiteral("西区"), QStringLiteral("0"));
    QVERIFY(east > 0 && west > 0);
    QVERIFY(addUser(QStringLiteral("张三"), QString(), east) > 0);
    QVERIFY(addUser(QStringLiteral("李四"), QString(), east, QStringLiteral("0")) > 0);
    QVERIFY(addUser(QStringLiteral("王五"), QString(), east) > 0);
    QVERIFY(addUser(QStringLiteral("赵六"), QString(), west) > 0);
    QVERIFY(addUser(QStringLiteral("停用员"), QString(), 1, QStringLiteral("0")) > 0);

    frmGrpLogin dialog;
    LoginControls c(dialog);
    QVERIFY(c.complete());

    QCOMPARE(sortedTexts(c.station), sorted({HeadStation, QStringLiteral("东区")}));
    QCOMPARE(c.station->findData(west), -1);
    // With more than one station nobody is preselected.
    QCOMPARE(c.station->currentIndex(), -1);
    QCOMPARE(c.user->count(), 0);

    QVERIFY(c.chooseStation(east));
    QCOMPARE(sortedTexts(c.user), sorted({QStringLiteral("张三"), QStringLiteral("王五")}));
    QCOMPARE(c.user->currentIndex(), -1);

    QVERIFY(c.chooseStation(1));
    QCOMPARE(sortedTexts(c.user), QStringList{Administrator});
    QCOMPARE(m_prompter->texts(), QStringList());
}

void tst_Login::usersFollowChosenStation()
{
    const int north = addStation(QStringLiteral("北站"));
    const int south = addStation(QStringLiteral("南站"));
    const int ann = addUser(QStringLiteral("安"), QStringLiteral("north"), north);
    const int bo = addUser(QStringLiteral("博"), QStringLiteral("south"), south);
    QVERIFY(ann > 0 && bo > 0);

    frmGrpLogin dialog;
    LoginControls c(dialog);
    QVERIFY(c.complete());
    dialog.show();

    QVERIFY(c.chooseStation(north));
    QCOMPARE(c.user->count(), 1);
    QCOMPARE(c.user->currentData().toInt(), ann);
    QVERIFY(c.chooseStation(south));
    QCOMPARE(c.user->count(), 1);
    QCOMPARE(c.user->currentData().toInt(), bo);
    QCOMPARE(c.user->findData(ann), -1);

    // Someone else's password does not open this account.
    c.password->setText(QStringLiteral("north"));
    QTest::mouseClick(c.ok, Qt::LeftButton);
    QCOMPARE(m_prompter->texts(), QStringList{WrongPassword});
    QVERIFY(!dialog.LoginSucceeded());

    c.password->setText(QStringLiteral("south"));
    QTest::mouseClick(c.ok, Qt::LeftButton);
    QVERIFY(dialog.LoginSucceeded());
    QCOMPARE(dialog.chosenStationID(), south);
    QCOMPARE(dialog.chosenUserID(), bo);
}

void tst_Login::stationWithoutActiveUsers_data()
{
    QTest::addColumn<bool>("withDisabledUser");
    QTest::newRow("no users at all") << false;
    QTest::newRow("only a disabled user") << true;
}

void tst_Login::stationWithoutActiveUsers()
{
    QFETCH(bool, withDisabledUser);
    const int empty = addStation(QStringLiteral("空站"));
    QVERIFY(empty > 0);
    if (withDisabledUser)
        QVERIFY(addUser(QStringLiteral("离职"), QString(), empty, QStringLiteral("0")) > 0);

    frmGrpLogin dialog;
    LoginControls c(dialog);
    QVERIFY(c.complete());
    dialog.show();

    // Coming from a station whose list had someone in it.
    QVERIFY(c.chooseStation(1));
    QCOMPARE(c.user->count(), 1);
    QVERIFY(c.chooseStation(empty));
    QCOMPARE(c.user->count(), 0);
    QCOMPARE(c.user->currentIndex(), -1);

    c.password->setText(QString());
    QTest::mouseClick(c.ok, Qt::LeftButton);
    QCOMPARE(m_prompter->requests.size(), 1);
    QCOMPARE(m_prompter->requests.at(0).text, NoUserChosen);
    QCOMPARE(m_prompter->requests.at(0).title, ErrorTitle);
    QVERIFY(!dialog.LoginSucceeded());
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void tst_Login::okWithoutUserAsksForOne()
{
    const int second = addUser(QStringLiteral("值班员"), QStringLiteral("duty"), 1);
    QVERIFY(second > 0);

    frmGrpLogin dialog;
    LoginControls c(dialog);
    QVERIFY(c.complete());
    dialog.show();
    QCOMPARE(c.user->count(), 2);
    QCOMPARE(c.user->currentIndex(), -1);

    // Even the right password of some user cannot stand in for choosing one.
    c.password->setText(QStringLiteral("duty"));
    QTest::mouseClick(c.ok, Qt::LeftButton);
    QCOMPARE(m_prompter->requests.size(), 1);
    QCOMPARE(m_prompter->requests.at(0).text, NoUserChosen);
    QCOMPARE(m_prompter->requests.at(0).title, ErrorTitle);
    QVERIFY(!dialog.LoginSucceeded());
    QVERIFY(dialog.isVisible());

    QVERIFY(c.chooseUser(second));
    QTest::mouseClick(c.ok, Qt::LeftButton);
    QCOMPARE(m_prompter->requests.size(), 1);
    QVERIFY(dialog.LoginSucceeded());
    QCOMPARE(dialog.chosenUserID(), second);
}

void tst_Login::passwordCheck_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");

    const QVariant null;
    auto text = [](const char *s) {
        return QVariant(QString::fromUtf8(s));
    };

    QTest::newRow("empty, empty") << text("") << QString() << true;
    QTest::newRow("empty rejects text") << text("") << QStringLiteral("x") << false;
    QTest::newRow("null reads as empty") << null << QString() << true;
    QTest::newRow("null rejects text") << null << QStringLiteral("x") << false;
    QTest::newRow("null, typed blanks") << null << QStringLiteral("   ") << true;
    QTest::newRow("exact") << text("Secret9") << QStringLiteral("Secret9") << true;
    QTest::newRow("case differs") << text("Secret9") << QStringLiteral("secret9") << false;
    QTest::newRow("all upper") << text("Secret9") << QStringLiteral("SECRET9") << false;
    QTest::newRow("prefix only") << text("Secret9") << QStringLiteral("Secret") << false;
    QTest::newRow("longer") << text("Secret9") << QStringLiteral("Secret99") << false;
    QTest::newRow("stored blanks around") << text("  pass  ") << QStringLiteral("pass") << true;
    QTest::newRow("stored trailing blanks") << text("pass   ") << QStringLiteral("pass") << true;
    QTest::newRow("typed blanks around") << text("pass") << QStringLiteral(" pass   ") << true;
    QTest::newRow("stored only blanks") << text("    ") << QString() << true;
    QTest::newRow("inner blank counts") << text("pa ss") << QStringLiteral("pass") << false;
    QTest::newRow("inner blank kept") << text("pa ss") << QStringLiteral("pa ss") << true;
    QTest::newRow("quote") << text("O'Brien") << QStringLiteral("O'Brien") << true;
    QTest::newRow("quotes both kinds") << text("a'b\"c") << QStringLiteral("a'b\"c") << true;
    QTest::newRow("quote left out") << text("a'b\"c") << QStringLiteral("ab\"c") << false;
    QTest::newRow("double quote left out") << text("a'b\"c") << QStringLiteral("a'bc") << false;
    QTest::newRow("doubled quote is not the same")
        << text("a'b") << QStringLiteral("a''b") << false;
    QTest::newRow("quote typed, none stored") << text("ab") << QStringLiteral("a'b") << false;
    QTest::newRow("chinese") << text("水站8号") << QStringLiteral("水站8号") << true;
    QTest::newRow("chinese differs") << text("水站8号") << QStringLiteral("水站9号") << false;
}

void tst_Login::passwordCheck()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);

    const int user = addUser(QStringLiteral("收银员"), stored, 1);
    QVERIFY(user > 0);
    // What the dialog compares against is exactly what was meant to be stored.
    QCOMPARE(mDatabase::GetFieldByID(user, QStringLiteral("SysUser"), QStringLiteral("Pwd")),
        stored.toString());

    frmGrpLogin dialog;
    LoginControls c(dialog);
    QVERIFY(c.complete());
    dialog.show();
    QVERIFY(c.chooseStation(1));
    QVERIFY(c.chooseUser(user));
    c.password->setText(typed);
    QTest::mouseClick(c.ok, Qt::LeftButton);

    QCOMPARE(dialog.LoginSucceeded(), accepted);
    if (accepted) {
        QCOMPARE(m_prompter->texts(), QStringList());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.chosenUserID(), user);
        QCOMPARE(dialog.chosenStationID(), 1);
    } else {
        QCOMPARE(m_prompter->requests.size(), 1);
        QCOMPARE(m_prompter->requests.at(0).text, WrongPassword);
        QCOMPARE(m_prompter->requests.at(0).title, ErrorTitle);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(dialog.isVisible());
    }
}

void tst_Login::quotedNamesShownAndMatched()
{
    const QString stationName = QStringLiteral("Tom's \"Corner\"");
    const QString userName = QStringLiteral("O'Brien");
    const QString password = QStringLiteral("a'b\"c");
    const int station = addStation(stationName);
    const int user = addUser(userName, password, station);
    QVERIFY(station > 0 && user > 0);
    QCOMPARE(
        mDatabase::GetFieldByID(user, QStringLiteral("SysUser"), QStringLiteral("Name")), userName);

    frmGrpLogin dialog;
    LoginControls c(dialog);
    QVERIFY(c.complete());
    dialog.show();
    QVERIFY(c.chooseStation(station));
    QCOMPARE(c.station->currentText(), stationName);
    QCOMPARE(c.user->count(), 1);
    QCOMPARE(c.user->currentText(), userName);
    QCOMPARE(c.user->currentData().toInt(), user);

    c.password->setText(QStringLiteral("a\"b'c"));
    QTest::mouseClick(c.ok, Qt::LeftButton);
    QCOMPARE(m_prompter->texts(), QStringList{WrongPassword});
    QVERIFY(!dialog.LoginSucceeded());

    c.password->setText(password);
    QTest::mouseClick(c.ok, Qt::LeftButton);
    QCOMPARE(m_prompter->texts(), QStringList{WrongPassword});
    QVERIFY(dialog.LoginSucceeded());
    QCOMPARE(dialog.chosenUserID(), user);
}

void tst_Login::wrongPasswordSelectsTextForRetry()
{
    QVERIFY(mDatabase::ExecuteSQL(QStringLiteral("update SysUser set Pwd='right' where ID=1")));

    frmGrpLogin dialog;
    LoginControls c(dialog);
    QVERIFY(c.complete());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    c.user->setFocus();
    QTRY_VERIFY(c.user->hasFocus());
    c.password->setText(QStringLiteral("wrong one"));
    c.password->setCursorPosition(3);
    QVERIFY(!c.password->hasSelectedText());

    QTest::mouseClick(c.ok, Qt::LeftButton);

    QCOMPARE(m_prompter->texts(), QStringList{WrongPassword});
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.LoginSucceeded());
    QTRY_VERIFY(c.password->hasFocus());
    QVERIFY(c.password->hasSelectedText());
    QCOMPARE(c.password->selectedText(), QStringLiteral("wrong one"));
    // Typing now replaces the whole attempt.
    QTest::keyClicks(c.password, QStringLiteral("right"));
    QCOMPARE(c.password->text(), QStringLiteral("right"));
    QTest::mouseClick(c.ok, Qt::LeftButton);
    QVERIFY(dialog.LoginSucceeded());
    QCOMPARE(m_prompter->requests.size(), 1);
}

void tst_Login::attemptsAreUnlimited()
{
    const int user = addUser(QStringLiteral("新手"), QStringLiteral("finally"), 1);
    QVERIFY(user > 0);

    frmGrpLogin dialog;
    LoginControls c(dialog);
    QVERIFY(c.complete());
    dialog.show();
    QVERIFY(c.chooseUser(user));

    const int attempts = 12;
    for (int i = 0; i < attempts; ++i) {
        c.password->setText(QStringLiteral("guess %1").arg(i));
        QTest::mouseClick(c.ok, Qt::LeftButton);
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.LoginSucceeded());
    }
    QCOMPARE(m_prompter->texts(), QStringList(attempts, WrongPassword));
    QVERIFY(c.cancel->isEnabled());
    QVERIFY(c.ok->isEnabled());

    c.password->setText(QStringLiteral("finally"));
    QTest::mouseClick(c.ok, Qt::LeftButton);
    QVERIFY(dialog.LoginSucceeded());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(m_prompter->requests.size(), attempts);
}

void tst_Login::cancelLeavesLoggedOut_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("failedFirst");
    QTest::newRow("nothing typed") << QString() << false;
    QTest::newRow("right password typed") << QStringLiteral("open") << false;
    QTest::newRow("after a failed attempt") << QStringLiteral("open") << true;
}

void tst_Login::cancelLeavesLoggedOut()
{
    QFETCH(QString, typed);
    QFETCH(bool, failedFirst);
    QVERIFY(mDatabase::ExecuteSQL(QStringLiteral("update SysUser set Pwd='open' where ID=1")));

    frmGrpLogin dialog;
    LoginControls c(dialog);
    QVERIFY(c.complete());
    dialog.show();
    if (failedFirst) {
        c.password->setText(QStringLiteral("closed"));
        QTest::mouseClick(c.ok, Qt::LeftButton);
        QCOMPARE(m_prompter->texts(), QStringList{WrongPassword});
    }
    c.password->setText(typed);
    QTest::mouseClick(c.cancel, Qt::LeftButton);

    QVERIFY(!dialog.LoginSucceeded());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(m_prompter->requests.size(), failedFirst ? 1 : 0);
}

void tst_Login::headStationIsLowestStationID_data()
{
    QTest::addColumn<bool>("removeFirst");
    QTest::addColumn<QString>("expectedHead");
    QTest::newRow("stations 1, 2, 3") << false << HeadStation;
    QTest::newRow("station 1 deleted") << true << QStringLiteral("二站");
}

void tst_Login::headStationIsLowestStationID()
{
    QFETCH(bool, removeFirst);
    QFETCH(QString, expectedHead);

    const int second = addStation(QStringLiteral("二站"));
    const int third = addStation(QStringLiteral("三站"));
    QCOMPARE(second, 2);
    QCOMPARE(third, 3);
    QVERIFY(addUser(QStringLiteral("二站员"), QString(), second) > 0);
    QVERIFY(addUser(QStringLiteral("三站员"), QString(), third) > 0);
    if (removeFirst)
        QVERIFY(mDatabase::ExecuteSQL(QStringLiteral("delete from Station where ID=1")));
    QCOMPARE(mDatabase::GetMinValue(QStringLiteral("Station"), QStringLiteral("ID")),
        removeFirst ? 2 : 1);

    // Log in at every listed station and apply start-up's rule to the result.
    QStringList heads;
    int stationsSeen = 0;
    for (int index = 0;; ++index) {
        frmGrpLogin dialog;
        LoginControls c(dialog);
        QVERIFY(c.complete());
        if (index >= c.station->count())
            break;
        dialog.show();
        c.station->setCurrentIndex(index);
        QCOMPARE(c.user->count(), 1);
        QTest::mouseClick(c.ok, Qt::LeftButton);
        QVERIFY(dialog.LoginSucceeded());
        ++stationsSeen;
        const bool isHead = mDatabase::GetMinValue(QStringLiteral("Station"), QStringLiteral("ID"))
            == dialog.chosenStationID();
        if (isHead)
            heads << c.station->currentText();
    }
    QCOMPARE(stationsSeen, removeFirst ? 2 : 3);
    QCOMPARE(heads, QStringList{expectedHead});
    QCOMPARE(m_prompter->texts(), QStringList());
}

QTEST_MAIN(tst_Login)
#include "tst_login.moc"
