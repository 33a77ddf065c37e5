#include "totals.h"
#include "store/database.h"
#include "store/numbers.h"

#include <QHash>
#include <QPair>
#include <QVector>

namespace tendro {

const char *const kUnattributedSql = "NOT EXISTS (SELECT 1 FROM program p WHERE p.uid=realiz.uidp)";
const char *const kOldTieSql =
    "realiz.id=? AND realiz.idos=? AND (CASE WHEN coalesce(realiz.proiect,'')=' ' THEN '' ELSE"
    " coalesce(realiz.proiect,'') END)=?";

Unattributed recomputeTotals(Database &db, const QString &datamin, const QString &datamax, int idos)
{
    // Each item's own realizations of the year, summed once, grouped: each
    // amount in whole bani, as the reports print it, so the sum is exact (added
    // as binary fractions, 110.82 + 877.83 + 11.35 would exceed 1000 by a hair).
    struct Group {
        int count;
        double total;
    };
    QHash<QString, Group> groups;
    db.forEach(QStringLiteral("SELECT uidp, count(*), sum(") + centsSql(QStringLiteral("lei"))
                   + QStringLiteral(") FROM realiz WHERE actdata2>=? and actdata2<=? and idos=? GROUP BY uidp"),
               {datamin, datamax, idos}, [&](const QStringList &, const QVector<QVariant> &r) {
                   groups.insert(r.at(0).toString(), {int(r.at(1).toLongLong()), r.at(2).toLongLong() / 100.0});
               });
    QVector<QPair<qint64, double>> changed;
    db.forEach(QStringLiteral("SELECT idp, uid, realiz FROM program WHERE datainc2>=? and datainc2<=? and idos=?"),
               {datamin, datamax, idos}, [&](const QStringList &, const QVector<QVariant> &r) {
                   const auto it = groups.constFind(r.at(1).toString());
                   const double total = it == groups.constEnd() ? 0.0 : it->total;
                   if (it != groups.constEnd() && !r.at(1).toString().isEmpty())
                       groups.erase(it);
                   if (r.at(2).isNull() || r.at(2).toDouble() != total)
                       changed.append({r.at(0).toLongLong(), total});
               });
    // What is left names no item of the year: an item of another year still owns it.
    Unattributed loose;
    for (auto it = groups.constBegin(); it != groups.constEnd(); ++it) {
        if (!it.key().isEmpty()
            && !db.query(QStringLiteral("SELECT 1 FROM program WHERE uid=?"), {it.key()}).isEmpty())
            continue;
        loose.count += it->count;
        loose.cents += toCents(it->total);
    }
    if (!changed.isEmpty()) {
        Transaction tx(db);
        for (const auto &[idp, total] : std::as_const(changed))
            db.exec(QStringLiteral("UPDATE program SET realiz=? WHERE idp=?"), {total, idp});
        tx.commit();
    }
    return loose;
}

QString unattributedMessage(const Unattributed &u)
{
    if (u.count == 0)
        return QString();
    return QStringLiteral(" Exista %1 realizari neatribuite, in valoare de %2 lei. ").arg(u.count).arg(moneyText(u.cents));
}

QString unattributedLine(const Unattributed &u)
{
    if (u.count == 0)
        return QString();
    return QStringLiteral("Realizari neatribuite: %1, in valoare de %2 lei").arg(u.count).arg(moneyText(u.cents));
}

} // namespace tendro
