#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "stock/storewriter.h"

#include <QTest>

using mDatabase::ExecuteSQL;
using mDatabase::OpenRecordset;

namespace {

const QDate Today(2026, 12, 8);

StoreRecord::Line line(qint64 product, int price, int amount)
{
    StoreRecord::Line l;
    l.productId = product;
    l.price = Currency::fromInt(price);
    l.amount = amount;
    l.money = Currency::fromInt(price * amount);
    return l;
}

StoreRecord document(const QString &paper, const QVector<StoreRecord::Line> &lines)
{
    StoreRecord doc;
    doc.paperId = paper;
    doc.createDate = Today;
    doc.userId = 1;
    doc.stationId = 1;
    doc.lines = lines;
    for (const auto &l : lines) {
        doc.totalAmount += l.amount;
        doc.totalMoney += l.money;
    }
    return doc;
}

} // namespace

class tst_StoreWriter : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newDocumentWithItsLines();
    void hostileTextIsStoredExactly_data();
    void hostileTextIsStoredExactly();
    void failedLineLeavesNothing();
    void editRewritesLinesAndKeepsTheDate();
    void editRefusedWhenChangedElsewhere_data();
    void editRefusedWhenChangedElsewhere();
    void deleteOneRespectsGeneratedAndClosed();
    void deleteAllLeavesClosedDocuments();
    void readerOfMissingOrEmptyDocument();
    void editOfHeaderWithEmptyColumns_data();
    void editOfHeaderWithEmptyColumns();
    void amountsBeyondTheRangeAreRefused_data();
    void amountsBeyondTheRangeAreRefused();

private:
    void addDocumentRow(const char *flags, qint64 *id);

    TestDatabase m_db;
    ScriptedPrompter *m_prompts = nullptr;
    qint64 m_water = 0;
    qint64 m_bottle = 0;
};

void tst_StoreWriter::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
    m_bottle = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer,ContainerID) "
                       "values('18.9升水桶','个',30,'1','1',0)"));
    m_water = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer,ContainerID) "
                       "values('18.9升纯净水','桶',10,'1','0',%1)")
            .arg(m_bottle));
    QVERIFY(m_water > 0 && m_bottle > 0);
}

void tst_StoreWriter::cleanup()
{
    mDatabase::CloseConnection();
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

void tst_StoreWriter::newDocumentWithItsLines()
{
    StoreRecord doc
        = document(QStringLiteral("A-001"), {line(m_water, 10, 20), line(m_bottle, 30, 5)});
    doc.direction = StoreRecord::Direction::Out;
    doc.stationId = 1;
    const qint64 id = StoreWriter::saveNew(doc);
    QVERIFY(id > 0);

    const auto stored = StoreReader::load(id);
    QVERIFY(stored);
    QCOMPARE(stored->paperId, QStringLiteral("A-001"));
    QCOMPARE(stored->createDate, Today);
    QCOMPARE(stored->totalAmount, 25);
    QCOMPARE(stored->totalMoney, Currency::fromInt(350));
    QCOMPARE(int(stored->direction), int(StoreRecord::Direction::Out));
    QVERIFY(stored->handInput);
    QVERIFY(!stored->finished);
    QCOMPARE(stored->lines.size(), 2);
    QCOMPARE(stored->lines[0].productId, m_water);
    QCOMPARE(stored->lines[0].productName, QStringLiteral("18.9升纯净水"));
    QCOMPARE(stored->lines[0].unit, QStringLiteral("桶"));
    QCOMPARE(stored->lines[0].amount, 20);
    QCOMPARE(stored->lines[0].money, Currency::fromInt(200));
    QCOMPARE(stored->lines[1].productId, m_bottle);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store where Direction='1' and "
                                      "HandInput='1' and FinishFlag='0' and StationID=1")),
        1);
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_StoreWriter::hostileTextIsStoredExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("placeholders") << QStringLiteral("%1 %2 %10 %%");
    QTest::newRow("quotes") << QStringLiteral("O'Neil \"甲\" ''");
    QTest::newRow("backslashes") << QStringLiteral("C:\\store\\ \\' \\n");
    QTest::newRow("statement") << QStringLiteral("x'); delete from Store; --");
}

void tst_StoreWriter::hostileTextIsStoredExactly()
{
    QFETCH(QString, text);
    const qint64 id = StoreWriter::saveNew([&] {
        StoreRecord d = document(text, {line(m_water, 10, 1)});
        d.detail = text + QStringLiteral("备注");
        return d;
    }());
    QVERIFY(id > 0);
    auto stored = StoreReader::load(id);
    QVERIFY(stored);
    QCOMPARE(stored->paperId, text);
    QCOMPARE(stored->detail, text + QStringLiteral("备注"));

    // The optimistic check compares the same texts: an edit goes through.
    StoreRecord changed = *stored;
    changed.detail = text;
    QCOMPARE(int(StoreWriter::saveEdit(changed, *stored)), int(StoreWriter::Result::Done));
    QCOMPARE(StoreReader::load(id)->detail, text);
}

void tst_StoreWriter::failedLineLeavesNothing()
{
    // A product line that cannot be stored (the lines' table is gone) undoes
    // the header that was already written.
    QVERIFY(ExecuteSQL(QStringLiteral("drop table Store_detail")));
    QCOMPARE(StoreWriter::saveNew(document(QStringLiteral("B-1"), {line(m_water, 10, 2)})), 0);
    QVERIFY(!m_prompts->requests.isEmpty());
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store")), 0);
}

void tst_StoreWriter::editRewritesLinesAndKeepsTheDate()
{
    const qint64 id = StoreWriter::saveNew(
        document(QStringLiteral("C-1"), {line(m_water, 10, 2), line(m_bottle, 30, 1)}));
    QVERIFY(id > 0);
    const auto loaded = StoreReader::load(id);
    QVERIFY(loaded);

    StoreRecord edited = *loaded;
    edited.createDate = Today.addDays(-3); // the date is never rewritten
    edited.direction = StoreRecord::Direction::Out;
    edited.lines = {line(m_bottle, 30, 4)};
    edited.totalAmount = 4;
    edited.totalMoney = Currency::fromInt(120);
    QCOMPARE(int(StoreWriter::saveEdit(edited, *loaded)), int(StoreWriter::Result::Done));

    const auto stored = StoreReader::load(id);
    QVERIFY(stored);
    QCOMPARE(stored->createDate, Today);
    QCOMPARE(int(stored->direction), int(StoreRecord::Direction::Out));
    QCOMPARE(stored->lines.size(), 1);
    QCOMPARE(stored->lines[0].amount, 4);
    QCOMPARE(stored->totalMoney, Currency::fromInt(120));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store_detail")), 1);
}

void tst_StoreWriter::editRefusedWhenChangedElsewhere_data()
{
    QTest::addColumn<QString>("elsewhere");
    QTest::newRow("closed by day closing") << QStringLiteral("update Store set FinishFlag='1'");
    QTest::newRow("deleted") << QStringLiteral("delete from Store");
    QTest::newRow("remark changed") << QStringLiteral("update Store set Detail='另一台'");
    QTest::newRow("amount changed") << QStringLiteral("update Store set TotalAmount=99");
}

void tst_StoreWriter::editRefusedWhenChangedElsewhere()
{
    QFETCH(QString, elsewhere);
    const qint64 id = StoreWriter::saveNew(document(QStringLiteral("D-1"), {line(m_water, 10, 2)}));
    const auto loaded = StoreReader::load(id);
    QVERIFY(loaded);
    QVERIFY(ExecuteSQL(elsewhere));
    const int linesBefore = countRows(QStringLiteral("select count(*) from Store_detail"));

    StoreRecord edited = *loaded;
    edited.detail = QStringLiteral("本机修改");
    edited.lines = {line(m_bottle, 30, 9)};
    QCOMPARE(
        int(StoreWriter::saveEdit(edited, *loaded)), int(StoreWriter::Result::ChangedElsewhere));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store_detail")), linesBefore);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store where Detail='本机修改'")), 0);
}

void tst_StoreWriter::addDocumentRow(const char *flags, qint64 *id)
{
    // HandInput and FinishFlag as day closing leaves them.
    *id = mDatabase::InsertAndGetID(
        QStringLiteral(
            "insert into Store(PaperID,CreateDate,TotalAmount,TotalMoney,Detail,UserID,"
            "Direction,HandInput,FinishFlag,StationID) values ('G',%1,1,10,'',1,'1',%2,1)")
            .arg(mDatabase::dialect().dateLiteral(Today), QString::fromLatin1(flags)));
    QVERIFY(*id > 0);
    QVERIFY(ExecuteSQL(QStringLiteral("insert into Store_detail(StoreID,ProductID,Price,MyAmount,"
                                      "MyMoney) values(%1,%2,10,1,10)")
                           .arg(*id)
                           .arg(m_water)));
}

void tst_StoreWriter::deleteOneRespectsGeneratedAndClosed()
{
    qint64 generated = 0, closed = 0;
    addDocumentRow("'0','1'", &generated);
    addDocumentRow("'1','1'", &closed);
    const qint64 open
        = StoreWriter::saveNew(document(QStringLiteral("E-1"), {line(m_water, 10, 3)}));
    QVERIFY(open > 0);

    QCOMPARE(int(StoreWriter::deleteOne(generated)), int(StoreWriter::Result::Generated));
    QCOMPARE(int(StoreWriter::deleteOne(closed)), int(StoreWriter::Result::Finished));
    QCOMPARE(int(StoreWriter::deleteOne(open)), int(StoreWriter::Result::Done));
    QCOMPARE(int(StoreWriter::deleteOne(open)), int(StoreWriter::Result::ChangedElsewhere));

    QCOMPARE(countRows(QStringLiteral("select count(*) from Store")), 2);
    QCOMPARE(
        countRows(QStringLiteral("select count(*) from Store_detail where StoreID=%1").arg(open)),
        0);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store_detail")), 2);
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_StoreWriter::deleteAllLeavesClosedDocuments()
{
    qint64 generated = 0, closed = 0;
    addDocumentRow("'0','1'", &generated);
    addDocumentRow("'1','1'", &closed);
    StoreRecord otherStation = document(QStringLiteral("F-2"), {line(m_water, 10, 1)});
    otherStation.stationId = 2;
    QVERIFY(StoreWriter::saveNew(document(QStringLiteral("F-1"), {line(m_water, 10, 1)})) > 0);
    QVERIFY(StoreWriter::saveNew(otherStation) > 0);

    QVERIFY(StoreWriter::deleteAllOpen());
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store")), 2);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store where FinishFlag='0'")), 0);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store_detail")), 2);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Store_detail where StoreID not in "
                                      "(select ID from Store)")),
        0);
}

void tst_StoreWriter::readerOfMissingOrEmptyDocument()
{
    QVERIFY(!StoreReader::load(12345));
    // A header without lines is not shown either.
    const qint64 id = mDatabase::InsertAndGetID(
        QStringLiteral("insert into Store(PaperID,CreateDate,Direction,HandInput,FinishFlag,"
                       "StationID) values ('H',%1,'0','1','0',1)")
            .arg(mDatabase::dialect().dateLiteral(Today)));
    QVERIFY(id > 0);
    QVERIFY(!StoreReader::load(id));
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_StoreWriter::editOfHeaderWithEmptyColumns_data()
{
    // Documents another program or an older version left with a column
    // empty, or with decimals in the total amount.
    QTest::addColumn<QString>("stored");
    for (const char *column : {"PaperID", "Detail", "UserID", "StationID", "TotalAmount",
             "TotalMoney", "Direction", "HandInput", "FinishFlag"})
        QTest::newRow(column)
            << QStringLiteral("update Store set %1=NULL").arg(QLatin1String(column));
    QTest::newRow("every one") << QStringLiteral(
        "update Store set PaperID=NULL, Detail=NULL, UserID=NULL, StationID=NULL, "
        "TotalAmount=NULL, TotalMoney=NULL, Direction=NULL, HandInput=NULL, FinishFlag=NULL");
    QTest::newRow("fractional total amount") << QStringLiteral("update Store set TotalAmount=2.5");
    QTest::newRow("fractional total money")
        << QStringLiteral("update Store set TotalMoney=20.0001");
}

void tst_StoreWriter::editOfHeaderWithEmptyColumns()
{
    QFETCH(QString, stored);
    const qint64 id = StoreWriter::saveNew(document(QStringLiteral("N-1"), {line(m_water, 10, 2)}));
    QVERIFY(id > 0);
    QVERIFY(ExecuteSQL(stored));
    const auto loaded = StoreReader::load(id);
    QVERIFY(loaded);
    QVERIFY(loaded->isOpenHandInput());

    StoreRecord edited = *loaded;
    edited.paperId = QStringLiteral("N-2");
    edited.detail = QStringLiteral("补录");
    edited.userId = 1;
    edited.stationId = 1;
    edited.lines = {line(m_water, 10, 3)};
    edited.totalAmount = 3;
    edited.totalMoney = Currency::fromInt(30);
    QCOMPARE(int(StoreWriter::saveEdit(edited, *loaded)), int(StoreWriter::Result::Done));
    QCOMPARE(m_prompts->texts(), QStringList());
    const auto after = StoreReader::load(id);
    QVERIFY(after);
    QCOMPARE(after->paperId, QStringLiteral("N-2"));
    QCOMPARE(after->totalAmount, 3);
    QCOMPARE(after->totalMoney, Currency::fromInt(30));
    QCOMPARE(after->lines.size(), 1);

    // The same document changed elsewhere after loading is still refused.
    QVERIFY(ExecuteSQL(stored));
    const auto again = StoreReader::load(id);
    QVERIFY(again);
    QVERIFY(ExecuteSQL(QStringLiteral("update Store set Detail='另一台'")));
    QCOMPARE(
        int(StoreWriter::saveEdit(edited, *again)), int(StoreWriter::Result::ChangedElsewhere));
}

void tst_StoreWriter::amountsBeyondTheRangeAreRefused_data()
{
    QTest::addColumn<QString>("price");
    QTest::addColumn<bool>("stored");
    QTest::newRow("largest") << "99999999.99" << true;
    QTest::newRow("a fraction past it") << "99999999.9901" << false;
    QTest::newRow("largest the type holds") << "922337203685477" << false;
}

void tst_StoreWriter::amountsBeyondTheRangeAreRefused()
{
    QFETCH(QString, price);
    QFETCH(bool, stored);
    StoreRecord::Line l = line(m_water, 0, 1);
    QVERIFY(Currency::parse(price, &l.price));
    l.money = l.price;
    StoreRecord doc = document(QStringLiteral("R-1"), {l});
    const qint64 id = StoreWriter::saveNew(doc);
    QCOMPARE(id > 0, stored);
    if (!stored) {
        QCOMPARE(m_prompts->requests.size(), 1);
        QVERIFY(m_prompts->requests.first().text.contains(QStringLiteral("99,999,999.99")));
        QCOMPARE(countRows(QStringLiteral("select count(*) from Store")), 0);
        QCOMPARE(countRows(QStringLiteral("select count(*) from Store_detail")), 0);
        return;
    }
    // Read back to the last of its four places, on every database.
    const auto back = StoreReader::load(id);
    QVERIFY(back);
    QCOMPARE(back->lines.first().price.toSqlText(), l.price.toSqlText());
    QCOMPARE(back->totalMoney.toSqlText(), l.price.toSqlText());
    // An edit of it to beyond the range changes nothing.
    StoreRecord edited = *back;
    edited.lines.first().money = Currency::fromInt(100000000);
    QCOMPARE(int(StoreWriter::saveEdit(edited, *back)), int(StoreWriter::Result::Failed));
    QCOMPARE(StoreReader::load(id)->lines.first().money.toSqlText(), l.price.toSqlText());
}

QTEST_MAIN(tst_StoreWriter)
#include "tst_storewriter.moc"
