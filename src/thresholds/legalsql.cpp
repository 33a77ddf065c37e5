#include "legalsql.h"
#include "store/database.h"
#include "store/dates.h"
#include "store/querymodel.h"

#include <QColor>
#include <memory>

namespace tendro {

namespace {

// The band of a total against the thresholds of the item.
QString bandSql(const QString &total, const QString &directa, const QString &simplificata)
{
    return QStringLiteral("(CASE WHEN %2 IS NULL OR %1 IS NULL THEN '' WHEN %1<%2 THEN '%4' WHEN %1<%3 THEN '%5'"
                          " ELSE '%6' END)")
        .arg(total, directa, simplificata, bandText(Band::Direct), bandText(Band::Simplified), bandText(Band::Open));
}

// The thresholds row in force for an item: its kind's latest valid-from date not after its start.
QString inForceSql(const QString &praguri, const QString &cpv, const QString &program)
{
    return QStringLiteral(" LEFT JOIN praguri %1 ON %1.rowid=(SELECT x.rowid FROM praguri x"
                          " WHERE x.tip=%2 AND x.dela<=%3.datainc2 ORDER BY x.dela DESC LIMIT 1)")
        .arg(praguri, kindSql(cpv), program);
}

// The sub-unit, class, kind and year of an item as one text: a join on one column is the cheapest.
QString classKeySql(const QString &cpv, const QString &program)
{
    return QStringLiteral("(%1.idos||'|'||%2||'|'||%3||'|'||substr(%1.datainc2,1,4))")
        .arg(program, classSql(cpv), kindSql(cpv));
}

// Every item with its class, kind, year and the thresholds in force for it.
QString itemsSql()
{
    return QStringLiteral("SELECT p.idp AS idp,p.idos AS idos,p.lei AS lei,") + classSql(QStringLiteral("c"))
        + QStringLiteral(" AS clasa,") + kindSql(QStringLiteral("c"))
        + QStringLiteral(" AS tip,substr(p.datainc2,1,4) AS an,g.directa AS directa,g.simplificata AS simplificata"
                         " FROM program p JOIN cpv c ON c.id=p.id")
        + inForceSql(QStringLiteral("g"), QStringLiteral("c"), QStringLiteral("p"));
}

const QColor kLighterProcedure(255, 205, 150);

} // namespace

QString kindSql(const QString &cpv) { return QStringLiteral("(CASE WHEN %1.fel=3 THEN 'L' ELSE 'PS' END)").arg(cpv); }

QString classSql(const QString &cpv) { return QStringLiteral("substr(%1.cod,1,4)").arg(cpv); }

QString legalJoins()
{
    return QStringLiteral(" LEFT JOIN (SELECT ") + classKeySql(QStringLiteral("c"), QStringLiteral("p"))
        + QStringLiteral(" AS cheie,sum(p.lei) AS total,count(*) AS nr FROM program p JOIN cpv c ON c.id=p.id"
                         " WHERE p.datainc2>=? AND p.datainc2<=? GROUP BY cheie) clasa ON clasa.cheie=")
        + classKeySql(QStringLiteral("cpv"), QStringLiteral("program"))
        + inForceSql(QStringLiteral("prag"), QStringLiteral("cpv"), QStringLiteral("program"));
}

QString legalProcedureSql()
{
    return bandSql(QStringLiteral("clasa.total"), QStringLiteral("prag.directa"), QStringLiteral("prag.simplificata"));
}

QHash<qint64, QString> legalProcedures(Database &db, const QString &datamin, const QString &datamax)
{
    QHash<qint64, QString> out;
    db.forEach(QStringLiteral("SELECT program.idp,") + legalProcedureSql() + QStringLiteral(" FROM cpv,program")
                   + legalJoins()
                   + QStringLiteral(" WHERE cpv.id=program.id AND program.datainc2>=? AND program.datainc2<=?"),
               {datamin, datamax, datamin, datamax},
               [&out](const QStringList &, const QVector<QVariant> &r) { out.insert(r.at(0).toLongLong(), r.at(1).toString()); });
    return out;
}

QString itemClassSql()
{
    const QString risk = QStringLiteral("k.sub=k.nr AND k.total>=k.mindirecta");
    return QStringLiteral("SELECT i.idp AS idp,i.clasa||' '||(CASE i.tip WHEN 'L' THEN 'lucrari' ELSE"
                          " 'produse si servicii' END) AS cheie,i.directa AS directa,i.simplificata AS simplificata,"
                          "k.total AS total,k.nr AS nr,")
        + bandSql(QStringLiteral("k.total"), QStringLiteral("i.directa"), QStringLiteral("i.simplificata"))
        + QStringLiteral(" AS procedura,(CASE WHEN ") + risk + QStringLiteral(" THEN 1 ELSE 0 END) AS risc,k.nr||"
                                                              "' pozitii'||(CASE WHEN ")
        + risk
        + QStringLiteral(" THEN ' - RISC DE DIVIZARE: fiecare pozitie sub pragul achizitiei directe, clasa peste prag'"
                         " ELSE '' END) AS eticheta FROM (")
        + itemsSql()
        + QStringLiteral(") i JOIN (SELECT idos,clasa,tip,an,sum(lei) AS total,count(*) AS nr,"
                         "sum(CASE WHEN lei<directa THEN 1 ELSE 0 END) AS sub,min(directa) AS mindirecta FROM (")
        + itemsSql()
        + QStringLiteral(") GROUP BY idos,clasa,tip,an) k ON k.idos=i.idos AND k.clasa=i.clasa AND k.tip=i.tip"
                         " AND k.an=i.an");
}

const QStringList &itemClassColumns()
{
    static const QStringList columns{QStringLiteral("idp"),   QStringLiteral("cheie"),    QStringLiteral("directa"),
                                     QStringLiteral("simplificata"), QStringLiteral("total"), QStringLiteral("nr"),
                                     QStringLiteral("procedura"), QStringLiteral("risc"), QStringLiteral("eticheta")};
    return columns;
}

void markLighterProcedures(QueryTableModel *model, std::function<QString(int row)> bandOf)
{
    model->setRowHint([model, bandOf = std::move(bandOf)](int row, int role) -> QVariant {
        if (role != Qt::BackgroundRole && role != Qt::ToolTipRole)
            return {};
        const QString proced = model->value(row, QStringLiteral("proced")).toString();
        const QString band = bandOf(row);
        if (!lighterThanBand(proced, band))
            return {};
        if (role == Qt::BackgroundRole)
            return kLighterProcedure;
        return lighterProcedureTip(proced, band);
    });
}

void markLighterProcedures(QueryTableModel *model, Database &db)
{
    struct Bands {
        bool stale = true;
        QHash<qint64, QString> byItem;
    };
    auto bands = std::make_shared<Bands>();
    QObject::connect(model, &QAbstractItemModel::modelReset, model, [bands] { bands->stale = true; });
    markLighterProcedures(model, [model, &db, bands](int row) {
        if (bands->stale) {
            bands->stale = false;
            bands->byItem.clear();
            // The years the rows start in; class totals are per year anyway.
            QString first, last;
            for (int r = 0; r < model->rowCount(); ++r) {
                const QString start = model->value(r, QStringLiteral("datainc2")).toString();
                if (start.size() < 4)
                    continue;
                if (first.isEmpty() || start < first)
                    first = start;
                if (start > last)
                    last = start;
            }
            if (!first.isEmpty()) {
                try {
                    bands->byItem = legalProcedures(db, yearBounds(first.left(4)).lower, yearBounds(last.left(4)).upper);
                } catch (const DbError &) {
                    // No mark is better than a message at every paint; the grid shows its rows all the same.
                }
            }
        }
        return bands->byItem.value(model->value(row, QStringLiteral("idp")).toLongLong());
    });
}

} // namespace tendro
