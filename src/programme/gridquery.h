#pragma once
// The programme grid's queries and its sort toggles.

#include <QString>
#include <QVariantList>

namespace tendro {

struct GridQuery {
    QString sql;
    QVariantList params;
};

// One toggle per sortable column, flipped by a click on its header.
enum class SortKey { None, Cod, Den, Fond, Lei, Proced, Resp, Realiz };

struct SortToggles {
    bool ordcod = false, ordden = false, ordfond = false, ordlei = false;
    bool ordproced = false, ordresp = false, ordrealiz = false;
    bool *of(SortKey key);   // nullptr for None
};

// The toggle of a grid column (0 "CPV", 1, 3, 4, 5, 8, 12); None for the others.
SortKey sortKeyOfColumn(int column);
// " ORDER BY program.idp" for None.
QString orderEnding(SortKey key);
// After a save of an edited item or a deletion: the last set among
// ordcod, ordfond, ordlei, ordresp, in this order.
SortKey restoredOrder(const SortToggles &t);

// Items starting in the year.
GridQuery yearQuery(const QString &datamin, const QString &datamax);
// Items starting in the year, whenever they end; with a project, only its items.
// `project` is already trimmed and upper case.
GridQuery refreshQuery(const QString &datamin, const QString &datamax, const QString &project, SortKey order);
// A project picked from its list.
GridQuery projectQuery(const QString &datamin, const QString &datamax, const QString &project, const QString &activ);
// After a project deletion: the sub-unit's items of the year.
GridQuery subunitQuery(const QString &datamin, const QString &datamax, int idos);

} // namespace tendro
