#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "common/typing.h"
#include "datastore/mdatabase.h"
#include "shell/loginstate.h"
#include "stock/frmstore.h"
#include "stock/storewriter.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using mDatabase::ExecuteSQL;
using mDatabase::OpenRecordset;

namespace {

enum { ProductCell = 0, NameCell = 1, PriceCell = 3, AmountCell = 4, MoneyCell = 5 };

const QString UnknownProduct = QStringLiteral("产品编号不存在或已被禁用，请重新输入!");

QString id(qint64 value)
{
    return QString::number(value);
}

// A stored number as plain text: "2", "12.5".
QString num(const QVariant &value)
{
    return Currency::fromVariant(value).toSqlText();
}

qint64 addProduct(const QString &name, const QString &price, char status = '1')
{
    return mDatabase::InsertAndGetID(
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer,ContainerID) "
                       "values(%1,'桶',%2,'%3','0',0)")
            .arg(mDatabase::SqlStr(name), price, QString(QLatin1Char(status))));
}

// "product price amount money" of each stored line of a document, in order.
QStringList storedLines(qint64 storeId)
{
    const auto rs = OpenRecordset(
        QStringLiteral("select * from Store_detail where StoreID=%1 order by ID").arg(storeId));
    QStringList lines;
    for (int row = 0; rs && row < rs->recordCount(); ++row)
        lines << QStringList{id(rs->value(row, QStringLiteral("ProductID")).toLongLong()),
            num(rs->value(row, QStringLiteral("Price"))),
            num(rs->value(row, QStringLiteral("MyAmount"))),
            num(rs->value(row, QStringLiteral("MyMoney")))}
                     .join(QLatin1Char(' '));
    return lines;
}

QString storedField(qint64 storeId, const QString &field)
{
    const auto rs = OpenRecordset(QStringLiteral("select * from Store where ID=%1").arg(storeId));
    return rs && !rs->isEmpty() ? rs->value(0, field).toString().trimmed() : QString();
}

qint64 lastStoreID()
{
    const auto rs = OpenRecordset(QStringLiteral("select max(ID) as id from Store"));
    return rs ? rs->value(0, QStringLiteral("id")).toLongLong() : 0;
}

void type(QWidget *widget, const QString &text)
{
    typeText(widget, text);
}

// The stock document form as the operator sees it.
struct StoreWindow {
    explicit StoreWindow(int mode = frmStore::New, qint64 storeId = 0)
    {
        form.mActionType = frmStore::ActionType(mode);
        form.mCurID = storeId;
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
    QAbstractItemModel *grid() const { return get<QTableView>("dbgDetail")->model(); }
    bool setCell(int row, int column, const QString &value)
    {
        return grid()->setData(grid()->index(row, column), value);
    }
    QString cell(int row, int column) const
    {
        return grid()->index(row, column).data(Qt::EditRole).toString();
    }
    bool enter(int row, qint64 product, const QString &amount = QStringLiteral("1"))
    {
        return setCell(row, ProductCell, id(product))
            && (amount == QLatin1String("1") || setCell(row, AmountCell, amount));
    }
    QPushButton *saveButton() const { return get<QPushButton>("btnSave"); }
    void save() { saveButton()->click(); }
    void direction(int option)
    {
        get<QAbstractButton>(option == 0 ? "optType_0" : "optType_1")->click();
    }

    frmStore form;
    bool loaded = false;
};

// One workstation typing stock documents in the form at the same moment as
// another: every document holds this worker's product, quantity n, and the
// worker's number as its remark.
int runWorker(const QString &url, int worker, int documents)
{
    ConnectionTarget target;
    QString error;
    if (!ConnectionTarget::fromUrl(url, &target, &error)
        || !mDatabase::OpenConnection(target, &error)) {
        qWarning("%s", qPrintable(error));
        return 2;
    }
    ScriptedPrompter prompts;
    const qint64 product = worker == 1 ? 1 : 2;
    StoreWindow w;
    for (int n = 1; n <= documents; ++n) {
        w.get("txtDetail")->setText(QString::number(worker));
        w.get("txtPaperID")->setText(QStringLiteral("W%1-%2").arg(worker).arg(n));
        if (!w.enter(0, product, QString::number(n)))
            return 3;
        w.save();
        // Saved: the form is emptied for the next document.
        if (!w.cell(0, ProductCell).isEmpty() || !prompts.requests.isEmpty())
            return 4;
    }
    return 0;
}

QString workerUrl()
{
    const ConnectionTarget t = mDatabase::currentTarget();
    if (t.kind == SqlDialect::SQLite)
        return QStringLiteral("sqlite:") + t.host;
    return QStringLiteral("pgsql://%1:%2@%3:%4/%5")
        .arg(t.user, t.password, t.host, QString::number(t.port), t.database);
}

} // namespace

class tst_StoreForm : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void totalsRoundHalvesToEven_data();
    void totalsRoundHalvesToEven();
    void knownProductFillsTheRow();
    void cellChecks_data();
    void cellChecks();
    void saveButtonRule();
    void linesGrowBeyondThree();
    void newDocumentIsSavedAndTheFormEmptied();
    void otherStationKeepsItsOwnStation();
    void switchingDirectionRewritesLinesUnchanged();
    void generatedAndClosedAreShownOnly_data();
    void generatedAndClosedAreShownOnly();
    void missingDocumentIsNotShown();
    void editChangedElsewhereIsRefused();
    void failedSaveKeepsTheInput();
    void keyboardOnly();
    void concurrentWorkstations();

private:
    // A document as day closing or another workstation leaves it.
    qint64 addDocument(const char *handInput, const char *finishFlag);

    TestDatabase m_db;
    ScopedSession m_session{ScopedSession::headStation()};
    ScriptedPrompter *m_prompts = nullptr;
    qint64 m_water = 0;
    qint64 m_bottle = 0;
};

void tst_StoreForm::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
    m_water = addProduct(QStringLiteral("18.9升纯净水"), QStringLiteral("10"));
    m_bottle = addProduct(QStringLiteral("5升矿泉水"), QStringLiteral("6.5"));
    QVERIFY(m_water > 0 && m_bottle > 0);
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Station(Name,Status) values('城东水站','1')")));
}

void tst_StoreForm::cleanup()
{
    mDatabase::CloseConnection();
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

qint64 tst_StoreForm::addDocument(const char *handInput, const char *finishFlag)
{
    const qint64 storeId = mDatabase::InsertAndGetID(
        QStringLiteral(
            "insert into Store(PaperID,CreateDate,TotalAmount,TotalMoney,Detail,UserID,"
            "Direction,HandInput,FinishFlag,StationID) values ('G-1',%1,3,30,'日结',1,'1','%2',"
            "'%3',1)")
            .arg(mDatabase::dialect().dateLiteral(QDate(2026, 12, 1)),
                QString::fromLatin1(handInput), QString::fromLatin1(finishFlag)));
    if (storeId > 0)
        ExecuteSQL(QStringLiteral("insert into Store_detail(StoreID,ProductID,Price,MyAmount,"
                                  "MyMoney) values(%1,%2,10,3,30)")
                       .arg(id(storeId), id(m_water)));
    return storeId;
}

void tst_StoreForm::totalsRoundHalvesToEven_data()
{
    QTest::addColumn<QStringList>("amounts");
    QTest::newRow("1.5 and 2.5") << QStringList{"1.5", "2.5"};
    QTest::newRow("0.5 and 3.5") << QStringList{"0.5", "3.5"};
    QTest::newRow("whole") << QStringList{"3", "4"};
    QTest::newRow("halves with a whole") << QStringList{"2.5", "5"};
}

void tst_StoreForm::totalsRoundHalvesToEven()
{
    QFETCH(QStringList, amounts);
    StoreWindow w;
    qint64 expected = 0;
    Currency money;
    for (int row = 0; row < amounts.size(); ++row) {
        QVERIFY(w.enter(row, m_water, amounts[row]));
        // Halves to the even unit, worked out here from the typed text.
        Currency amount;
        QVERIFY(Currency::parse(amounts[row], &amount));
        const double whole = std::nearbyint(double(amount.units()) / Currency::Scale);
        expected += qint64(whole);
        money += Currency::fromInt(10).times(amount);
    }
    QCOMPARE(w.text("txtTotalAmount"), QString::number(expected));
    QCOMPARE(w.text("txtTotalMoney"), money.toSqlText());

    w.save();
    const qint64 saved = lastStoreID();
    QVERIFY(saved > 0);
    QCOMPARE(storedField(saved, QStringLiteral("TotalAmount")).toLongLong(), expected);
    const QStringList lines = storedLines(saved);
    QCOMPARE(lines.size(), amounts.size());
    qint64 storedSum = 0;
    for (int row = 0; row < lines.size(); ++row) {
        const qint32 units = lines[row].split(QLatin1Char(' ')).value(2).toInt();
        Currency amount;
        Currency::parse(amounts[row], &amount);
        QCOMPARE(units, qint32(std::nearbyint(double(amount.units()) / Currency::Scale)));
        storedSum += units;
    }
    QCOMPARE(storedSum, expected);
    QCOMPARE(m_prompts->texts(), QStringList());
}

void tst_StoreForm::knownProductFillsTheRow()
{
    StoreWindow w;
    QVERIFY(w.enter(0, m_bottle));
    QCOMPARE(w.cell(0, NameCell), QStringLiteral("5升矿泉水"));
    QCOMPARE(w.cell(0, 2), QStringLiteral("桶"));
    QCOMPARE(w.cell(0, PriceCell), QStringLiteral("6.5"));
    QCOMPARE(w.cell(0, AmountCell), QStringLiteral("1"));
    QCOMPARE(w.cell(0, MoneyCell), QStringLiteral("6.5"));
    // The money cell as shown: the sale lines' currency form.
    QCOMPARE(w.grid()->index(0, MoneyCell).data().toString(), QStringLiteral("￥6.50"));
    // The shown money is price × quantity, and what the totals add up.
    QVERIFY(w.setCell(0, AmountCell, QStringLiteral("4")));
    QCOMPARE(w.grid()->index(0, MoneyCell).data().toString(), QStringLiteral("￥26.00"));
    QCOMPARE(w.text("txtTotalMoney"), QStringLiteral("26"));
    // Emptying the product cell clears the whole row.
    QVERIFY(w.setCell(0, ProductCell, QString()));
    for (int c = 0; c < 6; ++c)
        QCOMPARE(w.cell(0, c), QString());
}

void tst_StoreForm::cellChecks_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    QTest::newRow("unknown product") << int(ProductCell) << "999" << UnknownProduct << "商品编号";
    QTest::newRow("product text") << int(ProductCell) << "水" << UnknownProduct << "商品编号";
    QTest::newRow("zero price") << int(PriceCell) << "0"
                                << "商品价格必须为数字，且不能为0！"
                                << "价格";
    QTest::newRow("price text") << int(PriceCell) << "abc"
                                << "商品价格必须为数字，且不能为0！"
                                << "价格";
    QTest::newRow("zero amount") << int(AmountCell) << "0"
                                 << "商品数量必须为数字，且不能为0！"
                                 << "数量";
    QTest::newRow("amount text") << int(AmountCell) << "x"
                                 << "商品数量必须为数字，且不能为0！"
                                 << "数量";
    // The direction of a document is its type, never a sign.
    QTest::newRow("negative amount") << int(AmountCell) << "-5"
                                     << "商品数量不能为负数！"
                                     << "数量";
    QTest::newRow("negative price") << int(PriceCell) << "-5"
                                    << "商品价格不能为负数！"
                                    << "价格";
    QTest::newRow("decimal comma in amount") << int(AmountCell) << "1,5"
                                             << "商品数量必须为数字，且不能为0！"
                                             << "数量";
    QTest::newRow("price beyond the money words")
        << int(PriceCell) << "100,000,000"
        << "数据输入格式不正确， 100,000,000 不是有效的数字！"
        << "错误";
}

void tst_StoreForm::cellChecks()
{
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, title);
    StoreWindow w;
    QVERIFY(w.enter(0, m_water, QStringLiteral("2")));
    QStringList before;
    for (int c = 0; c < 6; ++c)
        before << w.cell(0, c);
    QVERIFY(!w.setCell(0, column, typed));
    QCOMPARE(m_prompts->texts(), QStringList{message});
    QCOMPARE(m_prompts->requests.first().title, title);
    QCOMPARE(int(m_prompts->requests.first().icon), int(Prompt::Icon::Critical));
    QStringList after;
    for (int c = 0; c < 6; ++c)
        after << w.cell(0, c);
    QCOMPARE(after, before);
    QCOMPARE(w.text("txtTotalAmount"), QStringLiteral("2"));

    // An inactive product is no product either.
    m_prompts->clear();
    const qint64 inactive = addProduct(QStringLiteral("停用水"), QStringLiteral("3"), '0');
    QVERIFY(!w.setCell(1, ProductCell, id(inactive)));
    QCOMPARE(m_prompts->texts(), QStringList{UnknownProduct});
}

void tst_StoreForm::saveButtonRule()
{
    StoreWindow w;
    // A new form: nothing to save.
    QVERIFY(!w.saveButton()->isEnabled());
    QVERIFY(w.enter(0, m_water));
    QVERIFY(w.saveButton()->isEnabled());
    // Quantities that round to nothing cannot be saved.
    QVERIFY(w.setCell(0, AmountCell, QStringLiteral("0.4")));
    QCOMPARE(w.text("txtTotalAmount"), QStringLiteral("0"));
    QVERIFY(!w.saveButton()->isEnabled());
    QVERIFY(w.setCell(0, AmountCell, QStringLiteral("1")));
    QVERIFY(w.saveButton()->isEnabled());
    QVERIFY(w.setCell(0, ProductCell, QString()));
    QVERIFY(!w.saveButton()->isEnabled());
}

void tst_StoreForm::linesGrowBeyondThree()
{
    StoreWindow w;
    // Rows come and go at the end as lines are typed and emptied.
    QAbstractItemModelTester tester(
        w.grid(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(w.grid()->rowCount(), 1);
    const int lines = 7;
    for (int row = 0; row < lines; ++row) {
        QVERIFY(w.enter(row, row % 2 ? m_bottle : m_water, QString::number(row + 1)));
        QCOMPARE(w.grid()->rowCount(), row + 2); // always one blank row to type into
    }
    // Emptying the last line takes its row away; an emptied middle line
    // stays as a blank row and is no line.
    QVERIFY(w.setCell(lines, ProductCell, id(m_water)));
    QCOMPARE(w.grid()->rowCount(), lines + 2);
    QVERIFY(w.setCell(lines, ProductCell, QString()));
    QCOMPARE(w.grid()->rowCount(), lines + 1);
    QVERIFY(w.setCell(2, ProductCell, QString()));
    QCOMPARE(w.grid()->rowCount(), lines + 1);
    QVERIFY(w.setCell(2, ProductCell, id(m_bottle)));
    QVERIFY(w.setCell(2, AmountCell, QStringLiteral("3")));
    w.save();
    const qint64 saved = lastStoreID();
    QCOMPARE(storedLines(saved).size(), lines);
    QCOMPARE(storedField(saved, QStringLiteral("TotalAmount")).toInt(), lines * (lines + 1) / 2);
}

void tst_StoreForm::newDocumentIsSavedAndTheFormEmptied()
{
    StoreWindow w;
    QCOMPARE(w.form.windowTitle(), QStringLiteral("库存管理"));
    QCOMPARE(w.get<QComboBox>("cmbStation")->currentData().toLongLong(), qint64(1));
    QVERIFY(w.get<QComboBox>("cmbStation")->isEnabled());
    const QString today = w.text("txtCreateDate");
    QVERIFY(!today.isEmpty());
    w.direction(1);
    w.get("txtPaperID")->setText(QStringLiteral("P'01"));
    w.get("txtDetail")->setText(QStringLiteral("%1 到货"));
    w.get<QComboBox>("cmbStation")
        ->setCurrentIndex(w.get<QComboBox>("cmbStation")->findText(QStringLiteral("城东水站")));
    QVERIFY(w.enter(0, m_water, QStringLiteral("20")));
    QVERIFY(w.enter(1, m_bottle, QStringLiteral("4")));
    const ScopedSession clerk(ScopedSession::asUser(7));
    w.save();
    const qint64 saved = lastStoreID();
    QVERIFY(saved > 0);
    QCOMPARE(m_prompts->texts(), QStringList());
    QCOMPARE(storedField(saved, QStringLiteral("PaperID")), QStringLiteral("P'01"));
    QCOMPARE(storedField(saved, QStringLiteral("Detail")), QStringLiteral("%1 到货"));
    QCOMPARE(storedField(saved, QStringLiteral("Direction")), QStringLiteral("1"));
    QCOMPARE(storedField(saved, QStringLiteral("HandInput")), QStringLiteral("1"));
    QCOMPARE(storedField(saved, QStringLiteral("FinishFlag")), QStringLiteral("0"));
    QCOMPARE(storedField(saved, QStringLiteral("UserID")), QStringLiteral("7"));
    QCOMPARE(storedField(saved, QStringLiteral("StationID")), QStringLiteral("2"));
    QCOMPARE(num(storedField(saved, QStringLiteral("TotalMoney"))), QStringLiteral("226"));
    QCOMPARE(
        storedLines(saved), (QStringList{id(m_water) + " 10 20 200", id(m_bottle) + " 6.5 4 26"}));
    QCOMPARE(w.form.mCurID, saved);

    // The form stays open, emptied for the next document; direction, date
    // and station stay.
    QVERIFY(w.form.isVisible());
    QCOMPARE(w.text("txtPaperID"), QString());
    QCOMPARE(w.text("txtDetail"), QString());
    QCOMPARE(w.text("txtTotalAmount"), QString());
    QCOMPARE(w.text("txtTotalMoney"), QString());
    QCOMPARE(w.grid()->rowCount(), 1);
    QCOMPARE(w.text("txtCreateDate"), today);
    QVERIFY(w.get<QAbstractButton>("optType_1")->isChecked());
    QVERIFY(!w.saveButton()->isEnabled());
}

void tst_StoreForm::otherStationKeepsItsOwnStation()
{
    const ScopedSession branch(ScopedSession::atBranch(2));
    StoreWindow w;
    QVERIFY(!w.get<QComboBox>("cmbStation")->isEnabled());
    QCOMPARE(w.get<QComboBox>("cmbStation")->currentData().toLongLong(), qint64(2));
    QVERIFY(w.enter(0, m_water));
    w.save();
    const qint64 saved = lastStoreID();
    QCOMPARE(storedField(saved, QStringLiteral("StationID")), QStringLiteral("2"));

    // Edited by a head-station operator, it keeps its station.
    const ScopedSession head(ScopedSession::headStation());
    StoreWindow edit(frmStore::Edit, saved);
    QVERIFY(edit.loaded);
    QCOMPARE(edit.get<QComboBox>("cmbStation")->currentData().toLongLong(), qint64(2));
    QVERIFY(edit.setCell(0, AmountCell, QStringLiteral("5")));
    edit.save();
    QCOMPARE(edit.form.result(), int(QDialog::Accepted));
    QCOMPARE(storedField(saved, QStringLiteral("StationID")), QStringLiteral("2"));
    QCOMPARE(storedField(saved, QStringLiteral("TotalAmount")), QStringLiteral("5"));
}

void tst_StoreForm::switchingDirectionRewritesLinesUnchanged()
{
    StoreRecord doc;
    doc.paperId = QStringLiteral("D-7");
    doc.createDate = QDate(2026, 11, 30);
    doc.userId = 1;
    doc.stationId = 1;
    doc.direction = StoreRecord::Direction::In;
    for (const auto &[product, price, amount] :
        {std::tuple{m_water, 10, 3}, std::tuple{m_bottle, 7, 2}, std::tuple{m_water, 9, 1}}) {
        StoreRecord::Line line;
        line.productId = product;
        line.price = Currency::fromInt(price);
        line.amount = amount;
        line.money = Currency::fromInt(price * amount);
        doc.lines << line;
        doc.totalAmount += amount;
        doc.totalMoney += line.money;
    }
    const qint64 storeId = StoreWriter::saveNew(doc);
    QVERIFY(storeId > 0);
    const QStringList before = storedLines(storeId);

    StoreWindow w(frmStore::Edit, storeId);
    QVERIFY(w.loaded);
    QVERIFY(w.get<QAbstractButton>("optType_0")->isChecked());
    QVERIFY(!w.get("txtCreateDate")->isEnabled());
    QCOMPARE(w.grid()->rowCount(), 4); // three lines and the blank one
    QVERIFY(w.saveButton()->isEnabled());
    w.direction(1);
    w.save();
    QCOMPARE(m_prompts->texts(), QStringList());
    QCOMPARE(w.form.result(), int(QDialog::Accepted));
    QCOMPARE(storedField(storeId, QStringLiteral("Direction")), QStringLiteral("1"));
    QCOMPARE(storedLines(storeId), before);
    QCOMPARE(storedField(storeId, QStringLiteral("TotalAmount")), QStringLiteral("6"));
    QCOMPARE(num(storedField(storeId, QStringLiteral("TotalMoney"))), QStringLiteral("53"));
    QCOMPARE(OpenRecordset(QStringLiteral("select CreateDate from Store where ID=%1").arg(storeId))
                 ->value(0, 0)
                 .toString()
                 .left(10),
        QStringLiteral("2026-11-30"));
}

void tst_StoreForm::generatedAndClosedAreShownOnly_data()
{
    QTest::addColumn<QString>("handInput");
    QTest::addColumn<QString>("finishFlag");
    QTest::addColumn<QString>("note");
    QTest::newRow("generated") << "0"
                               << "0"
                               << "（注：本单据是系统生成单据，不能修改！）";
    QTest::newRow("closed") << "1"
                            << "1"
                            << "（注：本单据已结转，不能再修改！）";
    QTest::newRow("generated and closed") << "0"
                                          << "1"
                                          << "（注：本单据已结转，不能再修改！）";
}

void tst_StoreForm::generatedAndClosedAreShownOnly()
{
    QFETCH(QString, handInput);
    QFETCH(QString, finishFlag);
    QFETCH(QString, note);
    const qint64 storeId = addDocument(qPrintable(handInput), qPrintable(finishFlag));
    QVERIFY(storeId > 0);
    const QStringList before = storedLines(storeId);

    StoreWindow w(frmStore::Edit, storeId);
    QVERIFY(w.loaded);
    QVERIFY(!w.form.isChangeable());
    QVERIFY(w.saveButton()->isHidden());
    QCOMPARE(w.get<QLabel>("lblInfo")->text(), note);
    QCOMPARE(w.text("txtPaperID"), QStringLiteral("G-1"));
    QCOMPARE(w.text("txtDetail"), QStringLiteral("日结"));
    QCOMPARE(w.text("txtTotalAmount"), QStringLiteral("3"));
    QVERIFY(w.get<QAbstractButton>("optType_1")->isChecked());
    // The lines are shown, none can be changed.
    QCOMPARE(w.grid()->rowCount(), 1);
    QCOMPARE(w.cell(0, ProductCell), id(m_water));
    QVERIFY(!(w.grid()->flags(w.grid()->index(0, AmountCell)) & Qt::ItemIsEditable));
    QVERIFY(!w.setCell(0, AmountCell, QStringLiteral("9")));
    QVERIFY(w.get("txtPaperID")->isReadOnly());
    QVERIFY(!w.get<QAbstractButton>("optType_0")->isEnabled());
    // Ctrl+S does nothing either.
    QApplication::setActiveWindow(&w.form);
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QTest::keyClick(&w.form, Qt::Key_S, Qt::ControlModifier);
    QCoreApplication::processEvents();
    QVERIFY(w.form.isVisible());
    QCOMPARE(storedLines(storeId), before);
    QCOMPARE(storedField(storeId, QStringLiteral("Direction")), QStringLiteral("1"));
    QCOMPARE(m_prompts->texts(), QStringList());
}

void tst_StoreForm::missingDocumentIsNotShown()
{
    frmStore gone;
    gone.mActionType = frmStore::Edit;
    gone.mCurID = 4711;
    QCOMPARE(gone.exec(), int(QDialog::Rejected));
    // A header without lines is not shown either.
    const qint64 empty = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Store(PaperID,CreateDate,Direction,HandInput,FinishFlag,"
                       "StationID) values ('E',%1,'0','1','0',1)")
            .arg(mDatabase::dialect().dateLiteral(QDate(2026, 12, 2))));
    QVERIFY(empty > 0);
    frmStore bare;
    bare.mActionType = frmStore::Edit;
    bare.mCurID = empty;
    QCOMPARE(bare.exec(), int(QDialog::Rejected));
    QCOMPARE(m_prompts->texts(), QStringList());
}

void tst_StoreForm::editChangedElsewhereIsRefused()
{
    const qint64 storeId = addDocument("1", "0");
    StoreWindow w(frmStore::Edit, storeId);
    QVERIFY(w.loaded);
    QVERIFY(w.saveButton()->isVisible());
    // Day closing runs on another workstation meanwhile.
    QVERIFY(ExecuteSQL(QStringLiteral("update Store set FinishFlag='1'")));
    QVERIFY(w.setCell(0, AmountCell, QStringLiteral("8")));
    w.save();
    QCOMPARE(m_prompts->requests.size(), 1);
    QCOMPARE(int(m_prompts->requests.first().icon), int(Prompt::Icon::Critical));
    QVERIFY(w.form.isVisible());
    QCOMPARE(storedLines(storeId), QStringList{id(m_water) + " 10 3 30"});
}

void tst_StoreForm::failedSaveKeepsTheInput()
{
    StoreWindow w;
    w.get("txtPaperID")->setText(QStringLiteral("F-1"));
    QVERIFY(w.enter(0, m_water, QStringLiteral("2")));
    QVERIFY(w.enter(1, m_bottle));
    QVERIFY(ExecuteSQL(QStringLiteral("drop table Store_detail")));
    w.save();
    QVERIFY(!m_prompts->requests.isEmpty());
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store")), 0);
    QCOMPARE(w.text("txtPaperID"), QStringLiteral("F-1"));
    QCOMPARE(w.cell(1, ProductCell), id(m_bottle));
    QCOMPARE(w.text("txtTotalAmount"), QStringLiteral("3"));
    QVERIFY(w.saveButton()->isEnabled());
}

void tst_StoreForm::keyboardOnly()
{
    const qint64 mineral = addProduct(QStringLiteral("天然矿泉水"), QStringLiteral("4"));
    StoreWindow w;
    QApplication::setActiveWindow(&w.form);
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    auto *grid = w.get<QTableView>("dbgDetail");
    auto enter = [] {
        QCoreApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCoreApplication::processEvents();
    };
    auto editor = [&]() -> QComboBox * {
        for (QComboBox *combo : grid->findChildren<QComboBox *>(QStringLiteral("dbdProduct")))
            if (combo->isVisible())
                return combo;
        return nullptr;
    };

    // The direction first: the arrow picks stock out, Enter moves on.
    QTRY_COMPARE(QApplication::focusWidget(), w.get<QAbstractButton>("optType_0"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QVERIFY(w.get<QAbstractButton>("optType_1")->isChecked());
    enter();
    QTRY_COMPARE(QApplication::focusWidget(), w.get("txtPaperID"));
    type(QApplication::focusWidget(), QStringLiteral("K-9"));
    enter();
    QCOMPARE(QApplication::focusWidget(), w.get("txtCreateDate"));
    enter();
    QCOMPARE(QApplication::focusWidget(), w.get<QComboBox>("cmbStation"));
    enter();
    QCOMPARE(QApplication::focusWidget(), w.get("txtDetail"));
    type(QApplication::focusWidget(), QStringLiteral("备货"));
    enter();
    QCOMPARE(QApplication::focusWidget(), grid);

    // Enter opens the product cell; a part of a name that one product has,
    // then Enter.
    enter();
    QTRY_VERIFY(editor());
    type(editor(), QStringLiteral("天然"));
    enter();
    QCOMPARE(m_prompts->texts(), QStringList());
    QCOMPARE(w.cell(0, ProductCell), id(mineral));
    QCOMPARE(grid->currentIndex().column(), int(PriceCell)); // on to the price
    enter(); // price as it is
    QTRY_COMPARE(grid->currentIndex().column(), int(AmountCell));
    QTRY_VERIFY(QApplication::focusWidget() != grid);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    type(QApplication::focusWidget(), QStringLiteral("3"));
    enter(); // quantity: on to the next line's product
    QTRY_VERIFY(editor());
    QCOMPARE(grid->currentIndex(), grid->model()->index(1, ProductCell));
    QCOMPARE(w.text("txtTotalAmount"), QStringLiteral("3"));

    // The number of a product picks it.
    type(editor(), id(m_water));
    enter();
    QCOMPARE(w.cell(1, ProductCell), id(m_water));
    enter();
    enter();
    // Enter in the blank line's product cell: the lines are done.
    QTRY_VERIFY(editor());
    QCOMPARE(grid->currentIndex().row(), 2);
    enter();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.saveButton()));

    // Ctrl+S saves; the form is ready for the next document.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
    QCoreApplication::processEvents();
    const qint64 saved = lastStoreID();
    QVERIFY(saved > 0);
    QCOMPARE(m_prompts->texts(), QStringList());
    QCOMPARE(storedField(saved, QStringLiteral("PaperID")), QStringLiteral("K-9"));
    QCOMPARE(storedField(saved, QStringLiteral("Detail")), QStringLiteral("备货"));
    QCOMPARE(storedField(saved, QStringLiteral("Direction")), QStringLiteral("1"));
    QCOMPARE(storedLines(saved), (QStringList{id(mineral) + " 4 3 12", id(m_water) + " 10 1 10"}));
    QCOMPARE(w.text("txtPaperID"), QString());
    QTRY_COMPARE(QApplication::focusWidget(), w.get("txtPaperID"));

    // Ctrl+S while a quantity is still being typed takes it first.
    type(QApplication::focusWidget(), QStringLiteral("K-10"));
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, ProductCell));
    grid->edit(grid->currentIndex());
    QTRY_VERIFY(editor());
    type(editor(), id(m_bottle));
    enter();
    enter();
    QTRY_COMPARE(grid->currentIndex().column(), int(AmountCell));
    QTRY_VERIFY(QApplication::focusWidget() != grid);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    type(QApplication::focusWidget(), QStringLiteral("6"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
    QCoreApplication::processEvents();
    const qint64 second = lastStoreID();
    QVERIFY(second > saved);
    QCOMPARE(storedLines(second), QStringList{id(m_bottle) + " 6.5 6 39"});
    QCOMPARE(m_prompts->texts(), QStringList());
}

void tst_StoreForm::concurrentWorkstations()
{
    PELKOR_FRESH_DATABASE(m_db);
    // The products the workers type: 1 and 2.
    const qint64 first = addProduct(QStringLiteral("甲"), QStringLiteral("1"));
    const qint64 second = addProduct(QStringLiteral("乙"), QStringLiteral("1"));
    QCOMPARE(first, qint64(1));
    QCOMPARE(second, qint64(2));
    const int documents = 30;
    QList<QProcess *> workers;
    for (int worker = 1; worker <= 2; ++worker) {
        auto *p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PELKOR_STORE_WORKER"),
            QStringLiteral("%1;%2;%3").arg(id(worker), id(documents), workerUrl()));
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedChannels);
        p->start(QCoreApplication::applicationFilePath(), {});
        workers << p;
    }
    for (QProcess *p : workers) {
        QVERIFY(p->waitForFinished(120000));
        QCOMPARE(p->exitCode(), 0);
    }
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store")), 2 * documents);
    // Every document holds exactly its own line: its worker's product and
    // its own quantity.
    const auto rs = OpenRecordset(QStringLiteral("select ID,Detail,TotalAmount from Store"));
    QVERIFY(rs);
    for (int row = 0; row < rs->recordCount(); ++row) {
        const qint64 storeId = rs->value(row, QStringLiteral("ID")).toLongLong();
        const qint64 product
            = rs->value(row, QStringLiteral("Detail")).toInt() == 1 ? first : second;
        const QString amount = num(rs->value(row, QStringLiteral("TotalAmount")));
        QCOMPARE(storedLines(storeId),
            QStringList{QStringLiteral("%1 1 %2 %2").arg(id(product), amount)});
    }
}

int main(int argc, char *argv[])
{
    const QByteArray worker = qgetenv("PELKOR_STORE_WORKER");
    QApplication app(argc, argv);
    if (!worker.isEmpty()) {
        const QStringList parts = QString::fromUtf8(worker).split(QLatin1Char(';'));
        const ScopedSession session(ScopedSession::headStation());
        return runWorker(
            parts.mid(2).join(QLatin1Char(';')), parts.value(0).toInt(), parts.value(1).toInt());
    }
    tst_StoreForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_storeform.moc"
