#include "itemchecks.h"
#include "store/dates.h"
#include "store/numbers.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace tendro {

const char *const kApostropheRefused = " Nu se accepta caracterul apostrof ( ' ) ";
const char *const kAmountRefused = " Valoarea nu este scrisa corect (exemplu: 1.250,50) ! ";

namespace {

// The amount rounded half away from zero; false when the text is no amount.
bool roundedValue(const QString &text, qint64 &out)
{
    const std::optional<double> amount = readAmount(text);
    if (!amount)
        return false;
    const double v = std::round(*amount);
    if (!std::isfinite(v) || std::fabs(v) >= 1e15)
        return false;
    out = qint64(v);
    return true;
}

// The day, month and year boxes are read by their leading digits.
double valueOf(const QString &text) { return leadingNumber(text); }

// One or two digits and nothing else: no sign, no blank, no letter.
bool isDayOrMonth(const QString &text)
{
    return (text.size() == 1 || text.size() == 2) && std::all_of(text.begin(), text.end(), [](QChar c) {
               return c >= QLatin1Char('0') && c <= QLatin1Char('9');
           });
}

} // namespace

QString formatWhole(const QString &text)
{
    qint64 v = 0;
    return roundedValue(text, v) ? QString::number(v) : text;
}

QString formatTwoDigits(const QString &text)
{
    return isDayOrMonth(text) && text.size() == 1 ? QLatin1Char('0') + text : text;
}

QString dayRefusal(const QString &text)
{
    const bool refused = !text.isEmpty() && (!isDayOrMonth(text) || text.toInt() > 31);
    return refused ? QStringLiteral(" Nu exista aceasta zi ! ") : QString();
}

QString monthRefusal(const QString &text)
{
    const bool refused = !text.isEmpty() && (!isDayOrMonth(text) || text.toInt() > 12);
    return refused ? QStringLiteral(" Nu exista aceasta luna ! ") : QString();
}

std::optional<Refusal> checkFields(const ItemForm &f)
{
    const struct {
        QString message;
        ItemField field;
    } checks[] = {
        {dayRefusal(f.zi1), ItemField::Zi1},
        {monthRefusal(f.luna1), ItemField::Luna1},
        {dayRefusal(f.zi2), ItemField::Zi2},
        {monthRefusal(f.luna2), ItemField::Luna2},
        {f.detal.contains(QLatin1Char('\'')) ? QLatin1String(kApostropheRefused) : QString(), ItemField::Detal},
        {f.resp.contains(QLatin1Char('\'')) ? QLatin1String(kApostropheRefused) : QString(), ItemField::Resp},
        {f.proiect.contains(QLatin1Char('\'')) ? QLatin1String(kApostropheRefused) : QString(), ItemField::Proiect},
    };
    for (const auto &c : checks)
        if (!c.message.isEmpty())
            return Refusal{c.message, c.field};
    return std::nullopt;
}

std::optional<Refusal> checkItem(const ItemForm &f)
{
    if (!f.level2HasEntries)
        return Refusal{QStringLiteral("Selectati pana la cel putin lista de gradul II ")};
    if (!f.proiect.isEmpty() && f.fondRow != 1)
        return Refusal{QStringLiteral(" Toate achizitiile in cadrul unui proiect se fac din fonduri de cercetare ! "),
                       ItemField::None, true};
    if (f.fondRow == 1 && f.proiect.isEmpty())
        return Refusal{QStringLiteral(" Toate achizitiile din fonduri de cercetare se fac in cadrul unui proiect ! "),
                       ItemField::Proiect};
    // An amount is read the Romanian way ("125.000" is 125 000): a text that is no amount is no value.
    if (readAmount(f.vallei).value_or(0) <= 0)
        return Refusal{QStringLiteral(" Specificati valoarea in lei a achizitiei ! "), ItemField::Vallei};
    const struct {
        const QString &text;
        const char *message;
        ItemField field;
    } zeros[] = {
        {f.zi1, " Specificati ziua inceperii procedurii de achizitie ! ", ItemField::Zi1},
        {f.luna1, " Specificati luna inceperii procedurii de achizitie ! ", ItemField::Luna1},
        {f.an1, " Specificati anul inceperii procedurii de achizitie ! ", ItemField::An1},
        {f.zi2, " Specificati ziua finalizarii procedurii de achizitie ! ", ItemField::Zi2},
        {f.luna2, " Specificati luna finalizarii procedurii de achizitie ! ", ItemField::Luna2},
        {f.an2, " Specificati anul finalizarii procedurii de achizitie ! ", ItemField::An2},
    };
    for (const auto &z : zeros)
        if (valueOf(z.text) == 0)
            return Refusal{QLatin1String(z.message), z.field};
    // No 31 April, no 29 February of a common year.
    for (const auto &[day, month, year, field] : {std::tuple{f.zi1, f.luna1, f.an1, ItemField::Zi1},
                                                  std::tuple{f.zi2, f.luna2, f.an2, ItemField::Zi2}})
        if (valueOf(day) > daysInMonth(int(valueOf(month)), int(valueOf(year))))
            return Refusal{QStringLiteral(" Nu exista aceasta zi ! "), field};
    // The day and month boxes hold two digits, so comparing the joined texts
    // compares the dates.
    if (f.an1 + f.luna1 + f.zi1 > f.an2 + f.luna2 + f.zi2)
        return Refusal{QStringLiteral(" Data finalizarii procedurii nu poate mai mica decat data inceperii ! "),
                       ItemField::Luna2};
    if (f.detal.isEmpty())
        return Refusal{f.works ? QStringLiteral(" Specificati obiectivul unde va fi efectuata lucrarea ! ")
                               : QStringLiteral(" Specificati detalii ale acestei achizitii ! "),
                       ItemField::Detal};
    if (f.resp.isEmpty())
        return Refusal{QStringLiteral(" Specificati persoana responsabila de contractul acestei achizitii ! "),
                       ItemField::Resp};
    // The value in euro may be 0, but what is typed there must be an amount.
    if (!f.valeuro.trimmed().isEmpty() && !readAmount(f.valeuro))
        return Refusal{QLatin1String(kAmountRefused), ItemField::Valeuro};
    return std::nullopt;
}

} // namespace tendro
