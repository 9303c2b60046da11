#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/boundstatement.h"
#include "datastore/currency.h"
#include "datastore/mdatabase.h"

#include <QTest>

using namespace mDatabase;

// Values of every kind the readers and writers bind, through each database's
// driver and back: what is read is what was bound, and a statement that
// compares a column with the same bound value finds the row.
class tst_BoundValues : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void textRoundTrips_data();
    void textRoundTrips();
    void moneyRoundTrips_data();
    void moneyRoundTrips();
    void datesRoundTrip_data();
    void datesRoundTrip();
    void unstorableTextIsRefused_data();
    void unstorableTextIsRefused();

private:
    TestDatabase m_db;
    ScriptedPrompter *m_prompts = nullptr;
};

void tst_BoundValues::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_BoundValues::cleanup()
{
    CloseConnection();
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

void tst_BoundValues::textRoundTrips_data()
{
    QTest::addColumn<QString>("bound");
    QTest::addColumn<QString>("stored");
    const auto same = [](const char *name, const QString &text) {
        QTest::newRow(name) << text << text;
    };
    same("empty", QString());
    same("quotes", QStringLiteral("O'Brien's \"shop\""));
    same("placeholder", QStringLiteral("%1 %2 ?"));
    same("question mark", QStringLiteral("? ?"));
    same("backslash", QStringLiteral("C:\\x\\'"));
    same("injection", QStringLiteral("'); DROP TABLE Sale; --"));
    same("emoji", QString::fromUtf8("水😀"));
    same("rare cjk", QString::fromUtf8("𠀀𪚥"));
    same("byte order mark inside", QStringLiteral("x") + QChar(0xFEFF) + QStringLiteral("y"));
    same("blanks kept", QStringLiteral("  a  "));
    same("line breaks", QStringLiteral("a\r\nb\tc"));
    QString nul = QStringLiteral("x");
    nul += QChar(0);
    nul += QStringLiteral("y");
    QTest::newRow("nul dropped") << nul << QStringLiteral("xy");
}

void tst_BoundValues::textRoundTrips()
{
    QFETCH(QString, bound);
    QFETCH(QString, stored);
    const qint64 id = InsertBoundAndGetID(
        QStringLiteral("insert into Customer(Name,Address,Detail,Account) values (?,?,?,?)"),
        {bound, QStringLiteral("addr"), bound, 7});
    QVERIFY2(id > 0, qPrintable(m_prompts->texts().join(QLatin1Char('\n'))));
    const auto rs = OpenBound(QStringLiteral("select Name,Detail from Customer where ID=? and "
                                             "Name=? and Detail=?"),
        {id, bound, bound});
    QVERIFY(rs);
    QCOMPARE(rs->recordCount(), 1);
    const QVariant name = rs->value(0, QStringLiteral("Name"));
    QVERIFY2(!name.isNull(), "an empty text is stored as empty, not as NULL");
    QCOMPARE(name.toString(), stored);
    QCOMPARE(rs->value(0, QStringLiteral("Detail")).toString(), stored);
    QVERIFY(m_prompts->requests.isEmpty());
}

void tst_BoundValues::moneyRoundTrips_data()
{
    QTest::addColumn<QString>("amount");
    for (const char *text : {"0", "0.0001", "-0.0001", "12.5", "-12.34", "1234.5678", "99999999.99",
             "99999999.9999", "-99999999.9999", "12345678.9012", "0.1", "0.3"})
        QTest::newRow(text) << QString::fromLatin1(text);
}

void tst_BoundValues::moneyRoundTrips()
{
    QFETCH(QString, amount);
    Currency money;
    QVERIFY(Currency::parse(amount, &money));
    const QVariant bound = QVariant::fromValue(money);
    const qint64 id = InsertBoundAndGetID(
        QStringLiteral("insert into Sale(TotalMoney,InMoney,TotalAmount) values (?,?,?)"),
        {bound, bound, 3});
    QVERIFY2(id > 0, qPrintable(m_prompts->texts().join(QLatin1Char('\n'))));
    // Compared in the database as an optimistic check does, and summed.
    const auto rs = OpenBound(QStringLiteral("select TotalMoney, TotalAmount, TotalMoney+InMoney "
                                             "as Twice from Sale where ID=? and TotalMoney=?"),
        {id, bound});
    QVERIFY(rs);
    QCOMPARE(rs->recordCount(), 1);
    QCOMPARE(Currency::fromVariant(rs->value(0, QStringLiteral("TotalMoney"))).toSqlText(),
        money.toSqlText());
    QCOMPARE(Currency::fromVariant(rs->value(0, QStringLiteral("Twice"))).toSqlText(),
        (money + money).toSqlText());
    QCOMPARE(Currency::fromVariant(rs->value(0, QStringLiteral("TotalAmount"))).roundToWhole(), 3);
}

void tst_BoundValues::datesRoundTrip_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QDateTime>("when");
    QTest::newRow("today") << QDate(2026, 12, 8) << QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9));
    QTest::newRow("leap day") << QDate(2028, 2, 29)
                              << QDateTime(QDate(2028, 2, 29), QTime(23, 59, 59));
    QTest::newRow("old") << QDate(1900, 1, 1) << QDateTime(QDate(1900, 1, 1), QTime(0, 0, 0));
    QTest::newRow("milliseconds dropped")
        << QDate(2026, 1, 31) << QDateTime(QDate(2026, 1, 31), QTime(8, 0, 1, 999));
}

void tst_BoundValues::datesRoundTrip()
{
    QFETCH(QDate, date);
    QFETCH(QDateTime, when);
    const qint64 sale = InsertBoundAndGetID(
        QStringLiteral("insert into Sale(CreateDate,TotalMoney) values (?,0)"), {date});
    const qint64 call = InsertBoundAndGetID(
        QStringLiteral("insert into Call(PhoneNumber,CreateDate) values (?,?)"),
        {QStringLiteral("5551234"), when});
    QVERIFY(sale > 0 && call > 0);
    // A date bound beside the text statements' literals: both find the row.
    const auto rs = OpenBound(
        QStringLiteral("select CreateDate from Sale where ID=? and CreateDate=? and CreateDate=%1")
            .arg(dialect().dateLiteral(date)),
        {sale, date});
    QVERIFY(rs);
    QCOMPARE(rs->recordCount(), 1);
    QCOMPARE(rs->value(0, QStringLiteral("CreateDate")).toDate(), date);
    const QDateTime seconds(
        when.date(), QTime(when.time().hour(), when.time().minute(), when.time().second()));
    const auto calls
        = OpenBound(QStringLiteral("select CreateDate from Call where ID=? and CreateDate=%1")
                        .arg(dialect().dateTimeLiteral(seconds)),
            {call});
    QVERIFY(calls);
    QCOMPARE(calls->recordCount(), 1);
    QCOMPARE(calls->value(0, QStringLiteral("CreateDate")).toDateTime(), seconds);
}

void tst_BoundValues::unstorableTextIsRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("why");
    const QString surrogate = QStringLiteral("无效的字符");
    QTest::newRow("high alone") << QStringLiteral("a") + QChar(0xD83D) + QStringLiteral("b")
                                << surrogate;
    QTest::newRow("low alone") << QString(QChar(0xDE00)) << surrogate;
    QTest::newRow("high at the end") << QStringLiteral("水") + QChar(0xD840) << surrogate;
    QTest::newRow("pair reversed") << QString(QChar(0xDE00)) + QChar(0xD83D) << surrogate;
    QTest::newRow("leading byte order mark")
        << QString(QChar(0xFEFF)) + QStringLiteral("x") << QStringLiteral("字节顺序标记");
}

void tst_BoundValues::unstorableTextIsRefused()
{
    QFETCH(QString, text);
    QFETCH(QString, why);
    QCOMPARE(InsertBoundAndGetID(QStringLiteral("insert into Customer(Name,Address) values (?,?)"),
                 {text, QStringLiteral("addr")}),
        0);
    QCOMPARE(m_prompts->requests.size(), 1);
    QVERIFY(m_prompts->requests.first().text.contains(why));
    QCOMPARE(countRows(QStringLiteral("select count(*) from Customer")), 0);
}

QTEST_MAIN(tst_BoundValues)
#include "tst_boundvalues.moc"
