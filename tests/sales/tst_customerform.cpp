#include "common/modalhelper.h"
#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "customerrows.h"
#include "datastore/mdatabase.h"
#include "sales/frmcustomer.h"
#include "shell/datetext.h"
#include "shell/loginstate.h"
#include "shell/pickers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

const QString TakenAddress = QStringLiteral("东街1号");

struct Form {
    explicit Form(QWidget &d) : dialog(d) { }
    template <class T> T *get(const char *name) const
    {
        return dialog.findChild<T *>(QLatin1String(name));
    }
    bool complete() const
    {
        return account && name && address && phone && date && detail && autoID && disable && type
            && station && dateButton && save;
    }
    // The system's account is shown blended into the window.
    bool accountBlended() const
    {
        return account->palette().color(QPalette::Base) == dialog.palette().color(QPalette::Window);
    }

    QWidget &dialog;
    QLineEdit *account = get<QLineEdit>("txtAccount"), *name = get<QLineEdit>("txtName"),
              *address = get<QLineEdit>("txtAddress"), *phone = get<QLineEdit>("txtPhone"),
              *date = get<QLineEdit>("txtCreateDate"), *detail = get<QLineEdit>("txtDetail");
    QCheckBox *autoID = get<QCheckBox>("chkAutoID"), *disable = get<QCheckBox>("chkDisable");
    QComboBox *type = get<QComboBox>("cmbCustType"), *station = get<QComboBox>("cmbStation");
    QPushButton *dateButton = get<QPushButton>("btnDate"), *save = get<QPushButton>("btnSave");
};

qint64 addCustomer(int account, const QString &address)
{
    return mDatabase::InsertAndGetID(
        QStringLiteral("insert into Customer(Account,Phone,Address,Name,Detail,CreateDate,CustType,"
                       "Status,StationID) values (")
        + QString::number(account) + QStringLiteral(",'0571-1234',") + mDatabase::SqlStr(address)
        + QStringLiteral(",'老王','老客户',") + DateText::sqlLiteral(QDate(2023, 5, 6))
        + QStringLiteral(",3,'0',1)"));
}

int number(const Recordset &rs, int row, const char *field)
{
    return rs.value(row, QLatin1String(field)).toInt();
}

// A new-customer form on screen with the focus in it, as the operator has it.
bool openNew(frmCustomer &dialog)
{
    dialog.Load();
    dialog.show();
    return QTest::qWaitForWindowActive(&dialog);
}

} // namespace

class tst_CustomerForm : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newEntry_data();
    void newEntry();
    void badInputRefused_data();
    void badInputRefused();
    void storesTypedValues_data();
    void storesTypedValues();
    void accountSourceAndSaveButton_data();
    void accountSourceAndSaveButton();
    void otherStationUser();
    void prefillFromSale();

    void manualAccountZeroTakesKey();

    void editFillsUpdatesAndCloses();
    void editOfMissingRowReturnsAtOnce();
    void editChangedElsewhereStaysOpen();

private:
    TestDatabase m_db;
    ScopedSession m_session{ScopedSession::headStation(0)};
    std::unique_ptr<ScriptedPrompter> m_prompter;
};

void tst_CustomerForm::init()
{
    PickedCustomerID = -1;
    m_prompter = std::make_unique<ScriptedPrompter>();
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_CustomerForm::cleanup()
{
    m_db.dropAll();
    m_prompter.reset();
}

void tst_CustomerForm::newEntry_data()
{
    QTest::addColumn<QString>("account"); // empty: the system numbers it
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("refusal"); // empty: saved
    QTest::addColumn<int>("stored"); // -1: the row's own key

    const QString addressTaken = QStringLiteral("该地址已经开户了，请检查后再继续！");
    const QString accountTaken = QStringLiteral("您所指定的帐户名称已被占用!,请重新指定");
    const QString street = QStringLiteral("西街");
    QTest::newRow("system account") << QString() << street << QString() << -1;
    QTest::newRow("manual account") << QStringLiteral("101") << street << QString() << 101;
    QTest::newRow("manual in blanks") << QStringLiteral(" 7 ") << street << QString() << 7;
    QTest::newRow("thousands comma") << QStringLiteral("1,000") << street << QString() << 1000;
    QTest::newRow("address taken") << QString() << TakenAddress << addressTaken << 0;
    QTest::newRow("address with trailing blank")
        << QString() << TakenAddress + QLatin1Char(' ') << QString() << -1;
    QTest::newRow("account taken") << QStringLiteral("100") << street << accountTaken << 0;
    QTest::newRow("account taken, blanks") << QStringLiteral(" 100") << street << accountTaken << 0;
}

void tst_CustomerForm::newEntry()
{
    QFETCH(QString, account);
    QFETCH(QString, address);
    QFETCH(QString, refusal);
    QFETCH(int, stored);

    QVERIFY(addCustomer(100, TakenAddress) > 0);
    frmCustomer dialog;
    Form f(dialog);
    QVERIFY(f.complete());
    QVERIFY(openNew(dialog));
    QVERIFY(!f.save->isEnabled());
    QVERIFY(f.station->isEnabled()); // the head station's user
    QCOMPARE(f.station->currentData().toInt(), 1);
    if (!account.isEmpty()) {
        f.autoID->click();
        f.account->setText(account);
    }
    f.name->setText(QStringLiteral("王五"));
    f.phone->setText(QStringLiteral("13800000001"));
    f.address->setText(address);
    f.save->click();

    Recordset rs = customers();
    QCOMPARE(number(rs, 0, "Account"), 100);
    QVERIFY(dialog.isVisible());
    if (!refusal.isEmpty()) {
        QCOMPARE(m_prompter->texts(), QStringList{refusal});
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(PickedCustomerID, -1);
        QCOMPARE((QStringList{f.name->text(), f.address->text()}),
            (QStringList{QStringLiteral("王五"), address}));
        return;
    }
    QCOMPARE(m_prompter->texts(), QStringList());
    QCOMPARE(rs.recordCount(), 2);
    const int id = number(rs, 1, "ID");
    QCOMPARE(number(rs, 1, "Account"), stored < 0 ? id : stored);
    QCOMPARE(PickedCustomerID, id);
    QCOMPARE(fields(rs, 1, QStringLiteral("Address CreateDate CustType Status StationID")),
        (QStringList{address, DateText::shortDate(QDate::currentDate()), QStringLiteral("1"),
            QStringLiteral("1"), QStringLiteral("1")}));

    // Ready for the next customer, numbered on from a manual account.
    for (QLineEdit *cleared : {f.name, f.phone, f.address, f.detail})
        QVERIFY2(cleared->text().isEmpty(), qPrintable(cleared->objectName()));
    QVERIFY(!f.save->isEnabled());
    QCOMPARE(f.account->text(), stored < 0 ? QString() : QString::number(stored + 1));
    QCOMPARE(QApplication::focusWidget(), stored < 0 ? f.phone : f.account);

    // Another system-numbered entry gets its own key; earlier rows stay put.
    if (stored < 0) {
        f.address->setText(QStringLiteral("西街2号"));
        f.save->click();
        rs = customers();
        QCOMPARE(rs.recordCount(), 3);
        for (int row = 1; row < 3; ++row)
            QCOMPARE(number(rs, row, "Account"), number(rs, row, "ID"));
        QCOMPARE(PickedCustomerID, number(rs, 2, "ID"));
    }
}

void tst_CustomerForm::badInputRefused_data()
{
    QTest::addColumn<bool>("inAccount");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");

    const QString prefix = QStringLiteral("数据输入格式不正确， ");
    QTest::newRow("account beyond 16 bits")
        << true << QStringLiteral("40000") << prefix + QStringLiteral("40000 不是有效的整数！");
    QTest::newRow("account with a quote")
        << true << QStringLiteral("1'0") << prefix + QStringLiteral("1'0 不是有效的整数！");
    QTest::newRow("day that does not exist")
        << false << QStringLiteral("2026-02-30")
        << prefix + QStringLiteral("2026-02-30 不是有效的日期！");
}

void tst_CustomerForm::badInputRefused()
{
    QFETCH(bool, inAccount);
    QFETCH(QString, typed);
    QFETCH(QString, message);

    frmCustomer dialog;
    Form f(dialog);
    QVERIFY(f.complete());
    QVERIFY(openNew(dialog));
    f.autoID->click();
    f.account->setText(QStringLiteral("5"));
    f.address->setText(QStringLiteral("北街"));
    QLineEdit *field = inAccount ? f.account : f.date;
    field->setFocus();
    field->setText(typed);

    // Leaving the field is refused at once...
    f.name->setFocus();
    QCOMPARE(m_prompter->texts(), QStringList{message});
    QCOMPARE(QApplication::focusWidget(), field);

    // ...and so is saving it anyway.
    m_prompter->clear();
    f.save->click();
    QCOMPARE(m_prompter->texts(), QStringList{message});
    QCOMPARE(customers().recordCount(), 0);
    QCOMPARE(field->text(), typed);
}

void tst_CustomerForm::storesTypedValues_data()
{
    QTest::addColumn<QString>("typed"); // name|address|phone|remark
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("suspended");
    QTest::addColumn<QDate>("picked"); // null: nothing picked, today stays

    QTest::newRow("plain, picked date")
        << QStringLiteral("张三|东街2号|12345|") << 0 << false << QDate(2024, 3, 9);
    QTest::newRow("quotes everywhere")
        << QStringLiteral("O'Brien \"老\"|'';--|0571'8|it''s '") << 3 << false << QDate();
    QTest::newRow("suspended, blanks kept")
        << QStringLiteral("李四 | 北街||欠款") << 4 << true << QDate(2020, 12, 31);
}

void tst_CustomerForm::storesTypedValues()
{
    QFETCH(QString, typed);
    QFETCH(int, type);
    QFETCH(bool, suspended);
    QFETCH(QDate, picked);

    frmCustomer dialog;
    Form f(dialog);
    QVERIFY(f.complete());
    QVERIFY(openNew(dialog));
    const QStringList parts = typed.split(QLatin1Char('|'));
    f.name->setText(parts.at(0));
    f.address->setText(parts.at(1));
    f.phone->setText(parts.at(2));
    f.detail->setText(parts.at(3));
    f.type->setCurrentIndex(type);
    if (suspended)
        f.disable->click();
    m_prompter->choices << (picked.isValid() ? QVariant(picked) : QVariant());
    f.dateButton->click();
    const QString date = DateText::shortDate(picked.isValid() ? picked : QDate::currentDate());
    QCOMPARE(f.date->text(), date);
    f.save->click();

    QCOMPARE(m_prompter->requests.size(), 1); // the date picker, nothing else
    const Recordset rs = customers();
    QCOMPARE(rs.recordCount(), 1);
    const QStringList expected
        = parts + QStringList{QString::number(type), suspended ? "0" : "1", date};
    QCOMPARE(fields(rs, 0, QStringLiteral("Name Address Phone Detail CustType Status CreateDate")),
        expected);
}

void tst_CustomerForm::accountSourceAndSaveButton_data()
{
    QTest::addColumn<bool>("systemAccount");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("enabled");

    const QString somewhere = QStringLiteral("东");
    QTest::newRow("system, no address") << true << QString() << QString() << false;
    QTest::newRow("system, address") << true << QString() << somewhere << true;
    QTest::newRow("manual, no account") << false << QString() << somewhere << false;
    QTest::newRow("manual, blank account") << false << QStringLiteral("  ") << somewhere << false;
    QTest::newRow("manual, both") << false << QStringLiteral("5") << somewhere << true;
    QTest::newRow("manual, no address") << false << QStringLiteral("5") << QString() << false;
}

void tst_CustomerForm::accountSourceAndSaveButton()
{
    QFETCH(bool, systemAccount);
    QFETCH(QString, account);
    QFETCH(QString, address);
    QFETCH(bool, enabled);

    frmCustomer dialog;
    Form f(dialog);
    QVERIFY(f.complete());
    dialog.Load();
    const QColor normalBase = QLineEdit().palette().color(QPalette::Base);
    QVERIFY(normalBase != dialog.palette().color(QPalette::Window));
    if (!systemAccount)
        f.autoID->click();
    f.account->setText(account);
    f.address->setText(address);
    QCOMPARE(f.save->isEnabled(), enabled);
    QCOMPARE(f.account->isEnabled(), !systemAccount);
    QCOMPARE(f.accountBlended(), systemAccount);

    // Switching the source: the system's account clears the field and owns it.
    f.autoID->click();
    QCOMPARE(f.account->isEnabled(), systemAccount);
    QCOMPARE(f.accountBlended(), !systemAccount);
    QCOMPARE(f.account->text(), systemAccount ? account : QString());
    QCOMPARE(f.save->isEnabled(), !address.isEmpty() && !systemAccount);
}

void tst_CustomerForm::otherStationUser()
{
    const qint64 second = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Station(Name,Status) values('二站','1')"));
    const qint64 closed = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Station(Name,Status) values('停用站','0')"));
    QVERIFY(second > 0 && closed > 0);
    const ScopedSession branch(ScopedSession::atBranch(qint16(second)));

    frmCustomer dialog;
    Form f(dialog);
    QVERIFY(f.complete());
    dialog.Load();
    QCOMPARE(f.station->count(), 2);
    QCOMPARE(f.station->findData(int(closed)), -1);
    QVERIFY(!f.station->isEnabled());
    QCOMPARE(f.station->currentData().toInt(), int(second));

    f.address->setText(QStringLiteral("站前路"));
    f.save->click();
    const Recordset rs = customers();
    QCOMPARE(rs.recordCount(), 1);
    QCOMPARE(number(rs, 0, "StationID"), int(second));
}

void tst_CustomerForm::prefillFromSale()
{
    frmCustomer dialog;
    Form f(dialog);
    QVERIFY(f.complete());
    dialog.PrefillFromSale(QStringLiteral("13800001111"), QStringLiteral("北街'3号"));
    QCOMPARE(f.phone->text(), QStringLiteral("13800001111"));
    QCOMPARE(f.address->text(), QStringLiteral("北街'3号"));
    QVERIFY(f.autoID->isChecked() && !f.autoID->isEnabled());
    QVERIFY(!f.account->isEnabled() && f.accountBlended());
    QVERIFY(f.save->isEnabled());

    f.save->click();
    const Recordset rs = customers();
    QCOMPARE(rs.recordCount(), 1);
    QCOMPARE(fields(rs, 0, QStringLiteral("Phone Address")),
        (QStringList{QStringLiteral("13800001111"), QStringLiteral("北街'3号")}));
    QCOMPARE(number(rs, 0, "Account"), number(rs, 0, "ID"));
    QCOMPARE(PickedCustomerID, number(rs, 0, "ID"));
}

void tst_CustomerForm::manualAccountZeroTakesKey()
{
    frmCustomer dialog;
    Form f(dialog);
    QVERIFY(f.complete());
    QVERIFY(openNew(dialog));
    f.autoID->click();
    f.account->setText(QStringLiteral("0"));
    f.address->setText(QStringLiteral("西街"));
    f.save->click();
    QCOMPARE(m_prompter->texts(), QStringList());
    // Account 0 could never be looked up: the customer takes its own key.
    const Recordset rs = customers();
    QCOMPARE(rs.recordCount(), 1);
    QCOMPARE(number(rs, 0, "Account"), number(rs, 0, "ID"));
    QCOMPARE(PickedCustomerID, number(rs, 0, "ID"));
    QCOMPARE(f.account->text(), QStringLiteral("1"));
}

void tst_CustomerForm::editFillsUpdatesAndCloses()
{
    const qint64 other = addCustomer(7, QStringLiteral("别家"));
    const qint64 id = addCustomer(55, TakenAddress);
    QVERIFY(other > 0 && id > 0);

    frmCustomer dialog;
    dialog.mActionType = frmCustomer::Edit;
    dialog.mCurID = int(id);
    QStringList shown;
    QList<bool> states;
    whenModal([&](QWidget *w) {
        Form f(*w);
        if (!f.complete())
            return;
        shown << f.account->text() << f.name->text() << f.address->text() << f.phone->text()
              << f.date->text() << f.detail->text() << QString::number(f.type->currentIndex())
              << f.station->currentData().toString();
        states << f.account->isEnabled() << f.autoID->isEnabled() << f.date->isEnabled()
               << f.dateButton->isEnabled() << f.save->isEnabled() << f.disable->isChecked();
        f.name->setText(QStringLiteral("  老李 "));
        f.address->setText(QStringLiteral("东街'1号"));
        f.phone->setText(QStringLiteral("139"));
        f.detail->setText(QStringLiteral("搬家了"));
        f.type->setCurrentIndex(0);
        f.disable->click();
        f.save->click();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));

    const QString oldRow = QStringLiteral("55 老王 东街1号 0571-1234 2023-05-06 老客户 3 1");
    QCOMPARE(shown, oldRow.split(QLatin1Char(' ')));
    QCOMPARE(states, (QList<bool>{false, false, false, false, true, true}));
    QCOMPARE(m_prompter->texts(), QStringList());
    const Recordset rs = customers();
    QCOMPARE(rs.recordCount(), 2);
    // Name loses its blanks; account and opening date are never touched.
    QCOMPARE(fields(rs, 1,
                 QStringLiteral("Account Name Address Phone CreateDate Detail CustType "
                                "StationID Status")),
        QStringLiteral("55 老李 东街'1号 139 2023-05-06 搬家了 0 1 1").split(QLatin1Char(' ')));
    QCOMPARE(fields(rs, 0, QStringLiteral("Account Name Address")),
        QStringLiteral("7 老王 别家").split(QLatin1Char(' ')));
}

void tst_CustomerForm::editOfMissingRowReturnsAtOnce()
{
    QVERIFY(addCustomer(1, TakenAddress) > 0);
    frmCustomer dialog;
    dialog.mActionType = frmCustomer::Edit;
    dialog.mCurID = 999;
    bool ranLoop = false;
    // Fires only if exec() runs an event loop, and then ends it.
    QTimer::singleShot(0, &dialog, [&] {
        ranLoop = true;
        dialog.reject();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(!ranLoop);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(m_prompter->texts(), QStringList());
}

void tst_CustomerForm::editChangedElsewhereStaysOpen()
{
    const qint64 id = addCustomer(55, TakenAddress);
    QVERIFY(id > 0);
    frmCustomer dialog;
    dialog.mActionType = frmCustomer::Edit;
    dialog.mCurID = int(id);
    bool stayedOpen = false;
    whenModal([&](QWidget *w) {
        Form f(*w);
        if (!f.complete())
            return;
        // Another workstation changes the phone while this form is open.
        QVERIFY(mDatabase::ExecuteSQL(
            QStringLiteral("update Customer set Phone='777' where ID=%1").arg(id)));
        f.name->setText(QStringLiteral("我的修改"));
        f.save->click();
        stayedOpen = w->isVisible();
        static_cast<QDialog *>(w)->done(QDialog::Rejected);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(stayedOpen);
    QCOMPARE(m_prompter->texts(),
        QStringList{QStringLiteral("该客户资料在您打开之后已在别处被修改，本次修改没有保存！"
                                   "请关闭后重新打开再修改。")});
    const Recordset rs = customers();
    QCOMPARE(fields(rs, 0, QStringLiteral("Name Phone")),
        (QStringList{QStringLiteral("老王"), QStringLiteral("777")}));
}

QTEST_MAIN(tst_CustomerForm)
#include "tst_customerform.moc"
