#include "entrychecks.h"
#include "store/dates.h"
#include "store/numbers.h"

namespace tendro {

namespace {

const char *const kApostrophe = " Nu puteti introduce caracterul apostrof ";

QString yyyymmdd(const QString &t) { return t.mid(6, 4) + t.mid(3, 2) + t.mid(0, 2); }

QString lengthRefusal(const QString &text, int limit)
{
    return text.size() > limit ? QStringLiteral(" Numarul maxim de caractere este %1 ").arg(limit) : QString();
}

} // namespace

QString entryDateRefusal(const QString &t, const QString &year, bool apostropheFirst)
{
    if (apostropheFirst && t.contains(QLatin1Char('\'')))
        return QLatin1String(kApostrophe);
    if (t.size() > 10)
        return QStringLiteral(" Numarul maxim de caractere ce reprezinta data este 10 ");
    switch (displayDateFault(t)) {
    case DateFault::Format: return QStringLiteral("Formatul datei nu este zz.ll.aaaa ");
    case DateFault::Day: return QStringLiteral("Numarul zilei este necorespunzator ");
    case DateFault::Month: return QStringLiteral("Numarul lunii este necorespunzator ");
    case DateFault::None: break;
    }
    if (t.mid(6, 4) != year)
        return QStringLiteral("Anul trebuie sa fie ") + year + QLatin1Char(' ');
    return QString();
}

QString checkEntryCell(QStringList &row, int column, const QString &text, const EntryContext &ctx)
{
    if (ctx.idsel == 0)
        return QStringLiteral(" Faceti click pe sageata neagra pentru selectarea randului, din tabelul de program "
                              "aprobat, la care se vor atasa realizari ");
    QStringList r = row;
    while (r.size() < EColumnCount)
        r << QString();
    r[column] = text;
    // The contract is optional: its number and date may be emptied again.
    const bool clearedContract = text.isEmpty() && (column == EContrnr || column == EContrdata1);

    if (column == EContrnr || column == EActnr || column == ELei) {
        if (!clearedContract && !isNumeric(text))
            return QStringLiteral("Introduceti doar numere !");
        for (const int c : {int(EContrnr), int(EActnr)}) {
            const QString refusal = lengthRefusal(r.at(c), 15);
            if (!refusal.isEmpty())
                return refusal;
        }
    }
    if (column == EContrdata1) {
        if (!clearedContract) {
            const QString refusal = entryDateRefusal(text, ctx.year, true);
            if (!refusal.isEmpty())
                return refusal;
        }
        r[EContrdata2] = clearedContract ? QString() : yyyymmdd(text);
    }
    if (column == EFurniz || column == EDenumach || column == ERefer) {
        if (text.contains(QLatin1Char('\'')))
            return QLatin1String(kApostrophe);
        for (const auto &[c, limit] : {std::pair{int(EFurniz), 30}, {int(EDenumach), 40}, {int(ERefer), 25}}) {
            const QString refusal = lengthRefusal(r.at(c), limit);
            if (!refusal.isEmpty())
                return refusal;
        }
    }
    if (column == EActdata1) {
        const QString refusal = entryDateRefusal(text, ctx.year, true);
        if (!refusal.isEmpty())
            return refusal;
        if (!r.at(EContrdata2).isEmpty() && yyyymmdd(text) < r.at(EContrdata2))
            return QStringLiteral(" Data achizitiei mai mica decat data contractului !!! ");
        r[EActdata2] = yyyymmdd(text);
    }
    if (column == ERefer) {
        const int slash = int(text.indexOf(QLatin1Char('/')));
        const QString d = slash < 0 ? text : text.mid(slash + 1);
        const QString refusal = entryDateRefusal(d, ctx.year, false);
        if (!refusal.isEmpty())
            return refusal;
        if (r.at(EActdata2) < yyyymmdd(d))
            return QStringLiteral(" Data referatului este mai mare decat data achizitiei !!! ");
    }
    const bool complete = !r.at(EFurniz).isEmpty() && !r.at(EDenumach).isEmpty() && !r.at(EActnr).isEmpty()
        && !r.at(EActdata1).isEmpty() && !r.at(ERefer).isEmpty() && numberValue(r.at(ELei)) > 0;
    if (complete) {
        r[EId] = QString::number(ctx.idsel);
        r[EIdos] = QString::number(ctx.idos);
        // " " marks a realization without project; the totals rely on it.
        r[EProiect] = ctx.proiectsel.isEmpty() ? QStringLiteral(" ") : ctx.proiectsel;
    }
    row = r;
    return QString();
}

QString checkEntryRow(const QStringList &r)
{
    const auto filled = [&r](int c) { return !r.value(c).isEmpty(); };
    if (filled(EContrdata1) && !filled(EContrnr))
        return QStringLiteral(" Completati numarul contractului ");
    if (filled(EContrnr) && !filled(EContrdata1))
        return QStringLiteral(" Completati data contractului ");
    if (!filled(EFurniz))
        return QStringLiteral(" Completati furnizorul ");
    if (!filled(EDenumach))
        return QStringLiteral(" Completati denumirea produsului/serviciului/lucrarii ");
    if (!filled(EActnr))
        return QStringLiteral(" Completati numarul actului de achizitie (factura / bon fiscal) ");
    if (!filled(EActdata1))
        return QStringLiteral(" Completati data actului de achizitie (factura / bon fiscal) ");
    if (numberValue(r.value(ELei)) == 0)
        return QStringLiteral(" Completati valoarea actului de achizitie (factura / bon fiscal) ");
    if (!filled(ERefer))
        return QStringLiteral(" Completati numarul si data referatului ");
    return QString();
}

} // namespace tendro
