#include "purchases.h"
#include "store/database.h"
#include "store/dates.h"
#include "store/numbers.h"

#include <QSet>
#include <algorithm>
#include <tuple>

namespace tendro {

namespace {

const char *const kItemsSql =
    "SELECT p.idp,p.idos,c.cod,c.fel,c.anexa2,p.detal,p.lei,p.datainc2,p.proced,p.realiz FROM program p"
    " JOIN cpv c ON c.id=p.id WHERE p.datainc2>=? AND p.datainc2<=?";

QVector<PurchaseItem> readItems(Database &db, const QString &sql, const QVariantList &params)
{
    QVector<PurchaseItem> out;
    db.forEach(sql, params, [&out](const QStringList &, const QVector<QVariant> &r) {
        out.append({r.at(0).toLongLong(), int(r.at(1).toLongLong()), r.at(2).toString(), int(r.at(3).toLongLong()),
                    r.at(4).toLongLong() != 0, r.at(5).toString(), r.at(6).toDouble(), r.at(7).toString(),
                    r.at(8).toString(), r.at(9).toDouble()});
    });
    return out;
}

bool isWorks(const PurchaseItem &i) { return i.fel == 3; }

// A code whose class digit is 0 stands for its whole group ("091") or division ("03").
QString higherLevelPrefix(const QString &cod)
{
    if (cod.size() < 4 || cod.at(3) != QLatin1Char('0'))
        return QString();
    return cod.at(2) == QLatin1Char('0') ? cod.left(2) : cod.left(3);
}

QString capitalized(QString text)
{
    if (!text.isEmpty())
        text[0] = text.at(0).toUpper();
    return text;
}

QString where(const Purchase &p) { return p.summed ? QStringLiteral("pe directie") : QStringLiteral("pe subunitate"); }

QString lei(double value) { return leiText(value) + QStringLiteral(" lei"); }

// The threshold a total has reached, "peste" it or just "la" it.
QString reached(double total, qint64 threshold) { return total > double(threshold) ? QStringLiteral("peste ") : QStringLiteral("la "); }

} // namespace

QString Purchase::name() const
{
    switch (unit) {
    case PurchaseUnit::Class: return QStringLiteral("clasa ") + code;
    case PurchaseUnit::Group: return QStringLiteral("grupa ") + code;
    case PurchaseUnit::Division: return QStringLiteral("diviziunea ") + code;
    case PurchaseUnit::Work: break;
    }
    return QStringLiteral("lucrarea ") + code;
}

QString Purchase::label() const
{
    if (unit == PurchaseUnit::Work)
        return name();
    return name().replace(QLatin1Char(' '), QStringLiteral(" CPV "));
}

QString Purchase::decidedBy() const
{
    if (!thresholds.known())
        return QLatin1String(kNoThresholds);
    const QString direct = thresholdName(Crossed::Direct, kind) + QStringLiteral(" de ") + lei(double(thresholds.directa));
    const QString upper = thresholdName(Crossed::Upper, kind) + QStringLiteral(" de ") + lei(double(thresholds.simplificata));
    switch (band) {
    case Band::Direct: return QStringLiteral("sub ") + direct;
    case Band::Simplified: return QStringLiteral("de la ") + direct + QStringLiteral(", sub ") + upper;
    case Band::Open:
    case Band::Annex2: return QStringLiteral("de la ") + upper;
    case Band::None: break;
    }
    return QString();
}

QVector<Purchase> groupPurchases(const QVector<PurchaseItem> &items, const ThresholdTable &table, const Scope &scope)
{
    // The part of the file a purchase is summed within: its year, and its sub-unit unless summed over them.
    const auto part = [&scope](const PurchaseItem &i) {
        return i.start.left(4) + QLatin1Char('|') + (scope.summed ? QString() : QString::number(i.idos));
    };
    QSet<QString> higher;   // part|prefix of every code above class level
    for (const PurchaseItem &i : items)
        if (!isWorks(i))
            if (const QString prefix = higherLevelPrefix(i.cod); !prefix.isEmpty())
                higher.insert(part(i) + QLatin1Char('|') + prefix);

    struct Sums {
        double annex2 = 0, other = 0;
        int annex2Items = 0;
        qint64 firstIdp = 0;
    };
    QVector<Purchase> list;
    QVector<Sums> sums;
    QHash<QString, int> index;
    for (const PurchaseItem &i : items) {
        QString key, code;
        PurchaseUnit unit = PurchaseUnit::Class;
        if (isWorks(i)) {
            unit = PurchaseUnit::Work;
            code = i.detal.simplified();
            const QString same = code.toCaseFolded();
            key = QStringLiteral("L|") + i.start.left(4) + QLatin1Char('|') + QString::number(i.idos) + QLatin1Char('|')
                + (same.isEmpty() ? QLatin1Char('#') + QString::number(i.idp) : QLatin1Char('=') + same);
            if (code.isEmpty())
                code = QStringLiteral("fara detalii, cod ") + i.cod;
        } else {
            const QString at = part(i) + QLatin1Char('|');
            if (higher.contains(at + i.cod.left(2))) {
                unit = PurchaseUnit::Division;
                code = i.cod.left(2);
            } else if (higher.contains(at + i.cod.left(3))) {
                unit = PurchaseUnit::Group;
                code = i.cod.left(3);
            } else {
                code = i.cod.left(4);
            }
            key = QStringLiteral("G|") + at + code;
        }
        auto it = index.constFind(key);
        if (it == index.constEnd()) {
            Purchase p;
            p.key = key;
            p.unit = unit;
            p.code = code;
            p.kind = QLatin1String(isWorks(i) ? kWorks : kGoodsAndServices);
            p.year = i.start.left(4).toInt();
            p.start = i.start;
            p.summed = scope.summed && !isWorks(i);
            it = index.insert(key, int(list.size()));
            list.append(p);
            sums.append({0, 0, 0, i.idp});
        }
        Purchase &p = list[*it];
        Sums &s = sums[*it];
        p.total += i.lei;
        p.largest = p.items == 0 ? i.lei : std::max(p.largest, i.lei);
        ++p.items;
        if (!i.proced.trimmed().isEmpty())
            ++p.approved;
        if (procedureWeight(i.proced) == 1)
            p.realizedDirect += i.realiz;
        p.start = std::min(p.start, i.start);
        if (!p.subunits.contains(i.idos))
            p.subunits.append(i.idos);
        p.idps.append(i.idp);
        (i.anexa2 ? s.annex2 : s.other) += i.lei;
        s.annex2Items += i.anexa2 ? 1 : 0;
        if (unit == PurchaseUnit::Work && i.idp < s.firstIdp) {
            // A work is named by its first item's details.
            s.firstIdp = i.idp;
            p.code = code;
        }
    }
    for (int n = 0; n < list.size(); ++n) {
        Purchase &p = list[n];
        const Sums &s = sums.at(n);
        if (p.kind != QLatin1String(kWorks) && (s.annex2 > s.other || s.annex2Items == p.items))
            p.kind = QLatin1String(kAnnex2Services);
        std::sort(p.subunits.begin(), p.subunits.end());
        std::sort(p.idps.begin(), p.idps.end());
        p.thresholds = table.inForce(p.kind, p.start);
        p.band = bandOf(p.total, p.thresholds);
        if (p.thresholds.known()) {
            const auto crosses = [&p](qint64 t) { return p.total >= double(t) && p.largest < double(t); };
            if (crosses(p.thresholds.simplificata))
                p.split = Crossed::Upper;
            else if (crosses(p.thresholds.directa))
                p.split = Crossed::Direct;
        }
    }
    std::sort(list.begin(), list.end(), [](const Purchase &a, const Purchase &b) {
        const auto order = [](const Purchase &p) {
            return std::make_tuple(p.year, p.summed ? 0 : p.subunits.value(0), p.unit == PurchaseUnit::Work, p.code, p.key);
        };
        return order(a) < order(b);
    });
    return list;
}

QVector<PurchaseItem> loadPurchaseItems(Database &db, const QString &from, const QString &to, const Scope &scope)
{
    QString sql = QLatin1String(kItemsSql);
    QVariantList params{from, to};
    if (!scope.subunits.isEmpty()) {
        sql += QStringLiteral(" AND p.idos IN (") + QStringList(scope.subunits.size(), QStringLiteral("?")).join(QLatin1Char(','))
            + QLatin1Char(')');
        for (int idos : scope.subunits)
            params << idos;
    }
    return readItems(db, sql, params);
}

Purchases::Purchases(Database &db, int year, const Scope &scope)
    : Purchases(db, yearBounds(year).lower, yearBounds(year).upper, scope)
{
}

Purchases::Purchases(Database &db, const QString &from, const QString &to, const Scope &scope)
    : Purchases(groupPurchases(loadPurchaseItems(db, from, to, scope), ThresholdTable::load(db), scope))
{
}

Purchases::Purchases(QVector<Purchase> list) : list_(std::move(list))
{
    for (int n = 0; n < list_.size(); ++n)
        for (qint64 idp : list_.at(n).idps)
            byItem_.insert(idp, n);
}

const Purchase *Purchases::of(qint64 idp) const
{
    const auto it = byItem_.constFind(idp);
    return it == byItem_.constEnd() ? nullptr : &list_.at(*it);
}

Purchase purchaseWith(Database &db, const PurchaseItem &edited)
{
    // Only the items that can share its purchase: the sub-unit's works, or
    // the goods and services of its division (where a higher code would be).
    const YearBounds year = yearBounds(edited.start.left(4).toInt());
    QString sql = QLatin1String(kItemsSql) + QStringLiteral(" AND p.idos=?");
    QVariantList params{year.lower, year.upper, edited.idos};
    if (isWorks(edited)) {
        sql += QStringLiteral(" AND c.fel=3");
    } else {
        sql += QStringLiteral(" AND c.fel<>3 AND substr(c.cod,1,2)=?");
        params << edited.cod.left(2);
    }
    QVector<PurchaseItem> items = readItems(db, sql, params);
    items.erase(std::remove_if(items.begin(), items.end(), [&edited](const PurchaseItem &i) { return i.idp == edited.idp; }),
                items.end());
    items.append(edited);
    for (const Purchase &p : groupPurchases(items, ThresholdTable::load(db), Scope::subunit(edited.idos)))
        if (p.idps.contains(edited.idp))
            return p;
    return {};
}

QString editorLine(const Purchase &p)
{
    const QString head = capitalized(p.label()) + QLatin1Char(' ') + where(p) + QStringLiteral(", ")
        + QString::number(p.year) + QStringLiteral(": ") + lei(p.total) + QStringLiteral(" cu aceasta pozitie -");
    if (!p.thresholds.known())
        return head + QLatin1String(kNoThresholds);
    const bool upper = p.band == Band::Open || p.band == Band::Annex2;
    const QString name = upper ? thresholdName(Crossed::Upper, p.kind) : thresholdName(Crossed::Direct, p.kind);
    return head + QLatin1Char(' ') + bandText(p.band) + QStringLiteral(" (") + name + QStringLiteral(" de ")
        + lei(double(upper ? p.thresholds.simplificata : p.thresholds.directa)) + QLatin1Char(')');
}

QString splitWarning(const Purchase &p)
{
    if (p.split == Crossed::None)
        return QString();
    const qint64 threshold = p.split == Crossed::Upper ? p.thresholds.simplificata : p.thresholds.directa;
    return QStringLiteral("Atentie: ") + p.label() + QStringLiteral(" insumeaza ") + lei(p.total) + QLatin1Char(' ')
        + where(p) + QStringLiteral(" in ") + QString::number(p.year) + QStringLiteral(", ") + reached(p.total, threshold)
        + thresholdName(p.split, p.kind) + QStringLiteral(" de ") + lei(double(threshold)) + QStringLiteral(", din ")
        + QString::number(p.items) + QStringLiteral(" pozitii sub prag. Verificati divizarea achizitiei (art. 11 din"
                                                     " Legea 98/2016).");
}

QString purchaseTip(const Purchase &p)
{
    QString tip = capitalized(p.label()) + QLatin1Char(' ') + where(p) + QStringLiteral(", ") + QString::number(p.year)
        + QStringLiteral(": ") + (p.items == 1 ? QStringLiteral("1 pozitie") : QString::number(p.items) + QStringLiteral(" pozitii"))
        + QStringLiteral(", ") + lei(p.total);
    if (!p.thresholds.known())
        return tip + QStringLiteral(" -") + QLatin1String(kNoThresholds);
    return tip + QStringLiteral(" - ") + bandText(p.band) + QStringLiteral(", ") + p.decidedBy() + QStringLiteral(" (praguri ")
        + p.kind + QStringLiteral(" de la ") + shownDate(p.thresholds.dela) + QLatin1Char(')');
}

QString realizedDirectWarning(const Purchase &p)
{
    if (!p.realizedOverDirect())
        return QString();
    return QStringLiteral(" Atentie: achizitiile directe realizate in ") + p.name() + QStringLiteral(" insumeaza ")
        + lei(p.realizedDirect) + QStringLiteral(", peste pragul de ") + lei(double(p.thresholds.directa))
        + QStringLiteral(". ");
}

} // namespace tendro
