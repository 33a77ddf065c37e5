#pragma once
// Dates are stored twice: dd.mm.yyyy to show, yyyymmdd to compare as text.

#include <QString>

namespace tendro {

struct YearBounds {
    QString lower;   // Y + "0101"
    QString upper;   // Y + "1231"
};

YearBounds yearBounds(const QString &year);
YearBounds yearBounds(int year);

QString displayDate(const QString &day, const QString &month, const QString &year);
QString compareDate(const QString &day, const QString &month, const QString &year);
// "dd.mm.yyyy" to "yyyymmdd"; anything else gives empty text.
QString compareFromDisplay(const QString &display);
// How a dd.mm.yyyy text fails the date boxes' checks, in their order: the
// points in the third and sixth places, a day of 1 to 31, a month of 1 to
// 12, and then a day past its month's end (31.04, 29.02 of a common year),
// which is the day's fault too: no such date may be stored.
enum class DateFault { None, Format, Day, Month };
DateFault displayDateFault(const QString &text);

// The days of a month of a year (February 29 in a leap year); 31 for a month
// that is none.
int daysInMonth(int month, int year);

// Whether a yyyymmdd text lies in year Y, bounds included.
bool inYear(const QString &compareForm, int year);

} // namespace tendro
