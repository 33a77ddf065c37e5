#include "thresholds.h"
#include "store/database.h"
#include "store/numbers.h"

#include <QDate>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace tendro {

const char *const kGoodsAndServices = "PS";
const char *const kWorks = "L";
const char *const kAnnex2Services = "S2";

const char *const kThresholdDateRefused = " Data invalida ! Scrieti data ca aaaallzz sau zz.ll.aaaa ";
const char *const kThresholdKindRefused =
    " Tipul este PS (produse si servicii), L (lucrari) sau S2 (servicii sociale si alte servicii specifice) ! ";
const char *const kThresholdValueRefused = " Pragul se scrie in lei, ca numar intreg pozitiv ! ";
const char *const kThresholdOrderRefused =
    " Pragul achizitiei directe trebuie sa fie mai mic decat plafonul procedurii simplificate ! ";
const char *const kThresholdIncomplete = " Completati data, tipul si cele doua praguri ! ";
const char *const kThresholdDuplicate = " Exista deja praguri de acest tip de la aceasta data ! ";
const char *const kNoThresholds = " Nu exista praguri in tabel pentru aceasta data ";

QString bandText(Band band)
{
    switch (band) {
    case Band::Direct: return QStringLiteral("achizitie directa");
    case Band::Simplified: return QStringLiteral("procedura simplificata");
    case Band::Open: return QStringLiteral("licitatie deschisa");
    case Band::Annex2: return QStringLiteral("procedura pentru servicii sociale si alte servicii specifice");
    case Band::None: break;
    }
    return QString();
}

QString storedProcedure(Band band)
{
    switch (band) {
    case Band::Direct: return QStringLiteral("achizitie directa");
    case Band::Simplified: return QStringLiteral("proced.simplif.");
    case Band::Open:
    case Band::Annex2: return QStringLiteral("licitatie");
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
    return t.kind == QLatin1String(kAnnex2Services) ? Band::Annex2 : Band::Open;
}

QString thresholdName(Crossed which, const QString &kind)
{
    switch (which) {
    case Crossed::Direct: return QStringLiteral("pragul achizitiei directe");
    case Crossed::Upper:
        return kind == QLatin1String(kAnnex2Services)
            ? QStringLiteral("pragul pentru servicii sociale si alte servicii specifice")
            : QStringLiteral("plafonul procedurii simplificate");
    case Crossed::None: break;
    }
    return QString();
}

ThresholdTable ThresholdTable::load(Database &db)
{
    ThresholdTable t;
    db.forEach(QStringLiteral("SELECT tip,dela,directa,simplificata FROM praguri"), {},
               [&t](const QStringList &, const QVector<QVariant> &r) {
                   t.add({r.at(0).toString().trimmed().toUpper(), r.at(1).toString(), r.at(2).toLongLong(),
                          r.at(3).toLongLong()});
               });
    return t;
}

void ThresholdTable::add(const Thresholds &row)
{
    const auto before = [](const Thresholds &a, const Thresholds &b) {
        return a.kind != b.kind ? a.kind < b.kind : a.dela < b.dela;
    };
    rows_.insert(std::upper_bound(rows_.begin(), rows_.end(), row, before), row);
}

Thresholds ThresholdTable::inForce(const QString &kind, const QString &date) const
{
    Thresholds found;
    for (const Thresholds &r : rows_)
        if (r.kind == kind && r.dela <= date)
            found = r;   // rows go by date: the last one not after it
    return found;
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
        + QStringLiteral("; valoarea achizitiei pe an cere: ") + band;
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
    for (const char *kind : {kGoodsAndServices, kWorks, kAnnex2Services})
        if (t == QLatin1String(kind))
            return t;
    return std::nullopt;
}

std::optional<qint64> thresholdValue(const QString &text)
{
    const std::optional<double> v = readAmount(text);
    if (!v || *v < 1 || *v >= 1e15 || *v != std::floor(*v))
        return std::nullopt;
    return qint64(*v);
}

QString shownDate(const QString &yyyymmdd)
{
    static const QRegularExpression compact(QStringLiteral("^\\d{8}$"));
    if (!compact.match(yyyymmdd).hasMatch())
        return yyyymmdd;
    return yyyymmdd.mid(6, 2) + QLatin1Char('.') + yyyymmdd.mid(4, 2) + QLatin1Char('.') + yyyymmdd.left(4);
}

} // namespace tendro
