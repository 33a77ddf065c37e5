#include "import.h"
#include "services/context.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/foreign.h"
#include "store/numbers.h"
#include "store/schema.h"

#include <QHash>
#include <QSet>

namespace tendro {

namespace {

enum class Kind { Whole, Decimal };

// A numeric column takes a number whatever the source holds there: an empty
// value, or text or bytes that start with no number, go in as 0, so no
// text or BLOB ever lands in a numeric column of the working file.
QVariant numberOf(const ResultSet &rs, int row, const QString &column, Kind kind)
{
    if (!rs.hasColumn(column))
        return kind == Kind::Whole ? QVariant(qint64(0)) : QVariant(0.0);
    const QVariant v = rs.value(row, column);
    double d = 0;
    switch (v.typeId()) {
    case QMetaType::LongLong:
        return v;
    case QMetaType::Double:
        d = v.toDouble();
        break;
    case QMetaType::QString:
        d = leadingNumber(v.toString());
        break;
    case QMetaType::QByteArray:
        d = leadingNumber(QString::fromUtf8(v.toByteArray()));
        break;
    default:
        break;
    }
    if (kind == Kind::Whole)
        return wholeNumber(d);
    return d;
}

// A text column of a source row; an older file without the column gives empty text.
QString textOf(const ResultSet &rs, int row, const QString &column)
{
    return rs.hasColumn(column) ? rs.text(row, column) : QString();
}

// What the sub-unit writes of an item; the directorate's fields come after.
const QStringList &itemTexts()
{
    static const QStringList columns{
        QStringLiteral("activit"), QStringLiteral("datainc1"), QStringLiteral("datainc2"), QStringLiteral("datafin1"),
        QStringLiteral("datafin2"), QStringLiteral("resp"),     QStringLiteral("detal"),    QStringLiteral("fond"),
        QStringLiteral("proiect")};
    return columns;
}

const QStringList &directorateFields()
{
    static const QStringList columns{QStringLiteral("proced"), QStringLiteral("anunt"), QStringLiteral("modalitate")};
    return columns;
}

const QStringList &realizationTexts()
{
    static const QStringList columns{QStringLiteral("contrnr"),  QStringLiteral("contrdata1"), QStringLiteral("contrdata2"),
                                     QStringLiteral("actnr"),    QStringLiteral("actdata1"),   QStringLiteral("actdata2"),
                                     QStringLiteral("furniz"),   QStringLiteral("refer"),      QStringLiteral("denumach")};
    return columns;
}

// What an item is, whatever its key and whatever the directorate set on it.
QString itemContent(const ResultSet &rs, int row)
{
    QStringList parts{numberOf(rs, row, QStringLiteral("id"), Kind::Whole).toString(),
                      formatNumber(numberOf(rs, row, QStringLiteral("lei"), Kind::Decimal).toDouble()),
                      formatNumber(numberOf(rs, row, QStringLiteral("euro"), Kind::Decimal).toDouble())};
    for (const QString &c : itemTexts())
        parts << textOf(rs, row, c);
    return parts.join(QChar(0x1f));
}

// A realization's project: " " for none, as the realization grid writes it.
QString realizationProject(const ResultSet &rs, int row)
{
    const QString p = textOf(rs, row, QStringLiteral("proiect"));
    return p.isEmpty() ? QStringLiteral(" ") : p;
}

QString realizationContent(const ResultSet &rs, int row)
{
    QStringList parts{numberOf(rs, row, QStringLiteral("id"), Kind::Whole).toString(),
                      formatNumber(numberOf(rs, row, QStringLiteral("lei"), Kind::Decimal).toDouble()),
                      realizationProject(rs, row)};
    for (const QString &c : realizationTexts())
        parts << textOf(rs, row, c);
    return parts.join(QChar(0x1f));
}

QString uidOf(const ResultSet &rs, int row) { return textOf(rs, row, QStringLiteral("uid")).trimmed(); }

// The target's realizations of the sub-unit as the import sorts them: those
// the file carries again (by identity, or by content where either side has
// none), those typed since the file was made (an identity the file lacks),
// kept; and those that cannot be told apart from nothing, lost.
struct RealizationPlan {
    QList<qint64> replaced;   // idr, also the lost ones
    int lost = 0;
    int kept = 0;
};

RealizationPlan planRealizations(Database &db, const ResultSet &source, int idos)
{
    QSet<QString> sourceUids, sourceContent;
    for (int r = 0; r < source.count(); ++r) {
        if (!uidOf(source, r).isEmpty())
            sourceUids.insert(uidOf(source, r));
        sourceContent.insert(realizationContent(source, r));
    }
    RealizationPlan plan;
    const ResultSet target = db.query(QStringLiteral("SELECT * FROM realiz WHERE idos=?"), {idos});
    for (int r = 0; r < target.count(); ++r) {
        const QString uid = uidOf(target, r);
        const bool carried = (!uid.isEmpty() && sourceUids.contains(uid))
            || ((uid.isEmpty() || sourceUids.isEmpty()) && sourceContent.contains(realizationContent(target, r)));
        if (!carried && !uid.isEmpty()) {
            ++plan.kept;
            continue;
        }
        plan.replaced << target.integer(r, QStringLiteral("idr"));
        if (!carried)
            ++plan.lost;
    }
    return plan;
}

} // namespace

bool importFile(AppContext &ctx, QWidget *parent, const QString &source)
{
    ForeignRead request;
    request.path = source;
    request.password = QLatin1String(kDatabasePassword);
    request.idos = ctx.subunitate.idos;
    request.optionalTables.clear();
    ForeignTables tables;
    try {
        BusyCursor busy;
        tables = readForeignFile(request);
    } catch (const ForeignFileError &e) {
        if (e.kind() == ForeignFileError::Kind::Engine)
            ctx.messages.engineError(parent, e.engine());
        else
            ctx.messages.show(parent, e.message());
        return false;
    }
    return importFrom(ctx, parent, tables, source);
}

bool importFrom(AppContext &ctx, QWidget *parent, const ForeignTables &tables, const QString &source)
{
    BusyCursor busy;
    const int idos = ctx.subunitate.idos;
    int keptRealizations = 0;
    try {
        // Everything was read by the reader before the working file changes.
        const ResultSet &program = tables[QStringLiteral("program")];
        if (program.isEmpty()) {
            ctx.messages.show(parent, QStringLiteral(" Fisierul selectat nu are date pentru ") + ctx.subunitate.numeos
                                          + QStringLiteral(" !!! "));
            return false;
        }
        // The catalogue replaces the working one: without it the program
        // would be left with nothing to choose from.
        const ResultSet &cpv = tables[QStringLiteral("cpv")];
        if (cpv.isEmpty()) {
            ctx.messages.show(parent,
                              QStringLiteral(" Fisierul selectat nu contine nomenclatorul CPV. Preluarea nu s-a facut. "));
            return false;
        }
        const ResultSet &realiz = tables[QStringLiteral("realiz")];

        if (!ctx.messages.ask(parent, QStringLiteral("Sunteti sigur ca doriti preluarea datelor din ") + source
                                          + QStringLiteral(" ? ")))
            return false;
        Database &db = ctx.db();
        const RealizationPlan plan = planRealizations(db, realiz, idos);
        // What goes is said before anything changes: realizations are replaced whatever the answer.
        const bool replace = ctx.messages.ask(
            parent, QStringLiteral("Doriti inlocuirea datelor existente cu cele ce se preiau ? ")
                        + (plan.replaced.isEmpty()
                               ? QString()
                               : QLatin1Char('\n')
                                     + QStringLiteral(" Se vor inlocui %1 realizari; %2 dintre ele nu se afla in fisierul"
                                                      " preluat si se vor pierde. ")
                                           .arg(plan.replaced.size())
                                           .arg(plan.lost)));

        Transaction tx(db);
        // The items the file holds now, by identity and, for an older source without
        // identities, by what they are; no two items may share an identity.
        QSet<QString> itemUids;
        QHash<QString, QString> heldByContent;   // content -> uid
        if (replace) {
            db.exec(QStringLiteral("DELETE FROM program"));
        } else {
            const ResultSet held = db.query(QStringLiteral("SELECT * FROM program"));
            for (int r = 0; r < held.count(); ++r) {
                itemUids.insert(uidOf(held, r));
                if (held.integer(r, QStringLiteral("idos")) == idos)
                    heldByContent.insert(itemContent(held, r), uidOf(held, r));
            }
        }
        const QString insertProgram = QStringLiteral(
            "INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,fond,idos,"
            "proced,anunt,proiect,modalitate,uid) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        for (int r = 0; r < program.count(); ++r) {
            QString uid = uidOf(program, r);
            // A join adds only what the file does not hold already. An item it
            // holds (its identity, or for an older source its values) takes the
            // directorate's fields from the file: the approvals come, the
            // sub-unit's own later edits stay.
            if (!replace) {
                const QString held = uid.isEmpty() ? heldByContent.value(itemContent(program, r)) : uid;
                if (!held.isEmpty() && itemUids.contains(held)) {
                    QVariantList values;
                    for (const QString &c : directorateFields())
                        values << textOf(program, r, c);
                    db.exec(QStringLiteral("UPDATE program SET proced=?,anunt=?,modalitate=? WHERE uid=?"), values << held);
                    continue;
                }
            }
            if (uid.isEmpty() || itemUids.contains(uid))
                uid = newUid();
            itemUids.insert(uid);
            QVariantList values{numberOf(program, r, QStringLiteral("id"), Kind::Whole),
                                textOf(program, r, QStringLiteral("activit")),
                                numberOf(program, r, QStringLiteral("lei"), Kind::Decimal),
                                numberOf(program, r, QStringLiteral("euro"), Kind::Decimal)};
            for (const char *c : {"datainc1", "datainc2", "datafin1", "datafin2", "resp", "detal", "fond"})
                values << textOf(program, r, QLatin1String(c));
            values << idos;
            for (const char *c : {"proced", "anunt", "proiect", "modalitate"})
                values << textOf(program, r, QLatin1String(c));
            values << uid;
            db.exec(insertProgram, values);
        }

        // Realizations typed since the file was made stay; the others give way to the file's.
        for (qint64 idr : plan.replaced)
            db.exec(QStringLiteral("DELETE FROM realiz WHERE idr=?"), {idr});
        keptRealizations = plan.kept;
        QSet<QString> realizationUids;
        const ResultSet staying = db.query(QStringLiteral("SELECT uid FROM realiz"));
        for (int r = 0; r < staying.count(); ++r)
            realizationUids.insert(uidOf(staying, r));
        const QString insertRealiz = QStringLiteral(
            "INSERT INTO realiz (id,contrnr,contrdata1,contrdata2,lei,actnr,actdata1,actdata2,idos,furniz,refer,"
            "denumach,proiect,uid,uidp) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        for (int r = 0; r < realiz.count(); ++r) {
            QString uid = uidOf(realiz, r);
            if (uid.isEmpty() || realizationUids.contains(uid))
                uid = newUid();
            realizationUids.insert(uid);
            db.exec(insertRealiz,
                    {numberOf(realiz, r, QStringLiteral("id"), Kind::Whole), textOf(realiz, r, QStringLiteral("contrnr")),
                     textOf(realiz, r, QStringLiteral("contrdata1")), textOf(realiz, r, QStringLiteral("contrdata2")),
                     numberOf(realiz, r, QStringLiteral("lei"), Kind::Decimal), textOf(realiz, r, QStringLiteral("actnr")),
                     textOf(realiz, r, QStringLiteral("actdata1")), textOf(realiz, r, QStringLiteral("actdata2")),
                     numberOf(realiz, r, QStringLiteral("idos"), Kind::Whole), textOf(realiz, r, QStringLiteral("furniz")),
                     textOf(realiz, r, QStringLiteral("refer")), textOf(realiz, r, QStringLiteral("denumach")),
                     realizationProject(realiz, r), uid, textOf(realiz, r, QStringLiteral("uidp")).trimmed()});
        }

        db.exec(QStringLiteral("DELETE FROM cpv"));
        const QString insertCpv =
            QStringLiteral("INSERT INTO cpv (id,cod,den,fel,anexa2,lista,cod2) VALUES(?,?,?,?,?,?,?)");
        for (int r = 0; r < cpv.count(); ++r) {
            db.exec(insertCpv,
                    {numberOf(cpv, r, QStringLiteral("id"), Kind::Whole), textOf(cpv, r, QStringLiteral("cod")),
                     textOf(cpv, r, QStringLiteral("den")), numberOf(cpv, r, QStringLiteral("fel"), Kind::Whole),
                     numberOf(cpv, r, QStringLiteral("anexa2"), Kind::Whole), numberOf(cpv, r, QStringLiteral("lista"), Kind::Whole),
                     numberOf(cpv, r, QStringLiteral("cod2"), Kind::Whole)});
        }
        // Realizations of an older file name no item yet: their old tie decides where it can.
        assignIdentities(db);
        tx.commit();
    } catch (const DbError &e) {
        ctx.messages.engineError(parent, e);
        return false;
    }
    ctx.messages.show(parent,
                      QStringLiteral("Preluarea datelor din ") + source + QStringLiteral(" a fost efectuata ")
                          + (keptRealizations == 0
                                 ? QString()
                                 : QLatin1Char('\n')
                                       + QStringLiteral(" Au fost pastrate %1 realizari inregistrate dupa crearea"
                                                        " fisierului preluat. ")
                                             .arg(keptRealizations)),
                      QStringLiteral("Preluare date"), MessageIcon::Information);
    return true;
}

void importFromFile(AppContext &ctx, QWidget *parent)
{
    const QString file =
        ctx.files.openFileName(parent, QStringLiteral("Preluarea datelor de achizitii din fisierul ....... "),
                               QStringLiteral("Baza de date Access (*.mdb)"));
    if (file.isEmpty())
        return;
    importFile(ctx, parent, file);
}

} // namespace tendro
