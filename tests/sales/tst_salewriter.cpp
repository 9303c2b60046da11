#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "datastore/transaction.h"
#include "sales/saledetailmodel.h"
#include "sales/salelines.h"
#include "sales/salereader.h"
#include "sales/salewriter.h"
#include "shell/loginstate.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QTest>

#include <array>

using mDatabase::ExecuteAffected;
using mDatabase::ExecuteSQL;
using mDatabase::OpenRecordset;

namespace {

const QDate Today(2026, 12, 8);

// Products of every kind the rules tell apart.
struct Catalogue {
    qint64 bottle = 0;
    qint64 water = 0; // comes in the bottle
    qint64 boxedWater = 0; // no bottle of its own
};

Catalogue makeCatalogue()
{
    Catalogue c;
    c.bottle = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer,ContainerID) "
                       "values('18.9升水桶','个',30,'1','1',0)"));
    c.water = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer,ContainerID) "
                       "values('18.9升纯净水','桶',10,'1','0',%1)")
            .arg(c.bottle));
    c.boxedWater = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer,ContainerID) "
                       "values('550毫升纯净水','箱',24,'1','0',0)"));
    return c;
}

SaleRecord::Line line(qint64 product, int price, int amount)
{
    SaleRecord::Line l;
    l.productId = product;
    l.price = Currency::fromInt(price);
    l.amount = amount;
    l.money = Currency::fromInt(price * amount);
    return l;
}

SaleRecord sale(
    const QString &address, const QString &phone, const QVector<SaleRecord::Line> &lines)
{
    SaleRecord s;
    s.address = address;
    s.phone = phone;
    s.createDate = Today;
    s.stationId = 1;
    s.userId = 1;
    s.lines = lines;
    for (const auto &l : lines) {
        s.totalAmount += l.amount;
        s.totalMoney += l.money;
    }
    return s;
}

// A worker process is a workstation of its own, with its own connection.
bool connectWorker(const QString &url)
{
    ConnectionTarget target;
    QString error;
    if (!ConnectionTarget::fromUrl(url, &target, &error)
        || !mDatabase::OpenConnection(target, &error)) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    return true;
}

// One of two workstations saving orders at the same moment: every order's
// lines carry the worker's own product and the order's own quantity.
int runWorker(const QString &url, int worker, int orders)
{
    if (!connectWorker(url))
        return 2;
    const qint64 product = worker == 1 ? 2 : 3;
    for (int n = 1; n <= orders; ++n) {
        SaleRecord s = sale(QStringLiteral("并发地址%1-%2").arg(worker).arg(n),
            QStringLiteral("5550%1").arg(n), {line(product, 1, n)});
        s.detail = QString::number(worker);
        if (SaleWriter::saveNew(s, Today) == 0)
            return 3;
    }
    return 0;
}

// One of many workstations taking the first orders for the same new
// addresses, each in its own order, so that they meet on every address.
int runAddressWorker(const QString &url, int worker, int addresses)
{
    if (!connectWorker(url))
        return 2;
    for (int n = 0; n < addresses; ++n) {
        const int address = (n * 7 + worker * 13) % addresses;
        SaleRecord s = sale(QStringLiteral("共享地址%1").arg(address),
            QStringLiteral("5551%1").arg(worker), {line(2, 10, 1)});
        if (SaleWriter::saveNew(s, Today) == 0)
            return 3;
    }
    return 0;
}

QString serverUrl()
{
    const ConnectionTarget t = mDatabase::currentTarget();
    return QStringLiteral("pgsql://%1:%2@%3:%4/%5")
        .arg(t.user, t.password, t.host, QString::number(t.port), t.database);
}

} // namespace

class tst_SaleWriter : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void wholeUnits_data();
    void wholeUnits();
    void lineMoneyText();
    void newSaleCreatesCustomerHeaderAndLines();
    void addressFindsAnyCustomer();
    void editRewritesHeaderAndLines();
    void failureLeavesNothing();
    void newSaleId();
    void concurrentWorkstations();
    void productPickedByNumberOrName_data();
    void productPickedByNumberOrName();

    void hostileTextStoredExactly_data();
    void hostileTextStoredExactly();
    void editRefusedWhenChangedElsewhere_data();
    void editRefusedWhenChangedElsewhere();
    void failedBottleQueryFailsSave();
    void bottlesFollowTheTypedProduct_data();
    void bottlesFollowTheTypedProduct();
    void duplicateAddressInsertKeepsTransaction();
    void sharedNewAddresses();
    void orderWithoutGoodsIsRefused_data();
    void orderWithoutGoodsIsRefused();
    void amountsReadBackExactlyOrAreRefused_data();
    void amountsReadBackExactlyOrAreRefused();

private:
    // This executable again, once per workstation, told by variable which
    // work to do, its number and how much.
    QList<QProcess *> startWorkers(const char *variable, int workers, int each);

    TestDatabase m_db;
    ScopedSession m_session{ScopedSession::headStation()};
    ScriptedPrompter *m_prompts = nullptr;
};

QList<QProcess *> tst_SaleWriter::startWorkers(const char *variable, int workers, int each)
{
    QList<QProcess *> started;
    for (int worker = 1; worker <= workers; ++worker) {
        auto *p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(variable),
            QStringLiteral("%1;%2;%3")
                .arg(QString::number(worker), QString::number(each), serverUrl()));
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedChannels);
        p->start(QCoreApplication::applicationFilePath(), {});
        started << p;
    }
    return started;
}

void tst_SaleWriter::init()
{
    m_prompts = new ScriptedPrompter;
}

void tst_SaleWriter::cleanup()
{
    m_db.dropAll();
    delete m_prompts;
}

void tst_SaleWriter::wholeUnits_data()
{
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<int>("units");
    QTest::newRow("whole") << "3" << 3;
    QTest::newRow("half to even down") << "2.5" << 2;
    QTest::newRow("half to even up") << "3.5" << 4;
    QTest::newRow("above half") << "2.51" << 3;
    QTest::newRow("negative half") << "-2.5" << -2;
    QTest::newRow("not a number") << "abc" << 0;
}

void tst_SaleWriter::wholeUnits()
{
    QFETCH(QString, quantity);
    QTEST(int(SaleRules::wholeUnits(SaleRules::numericValue(quantity))), "units");
}

void tst_SaleWriter::lineMoneyText()
{
    QCOMPARE(SaleRules::lineMoneyText(QStringLiteral("1234.5")), QStringLiteral("￥1,234.50"));
    QCOMPARE(SaleRules::lineMoneyText(QStringLiteral("0")), QStringLiteral("0"));
    QCOMPARE(SaleRules::lineMoneyText(QStringLiteral("-3")), QStringLiteral("0"));
    QCOMPARE(SaleRules::lineMoneyText(QString()), QStringLiteral("0"));
}

void tst_SaleWriter::newSaleCreatesCustomerHeaderAndLines()
{
    PELKOR_FRESH_DATABASE(m_db);
    const Catalogue c = makeCatalogue();
    SaleRecord s = sale(QStringLiteral(" 人民路'1号 "), QStringLiteral(" 86120001 "),
        {line(c.water, 10, 3), line(c.bottle, 30, 1), line(c.boxedWater, 24, 2)});
    s.totalContainer = 3;
    s.inMoney = Currency::fromInt(50);
    s.detail = QStringLiteral("放门口'");
    const qint64 id = SaleWriter::saveNew(s, Today);
    QVERIFY(id > 0);

    const auto customer = OpenRecordset(QStringLiteral("select * from Customer"));
    QCOMPARE(customer->recordCount(), 1);
    const qint64 customerId = customer->value(0, QStringLiteral("ID")).toLongLong();
    QCOMPARE(customer->value(0, QStringLiteral("Account")).toLongLong(), customerId);
    QCOMPARE(
        customer->value(0, QStringLiteral("Address")).toString(), QStringLiteral("人民路'1号"));
    QCOMPARE(customer->value(0, QStringLiteral("Phone")).toString(), QStringLiteral("86120001"));
    QCOMPARE(customer->value(0, QStringLiteral("Detail")).toString(),
        QStringLiteral("系统自动加入用户！"));
    QCOMPARE(customer->value(0, QStringLiteral("CustType")).toInt(), 0);

    const auto header = OpenRecordset(QStringLiteral("select * from Sale where ID=%1").arg(id));
    QCOMPARE(header->value(0, QStringLiteral("CustomerID")).toLongLong(), customerId);
    QCOMPARE(header->value(0, QStringLiteral("TotalAmount")).toInt(), 6);
    QCOMPARE(Currency::fromVariant(header->value(0, QStringLiteral("TotalMoney"))),
        Currency::fromInt(108));
    QCOMPARE(
        Currency::fromVariant(header->value(0, QStringLiteral("InMoney"))), Currency::fromInt(50));
    QCOMPARE(header->value(0, QStringLiteral("FinishFlag")).toString(), QStringLiteral("0"));
    QCOMPARE(header->value(0, QStringLiteral("Detail")).toString(), QStringLiteral("放门口'"));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Sale where CreateDate=%1")
                           .arg(mDatabase::dialect().dateLiteral(Today))),
        1);

    // Water, its bottle, the bottle product itself, water without bottle.
    const auto lines = OpenRecordset(
        QStringLiteral("select * from Sale_detail where SaleID=%1 order by ID").arg(id));
    QCOMPARE(lines->recordCount(), 4);
    const QList<QList<qint64>> expected = {{c.water, 3, 10, 30, 0}, {c.bottle, 3, 0, 0, 1},
        {c.bottle, 1, 30, 30, 0}, {c.boxedWater, 2, 24, 48, 0}};
    for (int row = 0; row < 4; ++row) {
        QCOMPARE(lines->value(row, QStringLiteral("ProductID")).toLongLong(), expected[row][0]);
        QCOMPARE(lines->value(row, QStringLiteral("MyAmount")).toInt(), int(expected[row][1]));
        QCOMPARE(Currency::fromVariant(lines->value(row, QStringLiteral("Price"))),
            Currency::fromInt(expected[row][2]));
        QCOMPARE(Currency::fromVariant(lines->value(row, QStringLiteral("MyMoney"))),
            Currency::fromInt(expected[row][3]));
        QCOMPARE(lines->value(row, QStringLiteral("IsContainer")).toString(),
            QString::number(expected[row][4]));
    }
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_SaleWriter::addressFindsAnyCustomer()
{
    PELKOR_FRESH_DATABASE(m_db);
    const Catalogue c = makeCatalogue();
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城东','1')")));
    QVERIFY(ExecuteSQL(
        QStringLiteral("insert into Customer(Account,Name,Phone,Address,Status,StationID) "
                       "values(77,'王','111','解放路5号','0',2)")));
    const qint64 id = SaleWriter::saveNew(
        sale(QStringLiteral("解放路5号"), QStringLiteral("222"), {line(c.water, 10, 1)}), Today);
    QVERIFY(id > 0);
    const auto customers = OpenRecordset(QStringLiteral("select * from Customer"));
    QCOMPARE(customers->recordCount(), 1);
    QCOMPARE(customers->value(0, QStringLiteral("Phone")).toString(), QStringLiteral("222"));
    QCOMPARE(customers->value(0, QStringLiteral("Account")).toInt(), 77);
    QCOMPARE(customers->value(0, QStringLiteral("Status")).toString(), QStringLiteral("0"));
    QCOMPARE(mDatabase::GetFieldByID(id, QStringLiteral("Sale"), QStringLiteral("CustomerID")),
        customers->value(0, QStringLiteral("ID")).toString());
}

void tst_SaleWriter::editRewritesHeaderAndLines()
{
    PELKOR_FRESH_DATABASE(m_db);
    const Catalogue c = makeCatalogue();
    SaleRecord s = sale(QStringLiteral("建设路9号"), QStringLiteral("333"), {line(c.water, 10, 2)});
    const qint64 id = SaleWriter::saveNew(s, Today);
    QVERIFY(id > 0);
    const QString customer
        = mDatabase::GetFieldByID(id, QStringLiteral("Sale"), QStringLiteral("CustomerID"));

    // Unchanged: the same lines again, the bottle line rebuilt.
    s.id = id;
    auto loaded = SaleReader::load(id);
    QVERIFY(loaded);
    QVERIFY(SaleWriter::saveEdit(s, *loaded));
    QCOMPARE(
        countRows(QStringLiteral("select count(*) from Sale_detail where SaleID=%1").arg(id)), 2);

    s.lines = {line(c.boxedWater, 24, 5)};
    s.totalAmount = 5;
    s.totalMoney = Currency::fromInt(120);
    s.userId = 7;
    s.address = QStringLiteral("别处");
    loaded = SaleReader::load(id);
    QVERIFY(loaded);
    QVERIFY(SaleWriter::saveEdit(s, *loaded));
    QCOMPARE(
        countRows(QStringLiteral("select count(*) from Sale_detail where SaleID=%1").arg(id)), 1);
    QCOMPARE(countRows(QStringLiteral(
                 "select count(*) from Sale_detail where SaleID=%1 and IsContainer='1'")
                           .arg(id)),
        0);
    QCOMPARE(mDatabase::GetFieldByID(id, QStringLiteral("Sale"), QStringLiteral("TotalAmount"))
                 .toDouble(),
        5.0);
    QCOMPARE(mDatabase::GetFieldByID(id, QStringLiteral("Sale"), QStringLiteral("UserID")),
        QStringLiteral("7"));
    // Customer and date of a stored sale stay.
    QCOMPARE(mDatabase::GetFieldByID(id, QStringLiteral("Sale"), QStringLiteral("CustomerID")),
        customer);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Customer")), 1);
}

void tst_SaleWriter::failureLeavesNothing()
{
    PELKOR_FRESH_DATABASE(m_db);
    const Catalogue c = makeCatalogue();
    QVERIFY(ExecuteSQL(QStringLiteral("drop table Sale_detail")));
    const qint64 id = SaleWriter::saveNew(
        sale(QStringLiteral("和平街3号"), QStringLiteral("444"), {line(c.water, 10, 1)}), Today);
    QCOMPARE(id, qint64(0));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Customer")), 0);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Sale")), 0);
    QCOMPARE(m_prompts->requests.size(), 1);
    QVERIFY(
        m_prompts->requests.first().text.startsWith(QStringLiteral("更新数据库时出现系统错误")));
}

void tst_SaleWriter::newSaleId()
{
    PELKOR_FRESH_DATABASE(m_db);
    QCOMPARE(SaleWriter::GetNewSaleID(), 1);
    const Catalogue c = makeCatalogue();
    const qint64 id = SaleWriter::saveNew(
        sale(QStringLiteral("幸福里1号"), QString(), {line(c.water, 10, 1)}), Today);
    QCOMPARE(SaleWriter::GetNewSaleID(), int(id) + 1);
    mDatabase::CloseConnection();
    QCOMPARE(SaleWriter::GetNewSaleID(), -1);
    QVERIFY(m_prompts->texts().contains(QStringLiteral("向系统获取新的系统编号时出现错误！")));
}

void tst_SaleWriter::concurrentWorkstations()
{
    if (!TestDatabase::isPostgres())
        QSKIP("two workstations need a database server");
    PELKOR_FRESH_DATABASE(m_db);
    const Catalogue c = makeCatalogue();
    QCOMPARE(c.water, qint64(2));
    QCOMPARE(c.boxedWater, qint64(3));
    const int orders = 40;
    const QList<QProcess *> workers = startWorkers("PELKOR_SALE_WORKER", 2, orders);
    for (QProcess *p : workers) {
        QVERIFY(p->waitForFinished(120000));
        QCOMPARE(p->exitCode(), 0);
    }
    QCOMPARE(countRows(QStringLiteral("select count(*) from Sale")), 2 * orders);
    // Every order holds exactly its own lines: one of its worker's water and its bottle.
    const auto rs = OpenRecordset(QStringLiteral("select ID,Detail,TotalAmount from Sale"));
    for (int row = 0; row < rs->recordCount(); ++row) {
        const qint64 id = rs->value(row, QStringLiteral("ID")).toLongLong();
        const qint64 product
            = rs->value(row, QStringLiteral("Detail")).toInt() == 1 ? c.water : c.boxedWater;
        const int amount = rs->value(row, QStringLiteral("TotalAmount")).toInt();
        const auto lines = OpenRecordset(
            QStringLiteral("select * from Sale_detail where SaleID=%1 and IsContainer='0'")
                .arg(id));
        QCOMPARE(lines->recordCount(), 1);
        QCOMPARE(lines->value(0, QStringLiteral("ProductID")).toLongLong(), product);
        QCOMPARE(lines->value(0, QStringLiteral("MyAmount")).toInt(), amount);
        QCOMPARE(countRows(QStringLiteral(
                     "select count(*) from Sale_detail where SaleID=%1 and IsContainer='1'")
                               .arg(id)),
            product == c.water ? 1 : 0);
    }
    QCOMPARE(countRows(QStringLiteral("select count(*) from Customer where Account<>ID")), 0);
}

void tst_SaleWriter::productPickedByNumberOrName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("product"); // the name of the product taken, empty: refused
    QTest::newRow("number") << "3"
                            << "550毫升纯净水";
    QTest::newRow("unique piece of a name") << "毫升"
                                            << "550毫升纯净水";
    QTest::newRow("piece two products share") << "纯净水"
                                              << "";
    QTest::newRow("no product") << "矿泉"
                                << "";
}

void tst_SaleWriter::productPickedByNumberOrName()
{
    QFETCH(QString, typed);
    QFETCH(QString, product);
    PELKOR_FRESH_DATABASE(m_db);
    makeCatalogue();
    SaleDetailModel model;
    ProductDelegate delegate;
    delegate.setProducts(*OpenRecordset(QStringLiteral("Select * from product where Status='1'")));
    QWidget parent;
    const QModelIndex cell = model.index(0, SaleLines::ProductID);
    QWidget *editor = delegate.createEditor(&parent, QStyleOptionViewItem(), cell);
    auto *combo = qobject_cast<QComboBox *>(editor);
    QVERIFY(combo);
    combo->setEditText(typed);
    delegate.setModelData(editor, &model, cell);
    QCOMPARE(model.lines().cell(0, SaleLines::Name), product);
    QCOMPARE(m_prompts->requests.isEmpty(), !product.isEmpty());
}

void tst_SaleWriter::hostileTextStoredExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("placeholders") << QStringLiteral("%1号%2室 %3");
    QTest::newRow("quotes") << QStringLiteral("O'Neil \"老\" ''");
    QTest::newRow("backslashes") << QStringLiteral("C:\\路\\ \\' \\n");
    QTest::newRow("everything") << QStringLiteral("%2'%1\\%%1''\\\"");
}

void tst_SaleWriter::hostileTextStoredExactly()
{
    QFETCH(QString, text);
    PELKOR_FRESH_DATABASE(m_db);
    const Catalogue c = makeCatalogue();
    SaleRecord s = sale(text, text, {line(c.water, 10, 1)});
    s.detail = text + QStringLiteral("备注");
    const qint64 id = SaleWriter::saveNew(s, Today);
    QVERIFY(id > 0);
    QCOMPARE(
        mDatabase::GetFieldByID(id, QStringLiteral("Sale"), QStringLiteral("Detail")), s.detail);
    const auto customer = OpenRecordset(QStringLiteral("select * from Customer"));
    QCOMPARE(customer->recordCount(), 1);
    QCOMPARE(customer->value(0, QStringLiteral("Address")).toString(), text.trimmed());
    QCOMPARE(customer->value(0, QStringLiteral("Phone")).toString(), text.trimmed());

    // A second order finds the same customer by that address, and an edit
    // stores the remark as exactly.
    QVERIFY(SaleWriter::saveNew(s, Today) > 0);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Customer")), 1);
    auto loaded = SaleReader::load(id);
    QVERIFY(loaded);
    SaleRecord edited = *loaded;
    edited.detail = QStringLiteral("改") + text;
    QVERIFY(SaleWriter::saveEdit(edited, *loaded));
    QCOMPARE(mDatabase::GetFieldByID(id, QStringLiteral("Sale"), QStringLiteral("Detail")),
        edited.detail);
    QCOMPARE(m_prompts->texts(), QStringList());
}

void tst_SaleWriter::editRefusedWhenChangedElsewhere_data()
{
    QTest::addColumn<QString>("elsewhere"); // what another workstation did
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("gone");

    const QString changed = QStringLiteral("该销售单在您打开之后已在别处被修改，本次修改没有保存！"
                                           "请关闭后重新打开该单据再修改。");
    QTest::newRow("deleted") << QStringLiteral("delete from Sale where ID=%1")
                             << QStringLiteral("该销售单已在别处被删除，本次修改没有保存！")
                             << true;
    QTest::newRow("closed") << QStringLiteral("update Sale set FinishFlag='1' where ID=%1")
                            << QStringLiteral("该销售单已经结帐，不能再修改，本次修改没有保存！")
                            << false;
    QTest::newRow("paid") << QStringLiteral("update Sale set InMoney=TotalMoney where ID=%1")
                          << changed << false;
    QTest::newRow("remark") << QStringLiteral("update Sale set Detail='别人改的' where ID=%1")
                            << changed << false;
    QTest::newRow("sender") << QStringLiteral("update Sale set SenderID=9 where ID=%1") << changed
                            << false;
    // Same totals, another product: only the lines tell.
    QTest::newRow("lines") << QStringLiteral("update Sale_detail set ProductID=ProductID+1 where "
                                             "SaleID=%1 and IsContainer='0'")
                           << changed << false;
}

void tst_SaleWriter::editRefusedWhenChangedElsewhere()
{
    QFETCH(QString, elsewhere);
    QFETCH(QString, message);
    QFETCH(bool, gone);
    PELKOR_FRESH_DATABASE(m_db);
    const Catalogue c = makeCatalogue();
    const qint64 id = SaleWriter::saveNew(
        sale(QStringLiteral("长江路8号"), QStringLiteral("555"), {line(c.water, 10, 2)}), Today);
    QVERIFY(id > 0);
    const auto loaded = SaleReader::load(id);
    QVERIFY(loaded);
    QVERIFY(ExecuteSQL(elsewhere.arg(id)));
    const auto before = OpenRecordset(QStringLiteral("select * from Sale_detail order by ID"));

    SaleRecord edited = *loaded;
    edited.detail = QStringLiteral("我的修改");
    edited.lines = {line(c.boxedWater, 24, 1), line(c.water, 10, 4)};
    edited.totalAmount = 5;
    edited.totalMoney = Currency::fromInt(64);
    QVERIFY(!SaleWriter::saveEdit(edited, *loaded));
    QCOMPARE(m_prompts->texts(), QStringList{message});

    // Nothing of the edit was written: no header change, no lines.
    QCOMPARE(countRows(QStringLiteral("select count(*) from Sale where Detail='我的修改'")), 0);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Sale")), gone ? 0 : 1);
    const auto after = OpenRecordset(QStringLiteral("select * from Sale_detail order by ID"));
    QCOMPARE(after->recordCount(), before->recordCount());
    for (int row = 0; row < after->recordCount(); ++row)
        for (const char *field : {"ID", "SaleID", "ProductID", "MyAmount"})
            QCOMPARE(after->value(row, QLatin1String(field)).toLongLong(),
                before->value(row, QLatin1String(field)).toLongLong());
}

void tst_SaleWriter::failedBottleQueryFailsSave()
{
    PELKOR_FRESH_DATABASE(m_db);
    const Catalogue c = makeCatalogue();
    bool queried = false;
    qint64 container = 0;
    QVERIFY(SaleRules::hasBottle(c.water, &container, &queried));
    QVERIFY(queried);
    QCOMPARE(container, c.bottle);
    QVERIFY(!SaleRules::hasBottle(c.boxedWater, &container, &queried));
    QVERIFY(queried);

    // The lines go in, but whether a bottle goes with them cannot be told.
    QVERIFY(ExecuteSQL(QStringLiteral("drop table Product")));
    m_prompts->clear();
    QVERIFY(!SaleRules::hasBottle(c.water, &container, &queried));
    QVERIFY(!queried);
    const qint64 id = SaleWriter::saveNew(
        sale(QStringLiteral("黄河路2号"), QStringLiteral("666"), {line(c.water, 10, 3)}), Today);
    QCOMPARE(id, qint64(0));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Sale")), 0);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Sale_detail")), 0);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Customer")), 0);
    QVERIFY(m_prompts->texts().size() >= 2);
    QVERIFY(m_prompts->texts().last().startsWith(QStringLiteral("读取数据库时出现系统错误")));
}

void tst_SaleWriter::bottlesFollowTheTypedProduct_data()
{
    // Steps on the lines: "fill ROW PRODUCT" picks a product as the grid
    // does, "set ROW PRODUCT" puts a number in the cell as a stored sale
    // does, "amount ROW N" changes the quantity; "lose" drops the catalogue.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("containers");
    QTest::newRow("water in its bottle") << QStringList{"fill 0 water", "amount 0 3"} << 3;
    QTest::newRow("water picked again as boxed water")
        << QStringList{"fill 0 water", "fill 0 boxed", "amount 0 3"} << 0;
    QTest::newRow("boxed water picked again as water")
        << QStringList{"fill 0 boxed", "fill 0 water", "amount 0 2"} << 2;
    QTest::newRow("a stored line's number") << QStringList{"set 0 water", "amount 0 2"} << 2;
    QTest::newRow("a stored line's number changed")
        << QStringList{"set 0 water", "amount 0 2", "set 0 boxed"} << 0;
    QTest::newRow("the bottle itself") << QStringList{"fill 0 bottle", "amount 0 4"} << 0;
    QTest::newRow("two lines") << QStringList{"fill 0 water", "fill 1 boxed", "fill 2 water",
        "amount 2 5"} << 6;
    // Summing at every keystroke reads nothing once the products are known.
    QTest::newRow("catalogue gone after picking")
        << QStringList{"fill 0 water", "fill 1 boxed", "lose", "amount 0 2"} << 2;
}

void tst_SaleWriter::bottlesFollowTheTypedProduct()
{
    QFETCH(QStringList, steps);
    QFETCH(int, containers);
    PELKOR_FRESH_DATABASE(m_db);
    const Catalogue c = makeCatalogue();
    const QHash<QString, qint64> products{
        {"water", c.water}, {"boxed", c.boxedWater}, {"bottle", c.bottle}};
    SaleLines lines;
    for (const QString &step : steps) {
        const QStringList words = step.split(' ');
        const int row = words.value(1).toInt();
        const QString product = QString::number(products.value(words.value(2)));
        if (words[0] == "fill") {
            QVERIFY(lines.fillProduct(row, product));
        } else if (words[0] == "set") {
            lines.setCell(row, SaleLines::ProductID, product);
            lines.setCell(row, SaleLines::Price, "10");
            lines.setCell(row, SaleLines::Amount, "1");
            lines.recomputeMoney(row);
        } else if (words[0] == "amount") {
            lines.setCell(row, SaleLines::Amount, words.value(2));
            lines.recomputeMoney(row);
        } else {
            QVERIFY(ExecuteSQL(QStringLiteral("drop table Product")));
        }
        SaleRules::sumLines(lines);
    }
    const SaleTotals totals = SaleRules::sumLines(lines);
    QVERIFY(totals.inRange);
    QCOMPARE(totals.containers, containers);
    QCOMPARE(m_prompts->texts(), QStringList());
}

void tst_SaleWriter::duplicateAddressInsertKeepsTransaction()
{
    PELKOR_FRESH_DATABASE(m_db);
    QVERIFY(ExecuteSQL(
        QStringLiteral("insert into Customer(Account,Address,Phone) values(5,'淮海路1号','1')")));
    // The address is unique among customers...
    QVERIFY(!ExecuteSQL(
        QStringLiteral("insert into Customer(Account,Address,Phone) values(6,'淮海路1号','2')")));
    m_prompts->clear();
    // ...and meeting it inside a transaction skips the insert, nothing more.
    mDatabase::Transaction tx;
    QVERIFY(tx);
    const QString insert
        = QStringLiteral("insert into Customer(Account,Address,Phone) values(%1,'%2','3')");
    QCOMPARE(ExecuteAffected(mDatabase::dialect().insertIgnoringDuplicate(
                 insert.arg(QStringLiteral("7"), QStringLiteral("淮海路1号")))),
        0);
    QCOMPARE(ExecuteAffected(mDatabase::dialect().insertIgnoringDuplicate(
                 insert.arg(QStringLiteral("8"), QStringLiteral("淮海路2号")))),
        1);
    QVERIFY(tx.commit());
    QCOMPARE(countRows(QStringLiteral("select count(*) from Customer")), 2);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Customer where Account=8")), 1);
    QCOMPARE(m_prompts->texts(), QStringList());

    // The other dialects' forms, as text.
    const QString plain = insert.arg(QStringLiteral("9"), QStringLiteral("%1路"));
    QCOMPARE(SqlDialect(SqlDialect::SQLite).insertIgnoringDuplicate(plain),
        QStringLiteral(
            "insert or ignore into Customer(Account,Address,Phone) values(9,'%1路','3')"));
    QCOMPARE(SqlDialect(SqlDialect::PostgreSQL).insertIgnoringDuplicate(plain),
        plain + QStringLiteral(" ON CONFLICT DO NOTHING"));
    QCOMPARE(SqlDialect(SqlDialect::SqlServer).insertIgnoringDuplicate(plain),
        QStringLiteral("BEGIN TRY ") + plain
            + QStringLiteral("; END TRY BEGIN CATCH IF ERROR_NUMBER() NOT IN (2601,2627) THROW; "
                             "END CATCH"));
}

void tst_SaleWriter::sharedNewAddresses()
{
    if (!TestDatabase::isPostgres())
        QSKIP("many workstations need a database server");
    PELKOR_FRESH_DATABASE(m_db);
    const Catalogue c = makeCatalogue();
    QCOMPARE(c.water, qint64(2));
    const int workers = 16;
    const int addresses = 100;
    QElapsedTimer clock;
    clock.start();
    const QList<QProcess *> running = startWorkers("PELKOR_ADDRESS_WORKER", workers, addresses);
    for (QProcess *p : running) {
        QVERIFY(p->waitForFinished(240000));
        QCOMPARE(p->exitCode(), 0);
    }
    const int customers = countRows(QStringLiteral("select count(*) from Customer"));
    qInfo("%d workstations, %d shared new addresses: %d customers, %d sales in %lld ms", workers,
        addresses, customers, countRows(QStringLiteral("select count(*) from Sale")),
        clock.elapsed());
    QCOMPARE(customers, addresses);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Sale")), workers * addresses);
    QCOMPARE(countRows(QStringLiteral("select count(distinct CustomerID) from Sale")), addresses);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Customer where Account<>ID")), 0);
}

void tst_SaleWriter::orderWithoutGoodsIsRefused_data()
{
    QTest::addColumn<bool>("unknownProduct");
    QTest::newRow("no line") << false;
    QTest::newRow("a line without its product") << true;
}

void tst_SaleWriter::orderWithoutGoodsIsRefused()
{
    QFETCH(bool, unknownProduct);
    PELKOR_FRESH_DATABASE(m_db);
    QVector<SaleRecord::Line> lines;
    if (unknownProduct)
        lines << line(0, 10, 1);
    SaleRecord s = sale(QStringLiteral("无货路1号"), QStringLiteral("5550001"), lines);
    s.totalMoney = Currency::fromInt(10);
    QCOMPARE(SaleWriter::saveNew(s, Today), qint64(0));
    QCOMPARE(m_prompts->requests.size(), 1);
    QVERIFY(m_prompts->requests.first().text.contains(QStringLiteral("没有商品")));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Sale")), 0);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Customer")), 0);
}

void tst_SaleWriter::amountsReadBackExactlyOrAreRefused_data()
{
    QTest::addColumn<int>("field"); // index into the amounts below
    QTest::addColumn<QString>("amount");
    QTest::addColumn<bool>("stored");
    const char *const names[] = {"price", "line money", "paid", "transfer fee"};
    for (int field = 0; field < 4; ++field) {
        const QByteArray name(names[field]);
        QTest::newRow(name + " largest") << field << "-99999999.9876" << true;
        QTest::newRow(name + " beyond") << field << "1234567890123.4567" << false;
    }
}

void tst_SaleWriter::amountsReadBackExactlyOrAreRefused()
{
    QFETCH(int, field);
    QFETCH(QString, amount);
    QFETCH(bool, stored);
    PELKOR_FRESH_DATABASE(m_db);
    const Catalogue c = makeCatalogue();
    Currency value;
    QVERIFY(Currency::parse(amount, &value));
    const auto amounts = [](SaleRecord &r) {
        return std::array<Currency *, 4>{
            &r.lines[0].price, &r.lines[0].money, &r.inMoney, &r.transferFee};
    };
    SaleRecord s = sale(QStringLiteral("大额路1号"), QString(), {line(c.boxedWater, 24, 1)});
    *amounts(s)[field] = value;
    const qint64 id = SaleWriter::saveNew(s, Today);
    QCOMPARE(id > 0, stored);
    QCOMPARE(m_prompts->requests.size(), stored ? 0 : 1);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Customer")), stored ? 1 : 0);
    if (!stored)
        return;
    auto back = SaleReader::load(id);
    QVERIFY(back);
    QCOMPARE(amounts(*back)[field]->toSqlText(), value.toSqlText());
    // Compared exactly by the edit's check too: an unchanged edit goes through.
    QVERIFY(SaleWriter::saveEdit(*back, *back));
}

int main(int argc, char *argv[])
{
    const QByteArray addressWorker = qgetenv("PELKOR_ADDRESS_WORKER");
    if (!addressWorker.isEmpty()) {
        QCoreApplication app(argc, argv);
        const QStringList parts = QString::fromUtf8(addressWorker).split(QLatin1Char(';'));
        const ScopedSession session(Session{.userID = 1, .isHeadStation = true});
        return runAddressWorker(parts.value(2), parts.value(0).toInt(), parts.value(1).toInt());
    }
    const QByteArray worker = qgetenv("PELKOR_SALE_WORKER");
    if (!worker.isEmpty()) {
        QCoreApplication app(argc, argv);
        const QStringList parts = QString::fromUtf8(worker).split(QLatin1Char(';'));
        const ScopedSession session(Session{.userID = 1, .isHeadStation = true});
        return runWorker(parts.value(2), parts.value(0).toInt(), parts.value(1).toInt());
    }
    QApplication app(argc, argv);
    tst_SaleWriter test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_salewriter.moc"
