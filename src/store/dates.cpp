#include "dates.h"
#include "numbers.h"

#include <QDate>
#include <QRegularExpression>

namespace tendro {

YearBounds yearBounds(const QString &year)
{
    return {year + QStringLiteral("0101"), year + QStringLiteral("1231")};
}

YearBounds yearBounds(int year) { return yearBounds(QString::number(year)); }

QString displayDate(const QString &day, const QString &month, const QString &year)
{
    return day + QLatin1Char('.') + month + QLatin1Char('.') + year;
}

QString compareDate(const QString &day, const QString &month, const QString &year)
{
    return year + month + day;
}

QString compareFromDisplay(const QString &display)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{2})\\.(\\d{2})\\.(\\d{4})$"));
    const auto m = re.match(display);
    if (!m.hasMatch())
        return QString();
    return compareDate(m.captured(1), m.captured(2), m.captured(3));
}

DateFault displayDateFault(const QString &t)
{
    if (t.indexOf(QLatin1Char('.')) != 2 || t.indexOf(QLatin1Char('.'), 3) != 5)
        return DateFault::Format;
    const double day = leadingNumber(t.mid(0, 2));
    if (day <= 0 || day > 31)
        return DateFault::Day;
    const double month = leadingNumber(t.mid(3, 2));
    if (month <= 0 || month > 12)
        return DateFault::Month;
    if (int(day) > daysInMonth(int(month), int(leadingNumber(t.mid(6, 4)))))
        return DateFault::Day;
    return DateFault::None;
}

int daysInMonth(int month, int year)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 31;
    if (month == 2 && QDate::isLeapYear(year))
        return 29;
    return days[month - 1];
}

bool inYear(const QString &compareForm, int year)
{
    const YearBounds b = yearBounds(year);
    return compareForm >= b.lower && compareForm <= b.upper;
}

} // namespace tendro
