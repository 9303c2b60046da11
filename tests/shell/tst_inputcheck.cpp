#include "common/scriptedprompter.h"
#include "shell/datetext.h"
#include "shell/inputcheck.h"

#include <QTest>

class tst_InputCheck : public QObject {
    Q_OBJECT

private slots:
    void checkInput_data();
    void checkInput();
    void otherKindsPassUnchecked_data();
    void otherKindsPassUnchecked();
    void parseNumber_data();
    void parseNumber();
    void parseInteger_data();
    void parseInteger();
    void dateForms();
    void parseDate_data();
    void parseDate();
    void sqlLiteral_data();
    void sqlLiteral();
    void badNumberReportedLikeTheCheck();
};

namespace {

const QString Prefix = QStringLiteral("数据输入格式不正确， ");

QString messageFor(int kind, const QString &text)
{
    switch (kind) {
    case mSystem::CheckNumber:
    case mSystem::CheckMoney:
        return Prefix + text + QStringLiteral(" 不是有效的数字！");
    case mSystem::CheckDate:
        return Prefix + text + QStringLiteral(" 不是有效的日期！");
    default:
        return Prefix + text + QStringLiteral(" 不是有效的整数！");
    }
}

} // namespace

void tst_InputCheck::checkInput_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("ok");

    const int number = mSystem::CheckNumber;
    const int date = mSystem::CheckDate;
    const int integer = mSystem::CheckInteger;

    QTest::newRow("number: whole") << "12" << number << true;
    QTest::newRow("number: decimal") << "12.5" << number << true;
    QTest::newRow("number: leading point") << ".5" << number << true;
    QTest::newRow("number: blanks and sign") << "  -42 " << number << true;
    QTest::newRow("number: plus sign") << "+7" << number << true;
    QTest::newRow("number: thousands") << "1,234,567" << number << true;
    QTest::newRow("number: largest") << "2147483647" << number << true;
    QTest::newRow("number: smallest") << "-2147483648" << number << true;
    QTest::newRow("number: beyond largest") << "2147483648" << number << false;
    QTest::newRow("number: rounds beyond largest") << "2147483647.5" << number << false;
    QTest::newRow("number: beyond smallest") << "-2147483649" << number << false;
    QTest::newRow("number: many digits") << "99999999999999999999999" << number << false;
    QTest::newRow("number: letters") << "abc" << number << false;
    QTest::newRow("number: trailing letter") << "12a" << number << false;
    QTest::newRow("number: two points") << "1.2.3" << number << false;
    QTest::newRow("number: sign only") << "-" << number << false;
    QTest::newRow("number: point only") << "." << number << false;
    QTest::newRow("number: blank inside") << "1 2" << number << false;
    QTest::newRow("number: comma after point") << "1.2,3" << number << false;
    QTest::newRow("number: leading comma") << ",12" << number << false;
    QTest::newRow("number: full-width digits") << "１２" << number << false;
    QTest::newRow("number: quote") << "1'" << number << false;
    QTest::newRow("number: empty") << "" << number << false;
    // A comma anywhere but between thousands would multiply the value.
    QTest::newRow("number: decimal comma") << "1,5" << number << false;
    QTest::newRow("number: comma in a group of two") << "12,34" << number << false;
    QTest::newRow("number: group of four before a comma") << "1234,567" << number << false;
    QTest::newRow("number: signed thousands") << "-1,234" << number << true;
    QTest::newRow("number: trailing comma") << "12," << number << false;
    QTest::newRow("number: comma before point") << "1,.5" << number << false;

    const int money = mSystem::CheckMoney;
    QTest::newRow("money: thousands and cents") << "1,234.50" << money << true;
    QTest::newRow("money: decimal comma") << "1,5" << money << false;
    QTest::newRow("money: largest the words say") << "99,999,999.99" << money << true;
    QTest::newRow("money: smallest") << "-99999999.99" << money << true;
    QTest::newRow("money: a cent beyond") << "100,000,000.00" << money << false;
    QTest::newRow("money: beyond by a fraction") << "99999999.991" << money << false;
    QTest::newRow("money: far beyond") << "922337203685477" << money << false;
    QTest::newRow("money: letters") << "abc" << money << false;
    QTest::newRow("money: empty") << "" << money << false;
    QTest::newRow("number: blanks only") << "   " << number << false;

    QTest::newRow("date: iso") << "2026-12-07" << date << true;
    QTest::newRow("date: slashes") << "2026/1/5" << date << true;
    QTest::newRow("date: chinese") << "2026年12月7日" << date << true;
    QTest::newRow("date: month first") << "12-07-2026" << date << true;
    QTest::newRow("date: compact") << "20261207" << date << true;
    QTest::newRow("date: blanks") << " 2026-12-07 " << date << true;
    QTest::newRow("date: february 30") << "2026-02-30" << date << false;
    QTest::newRow("date: month 13") << "13-01-2026" << date << false;
    QTest::newRow("date: words") << "tomorrow" << date << false;
    QTest::newRow("date: number") << "12" << date << false;
    QTest::newRow("date: empty") << "" << date << false;

    QTest::newRow("integer: whole") << "123" << integer << true;
    QTest::newRow("integer: largest") << "32767" << integer << true;
    QTest::newRow("integer: smallest") << "-32768" << integer << true;
    QTest::newRow("integer: rounds down") << "32767.4" << integer << true;
    QTest::newRow("integer: rounds up beyond") << "32767.5" << integer << false;
    QTest::newRow("integer: rounds away below") << "-32768.5" << integer << false;
    QTest::newRow("integer: 40000") << "40000" << integer << false;
    QTest::newRow("integer: blanks and sign") << " +12 " << integer << true;
    QTest::newRow("integer: letters") << "x1" << integer << false;
    QTest::newRow("integer: empty") << "" << integer << false;
}

void tst_InputCheck::checkInput()
{
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(bool, ok);

    ScriptedPrompter prompter;
    QCOMPARE(mSystem::CheckInput(text, kind), ok);
    if (ok) {
        QVERIFY(prompter.requests.isEmpty());
        return;
    }
    QCOMPARE(prompter.requests.size(), 1);
    const Prompt::Request &request = prompter.requests.first();
    QCOMPARE(request.text, messageFor(kind, text));
    QCOMPARE(request.title, QStringLiteral("错误"));
    QCOMPARE(request.icon, Prompt::Icon::Critical);
}

void tst_InputCheck::otherKindsPassUnchecked_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");

    QTest::newRow("9, letters") << 9 << "abc";
    QTest::newRow("9, empty") << 9 << "";
    QTest::newRow("0, letters") << 0 << "abc";
    QTest::newRow("-1, empty") << -1 << "";
}

void tst_InputCheck::otherKindsPassUnchecked()
{
    QFETCH(int, kind);
    QFETCH(QString, text);

    ScriptedPrompter prompter;
    QVERIFY(mSystem::CheckInput(text, kind));
    QVERIFY(prompter.requests.isEmpty());
}

void tst_InputCheck::parseNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint32>("value");

    QTest::newRow("whole") << "12" << true << 12;
    QTest::newRow("half rounds up") << "12.5" << true << 13;
    QTest::newRow("below half") << "12.49" << true << 12;
    QTest::newRow("not rounded twice") << "2.49999" << true << 2;
    QTest::newRow("negative half away from zero") << "-12.5" << true << -13;
    QTest::newRow("small negative") << "-0.4" << true << 0;
    QTest::newRow("leading point") << ".5" << true << 1;
    QTest::newRow("trailing point") << "7." << true << 7;
    QTest::newRow("thousands") << " 1,234,567 " << true << 1234567;
    QTest::newRow("leading zeros") << "0000000000000000042" << true << 42;
    QTest::newRow("largest") << "2147483647" << true << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << true << qint32(-2147483647 - 1);
    QTest::newRow("too large") << "2147483648" << false << 0;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
}

void tst_InputCheck::parseNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(qint32, value);

    ScriptedPrompter prompter;
    qint32 parsed = -99;
    QCOMPARE(mSystem::ParseNumber(text, &parsed), ok);
    QCOMPARE(parsed, ok ? value : -99);
    QVERIFY(prompter.requests.isEmpty());
}

void tst_InputCheck::parseInteger_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint16>("value");

    QTest::newRow("whole") << "123" << true << qint16(123);
    QTest::newRow("largest") << "32767" << true << qint16(32767);
    QTest::newRow("smallest") << "-32768" << true << qint16(-32768);
    QTest::newRow("rounds down to largest") << "32767.4" << true << qint16(32767);
    QTest::newRow("rounds up") << "2.5" << true << qint16(3);
    QTest::newRow("negative rounds away") << "-2.5" << true << qint16(-3);
    QTest::newRow("rounds beyond") << "32767.5" << false << qint16(0);
    QTest::newRow("40000") << "40000" << false << qint16(0);
    QTest::newRow("below smallest") << "-32769" << false << qint16(0);
    QTest::newRow("letters") << "12b" << false << qint16(0);
}

void tst_InputCheck::parseInteger()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(qint16, value);

    ScriptedPrompter prompter;
    qint16 parsed = -99;
    QCOMPARE(mSystem::ParseInteger(text, &parsed), ok);
    QCOMPARE(parsed, ok ? value : qint16(-99));
    QVERIFY(prompter.requests.isEmpty());
}

void tst_InputCheck::dateForms()
{
    const QDate date(2026, 12, 7);
    QCOMPARE(DateText::todayForm(date), QStringLiteral("12-07-2026"));
    QCOMPARE(DateText::shortDate(date), QStringLiteral("2026-12-07"));
    QCOMPARE(DateText::todayForm(QDate(2027, 1, 5)), QStringLiteral("01-05-2027"));
    QCOMPARE(DateText::shortDate(QDate(2027, 1, 5)), QStringLiteral("2027-01-05"));
    // What the program writes it must read back.
    QCOMPARE(DateText::parse(DateText::todayForm(date)), date);
    QCOMPARE(DateText::parse(DateText::shortDate(date)), date);
}

void tst_InputCheck::parseDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");

    QTest::newRow("iso") << "2026-12-07" << QDate(2026, 12, 7);
    QTest::newRow("iso, short parts") << "2026-1-5" << QDate(2026, 1, 5);
    QTest::newRow("slashes") << "2026/12/7" << QDate(2026, 12, 7);
    QTest::newRow("points") << "2026.12.7" << QDate(2026, 12, 7);
    QTest::newRow("chinese") << "2026年1月5日" << QDate(2026, 1, 5);
    QTest::newRow("month first, hyphens") << "12-07-2026" << QDate(2026, 12, 7);
    QTest::newRow("month first, slashes") << "1/5/2026" << QDate(2026, 1, 5);
    QTest::newRow("compact") << "20261207" << QDate(2026, 12, 7);
    QTest::newRow("blanks around") << "  2026-12-07\t" << QDate(2026, 12, 7);
    QTest::newRow("leap day") << "2028-02-29" << QDate(2028, 2, 29);
    QTest::newRow("february 30") << "2026-02-30" << QDate();
    QTest::newRow("no leap day") << "2026-02-29" << QDate();
    QTest::newRow("month 13") << "13-01-2026" << QDate();
    QTest::newRow("day 0") << "2026-12-00" << QDate();
    QTest::newRow("mixed separators") << "2026-12/07" << QDate();
    QTest::newRow("month first, points") << "12.07.2026" << QDate();
    QTest::newRow("two-digit year") << "12-07-26" << QDate();
    QTest::newRow("seven digits") << "2026127" << QDate();
    QTest::newRow("compact, impossible") << "20261340" << QDate();
    QTest::newRow("blank inside") << "2026 -12-07" << QDate();
    QTest::newRow("full-width digits") << "２０２６-12-07" << QDate();
    QTest::newRow("year 0") << "0000-01-01" << QDate();
    QTest::newRow("words") << "today" << QDate();
    QTest::newRow("empty") << "" << QDate();
}

void tst_InputCheck::parseDate()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);

    const QDate parsed = DateText::parse(text);
    QCOMPARE(parsed.isValid(), date.isValid());
    if (date.isValid())
        QCOMPARE(parsed, date);
}

void tst_InputCheck::sqlLiteral_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("literal");

    QTest::newRow("iso") << "2026-12-07"
                         << "'2026-12-07'";
    QTest::newRow("month first") << "12/7/2026"
                                 << "'2026-12-07'";
    QTest::newRow("chinese") << "2026年12月7日"
                             << "'2026-12-07'";
    QTest::newRow("not a date") << "2026-02-30" << QString();
    QTest::newRow("quote") << "2026-12-07' or '1'='1" << QString();
    QTest::newRow("empty") << "" << QString();
}

void tst_InputCheck::sqlLiteral()
{
    QFETCH(QString, text);
    QFETCH(QString, literal);

    const QString result = DateText::sqlLiteral(text);
    QCOMPARE(result, literal);
    QCOMPARE(result.isEmpty(), literal.isEmpty());
    QCOMPARE(DateText::sqlLiteral(DateText::parse(text)), literal);
}

// Checks that decide by a rule of their own (a quantity too large for its
// column) report exactly as the number check does.
void tst_InputCheck::badNumberReportedLikeTheCheck()
{
    ScriptedPrompter prompter;
    const QString typed = QStringLiteral("2147483648");
    QVERIFY(!mSystem::CheckInput(typed, mSystem::CheckNumber));
    mSystem::ReportBadNumber(typed);
    QCOMPARE(prompter.requests.size(), 2);
    QCOMPARE(prompter.requests.at(1).text, prompter.requests.at(0).text);
    QCOMPARE(prompter.requests.at(1).title, QStringLiteral("错误"));
    QCOMPARE(prompter.requests.at(1).text, messageFor(mSystem::CheckNumber, typed));
    QVERIFY(prompter.requests.at(1).icon == prompter.requests.at(0).icon);
}

QTEST_GUILESS_MAIN(tst_InputCheck)
#include "tst_inputcheck.moc"
