#include "gridquery.h"

namespace tendro {

namespace {

const char *const kJoin = "SELECT * FROM cpv,program WHERE cpv.id=program.id";

} // namespace

bool *SortToggles::of(SortKey key)
{
    switch (key) {
    case SortKey::Cod: return &ordcod;
    case SortKey::Den: return &ordden;
    case SortKey::Fond: return &ordfond;
    case SortKey::Lei: return &ordlei;
    case SortKey::Proced: return &ordproced;
    case SortKey::Resp: return &ordresp;
    case SortKey::Realiz: return &ordrealiz;
    case SortKey::None: break;
    }
    return nullptr;
}

SortKey sortKeyOfColumn(int column)
{
    switch (column) {
    case 0: return SortKey::Cod;
    case 1: return SortKey::Den;
    case 3: return SortKey::Fond;
    case 4: return SortKey::Lei;
    case 5: return SortKey::Proced;
    case 8: return SortKey::Resp;
    case 12: return SortKey::Realiz;
    default: return SortKey::None;
    }
}

QString orderEnding(SortKey key)
{
    switch (key) {
    case SortKey::Cod: return QStringLiteral(" ORDER BY cpv.cod");
    case SortKey::Den: return QStringLiteral(" ORDER BY cpv.den");
    case SortKey::Fond: return QStringLiteral(" ORDER BY program.fond");
    case SortKey::Lei: return QStringLiteral(" ORDER BY program.lei DESC");
    case SortKey::Proced: return QStringLiteral(" ORDER BY program.proced");
    case SortKey::Resp: return QStringLiteral(" ORDER BY program.resp");
    case SortKey::Realiz: return QStringLiteral(" ORDER BY program.realiz");
    case SortKey::None: break;
    }
    return QStringLiteral(" ORDER BY program.idp");
}

SortKey restoredOrder(const SortToggles &t)
{
    SortKey k = SortKey::None;
    if (t.ordcod)
        k = SortKey::Cod;
    if (t.ordfond)
        k = SortKey::Fond;
    if (t.ordlei)
        k = SortKey::Lei;
    if (t.ordresp)
        k = SortKey::Resp;
    return k;
}

GridQuery yearQuery(const QString &datamin, const QString &datamax)
{
    return {QLatin1String(kJoin) + QStringLiteral(" and program.datainc2>=? and program.datainc2<=? ORDER BY program.idp"),
            {datamin, datamax}};
}

GridQuery refreshQuery(const QString &datamin, const QString &datamax, const QString &project, SortKey order)
{
    // An item belongs to the year it starts in, whenever it ends.
    GridQuery q{QLatin1String(kJoin) + QStringLiteral(" and program.datainc2>=? and program.datainc2<=?"),
                {datamin, datamax}};
    if (!project.isEmpty()) {
        q.sql += QStringLiteral(" and program.proiect=?");
        q.params << project;
    }
    q.sql += orderEnding(order);
    return q;
}

GridQuery projectQuery(const QString &datamin, const QString &datamax, const QString &project, const QString &activ)
{
    return {QLatin1String(kJoin)
                + QStringLiteral(" and program.datainc2>=? and program.datainc2<=? and program.proiect=?"
                                 " and program.activit=? ORDER BY program.idp"),
            {datamin, datamax, project, activ}};
}

GridQuery subunitQuery(const QString &datamin, const QString &datamax, int idos)
{
    return {QLatin1String(kJoin)
                + QStringLiteral(" and program.datainc2>=? and program.datainc2<=? and program.idos=? ORDER BY program.idp"),
            {datamin, datamax, idos}};
}

} // namespace tendro
