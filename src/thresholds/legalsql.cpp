#include "legalsql.h"
#include "purchases.h"
#include "store/database.h"
#include "store/dates.h"
#include "store/numbers.h"
#include "store/querymodel.h"

#include <QColor>
#include <memory>

namespace tendro {

namespace {

const QColor kLighterProcedure(255, 205, 150);

const char *const kReportTable = R"SQL(
CREATE TEMP TABLE IF NOT EXISTS achizitii_pozitii (
  idp INTEGER PRIMARY KEY,
  cheie TEXT,
  directa INTEGER,
  simplificata INTEGER,
  total DOUBLE,
  nr INTEGER,
  procedura TEXT,
  risc INTEGER,
  eticheta TEXT,
  usoara INTEGER,
  marcaj TEXT,
  realizatdirect DOUBLE
);
)SQL";

QString kindWords(const QString &kind)
{
    if (kind == QLatin1String(kWorks))
        return QStringLiteral("lucrari");
    if (kind == QLatin1String(kAnnex2Services))
        return QStringLiteral("servicii sociale si alte servicii specifice");
    return QStringLiteral("produse si servicii");
}

QString heading(const Purchase &p, const Scope &scope, const QHash<int, QString> &subunitNames)
{
    QString label = p.label();
    label[0] = label.at(0).toUpper();
    QString text = label + QStringLiteral(", ") + kindWords(p.kind) + QStringLiteral(", ") + QString::number(p.year);
    // Summed over sub-units, a work still belongs to one: two of the same name are two works.
    if (scope.summed && p.unit == PurchaseUnit::Work && !p.subunits.isEmpty())
        text += QStringLiteral(", ") + subunitNames.value(p.subunits.first(), QString::number(p.subunits.first()));
    return text;
}

QString groupLine(const Purchase &p)
{
    QString line = p.items == 1 ? QStringLiteral("1 pozitie") : QString::number(p.items) + QStringLiteral(" pozitii");
    if (p.split != Crossed::None) {
        const qint64 t = p.split == Crossed::Upper ? p.thresholds.simplificata : p.thresholds.directa;
        line += QStringLiteral(" - RISC DE DIVIZARE: totalul atinge ") + thresholdName(p.split, p.kind) + QStringLiteral(" de ")
            + leiText(double(t)) + QStringLiteral(" lei, fiecare pozitie sub el");
    }
    if (p.realizedOverDirect())
        line += QStringLiteral(" - ACHIZITII DIRECTE REALIZATE: ") + leiText(p.realizedDirect)
            + QStringLiteral(" lei, peste pragul de ") + leiText(double(p.thresholds.directa)) + QStringLiteral(" lei");
    return line;
}

} // namespace

QString itemClassSql(Database &db)
{
    // A directorate's file (its configured sub-unit is 0) sums its sub-units' purchases.
    const ResultSet configured = db.query(QStringLiteral("SELECT idos FROM setare WHERE numeos<>''"));
    const Scope scope = !configured.isEmpty() && configured.integer(0, QStringLiteral("idos")) == 0 ? Scope::directorate()
                                                                                                    : Scope::eachSubunit();
    QHash<int, QString> names;
    db.forEach(QStringLiteral("SELECT idos,numeos FROM os"), {}, [&names](const QStringList &, const QVector<QVariant> &r) {
        names.insert(int(r.at(0).toLongLong()), r.at(1).toString());
    });
    const QVector<PurchaseItem> items = loadPurchaseItems(db, QStringLiteral("0"), QStringLiteral("99999999"), scope);
    const Purchases purchases(groupPurchases(items, ThresholdTable::load(db), scope));

    db.execScript(QStringLiteral("SAVEPOINT achizitii"));
    try {
        db.execScript(QString::fromLatin1(kReportTable));
        db.exec(QStringLiteral("DELETE FROM temp.achizitii_pozitii"));
        for (const PurchaseItem &i : items) {
            const Purchase *p = purchases.of(i.idp);
            if (!p)
                continue;
            const QString band = bandText(p->band);
            const bool lighter = lighterThanBand(i.proced, band);
            const auto known = [p](qint64 v) { return p->thresholds.known() ? QVariant(v) : QVariant(); };
            db.exec(QStringLiteral("INSERT INTO temp.achizitii_pozitii VALUES(?,?,?,?,?,?,?,?,?,?,?,?)"),
                    {i.idp, heading(*p, scope, names), known(p->thresholds.directa), known(p->thresholds.simplificata), p->total,
                     p->items, band, p->split != Crossed::None ? 1 : 0, groupLine(*p), lighter ? 1 : 0,
                     lighter ? QStringLiteral("mai usoara") : QString(), procedureWeight(i.proced) == 1 ? i.realiz : 0.0});
        }
    } catch (...) {
        db.execScript(QStringLiteral("ROLLBACK TO achizitii; RELEASE achizitii"));
        throw;
    }
    db.execScript(QStringLiteral("RELEASE achizitii"));
    return QStringLiteral("SELECT * FROM temp.achizitii_pozitii");
}

const QStringList &itemClassColumns()
{
    static const QStringList columns{
        QStringLiteral("idp"),      QStringLiteral("cheie"),     QStringLiteral("directa"), QStringLiteral("simplificata"),
        QStringLiteral("total"),    QStringLiteral("nr"),        QStringLiteral("procedura"), QStringLiteral("risc"),
        QStringLiteral("eticheta"), QStringLiteral("usoara"),    QStringLiteral("marcaj"),  QStringLiteral("realizatdirect")};
    return columns;
}

QColor lighterProcedureColour() { return kLighterProcedure; }

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
        Purchases purchases;
    };
    auto bands = std::make_shared<Bands>();
    QObject::connect(model, &QAbstractItemModel::modelReset, model, [bands] { bands->stale = true; });
    markLighterProcedures(model, [model, &db, bands](int row) {
        if (bands->stale) {
            bands->stale = false;
            bands->purchases = {};
            // The years the rows start in: purchases are per year anyway.
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
                    bands->purchases = Purchases(db, yearBounds(first.left(4)).lower, yearBounds(last.left(4)).upper,
                                                 Scope::eachSubunit());
                } catch (const DbError &) {
                    // No mark is better than a message at every paint; the grid shows its rows all the same.
                }
            }
        }
        const Purchase *p = bands->purchases.of(model->value(row, QStringLiteral("idp")).toLongLong());
        return p ? bandText(p->band) : QString();
    });
}

} // namespace tendro
