#include "document.h"
#include "store/database.h"
#include "store/numbers.h"
#include "thresholds/legalsql.h"

#include <QHash>

#include <functional>

#include <cmath>

namespace tendro {

namespace {

// Every "table.column" a definition reads, each once, with its alias.
class FieldList {
public:
    QString alias(const QString &qualified)
    {
        auto it = aliases_.constFind(qualified);
        if (it != aliases_.constEnd())
            return *it;
        const QString a = QStringLiteral("f%1").arg(aliases_.size());
        aliases_.insert(qualified, a);
        select_ << qualified + QStringLiteral(" AS ") + a;
        return a;
    }
    QString select() const { return select_.join(QLatin1Char(',')); }

private:
    QHash<QString, QString> aliases_;
    QStringList select_;
};

double numberAt(const ResultSet &rs, int row, const QString &alias)
{
    return rs.value(row, alias).isNull() ? 0.0 : rs.number(row, alias);
}

// The text of a field as printed: procedures in full.
QString shown(const QString &field, const QString &text)
{
    return field == QLatin1String("program.proced") ? procedureName(text) : text;
}

// A value that marks its row: set, and not a zero.
bool marks(const QVariant &v)
{
    if (v.isNull())
        return false;
    bool number = false;
    const double d = v.toString().trimmed().toDouble(&number);
    return number ? d != 0 : !v.toString().trimmed().isEmpty();
}

} // namespace

QString Signatories::headCaption() const
{
    return functiesef.trimmed().isEmpty() ? QStringLiteral("SEF SUBUNITATE") : functiesef;
}

bool Signatories::none() const
{
    return sef.trimmed().isEmpty() && contabil.trimmed().isEmpty() && intocmit.trimmed().isEmpty();
}

QString noRowsText() { return QStringLiteral(" Nu exista pozitii care sa corespunda criteriilor. "); }

QString procedureName(const QString &stored)
{
    if (stored == QLatin1String("licitatie"))
        return QStringLiteral("licitatie deschisa");
    if (stored == QLatin1String("proced.simplif."))
        return QStringLiteral("procedura simplificata");
    if (stored == QLatin1String("negociere fara public."))
        return QStringLiteral("negociere fara publicare prealabila");
    return stored;
}

namespace {

// The lines of a report from its rows, grouped in sections and groups, with
// their subtotals and the total; `alias` names the row's column of a field.
void fillLines(ReportDocument &doc, const ReportDefinition &def, const ResultSet &rs,
               const std::function<QString(const QString &)> &alias)
{
    struct Read {
        QString first, second;
    };
    QVector<Read> reads;
    for (const ReportColumn &c : def.columns) {
        Read r;
        if (c.field.kind != ReportField::RowNumber)
            r.first = alias(c.field.first);
        if (c.field.kind == ReportField::Stacked || c.field.kind == ReportField::Difference)
            r.second = alias(c.field.second);
        reads << r;
    }
    // Two levels at most: the section, then the group; either may be absent.
    struct Level {
        QString field, label, alias, labelAlias;
        QString key;
        bool open = false;
        int first = -1;
        QVector<qint64> sums;
    };
    const int n = int(def.columns.size());
    QVector<Level> levels;
    for (const auto &[field, label] : {std::pair{def.section, QString()}, std::pair{def.group, def.groupLabel}})
        if (!field.isEmpty())
            levels.append({field, label, alias(field), label.isEmpty() ? QString() : alias(label), {}, false, -1,
                           QVector<qint64>(n, 0)});
    const QString boldAlias = def.bold.isEmpty() ? QString() : alias(def.bold);
    QVector<qint64> totalSums(n, 0);
    int firstItem = -1;
    const auto sumLine = [&](ReportLine::Kind kind, const QString &label, const QVector<qint64> &sums, int first,
                             int depth) {
        ReportLine line;
        line.kind = kind;
        line.depth = depth;
        for (int c = 0; c < n; ++c)
            line.cells << (def.columns.at(c).total ? reportMoney(sums.at(c)) : QString());
        line.under = QStringList(n, QString());
        line.cells[0] = label;
        line.cents = sums;
        for (int c = 0; c < n; ++c)
            if (!def.columns.at(c).total)
                line.cents[c] = 0;
        line.firstItem = first;
        line.lastItem = first < 0 ? -1 : int(doc.lines.size()) - 1;
        doc.lines << line;
    };
    const auto close = [&](int from) {
        for (int d = int(levels.size()) - 1; d >= from; --d) {
            Level &l = levels[d];
            if (l.open)
                sumLine(ReportLine::Subtotal, QStringLiteral("Total ") + shown(l.field, l.key), l.sums, l.first, d);
            l.open = false;
        }
    };
    for (int r = 0; r < rs.count(); ++r) {
        for (int d = 0; d < levels.size(); ++d) {
            Level &l = levels[d];
            const QString key = rs.text(r, l.alias);
            if (l.open && key == l.key)
                continue;
            close(d);   // this level and the ones inside it
            for (int e = d; e < levels.size(); ++e) {
                Level &m = levels[e];
                m.key = rs.text(r, m.alias);
                m.open = true;
                m.sums.fill(0);
                ReportLine head;
                head.kind = ReportLine::Group;
                head.depth = e;
                head.cells = QStringList(n, QString());
                head.under = QStringList(n, QString());
                head.cells[0] = shown(m.field, m.key);
                if (!m.labelAlias.isEmpty())
                    head.cells[0] += QStringLiteral(" - ") + shown(m.label, rs.text(r, m.labelAlias));
                doc.lines << head;
                m.first = int(doc.lines.size());
            }
            break;
        }
        if (firstItem < 0)
            firstItem = int(doc.lines.size());
        ReportLine line;
        line.cents = QVector<qint64>(n, 0);
        line.bold = !boldAlias.isEmpty() && marks(rs.value(r, boldAlias));
        for (int c = 0; c < n; ++c) {
            const ReportColumn &col = def.columns.at(c);
            QString text, under;
            qint64 cents = 0;
            switch (col.field.kind) {
            case ReportField::RowNumber:
                text = QString::number(r + 1);
                break;
            case ReportField::Column:
                if (col.format == ReportColumn::Money) {
                    // A threshold the table lacks prints nothing, not a 0 that reads as a limit of 0 lei.
                    cents = toCents(numberAt(rs, r, reads.at(c).first));
                    if (!col.field.first.startsWith(QLatin1String("clasa.")) || !rs.value(r, reads.at(c).first).isNull())
                        text = reportMoney(cents);
                } else {
                    text = shown(col.field.first, rs.text(r, reads.at(c).first));
                }
                break;
            case ReportField::Stacked:
                text = shown(col.field.first, rs.text(r, reads.at(c).first));
                under = shown(col.field.second, rs.text(r, reads.at(c).second));
                break;
            case ReportField::Difference:
                // The difference of the amounts as printed, so that it reads as their difference.
                cents = toCents(numberAt(rs, r, reads.at(c).first)) - toCents(numberAt(rs, r, reads.at(c).second));
                text = reportMoney(cents);
                break;
            }
            if (col.format == ReportColumn::Money || col.field.kind == ReportField::Difference)
                line.cents[c] = cents;
            if (col.total) {
                for (Level &l : levels)
                    l.sums[c] += cents;
                totalSums[c] += cents;
            }
            line.cells << text;
            line.under << under;
        }
        doc.lines << line;
    }
    close(0);
    // No row, no total of nothing: the report says that no row was found.
    if (firstItem >= 0)
        sumLine(ReportLine::Total, QStringLiteral("TOTAL GENERAL"), totalSums, firstItem, 0);
}

// The header and the signatories of the configured sub-unit (or directorate).
void fillHeader(ReportDocument &doc, Database &db)
{
    const ResultSet s = db.query(QStringLiteral("SELECT * FROM setare WHERE numeos<>''"));
    if (s.isEmpty())
        return;
    const QString numeds = s.text(0, QStringLiteral("numeds"));
    doc.directorate = s.integer(0, QStringLiteral("idds")) == 38 ? numeds + QStringLiteral(" - CENTRAVA")
                                                                 : QStringLiteral("DIRECTIA SILVICA ") + numeds;
    // A directorate's file (its sub-unit 0) speaks for the directorate alone.
    if (s.integer(0, QStringLiteral("idos")) != 0)
        doc.subunit = s.text(0, QStringLiteral("numeos"));
    doc.signatories = {s.text(0, QStringLiteral("functiesef")), s.text(0, QStringLiteral("sef")),
                       s.text(0, QStringLiteral("contabil")), s.text(0, QStringLiteral("intocmit"))};
}

} // namespace

ReportDocument buildDocument(Database &db, const ReportDefinition &def, const SqlCondition &selection,
                             const QString &title, const QString &criteria)
{
    ReportDocument doc;
    doc.title = title;
    doc.criteria = criteria;
    doc.columns = def.columns;

    FieldList fields;
    for (const ReportColumn &c : def.columns) {
        if (c.field.kind != ReportField::RowNumber)
            fields.alias(c.field.first);
        if (c.field.kind == ReportField::Stacked || c.field.kind == ReportField::Difference)
            fields.alias(c.field.second);
    }
    for (const QString &f : {def.section, def.group, def.groupLabel, def.bold})
        if (!f.isEmpty())
            fields.alias(f);
    QStringList order;
    // Sections and groups follow their columns, unless the order names them: then the columns before them order them.
    for (const QString &f : {def.section, def.group})
        if (!f.isEmpty() && !def.order.contains(f) && !def.order.contains(f + QStringLiteral(" DESC")))
            order << f;
    order << def.order;

    QString sql = QStringLiteral("SELECT ") + fields.select() + QStringLiteral(" FROM cpv,program");
    const QString read = sql + order.join(QLatin1Char(',')) + selection.where;
    if (read.contains(QLatin1String("clasa.")))
        sql += QStringLiteral(" LEFT JOIN (") + itemClassSql(db) + QStringLiteral(") clasa ON clasa.idp=program.idp");
    if (read.contains(QLatin1String("os.")))
        sql += QStringLiteral(" LEFT JOIN os ON os.idos=program.idos");
    sql += QStringLiteral(" WHERE cpv.id=program.id");
    if (!selection.where.isEmpty())
        sql += QStringLiteral(" AND (") + selection.where + QLatin1Char(')');
    if (!order.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + order.join(QLatin1Char(','));
    const ResultSet rs = db.query(sql, selection.params);
    fillLines(doc, def, rs, [&fields](const QString &f) { return fields.alias(f); });
    fillHeader(doc, db);
    return doc;
}

ReportDocument documentOfRows(Database &db, const ReportDefinition &def, const ResultSet &rows, const QString &title,
                              const QString &criteria)
{
    ReportDocument doc;
    doc.title = title;
    doc.criteria = criteria;
    doc.columns = def.columns;
    fillLines(doc, def, rows, [](const QString &f) { return f; });
    fillHeader(doc, db);
    return doc;
}

} // namespace tendro
