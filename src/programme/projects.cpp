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

void deleteProject(Database &db, const QString &name, int idos)
{
    Transaction tx(db);
    db.exec(QStringLiteral("DELETE FROM program WHERE proiect=? and idos=?"), {name, idos});
    tx.commit();
}

} // namespace tendro
