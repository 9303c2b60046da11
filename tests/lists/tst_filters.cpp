#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "lists/frmcustfilter.h"
#include "lists/frmsaleadmin.h"
#include "lists/frmsalefilter.h"
#include "shell/loginstate.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using mDatabase::ExecuteSQL;

namespace {

// Ticks a criterion the way a click does, then picks its operator (the
// combo beside it in the dialog's grid) and fills its box; a criterion
// without a box, or a group of options, takes text as the index to pick.
bool tick(QDialog &dialog, const QString &check, const QString &op = QString(),
    const QString &text = QString())
{
    if (auto *options = dialog.findChild<QButtonGroup *>(check)) {
        options->button(text.toInt())->setChecked(true);
        return true;
    }
    auto *box = dialog.findChild<QCheckBox *>(check);
    if (!box)
        return false;
    box->click();
    const QString field = check.mid(3);
    auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("txt") + field);
    if (edit && !text.isNull())
        edit->setText(text);
    else if (auto *choice
        = edit ? nullptr : dialog.findChild<QComboBox *>(QStringLiteral("cmb") + field))
        choice->setCurrentIndex(text.toInt());
    if (op.isEmpty())
        return true;
    auto *grid = qobject_cast<QGridLayout *>(box->parentWidget()->layout());
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(box), &row, &column, &rowSpan, &columnSpan);
    auto *opBox = qobject_cast<QComboBox *>(grid->itemAtPosition(row, 1)->widget());
    if (!opBox || !opBox->objectName().startsWith(QStringLiteral("cmbOperator_")))
        return false;
    opBox->setCurrentIndex(opBox->findText(op));
    return opBox->currentText() == op;
}

void ok(QDialog &dialog)
{
    dialog.findChild<QPushButton *>(QStringLiteral("btnOk"))->click();
}

// A text criterion as the database at hand spells it.
QString anyCase(const QString &fragment)
{
    return mDatabase::dialect().anyCaseLike(fragment);
}

// values: Account,Name,Phone,Address,CustType,Status,StationID,TotalBuyMoney,TotalDebt
qint64 addCustomer(const char *values, const QDate &created)
{
    return mDatabase::InsertAndGetID(QStringLiteral(
        "insert into Customer(Account,Name,Phone,Address,CustType,Status,StationID,TotalBuyMoney,"
        "TotalDebt,CreateDate) values(%1,%2)")
                                         .arg(QString::fromUtf8(values),
                                             mDatabase::dialect().dateLiteral(created)));
}

// values: TotalAmount,TotalMoney,TotalContainer,InMoney,InContainer
qint64 addSale(qint64 customer, int sender, const char *values, const QDate &date, int station)
{
    return mDatabase::InsertAndGetID(QStringLiteral(
        "insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,TotalContainer,InMoney,"
        "InContainer,CreateDate,StationID,FinishFlag) values(%1,%2,1,%3,%4,%5,'0')")
                                         .arg(customer)
                                         .arg(sender)
                                         .arg(QString::fromLatin1(values),
                                             mDatabase::dialect().dateLiteral(date))
                                         .arg(station));
}

QStringList accounts(const QString &filter)
{
    const auto rs = mDatabase::OpenRecordset(
        QStringLiteral("select * from Customer") + filter + QStringLiteral(" ORDER BY Account"));
    if (!rs)
        return {QStringLiteral("statement failed")};
    QStringList list;
    for (int row = 0; row < rs->recordCount(); ++row)
        list << rs->value(row, QStringLiteral("Account")).toString();
    return list;
}

// The fragment a filter builds, or a marker when it refuses.
template <class Dialog> QString built(Dialog &dialog)
{
    QString f;
    return dialog.BuildFilterSQL(&f) ? f : QStringLiteral("refused");
}

int orderCount(const QString &fragment)
{
    const auto rs = mDatabase::OpenRecordset(SaleFamilyList::shortSQL() + fragment);
    return rs ? rs->recordCount() : -1;
}

QList<qint64> saleIds(const ListWindow &list)
{
    QList<qint64> ids;
    for (int row = 0; row < list.model()->rowCount(); ++row)
        ids << list.model()->value(row, QStringLiteral("ID")).toLongLong();
    return ids;
}

} // namespace

class tst_Filters : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void saleCriterion_data();
    void saleCriterion();
    void saleTableOrderAndFinish();
    void saleSearchType();
    void saleThroughList_data();
    void saleThroughList();
    void lastSearchComesBackUntilDefault_data();
    void lastSearchComesBackUntilDefault();
    void custCriterion_data();
    void custCriterion();
    void custSearchType();
    void emptyAndBadNumbers();
    void stations();
    void branchStationOutsideTheList();

private:
    TestDatabase m_db;
    ScopedSession m_session{ScopedSession::headStation()};
    ScriptedPrompter *m_prompts = nullptr;
    int m_sender = 0;
    qint64 m_sales[3] = {};
};

void tst_Filters::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城东','1')")));
    m_sender = int(mDatabase::InsertAndGetID(
        QStringLiteral("insert into Sender(Name,Status) values('张三','1')")));
    QVERIFY(m_sender > 0);
    // A quote and a percent sign in one address, and near misses of it.
    const qint64 c1 = addCustomer(
        "101,'王小明','13900001111','人民路''5%号',1,'1',1,120,0", QDate(2026, 12, 7));
    const qint64 c2
        = addCustomer("102,'李四','13900002222','人民路''5号',2,'0',2,80,15", QDate(2026, 12, 8));
    const qint64 c3
        = addCustomer("103,'王_五','0571-8888','人民路5号',0,'1',2,0,30", QDate(2026, 11, 30));
    QVERIFY(c1 > 0 && c2 > 0 && c3 > 0);
    m_sales[0] = addSale(c1, m_sender, "2,20,2,20,0", QDate(2026, 12, 7), 1);
    m_sales[1] = addSale(c2, 0, "3,10,0,0,0", QDate(2026, 12, 8), 2);
    m_sales[2] = addSale(c3, m_sender, "1,12.5,1,5,1", QDate(2026, 12, 7), 2);
    QVERIFY(m_sales[0] > 0 && m_sales[1] > 0 && m_sales[2] > 0);
}

void tst_Filters::cleanup()
{
    m_db.dropAll();
    delete m_prompts;
}

void tst_Filters::saleCriterion_data()
{
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("fragment");
    QTest::addColumn<int>("orders");

    QTest::newRow("address") << "chkAddress"
                             << ""
                             << "人民路'5"
                             << " AND Address Like '%人民路''5%' ESCAPE '!' " << 2;
    QTest::newRow("account") << "chkAccount"
                             << ">"
                             << "101"
                             << " AND Account>101" << 2;
    QTest::newRow("user") << "chkUserID"
                          << ""
                          << "0"
                          << " AND Sale.UserID=1" << 3;
    QTest::newRow("date") << "chkCreateDate"
                          << "<="
                          << "2026-12-07"
                          << " AND Sale.CreateDate<='2026-12-07'" << 2;
    QTest::newRow("id") << "chkID"
                        << ">="
                        << "0"
                        << " AND Sale.ID>=0" << 3;
    QTest::newRow("money") << "chkTotalMoney"
                           << ">="
                           << " 12.50 "
                           << " And TotalMoney>=12.5" << 2;
    QTest::newRow("amount") << "chkTotalAmount"
                            << "="
                            << "3"
                            << " And TotalAmount=3" << 1;
    QTest::newRow("money owed") << "chkMoneyBalance"
                                << ">"
                                << "0"
                                << " And (TotalMoney-InMoney)>0" << 2;
    QTest::newRow("bottles owed") << "chkContainerBalance"
                                  << "<"
                                  << "1,000"
                                  << " And (TotalContainer-InContainer)<1000" << 3;
    QTest::newRow("sender") << "chkSenderID"
                            << ""
                            << "0"
                            << " AND Sale.SenderID=%1" << 2;
}

void tst_Filters::saleCriterion()
{
    QFETCH(QString, check);
    QFETCH(QString, op);
    QFETCH(QString, text);
    QFETCH(QString, fragment);
    QFETCH(int, orders);
    frmSaleFilter dialog(nullptr);
    QVERIFY(tick(dialog, check, op, text));
    QCOMPARE(built(dialog),
        anyCase(fragment.contains(QLatin1String("%1")) ? fragment.arg(m_sender) : fragment));
    QCOMPARE(orderCount(built(dialog)), orders);
    QCOMPARE(m_prompts->texts(), QStringList());
}

void tst_Filters::saleTableOrderAndFinish()
{
    frmSaleFilter dialog(nullptr);
    // Ticked from the bottom up: the statement still follows the table.
    QVERIFY(tick(dialog, "chkTotalMoney", "<", "50"));
    QVERIFY(tick(dialog, "chkAccount", "=", "101"));
    QVERIFY(tick(dialog, "chkAddress", "", "人民"));
    const QString criteria
        = " AND Address Like '%人民%' ESCAPE '!'  AND Account=101 And TotalMoney<50";
    const QStringList finish = {"", " AND Sale.FinishFlag='1'", " AND FinishFlag='0'"};
    const QList<int> found = {1, 0, 1};
    for (int option = 0; option < finish.size(); ++option) {
        QVERIFY(tick(dialog, "optFinish", "", QString::number(option)));
        QCOMPARE(built(dialog), anyCase(criteria + finish[option]));
        QCOMPARE(orderCount(built(dialog)), found[option]);
    }
}

void tst_Filters::saleSearchType()
{
    frmSaleAdmin list;
    QVERIFY(!list.curFilterSQL.isEmpty());
    frmSaleFilter fresh(&list);
    ok(fresh);
    QCOMPARE(fresh.result(), int(QDialog::Accepted));
    QCOMPARE(list.curFilterSQL, QString());

    list.curFilterSQL = QStringLiteral(" and Sale.StationID=2");
    frmSaleFilter within(&list);
    QVERIFY(tick(within, "optSearchType", "", "0"));
    QVERIFY(tick(within, "chkTotalAmount", "<", "3"));
    ok(within);
    QCOMPARE(list.curFilterSQL, QStringLiteral(" and Sale.StationID=2 And TotalAmount<3"));
    list.DataRefresh();
    QCOMPARE(saleIds(list), QList<qint64>{m_sales[2]});
}

void tst_Filters::saleThroughList_data()
{
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("found"); // positions in m_sales, newest first
    // Another customer's address with one order of its own, position 3.
    QTest::addColumn<QString>("alsoStored");

    // Read as a wildcard, "%" would also find the address without it.
    QTest::newRow("quote and percent") << "chkAddress"
                                       << "'5%" << QList<int>{0} << QString();
    QTest::newRow("date year first") << "chkCreateDate"
                                     << "2026-12-07" << QList<int>{2, 0} << QString();
    QTest::newRow("date month first") << "chkCreateDate"
                                      << "12-07-2026" << QList<int>{2, 0} << QString();
    // Operators type 'a座' for 'A座', on every database.
    QTest::newRow("letter case") << "chkAddress"
                                 << "a座" << QList<int>{3} << QStringLiteral("人民路A座301");
    QTest::newRow("letter case, typed upper") << "chkAddress"
                                              << "B座" << QList<int>{3} << QStringLiteral("b座2楼");
}

void tst_Filters::saleThroughList()
{
    QFETCH(QString, check);
    QFETCH(QString, text);
    QFETCH(QList<int>, found);
    QFETCH(QString, alsoStored);
    qint64 sales[4] = {m_sales[0], m_sales[1], m_sales[2], 0};
    if (!alsoStored.isEmpty()) {
        const QByteArray values = QStringLiteral("104,'赵六','13900004444',%1,1,'1',1,0,0")
                                      .arg(mDatabase::SqlStr(alsoStored))
                                      .toUtf8();
        const qint64 customer = addCustomer(values.constData(), QDate(2026, 12, 1));
        sales[3] = addSale(customer, m_sender, "1,10,1,10,0", QDate(2026, 12, 1), 1);
        QVERIFY(sales[3] > 0);
    }
    frmSaleAdmin list;
    frmSaleFilter dialog(&list);
    QVERIFY(tick(dialog, check, "", text));
    ok(dialog);
    list.DataRefresh();
    QCOMPARE(m_prompts->texts(), QStringList());
    QList<qint64> expected;
    for (int i : found)
        expected << sales[i];
    QCOMPARE(saleIds(list), expected);
}

void tst_Filters::lastSearchComesBackUntilDefault_data()
{
    QTest::addColumn<bool>("sorted");
    QTest::newRow("filtered") << false;
    QTest::newRow("filtered and sorted") << true;
}

// A search shows in the caption, the filter dialog opens with it again,
// and 恢复默认 brings back the rows, order and caption the list opened with.
void tst_Filters::lastSearchComesBackUntilDefault()
{
    QFETCH(bool, sorted);
    frmSaleAdmin list;
    list.DataRefresh();
    auto *caption = list.findChild<QLabel *>(QStringLiteral("lblCaption"));
    const QString opening = caption->text();
    const QList<qint64> openingRows = saleIds(list);
    const QString openingSort = list.curSortSQL;
    {
        frmSaleFilter dialog(&list, &list);
        QVERIFY(tick(dialog, "chkAddress", "", "人民路'"));
        ok(dialog);
    }
    if (sorted)
        list.sortByColumn(3);
    list.DataRefresh();
    QCOMPARE(saleIds(list).size(), 2);
    QVERIFY(caption->text() != opening);
    QVERIFY(caption->text().contains(QStringLiteral("人民路'")));
    QVERIFY(!caption->text().contains(QStringLiteral("今日")));

    frmSaleFilter again(&list, &list);
    again.show();
    QVERIFY(again.findChild<QCheckBox *>(QStringLiteral("chkAddress"))->isChecked());
    QCOMPARE(again.findChild<QLineEdit *>(QStringLiteral("txtAddress"))->text(),
        QStringLiteral("人民路'"));
    again.findChild<QPushButton *>(QStringLiteral("btnDefault"))->click();
    list.DataRefresh();
    QCOMPARE(saleIds(list), openingRows);
    QCOMPARE(list.curSortSQL, openingSort);
    QCOMPARE(caption->text(), opening);

    frmSaleFilter fresh(&list, &list);
    fresh.show();
    QVERIFY(!fresh.findChild<QCheckBox *>(QStringLiteral("chkAddress"))->isChecked());
}

void tst_Filters::custCriterion_data()
{
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("fragment");
    QTest::addColumn<QStringList>("found");

    QTest::newRow("account") << "chkAccount"
                             << ">"
                             << "101"
                             << " Account>101" << QStringList{"102", "103"};
    // Read as a wildcard, "_" would also find 王小明.
    QTest::newRow("name") << "chkName"
                          << ""
                          << "王_"
                          << " Name Like '%王!_%' ESCAPE '!'" << QStringList{"103"};
    QTest::newRow("phone") << "chkPhone"
                           << ""
                           << "0571"
                           << " phone Like '%0571%' ESCAPE '!'" << QStringList{"103"};
    QTest::newRow("type") << "chkCustType"
                          << ""
                          << "2"
                          << " CustType=2" << QStringList{"102"};
    QTest::newRow("created") << "chkCreateDate"
                             << ">="
                             << "12-07-2026"
                             << " CreateDate>='2026-12-07'" << QStringList{"101", "102"};
    QTest::newRow("address") << "chkAddress"
                             << ""
                             << "'5%"
                             << " Address Like '%''5!%%' ESCAPE '!'" << QStringList{"101"};
    QTest::newRow("bought") << "chkTotalBuyMoney"
                            << ">"
                            << "100"
                            << " TotalBuyMoney>100" << QStringList{"101"};
    QTest::newRow("debt") << "chkTotalDebt"
                          << "<="
                          << "15"
                          << " TotalDebt<=15" << QStringList{"101", "102"};
    QTest::newRow("valid") << "optStatus"
                           << ""
                           << "1"
                           << " Status='1'" << QStringList{"101", "103"};
    QTest::newRow("invalid") << "optStatus"
                             << ""
                             << "2"
                             << " Status='0'" << QStringList{"102"};
}

void tst_Filters::custCriterion()
{
    QFETCH(QString, check);
    QFETCH(QString, op);
    QFETCH(QString, text);
    QFETCH(QString, fragment);
    QFETCH(QStringList, found);
    ListWindow list;
    frmCustFilter dialog(&list);
    QVERIFY(tick(dialog, check, op, text));
    QCOMPARE(built(dialog), anyCase(fragment));
    ok(dialog);
    QCOMPARE(list.curFilterSQL, anyCase(QStringLiteral(" WHERE ") + fragment));
    QCOMPARE(accounts(list.curFilterSQL), found);
    QCOMPARE(m_prompts->texts(), QStringList());
}

void tst_Filters::custSearchType()
{
    ListWindow list;
    list.curFilterSQL = QStringLiteral(" WHERE Account=101");
    frmCustFilter fresh(&list);
    ok(fresh);
    QCOMPARE(list.curFilterSQL, QString());

    frmCustFilter joined(&list);
    QVERIFY(tick(joined, "chkName", "", "王"));
    QVERIFY(tick(joined, "chkTotalDebt", ">", "10"));
    QVERIFY(tick(joined, "optStatus", "", "1"));
    ok(joined);
    QCOMPARE(list.curFilterSQL,
        anyCase(QStringLiteral(
            " WHERE  Name Like '%王%' ESCAPE '!' AND  TotalDebt>10 AND  Status='1'")));
    QCOMPARE(accounts(list.curFilterSQL), QStringList{"103"});

    // Within the result: a blank filter starts the WHERE, any other is added to.
    list.curFilterSQL = QStringLiteral("  ");
    const QStringList expected = {" WHERE  Account<103", " WHERE  Account<103 AND  CustType=1",
        " WHERE  Account<103 AND  CustType=1"};
    const QStringList checks = {"chkAccount", "chkCustType", ""};
    for (int i = 0; i < checks.size(); ++i) {
        frmCustFilter within(&list);
        QVERIFY(tick(within, "optSearchType", "", "0"));
        if (!checks[i].isEmpty())
            QVERIFY(tick(within, checks[i], QString::fromLatin1(i == 0 ? "<" : ""),
                QString::fromLatin1(i == 0 ? "103" : "1")));
        ok(within);
        QCOMPARE(list.curFilterSQL, expected[i]);
    }
    QCOMPARE(accounts(list.curFilterSQL), QStringList{"101"});
    QCOMPARE(m_prompts->texts(), QStringList());
}

void tst_Filters::emptyAndBadNumbers()
{
    frmSaleAdmin sales;
    const QString before = sales.curFilterSQL;
    frmSaleFilter saleDialog(&sales);
    QVERIFY(tick(saleDialog, "chkTotalMoney"));
    auto *money = saleDialog.findChild<QLineEdit *>("txtTotalMoney");
    QCOMPARE(money->text(), QStringLiteral("0"));
    QCOMPARE(
        saleDialog.findChild<QComboBox *>("cmbOperator_3")->currentText(), QStringLiteral("="));
    money->setText(QStringLiteral("abc"));
    ok(saleDialog);
    QCOMPARE(m_prompts->texts(),
        QStringList{QStringLiteral("数据输入格式不正确， abc 不是有效的数字！")});
    QCOMPARE(saleDialog.result(), int(QDialog::Rejected));
    QCOMPARE(sales.curFilterSQL, before);

    // An account must also fit the integer check's range.
    m_prompts->clear();
    ListWindow customers;
    customers.curFilterSQL = QStringLiteral(" WHERE Status='1'");
    frmCustFilter custDialog(&customers);
    QVERIFY(tick(custDialog, "chkAccount", "=", "40000"));
    ok(custDialog);
    QCOMPARE(m_prompts->texts(),
        QStringList{QStringLiteral("数据输入格式不正确， 40000 不是有效的整数！")});
    QCOMPARE(custDialog.result(), int(QDialog::Rejected));
    QCOMPARE(customers.curFilterSQL, QStringLiteral(" WHERE Status='1'"));
}

void tst_Filters::stations()
{
    frmSaleFilter sale(nullptr);
    frmCustFilter cust(nullptr);
    QCOMPARE(cust.windowTitle(), QStringLiteral("客户资料过滤器"));
    auto *custStation = cust.findChild<QComboBox *>("cmbStation");
    QVERIFY(!custStation->isEnabled());
    QVERIFY(tick(sale, "chkStation") && tick(cust, "chkStation"));
    QVERIFY(custStation->isEnabled());
    // The head station stands for the whole group: no condition.
    QCOMPARE(custStation->currentData().toInt(), 1);
    QCOMPARE(built(sale), QString());
    QCOMPARE(built(cust), QString());
    auto *saleStation = sale.findChild<QComboBox *>("cmbStation");
    saleStation->setCurrentIndex(saleStation->findData(qint64(2)));
    custStation->setCurrentIndex(custStation->findData(qint64(2)));
    QCOMPARE(built(sale), QStringLiteral(" AND Sale.StationID=2"));
    QCOMPARE(built(cust), QStringLiteral(" StationID=2"));

    const ScopedSession branch(ScopedSession::atBranch(2));
    ListWindow customers;
    frmSaleFilter saleBranch(nullptr);
    frmCustFilter custBranch(&customers);
    for (QDialog *dialog :
        {static_cast<QDialog *>(&saleBranch), static_cast<QDialog *>(&custBranch)}) {
        auto *check = dialog->findChild<QCheckBox *>("chkStation");
        QVERIFY(check->isChecked() && !check->isEnabled());
        QTest::mouseClick(check, Qt::LeftButton);
        QVERIFY(check->isChecked());
    }
    QVERIFY(tick(saleBranch, "chkAccount", ">", "0"));
    QCOMPARE(built(saleBranch), QStringLiteral(" AND Account>0 AND Sale.StationID=2"));
    QVERIFY(tick(custBranch, "chkTotalBuyMoney", ">=", "0"));
    QVERIFY(!custBranch.findChild<QComboBox *>("cmbStation")->isEnabled());
    ok(custBranch);
    QCOMPARE(customers.curFilterSQL, QStringLiteral(" WHERE  TotalBuyMoney>=0 AND  StationID=2"));
    QCOMPARE(accounts(customers.curFilterSQL), (QStringList{"102", "103"}));
}

void tst_Filters::branchStationOutsideTheList()
{
    // A branch whose station has been suspended: it is not in the list of
    // active stations, yet its operator still sees only its own rows.
    const qint64 suspended = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Station(Name,Status) values('城西','0')"));
    QVERIFY(suspended > 2);
    const ScopedSession branch(ScopedSession::atBranch(qint16(suspended)));
    frmSaleFilter sale(nullptr);
    frmCustFilter cust(nullptr);
    QCOMPARE(sale.findChild<QComboBox *>("cmbStation")->findData(suspended), -1);
    const QString station = QString::number(suspended);
    QCOMPARE(built(sale), QStringLiteral(" AND Sale.StationID=%1").arg(station));
    QCOMPARE(built(cust), QStringLiteral(" StationID=%1").arg(station));
    QVERIFY(tick(sale, "chkID", ">", "0"));
    QCOMPARE(built(sale), QStringLiteral(" AND Sale.ID>0 AND Sale.StationID=%1").arg(station));
}

QTEST_MAIN(tst_Filters)
#include "tst_filters.moc"
