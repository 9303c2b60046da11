#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "shell/frmchangepwd.h"
#include "shell/frmgrplogin.h"
#include "shell/loginstate.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

const QString OldPassword = QStringLiteral("old pass");

int addUser(const QString &name, const QString &password)
{
    return int(mDatabase::InsertAndGetID(
        QStringLiteral("insert into SysUser(Name,Pwd,rolestring,Detail,Status,StationID) values(")
        + mDatabase::SqlStr(name) + QLatin1Char(',') + mDatabase::SqlStr(password)
        + QStringLiteral(",'00000000','','1',1)")));
}

QString storedPassword(int userId)
{
    return mDatabase::GetFieldByID(userId, QStringLiteral("SysUser"), QStringLiteral("Pwd"));
}

struct PwdControls {
    explicit PwdControls(frmChangePwd &dialog)
        : first(dialog.findChild<QLineEdit *>(QStringLiteral("txtPassword1"))),
          second(dialog.findChild<QLineEdit *>(QStringLiteral("txtPassword2"))),
          ok(dialog.findChild<QPushButton *>(QStringLiteral("btnOk"))),
          cancel(dialog.findChild<QPushButton *>(QStringLiteral("btnCancel")))
    {
    }
    bool complete() const { return first && second && ok && cancel; }

    QLineEdit *first;
    QLineEdit *second;
    QPushButton *ok;
    QPushButton *cancel;
};

// Runs the login dialog for userId at the head station with typed.
bool logsIn(int userId, const QString &typed)
{
    frmGrpLogin login;
    auto *station = login.findChild<QComboBox *>(QStringLiteral("cmbStation"));
    auto *user = login.findChild<QComboBox *>(QStringLiteral("cmbUser"));
    auto *password = login.findChild<QLineEdit *>(QStringLiteral("txtPassword"));
    auto *ok = login.findChild<QPushButton *>(QStringLiteral("cmdOK"));
    if (!station || !user || !password || !ok)
        return false;
    station->setCurrentIndex(station->findData(1));
    user->setCurrentIndex(user->findData(userId));
    if (user->currentIndex() < 0)
        return false;
    login.show();
    password->setText(typed);
    ok->click();
    return login.LoginSucceeded();
}

} // namespace

class tst_ChangePwd : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void okFollowsMatchingTexts_data();
    void okFollowsMatchingTexts();
    void okRecheckedOnEveryKeystroke();
    void refreshControlReadsCurrentTexts();

    void storesNewPassword_data();
    void storesNewPassword();
    void disabledOkStoresNothing();
    void cancelChangesNothing_data();
    void cancelChangesNothing();

private:
    TestDatabase m_db;
    std::unique_ptr<ScriptedPrompter> m_prompter;
};

void tst_ChangePwd::init()
{
    m_prompter = std::make_unique<ScriptedPrompter>();
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_ChangePwd::cleanup()
{
    m_db.dropAll();
    m_prompter.reset();
}

void tst_ChangePwd::okFollowsMatchingTexts_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("both empty") << QString() << QString() << true;
    QTest::newRow("same") << QStringLiteral("abc123") << QStringLiteral("abc123") << true;
    QTest::newRow("case differs") << QStringLiteral("abc") << QStringLiteral("ABC") << false;
    QTest::newRow("one letter case") << QStringLiteral("Abc") << QStringLiteral("abc") << false;
    QTest::newRow("second empty") << QStringLiteral("abc") << QString() << false;
    QTest::newRow("first empty") << QString() << QStringLiteral("abc") << false;
    QTest::newRow("second longer") << QStringLiteral("abc") << QStringLiteral("abcd") << false;
    QTest::newRow("trailing blank") << QStringLiteral("abc") << QStringLiteral("abc ") << false;
    QTest::newRow("same with quotes")
        << QStringLiteral("a'b\"c") << QStringLiteral("a'b\"c") << true;
    QTest::newRow("quotes swapped")
        << QStringLiteral("a'b\"c") << QStringLiteral("a\"b'c") << false;
    QTest::newRow("same chinese") << QStringLiteral("新密码") << QStringLiteral("新密码") << true;
}

void tst_ChangePwd::okFollowsMatchingTexts()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, enabled);

    frmChangePwd dialog;
    PwdControls c(dialog);
    QVERIFY(c.complete());
    // Nothing typed yet: two empty texts agree.
    QVERIFY(c.ok->isEnabled());

    c.first->setText(first);
    c.second->setText(second);
    QCOMPARE(c.ok->isEnabled(), enabled);
    // A disabled 确定 says why.
    QCOMPARE(
        dialog.findChild<QWidget *>(QStringLiteral("lblHint"))->isVisibleTo(&dialog), !enabled);

    // The same pair typed the other way round.
    frmChangePwd reversed;
    PwdControls r(reversed);
    QVERIFY(r.complete());
    r.second->setText(second);
    r.first->setText(first);
    QCOMPARE(r.ok->isEnabled(), enabled);
    QCOMPARE(m_prompter->texts(), QStringList());
}

void tst_ChangePwd::okRecheckedOnEveryKeystroke()
{
    frmChangePwd dialog;
    PwdControls c(dialog);
    QVERIFY(c.complete());
    dialog.show();

    const QString word = QStringLiteral("Pw9");
    for (const QChar ch : word) {
        QTest::keyClicks(c.first, QString(ch));
        QVERIFY(!c.ok->isEnabled());
    }
    for (int i = 0; i < word.size(); ++i) {
        QTest::keyClicks(c.second, QString(word.at(i)));
        QCOMPARE(c.second->text(), word.left(i + 1));
        QCOMPARE(c.ok->isEnabled(), i == word.size() - 1);
    }
    QVERIFY(c.ok->isEnabled());

    // Editing either box afterwards is seen at once.
    QTest::keyClick(c.first, Qt::Key_Backspace);
    QVERIFY(!c.ok->isEnabled());
    QTest::keyClicks(c.first, QStringLiteral("9"));
    QVERIFY(c.ok->isEnabled());
    QTest::keyClick(c.second, Qt::Key_Home);
    QTest::keyClick(c.second, Qt::Key_Delete);
    QCOMPARE(c.second->text(), QStringLiteral("w9"));
    QVERIFY(!c.ok->isEnabled());
    QTest::keyClicks(c.second, QStringLiteral("p"));
    QCOMPARE(c.second->text(), QStringLiteral("pw9"));
    QVERIFY(!c.ok->isEnabled());
    QTest::keyClick(c.second, Qt::Key_Home);
    QTest::keyClick(c.second, Qt::Key_Delete);
    QTest::keyClicks(c.second, QStringLiteral("P"));
    QVERIFY(c.ok->isEnabled());
}

void tst_ChangePwd::refreshControlReadsCurrentTexts()
{
    frmChangePwd dialog;
    PwdControls c(dialog);
    QVERIFY(c.complete());

    // Texts changed behind the dialog's back are picked up by the slot.
    c.first->blockSignals(true);
    c.first->setText(QStringLiteral("x"));
    c.first->blockSignals(false);
    QVERIFY(c.ok->isEnabled());
    QVERIFY(QMetaObject::invokeMethod(&dialog, "RefreshControl"));
    QVERIFY(!c.ok->isEnabled());

    c.second->blockSignals(true);
    c.second->setText(QStringLiteral("x"));
    c.second->blockSignals(false);
    QVERIFY(!c.ok->isEnabled());
    dialog.RefreshControl();
    QVERIFY(c.ok->isEnabled());
}

void tst_ChangePwd::storesNewPassword_data()
{
    QTest::addColumn<QString>("newPassword");

    QTest::newRow("plain") << QStringLiteral("n3wPass");
    QTest::newRow("empty") << QString();
    QTest::newRow("quote") << QStringLiteral("it's");
    QTest::newRow("quotes both kinds") << QStringLiteral("a'b\"c");
    QTest::newRow("only quotes") << QStringLiteral("''");
    QTest::newRow("chinese") << QStringLiteral("新密码");
}

void tst_ChangePwd::storesNewPassword()
{
    QFETCH(QString, newPassword);

    const int user = addUser(QStringLiteral("改密码的人"), OldPassword);
    QVERIFY(user > 0);
    const QString adminBefore = storedPassword(1);
    const ScopedSession login(ScopedSession::asUser(qint16(user)));

    frmChangePwd dialog;
    PwdControls c(dialog);
    QVERIFY(c.complete());
    dialog.show();
    c.first->setText(newPassword);
    c.second->setText(newPassword);
    QVERIFY(c.ok->isEnabled());
    QTest::mouseClick(c.ok, Qt::LeftButton);

    QCOMPARE(m_prompter->texts(), QStringList());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(storedPassword(user), newPassword);
    // Only the logged-in user's row changes.
    QCOMPARE(storedPassword(1), adminBefore);

    // The new password opens the account; the old one no longer does.
    QVERIFY(logsIn(user, newPassword));
    m_prompter->clear();
    QVERIFY(!logsIn(user, OldPassword));
    QCOMPARE(m_prompter->texts(), QStringList{QStringLiteral("密码错误，请重新输入！")});
}

void tst_ChangePwd::disabledOkStoresNothing()
{
    const int user = addUser(QStringLiteral("犹豫的人"), OldPassword);
    QVERIFY(user > 0);
    const ScopedSession login(ScopedSession::asUser(qint16(user)));

    frmChangePwd dialog;
    PwdControls c(dialog);
    QVERIFY(c.complete());
    dialog.show();
    c.first->setText(QStringLiteral("one"));
    c.second->setText(QStringLiteral("One"));
    QVERIFY(!c.ok->isEnabled());
    QTest::mouseClick(c.ok, Qt::LeftButton);

    QVERIFY(dialog.isVisible());
    QCOMPARE(storedPassword(user), OldPassword);
    QCOMPARE(m_prompter->texts(), QStringList());
}

void tst_ChangePwd::cancelChangesNothing_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");

    QTest::newRow("nothing typed") << QString() << QString();
    QTest::newRow("matching texts") << QStringLiteral("fresh") << QStringLiteral("fresh");
    QTest::newRow("different texts") << QStringLiteral("fresh") << QStringLiteral("Fresh");
}

void tst_ChangePwd::cancelChangesNothing()
{
    QFETCH(QString, first);
    QFETCH(QString, second);

    const int user = addUser(QStringLiteral("反悔的人"), OldPassword);
    QVERIFY(user > 0);
    const ScopedSession login(ScopedSession::asUser(qint16(user)));

    frmChangePwd dialog;
    PwdControls c(dialog);
    QVERIFY(c.complete());
    dialog.show();
    c.first->setText(first);
    c.second->setText(second);
    QTest::mouseClick(c.cancel, Qt::LeftButton);

    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(storedPassword(user), OldPassword);
    QCOMPARE(m_prompter->texts(), QStringList());
}

QTEST_MAIN(tst_ChangePwd)
#include "tst_changepwd.moc"
