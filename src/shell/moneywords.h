#pragma once

#include "datastore/currency.h"

#include <QString>

// Amounts in capital Chinese numerals, as they are written on receipts and
// vouchers so that a figure cannot be altered by adding a stroke.
namespace mSystem {

// "零".."玖" for 0..9; empty for anything else.
QString DigitToChinese(int digit);

// 1234.5 -> "壹仟贰佰叁拾肆元伍角". Zero gives a single blank, so that a
// printed field keeps its height; negative amounts start with "负". Only
// jiao and fen are written: further decimals are dropped, not rounded.
QString MoneyToChinese(const Currency &amount);
// Rounded to Currency's four decimals first. Gives an empty text for a value
// Currency cannot hold (infinite, not a number, or too large).
QString MoneyToChinese(double amount);

} // namespace mSystem
