#include "thresholds.h"
#include "legalsql.h"
#include "store/database.h"
#include "store/dates.h"
#include "store/numbers.h"

#include <QDate>
#include <QRegularExpression>
#include <cmath>

namespace tendro {

const char *const kThresholdDateRefused = " Data invalida ! Scrieti data ca aaaallzz sau zz.ll.aaaa ";
const char *const kThresholdKindRefused = " Tipul este PS (produse si servicii) sau L (lucrari) ! ";
const char *const kThresholdValueRefused = " Pragul se scrie in lei, ca numar intreg pozitiv ! ";
const char *const kThresholdOrderRefused =
    " Pragul achizitiei directe trebuie sa fie mai mic decat plafonul procedurii simplificate ! ";
const char *const kThresholdIncomplete = " Completati data, tipul si cele doua praguri ! ";
const char *const kThresholdDuplicate = " Exista deja praguri de acest tip de la aceasta data ! ";

QString thresholdKind(int fel) { return fel == 3 ? QStringLiteral("L") : QStringLiteral("PS"); }

QString cpvClass(const QString &cod) { return cod.left(4); }

QString bandText(Band band)
{
    switch (band) {
    case Band::Direct: return QStringLiteral("achizitie directa");
    case Band::Simplified: return QStringLiteral("procedura simplificata");
    case Band::Open: return QStringLiteral("licitatie deschisa");
    case Band::None: break;
    }
    return QString();
}

Band bandOf(double value, const Thresholds &t)
{
    if (!t.known())
        return Band::None;
    if (value < double(t.directa))
        return Band::Direct;
    if (value < double(t.simplificata))
        return Band::Simplified;
    return Band::Open;
}

int procedureWeight(const QString &proced)
{
    const QString p = proced.trimmed().toLower();
    if (p.isEmpty())
        return 0;
    if (p == QLatin1String("achizitie directa"))
        return 1;
    if (p == QLatin1String("proced.simplif.") || p == QLatin1String("procedura simplificata"))
        return 2;
    return 3;
}

bool lighterThanBand(const QString &proced, const QString &band)
{
    const int stored = procedureWeight(proced);
    const int needed = procedureWeight(band);
    return stored > 0 && needed > 0 && stored < needed;
}

QString lighterProcedureTip(const QString &proced, const QString &band)
{
    return QStringLiteral("Procedura stabilita: ") + proced.trimmed()
        + QStringLiteral("; valoarea clasei CPV pe an cere: ") + band;
}

Thresholds thresholdsInForce(Database &db, const QString &kind, const QString &date)
{
    const ResultSet rs = db.query(QStringLiteral("SELECT directa,simplificata FROM praguri WHERE tip=? AND dela<=?"
                                                 " ORDER BY dela DESC LIMIT 1"),
                                  {kind, date});
    if (rs.isEmpty())
        return {};
    return {rs.integer(0, QStringLiteral("directa")), rs.integer(0, QStringLiteral("simplificata"))};
}

ClassTotal classTotal(Database &db, const ClassKey &key, qint64 leaveOut)
{
    const YearBounds year = yearBounds(key.year);
    const ResultSet rs = db.query(
        QStringLiteral("SELECT sum(program.lei) AS total, count(*) AS nr, max(program.lei) AS mare FROM cpv,program"
                       " WHERE cpv.id=program.id AND program.datainc2>=? AND program.datainc2<=? AND program.idos=?"
                       " AND ")
            + classSql(QStringLiteral("cpv")) + QStringLiteral("=? AND ") + kindSql(QStringLiteral("cpv"))
            + QStringLiteral("=? AND program.idp<>?"),
        {year.lower, year.upper, key.idos, key.clasa, key.kind, leaveOut});
    ClassTotal t;
    t.count = int(rs.integer(0, QStringLiteral("nr")));
    if (t.count > 0) {
        t.total = rs.number(0, QStringLiteral("total"));
        t.largest = rs.number(0, QStringLiteral("mare"));
    }
    return t;
}

ClassTotal withItem(ClassTotal t, double value)
{
    t.total += value;
    t.largest = t.count == 0 ? value : std::max(t.largest, value);
    ++t.count;
    return t;
}

QString groupedLei(double value)
{
    const qint64 whole = wholeNumber(std::round(value));
    QString digits = QString::number(std::llabs(whole));
    for (int at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char('.'));
    return whole < 0 ? QLatin1Char('-') + digits : digits;
}

QString classLine(const ClassKey &key, const ClassTotal &t, const Thresholds &th)
{
    QString line = QStringLiteral("Clasa CPV ") + key.clasa + QStringLiteral(" pe ") + QString::number(key.year)
        + QStringLiteral(": ") + groupedLei(t.total) + QStringLiteral(" lei cu aceasta pozitie - ");
    if (!th.known())
        return line + QStringLiteral("nu existau praguri valorice la data inceperii");
    return line + bandText(bandOf(t.total, th)) + QStringLiteral(" (prag achizitie directa ") + groupedLei(double(th.directa))
        + QStringLiteral(" lei)");
}

bool splitRisk(const ClassTotal &t, const Thresholds &th)
{
    return th.known() && t.total >= double(th.directa) && t.largest < double(th.directa);
}

QString splitWarning(const ClassKey &key, const ClassTotal &t, const Thresholds &th)
{
    if (!splitRisk(t, th))
        return QString();
    return QStringLiteral("Atentie: clasa CPV ") + key.clasa + QStringLiteral(" insumeaza ") + groupedLei(t.total)
        + QStringLiteral(" lei pe ") + QString::number(key.year) + QStringLiteral(", peste pragul achizitiei directe de ")
        + groupedLei(double(th.directa)) + QStringLiteral(" lei, din ") + QString::number(t.count)
        + QStringLiteral(" pozitii sub prag. Verificati divizarea achizitiei (art. 11 din Legea 98/2016).");
}

std::optional<QString> thresholdDate(const QString &text)
{
    static const QRegularExpression compact(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    static const QRegularExpression display(QStringLiteral("^(\\d{2})\\.(\\d{2})\\.(\\d{4})$"));
    const QString t = text.trimmed();
    QDate d;
    if (const auto m = compact.match(t); m.hasMatch())
        d = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    else if (const auto m = display.match(t); m.hasMatch())
        d = QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    if (!d.isValid())
        return std::nullopt;
    return d.toString(QStringLiteral("yyyyMMdd"));
}

std::optional<QString> thresholdKindText(const QString &text)
{
    const QString t = text.trimmed().toUpper();
    if (t == QLatin1String("PS") || t == QLatin1String("L"))
        return t;
    return std::nullopt;
}

std::optional<qint64> thresholdValue(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,12}$"));
    const QString t = text.trimmed();
    if (!digits.match(t).hasMatch())
        return std::nullopt;
    const qint64 v = t.toLongLong();
    if (v <= 0)
        return std::nullopt;
    return v;
}

} // namespace tendro
