#pragma once

#include <QString>
#include <QtGlobal>

class Currency;

// Checks what people type into the entry fields before any of it reaches a
// statement, and tells them at once when it will not do.
namespace mSystem {

// Every number and money field of every form and grid reads its text by
// one rule: blanks around, a leading sign, digits with at most one point,
// and commas only as thousands separators ("1,234.50"). "1,5" is refused,
// never read as 15. Money is also refused beyond what the money words can
// say (MaxMoney).
enum CheckKind { CheckNumber = 1, CheckDate = 2, CheckInteger = 3, CheckMoney = 4 };

// True when text fits kind; otherwise reports it (title "错误") and returns
// false. An empty text never fits. Kinds without a rule pass unchecked.
bool CheckInput(const QString &text, int kind);

// The number check's message for text that is no number or out of range,
// for checks that decide by their own rule (a quantity too large to store).
void ReportBadNumber(const QString &text);

// Whole numbers as the check accepts them: blanks around, a leading sign,
// thousands commas between digits and decimals, which are rounded half away
// from zero ("12.5" is 13). *value is set only on success; nothing is
// reported.
bool ParseNumber(const QString &text, qint32 *value);
bool ParseInteger(const QString &text, qint16 *value);
// A decimal (a quantity or price cell) by the rule above, to the
// ten-thousandth; *value is set only on success; nothing is reported.
bool ParseDecimal(const QString &text, Currency *value);
// As ParseDecimal, and no larger in size than MaxMoney.
bool ParseMoney(const QString &text, Currency *value);
// The largest amount: eight digits before the point, as the money words go.
Currency MaxMoney();

} // namespace mSystem
