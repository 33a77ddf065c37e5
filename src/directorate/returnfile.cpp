#include "returnfile.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filecopy.h"
#include "store/schema.h"

#include <QDir>
#include <QFile>

namespace tendro {

namespace {

// The columns both files have, in the working file's order.
QString sharedColumns(Database &db, const QString &table)
{
    QStringList names;
    const ResultSet ours = db.query(QStringLiteral("PRAGMA main.table_info(") + table + QLatin1Char(')'));
    const ResultSet theirs = db.query(QStringLiteral("PRAGMA ret.table_info(") + table + QLatin1Char(')'));
    QStringList target;
    for (int r = 0; r < theirs.count(); ++r)
        target << theirs.text(r, QStringLiteral("name"));
    for (int r = 0; r < ours.count(); ++r)
        if (target.contains(ours.text(r, QStringLiteral("name"))))
            names << ours.text(r, QStringLiteral("name"));
    return names.join(QLatin1Char(','));
}

} // namespace

QString returnFileName(const QString &numeos, const QDate &day)
{
    QString name = numeos;
    name.remove(QLatin1Char(' '));
    return name + QLatin1Char('-') + day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".mdb");
}

QString writeReturnFile(Database &db, int idos, const QString &folder, const QDateTime &now)
{
    const ResultSet os = db.query(QStringLiteral("SELECT os.idos, os.idds, os.numeos, ds.numeds FROM os JOIN ds ON"
                                                 " ds.idds=os.idds WHERE os.idos=?"),
                                  {idos});
    if (os.isEmpty())
        throw DbError(1, QStringLiteral("subunitatea %1 nu este in lista").arg(idos));
    const QString numeos = os.text(0, QStringLiteral("numeos"));
    const QString target = QDir(folder).filePath(returnFileName(numeos, now.date()));
    const QString partial = partialPathFor(target);
    QFile::remove(partial);
    try {
        {
            auto made = Database::open({partial, QLatin1String(kDatabasePassword)}, Database::Mode::Create);
            Transaction tx(*made);
            createSchema(*made);
            tx.commit();
        }
        db.exec(QStringLiteral("ATTACH DATABASE ? AS ret KEY ?"), {partial, QLatin1String(kDatabasePassword)});
        try {
            Transaction tx(db);
            const auto copy = [&db](const QString &table, const QString &where, const QVariantList &params) {
                const QString columns = sharedColumns(db, table);
                db.exec(QStringLiteral("INSERT INTO ret.%1 (%2) SELECT %2 FROM main.%1 ").arg(table, columns) + where,
                        params);
            };
            copy(QStringLiteral("program"), QStringLiteral("WHERE idos=?"), {idos});
            copy(QStringLiteral("realiz"), QStringLiteral("WHERE idos=?"), {idos});
            for (const char *table : {"cpv", "ds", "os"})
                copy(QLatin1String(table), QString(), {});
            db.exec(QStringLiteral("DELETE FROM ret.praguri"));
            copy(QStringLiteral("praguri"), QString(), {});
            // The sub-unit's own configuration; its signatories are its own business.
            db.exec(QStringLiteral("INSERT INTO ret.setare (idds,idos,numeds,numeos) VALUES(?,?,?,?)"),
                    {os.integer(0, QStringLiteral("idds")), idos, os.text(0, QStringLiteral("numeds")), numeos});
            db.exec(QStringLiteral("INSERT INTO ret.valid (parola) VALUES('')"));
            tx.commit();
        } catch (...) {
            db.execScript(QStringLiteral("DETACH DATABASE ret"));
            throw;
        }
        db.execScript(QStringLiteral("DETACH DATABASE ret"));
        verifyReadable(partial, QLatin1String(kDatabasePassword));
        replaceFile(partial, target);
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
    db.exec(QStringLiteral("INSERT OR REPLACE INTO returnari (idos,moment,fisier) VALUES(?,?,?)"),
            {idos, now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), target});
    return target;
}

} // namespace tendro
