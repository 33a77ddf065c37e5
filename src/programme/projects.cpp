#include "projects.h"
#include "store/database.h"

namespace tendro {

const int kProjectMaxLength = 50;

QStringList projectsOfYear(Database &db, const QString &datamin, const QString &datamax, const QString &activ,
                           int idos)
{
    const ResultSet rs = db.query(QStringLiteral("SELECT DISTINCT proiect FROM program WHERE datainc2>=? and"
                                                 " datainc2<=? and proiect<>'' and activit=? and idos=?"),
                                  {datamin, datamax, activ, idos});
    QStringList out;
    for (int r = 0; r < rs.count(); ++r)
        out << rs.text(r, QStringLiteral("proiect"));
    return out;
}

void unlinkProject(Database &db, const QString &name, int idos)
{
    Transaction tx(db);
    db.exec(QStringLiteral("UPDATE program SET proiect='' WHERE proiect=? and idos=?"), {name, idos});
    tx.commit();
}

const char *const kKeptItemSql =
    "(coalesce(program.proced,'')<>'' OR EXISTS (SELECT 1 FROM realiz WHERE realiz.uidp=program.uid))";

int deleteProject(Database &db, const QString &name, int idos)
{
    Transaction tx(db);
    const QString kept = QLatin1String(kKeptItemSql);
    db.exec(QStringLiteral("DELETE FROM program WHERE proiect=? and idos=? and NOT ") + kept, {name, idos});
    const int stayed = int(db.query(QStringLiteral("SELECT count(*) AS n FROM program WHERE proiect=? and idos=?"),
                                    {name, idos})
                               .integer(0, QStringLiteral("n")));
    db.exec(QStringLiteral("UPDATE program SET proiect='' WHERE proiect=? and idos=?"), {name, idos});
    tx.commit();
    return stayed;
}

} // namespace tendro
