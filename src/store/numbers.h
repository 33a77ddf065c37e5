#pragma once
// Numbers are always written and read with "." whatever the user's locale.

#include <QString>

namespace tendro {

// Plain decimal notation: "." as separator, no thousands separator, no exponent.
QString formatNumber(double value);
// The leading number of a text: blanks skipped, reading stops at the first
// character that cannot continue the number; no leading number gives 0.
double leadingNumber(const QString &text);
// A whole number for an integer column: truncated toward zero; a value
// that is not finite or lies outside the 64-bit range gives 0.
qint64 wholeNumber(double value);
// True when the whole text (blanks around it allowed) is one number.
bool isNumeric(const QString &text);
// The value of a text: the whole text when it is one number ("1.5e3" is
// 1500), otherwise its leading number.
double numberValue(const QString &text);

} // namespace tendro
