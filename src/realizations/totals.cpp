#include "totals.h"
#include "store/database.h"

namespace tendro {

void recomputeTotals(Database &db, const QString &datamin, const QString &datamax, int idos)
{
    Transaction tx(db);
    // The sums once, grouped, then one indexed lookup per item. Each amount to
    // the cent, as the reports print it, and the total too: added as binary
    // fractions, 110.82 + 877.83 + 11.35 would exceed 1000 by a hair.
    db.execScript(QStringLiteral("DROP TABLE IF EXISTS temp.sume"));
    db.exec(QStringLiteral("CREATE TEMP TABLE sume AS SELECT id, CASE WHEN proiect=' ' THEN '' ELSE coalesce(proiect,'')"
                           " END AS p, round(sum(round(lei,2)),2) AS s FROM realiz WHERE actdata2>=? and actdata2<=? and idos=?"
                           " GROUP BY 1,2"),
            {datamin, datamax, idos});
    db.execScript(QStringLiteral("CREATE INDEX temp.sume_cheie ON sume(id,p)"));
    db.exec(QStringLiteral("UPDATE program SET realiz=coalesce((SELECT s FROM sume WHERE sume.id=program.id AND"
                           " sume.p=coalesce(program.proiect,'')),0) WHERE datainc2>=? and datainc2<=? and idos=?"),
            {datamin, datamax, idos});
    db.execScript(QStringLiteral("DROP TABLE temp.sume"));
    tx.commit();
}

} // namespace tendro
