#pragma once
// Numbers are always written and read with "." whatever the user's locale.

#include <QString>
#include <optional>

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

// An amount as a user types it, the Romanian way: "," is the decimal
// separator and "." groups thousands ("1.250,50" is 1250.5, "125.000" is
// 125000). A "." with no "," is a decimal point only where it cannot be a
// grouping ("2500.5", "12.50"). Nothing for a text that fits neither
// ("1.25.0", "1,2,3"), for an empty one, and for a sign when `negative` is
// false.
std::optional<double> readAmount(const QString &text, bool negative = false);
// The same amount in plain "." notation, every digit as typed ("1.250,50"
// gives "1250.50"), for a check that it can be stored as it was typed.
std::optional<QString> plainAmount(const QString &text, bool negative = false);

// A value rounded to the bani it shows as (half away from zero); 0 for a
// value no amount can be.
qint64 toCents(double value);
// The same rounding in SQL, for a column or expression: whole bani as an
// integer, so that sums of them are exact. (The engine's own round() goes
// through text and costs a microsecond a row.)
QString centsSql(const QString &value);
// Money as the reports print it and the grids show it: "66.966.402,11",
// "-250,40".
QString moneyText(qint64 cents);
QString moneyText(double value);
// A whole-lei amount: "1.234.567"; with its cents when it has any, so that
// no value is shown other than it is ("2.300,50").
QString leiText(double value);

} // namespace tendro
