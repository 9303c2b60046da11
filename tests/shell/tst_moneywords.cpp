#include "shell/moneywords.h"

#include <QTest>

#include <limits>

class tst_MoneyWords : public QObject {
    Q_OBJECT

private slots:
    void digits_data();
    void digits();
    void wholeAmounts_data();
    void wholeAmounts();
    void zerosInsideGroups_data();
    void zerosInsideGroups();
    void fractions_data();
    void fractions();
    void negatives_data();
    void negatives();
    void beyondEightDigits_data();
    void beyondEightDigits();
    void doubleOverload_data();
    void doubleOverload();
    void wholeRangeDoesNotCrash();
};

namespace {

// Amounts are given as text so that every row states its value exactly.
Currency amount(const char *text)
{
    Currency c;
    if (!Currency::parse(QString::fromLatin1(text), &c))
        qFatal("bad amount in test data: %s", text);
    return c;
}

void addAmountColumns()
{
    QTest::addColumn<Currency>("value");
    QTest::addColumn<QString>("words");
}

void addRow(const char *text, const char *words)
{
    QTest::newRow(text) << amount(text) << QString::fromUtf8(words);
}

void compareWords()
{
    QFETCH(Currency, value);
    QFETCH(QString, words);
    QCOMPARE(mSystem::MoneyToChinese(value), words);
}

} // namespace

void tst_MoneyWords::digits_data()
{
    QTest::addColumn<int>("digit");
    QTest::addColumn<QString>("word");

    QTest::newRow("-1") << -1 << QString();
    const char *words[] = {"零", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖"};
    for (int d = 0; d <= 9; ++d)
        QTest::newRow(qPrintable(QString::number(d))) << d << QString::fromUtf8(words[d]);
    QTest::newRow("10") << 10 << QString();
    QTest::newRow("int min") << std::numeric_limits<int>::min() << QString();
}

void tst_MoneyWords::digits()
{
    QFETCH(int, digit);
    QFETCH(QString, word);
    const QString result = mSystem::DigitToChinese(digit);
    QCOMPARE(result, word);
    QCOMPARE(result.isEmpty(), word.isEmpty());
}

void tst_MoneyWords::wholeAmounts_data()
{
    addAmountColumns();
    addRow("0", " ");
    addRow("1", "壹元");
    addRow("9", "玖元");
    addRow("10", "壹拾元");
    addRow("15", "壹拾伍元");
    addRow("101", "壹佰零壹元");
    addRow("1234", "壹仟贰佰叁拾肆元");
    addRow("10001", "壹万零壹元");
    addRow("20000", "贰万元");
    addRow("10100", "壹万零壹佰元");
    addRow("12000", "壹万贰仟元");
    addRow("100000", "壹拾万元");
    addRow("1010000", "壹佰零壹万元");
    addRow("1001234", "壹佰万壹仟贰佰叁拾肆元");
    addRow("99999999", "玖仟玖佰玖拾玖万玖仟玖佰玖拾玖元");
}

void tst_MoneyWords::wholeAmounts()
{
    compareWords();
}

void tst_MoneyWords::zerosInsideGroups_data()
{
    addAmountColumns();
    addRow("100", "壹佰元");
    addRow("1001", "壹仟零壹元");
    addRow("1010", "壹仟零壹拾元");
    addRow("10010", "壹万零壹拾元");
    addRow("100100", "壹拾万零壹佰元");
    addRow("1000001", "壹佰万零壹元");
    addRow("10000000", "壹仟万元");
    addRow("11000000", "壹仟壹佰万元");
    addRow("10000100", "壹仟万零壹佰元");
    addRow("10203040", "壹仟零贰拾万叁仟零肆拾元");
    // 万 over an empty lower group.
    addRow("50000", "伍万元");
    addRow("1000000", "壹佰万元");
    addRow("3050000", "叁佰零伍万元");
    addRow("20000.5", "贰万元伍角");
}

void tst_MoneyWords::zerosInsideGroups()
{
    compareWords();
}

void tst_MoneyWords::fractions_data()
{
    addAmountColumns();
    addRow("12.5", "壹拾贰元伍角");
    addRow("1.05", "壹元伍分");
    addRow("0.5", "元伍角");
    addRow("0.05", "元伍分");
    addRow("0.1", "元壹角");
    addRow("3.10", "叁元壹角");
    addRow("3.01", "叁元壹分");
    addRow("7.89", "柒元捌角玖分");
    addRow("0.123", "元壹角贰分");
    addRow("0.129", "元壹角贰分");
    // A written zero hundredth is kept when the third decimal follows it.
    addRow("0.103", "元壹角零分");
    addRow("0.0001", "元零分");
    addRow("10.5", "壹拾元伍角");
}

void tst_MoneyWords::fractions()
{
    compareWords();
}

void tst_MoneyWords::negatives_data()
{
    addAmountColumns();
    addRow("-3", "负叁元");
    addRow("-0.5", "负元伍角");
    addRow("-10001", "负壹万零壹元");
    addRow("-12.34", "负壹拾贰元叁角肆分");
    addRow("-100000000", "负壹亿元");
}

void tst_MoneyWords::negatives()
{
    compareWords();
}

void tst_MoneyWords::beyondEightDigits_data()
{
    addAmountColumns();
    addRow("100000000", "壹亿元");
    addRow("100000001", "壹亿零壹元");
    addRow("100001234", "壹亿零壹仟贰佰叁拾肆元");
    addRow("100000010", "壹亿零壹拾元");
    addRow("101000000", "壹亿零壹佰万元");
    addRow("100100000", "壹亿零壹拾万元");
    addRow("100010000", "壹亿零壹万元");
    addRow("1001000000", "壹拾亿零壹佰万元");
    addRow("123456789", "壹亿贰仟叁佰肆拾伍万陆仟柒佰捌拾玖元");
    addRow("210000000", "贰亿壹仟万元");
    addRow("1000000000", "壹拾亿元");
    addRow("1000000000000", "壹万亿元");
    addRow("1000100000000", "壹万零壹亿元");
    addRow("100000000.5", "壹亿元伍角");
    addRow("922337203685477.5807",
        "玖佰贰拾贰万叁仟叁佰柒拾贰亿零叁佰陆拾捌万伍仟肆佰柒拾柒元伍角捌分");
}

void tst_MoneyWords::beyondEightDigits()
{
    compareWords();
}

void tst_MoneyWords::doubleOverload_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("words");

    QTest::newRow("12.5") << 12.5 << QStringLiteral("壹拾贰元伍角");
    QTest::newRow("1.05") << 1.05 << QStringLiteral("壹元伍分");
    QTest::newRow("0.1") << 0.1 << QStringLiteral("元壹角");
    QTest::newRow("-3") << -3.0 << QStringLiteral("负叁元");
    QTest::newRow("zero") << 0.0 << QStringLiteral(" ");
    QTest::newRow("1e8") << 1e8 << QStringLiteral("壹亿元");
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << QString();
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << QString();
    QTest::newRow("too large") << 1e16 << QString();
}

void tst_MoneyWords::doubleOverload()
{
    QFETCH(double, value);
    QFETCH(QString, words);
    const QString result = mSystem::MoneyToChinese(value);
    QCOMPARE(result, words);
    QCOMPARE(result.isEmpty(), words.isEmpty());
}

void tst_MoneyWords::wholeRangeDoesNotCrash()
{
    const Currency lowest = Currency::fromUnits(std::numeric_limits<std::int64_t>::min());
    const Currency highest = Currency::fromUnits(std::numeric_limits<std::int64_t>::max());
    QCOMPARE(mSystem::MoneyToChinese(highest),
        QStringLiteral("玖佰贰拾贰万叁仟叁佰柒拾贰亿零叁佰陆拾捌万伍仟肆佰柒拾柒元伍角捌分"));
    QCOMPARE(mSystem::MoneyToChinese(lowest),
        QStringLiteral("负玖佰贰拾贰万叁仟叁佰柒拾贰亿零叁佰陆拾捌万伍仟肆佰柒拾柒元伍角捌分"));
}

QTEST_GUILESS_MAIN(tst_MoneyWords)
#include "tst_moneywords.moc"
