#include "takein.h"
#include "store/connections.h"
#include "store/foreign.h"
#include "store/numbers.h"
#include "store/schema.h"

#include <QHash>
#include <QSet>

namespace tendro {

namespace {

QString textOf(const ResultSet &rs, int row, const QString &column)
{
    return rs.hasColumn(column) ? rs.text(row, column) : QString();
}

double numberOf(const ResultSet &rs, int row, const QString &column)
{
    return rs.hasColumn(column) ? rs.number(row, column) : 0.0;
}

const QStringList kItemTexts{QStringLiteral("activit"), QStringLiteral("datainc1"), QStringLiteral("datainc2"),
                             QStringLiteral("datafin1"), QStringLiteral("datafin2"), QStringLiteral("resp"),
                             QStringLiteral("detal"), QStringLiteral("fond"), QStringLiteral("proiect")};
const QStringList kRealizationTexts{QStringLiteral("contrnr"), QStringLiteral("contrdata1"), QStringLiteral("contrdata2"),
                                    QStringLiteral("actnr"),   QStringLiteral("actdata1"),   QStringLiteral("actdata2"),
                                    QStringLiteral("furniz"),  QStringLiteral("refer"),      QStringLiteral("denumach"),
                                    QStringLiteral("proiect")};

} // namespace

SubunitFile readSubunitFile(const QString &path)
{
    // A sub-unit's file is read by the reader process: plain tables only, and
    // nothing of the directorate's file is open to it.
    ForeignRead request;
    request.path = path;
    request.password = QLatin1String(kDatabasePassword);
    request.tables = {QStringLiteral("program"), QStringLiteral("realiz")};
    request.optionalTables = {QStringLiteral("setare")};
    const ForeignTables t = readForeignFile(request);
    SubunitFile f;
    const ResultSet &setare = t[QStringLiteral("setare")];
    QVector<QVector<QVariant>> configured;
    if (setare.hasColumn(QStringLiteral("numeos")))
        for (int r = 0; r < setare.count(); ++r)
            if (!setare.text(r, QStringLiteral("numeos")).isEmpty())
                configured << setare.row(r);
    f.setare = ResultSet(setare.columns(), configured);
    f.program = t[QStringLiteral("program")];
    f.realiz = t[QStringLiteral("realiz")];
    return f;
}

QString TakeIn::line() const
{
    if (!refusal.isEmpty())
        return QStringLiteral(" ") + file + QStringLiteral(": nu a fost preluat, ") + refusal + QStringLiteral(". ");
    QString out = QStringLiteral(" %1: %2 pozitii preluate, dintre care %3 aprobate; %4 pozitii aprobate lipsesc din"
                                 " fisier si au fost pastrate. ")
                      .arg(subunit)
                      .arg(items)
                      .arg(approved)
                      .arg(keptApproved);
    if (!kept.isEmpty())
        out += QStringLiteral("\n   Pastrate: ") + kept.join(QStringLiteral("; ")) + QLatin1Char(' ');
    return out;
}

TakeIn whoseFile(Database &db, int idds, const QString &fileName, const SubunitFile &source)
{
    TakeIn t;
    t.file = fileName;
    int idos = 0;
    if (!source.setare.isEmpty()) {
        if (source.setare.integer(0, QStringLiteral("idos")) == 0) {
            t.refusal = QStringLiteral("este fisierul unei directii");
            return t;
        }
        idos = int(source.setare.integer(0, QStringLiteral("idos")));
    } else {
        QSet<qint64> owners;
        for (int r = 0; r < source.program.count(); ++r)
            owners.insert(source.program.integer(r, QStringLiteral("idos")));
        if (owners.size() != 1) {
            t.refusal = owners.isEmpty() ? QStringLiteral("nu are nicio pozitie si nicio configurare")
                                         : QStringLiteral("are pozitii ale mai multor subunitati si nicio configurare");
            return t;
        }
        idos = int(*owners.cbegin());
    }
    const ResultSet os = db.query(QStringLiteral("SELECT numeos FROM os WHERE idos=? AND idds=?"), {idos, idds});
    if (os.isEmpty()) {
        t.refusal = QStringLiteral("este al unei subunitati a altei directii");
        return t;
    }
    t.idos = idos;
    t.subunit = os.text(0, QStringLiteral("numeos"));
    return t;
}

void takeIn(Database &db, TakeIn &t, const SubunitFile &source, const QDateTime &now)
{
    const int idos = t.idos;
    Transaction tx(db);
    // The directorate's decisions on the items it holds, by identity.
    struct Held {
        QString proced, anunt, modalitate;
        qint64 idp;
        QString shown;
    };
    QHash<QString, Held> held;
    const ResultSet mine = db.query(QStringLiteral("SELECT p.*, c.cod FROM program p LEFT JOIN cpv c ON c.id=p.id"
                                                   " WHERE p.idos=?"),
                                    {idos});
    for (int r = 0; r < mine.count(); ++r)
        held.insert(mine.text(r, QStringLiteral("uid")),
                    {mine.text(r, QStringLiteral("proced")), mine.text(r, QStringLiteral("anunt")),
                     mine.text(r, QStringLiteral("modalitate")), mine.integer(r, QStringLiteral("idp")),
                     mine.text(r, QStringLiteral("cod")) + QLatin1Char(' ') + mine.text(r, QStringLiteral("detal"))
                         + QStringLiteral(" (") + moneyText(mine.number(r, QStringLiteral("lei")))
                         + QStringLiteral(" lei)")});
    // Identities held by other sub-units' items are not this file's to take.
    QSet<QString> elsewhere;
    for (const char *table : {"program", "realiz"}) {
        const ResultSet others = db.query(QStringLiteral("SELECT uid FROM %1 WHERE idos<>? AND uid IS NOT NULL")
                                              .arg(QLatin1String(table)),
                                          {idos});
        for (int r = 0; r < others.count(); ++r)
            elsewhere.insert(others.text(r, QStringLiteral("uid")));
    }

    QSet<QString> carried;
    const QString insert = QStringLiteral(
        "INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,fond,proiect,idos,"
        "realiz,proced,anunt,modalitate,uid,versiune) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    const ResultSet &p = source.program;
    for (int r = 0; r < p.count(); ++r) {
        QString uid = textOf(p, r, QStringLiteral("uid")).trimmed();
        if (uid.isEmpty() || elsewhere.contains(uid) || carried.contains(uid))
            uid = newUid();
        carried.insert(uid);
        QString proced = textOf(p, r, QStringLiteral("proced")), anunt = textOf(p, r, QStringLiteral("anunt")),
                modalitate = textOf(p, r, QStringLiteral("modalitate"));
        // What the directorate decided stays, unless the file brings a procedure of its own.
        if (const auto it = held.constFind(uid); it != held.constEnd() && proced.trimmed().isEmpty())
            proced = it->proced, anunt = it->anunt, modalitate = it->modalitate;
        QVariantList values{wholeNumber(numberOf(p, r, QStringLiteral("id"))), textOf(p, r, QStringLiteral("activit")),
                            numberOf(p, r, QStringLiteral("lei")), numberOf(p, r, QStringLiteral("euro"))};
        for (int c = 1; c < kItemTexts.size(); ++c)
            values << textOf(p, r, kItemTexts.at(c));
        // The server's row version of the item, when it came from there: an approval is refused once it moves.
        values << idos << numberOf(p, r, QStringLiteral("realiz")) << proced << anunt << modalitate << uid
               << wholeNumber(numberOf(p, r, QStringLiteral("versiune")));
        if (held.contains(uid))
            db.exec(QStringLiteral("DELETE FROM program WHERE uid=?"), {uid});
        db.exec(insert, values);
        ++t.items;
        if (!proced.trimmed().isEmpty())
            ++t.approved;
    }
    // What the file no longer holds goes, but for what the directorate approved.
    for (auto it = held.constBegin(); it != held.constEnd(); ++it) {
        if (carried.contains(it.key()))
            continue;
        if (it->proced.trimmed().isEmpty()) {
            db.exec(QStringLiteral("DELETE FROM program WHERE idp=?"), {it->idp});
        } else {
            ++t.keptApproved;
            t.kept << it->shown;
        }
    }

    db.exec(QStringLiteral("DELETE FROM realiz WHERE idos=?"), {idos});
    const ResultSet &z = source.realiz;
    QSet<QString> realizations;
    const QString insertRealization = QStringLiteral(
        "INSERT INTO realiz (id,lei,contrnr,contrdata1,contrdata2,actnr,actdata1,actdata2,furniz,refer,denumach,proiect,"
        "idos,uid,uidp) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    for (int r = 0; r < z.count(); ++r) {
        if (z.hasColumn(QStringLiteral("idos")) && z.integer(r, QStringLiteral("idos")) != idos)
            continue;   // another sub-unit's, in a file put together by hand
        QString uid = textOf(z, r, QStringLiteral("uid")).trimmed();
        if (uid.isEmpty() || elsewhere.contains(uid) || realizations.contains(uid))
            uid = newUid();
        realizations.insert(uid);
        QVariantList values{wholeNumber(numberOf(z, r, QStringLiteral("id"))), numberOf(z, r, QStringLiteral("lei"))};
        for (const QString &c : kRealizationTexts)
            values << textOf(z, r, c);
        if (values.last().toString().isEmpty())
            values.last() = QStringLiteral(" ");   // no project, as the realization grid writes it
        values << idos << uid << textOf(z, r, QStringLiteral("uidp")).trimmed();
        db.exec(insertRealization, values);
    }
    assignIdentities(db);
    db.exec(QStringLiteral("INSERT OR REPLACE INTO preluari (idos,moment,fisier) VALUES(?,?,?)"),
            {idos, now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), t.file});
    tx.commit();
}

} // namespace tendro
