#pragma once
// What one purchase is, for the thresholds: the items whose values the law
// adds up before it compares them with a threshold (Legea 98/2016 art. 11
// and 17). The same rules serve a sub-unit's programme (its window, grid and
// reports) and a directorate's approval grid summed over its sub-units.
//
// Within one year (the year of an item's start date, `datainc2`):
// - Works (cpv.fel 3) are summed by the work: the works items of one
//   sub-unit whose details (`detal`) read the same once trimmed, with case
//   and repeated blanks ignored, whatever their CPV codes. A works item with
//   empty details is a work of its own. A work always belongs to one sub-unit.
// - Goods and services are summed by CPV class (the code's first four
//   digits); where the year holds an item coded at group or division level
//   (its class digit is 0: 09100000, 03000000), every item under that code
//   is one purchase with it (the highest such code wins).
// - A goods-and-services purchase is of kind "S2" (Annex 2 services) when
//   its items marked `cpv.anexa2` are worth more than the others (the main
//   object decides a mixed contract), otherwise "PS"; works are "L".
// - One band per purchase: the thresholds of its kind in force at the
//   earliest start date among its items.
//
// For a directorate: Scope::directorate(...) adds goods and services up over
// the sub-units given (works stay each with its sub-unit):
//
//     const Purchases year(db, 2026, Scope::directorate(idosOfTheDirectorate));
//     for (const Purchase &p : year.list())   // one grid row each
//         row(p.label(), p.kind, p.items, p.approved, p.total, bandText(p.band), p.subunits);
//     const Purchase *of = year.of(idp);       // the purchase of an item
//
// Everything is read in one query (no query per item or per purchase).

#include "thresholds.h"

#include <QHash>
#include <QString>
#include <QVector>

namespace tendro {

class Database;

// Which items are summed.
struct Scope {
    QVector<int> subunits;   // the sub-units whose items count; empty: every one in the file
    bool summed = false;     // goods and services summed over them; otherwise each sub-unit apart

    static Scope subunit(int idos) { return {{idos}, false}; }
    static Scope eachSubunit() { return {{}, false}; }
    // Every sub-unit of the file when `idos` is empty.
    static Scope directorate(QVector<int> idos = {}) { return {std::move(idos), true}; }
    bool operator==(const Scope &o) const { return subunits == o.subunits && summed == o.summed; }
};

// One programme item as the rules read it.
struct PurchaseItem {
    qint64 idp = 0;
    int idos = 0;
    qint64 cod2 = 0;      // the code's eight digits as a number: 9100000 for 09100000-6
    int fel = 1;          // 3 for works
    bool anexa2 = false;  // an Annex 2 service
    QString detal;
    double lei = 0;
    int start = 0;        // datainc2, yyyymmdd as a number
    QString proced;       // the procedure the directorate set; empty: not approved
    double realiz = 0;    // realized in the year, as the last sum left it
};

// The level of the code a goods-and-services purchase goes by, or a work.
enum class PurchaseUnit { Class, Group, Division, Work };

struct Purchase {
    QString key;              // unique among the purchases of a computation
    PurchaseUnit unit = PurchaseUnit::Class;
    QString code;             // "0311", "091", "03"; for a work its details, blanks collapsed
    QString kind;             // "PS", "L" or "S2"
    int year = 0;
    double total = 0;         // lei of all its items
    double largest = 0;       // its largest item
    int items = 0;
    int approved = 0;         // items with a procedure set
    double realizedDirect = 0;   // realized by its items whose procedure is "achizitie directa"
    QString start;            // the earliest start (yyyymmdd): its thresholds are those in force then
    Thresholds thresholds;    // known() false when the table has none for that date
    Band band = Band::None;
    Crossed split = Crossed::None;   // the highest threshold the total reaches while each item stays under it
    QVector<int> subunits;    // idos, ascending
    QVector<qint64> idps;     // its items, ascending
    bool summed = false;      // summed over sub-units (a directorate's)

    // "clasa 0311", "grupa 091", "diviziunea 03", "lucrarea DRUM VALEA MARE"
    QString name() const;
    // "clasa CPV 0311", ..., "lucrarea DRUM VALEA MARE"
    QString label() const;
    // The threshold the band was decided by, with its value: "sub pragul
    // achizitiei directe de 270.120 lei"; kNoThresholds when none is known.
    QString decidedBy() const;
    // The realized direct purchases reach the direct-purchase threshold.
    bool realizedOverDirect() const { return thresholds.known() && realizedDirect >= double(thresholds.directa); }
};

// Groups the items (any years, any sub-units) into purchases by the rules above.
QVector<Purchase> groupPurchases(const QVector<PurchaseItem> &items, const ThresholdTable &table, const Scope &scope);

// The items starting within the bounds (yyyymmdd) of the sub-units of the scope.
QVector<PurchaseItem> loadPurchaseItems(Database &db, const QString &from, const QString &to, const Scope &scope);

// The purchases of a span of years and the purchase of each of their items,
// computed once.
class Purchases {
public:
    Purchases() = default;
    Purchases(Database &db, int year, const Scope &scope);
    Purchases(Database &db, const QString &from, const QString &to, const Scope &scope);
    Purchases(QVector<Purchase> list);

    const QVector<Purchase> &list() const { return list_; }
    // Nothing for an item outside them.
    const Purchase *of(qint64 idp) const;

private:
    QVector<Purchase> list_;
    QHash<qint64, int> byItem_;
};

// The purchases of a span worked out again only when the file has changed
// since (a row written through this connection, or by another one): a grid
// refreshed by a sort costs nothing more. An item the caller has just
// written itself (a save, a grid edit) is told with written(): when the
// rows written since are exactly those, only they are read again.
class PurchasesCache {
public:
    const Purchases &get(Database &db, const QString &from, const QString &to, const Scope &scope);
    // One row of `program` written (inserted, updated or deleted) by the caller.
    void written(qint64 idp) { written_.append(idp); }

private:
    QVector<PurchaseItem> items_;
    ThresholdTable table_;
    Purchases purchases_;
    QString from_, to_;
    Scope scope_;
    qint64 changes_ = -1, version_ = -1;
    QVector<qint64> written_;
};

// The purchase an item being edited would belong to: the year's items of its
// sub-unit with `edited` in place of the stored item `edited.idp` (0 for a
// new one), its own value and code counting.
Purchase purchaseWith(Database &db, const PurchaseItem &edited);

// The editor's line: "Clasa CPV 0311 pe subunitate, 2026: 310.000 lei cu
// aceasta pozitie - procedura simplificata (pragul achizitiei directe de
// 270.120 lei)";
// with the sentence of kNoThresholds where the table has none.
QString editorLine(const Purchase &p);
// The split warning, naming the threshold crossed; empty when there is none.
QString splitWarning(const Purchase &p);
// The grid's tooltip on the indicated procedure: the purchase, its total and
// the threshold that decided it.
QString purchaseTip(const Purchase &p);
// " Atentie: achizitiile directe realizate in clasa X insumeaza Y lei, peste
// pragul de Z lei. "; empty when they stay under it.
QString realizedDirectWarning(const Purchase &p);

} // namespace tendro
