#include "subunit.h"
#include "pg.h"

#include <QHash>
#include <QSet>

namespace tendro {

namespace {

// The sub-unit's own fields of an item, as both sides name them.
const QStringList kItemFields{QStringLiteral("id"),       QStringLiteral("activit"),  QStringLiteral("lei"),
                              QStringLiteral("euro"),     QStringLiteral("datainc1"), QStringLiteral("datainc2"),
                              QStringLiteral("datafin1"), QStringLiteral("datafin2"), QStringLiteral("resp"),
                              QStringLiteral("detal"),    QStringLiteral("fond"),     QStringLiteral("proiect"),
                              QStringLiteral("realiz")};
const QStringList kRealizationFields{QStringLiteral("uidp"),       QStringLiteral("id"),
                                     QStringLiteral("contrnr"),    QStringLiteral("contrdata1"),
                                     QStringLiteral("contrdata2"), QStringLiteral("lei"),
                                     QStringLiteral("actnr"),      QStringLiteral("actdata1"),
                                     QStringLiteral("actdata2"),   QStringLiteral("furniz"),
                                     QStringLiteral("refer"),      QStringLiteral("denumach"),
                                     QStringLiteral("proiect")};
const QStringList kDecisionFields{QStringLiteral("proced"), QStringLiteral("anunt"), QStringLiteral("modalitate")};

enum class Kind { Text, Whole, Decimal };

Kind kindOf(const QString &column)
{
    if (column == QLatin1String("id"))
        return Kind::Whole;
    if (column == QLatin1String("lei") || column == QLatin1String("euro") || column == QLatin1String("realiz"))
        return Kind::Decimal;
    return Kind::Text;
}

const char *sqlType(Kind k) { return k == Kind::Whole ? "integer" : k == Kind::Decimal ? "float8" : "text"; }

// A local value as the server takes it: texts never null, numbers null when empty.
QVariant serverValue(const ResultSet &rs, int row, const QString &column)
{
    const Kind kind = kindOf(column);
    if (kind == Kind::Text)
        return rs.text(row, column);
    if (rs.value(row, column).isNull())
        return QVariant();
    return kind == Kind::Whole ? QVariant(rs.integer(row, column)) : QVariant(rs.number(row, column));
}

// One array parameter per column: every row's value of it.
QVariantList columnArrays(const ResultSet &rs, const QStringList &columns)
{
    QVariantList arrays;
    for (const QString &c : columns) {
        QVariantList values;
        values.reserve(rs.count());
        for (int r = 0; r < rs.count(); ++r)
            values << serverValue(rs, r, c);
        arrays << QVariant(values);
    }
    return arrays;
}

// "unnest($2::text[], $3::integer[], ...) AS u(uid, id, ...)", parameters from `first` on.
QString unnestFrom(const QStringList &columns, int first)
{
    QStringList arrays;
    for (int i = 0; i < columns.size(); ++i)
        arrays << QStringLiteral("$%1::%2[]").arg(first + i).arg(QLatin1String(sqlType(kindOf(columns.at(i)))));
    return QStringLiteral("unnest(%1) AS u(%2)").arg(arrays.join(QLatin1Char(',')), columns.join(QLatin1Char(',')));
}

QString prefixed(const QString &prefix, const QStringList &columns)
{
    QStringList out;
    for (const QString &c : columns)
        out << prefix + c;
    return out.join(QLatin1Char(','));
}

// A row's values in the given columns, as one comparable text; a null
// reads as empty text unless `nulls` tells it apart.
QString rowText(const ResultSet &rs, int row, const QStringList &columns, bool nulls = false)
{
    QStringList parts;
    for (const QString &c : columns)
        parts << (nulls && rs.value(row, c).isNull() ? QStringLiteral("\x01") : rs.text(row, c));
    return parts.join(QChar(0x1f));
}

QStringList allRows(const ResultSet &rs, const QStringList &columns)
{
    QStringList out;
    for (int r = 0; r < rs.count(); ++r)
        out << rowText(rs, r, columns, true);
    out.sort();
    return out;
}

// Replaces a local table with the server's rows when they differ and the server has any.
bool replaceWhenDifferent(Database &local, const QString &table, const ResultSet &server, const QStringList &columns)
{
    if (server.isEmpty())
        return false;
    const ResultSet held = local.query(QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QLatin1Char(',')), table));
    if (allRows(held, columns) == allRows(server, columns))
        return false;
    local.exec(QStringLiteral("DELETE FROM ") + table);
    const QString insert = QStringLiteral("INSERT INTO %1 (%2) VALUES(%3)")
                               .arg(table, columns.join(QLatin1Char(',')),
                                    QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(',')));
    for (int r = 0; r < server.count(); ++r) {
        QVariantList values;
        for (const QString &c : columns)
            values << server.value(r, c);
        local.exec(insert, values);
    }
    return true;
}

} // namespace

void checkSubunitAccount(PgConnection &pg, int idos)
{
    const ResultSet rs = pg.query(QStringLiteral("SELECT tendro.cont_idos() AS idos"));
    if (rs.value(0, QStringLiteral("idos")).isNull() || rs.integer(0, QStringLiteral("idos")) != idos)
        throw ServerError(ServerFault::WrongAccount, QString(), pg.account());
}

TransmitCounts transmitProgramme(PgConnection &pg, Database &local, int idos)
{
    const QStringList itemColumns = QStringList{QStringLiteral("uid")} + kItemFields;
    const QStringList realizationColumns = QStringList{QStringLiteral("uid")} + kRealizationFields;
    const ResultSet items = local.query(
        QStringLiteral("SELECT %1 FROM program WHERE idos=? ORDER BY idp").arg(itemColumns.join(QLatin1Char(','))), {idos});
    const ResultSet realizations = local.query(
        QStringLiteral("SELECT %1 FROM realiz WHERE idos=? ORDER BY idr").arg(realizationColumns.join(QLatin1Char(','))),
        {idos});

    TransmitCounts counts;
    counts.items = items.count();
    counts.realizations = realizations.count();
    for (int r = 0; r < items.count(); ++r)
        counts.lei += items.number(r, QStringLiteral("lei"));

    PgTransaction tx(pg);
    checkSubunitAccount(pg, idos);
    // A second transmission of the sub-unit waits here until the first ends.
    pg.exec(QStringLiteral("SELECT pg_advisory_xact_lock(7361, $1::integer)"), {idos});

    // Only what differs is written: an unchanged item is neither locked nor rewritten.
    QStringList updates;
    for (const QString &c : kItemFields)
        updates << c + QStringLiteral("=u.") + c;
    QVariantList params{idos};
    params << columnArrays(items, itemColumns);
    const ResultSet written = pg.query(
        QStringLiteral("WITH u AS MATERIALIZED (SELECT * FROM %1), "
                       "upd AS (UPDATE tendro.program p SET %2 FROM u WHERE p.uid=u.uid AND p.idos=$1 "
                       "AND (%3) IS DISTINCT FROM (%4) RETURNING p.uid), "
                       "ins AS (INSERT INTO tendro.program (uid,idos,%5) SELECT u.uid,$1,%4 FROM u "
                       "WHERE NOT EXISTS (SELECT 1 FROM tendro.program p WHERE p.uid=u.uid) RETURNING uid) "
                       "SELECT (SELECT count(*) FROM ins) AS noi, (SELECT count(*) FROM upd) AS modificate")
            .arg(unnestFrom(itemColumns, 2), updates.join(QLatin1Char(',')), prefixed(QStringLiteral("p."), kItemFields),
                 prefixed(QStringLiteral("u."), kItemFields), kItemFields.join(QLatin1Char(','))),
        params);
    counts.added = int(written.integer(0, QStringLiteral("noi")));
    counts.changed = int(written.integer(0, QStringLiteral("modificate")));

    const QVariant uids = params.at(1);
    counts.deleted = int(pg.exec(QStringLiteral("DELETE FROM tendro.program WHERE idos=$1 AND proced='' "
                                                "AND uid NOT IN (SELECT unnest($2::text[]))"),
                                 {idos, uids}));
    counts.keptApproved = int(pg.query(QStringLiteral("SELECT count(*) FROM tendro.program WHERE idos=$1 AND "
                                                      "proced<>'' AND uid NOT IN (SELECT unnest($2::text[]))"),
                                       {idos, uids})
                                  .integer(0, QStringLiteral("count")));

    pg.exec(QStringLiteral("DELETE FROM tendro.realiz WHERE idos=$1"), {idos});
    params = {idos};
    params << columnArrays(realizations, realizationColumns);
    pg.exec(QStringLiteral("INSERT INTO tendro.realiz (uid,idos,%1) SELECT u.uid,$1,%2 FROM %3")
                .arg(kRealizationFields.join(QLatin1Char(',')), prefixed(QStringLiteral("u."), kRealizationFields),
                     unnestFrom(realizationColumns, 2)),
            params);

    pg.exec(QStringLiteral("INSERT INTO tendro.transmiteri (idos,pozitii,noi,modificate,sterse,pastrate,lei,realizari) "
                           "VALUES($1,$2,$3,$4,$5,$6,$7,$8)"),
            {idos, counts.items, counts.added, counts.changed, counts.deleted, counts.keptApproved, counts.lei,
             counts.realizations});
    tx.commit();
    return counts;
}

QString transmitMessage(const TransmitCounts &c)
{
    QString text = QStringLiteral(" Programul a fost transmis: %1 pozitii (%2 noi, %3 modificate, %4 sterse), %5 realizari. ")
                       .arg(c.items)
                       .arg(c.added)
                       .arg(c.changed)
                       .arg(c.deleted)
                       .arg(c.realizations);
    if (c.keptApproved > 0)
        text += QStringLiteral("\n %1 pozitii aprobate lipsesc din fisier si au fost pastrate pe server. ")
                    .arg(c.keptApproved);
    return text;
}

ServerProgramme readServerProgramme(PgConnection &pg, int idos)
{
    ServerProgramme out;
    PgTransaction tx(pg, QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
    checkSubunitAccount(pg, idos);
    out.items = pg.query(QStringLiteral("SELECT p.*, EXISTS (SELECT 1 FROM tendro.aprobari a WHERE a.uid=p.uid) AS decis "
                                        "FROM tendro.program p WHERE p.idos=$1 ORDER BY p.datainc2, p.uid"),
                         {idos});
    out.realizations = pg.query(QStringLiteral("SELECT * FROM tendro.realiz WHERE idos=$1 ORDER BY actdata2, uid"), {idos});
    out.cpv = pg.query(QStringLiteral("SELECT id,cod,den,fel,anexa2,lista,cod2 FROM tendro.cpv ORDER BY id"));
    out.praguri = pg.query(QStringLiteral("SELECT dela,tip,directa,simplificata,sursa FROM tendro.praguri ORDER BY dela,tip"));
    tx.commit();
    return out;
}

QStringList onlyOnServer(const ServerProgramme &server, Database &local, int idos)
{
    QSet<QString> held;
    const ResultSet rs = local.query(QStringLiteral("SELECT uid FROM program WHERE idos=?"), {idos});
    for (int r = 0; r < rs.count(); ++r)
        held.insert(rs.text(r, QStringLiteral("uid")));
    QStringList out;
    for (int r = 0; r < server.items.count(); ++r)
        if (const QString uid = server.items.text(r, QStringLiteral("uid")); !held.contains(uid))
            out << uid;
    return out;
}

TakeBackCounts applyTakeBack(Database &local, const ServerProgramme &server, int idos, bool takeOnlyOnServer)
{
    TakeBackCounts counts;
    QHash<QString, QString> decided;    // uid -> the directorate's fields as the file holds them
    QSet<QString> approved;              // the file's approved items
    const ResultSet held =
        local.query(QStringLiteral("SELECT uid,proced,anunt,modalitate FROM program WHERE idos=?"), {idos});
    for (int r = 0; r < held.count(); ++r) {
        decided.insert(held.text(r, QStringLiteral("uid")), rowText(held, r, kDecisionFields));
        if (!held.text(r, QStringLiteral("proced")).isEmpty())
            approved.insert(held.text(r, QStringLiteral("uid")));
    }

    Transaction tx(local);
    QSet<QString> taken;
    const QStringList itemColumns = kItemFields + kDecisionFields + QStringList{QStringLiteral("uid")};
    const QString insertItem =
        QStringLiteral("INSERT INTO program (idos,%1) VALUES(?%2)")
            .arg(itemColumns.join(QLatin1Char(',')), QStringLiteral(",?").repeated(itemColumns.size()));
    for (int r = 0; r < server.items.count(); ++r) {
        const QString uid = server.items.text(r, QStringLiteral("uid"));
        const auto it = decided.constFind(uid);
        if (it == decided.constEnd()) {
            if (!takeOnlyOnServer)
                continue;
            QVariantList values{idos};
            for (const QString &c : itemColumns)
                values << server.items.value(r, c);
            local.exec(insertItem, values);
            taken.insert(uid);
            continue;
        }
        // An item the directorate never decided on the server keeps what the file says (an approval by file).
        if (!server.items.value(r, QStringLiteral("decis")).toBool() || *it == rowText(server.items, r, kDecisionFields))
            continue;
        const QString proced = server.items.text(r, QStringLiteral("proced"));
        ++(!approved.contains(uid) && !proced.isEmpty() ? counts.approved : counts.changed);
        local.exec(QStringLiteral("UPDATE program SET proced=?,anunt=?,modalitate=? WHERE uid=?"),
                   {proced, server.items.text(r, QStringLiteral("anunt")),
                    server.items.text(r, QStringLiteral("modalitate")), uid});
    }
    counts.taken = taken.size();

    if (!taken.isEmpty()) {
        QSet<QString> localRealizations;
        const ResultSet rs = local.query(QStringLiteral("SELECT uid FROM realiz"));
        for (int r = 0; r < rs.count(); ++r)
            localRealizations.insert(rs.text(r, QStringLiteral("uid")));
        const QStringList columns = kRealizationFields + QStringList{QStringLiteral("uid")};
        const QString insert = QStringLiteral("INSERT INTO realiz (idos,%1) VALUES(?%2)")
                                   .arg(columns.join(QLatin1Char(',')), QStringLiteral(",?").repeated(columns.size()));
        for (int r = 0; r < server.realizations.count(); ++r) {
            const QString uid = server.realizations.text(r, QStringLiteral("uid"));
            if (!taken.contains(server.realizations.text(r, QStringLiteral("uidp"))) || localRealizations.contains(uid))
                continue;
            QVariantList values{idos};
            for (const QString &c : columns)
                values << server.realizations.value(r, c);
            local.exec(insert, values);
            ++counts.takenRealizations;
        }
    }

    counts.catalogue = replaceWhenDifferent(local, QStringLiteral("cpv"), server.cpv,
                                            {QStringLiteral("id"), QStringLiteral("cod"), QStringLiteral("den"),
                                             QStringLiteral("fel"), QStringLiteral("anexa2"), QStringLiteral("lista"),
                                             QStringLiteral("cod2")});
    counts.thresholds = replaceWhenDifferent(local, QStringLiteral("praguri"), server.praguri,
                                             {QStringLiteral("dela"), QStringLiteral("tip"), QStringLiteral("directa"),
                                              QStringLiteral("simplificata"), QStringLiteral("sursa")});
    tx.commit();
    return counts;
}

QString takeBackMessage(const TakeBackCounts &c)
{
    QString text =
        QStringLiteral(" Preluare de pe server: %1 pozitii aprobate noi, %2 modificate. ").arg(c.approved).arg(c.changed);
    if (c.taken > 0)
        text += QStringLiteral("\n Au fost preluate de pe server %1 pozitii si %2 realizari. ")
                    .arg(c.taken)
                    .arg(c.takenRealizations);
    if (c.catalogue)
        text += QStringLiteral("\n Nomenclatorul CPV a fost inlocuit cu cel de pe server. ");
    if (c.thresholds)
        text += QStringLiteral("\n Pragurile valorice au fost inlocuite cu cele de pe server. ");
    return text;
}

} // namespace tendro
