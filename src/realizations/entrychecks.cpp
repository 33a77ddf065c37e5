#include "entrychecks.h"
#include "store/dates.h"
#include "store/numbers.h"

#include <QRegularExpression>
#include <cmath>

namespace tendro {

namespace {

const char *const kApostrophe = " Nu puteti introduce caracterul apostrof ";

QString yyyymmdd(const QString &t) { return t.mid(6, 4) + t.mid(3, 2) + t.mid(0, 2); }

QString lengthRefusal(const QString &text, int limit)
{
    return text.size() > limit ? QStringLiteral(" Numarul maxim de caractere este %1 ").arg(limit) : QString();
}

// A numeric text in plain decimal notation: no sign "+", no exponent, no
// leading zeros, no trailing zeros after the point; empty text when the
// exponent is beyond any value a double holds.
QString plainDecimal(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^\\s*([-+]?)([0-9]*)\\.?([0-9]*)(?:[eE]([-+]?[0-9]+))?\\s*$"));
    const QRegularExpressionMatch m = re.match(text);
    bool ok = false;
    const int exponent = m.captured(4).isEmpty() ? 0 : m.captured(4).toInt(&ok);
    if (!m.hasMatch() || (!m.captured(4).isEmpty() && (!ok || std::abs(exponent) > 400)))
        return QString();
    QString digits = m.captured(2) + m.captured(3);
    int point = int(m.captured(2).size()) + exponent;   // digits before the point
    if (point < 0) {
        digits.prepend(QString(-point, QLatin1Char('0')));
        point = 0;
    }
    if (point > digits.size())
        digits.append(QString(point - int(digits.size()), QLatin1Char('0')));
    QString whole = digits.left(point), fraction = digits.mid(point);
    while (whole.size() > 1 && whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    QString out = fraction.isEmpty() ? whole : whole + QLatin1Char('.') + fraction;
    if (m.captured(1) == QLatin1String("-") && out != QLatin1String("0"))
        out.prepend(QLatin1Char('-'));
    return out;
}

// A number the grid can keep: finite; a contract or act number as digits.
bool storableNumber(const QString &text)
{
    if (!isNumeric(text))
        return false;
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v);
}

// An amount read the Romanian way ("1.250,50"; "-250,40" for a credit note)
// that reads back from the file (as its shortest exact form) as typed.
bool storableAmount(const QString &text)
{
    const std::optional<QString> plain = plainAmount(text, true);
    const std::optional<double> v = readAmount(text, true);
    return plain && v && formatNumber(*v) == plainDecimal(*plain);
}

// Each date cell takes exactly dd.mm.yyyy in digits; no blank, sign or letter.
bool dateDigits(const QString &t)
{
    static const QRegularExpression re(QStringLiteral("^[0-9]{2}\\.[0-9]{2}\\.[0-9]{4}$"));
    return re.match(t).hasMatch();
}

} // namespace

QString entryDateRefusal(const QString &t, const QString &year, bool apostropheFirst)
{
    if (apostropheFirst && t.contains(QLatin1Char('\'')))
        return QLatin1String(kApostrophe);
    if (t.size() > 10)
        return QStringLiteral(" Numarul maxim de caractere ce reprezinta data este 10 ");
    if (!dateDigits(t))
        return QStringLiteral("Formatul datei nu este zz.ll.aaaa ");
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
    const bool number = column == EContrnr || column == EActnr;
    // Contract and act numbers are kept as typed, less the blanks around them.
    r[column] = number ? text.trimmed() : text;
    // The contract is optional: its number and date may be emptied again.
    const bool clearedContract = text.isEmpty() && (column == EContrnr || column == EContrdata1);

    if (number || column == ELei) {
        if (!clearedContract && !(number ? storableNumber(text) : storableAmount(text)))
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
    row = r;
    return QString();
}

QString checkEntryRow(const QStringList &r, int *column)
{
    const auto filled = [&r](int c) { return !r.value(c).isEmpty(); };
    const auto refuse = [column](int c, const char *message) {
        if (column)
            *column = c;
        return QLatin1String(message);
    };
    if (filled(EContrdata1) && !filled(EContrnr))
        return refuse(EContrnr, " Completati numarul contractului ");
    if (filled(EContrnr) && !filled(EContrdata1))
        return refuse(EContrdata1, " Completati data contractului ");
    if (!filled(EFurniz))
        return refuse(EFurniz, " Completati furnizorul ");
    if (!filled(EDenumach))
        return refuse(EDenumach, " Completati denumirea produsului/serviciului/lucrarii ");
    if (!filled(EActnr))
        return refuse(EActnr, " Completati numarul actului de achizitie (factura / bon fiscal) ");
    if (!filled(EActdata1))
        return refuse(EActdata1, " Completati data actului de achizitie (factura / bon fiscal) ");
    if (readAmount(r.value(ELei), true).value_or(0) == 0)
        return refuse(ELei, " Completati valoarea actului de achizitie (factura / bon fiscal) ");
    if (!filled(ERefer))
        return refuse(ERefer, " Completati numarul si data referatului ");
    // Dates checked cell by cell may have been changed since: the order of
    // contract, request and act holds for the row as it is stored.
    if (filled(EContrdata2) && r.value(EActdata2) < r.value(EContrdata2))
        return refuse(EActdata1, " Data achizitiei mai mica decat data contractului !!! ");
    const QString refer = r.value(ERefer);
    if (r.value(EActdata2) < yyyymmdd(refer.mid(refer.indexOf(QLatin1Char('/')) + 1)))
        return refuse(ERefer, " Data referatului este mai mare decat data achizitiei !!! ");
    return QString();
}

} // namespace tendro
