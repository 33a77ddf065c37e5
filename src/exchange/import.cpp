#include "import.h"
#include "services/context.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/numbers.h"

namespace tendro {

namespace {

enum class Kind { Whole, Decimal };

// A numeric column takes a number whatever the source holds there: an empty
// value, or text or bytes that start with no number, go in as 0, so no
// text or BLOB ever lands in a numeric column of the working file.
QVariant numberOf(const ResultSet &rs, int row, const QString &column, Kind kind)
{
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

} // namespace

bool importFile(AppContext &ctx, QWidget *parent, const QString &source)
{
    std::unique_ptr<Database> src;
    try {
        // The source is opened read-only and never written.
        src = Database::open(conexiuneC(source), Database::Mode::ReadOnly);
    } catch (const DbError &e) {
        ctx.messages.engineError(parent, e);
        return false;
    }
    return importFrom(ctx, parent, std::move(src), source);
}

bool importFrom(AppContext &ctx, QWidget *parent, std::unique_ptr<Database> src, const QString &source)
{
    BusyCursor busy;
    const int idos = ctx.subunitate.idos;
    try {
        // Everything is read first and the source closed before the working
        // file changes.
        const ResultSet program = src->query(QStringLiteral("SELECT * FROM program WHERE idos=? ORDER BY idp"), {idos});
        if (program.isEmpty()) {
            ctx.messages.show(parent, QStringLiteral(" Fisierul selectat nu are date pentru ") + ctx.subunitate.numeos
                                          + QStringLiteral(" !!! "));
            return false;
        }
        // The catalogue replaces the working one: without it the program
        // would be left with nothing to choose from.
        const ResultSet cpv = src->query(QStringLiteral("SELECT * FROM cpv"));
        if (cpv.isEmpty()) {
            ctx.messages.show(parent,
                              QStringLiteral(" Fisierul selectat nu contine nomenclatorul CPV. Preluarea nu s-a facut. "));
            return false;
        }
        if (!ctx.messages.ask(parent, QStringLiteral("Sunteti sigur ca doriti preluarea datelor din ") + source
                                          + QStringLiteral(" ? ")))
            return false;
        const bool replace =
            ctx.messages.ask(parent, QStringLiteral("Doriti inlocuirea datelor existente cu cele ce se preiau ? "));
        const ResultSet realiz = src->query(QStringLiteral("SELECT * FROM realiz WHERE idos=? ORDER BY idr"), {idos});
        src.reset();

        Database &db = ctx.db();
        Transaction tx(db);
        if (replace)
            db.exec(QStringLiteral("DELETE FROM program"));
        // Text columns go in through ResultSet::text, which reads null as empty text.
        const QString insertProgram = QStringLiteral(
            "INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,fond,idos,"
            "proced,anunt,proiect) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        for (int r = 0; r < program.count(); ++r) {
            db.exec(insertProgram,
                    {numberOf(program, r, QStringLiteral("id"), Kind::Whole), program.text(r, QStringLiteral("activit")),
                     numberOf(program, r, QStringLiteral("lei"), Kind::Decimal), numberOf(program, r, QStringLiteral("euro"), Kind::Decimal),
                     program.text(r, QStringLiteral("datainc1")), program.text(r, QStringLiteral("datainc2")),
                     program.text(r, QStringLiteral("datafin1")), program.text(r, QStringLiteral("datafin2")),
                     program.text(r, QStringLiteral("resp")), program.text(r, QStringLiteral("detal")),
                     program.text(r, QStringLiteral("fond")), idos, program.text(r, QStringLiteral("proced")),
                     program.text(r, QStringLiteral("anunt")), program.text(r, QStringLiteral("proiect"))});
        }

        db.exec(QStringLiteral("DELETE FROM realiz WHERE idos=?"), {idos});
        const QString insertRealiz = QStringLiteral(
            "INSERT INTO realiz (id,contrnr,contrdata1,contrdata2,lei,actnr,actdata1,actdata2,idos,furniz,refer,"
            "denumach,proiect) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)");
        // An older source has no project column on its realizations.
        const bool hasProject = realiz.hasColumn(QStringLiteral("proiect"));
        for (int r = 0; r < realiz.count(); ++r) {
            // The project ties a realization to its item; " " is what the
            // realization grid writes for none.
            QString proiect = hasProject ? realiz.text(r, QStringLiteral("proiect")) : QString();
            if (proiect.isEmpty())
                proiect = QStringLiteral(" ");
            db.exec(insertRealiz,
                    {numberOf(realiz, r, QStringLiteral("id"), Kind::Whole), realiz.text(r, QStringLiteral("contrnr")),
                     realiz.text(r, QStringLiteral("contrdata1")), realiz.text(r, QStringLiteral("contrdata2")),
                     numberOf(realiz, r, QStringLiteral("lei"), Kind::Decimal), realiz.text(r, QStringLiteral("actnr")),
                     realiz.text(r, QStringLiteral("actdata1")), realiz.text(r, QStringLiteral("actdata2")),
                     numberOf(realiz, r, QStringLiteral("idos"), Kind::Whole), realiz.text(r, QStringLiteral("furniz")),
                     realiz.text(r, QStringLiteral("refer")), realiz.text(r, QStringLiteral("denumach")),
                     proiect});
        }

        db.exec(QStringLiteral("DELETE FROM cpv"));
        const QString insertCpv =
            QStringLiteral("INSERT INTO cpv (id,cod,den,fel,anexa2,lista,cod2) VALUES(?,?,?,?,?,?,?)");
        for (int r = 0; r < cpv.count(); ++r) {
            db.exec(insertCpv,
                    {numberOf(cpv, r, QStringLiteral("id"), Kind::Whole), cpv.text(r, QStringLiteral("cod")),
                     cpv.text(r, QStringLiteral("den")), numberOf(cpv, r, QStringLiteral("fel"), Kind::Whole),
                     numberOf(cpv, r, QStringLiteral("anexa2"), Kind::Whole), numberOf(cpv, r, QStringLiteral("lista"), Kind::Whole),
                     numberOf(cpv, r, QStringLiteral("cod2"), Kind::Whole)});
        }
        tx.commit();
    } catch (const DbError &e) {
        ctx.messages.engineError(parent, e);
        return false;
    }
    ctx.messages.show(parent, QStringLiteral("Preluarea datelor din ") + source + QStringLiteral(" a fost efectuata "),
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
