#include "datetext.h"
#include "frmcustomer.h"
#include "loginstate.h"
#include "mdatabase.h"
#include "modalhelper.h"
#include "pickers.h"
#include "scriptedprompter.h"
#include "testdatabase.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

const QString AddressTaken = QStringLiteral("该地址已经开户了，请检查后再继续！");
const QString AccountTaken = QStringLiteral("您所指定的帐户名称已被占用!,请重新指定");
const QString TakenAddress = QStringLiteral("东街1号");

QString badInput(const QString &text, const QString &what)
{
    return QStringLiteral("数据输入格式不正确， ") + text + what;
}

struct Form
{
    explicit Form(QWidget &d)
        : account(d.findChild<QLineEdit *>(QStringLiteral("txtAccount"))),
          name(d.findChild<QLineEdit *>(QStringLiteral("txtName"))),
          address(d.findChild<QLineEdit *>(QStringLiteral("txtAddress"))),
          phone(d.findChild<QLineEdit *>(QStringLiteral("txtPhone"))),
          date(d.findChild<QLineEdit *>(QStringLiteral("txtCreateDate"))),
          detail(d.findChild<QLineEdit *>(QStringLiteral("txtDetail"))),
          autoID(d.findChild<QCheckBox *>(QStringLiteral("chkAutoID"))),
          disable(d.findChild<QCheckBox *>(QStringLiteral("chkDisable"))),
          type(d.findChild<QComboBox *>(QStringLiteral("cmbCustType"))),
          station(d.findChild<QComboBox *>(QStringLiteral("cmbStation"))),
          dateButton(d.findChild<QPushButton *>(QStringLiteral("btnDate"))),
          save(d.findChild<QPushButton *>(QStringLiteral("btnSave"))),
          exit(d.findChild<QPushButton *>(QStringLiteral("btnExit")))
    {
    }
    bool complete() const
    {
        return account && name && address && phone && date && detail && autoID && disable && type
               && station && dateButton && save && exit;
    }
    // The system account is shown blended into the window.
    bool accountLooksOwned() const
    {
        return account->palette().color(QPalette::Base)
               == account->window()->palette().color(QPalette::Window);
    }

    QLineEdit *account, *name, *address, *phone, *date, *detail;
    QCheckBox *autoID, *disable;
    QComboBox *type, *station;
    QPushButton *dateButton, *save, *exit;
};

qint64 addCustomer(int account, const QString &address, int custType = 0,
                   const QString &status = QStringLiteral("1"))
{
    return mDatabase::InsertAndGetID(
        QStringLiteral("insert into Customer(Account,Phone,Address,Name,Detail,CreateDate,CustType,"
                       "Status,StationID) values (")
        + QString::number(account) + QStringLiteral(",'0571-1234',") + mDatabase::SqlStr(address)
        + QStringLiteral(",'老王','老客户',") + DateText::sqlLiteral(QDate(2023, 5, 6))
        + QLatin1Char(',') + QString::number(custType) + QLatin1Char(',')
        + mDatabase::SqlStr(status) + QStringLiteral(",1)"));
}

Recordset customers()
{
    return mDatabase::OpenRecordset(QStringLiteral("select * from Customer order by ID"))
        .value_or(Recordset());
}

QString text(const Recordset &rs, int row, const char *field)
{
    return rs.value(row, QLatin1String(field)).toString();
}

QDate dateOf(const Recordset &rs, int row)
{
    return QDate::fromString(text(rs, row, "CreateDate").left(10), Qt::ISODate);
}

} // namespace

class tst_CustomerForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void systemAccountIsTheKey();
    void manualAccountSuggestsNext_data();
    void manualAccountSuggestsNext();
    void badInputRefused_data();
    void badInputRefused();
    void duplicatesRefused_data();
    void duplicatesRefused();
    void storesTypedValues_data();
    void storesTypedValues();

    void saveButtonRule_data();
    void saveButtonRule();
    void autoIDOwnsAccount();
    void stationList_data();
    void stationList();
    void prefillFromSale();

    void editFillsUpdatesAndCloses();
    void editOfMissingRowReturnsAtOnce();

private:
    bool showActive(frmCustomer &dialog)
    {
        dialog.Load();
        dialog.show();
        return QTest::qWaitForWindowActive(&dialog);
    }

    TestDatabase m_db;
    std::unique_ptr<ScriptedPrompter> m_prompter;
};

void tst_CustomerForm::init()
{
    gStationID = 1;
    gIsHeadStation = true;
    PickedCustomerID = -1;
    m_prompter = std::make_unique<ScriptedPrompter>();
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_CustomerForm::cleanup()
{
    m_db.dropAll();
    m_prompter.reset();
}

void tst_CustomerForm::systemAccountIsTheKey()
{
    frmCustomer dialog;
    Form f(dialog);
    QVERIFY(f.complete());
    QVERIFY(showActive(dialog));
    QVERIFY(f.autoID->isChecked());
    QVERIFY(!f.account->isEnabled());
    QVERIFY(f.accountLooksOwned());
    QCOMPARE(f.date->text(), DateText::shortDate(QDate::currentDate()));
    QCOMPARE(f.type->currentIndex(), 1);
    QVERIFY(!f.save->isEnabled());

    // Two entries in a row: each gets its own key as account.
    for (int entry = 1; entry <= 2; ++entry) {
        f.phone->setText(QStringLiteral("1380000000%1").arg(entry));
        f.address->setText(QStringLiteral("西街%1号").arg(entry));
        f.name->setText(QStringLiteral("客户%1").arg(entry));
        f.detail->setText(QStringLiteral("备注"));
        f.save->click();

        const Recordset rs = customers();
        QCOMPARE(rs.recordCount(), entry);
        for (int row = 0; row < entry; ++row)
            QCOMPARE(rs.value(row, QStringLiteral("Account")).toInt(),
                     rs.value(row, QStringLiteral("ID")).toInt());
        const int last = entry - 1;
        QCOMPARE(PickedCustomerID, rs.value(last, QStringLiteral("ID")).toInt());
        QCOMPARE(text(rs, last, "Address"), QStringLiteral("西街%1号").arg(entry));
        QCOMPARE(dateOf(rs, last), QDate::currentDate());
        QCOMPARE(rs.value(last, QStringLiteral("CustType")).toInt(), 1);
        QCOMPARE(text(rs, last, "Status").trimmed(), QStringLiteral("1"));
        QCOMPARE(rs.value(last, QStringLiteral("StationID")).toInt(), 1);

        // Ready for the next customer.
        QVERIFY(dialog.isVisible());
        for (QLineEdit *cleared : {f.name, f.phone, f.address, f.detail})
            QVERIFY2(cleared->text().isEmpty(), qPrintable(cleared->objectName()));
        QCOMPARE(QApplication::focusWidget(), f.phone);
        QVERIFY(!f.save->isEnabled());
    }
    QCOMPARE(m_prompter->texts(), QStringList());
}

void tst_CustomerForm::manualAccountSuggestsNext_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");

    QTest::newRow("plain") << QStringLiteral("100") << 100;
    QTest::newRow("blanks around") << QStringLiteral(" 7 ") << 7;
    QTest::newRow("thousands comma") << QStringLiteral("1,000") << 1000;
}

void tst_CustomerForm::manualAccountSuggestsNext()
{
    QFETCH(QString, typed);
    QFETCH(int, stored);

    frmCustomer dialog;
    Form f(dialog);
    QVERIFY(f.complete());
    QVERIFY(showActive(dialog));
    f.autoID->click();
    f.account->setText(typed);
    f.address->setText(QStringLiteral("南街"));
    f.save->click();

    const Recordset rs = customers();
    QCOMPARE(rs.recordCount(), 1);
    QCOMPARE(rs.value(0, QStringLiteral("Account")).toInt(), stored);
    QCOMPARE(PickedCustomerID, rs.value(0, QStringLiteral("ID")).toInt());
    QCOMPARE(f.account->text(), QString::number(stored + 1));
    QCOMPARE(QApplication::focusWidget(), f.account);
    QCOMPARE(m_prompter->texts(), QStringList());
}

void tst_CustomerForm::badInputRefused_data()
{
    QTest::addColumn<bool>("inAccount");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");

    const QString notInteger = QStringLiteral(" 不是有效的整数！");
    const QString notDate = QStringLiteral(" 不是有效的日期！");
    QTest::newRow("account beyond 16 bits") << true << QStringLiteral("40000")
                                            << badInput(QStringLiteral("40000"), notInteger);
    QTest::newRow("account with letters") << true << QStringLiteral("12a")
                                          << badInput(QStringLiteral("12a"), notInteger);
    QTest::newRow("account with a quote") << true << QStringLiteral("1'0")
                                          << badInput(QStringLiteral("1'0"), notInteger);
    QTest::newRow("day that does not exist")
        << false << QStringLiteral("2026-02-30") << badInput(QStringLiteral("2026-02-30"), notDate);
    QTest::newRow("empty date") << false << QString() << badInput(QString(), notDate);
}

void tst_CustomerForm::badInputRefused()
{
    QFETCH(bool, inAccount);
    QFETCH(QString, typed);
    QFETCH(QString, message);

    frmCustomer dialog;
    Form f(dialog);
    QVERIFY(f.complete());
    QVERIFY(showActive(dialog));
    f.autoID->click();
    f.account->setText(QStringLiteral("5"));
    QLineEdit *field = inAccount ? f.account : f.date;
    field->setFocus();
    field->setText(typed);
    f.address->setText(QStringLiteral("北街"));

    // Leaving the field is refused at once.
    f.name->setFocus();
    QCOMPARE(m_prompter->texts(), QStringList{message});
    QCOMPARE(QApplication::focusWidget(), field);

    // So is saving it anyway.
    m_prompter->clear();
    f.save->click();
    QCOMPARE(m_prompter->texts(), QStringList{message});
    QCOMPARE(customers().recordCount(), 0);
    QCOMPARE(field->text(), typed);
    QCOMPARE(f.address->text(), QStringLiteral("北街"));
}

void tst_CustomerForm::duplicatesRefused_data()
{
    QTest::addColumn<QString>("account"); // empty: the system's account
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("message"); // empty: saved

    QTest::newRow("same address") << QString() << TakenAddress << AddressTaken;
    QTest::newRow("address with trailing blank") << QString() << TakenAddress + QLatin1Char(' ')
                                                 << QString();
    QTest::newRow("same account") << QStringLiteral("100") << QStringLiteral("南街") << AccountTaken;
    QTest::newRow("same account in blanks") << QStringLiteral(" 100 ") << QStringLiteral("南街")
                                            << AccountTaken;
    QTest::newRow("next account") << QStringLiteral("101") << QStringLiteral("南街") << QString();
}

void tst_CustomerForm::duplicatesRefused()
{
    QFETCH(QString, account);
    QFETCH(QString, address);
    QFETCH(QString, message);

    QVERIFY(addCustomer(100, TakenAddress) > 0);
    frmCustomer dialog;
    Form f(dialog);
    QVERIFY(f.complete());
    QVERIFY(showActive(dialog));
    if (!account.isEmpty()) {
        f.autoID->click();
        f.account->setText(account);
    }
    f.address->setText(address);
    f.save->click();

    const Recordset rs = customers();
    QCOMPARE(m_prompter->texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(rs.recordCount(), message.isEmpty() ? 2 : 1);
    QCOMPARE(f.address->text(), message.isEmpty() ? QString() : address);
    QCOMPARE(PickedCustomerID, message.isEmpty() ? rs.value(1, QStringLiteral("ID")).toInt() : -1);
}

void tst_CustomerForm::storesTypedValues_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("disabled");
    QTest::addColumn<QDate>("picked"); // null: nothing picked, today stays

    QTest::newRow("plain, picked date")
        << QStringLiteral("张三") << QStringLiteral("东街2号") << QStringLiteral("12345")
        << QString() << 0 << false << QDate(2024, 3, 9);
    QTest::newRow("quotes everywhere")
        << QStringLiteral("O'Brien \"老\"") << QStringLiteral("'';--")
        << QStringLiteral("0571'8") << QStringLiteral("it''s '") << 3 << false << QDate();
    QTest::newRow("suspended") << QStringLiteral("李四 ") << QStringLiteral(" 北街") << QString()
                               << QStringLiteral("欠款") << 4 << true << QDate(2020, 12, 31);
}

void tst_CustomerForm::storesTypedValues()
{
    QFETCH(QString, name);
    QFETCH(QString, address);
    QFETCH(QString, phone);
    QFETCH(QString, detail);
    QFETCH(int, type);
    QFETCH(bool, disabled);
    QFETCH(QDate, picked);

    frmCustomer dialog;
    Form f(dialog);
    QVERIFY(f.complete());
    QVERIFY(showActive(dialog));
    f.name->setText(name);
    f.address->setText(address);
    f.phone->setText(phone);
    f.detail->setText(detail);
    f.type->setCurrentIndex(type);
    if (disabled)
        f.disable->click();
    m_prompter->choices << (picked.isValid() ? QVariant(picked) : QVariant());
    f.dateButton->click();
    const QDate expectedDate = picked.isValid() ? picked : QDate::currentDate();
    QCOMPARE(f.date->text(), DateText::shortDate(expectedDate));
    f.save->click();

    QCOMPARE(m_prompter->requests.size(), 1); // only the date picker
    const Recordset rs = customers();
    QCOMPARE(rs.recordCount(), 1);
    QCOMPARE(text(rs, 0, "Name"), name);
    QCOMPARE(text(rs, 0, "Address"), address);
    QCOMPARE(text(rs, 0, "Phone"), phone);
    QCOMPARE(text(rs, 0, "Detail"), detail);
    QCOMPARE(rs.value(0, QStringLiteral("CustType")).toInt(), type);
    QCOMPARE(text(rs, 0, "Status").trimmed(), disabled ? QStringLiteral("0") : QStringLiteral("1"));
    QCOMPARE(dateOf(rs, 0), expectedDate);
}

void tst_CustomerForm::saveButtonRule_data()
{
    QTest::addColumn<bool>("systemAccount");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("system, no address") << true << QString() << QString() << false;
    QTest::newRow("system, address") << true << QString() << QStringLiteral("东") << true;
    QTest::newRow("manual, no account") << false << QString() << QStringLiteral("东") << false;
    QTest::newRow("manual, blank account") << false << QStringLiteral("  ") << QStringLiteral("东")
                                           << false;
    QTest::newRow("manual, both") << false << QStringLiteral("5") << QStringLiteral("东") << true;
    QTest::newRow("manual, no address") << false << QStringLiteral("5") << QString() << false;
}

void tst_CustomerForm::saveButtonRule()
{
    QFETCH(bool, systemAccount);
    QFETCH(QString, account);
    QFETCH(QString, address);
    QFETCH(bool, enabled);

    frmCustomer dialog;
    Form f(dialog);
    QVERIFY(f.complete());
    dialog.Load();
    if (!systemAccount)
        f.autoID->click();
    f.account->setText(account);
    f.address->setText(address);
    QCOMPARE(f.save->isEnabled(), enabled);

    // Switching the account source re-applies the rule with the new source.
    f.autoID->click();
    QCOMPARE(f.save->isEnabled(), !address.isEmpty() && f.autoID->isChecked());
}

void tst_CustomerForm::autoIDOwnsAccount()
{
    frmCustomer dialog;
    Form f(dialog);
    QVERIFY(f.complete());
    dialog.Load();
    const QColor normalBase = QLineEdit().palette().color(QPalette::Base);
    QVERIFY(normalBase != dialog.palette().color(QPalette::Window));

    f.autoID->click();
    QVERIFY(!f.autoID->isChecked());
    QVERIFY(f.account->isEnabled());
    QCOMPARE(f.account->palette().color(QPalette::Base), normalBase);

    f.account->setText(QStringLiteral("42"));
    f.autoID->click();
    QVERIFY(!f.account->isEnabled());
    QVERIFY(f.account->text().isEmpty());
    QVERIFY(f.accountLooksOwned());
}

void tst_CustomerForm::stationList_data()
{
    QTest::addColumn<bool>("head");
    QTest::addColumn<bool>("ownStationIsSecond");

    QTest::newRow("head station") << true << false;
    QTest::newRow("second station") << false << true;
}

void tst_CustomerForm::stationList()
{
    QFETCH(bool, head);
    QFETCH(bool, ownStationIsSecond);

    const qint64 second = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Station(Name,Status) values('二站','1')"));
    const qint64 closed = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Station(Name,Status) values('停用站','0')"));
    QVERIFY(second > 0 && closed > 0);
    gIsHeadStation = head;
    gStationID = qint16(ownStationIsSecond ? second : 1);

    frmCustomer dialog;
    Form f(dialog);
    QVERIFY(f.complete());
    dialog.Load();
    QCOMPARE(f.station->count(), 2);
    QCOMPARE(f.station->findData(int(closed)), -1);
    QCOMPARE(f.station->isEnabled(), head);
    QCOMPARE(f.station->currentData().toInt(), int(gStationID));

    f.address->setText(QStringLiteral("站前路"));
    f.save->click();
    const Recordset rs = customers();
    QCOMPARE(rs.recordCount(), 1);
    QCOMPARE(rs.value(0, QStringLiteral("StationID")).toInt(), int(gStationID));
}

void tst_CustomerForm::prefillFromSale()
{
    frmCustomer dialog;
    Form f(dialog);
    QVERIFY(f.complete());
    dialog.PrefillFromSale(QStringLiteral("13800001111"), QStringLiteral("北街'3号"));
    QCOMPARE(f.phone->text(), QStringLiteral("13800001111"));
    QCOMPARE(f.address->text(), QStringLiteral("北街'3号"));
    QVERIFY(f.autoID->isChecked());
    QVERIFY(!f.autoID->isEnabled());
    QVERIFY(!f.account->isEnabled());
    QVERIFY(f.accountLooksOwned());
    QVERIFY(f.save->isEnabled());

    f.save->click();
    const Recordset rs = customers();
    QCOMPARE(rs.recordCount(), 1);
    QCOMPARE(text(rs, 0, "Phone"), QStringLiteral("13800001111"));
    QCOMPARE(text(rs, 0, "Address"), QStringLiteral("北街'3号"));
    QCOMPARE(rs.value(0, QStringLiteral("Account")).toInt(), rs.value(0, QStringLiteral("ID")).toInt());
    QCOMPARE(PickedCustomerID, rs.value(0, QStringLiteral("ID")).toInt());
}

void tst_CustomerForm::editFillsUpdatesAndCloses()
{
    const qint64 other = addCustomer(7, QStringLiteral("别家"));
    const qint64 id = addCustomer(55, TakenAddress, 3, QStringLiteral("0"));
    QVERIFY(other > 0 && id > 0);

    frmCustomer dialog;
    dialog.mActionType = 2;
    dialog.mCurID = int(id);
    QStringList shown;
    QList<bool> enabled;
    whenModal([&](QWidget *w) {
        Form f(*w);
        if (!f.complete())
            return;
        shown << f.account->text() << f.name->text() << f.address->text() << f.phone->text()
              << f.date->text() << f.detail->text() << QString::number(f.type->currentIndex())
              << QString::number(f.station->currentData().toInt());
        enabled << f.account->isEnabled() << f.autoID->isEnabled() << f.date->isEnabled()
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

    QCOMPARE(shown, (QStringList{QStringLiteral("55"), QStringLiteral("老王"), TakenAddress,
                                 QStringLiteral("0571-1234"), QStringLiteral("2023-05-06"),
                                 QStringLiteral("老客户"), QStringLiteral("3"), QStringLiteral("1")}));
    QCOMPARE(enabled, (QList<bool>{false, false, false, false, true, true}));
    QCOMPARE(m_prompter->texts(), QStringList());
    const Recordset rs = customers();
    QCOMPARE(rs.recordCount(), 2);
    QCOMPARE(text(rs, 1, "Name"), QStringLiteral("老李"));
    QCOMPARE(text(rs, 1, "Address"), QStringLiteral("东街'1号"));
    QCOMPARE(text(rs, 1, "Phone"), QStringLiteral("139"));
    QCOMPARE(text(rs, 1, "Detail"), QStringLiteral("搬家了"));
    QCOMPARE(rs.value(1, QStringLiteral("CustType")).toInt(), 0);
    QCOMPARE(text(rs, 1, "Status").trimmed(), QStringLiteral("1"));
    QCOMPARE(rs.value(1, QStringLiteral("Account")).toInt(), 55);
    QCOMPARE(dateOf(rs, 1), QDate(2023, 5, 6));
    // Only the edited row changes.
    QCOMPARE(text(rs, 0, "Name"), QStringLiteral("老王"));
    QCOMPARE(text(rs, 0, "Address"), QStringLiteral("别家"));
}

void tst_CustomerForm::editOfMissingRowReturnsAtOnce()
{
    QVERIFY(addCustomer(1, TakenAddress) > 0);
    frmCustomer dialog;
    dialog.mActionType = 2;
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

QTEST_MAIN(tst_CustomerForm)
#include "tst_customerform.moc"
