#include "itemstore.h"
#include "store/database.h"
#include "store/schema.h"

#include <sqlcipher/sqlite3.h>

namespace tendro {

std::optional<qint64> findDuplicate(Database &db, const DuplicateKey &k)
{
    const ResultSet rs = k.works
        ? db.query(QStringLiteral("SELECT * FROM program WHERE id=? and datainc2>=? and datainc2<=? and detal=?"
                                  " and proiect=? and idos=?"),
                   {k.cpvId, k.datamin, k.datamax, k.detal, k.proiect, k.idos})
        : db.query(QStringLiteral("SELECT * FROM program WHERE id=? and datainc2>=? and datainc2<=? and proiect=?"
                                  " and fond=? and idos=?"),
                   {k.cpvId, k.datamin, k.datamax, k.proiect, k.fond, k.idos});
    if (rs.isEmpty())
        return std::nullopt;
    return rs.integer(0, QStringLiteral("idp"));
}

QString duplicateQuestion(const DuplicateKey &k, const QString &entryName, const QString &year)
{
    const QString place = k.works ? QStringLiteral(" la obiectivul ,,") + k.detal + QStringLiteral(",,")
                                  : QStringLiteral(" la fonduri ") + k.fond;
    const QString project = k.proiect.isEmpty() ? QString() : QStringLiteral(" si la proiectul selectat");
    return QStringLiteral(" Codul CPV ") + QString::number(k.cpvId) + QStringLiteral(" - ") + entryName
        + QStringLiteral(" , este deja introdus pe anul ") + year + place + project + QStringLiteral("\r\n")
        + QStringLiteral(" Doriti scrierea peste vechile date ? ");
}

qint64 insertItem(Database &db, const ProgrammeItem &i)
{
    // A new item takes its identity here and keeps it through every later edit.
    db.exec(QStringLiteral("INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,"
                           "fond,idos,proiect,uid) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
            {i.cpvId, i.activit, i.lei, i.euro, i.datainc1, i.datainc2, i.datafin1, i.datafin2, i.resp, i.detal,
             i.fond, i.idos, i.proiect, newUid()});
    return sqlite3_last_insert_rowid(db.handle());
}

bool updateItem(Database &db, qint64 idp, const ProgrammeItem &i)
{
    db.exec(QStringLiteral("UPDATE program SET id=?,activit=?,lei=?,euro=?,datainc1=?,datainc2=?,datafin1=?,"
                           "datafin2=?,resp=?,detal=?,fond=?,proiect=? WHERE idp=?"),
            {i.cpvId, i.activit, i.lei, i.euro, i.datainc1, i.datainc2, i.datafin1, i.datafin2, i.resp, i.detal,
             i.fond, i.proiect, idp});
    return sqlite3_changes(db.handle()) > 0;
}

bool deleteItem(Database &db, qint64 idp)
{
    db.exec(QStringLiteral("DELETE FROM program WHERE idp=?"), {idp});
    return sqlite3_changes(db.handle()) > 0;
}

const char *const kItemHasRealizations = " Pozitia are realizari inregistrate si nu poate fi stearsa. ";

bool hasRealizations(Database &db, qint64 idp)
{
    return !db.query(QStringLiteral("SELECT 1 FROM program p JOIN realiz r ON r.uidp=p.uid WHERE p.idp=? LIMIT 1"), {idp})
                .isEmpty();
}

bool itemExists(Database &db, qint64 idp)
{
    return !db.query(QStringLiteral("SELECT idp FROM program WHERE idp=?"), {idp}).isEmpty();
}

} // namespace tendro
