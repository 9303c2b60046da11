#include "datastore/currency.h"

#include <QTest>

#include <limits>

class tst_Currency : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void formats_data();
    void formats();
    void fromVariant();
    void arithmeticStaysExact();
    void roundToWhole_data();
    void roundToWhole();
    void parseRange_data();
    void parseRange();
    void overflowNeverWraps();
    void twoDecimals();
    void fromVariantReadsExactText_data();
    void fromVariantReadsExactText();
};

void tst_Currency::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint64>("units");

    QTest::newRow("whole") << "12" << true << qint64(120000);
    QTest::newRow("decimals") << "12.5" << true << qint64(125000);
    QTest::newRow("grouped") << "1,234.56" << true << qint64(12345600);
    QTest::newRow("negative") << "-0.25" << true << qint64(-2500);
    QTest::newRow("leading point") << ".5" << true << qint64(5000);
    QTest::newRow("blanks") << "  7 " << true << qint64(70000);
    QTest::newRow("fifth decimal rounds") << "0.00005" << true << qint64(1);
    QTest::newRow("empty") << "" << false << qint64(0);
    QTest::newRow("letters") << "12a" << false << qint64(0);
    QTest::newRow("two points") << "1.2.3" << false << qint64(0);
    QTest::newRow("sign only") << "-" << false << qint64(0);
    QTest::newRow("quote") << "1'" << false << qint64(0);
    QTest::newRow("sql") << "1;drop table Sale" << false << qint64(0);
    QTest::newRow("full-width digits") << "１２" << false << qint64(0);
    QTest::newRow("too large") << "99999999999999999999" << false << qint64(0);
}

void tst_Currency::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(qint64, units);
    Currency c = Currency::fromUnits(-42);
    QCOMPARE(Currency::parse(text, &c), ok);
    QCOMPARE(c.units(), ok ? units : qint64(-42));
}

void tst_Currency::formats_data()
{
    QTest::addColumn<qint64>("units");
    QTest::addColumn<QString>("grouped");
    QTest::addColumn<QString>("noLeadingZero");
    QTest::addColumn<QString>("sql");

    QTest::newRow("zero") << qint64(0) << "0.00"
                          << ".00"
                          << "0";
    QTest::newRow("half") << qint64(5000) << "0.50"
                          << ".50"
                          << "0.5";
    QTest::newRow("thousands") << qint64(12345678900) << "1,234,567.89"
                               << "1,234,567.89"
                               << "1234567.89";
    QTest::newRow("round half up") << qint64(50) << "0.01"
                                   << ".01"
                                   << "0.005";
    QTest::newRow("negative") << qint64(-12345000) << "-1,234.50"
                              << "-1,234.50"
                              << "-1234.5";
    QTest::newRow("exact thousand") << qint64(10000000) << "1,000.00"
                                    << "1,000.00"
                                    << "1000";
}

void tst_Currency::formats()
{
    QFETCH(qint64, units);
    const Currency c = Currency::fromUnits(units);
    QTEST(c.toGrouped(), "grouped");
    QTEST(c.toGroupedNoLeadingZero(), "noLeadingZero");
    QTEST(c.toSqlText(), "sql");
}

void tst_Currency::fromVariant()
{
    QCOMPARE(Currency::fromVariant(QVariant(12.5)).units(), qint64(125000));
    QCOMPARE(Currency::fromVariant(QVariant(777)).units(), qint64(7770000));
    QCOMPARE(Currency::fromVariant(QVariant(QStringLiteral("3.1400"))).units(), qint64(31400));
    QCOMPARE(Currency::fromVariant(QVariant()).units(), qint64(0));
    // 0.1 + 0.2 as a double is not 0.3; read as money it is.
    QCOMPARE(Currency::fromVariant(QVariant(0.1 + 0.2)), Currency::fromUnits(3000));
}

void tst_Currency::arithmeticStaysExact()
{
    Currency total;
    for (int i = 0; i < 1000; ++i)
        total += Currency::fromUnits(1000); // 0.10 a thousand times
    QCOMPARE(total, Currency::fromInt(100));
    // 3 units at 12.35 each, and a quantity with decimals.
    QCOMPARE(Currency::fromUnits(123500).times(Currency::fromInt(3)), Currency::fromUnits(370500));
    QCOMPARE(Currency::fromInt(10).times(Currency::fromUnits(15000)), Currency::fromInt(15));
    QCOMPARE((Currency::fromInt(5) - Currency::fromInt(8)).toGrouped(), QStringLiteral("-3.00"));
}

void tst_Currency::roundToWhole_data()
{
    QTest::addColumn<qint64>("units");
    QTest::addColumn<qint64>("whole");
    QTest::newRow("below half") << qint64(24999) << qint64(2);
    QTest::newRow("half") << qint64(25000) << qint64(3);
    QTest::newRow("even half") << qint64(35000) << qint64(4);
    QTest::newRow("negative half") << qint64(-25000) << qint64(-3);
    QTest::newRow("negative small") << qint64(-4999) << qint64(0);
}

void tst_Currency::roundToWhole()
{
    QFETCH(qint64, units);
    QTEST(Currency::fromUnits(units).roundToWhole(), "whole");
}

void tst_Currency::parseRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint64>("units");
    // The range is that of 64-bit ten-thousandths: ±922,337,203,685,477.5807.
    QTest::newRow("largest") << "922337203685477.5807" << true
                             << std::numeric_limits<qint64>::max();
    QTest::newRow("smallest") << "-922337203685477.5807" << true
                              << -std::numeric_limits<qint64>::max();
    QTest::newRow("one unit above") << "922337203685477.5808" << false << qint64(0);
    QTest::newRow("whole part above") << "922337203685478" << false << qint64(0);
    QTest::newRow("price that wrapped") << "922337203685479" << false << qint64(0);
    QTest::newRow("rounding past the top") << "922337203685477.58075" << false << qint64(0);
    QTest::newRow("fifteen nines") << "999999999999999" << false << qint64(0);
    QTest::newRow("trillions fit") << "92233720368547" << true << qint64(922337203685470000);
}

void tst_Currency::parseRange()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(qint64, units);
    Currency c = Currency::fromUnits(-42);
    QCOMPARE(Currency::parse(text, &c), ok);
    QCOMPARE(c.units(), ok ? units : qint64(-42));
}

void tst_Currency::overflowNeverWraps()
{
    const Currency top = Currency::fromUnits(std::numeric_limits<qint64>::max());
    const Currency bottom = -top;
    QVERIFY(top.isValid());
    QVERIFY(bottom.isValid());
    QVERIFY(!(top + Currency::fromUnits(1)).isValid());
    QVERIFY(!(bottom - Currency::fromUnits(1)).isValid());
    QVERIFY(!(bottom + bottom).isValid());
    QCOMPARE((top - top), Currency());
    Currency sum = top;
    sum += Currency::fromInt(1);
    QVERIFY(!sum.isValid());
    // Stays overflowed: adding a negative does not bring a wrong figure back.
    sum += -top;
    QVERIFY(!sum.isValid());
    QVERIFY(!(-sum).isValid());
    // Quantity 922337203685477 at price 5.
    QVERIFY(!Currency::fromInt(5).times(Currency::fromInt(922337203685477)).isValid());
    QVERIFY(!Currency::fromInt(922337203685477).times(Currency::fromInt(-2)).isValid());
    QCOMPARE(Currency::fromInt(92233720368547).times(Currency::fromInt(10)),
        Currency::fromInt(922337203685470));
    QVERIFY(!Currency::fromInt(std::numeric_limits<qint64>::max() / 1000).isValid());
    QVERIFY(Currency::fromInt(922337203685477).isValid());
    QVERIFY(!Currency::fromInt(922337203685478).isValid());
    // An overflowed value writes no SQL and no figure to show.
    QCOMPARE(sum.toSqlText(), QString());
    QCOMPARE(sum.toGrouped(), QString());
    QCOMPARE(sum.roundToWhole(), qint64(0));
    QVERIFY(!sum.roundedToCents().isValid());
    QVERIFY(Currency::overflow() != Currency());
}

void tst_Currency::twoDecimals()
{
    QCOMPARE(Currency::fromUnits(12345000).toTwoDecimals(), QStringLiteral("1234.50"));
    QCOMPARE(Currency::fromUnits(0).toTwoDecimals(), QStringLiteral("0.00"));
    QCOMPARE(Currency::fromUnits(-30000).toTwoDecimals(), QStringLiteral("-3.00"));
    QCOMPARE(Currency::fromUnits(50).toTwoDecimals(), QStringLiteral("0.01"));
    QCOMPARE(Currency::fromUnits(-49).toTwoDecimals(), QStringLiteral("0.00"));
    QCOMPARE(Currency::overflow().toTwoDecimals(), QString());
}

void tst_Currency::fromVariantReadsExactText_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("units");
    // Beyond the 15-16 digits a double holds: read digit by digit.
    QTest::newRow("exact decimals")
        << QVariant(QStringLiteral("12345678901234.5678")) << true << qint64(123456789012345678);
    QTest::newRow("largest") << QVariant(QStringLiteral("922337203685477.5807")) << true
                             << std::numeric_limits<qint64>::max();
    QTest::newRow("odd last digit")
        << QVariant(QStringLiteral("900719925474099.3")) << true << qint64(9007199254740993000);
    QTest::newRow("numeric(19,4) beyond the range")
        << QVariant(QStringLiteral("999999999999999.9999")) << false << qint64(0);
    QTest::newRow("double beyond the range") << QVariant(1e300) << false << qint64(0);
    QTest::newRow("infinite double")
        << QVariant(std::numeric_limits<double>::infinity()) << false << qint64(0);
    QTest::newRow("long long beyond the range")
        << QVariant(qlonglong(std::numeric_limits<qint64>::max())) << false << qint64(0);
    QTest::newRow("unsigned beyond the range")
        << QVariant(qulonglong(std::numeric_limits<quint64>::max())) << false << qint64(0);
    QTest::newRow("negative text") << QVariant(QStringLiteral("-0.0001")) << true << qint64(-1);
    QTest::newRow("no number") << QVariant(QStringLiteral("abc")) << true << qint64(0);
}

void tst_Currency::fromVariantReadsExactText()
{
    QFETCH(QVariant, value);
    QFETCH(bool, valid);
    QFETCH(qint64, units);
    const Currency c = Currency::fromVariant(value);
    QCOMPARE(c.isValid(), valid);
    if (valid)
        QCOMPARE(qint64(c.units()), units);
}

QTEST_GUILESS_MAIN(tst_Currency)
#include "tst_currency.moc"
