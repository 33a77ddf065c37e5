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
// Whether a yyyymmdd text lies in year Y, bounds included.
bool inYear(const QString &compareForm, int year);

} // namespace tendro
