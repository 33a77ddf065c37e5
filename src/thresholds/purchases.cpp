#include "purchases.h"
#include "store/database.h"
#include "store/dates.h"
#include "store/numbers.h"

#include <sqlcipher/sqlite3.h>

#include <QSet>
#include <algorithm>
#include <tuple>
#include <utility>

namespace tendro {

namespace {

// Numbers where they can be: the grid reads every item of the year at each change.
const char *const kItemsSql =
    "SELECT p.idp,p.idos,c.cod2,c.fel,c.anexa2,(CASE WHEN c.fel=3 THEN p.detal END),p.lei,CAST(p.datainc2 AS INTEGER),"
    "p.proced,p.realiz FROM program p JOIN cpv c ON c.id=p.id WHERE p.datainc2>=? AND p.datainc2<=?";

QVector<PurchaseItem> readItems(Database &db, const QString &sql, const QVariantList &params)
{
    QVector<PurchaseItem> out;
    db.forEach(sql, params, [&out](const QStringList &, const QVector<QVariant> &r) {
        out.append({r.at(0).toLongLong(), int(r.at(1).toLongLong()), r.at(2).toLongLong(), int(r.at(3).toLongLong()),
                    r.at(4).toLongLong() != 0, r.at(5).toString(), r.at(6).toDouble(), int(r.at(7).toLongLong()),
                    r.at(8).toString(), r.at(9).toDouble()});
    });
    return out;
}

bool isWorks(const PurchaseItem &i) { return i.fel == 3; }

// The digits of a code: 9100000 is "09100000".
QString digits(qint64 cod2) { return QString::number(cod2).rightJustified(8, QLatin1Char('0')); }

// A code whose class digit is 0 stands for its whole group (091) or division (03): its prefix and level.
std::pair<qint64, PurchaseUnit> higherLevel(qint64 cod2)
{
    if ((cod2 / 10000) % 10 != 0)
        return {0, PurchaseUnit::Class};
    if ((cod2 / 100000) % 10 == 0)
        return {cod2 / 1000000, PurchaseUnit::Division};
    return {cod2 / 100000, PurchaseUnit::Group};
}

// A goods-and-services purchase as one number: year, sub-unit (0 when summed), level and code prefix.
qint64 goodsKey(int year, int idos, PurchaseUnit unit, qint64 prefix)
{
    return ((qint64(year) * 100000 + idos) * 4 + int(unit)) * 10000 + prefix;
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
    const auto subunitOf = [&scope](const PurchaseItem &i) { return scope.summed ? 0 : i.idos; };
    QSet<qint64> higher;   // the codes above class level the year holds, as goods keys
    for (const PurchaseItem &i : items)
        if (const auto [prefix, unit] = higherLevel(i.cod2); !isWorks(i) && unit != PurchaseUnit::Class)
            higher.insert(goodsKey(i.start / 10000, subunitOf(i), unit, prefix));

    struct Sums {
        double annex2 = 0, other = 0;
        int annex2Items = 0, start = 0;
        qint64 firstIdp = 0;
    };
    QVector<Purchase> list;
    QVector<Sums> sums;
    QHash<qint64, int> goods;
    QHash<QString, int> works;
    for (const PurchaseItem &i : items) {
        const int year = i.start / 10000;
        int *at = nullptr;
        PurchaseUnit unit = PurchaseUnit::Class;
        qint64 prefix = i.cod2 / 10000;
        QString key;
        if (isWorks(i)) {
            unit = PurchaseUnit::Work;
            const QString same = i.detal.simplified().toCaseFolded();
            key = QString::number(year) + QLatin1Char('|') + QString::number(i.idos) + QLatin1Char('|')
                + (same.isEmpty() ? QLatin1Char('#') + QString::number(i.idp) : QLatin1Char('=') + same);
            auto it = works.find(key);
            at = it == works.end() ? nullptr : &*it;
        } else {
            if (const qint64 d = goodsKey(year, subunitOf(i), PurchaseUnit::Division, i.cod2 / 1000000); higher.contains(d)) {
                unit = PurchaseUnit::Division;
                prefix = i.cod2 / 1000000;
            } else if (higher.contains(goodsKey(year, subunitOf(i), PurchaseUnit::Group, i.cod2 / 100000))) {
                unit = PurchaseUnit::Group;
                prefix = i.cod2 / 100000;
            }
            auto it = goods.find(goodsKey(year, subunitOf(i), unit, prefix));
            at = it == goods.end() ? nullptr : &*it;
        }
        if (!at) {
            Purchase p;
            p.unit = unit;
            p.kind = QLatin1String(isWorks(i) ? kWorks : kGoodsAndServices);
            p.year = year;
            p.summed = scope.summed && !isWorks(i);
            if (isWorks(i)) {
                p.key = QStringLiteral("L|") + key;
                at = &*works.insert(key, int(list.size()));
            } else {
                const int width = unit == PurchaseUnit::Division ? 2 : unit == PurchaseUnit::Group ? 3 : 4;
                p.code = digits(i.cod2).left(width);
                p.key = QStringLiteral("G|%1|%2|").arg(year).arg(subunitOf(i)) + p.code;
                at = &*goods.insert(goodsKey(year, subunitOf(i), unit, prefix), int(list.size()));
            }
            list.append(p);
            sums.append({0, 0, 0, i.start, i.idp + 1});
        }
        Purchase &p = list[*at];
        Sums &s = sums[*at];
        p.total += i.lei;
        p.largest = p.items == 0 ? i.lei : std::max(p.largest, i.lei);
        ++p.items;
        if (!i.proced.isEmpty() && !i.proced.trimmed().isEmpty())
            ++p.approved;
        if (!i.proced.isEmpty() && procedureWeight(i.proced) == 1)
            p.realizedDirect += i.realiz;
        s.start = std::min(s.start, i.start);
        if (!p.subunits.contains(i.idos))
            p.subunits.append(i.idos);
        p.idps.append(i.idp);
        (i.anexa2 ? s.annex2 : s.other) += i.lei;
        s.annex2Items += i.anexa2 ? 1 : 0;
        if (unit == PurchaseUnit::Work && i.idp < s.firstIdp) {
            // A work is named by its first item's details.
            s.firstIdp = i.idp;
            p.code = i.detal.simplified();
            if (p.code.isEmpty())
                p.code = QStringLiteral("fara detalii, cod ") + digits(i.cod2);
        }
    }
    for (int n = 0; n < list.size(); ++n) {
        Purchase &p = list[n];
        const Sums &s = sums.at(n);
        if (p.kind != QLatin1String(kWorks) && (s.annex2 > s.other || s.annex2Items == p.items))
            p.kind = QLatin1String(kAnnex2Services);
        std::sort(p.subunits.begin(), p.subunits.end());
        std::sort(p.idps.begin(), p.idps.end());
        p.start = QString::number(s.start);
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
    qsizetype items = 0;
    for (const Purchase &p : list_)
        items += p.idps.size();
    byItem_.reserve(items);
    for (int n = 0; n < list_.size(); ++n)
        for (qint64 idp : list_.at(n).idps)
            byItem_.insert(idp, n);
}

const Purchase *Purchases::of(qint64 idp) const
{
    const auto it = byItem_.constFind(idp);
    return it == byItem_.constEnd() ? nullptr : &list_.at(*it);
}

const Purchases &PurchasesCache::get(Database &db, const QString &from, const QString &to, const Scope &scope)
{
    // Every row written through the connection counts in its total of changes; another connection's commit
    // moves the file's data version.
    const qint64 changes = sqlite3_total_changes(db.handle());
    const qint64 version = db.query(QStringLiteral("PRAGMA data_version")).value(0, 0).toLongLong();
    const bool same = changes_ >= 0 && version == version_ && from == from_ && to == to_ && scope == scope_;
    const QVector<qint64> written = std::exchange(written_, {});
    if (same && changes == changes_)
        return purchases_;
    const bool onlyWritten = same && !written.isEmpty() && changes - changes_ == written.size();
    changes_ = -1;   // a failure below leaves nothing taken for current
    if (onlyWritten) {
        // The items told, as they are now (or gone), in place of what was read of them.
        QString sql = QLatin1String(kItemsSql) + QStringLiteral(" AND p.idp IN (")
            + QStringList(written.size(), QStringLiteral("?")).join(QLatin1Char(',')) + QLatin1Char(')');
        QVariantList params{from, to};
        for (qint64 idp : written)
            params << idp;
        QVector<PurchaseItem> fresh = readItems(db, sql, params);
        fresh.erase(std::remove_if(fresh.begin(), fresh.end(),
                                   [&scope](const PurchaseItem &i) {
                                       return !scope.subunits.isEmpty() && !scope.subunits.contains(i.idos);
                                   }),
                    fresh.end());
        items_.erase(std::remove_if(items_.begin(), items_.end(),
                                    [&written](const PurchaseItem &i) { return written.contains(i.idp); }),
                     items_.end());
        items_ += fresh;
    } else {
        items_ = loadPurchaseItems(db, from, to, scope);
        table_ = ThresholdTable::load(db);
    }
    purchases_ = Purchases(groupPurchases(items_, table_, scope));
    changes_ = changes;
    version_ = version;
    from_ = from;
    to_ = to;
    scope_ = scope;
    return purchases_;
}

Purchase purchaseWith(Database &db, const PurchaseItem &edited)
{
    // Only the items that can share its purchase: the sub-unit's works, or
    // the goods and services of its division (where a higher code would be).
    const YearBounds year = yearBounds(edited.start / 10000);
    QString sql = QLatin1String(kItemsSql) + QStringLiteral(" AND p.idos=?");
    QVariantList params{year.lower, year.upper, edited.idos};
    if (isWorks(edited)) {
        sql += QStringLiteral(" AND c.fel=3");
    } else {
        sql += QStringLiteral(" AND c.fel<>3 AND c.cod2>=? AND c.cod2<?");
        params << edited.cod2 / 1000000 * 1000000 << (edited.cod2 / 1000000 + 1) * 1000000;
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
