#include "shell/moneywords.h"

#include <cmath>

namespace mSystem {
namespace {

const QString Zero = QStringLiteral("零");

QString digitWord(QChar ch)
{
    return DigitToChinese(ch.unicode() - '0');
}

bool allZeros(const QString &digits)
{
    for (const QChar ch : digits) {
        if (ch != QLatin1Char('0'))
            return false;
    }
    return true;
}

QString withoutLeadingZeros(QString words)
{
    while (words.startsWith(Zero))
        words.remove(0, Zero.size());
    return words;
}

// Words for one group of up to four digits, read from the right. A run of
// zeros inside the group is spoken as a single 零. In the 万 group nothing
// stands above the thousands place, so a zero there says nothing; in the
// lower group it marks the gap below 万.
QString groupWords(const QString &digits, bool zeroAtThousands)
{
    static const QString placeNames[]
        = {QString(), QStringLiteral("拾"), QStringLiteral("佰"), QStringLiteral("仟")};
    QString words;
    const int count = int(qMin(digits.size(), qsizetype(4)));
    for (int place = 0; place < count; ++place) {
        const QChar ch = digits.at(digits.size() - 1 - place);
        if (place == 0)
            words = digitWord(ch);
        else if (ch != QLatin1Char('0'))
            words = digitWord(ch) + placeNames[place] + words;
        else if (place < 3 || zeroAtThousands) {
            if (!words.startsWith(Zero))
                words.prepend(Zero);
        }
    }
    return words;
}

// The lower group with the 零 of trailing zeros taken off ("1000" is 壹仟,
// not 壹仟零).
QString lowerWords(const QString &digits)
{
    QString words = groupWords(digits, true);
    if (words.endsWith(Zero))
        words.chop(Zero.size());
    return words;
}

// Up to eight digits: the 万 group and the lower group.
QString eightDigitWords(const QString &digits)
{
    const qsizetype upperCount = qMax(digits.size() - 4, qsizetype(0));
    QString upper = groupWords(digits.left(upperCount), false);
    if (!upper.isEmpty()) {
        if (upper.endsWith(Zero))
            upper.chop(Zero.size());
        upper += QStringLiteral("万");
    }
    return upper + lowerWords(digits.mid(upperCount));
}

// digits carries no leading zeros. Beyond eight digits the count of 亿 is
// itself a number in words, and the eight digits below it need a 零 of their
// own wherever their highest place is empty.
QString integerWords(const QString &digits)
{
    if (digits.size() <= 8)
        return eightDigitWords(digits);

    const QString high = digits.left(digits.size() - 8);
    const QString low = digits.right(8);
    QString words = integerWords(high) + QStringLiteral("亿");
    if (allZeros(low))
        return words;
    if (allZeros(low.left(4)))
        return words + Zero + withoutLeadingZeros(lowerWords(low.right(4)));
    if (low.at(0) == QLatin1Char('0'))
        return words + Zero + withoutLeadingZeros(eightDigitWords(low));
    return words + eightDigitWords(low);
}

// Jiao and fen only. A zero tenth is left out, a zero hundredth is written.
QString fractionWords(const QString &digits)
{
    QString words;
    if (!digits.isEmpty() && digits.at(0) != QLatin1Char('0'))
        words += digitWord(digits.at(0)) + QStringLiteral("角");
    if (digits.size() >= 2)
        words += digitWord(digits.at(1)) + QStringLiteral("分");
    return words;
}

} // namespace

QString DigitToChinese(int digit)
{
    static const char16_t words[] = u"零壹贰叁肆伍陆柒捌玖";
    if (digit < 0 || digit > 9)
        return QString();
    return QString(QChar(words[digit]));
}

QString MoneyToChinese(const Currency &amount)
{
    const std::int64_t units = amount.units();
    if (units == 0)
        return QStringLiteral(" ");

    // Unsigned, so that the most negative amount has a magnitude as well.
    const quint64 magnitude = units < 0 ? quint64(0) - quint64(units) : quint64(units);
    const quint64 whole = magnitude / quint64(Currency::Scale);
    const quint64 fraction = magnitude % quint64(Currency::Scale);

    const QString integerDigits = whole != 0 ? QString::number(whole) : QString();
    QString fractionDigits;
    if (fraction != 0) {
        fractionDigits = QString::number(fraction).rightJustified(4, QLatin1Char('0'));
        while (fractionDigits.endsWith(QLatin1Char('0')))
            fractionDigits.chop(1);
    }

    const QString words
        = integerWords(integerDigits) + QStringLiteral("元") + fractionWords(fractionDigits);
    return units < 0 ? QStringLiteral("负") + words : words;
}

QString MoneyToChinese(double amount)
{
    const double scaled = amount * double(Currency::Scale);
    // Also false for NaN.
    if (!(std::fabs(scaled) < 9223372036854775808.0))
        return QString();
    return MoneyToChinese(Currency::fromUnits(std::llround(scaled)));
}

} // namespace mSystem
