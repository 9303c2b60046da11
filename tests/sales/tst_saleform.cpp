#include "common/modalhelper.h"
#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "common/typing.h"
#include "datastore/currency.h"
#include "datastore/mdatabase.h"
#include "sales/frmcustomer.h"
#include "sales/frmsale.h"
#include "shell/datetext.h"
#include "shell/loginstate.h"
#include "shell/pickers.h"

#include <QComboBox>
#include <QCompleter>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLineEdit>
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
const QString WholeAmount = QStringLiteral("商品数量必须为整数，不能带小数！");
const QString BadAccount = QStringLiteral("所输入的客户编号不是有效的数字！");

QString notANumber(const QString &typed)
{
    return QStringLiteral("数据输入格式不正确， ") + typed + QStringLiteral(" 不是有效的数字！");
}

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

void type(QWidget *widget, const QString &text)
{
    typeText(widget, text);
}

// The sale window as the operator sees it, control by control.
struct SaleWindow {
    explicit SaleWindow(int mode = frmSale::New, qint64 saleId = 0)
    {
        form.mActionType = frmSale::ActionType(mode);
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
    // The address suggestions.
    QAbstractItemView *list() const { return get<QCompleter>("dtlCustomer")->popup(); }
    bool listShown() const { return list()->isVisible(); }
    QStringList listed() const
    {
        QStringList items;
        for (int row = 0; row < list()->model()->rowCount(); ++row)
            items << list()->model()->index(row, 0).data().toString();
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
    ScopedSession m_session{ScopedSession::headStation(3)};
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

    // Bottles go out whole: a decimal quantity is refused, not stored as a
    // line whose amount and money disagree.
    void decimalQuantityRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("2.5") << "2.5";
        QTest::newRow("3.5") << "3.5";
        QTest::newRow("0.1") << "0.1";
    }

    void decimalQuantityRefused()
    {
        QFETCH(QString, typed);
        SaleWindow w;
        w.setText("txtCustAddress", "南街5号");
        QVERIFY(w.enter(0, m_water, "2"));
        const QStringList before = w.rowCells(0);
        QVERIFY(!w.setCell(0, AmountCell, typed));
        QCOMPARE(m_prompter->texts(), QStringList{WholeAmount});
        QCOMPARE(m_prompter->requests.first().title, QStringLiteral("数量"));
        QCOMPARE(w.rowCells(0), before);
        // A whole number written with decimals is a whole number.
        QVERIFY(w.setCell(0, AmountCell, "3.00"));
        QCOMPARE(w.totals(), (QStringList{"3", "37.5", "3"}));
        w.save();
        QCOMPARE(saleNumbers({"TotalAmount", "TotalMoney"}), (QStringList{"3", "37.5"}));
        for (const QString &line : storedLines(lastSaleID()))
            QCOMPARE(line.section(' ', 2, 2), QStringLiteral("3"));
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
        QTest::newRow("negative quantity") << true << 4 << "-2"
                                           << "商品数量不能为负数！"
                                           << "数量";
        QTest::newRow("negative price") << true << 3 << "-5"
                                        << "商品价格不能为负数！"
                                        << "价格";
        QTest::newRow("decimal comma in price") << true << 3 << "1,5" << BadPrice << "价格";
        QTest::newRow("price beyond the money words")
            << true << 3 << "100000000" << notANumber("100000000") << "错误";
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
        QCOMPARE(w.texts(history), (QStringList{"2", "5", "62.50", "2", "7.50"}));
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
        const ScopedSession branch(ScopedSession::atBranch(qint16(m_east)));
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
            // A long remark shows its start, not its end.
            QCOMPARE(w.get("txtDetail")->cursorPosition(), 0);
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

    // ---- numbers that never wrap

    void numbersOutOfRangeRefused_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::newRow("quantity beyond 32 bits") << int(AmountCell) << "2147483648";
        QTest::newRow("eleven-digit quantity") << int(AmountCell) << "99999999999";
        QTest::newRow("huge quantity") << int(AmountCell) << "922337203685477";
        QTest::newRow("twenty digits") << int(AmountCell) << "99999999999999999999";
        QTest::newRow("price beyond money") << int(PriceCell) << "922337203685479";
        QTest::newRow("price of twenty digits") << int(PriceCell) << "99999999999999999999";
    }

    void numbersOutOfRangeRefused()
    {
        QFETCH(int, column);
        QFETCH(QString, typed);
        SaleWindow w;
        w.setText("txtCustAddress", "南街5号");
        QVERIFY(w.enter(0, m_water, "2"));
        const QStringList before = w.rowCells(0);
        QVERIFY(!w.setCell(0, column, typed));
        QCOMPARE(m_prompter->texts(), QStringList{notANumber(typed)});
        QCOMPARE(m_prompter->requests.first().title, QStringLiteral("错误"));
        QCOMPARE(w.rowCells(0), before);
        QCOMPARE(w.totals(), (QStringList{"2", "25", "2"}));
    }

    // Each line fits, their product or sum does not: refused at the cell
    // that would overflow, and nothing wrapped is ever stored.
    void productsAndSumsOutOfRangeRefused()
    {
        SaleWindow w;
        w.setText("txtCustAddress", "南街5号");
        QVERIFY(w.enter(0, m_plain, "10000"));
        // 922337203685 × 10000 is beyond what the money words can say.
        QVERIFY(!w.setCell(0, PriceCell, "922337203685"));
        QVERIFY(w.setCell(0, PriceCell, "0.04"));
        QVERIFY(!w.setCell(0, AmountCell, "2000000000000"));
        QVERIFY(w.setCell(0, AmountCell, "2147483647"));
        QCOMPARE(w.text("txtTotalAmount"), QStringLiteral("2147483647"));
        // A second line would take the quantity past 32 bits.
        QVERIFY(!w.enter(1, m_plain));
        QCOMPARE(w.text("txtTotalAmount"), QStringLiteral("2147483647"));
        QCOMPARE(w.cell(1, ProductCell), QString());
        QVERIFY(w.setCell(0, AmountCell, "2147483646"));
        QVERIFY(w.enter(1, m_plain));
        QVERIFY(!w.setCell(1, AmountCell, "2"));
        QCOMPARE(m_prompter->texts(),
            (QStringList{notANumber("922337203685"), notANumber("2000000000000"),
                notANumber(id(m_plain)), notANumber("2")}));
        QCOMPARE(w.totals(), (QStringList{"2147483647", "85899353.84", "0"}));
        w.save();
        QCOMPARE(
            saleNumbers({"TotalAmount", "TotalMoney"}), (QStringList{"2147483647", "85899353.84"}));

        // Money near the top adds up to what the money words say, or not at all.
        SaleWindow big;
        big.setText("txtCustAddress", "南街6号");
        QVERIFY(big.enter(0, m_plain));
        QVERIFY(big.setCell(0, PriceCell, "99999991.99"));
        QVERIFY(big.enter(1, m_plain));
        QCOMPARE(big.text("txtTotalMoney"), QStringLiteral("99999999.99"));
        m_prompter->clear();
        QVERIFY(!big.setCell(1, PriceCell, "8.01"));
        QCOMPARE(m_prompter->texts(), QStringList{notANumber("8.01")});
        QCOMPARE(big.text("txtTotalMoney"), QStringLiteral("99999999.99"));
    }

    // ---- text boxes hold what their columns hold

    void textBoxesLimitedToColumns()
    {
        SaleWindow w;
        const QString longText(300, QLatin1Char('a'));
        for (const auto &[name, size] : {std::pair{"txtCustAddress", 200},
                 std::pair{"txtCustPhone", 50}, std::pair{"txtDetail", 255}}) {
            QLineEdit *edit = w.get(name);
            QCOMPARE(edit->maxLength(), size);
            edit->clear();
            QTest::keyClicks(edit, longText.left(size + 5));
            QCOMPARE(edit->text().size(), size);
        }
        w.get("txtCustAddress")->setText(QString(200, QChar(0x4e1c))); // 东 × 200
        w.setText("txtCustPhone", QString(50, QLatin1Char('9')));
        QVERIFY(w.enter(0, m_plain));
        w.save();
        QCOMPARE(m_prompter->texts(), QStringList());
        const Recordset customer = rows("select * from Customer");
        QCOMPARE(customer.value(0, "Address").toString(), QString(200, QChar(0x4e1c)));

        frmCustomer form;
        form.mActionType = frmCustomer::New;
        form.Load();
        for (const auto &[name, size] : {std::pair{"txtName", 50}, std::pair{"txtAddress", 200},
                 std::pair{"txtPhone", 50}, std::pair{"txtDetail", 255}}) {
            auto *edit = form.findChild<QLineEdit *>(QLatin1String(name));
            QVERIFY2(edit, name);
            QCOMPARE(edit->maxLength(), size);
        }
    }

    // ---- editing keeps what the drop-downs no longer offer

    void editKeepsStoredSenderAndStation()
    {
        const qint64 sale = storeSale("南街5号");
        QVERIFY(sale);
        QVERIFY(mDatabase::ExecuteSQL(QStringLiteral("update Sale set SenderID=%1, StationID=%2")
                                          .arg(id(m_eastSender), id(m_east))));
        // The delivery person and the station are suspended since.
        QVERIFY(mDatabase::ExecuteSQL("update Sender set Status='0' where ID=" + id(m_eastSender)));
        QVERIFY(mDatabase::ExecuteSQL("update Station set Status='0' where ID=" + id(m_east)));
        {
            SaleWindow w(frmSale::Edit, sale);
            QCOMPARE(w.chosen("cmbSender"), m_eastSender);
            QCOMPARE(w.get<QComboBox>("cmbSender")->currentText(), QStringLiteral("小张"));
            QCOMPARE(w.chosen("cmbStation"), m_east);
            w.setText("txtDetail", "改了备注");
            w.save();
            QCOMPARE(m_prompter->texts(), QStringList());
        }
        Recordset stored = rows("select * from Sale where ID=" + id(sale));
        QCOMPARE(stored.value(0, "SenderID").toLongLong(), m_eastSender);
        QCOMPARE(stored.value(0, "StationID").toLongLong(), m_east);
        QCOMPARE(field(stored, "Detail"), QStringLiteral("改了备注"));

        // A branch operator's list lacks the head station's delivery person.
        const ScopedSession branch(ScopedSession::atBranch(qint16(m_east)));
        QVERIFY(mDatabase::ExecuteSQL("update Sender set Status='1' where ID=" + id(m_eastSender)));
        QVERIFY(mDatabase::ExecuteSQL("update Sale set SenderID=" + id(m_sender)));
        {
            SaleWindow w(frmSale::Edit, sale);
            QCOMPARE(w.chosen("cmbSender"), m_sender);
            w.save();
        }
        QCOMPARE(rows("select * from Sale").value(0, "SenderID").toLongLong(), m_sender);
        // Unless the operator picks another.
        {
            SaleWindow w(frmSale::Edit, sale);
            w.choose("cmbSender", m_eastSender);
            w.save();
        }
        QCOMPARE(rows("select * from Sale").value(0, "SenderID").toLongLong(), m_eastSender);
    }

    // ---- checks that run on every exit

    void checksRunAfterARefusal()
    {
        addCustomer(501, "0571-8", "东街1号");
        SaleWindow w;
        QApplication::setActiveWindow(&w.form);
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        // As a message box would: it takes the focus while it is shown and
        // gives the window back when it closes.
        m_prompter->onPrompt = [&w](const Prompt::Request &) {
            QWidget box;
            box.show();
            QApplication::setActiveWindow(&box);
            QCoreApplication::processEvents();
            box.close();
            QApplication::setActiveWindow(&w.form);
            QCoreApplication::processEvents();
        };
        QLineEdit *account = w.get("txtCustAccount");
        auto leave = [&](QLineEdit *edit, const QString &text) {
            edit->setFocus();
            QApplication::setActiveWindow(&w.form);
            QTRY_VERIFY(edit->hasFocus());
            edit->selectAll();
            QTest::keyClicks(edit, text);
            QTest::keyClick(edit, Qt::Key_Tab);
            QApplication::setActiveWindow(&w.form);
            QTest::qWait(20);
        };
        leave(account, "x");
        QCOMPARE(m_prompter->texts(), QStringList{BadAccount});
        QTRY_VERIFY(account->hasFocus());
        leave(account, "501");
        QCOMPARE(w.text("txtCustName"), QStringLiteral("客户501"));
        QCOMPARE(m_prompter->texts(), QStringList{BadAccount});
        leave(account, "9999");
        QCOMPARE(m_prompter->texts(), (QStringList{BadAccount, NoSuchAccount}));
        QVERIFY(account->text().isEmpty());

        m_prompter->clear();
        QLineEdit *date = w.get("txtCreateDate");
        const QString badDate = QStringLiteral(" 不是有效的日期！");
        leave(date, "13-45-2026");
        QCOMPARE(m_prompter->texts(),
            QStringList{QStringLiteral("数据输入格式不正确， 13-45-2026") + badDate});
        QTRY_VERIFY(date->hasFocus());
        leave(date, "99-99-2026");
        QCOMPARE(m_prompter->texts().size(), 2);
        QCOMPARE(m_prompter->texts().last(),
            QStringLiteral("数据输入格式不正确， 99-99-2026") + badDate);
        leave(date, "12-07-2026");
        QCOMPARE(m_prompter->texts().size(), 2);
    }

    void historyFailureFailsTheLookup()
    {
        addCustomer(501, "0571-8", "东街1号");
        SaleWindow w;
        QVERIFY(mDatabase::ExecuteSQL("drop table Sale"));
        w.setText("txtCustAccount", "501");
        QVERIFY(!w.form.GetCustomerInfo(0));
        QVERIFY(m_prompter->texts().contains(QStringLiteral("查找客户信息时出现错误！")));
    }

    // ---- Escape

    void escapeClosesTheListFirstAndAsksBeforeDiscarding()
    {
        QVERIFY(mDatabase::SetSysValue("SearchAddress", "1"));
        addCustomer(501, "1", "东街1号");
        SaleWindow w;
        QLineEdit *address = w.get("txtCustAddress");
        type(address, "东");
        QVERIFY(w.listShown());
        QTest::keyClick(address, Qt::Key_Escape);
        QVERIFY(!w.listShown());
        QVERIFY(w.form.isVisible());
        QCOMPARE(m_prompter->texts(), QStringList());

        // Typed input: the question defaults to keeping it.
        QTest::keyClick(address, Qt::Key_Escape);
        QCOMPARE(m_prompter->requests.size(), 1);
        QCOMPARE(m_prompter->requests.first().defaultButton, int(Prompt::No));
        QVERIFY(w.form.isVisible());
        m_prompter->answers << Prompt::Yes;
        QTest::keyClick(address, Qt::Key_Escape);
        QVERIFY(!w.form.isVisible());
        QCOMPARE(w.form.result(), int(QDialog::Rejected));
        QCOMPARE(count("Sale"), 0);

        // Nothing typed: Escape closes without a question.
        SaleWindow empty;
        m_prompter->clear();
        QTest::keyClick(empty.get("txtCustAccount"), Qt::Key_Escape);
        QVERIFY(!empty.form.isVisible());
        QCOMPARE(m_prompter->texts(), QStringList());
    }

    // ---- keyboard entry of products

    void productByKeys()
    {
        const qint64 bottled = addProduct("550毫升纯净水", "1.5", '0', 0);
        const qint64 bigBottle = addProduct("5升纯净水", "6", '0', 0);
        SaleWindow w;
        QApplication::setActiveWindow(&w.form);
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        auto *grid = w.get<QTableView>("dbgDetail");
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, ProductCell));
        // The open one: a closed editor lingers until it is deleted.
        auto editor = [&]() -> QComboBox * {
            for (QComboBox *combo : grid->findChildren<QComboBox *>(QStringLiteral("dbdProduct")))
                if (combo->isVisible())
                    return combo;
            return nullptr;
        };
        auto enter = [] {
            QCoreApplication::processEvents();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCoreApplication::processEvents();
        };

        // A part of a name that one product has, then one Enter.
        QTest::keyClicks(grid, "550");
        QVERIFY(editor());
        enter();
        QCOMPARE(m_prompter->texts(), QStringList());
        QCOMPARE(w.cell(0, ProductCell), id(bottled));
        QCOMPARE(w.cell(0, 1), QStringLiteral("550毫升纯净水"));
        QCOMPARE(grid->currentIndex().column(), int(PriceCell)); // on to the price
        enter(); // price
        enter(); // quantity: on to the next line's product

        // The number of a product picks it with one Enter.
        QTRY_VERIFY(editor());
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, ProductCell));
        type(editor(), id(m_plain));
        enter();
        QCOMPARE(w.cell(1, ProductCell), id(m_plain));
        QCOMPARE(w.cell(1, PriceCell), QStringLiteral("8"));
        enter();
        enter();

        // A part several names share opens the list of just those.
        QTRY_VERIFY(editor());
        QComboBox *combo = editor();
        type(combo, "纯净水");
        enter();
        QCOMPARE(m_prompter->texts(), QStringList());
        QTRY_VERIFY(combo->view()->isVisible());
        int shown = 0;
        auto *list = qobject_cast<QTableView *>(combo->view());
        QVERIFY(list);
        for (int row = 0; row < combo->count(); ++row)
            shown += list->isRowHidden(row) ? 0 : 1;
        QCOMPARE(shown, 3); // 纯净水, 550毫升纯净水, 5升纯净水
        // Down and Enter in the list: the cell gets the number only.
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_COMPARE(w.cell(2, ProductCell), id(bigBottle));
        QCOMPARE(w.cell(2, 1), QStringLiteral("5升纯净水"));
        QCOMPARE(m_prompter->texts(), QStringList());

        // The same number typed again refills price and quantity.
        QVERIFY(w.setCell(1, PriceCell, "20"));
        QVERIFY(w.setCell(1, AmountCell, "3"));
        QVERIFY(w.setCell(1, ProductCell, id(m_plain)));
        QCOMPARE(w.rowCells(1).mid(3, 3), (QStringList{"8", "1", "8"}));

        // Nothing by that name: the product message, the line unchanged.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCoreApplication::processEvents();
        grid->setCurrentIndex(grid->model()->index(1, ProductCell));
        grid->edit(grid->currentIndex());
        QTRY_VERIFY(editor());
        editor()->clearEditText();
        type(editor(), "咖啡");
        enter();
        QCOMPARE(m_prompter->texts(), QStringList{UnknownProduct});
        QCOMPARE(w.cell(1, ProductCell), id(m_plain));
    }

    void productListHasFourHeadedColumns()
    {
        SaleWindow w;
        auto *grid = w.get<QTableView>("dbgDetail");
        grid->setCurrentIndex(grid->model()->index(0, ProductCell));
        grid->edit(grid->currentIndex());
        auto *combo = grid->findChild<QComboBox *>(QStringLiteral("dbdProduct"));
        QVERIFY(combo);
        QAbstractItemModel *products = combo->model();
        QCOMPARE(products->columnCount(), 4);
        QStringList headings;
        for (int c = 0; c < 4; ++c)
            headings << products->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headings, (QStringList{"产品编号", "产品名称", "单位", "价格"}));
        QCOMPARE(products->rowCount(), 3); // the active products
        QVERIFY(!qobject_cast<QTableView *>(combo->view())->horizontalHeader()->isHidden());
        int waterRow = combo->findData(m_water, Qt::UserRole);
        QVERIFY(waterRow >= 0);
        QCOMPARE(products->index(waterRow, 1).data().toString(), QStringLiteral("纯净水"));
        QCOMPARE(products->index(waterRow, 3).data().toString(), QStringLiteral("12.50"));
    }

    // ---- the customer keys

    void enterInEmptyAccountGoesToLines()
    {
        SaleWindow w;
        QApplication::setActiveWindow(&w.form);
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        QLineEdit *account = w.get("txtCustAccount");
        account->setFocus();
        QTRY_VERIFY(account->hasFocus());
        QTest::keyClick(account, Qt::Key_Return);
        QTRY_VERIFY(w.get<QTableView>("dbgDetail")->hasFocus());
        QCOMPARE(m_prompter->texts(), QStringList());
    }

    // Enter walks the form the way the operator reads it: an empty product
    // line leaves the grid, 送水工 goes on to 运费.
    void enterMovesOn_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("empty product line") << "dbgDetail"
                                            << "txtOutAmount";
        QTest::newRow("delivery person") << "cmbSender"
                                         << "txtTransferFee";
    }
    void enterMovesOn()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        SaleWindow w;
        QApplication::setActiveWindow(&w.form);
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        auto *start = w.form.findChild<QWidget *>(from);
        start->setFocus();
        QTRY_VERIFY(start->hasFocus());
        // In the grid the first Enter opens the product cell, the second
        // leaves it empty.
        for (int i = 0; i < (from == QLatin1String("dbgDetail") ? 2 : 1); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(QApplication::focusWidget()->objectName(), to);
        QCOMPARE(m_prompter->texts(), QStringList());
    }

    // After 保存 the served customer's account stays; the next caller's
    // number must neither run on from his phone nor land on him.
    void nextCallerByKeys()
    {
        QVERIFY(mDatabase::SetSysValue("SearchAddress", "0"));
        const qint64 served = addCustomer(501, "86120548", "东街1号");
        SaleWindow w;
        QApplication::setActiveWindow(&w.form);
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        QLineEdit *account = w.get("txtCustAccount");
        QLineEdit *phone = w.get("txtCustPhone");
        QLineEdit *address = w.get("txtCustAddress");
        QTRY_VERIFY(account->hasFocus());
        QTest::keyClicks(account, "501");
        QTest::keyClick(account, Qt::Key_Return);
        QCOMPARE(address->text(), QStringLiteral("东街1号"));
        QVERIFY(w.enter(0, m_plain));
        w.save();
        QCOMPARE(count("Sale"), 1);
        QTRY_VERIFY(account->hasFocus());
        QCOMPARE(account->text(), QStringLiteral("501"));

        // Tab to the phone: the kept account brings the customer back, and
        // the number typed replaces his phone on the screen.
        QTest::keyClick(account, Qt::Key_Tab);
        QTRY_COMPARE(phone->text(), QStringLiteral("86120548"));
        QTRY_VERIFY(phone->hasFocus() && phone->selectedText() == phone->text());
        QTest::keyClicks(phone, "5551111");
        QCOMPARE(phone->text(), QStringLiteral("5551111"));
        // Nobody has it: nothing of the previous customer stays.
        QTest::keyClick(phone, Qt::Key_Return);
        QCOMPARE(w.texts({"txtCustAccount", "txtCustAddress", "txtCustName", "txtHistoryTimes"}),
            (QStringList{"", "", "", "0"}));
        QVERIFY(!w.get<QPushButton>("btnSave")->isEnabled());

        address->setFocus();
        type(address, "西街9号");
        QTest::keyClick(address, Qt::Key_Return);
        QCOMPARE(phone->text(), QStringLiteral("5551111"));
        QVERIFY(w.enter(0, m_plain));
        w.save();
        QCOMPARE(count("Sale"), 2);

        QCOMPARE(field(rows("select Phone from Customer where ID=" + id(served)), "Phone"),
            QStringLiteral("86120548"));
        const Recordset caller = rows("select * from Customer where Address='西街9号'");
        QCOMPARE(field(caller, "Phone"), QStringLiteral("5551111"));
        QCOMPARE(rows("select CustomerID from Sale where ID=" + id(lastSaleID()))
                     .value(0, "CustomerID")
                     .toLongLong(),
            caller.value(0, "ID").toLongLong());
        QCOMPARE(m_prompter->texts(), QStringList());
    }

    // A number typed before the customer is found is the customer's new
    // phone; one shown for another customer never is.
    void typedPhoneGoesToTheCustomerFoundAfter()
    {
        QVERIFY(mDatabase::SetSysValue("SearchAddress", "0"));
        const qint64 known = addCustomer(502, "86120548", "东街1号");
        const qint64 other = addCustomer(503, "13700000000", "北街2号");
        SaleWindow w;
        QApplication::setActiveWindow(&w.form);
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        QLineEdit *phone = w.get("txtCustPhone");
        QLineEdit *address = w.get("txtCustAddress");
        // Another customer first, then the caller's own address.
        w.lookUp("txtCustAccount", "503");
        QCOMPARE(phone->text(), QStringLiteral("13700000000"));
        address->setFocus();
        address->selectAll();
        type(address, "东街1号");
        QTest::keyClick(address, Qt::Key_Return);
        QCOMPARE(w.text("txtCustAccount"), QStringLiteral("502"));
        QCOMPARE(phone->text(), QStringLiteral("86120548"));

        // The next call: a number nobody has, then the address.
        w.get<QPushButton>("btnReset")->click();
        w.lookUp("txtCustPhone", "13900000000");
        QCOMPARE(w.texts({"txtCustAccount", "txtCustAddress", "txtCustName"}),
            (QStringList{"", "", ""}));
        address->setFocus();
        type(address, "东街1号");
        QTest::keyClick(address, Qt::Key_Return);
        QCOMPARE(w.text("txtCustAccount"), QStringLiteral("502"));
        QCOMPARE(phone->text(), QStringLiteral("13900000000"));
        QVERIFY(w.enter(0, m_plain));
        w.save();
        QCOMPARE(count("Sale"), 1);
        QCOMPARE(field(rows("select Phone from Customer where ID=" + id(known)), "Phone"),
            QStringLiteral("13900000000"));
        QCOMPARE(field(rows("select Phone from Customer where ID=" + id(other)), "Phone"),
            QStringLiteral("13700000000"));
    }

    // 新开户 for an unknown caller: once stored, the order goes on with the
    // new customer.
    void newCustomerComesBackToTheSale()
    {
        SaleWindow w;
        w.lookUp("txtCustPhone", "5552222");
        w.setText("txtCustAddress", "南街7号");
        bool openAfterSave = true;
        whenModal(
            [&](QWidget *modal) {
                auto *name = modal->findChild<QLineEdit *>("txtName");
                name->setFocus();
                type(name, "王五");
                modal->findChild<QPushButton *>("btnSave")->click();
                openAfterSave = modal->isVisible();
                if (openAfterSave)
                    modal->close();
            },
            &w.form);
        w.get<QPushButton>("btnAddCustomer")->click();
        QVERIFY(!openAfterSave);
        QCOMPARE(w.texts({"txtCustName", "txtCustAddress", "txtCustPhone"}),
            (QStringList{"王五", "南街7号", "5552222"}));
        const Recordset added = rows("select * from Customer where Address='南街7号'");
        QCOMPARE(added.recordCount(), 1);
        QCOMPARE(w.text("txtCustAccount"), field(added, "Account"));
        QVERIFY(w.enter(0, m_plain));
        w.save();
        QCOMPARE(rows("select CustomerID from Sale").value(0, "CustomerID").toLongLong(),
            added.value(0, "ID").toLongLong());
    }

    void emptiedAddressListsEveryAddress()
    {
        QVERIFY(mDatabase::SetSysValue("SearchAddress", "1"));
        for (const char *address : {"东街1号", "西街3号"})
            addCustomer(1, QString(), QString::fromUtf8(address));
        SaleWindow w;
        QLineEdit *address = w.get("txtCustAddress");
        type(address, "东");
        QCOMPARE(w.listed(), QStringList{"东街1号"});
        QTest::keyClick(address, Qt::Key_Backspace);
        QVERIFY(w.listShown());
        QCOMPARE(w.listed(), (QStringList{"东街1号", "西街3号"}));

        // The setting is read again each time the window opens.
        QVERIFY(mDatabase::SetSysValue("SearchAddress", "0"));
        SaleWindow off;
        type(off.get("txtCustAddress"), "东");
        QVERIFY(!off.listShown());
    }

    // ---- what the window shows

    void formats()
    {
        const qint64 cheap = addProduct("小瓶水", "0.5", '0', 0);
        SaleWindow w;
        QCOMPARE(w.text("txtCreateDate"), QDate::currentDate().toString("MM-dd-yyyy"));
        QVERIFY(w.enter(0, cheap));
        QCOMPARE(w.grid()->index(0, MoneyCell).data().toString(), QStringLiteral("￥.50"));
        QVERIFY(w.setCell(0, AmountCell, "2469"));
        QCOMPARE(w.grid()->index(0, MoneyCell).data().toString(), QStringLiteral("￥1,234.50"));
        QCOMPARE(w.totals(), (QStringList{"2469", "1234.5", "0"}));

        const qint64 sale = storeSale("南街5号");
        SaleWindow edit(frmSale::Edit, sale);
        QCOMPARE(edit.text("txtCreateDate"), DateText::shortDate(QDate::currentDate()));
        QAbstractItemModel *history = edit.get<QTableView>("dbgHistory")->model();
        QCOMPARE(history->rowCount(), 1);
        QCOMPARE(history->index(0, 1).data().toString(), DateText::shortDate(QDate::currentDate()));
        QCOMPARE(history->index(0, 3).data().toString(), QStringLiteral("83.50"));
        QCOMPARE(history->index(0, 5).data().toString(), QStringLiteral("53.50"));
    }

    void viewLooksReadOnly()
    {
        const qint64 sale = storeSale("南街5号");
        SaleWindow w(frmSale::View, sale);
        QVERIFY(w.loaded);
        for (QLineEdit *edit : w.form.findChildren<QLineEdit *>())
            QVERIFY2(!edit->isEnabled() || edit->isReadOnly(), qPrintable(edit->objectName()));
        for (QComboBox *combo : w.form.findChildren<QComboBox *>())
            QVERIFY2(!combo->isEnabled(), qPrintable(combo->objectName()));
        auto *grid = w.get<QTableView>("dbgDetail");
        QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 6; ++column)
                QVERIFY(!(grid->model()->index(row, column).flags() & Qt::ItemIsEditable));
        // The editable columns look like the others.
        QCOMPARE(grid->model()->index(0, AmountCell).data(Qt::BackgroundRole),
            grid->model()->index(0, 1).data(Qt::BackgroundRole));
        QVERIFY(w.get<QPushButton>("btnExit")->isVisible());
    }

    // At 150 % on a 1366×768 screen a window gets 910×512 logical pixels,
    // less the title bar and the task bar.
    void fitsAScaledSmallScreen()
    {
        SaleWindow w;
        const QSize room(1366 * 2 / 3, 768 * 2 / 3 - 60);
        const QSize least = w.form.minimumSizeHint();
        QVERIFY2(least.width() <= room.width() && least.height() <= room.height(),
            qPrintable(QStringLiteral("%1x%2").arg(least.width()).arg(least.height())));
        w.form.resize(room);
        QCoreApplication::processEvents();
        QCOMPARE(w.form.size(), room);
        for (const char *name : {"btnSave", "btnSavePrint", "btnReset", "btnExit"}) {
            auto *b = w.get<QPushButton>(name);
            const QRect inForm(b->mapTo(&w.form, QPoint(0, 0)), b->size());
            QVERIFY2(w.form.rect().contains(inForm), name);
        }
    }

    // ---- the customer form

    void customerEditShowsFixedFieldsAsWindow()
    {
        const qint64 customer = addCustomer(501, "1", "东街1号");
        frmCustomer form;
        form.mActionType = frmCustomer::Edit;
        form.mCurID = int(customer);
        form.Load();
        const QColor window = form.palette().color(QPalette::Window);
        for (const char *name : {"txtAccount", "txtCreateDate"}) {
            auto *edit = form.findChild<QLineEdit *>(QLatin1String(name));
            QVERIFY2(!edit->isEnabled(), name);
            QCOMPARE(edit->palette().color(QPalette::Disabled, QPalette::Base), window);
            QCOMPARE(edit->palette().color(QPalette::Active, QPalette::Base), window);
        }
        auto *address = form.findChild<QLineEdit *>(QStringLiteral("txtAddress"));
        QVERIFY(address->palette().color(QPalette::Base) != window);
    }
};

QTEST_MAIN(tst_SaleForm)
#include "tst_saleform.moc"
