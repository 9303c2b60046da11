#include "currency.h"
#include "datetext.h"
#include "frmsale.h"
#include "loginstate.h"
#include "mdatabase.h"
#include "pickers.h"
#include "scriptedprompter.h"
#include "testdatabase.h"

#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <memory>
#include <tuple>

using mDatabase::SqlStr;

namespace {

enum Cell { ProductCell = 0, PriceCell = 3, AmountCell = 4, MoneyCell = 5 };

const QString UnknownProduct = QStringLiteral("产品编号不存在或已被禁用，请重新输入!");
const QString BadPrice = QStringLiteral("商品价格必须为数字，且不能为0！");
const QString BadAmount = QStringLiteral("商品数量必须为数字，且不能为0！");
const QString NoSuchAccount = QStringLiteral("没有找到该客户帐号！");

Recordset rows(const QString &sql)
{
    return mDatabase::OpenRecordset(sql).value_or(Recordset());
}
int count(const QString &table)
{
    return rows("select count(*) as n from " + table).value(0, "n").toInt();
}
QString id(qint64 value)
{
    return QString::number(value);
}
// Stored numbers as the program writes them, whatever type the driver returns.
QString num(const QVariant &value)
{
    return Currency::fromVariant(value).toSqlText();
}
QString field(const Recordset &rs, const QString &name, int row = 0)
{
    return rs.value(row, name).toString().trimmed();
}

// The named columns of the first stored sale, as numbers.
QStringList saleNumbers(const QStringList &columns)
{
    const Recordset sale = rows("select * from Sale order by ID");
    QStringList values;
    for (const QString &column : columns)
        values << num(sale.value(0, column));
    return values;
}

qint64 lastSaleID()
{
    return rows("select max(ID) as id from Sale").value(0, "id").toLongLong();
}

// "product price amount money flag" for each stored line, in the order written.
QStringList storedLines(qint64 saleId)
{
    const Recordset rs
        = rows("select * from Sale_detail where SaleID=" + id(saleId) + " order by ID");
    QStringList lines;
    for (int row = 0; row < rs.recordCount(); ++row)
        lines << QStringList{id(rs.value(row, QStringLiteral("ProductID")).toLongLong()),
            num(rs.value(row, QStringLiteral("Price"))),
            num(rs.value(row, QStringLiteral("MyAmount"))),
            num(rs.value(row, QStringLiteral("MyMoney"))),
            field(rs, QStringLiteral("IsContainer"), row)}
                     .join(QLatin1Char(' '));
    return lines;
}

// Chinese reaches a field committed by the input method; the rest key by key.
void type(QWidget *widget, const QString &text)
{
    for (const QChar ch : text) {
        if (ch.unicode() < 128) {
            QTest::keyClick(widget, char(ch.unicode()));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(ch);
            QApplication::sendEvent(widget, &commit);
        }
    }
}

// The sale window as the operator sees it, control by control.
struct SaleWindow {
    explicit SaleWindow(int mode = frmSale::New, qint64 saleId = 0)
    {
        form.mActionType = mode;
        form.mCurID = saleId;
        loaded = form.Load();
        if (loaded)
            form.show();
    }
    template <typename T = QLineEdit> T *get(const char *name) const
    {
        T *widget = form.findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("control %s missing", name);
        return widget;
    }
    QString text(const char *name) const { return get(name)->text(); }
    QStringList texts(std::initializer_list<const char *> names) const
    {
        QStringList values;
        for (const char *name : names)
            values << text(name);
        return values;
    }
    void setText(const char *name, const QString &value) { get(name)->setText(value); }
    QStringList totals() const
    {
        return texts({"txtTotalAmount", "txtTotalMoney", "txtTotalContainer"});
    }
    QAbstractItemModel *grid() const { return get<QTableView>("dbgDetail")->model(); }
    // As the cell editor commits what was typed.
    bool setCell(int row, int column, const QString &value)
    {
        return grid()->setData(grid()->index(row, column), value);
    }
    QString cell(int row, int column) const
    {
        return grid()->index(row, column).data(Qt::EditRole).toString();
    }
    QStringList rowCells(int row) const
    {
        QStringList cells;
        for (int column = 0; column < grid()->columnCount(); ++column)
            cells << cell(row, column);
        return cells;
    }
    bool enter(int row, qint64 product, const QString &amount = "1")
    {
        return setCell(row, ProductCell, id(product))
            && (amount == QLatin1String("1") || setCell(row, AmountCell, amount));
    }
    void choose(const char *combo, qint64 value)
    {
        get<QComboBox>(combo)->setCurrentIndex(get<QComboBox>(combo)->findData(value));
    }
    qint64 chosen(const char *combo) const
    {
        return get<QComboBox>(combo)->currentData().toLongLong();
    }
    void lookUp(const char *key, const QString &value)
    {
        get(key)->clear();
        type(get(key), value);
        QTest::keyClick(get(key), Qt::Key_Return);
    }
    void save() { get<QPushButton>("btnSave")->click(); }
    bool listShown() const { return get<QListWidget>("dtlCustomer")->isVisible(); }
    QStringList listed() const
    {
        QStringList items;
        for (const QListWidgetItem *item :
            get<QListWidget>("dtlCustomer")->findItems(QString(), Qt::MatchContains))
            items << item->text();
        items.sort();
        return items;
    }

    frmSale form;
    bool loaded = false;
};

} // namespace

class tst_SaleForm : public QObject {
    Q_OBJECT

    TestDatabase m_db;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    qint64 m_east = 0, m_bottle = 0, m_water = 0, m_plain = 0, m_disabled = 0, m_sender = 0,
           m_eastSender = 0;

    qint64 addProduct(
        const char *name, const char *price, char isContainer, qint64 container, char status = '1')
    {
        return mDatabase::InsertAndGetID(
            QString("insert into Product(Name,Unit,Price,IsContainer,ContainerID,Status) "
                    "values('%1','桶',%2,'%3',%4,'%5')")
                .arg(QString::fromUtf8(name), QString::fromUtf8(price), QChar(isContainer),
                    id(container), QChar(status)));
    }
    qint64 addCustomer(int account, const QString &phone, const QString &address,
        qint64 station = 1, char status = '1')
    {
        return mDatabase::InsertAndGetID(
            QString(
                "insert into "
                "Customer(Account,Name,Phone,Address,Detail,CustType,Status,StationID,CreateDate) "
                "values(%1,'客户%1',%2,%3,'',1,'%4',%5,%6)")
                .arg(id(account), SqlStr(phone), SqlStr(address), QChar(status), id(station),
                    DateText::sqlLiteral(QDate(2024, 3, 1))));
    }
    // Through the window: 3 water, 2 plain water and 1 bottle, 30 paid.
    qint64 storeSale(const QString &address)
    {
        SaleWindow w;
        w.setText("txtCustPhone", "13500000000");
        w.setText("txtCustAddress", address);
        w.choose("cmbSender", m_sender);
        w.setText("txtInMoney", "30");
        w.setText("txtDetail", "旧备注");
        if (!w.enter(0, m_water, "3") || !w.enter(1, m_plain, "2") || !w.enter(2, m_bottle))
            return 0;
        w.save();
        return lastSaleID();
    }

private slots:
    void init()
    {
        gUserID = 3;
        gStationID = 1;
        gIsHeadStation = true;
        PickedCustomerID = -1;
        m_prompter = std::make_unique<ScriptedPrompter>();
        PELKOR_FRESH_DATABASE(m_db);
        m_east = mDatabase::InsertAndGetID("insert into Station(Name,Status) values('东站','1')");
        m_bottle = addProduct("水桶", "30", '1', 0);
        m_water = addProduct("纯净水", "12.5", '0', m_bottle);
        m_plain = addProduct("矿泉水", "8", '0', 0);
        m_disabled = addProduct("停售水", "10", '0', m_bottle, '0');
        m_sender = mDatabase::InsertAndGetID(
            "insert into Sender(Name,Price,Status,StationID) values('小李',2,'1',1)");
        m_eastSender = mDatabase::InsertAndGetID(
            "insert into Sender(Name,Price,Status,StationID) values('小张',3.5,'1'," + id(m_east)
            + ')');
        QVERIFY(m_east && m_bottle && m_water && m_plain && m_disabled && m_sender && m_eastSender);
    }

    void cleanup()
    {
        m_db.dropAll();
        m_prompter.reset();
    }

    // ---- storing a new sale

    void newSaleToNewAddress()
    {
        SaleWindow w;
        QVERIFY(w.loaded);
        QCOMPARE(w.text("txtSaleID"), QStringLiteral("1"));
        w.choose("cmbStation", m_east);
        w.choose("cmbSender", m_eastSender);
        QCOMPARE(w.text("txtTransferFee"), QStringLiteral("3.5"));
        w.choose("cmbSender", m_sender);
        QCOMPARE(w.text("txtTransferFee"), QStringLiteral("2"));
        w.setText("txtCustPhone", "13800000001");
        w.setText("txtCustAddress", "南街5号");
        QVERIFY(w.enter(0, m_water, "3"));
        QVERIFY(w.enter(1, m_plain, "2"));
        w.setText("txtOutAmount", "5");
        w.setText("txtInMoney", "50");
        w.setText("txtInContainer", "2");
        w.setText("txtDetail", "下午送");
        w.save();
        QCOMPARE(m_prompter->texts(), QStringList());

        const Recordset customer = rows("select * from Customer");
        QCOMPARE(customer.recordCount(), 1);
        QCOMPARE(field(customer, "Account"), field(customer, "ID"));
        QCOMPARE(field(customer, "Detail"), QStringLiteral("系统自动加入用户！"));
        QCOMPARE(field(customer, "CustType"), QStringLiteral("0"));
        QCOMPARE(field(customer, "Phone"), QStringLiteral("13800000001"));
        QCOMPARE(field(customer, "StationID"), id(m_east));

        const Recordset sale = rows("select * from Sale");
        QCOMPARE(sale.recordCount(), 1);
        QCOMPARE(saleNumbers({"TotalAmount", "TotalMoney", "TotalContainer", "OutAmount", "InMoney",
                     "InContainer", "TransferFee"}),
            (QStringList{"5", "53.5", "3", "5", "50", "2", "2"}));
        QCOMPARE(
            (QStringList{field(sale, "CustomerID"), field(sale, "SenderID"), field(sale, "UserID"),
                field(sale, "StationID"), field(sale, "FinishFlag"), field(sale, "Detail")}),
            (QStringList{
                field(customer, "ID"), id(m_sender), id(gUserID), id(m_east), "0", "下午送"}));
        const QVariant date = sale.value(0, QStringLiteral("CreateDate"));
        QCOMPARE(date.typeId() == QMetaType::QDate ? date.toDate()
                                                   : DateText::parse(date.toString().left(10)),
            QDate::currentDate());
        QCOMPARE(storedLines(lastSaleID()),
            (QStringList{id(m_water) + " 12.5 3 37.5 0", id(m_bottle) + " 0 3 0 1",
                id(m_plain) + " 8 2 16 0"}));

        // Ready for the next order; who delivers from where stays chosen.
        QCOMPARE(w.text("txtSaleID"), QStringLiteral("2"));
        QCOMPARE(w.texts({"txtCustAddress", "txtCustPhone", "txtDetail"}) << w.cell(0, 0),
            QStringList(4, QString()));
        QCOMPARE(w.totals() << w.text("txtInMoney"), QStringList(4, QStringLiteral("0")));
        QCOMPARE(w.chosen("cmbSender"), m_sender);
        QCOMPARE(w.chosen("cmbStation"), m_east);
        QCOMPARE(w.text("txtTransferFee"), QStringLiteral("2"));
    }

    void knownAddressReusesCustomerWithTypedPhone()
    {
        const qint64 known = addCustomer(40, "111", "北街8号", m_east, '0');
        SaleWindow w;
        w.setText("txtCustPhone", "222");
        w.setText("txtCustAddress", "北街8号");
        QVERIFY(w.enter(0, m_plain));
        w.save();
        QCOMPARE(m_prompter->texts(), QStringList());
        const Recordset customer = rows("select * from Customer");
        QCOMPARE(customer.recordCount(), 1);
        QCOMPARE((QStringList{field(customer, "Phone"), field(customer, "Status")}),
            (QStringList{"222", "0"}));
        QCOMPARE(field(rows("select * from Sale"), "CustomerID"), id(known));
    }

    void bottleLines_data()
    {
        QTest::addColumn<int>("product"); // 0 water, 1 bottle, 2 plain water
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QStringList>("lines"); // first letter: W, B or P for the product
        QTest::addColumn<QString>("bottles");

        QTest::newRow("water brings its bottle")
            << 0 << "3" << QStringList{"W 12.5 3 37.5 0", "B 0 3 0 1"} << "3";
        QTest::newRow("the bottle itself") << 1 << "2" << QStringList{"B 30 2 60 0"} << "0";
        QTest::newRow("water without bottle") << 2 << "2" << QStringList{"P 8 2 16 0"} << "0";
    }

    void bottleLines()
    {
        QFETCH(int, product);
        QFETCH(QString, amount);
        QFETCH(QStringList, lines);
        QFETCH(QString, bottles);
        for (QString &line : lines)
            line = id(line.startsWith('W')        ? m_water
                           : line.startsWith('B') ? m_bottle
                                                  : m_plain)
                + line.mid(1);

        SaleWindow w;
        w.setText("txtCustAddress", "南街5号");
        QVERIFY(w.enter(0, QList<qint64>{m_water, m_bottle, m_plain}.at(product), amount));
        QCOMPARE(w.totals().at(2), bottles);
        w.save();
        QCOMPARE(m_prompter->texts(), QStringList());
        QCOMPARE(storedLines(lastSaleID()), lines);
        QCOMPARE(saleNumbers({"TotalAmount", "TotalContainer"}), (QStringList{amount, bottles}));
    }

    void halfUnitsGoToEven_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("2.5") << "2.5"
                             << "2";
        QTest::newRow("3.5") << "3.5"
                             << "4";
    }

    void halfUnitsGoToEven()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        SaleWindow w;
        w.setText("txtCustAddress", "南街5号");
        QVERIFY(w.enter(0, m_water, typed));
        QCOMPARE(w.text("txtTotalAmount"), stored);
        w.save();
        QCOMPARE(saleNumbers({"TotalAmount", "TotalContainer"}), (QStringList{stored, stored}));
        const QStringList lines = storedLines(lastSaleID());
        QCOMPARE(lines.size(), 2);
        for (const QString &line : lines)
            QCOMPARE(line.section(' ', 2, 2), stored);
    }

    void quotesStoredExactly()
    {
        const QString address = QStringLiteral("O'Neil's 弄3号"), phone = QStringLiteral("021-'5'");
        for (int order = 1; order <= 2; ++order) {
            SaleWindow w;
            w.setText("txtCustPhone", phone);
            w.setText("txtCustAddress", address);
            w.setText("txtDetail", "别按'门铃'");
            QVERIFY(w.enter(0, m_plain));
            w.save();
        }
        QCOMPARE(m_prompter->texts(), QStringList());
        const Recordset customer = rows("select * from Customer");
        QCOMPARE(customer.recordCount(), 1); // the second order found the first one's customer
        QCOMPARE((QStringList{field(customer, "Address"), field(customer, "Phone")}),
            (QStringList{address, phone}));
        const Recordset sales = rows("select * from Sale order by ID");
        QCOMPARE(sales.recordCount(), 2);
        QCOMPARE(field(sales, "Detail", 1), QStringLiteral("别按'门铃'"));
    }

    void failedStatementLeavesNothing()
    {
        SaleWindow w;
        QVERIFY(mDatabase::ExecuteSQL("drop table Sale_detail"));
        w.setText("txtCustAddress", "南街5号");
        QVERIFY(w.enter(0, m_water, "3"));
        w.save();
        QCOMPARE(m_prompter->requests.size(), 1);
        QVERIFY2(m_prompter->texts().first().startsWith(QStringLiteral("更新数据库时出现系统错误")),
            qPrintable(m_prompter->texts().first()));
        QCOMPARE(count("Customer"), 0);
        QCOMPARE(count("Sale"), 0);
        QCOMPARE(w.text("txtCustAddress"), QStringLiteral("南街5号"));
        QCOMPARE(w.text("txtTotalAmount"), QStringLiteral("3"));
        QCOMPARE(w.cell(0, ProductCell), id(m_water));
    }

    // ---- lines, totals and what was received

    void refusedCell_data()
    {
        QTest::addColumn<bool>("filled");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");

        QTest::newRow("disabled product")
            << false << 0 << "<disabled>" << UnknownProduct << "商品编号";
        QTest::newRow("unknown product") << false << 0 << "999" << UnknownProduct << "商品编号";
        QTest::newRow("letters as product") << false << 0 << "abc" << UnknownProduct << "商品编号";
        QTest::newRow("price 0") << true << 3 << "0" << BadPrice << "价格";
        QTest::newRow("price letters") << true << 3 << "abc" << BadPrice << "价格";
        QTest::newRow("quantity 0") << true << 4 << "0" << BadAmount << "数量";
        QTest::newRow("quantity letters") << true << 4 << "x" << BadAmount << "数量";
    }

    void refusedCell()
    {
        QFETCH(bool, filled);
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, title);
        if (typed == QLatin1String("<disabled>"))
            typed = id(m_disabled);

        SaleWindow w;
        if (filled)
            QVERIFY(w.enter(0, m_water, "2"));
        const QStringList before = w.rowCells(0);
        QCOMPARE(before.first().isEmpty(), !filled);
        QVERIFY(!w.setCell(0, column, typed));
        QCOMPARE(m_prompter->texts(), QStringList{message});
        QCOMPARE(m_prompter->requests.first().title, title);
        QCOMPARE(w.rowCells(0), before);
        QCOMPARE(w.text("txtTotalAmount"), filled ? QStringLiteral("2") : QStringLiteral("0"));
    }

    void linesRecomputeTotals()
    {
        SaleWindow w;
        QVERIFY(w.enter(0, m_water));
        QCOMPARE(w.rowCells(0), (QStringList{id(m_water), "纯净水", "桶", "12.5", "1", "12.5"}));
        QVERIFY(w.setCell(0, AmountCell, "4"));
        QCOMPARE(w.cell(0, MoneyCell), QStringLiteral("50"));
        QVERIFY(w.setCell(0, PriceCell, "11"));
        QCOMPARE(w.cell(0, MoneyCell), QStringLiteral("44"));
        QVERIFY(w.enter(1, m_plain, "2"));
        QCOMPARE(w.totals(), (QStringList{"6", "60", "4"}));
        QVERIFY(w.setCell(0, ProductCell, QString()));
        QCOMPARE(w.rowCells(0), QStringList(6, QString()));
        QCOMPARE(w.totals(), (QStringList{"2", "16", "0"}));
        QCOMPARE(m_prompter->texts(), QStringList());
    }

    void autoFields_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("total");
        for (const auto &[setting, received, total] :
            {std::tuple{"AutoInMoney", "txtInMoney", "txtTotalMoney"},
                std::tuple{"AutoOutAmount", "txtOutAmount", "txtTotalAmount"},
                std::tuple{"AutoInContainer", "txtInContainer", "txtTotalContainer"}})
            for (const char *value : {"1", "0"})
                QTest::addRow("%s=%s", setting, value) << setting << value << received << total;
    }

    void autoFields()
    {
        QFETCH(QString, setting);
        QFETCH(QString, value);
        QFETCH(QString, received);
        QFETCH(QString, total);
        QVERIFY(mDatabase::SetSysValue(setting, value));
        const QByteArray fieldName = received.toLatin1(), totalName = total.toLatin1();

        SaleWindow w;
        QVERIFY(w.enter(0, m_water));
        for (const char *amount : {"2", "3"}) {
            w.setText(fieldName.constData(), "1");
            QVERIFY(w.setCell(0, AmountCell, QLatin1String(amount)));
            const QString sum = w.text(totalName.constData());
            QVERIFY(sum != QLatin1String("1"));
            QCOMPARE(w.text(fieldName.constData()),
                value == QLatin1String("1") ? sum : QStringLiteral("1"));
        }
    }

    void receivedQuantities_data()
    {
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message"); // empty: saved, with the value below
        QTest::addColumn<QString>("stored");

        QTest::newRow("all the money") << "txtInMoney"
                                       << "37.5"
                                       << ""
                                       << "37.5";
        QTest::newRow("more money") << "txtInMoney"
                                    << "38.5"
                                    << "错误，实收现金超过应收现金！"
                                    << "";
        QTest::newRow("all delivered") << "txtOutAmount"
                                       << "3"
                                       << ""
                                       << "3";
        QTest::newRow("more delivered") << "txtOutAmount"
                                        << "4"
                                        << "错误，实际出库超过定单应出货量！"
                                        << "";
        QTest::newRow("all bottles") << "txtInContainer"
                                     << "3"
                                     << ""
                                     << "3";
        QTest::newRow("more bottles") << "txtInContainer"
                                      << "4"
                                      << "错误，实际回收空瓶超过应回收空瓶数！"
                                      << "";
        QTest::newRow("fee of letters") << "txtTransferFee"
                                        << "abc"
                                        << "数据输入格式不正确， abc 不是有效的数字！"
                                        << "";
        QTest::newRow("empty fee") << "txtTransferFee"
                                   << ""
                                   << ""
                                   << "0";
    }

    void receivedQuantities()
    {
        QFETCH(QString, received);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        const QByteArray fieldName = received.toLatin1();

        SaleWindow w;
        w.choose("cmbSender", m_sender);
        w.setText("txtCustAddress", "南街5号");
        QVERIFY(w.enter(0, m_water, "3"));
        w.setText(fieldName.constData(), typed);
        w.save();
        if (!message.isEmpty()) {
            QCOMPARE(m_prompter->texts(), QStringList{message});
            QCOMPARE(count("Sale") + count("Customer"), 0);
            QCOMPARE(w.text("txtCustAddress"), QStringLiteral("南街5号"));
            return;
        }
        QCOMPARE(m_prompter->texts(), QStringList());
        QCOMPARE(count("Sale"), 1);
        QCOMPARE(saleNumbers({received.mid(3)}), QStringList{stored});
        if (typed.isEmpty())
            QCOMPARE(w.text(fieldName.constData()), QStringLiteral("0"));
    }

    void saveButtonsNeedTotalsAndAddress()
    {
        SaleWindow w;
        auto ready = [&w] {
            const bool save = w.get<QPushButton>("btnSave")->isEnabled();
            return save == w.get<QPushButton>("btnSavePrint")->isEnabled() ? int(save) : -1;
        };
        QCOMPARE(ready(), 0);
        w.setText("txtCustAddress", "南街5号");
        QCOMPARE(ready(), 0);
        QVERIFY(w.enter(0, m_plain));
        QCOMPARE(ready(), 1);
        w.setText("txtCustAddress", "  ");
        QCOMPARE(ready(), 0);
        w.setText("txtCustAddress", "南街5号");
        QVERIFY(w.setCell(0, ProductCell, QString()));
        QCOMPARE(ready(), 0);
    }

    // ---- finding the customer

    void lookupByAccountShowsHistory()
    {
        const qint64 customer = addCustomer(501, "0571-8", "东街1号", m_east);
        for (const char *values : {"3,37.5,3,1,30", "2,25,2,2,25"})
            QVERIFY(mDatabase::ExecuteSQL(
                QStringLiteral(
                    "insert into "
                    "Sale(CustomerID,TotalAmount,TotalMoney,TotalContainer,InContainer,InMoney)"
                    " values(")
                + id(customer) + QLatin1Char(',') + QLatin1String(values) + QLatin1Char(')')));
        SaleWindow w;
        w.lookUp("txtCustAccount", "501");
        QCOMPARE(m_prompter->texts(), QStringList());
        const auto customerFields
            = {"txtCustAccount", "txtCustPhone", "txtCustAddress", "txtCustName", "txtCustType"};
        const auto history = {"txtHistoryTimes", "txtHistoryAmount", "txtHistoryMoney",
            "txtHistoryContainerBalance", "txtHistoryMoneyBalance"};
        auto historyRows = [&w] {
            return w.get<QTableView>("dbgHistory")->model()->rowCount();
        };
        QCOMPARE(w.texts(customerFields),
            (QStringList{"501", "0571-8", "东街1号", "客户501", "已开户"}));
        QCOMPARE(w.texts(history), (QStringList{"2", "5", "62.5", "2", "7.5"}));
        QCOMPARE(historyRows(), 2);
        QCOMPARE(w.chosen("cmbStation"), m_east);

        // A customer without orders shows none, not the previous customer's.
        addCustomer(502, "0571-9", "东街2号");
        w.lookUp("txtCustAccount", "502");
        QCOMPARE(w.text("txtCustName"), QStringLiteral("客户502"));
        QCOMPARE(w.texts(history), QStringList(5, QStringLiteral("0")));
        QCOMPARE(historyRows(), 0);

        // The next order starts from nothing of a customer but the account,
        // kept for a repeat order and selected so that typing replaces it.
        w.lookUp("txtCustAccount", "501");
        w.get<QPushButton>("btnReset")->click();
        QCOMPARE(w.texts(customerFields), (QStringList{"501", "", "", "", ""}));
        QCOMPARE(w.get<QLineEdit>("txtCustAccount")->selectedText(), QStringLiteral("501"));
        QCOMPARE(w.texts(history), QStringList(5, QStringLiteral("0")));
        QCOMPARE(historyRows(), 0);

        w.lookUp("txtCustAccount", "999");
        QCOMPARE(m_prompter->texts(), QStringList{NoSuchAccount});
        QVERIFY(w.text("txtCustAccount").isEmpty());
    }

    void lookupMissClearsAccountSilently()
    {
        addCustomer(501, "0571-8", "东街1号");
        SaleWindow w;
        for (const auto &[searchType, key] :
            {std::pair{1, "txtCustPhone"}, std::pair{2, "txtCustAddress"}}) {
            w.setText("txtCustAccount", "501");
            QVERIFY(w.form.GetCustomerInfo(0));
            w.setText(key, "无此人");
            QVERIFY2(!w.form.GetCustomerInfo(qint16(searchType)), key);
            QVERIFY2(w.text("txtCustAccount").isEmpty(), key);
        }
        QCOMPARE(m_prompter->texts(), QStringList());
    }

    void sharedPhoneAsksWhichCustomer()
    {
        addCustomer(601, "8888", "东街1号");
        const qint64 second = addCustomer(602, "8888", "西街3号");
        SaleWindow w;
        w.setText("txtCustPhone", "8888");
        QVERIFY(!w.form.GetCustomerInfo(1)); // nobody chosen
        QVERIFY(w.text("txtCustAccount").isEmpty());
        m_prompter->choices << QVariant(int(second));
        QVERIFY(w.form.GetCustomerInfo(1));
        QCOMPARE(w.texts({"txtCustAccount", "txtCustAddress"}), (QStringList{"602", "西街3号"}));
        QCOMPARE(m_prompter->requests.size(), 2);
        for (const Prompt::Request &request : m_prompter->requests)
            QVERIFY(request.kind == Prompt::Kind::SelectCustomer);
    }

    void branchUserSeesOwnStationOnly()
    {
        gIsHeadStation = false;
        gStationID = qint16(m_east);
        addCustomer(701, "1", "总站街1号");
        addCustomer(702, "2", "东站街2号", m_east);
        SaleWindow w;
        QVERIFY(!w.get<QComboBox>("cmbStation")->isEnabled());
        QCOMPARE(w.chosen("cmbStation"), m_east);
        QCOMPARE(w.get<QComboBox>("cmbSender")->count(), 1);
        QCOMPARE(w.get<QComboBox>("cmbSender")->itemData(0).toLongLong(), m_eastSender);
        w.lookUp("txtCustAccount", "701");
        QCOMPARE(m_prompter->texts(), QStringList{NoSuchAccount});
        w.lookUp("txtCustAccount", "702");
        QCOMPARE(w.text("txtCustAddress"), QStringLiteral("东站街2号"));
    }

    void addressList_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("listed");

        QTest::newRow("part of an address") << "1"
                                            << "东街1" << QStringList{"东街12号", "东街1号"};
        QTest::newRow("searching off") << "0"
                                       << "东街1" << QStringList();
        QTest::newRow("percent sign") << "1"
                                      << "%" << QStringList();
        QTest::newRow("underscore") << "1"
                                    << "街_" << QStringList();
    }

    void addressList()
    {
        QFETCH(QString, setting);
        QFETCH(QString, typed);
        QFETCH(QStringList, listed);
        QVERIFY(mDatabase::SetSysValue("SearchAddress", setting));
        for (const char *address : {"东街1号", "东街12号", "西街3号"})
            addCustomer(1, QString(), QString::fromUtf8(address));
        addCustomer(2, QString(), "东街19号", 1, '0');

        SaleWindow w;
        type(w.get("txtCustAddress"), typed);
        QCOMPARE(w.text("txtCustAddress"), typed);
        QCOMPARE(w.listShown(), !listed.isEmpty());
        if (!listed.isEmpty())
            QCOMPARE(w.listed(), listed);
    }

    void programFillsNeverShowAddressList()
    {
        addCustomer(801, "1", "东街1号");
        addCustomer(802, "2", "东街12号");
        const qint64 sale = storeSale("东街1号");
        QVERIFY(sale);

        SaleWindow w;
        type(w.get("txtCustAddress"), "东");
        QVERIFY(w.listShown()); // typing does show it
        w.form.ResetInput();
        QVERIFY(!w.listShown());
        w.lookUp("txtCustAccount", "801");
        QCOMPARE(w.text("txtCustAddress"), QStringLiteral("东街1号"));
        QVERIFY(!w.listShown());
        SaleWindow edit(frmSale::Edit, sale);
        QCOMPARE(edit.text("txtCustAddress"), QStringLiteral("东街1号"));
        QVERIFY(!edit.listShown());
    }

    void incomingCall()
    {
        addCustomer(901, "13900000009", "西街3号");
        SaleWindow w;
        QVERIFY(w.enter(0, m_plain));
        w.form.takeIncomingCall("13900000009");
        QCOMPARE(w.texts({"txtCustPhone", "txtCustAccount", "txtCustAddress"}),
            (QStringList{"13900000009", "901", "西街3号"}));
        QVERIFY(w.cell(0, ProductCell).isEmpty());

        SaleWindow edit(frmSale::Edit, storeSale("南街5号"));
        QVERIFY(edit.loaded);
        edit.form.takeIncomingCall("13900000009");
        QCOMPARE(edit.texts({"txtCustPhone", "txtCustAddress"}),
            (QStringList{"13500000000", "南街5号"}));
    }

    // ---- stored sales

    void editRewritesHeaderAndLines()
    {
        const qint64 sale = storeSale("南街5号");
        QVERIFY(sale);
        const QStringList before = storedLines(sale);
        QCOMPARE(before.size(), 4);
        {
            SaleWindow w(frmSale::Edit, sale);
            QVERIFY(w.loaded);
            QCOMPARE(w.texts({"txtCustAddress", "txtCustPhone", "txtCreateDate", "txtDetail",
                         "txtInMoney"}),
                (QStringList{"南街5号", "13500000000", DateText::shortDate(QDate::currentDate()),
                    "旧备注", "30"}));
            QCOMPARE(w.chosen("cmbSender"), m_sender);
            QCOMPARE((QStringList{
                         w.cell(0, ProductCell), w.cell(1, ProductCell), w.cell(2, ProductCell)}),
                (QStringList{id(m_water), id(m_plain), id(m_bottle)}));
            QCOMPARE(w.totals(), (QStringList{"6", "83.5", "3"}));
            for (const char *fixed :
                {"txtCustAccount", "txtCustPhone", "txtCustAddress", "txtCreateDate"})
                QVERIFY2(!w.get(fixed)->isEnabled(), fixed);
            w.save();
            QCOMPARE(w.form.result(), int(QDialog::Accepted));
            QCOMPARE(storedLines(sale), before);
        }
        SaleWindow w(frmSale::Edit, sale);
        QVERIFY(w.setCell(0, AmountCell, "4"));
        w.save();
        QCOMPARE(m_prompter->texts(), QStringList());
        QCOMPARE(count("Sale") + count("Customer"), 2);
        QCOMPARE(saleNumbers({"TotalAmount", "TotalMoney", "TotalContainer"}),
            (QStringList{"7", "96", "4"}));
        QCOMPARE(storedLines(sale),
            (QStringList{id(m_water) + " 12.5 4 50 0", id(m_bottle) + " 0 4 0 1",
                id(m_plain) + " 8 2 16 0", id(m_bottle) + " 30 1 30 0"}));
        QVERIFY(!SaleWindow(frmSale::Edit, sale + 1).loaded);
    }

    void viewSavesNothing()
    {
        const qint64 sale = storeSale("南街5号");
        SaleWindow w(frmSale::View, sale);
        QVERIFY(w.loaded);
        QVERIFY(!w.get<QPushButton>("btnSave")->isVisible());
        QVERIFY(!w.get<QPushButton>("btnSavePrint")->isVisible());
        QVERIFY(!w.setCell(0, AmountCell, "9"));
        w.setText("txtInMoney", "1");
        w.save(); // the button is only hidden: the click itself must store nothing
        QCOMPARE(saleNumbers({"InMoney"}), QStringList{"30"});
        QCOMPARE(storedLines(sale).size(), 4);
        QVERIFY(w.form.isVisible());
    }
};

QTEST_MAIN(tst_SaleForm)
#include "tst_saleform.moc"
