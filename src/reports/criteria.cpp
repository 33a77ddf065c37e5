#include "criteria.h"
#include "store/dates.h"
#include "store/numbers.h"

#include <cmath>

namespace tendro {

namespace {

struct Range {
    const char *column, *both, *from, *to;
};

void appendRange(QString &selection, QString &criteria, const Range &r, const std::pair<QString, QString> &boxes)
{
    const QString k1 = compareFormOf(boxes.first), k2 = compareFormOf(boxes.second);
    const QString col = QStringLiteral(" and {program.") + QLatin1String(r.column) + QLatin1Char('}');
    if (!boxes.first.isEmpty() && !boxes.second.isEmpty()) {
        selection += col + QStringLiteral(">='") + k1 + QLatin1Char('\'') + col + QStringLiteral("<='") + k2
            + QLatin1Char('\'');
        criteria += QLatin1String(r.both) + boxes.first + QStringLiteral(" si ") + boxes.second;
    } else if (!boxes.first.isEmpty()) {
        selection += col + QStringLiteral(">='") + k1 + QLatin1Char('\'');
        criteria += QLatin1String(r.from) + boxes.first;
    } else {
        selection += col + QStringLiteral("<='") + k2 + QLatin1Char('\'');
        criteria += QLatin1String(r.to) + boxes.second;
    }
}

} // namespace

QString compareFormOf(const QString &display)
{
    return display.mid(6, 4) + display.mid(3, 2) + display.mid(0, 2);
}

QString amountBoxRefusal(const QString &text)
{
    return text.trimmed().isEmpty() || readAmount(text) ? QString()
                                                       : QStringLiteral(" Valoarea nu este scrisa corect (exemplu: 1.250,50) ! ");
}

QString dateBoxRefusal(const QString &t, int currentYear)
{
    DateFault fault = displayDateFault(t);
    // A sign is no digit: "+1.05.2026" names no day.
    if (fault == DateFault::None && (t.at(0) == QLatin1Char('+') || t.at(0) == QLatin1Char('-')))
        fault = DateFault::Day;
    switch (fault) {
    case DateFault::Format: return QStringLiteral("Formatul datei nu este zz.ll.aaaa !!! ");
    case DateFault::Day: return QStringLiteral("Numarul zilei este necorespunzator !!! ");
    case DateFault::Month: return QStringLiteral("Numarul lunii este necorespunzator !!! ");
    case DateFault::None: break;
    }
    const double year = leadingNumber(t.mid(6, 4));
    if (year < 1991 || year > currentYear)
        return QStringLiteral("Anul este necorespunzator !!! ");
    return QString();
}

ReportRequest buildRequest(const CriteriaState &s)
{
    ReportRequest out;
    QString &sel = out.selection;
    sel = s.proposals ? QStringLiteral("{program.euro}=0") : QStringLiteral("{program.proced}<>''");
    sel += QStringLiteral(" and {program.datainc2}>='") + s.datamin + QStringLiteral("' and {program.datainc2}<='")
        + s.datamax + QLatin1Char('\'');
    QString crit;
    if (s.activity) {
        sel += QStringLiteral(" and {program.activit}='") + *s.activity + QLatin1Char('\'');
        crit += QStringLiteral("activitatea ") + *s.activity;
    }
    if (s.kind) {
        sel += QStringLiteral(" and {cpv.fel}=") + QString::number(*s.kind);
        crit += QStringLiteral(",achizitia de ") + s.kindCaption;
    }
    if (s.fund) {
        sel += QStringLiteral(" and {program.fond}='") + *s.fund + QLatin1Char('\'');
        crit += QStringLiteral(",din fonduri ") + *s.fund;
    }
    if (s.value) {
        // Read the Romanian way ("100.000" is 100 000) and said as applied, in the reports' money form.
        const double a = readAmount(s.value->first).value_or(0), b = readAmount(s.value->second).value_or(0);
        if (a > 0 && b > 0) {
            sel += QStringLiteral(" and {program.lei}>=") + formatNumber(a) + QStringLiteral(" and {program.lei}<=")
                + formatNumber(b);
            crit += QStringLiteral(",cu valoarea estimata cuprinsa intre ") + moneyText(a) + QStringLiteral(" si ")
                + moneyText(b);
        } else if (a > 0) {
            sel += QStringLiteral(" and {program.lei}>=") + formatNumber(a);
            crit += QStringLiteral(",cu valoarea estimata >= ") + moneyText(a);
        } else {
            sel += QStringLiteral(" and {program.lei}<=") + formatNumber(b);
            crit += QStringLiteral(",cu valoarea estimata <= ") + moneyText(b);
        }
    }
    if (s.person) {
        sel += QStringLiteral(" and {program.resp}='") + *s.person + QLatin1Char('\'');
        crit += QStringLiteral(",responsabil ") + *s.person;
    }
    if (s.start)
        appendRange(sel, crit,
                    {"datainc2", ",data inceperii procedurii cuprinsa intre ", ",data inceperii procedurii >= ",
                     ",data inceperii procedurii <= "},
                    *s.start);
    if (s.end)
        appendRange(sel, crit,
                    {"datafin2", ",data finalizarii procedurii intre ", ",data finalizarii procedurii >= ",
                     ",data finalizarii procedurii <= "},
                    *s.end);
    if (s.procedure) {
        sel += QStringLiteral(" and {program.proced}='") + *s.procedure + QLatin1Char('\'');
        crit += QStringLiteral(",tip procedura ") + *s.procedure;
    }
    if (crit.startsWith(QLatin1Char(',')))
        crit.remove(0, 1);
    if (!crit.isEmpty())
        crit = QStringLiteral("Criterii selectie : ") + crit;
    out.criteria = crit;

    const QString head = s.proposals ? QStringLiteral("PROPUNERI PROGRAM ACHIZITII PE ANUL ")
                                     : QStringLiteral("PROGRAM ACHIZITII PE ANUL ");
    if (s.grouped) {
        out.reportFile = QStringLiteral("rapprogagrup.rpt");
        out.formula0 = QStringLiteral("titlu='") + head + s.year + QStringLiteral(", grupat pe coduri CPV'");
    } else {
        out.reportFile = s.proposals ? QStringLiteral("rapprog.rpt") : QStringLiteral("rapproga.rpt");
        out.formula0 = QStringLiteral("titlu='") + head + s.year + QLatin1Char('\'');
    }
    // A narrowed list always says so, proposals too.
    out.formula1 = QStringLiteral("crit='") + crit + QLatin1Char('\'');
    const double margin = std::round(leadingNumber(s.margin));
    out.topMargin = margin > 32767 || margin < -32768 ? 0 : int(margin);
    return out;
}

} // namespace tendro
