#include "schema.h"
#include "connections.h"
#include "database.h"
#include "filecopy.h"

#include <QFile>
#include <QStringList>
#include <QUuid>

namespace tendro {

namespace {

const char *const kSchema = R"SQL(
CREATE TABLE cpv (
  id INTEGER PRIMARY KEY,
  cod TEXT DEFAULT '',
  den TEXT DEFAULT '',
  fel SMALLINT,
  anexa2 INTEGER,
  lista SMALLINT,
  cod2 INTEGER
);
CREATE TABLE program (
  idp INTEGER PRIMARY KEY AUTOINCREMENT,
  id INTEGER,
  activit TEXT DEFAULT '',
  lei DOUBLE,
  euro DOUBLE,
  datainc1 TEXT DEFAULT '',
  datainc2 TEXT DEFAULT '',
  datafin1 TEXT DEFAULT '',
  datafin2 TEXT DEFAULT '',
  resp TEXT DEFAULT '',
  detal TEXT DEFAULT '',
  fond TEXT DEFAULT '',
  idos SMALLINT,
  proced TEXT DEFAULT '',
  anunt TEXT DEFAULT '',
  proiect TEXT DEFAULT '',
  realiz DOUBLE,
  uid TEXT,
  modalitate TEXT DEFAULT '',
  versiune INTEGER DEFAULT 0
);
CREATE TABLE realiz (
  idr INTEGER PRIMARY KEY AUTOINCREMENT,
  id INTEGER,
  contrnr TEXT DEFAULT '',
  contrdata1 TEXT DEFAULT '',
  contrdata2 TEXT DEFAULT '',
  lei DOUBLE,
  actnr TEXT DEFAULT '',
  actdata1 TEXT DEFAULT '',
  actdata2 TEXT DEFAULT '',
  idos SMALLINT,
  furniz TEXT DEFAULT '',
  refer TEXT DEFAULT '',
  denumach TEXT DEFAULT '',
  proiect TEXT DEFAULT '',
  uid TEXT,
  uidp TEXT
);
CREATE TABLE setare (
  idds SMALLINT,
  idos SMALLINT,
  numeds TEXT DEFAULT '',
  numeos TEXT DEFAULT '',
  functiesef TEXT DEFAULT '',
  sef TEXT DEFAULT '',
  contabil TEXT DEFAULT '',
  intocmit TEXT DEFAULT ''
);
CREATE TABLE ds (
  idds SMALLINT PRIMARY KEY,
  numeds TEXT DEFAULT ''
);
CREATE TABLE os (
  idos SMALLINT PRIMARY KEY,
  idds SMALLINT,
  numeos TEXT DEFAULT ''
);
CREATE TABLE valid (
  parola TEXT DEFAULT ''
);
CREATE INDEX cpv_cod2 ON cpv (cod2);
CREATE INDEX cpv_den ON cpv (den);
CREATE INDEX program_datainc2 ON program (datainc2);
CREATE INDEX realiz_actdata2 ON realiz (actdata2);
)SQL";

// The directorate's own tables: its approvals, one row per change of an
// item's procedure, announcement or mode (what changed, and when); the last
// take-in and return of each sub-unit (moment yyyy-MM-dd hh:mm:ss, file);
// the approval of each year's legal programme.
const char *const kApprovals = R"SQL(
CREATE TABLE IF NOT EXISTS aprobari (
  ida INTEGER PRIMARY KEY AUTOINCREMENT,
  uid TEXT,
  idos SMALLINT,
  moment TEXT DEFAULT '',
  procedvechi TEXT DEFAULT '',
  proced TEXT DEFAULT '',
  anunt TEXT DEFAULT '',
  modalitate TEXT DEFAULT ''
);
CREATE INDEX IF NOT EXISTS aprobari_uid ON aprobari (uid);
CREATE TABLE IF NOT EXISTS preluari (
  idos SMALLINT PRIMARY KEY,
  moment TEXT DEFAULT '',
  fisier TEXT DEFAULT ''
);
CREATE TABLE IF NOT EXISTS returnari (
  idos SMALLINT PRIMARY KEY,
  moment TEXT DEFAULT '',
  fisier TEXT DEFAULT ''
);
CREATE TABLE IF NOT EXISTS paap (
  an INTEGER PRIMARY KEY,
  numar TEXT DEFAULT '',
  data TEXT DEFAULT '',
  actualizare INTEGER DEFAULT 0,
  nractualizare TEXT DEFAULT ''
);
)SQL";

// Where the directorate's server is: one row, never a password.
const char *const kServer = R"SQL(
CREATE TABLE IF NOT EXISTS server (
  host TEXT DEFAULT '',
  port INTEGER DEFAULT 5432,
  baza TEXT DEFAULT '',
  cont TEXT DEFAULT '',
  ca TEXT DEFAULT '',
  sslmode TEXT DEFAULT 'verify-full'
);
)SQL";

// The identities' indexes, for new files and older ones alike; and the items
// by their code, which a save looks up for a duplicate before every insert.
const char *const kIdentityIndexes = R"SQL(
CREATE UNIQUE INDEX IF NOT EXISTS program_uid ON program (uid);
CREATE INDEX IF NOT EXISTS program_id ON program (id);
CREATE UNIQUE INDEX IF NOT EXISTS realiz_uid ON realiz (uid);
CREATE INDEX IF NOT EXISTS realiz_uidp ON realiz (uidp);
)SQL";

// Rows of a shipped tab-separated file, header line dropped.
QVector<QStringList> readShipped(const QString &name)
{
    QFile f(QStringLiteral(":/data/") + name);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(14, QStringLiteral("missing built-in data: ") + name);
    const QString all = QString::fromUtf8(f.readAll());
    QVector<QStringList> rows;
    const QStringList lines = all.split(QLatin1Char('\n'));
    for (int i = 1; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!line.isEmpty())
            rows.append(line.split(QLatin1Char('\t')));
    }
    return rows;
}

// The social and other specific services of Annex 2 of Legea 98/2016, by the
// ranges of codes it lists; their purchases have a threshold of their own.
void markAnnex2Services(Database &db)
{
    for (const QStringList &r : readShipped(QStringLiteral("anexa2.tsv")))
        db.exec(QStringLiteral("UPDATE cpv SET anexa2=1 WHERE cod2>=? AND cod2<=?"),
                {r.value(0).toLongLong(), r.value(1).toLongLong()});
}

// Adds the shipped thresholds rows of the kind (all kinds when empty) whose
// date and kind the table lacks; how many were added.
int addShipped(Database &db, const QString &kind)
{
    int added = 0;
    for (const QStringList &r : readShipped(QStringLiteral("praguri.tsv"))) {
        if (!kind.isEmpty() && r.value(1) != kind)
            continue;
        if (!db.query(QStringLiteral("SELECT 1 FROM praguri WHERE dela=? AND tip=?"), {r.value(0), r.value(1)}).isEmpty())
            continue;
        db.exec(QStringLiteral("INSERT INTO praguri (dela,tip,directa,simplificata,sursa) VALUES(?,?,?,?,?)"),
                {r.value(0), r.value(1), r.value(2).toLongLong(), r.value(3).toLongLong(), r.value(4)});
        ++added;
    }
    return added;
}

void fillDefaults(Database &db)
{
    for (const QStringList &r : readShipped(QStringLiteral("ds.tsv")))
        db.exec(QStringLiteral("INSERT INTO ds (idds,numeds) VALUES(?,?)"), {r.value(0).toInt(), r.value(1)});
    for (const QStringList &r : readShipped(QStringLiteral("os.tsv")))
        db.exec(QStringLiteral("INSERT INTO os (idos,idds,numeos) VALUES(?,?,?)"),
                {r.value(0).toInt(), r.value(1).toInt(), r.value(2)});
    int id = 0;
    for (const QStringList &r : readShipped(QStringLiteral("cpv_ro.tsv")))
        db.exec(QStringLiteral("INSERT INTO cpv (id,cod,den,fel,anexa2,lista,cod2) VALUES(?,?,?,?,0,?,?)"),
                {++id, r.value(0), r.value(1), r.value(2).toInt(), r.value(3).toInt(), r.value(4).toLongLong()});
    markAnnex2Services(db);
    db.exec(QStringLiteral("INSERT INTO valid (parola) VALUES('')"));
}

// The legal thresholds by the date they came into force; the office keeps
// them current, so they live in the file and not in the program.
const char *const kThresholds = R"SQL(
CREATE TABLE praguri (
  dela TEXT NOT NULL,
  tip TEXT NOT NULL,
  directa INTEGER,
  simplificata INTEGER,
  sursa TEXT DEFAULT '',
  PRIMARY KEY (dela, tip)
);
)SQL";

bool hasColumn(Database &db, const QString &table, const QString &column)
{
    const ResultSet rs = db.query(QStringLiteral("PRAGMA table_info(") + table + QLatin1Char(')'));
    for (int r = 0; r < rs.count(); ++r)
        if (rs.text(r, QStringLiteral("name")).compare(column, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void addColumn(Database &db, const QString &table, const QString &column, const QString &definition = QStringLiteral("TEXT"))
{
    if (!hasColumn(db, table, column))
        db.execScript(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(table, column, definition));
}

// The item a realization's old tie names: same entry, sub-unit and project
// (" " is no project), started in the year of the act.
const char *const kOldTie =
    "p.id=realiz.id AND p.idos=realiz.idos AND coalesce(p.proiect,'')=(CASE WHEN realiz.proiect=' ' THEN ''"
    " ELSE coalesce(realiz.proiect,'') END) AND substr(p.datainc2,1,4)=substr(realiz.actdata2,1,4)";

} // namespace

const char *const kNewUidSql =
    "(lower(hex(randomblob(4)))||'-'||lower(hex(randomblob(2)))||'-4'||substr(lower(hex(randomblob(2))),2)||'-'||"
    "substr('89ab',1+(abs(random())%4),1)||substr(lower(hex(randomblob(2))),2)||'-'||lower(hex(randomblob(6))))";

QString newUid() { return QUuid::createUuid().toString(QUuid::WithoutBraces); }

void createSchema(Database &db)
{
    db.execScript(QString::fromLatin1(kSchema));
    db.execScript(QString::fromLatin1(kIdentityIndexes));
    db.execScript(QString::fromLatin1(kApprovals));
    db.execScript(QString::fromLatin1(kServer));
    ensureThresholds(db);
    db.execScript(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion));
}

const QStringList &requiredTables()
{
    static const QStringList tables{QStringLiteral("cpv"), QStringLiteral("program"), QStringLiteral("realiz"),
                                    QStringLiteral("setare"), QStringLiteral("ds"), QStringLiteral("os"),
                                    QStringLiteral("valid")};
    return tables;
}

SchemaProblems schemaProblems(Database &db)
{
    SchemaProblems p;
    QStringList tables;
    const ResultSet rs = db.query(QStringLiteral("SELECT type, name, sql FROM sqlite_master"));
    for (int r = 0; r < rs.count(); ++r) {
        const QString type = rs.text(r, QStringLiteral("type")), name = rs.text(r, QStringLiteral("name"));
        if (type == QLatin1String("table") && !rs.text(r, QStringLiteral("sql")).trimmed().startsWith(QLatin1String("CREATE VIRTUAL"), Qt::CaseInsensitive))
            tables << name.toLower();
        else if (type != QLatin1String("index"))
            p.unknown << type + QLatin1Char(' ') + name;
    }
    for (const QString &t : requiredTables())
        if (!tables.contains(t))
            p.missing << t;
    return p;
}

void assignIdentities(Database &db)
{
    for (const char *table : {"program", "realiz"})
        db.execScript(QStringLiteral("UPDATE %1 SET uid=%2 WHERE coalesce(uid,'')=''")
                          .arg(QLatin1String(table), QLatin1String(kNewUidSql)));
    const QString tie = QLatin1String(kOldTie);
    db.execScript(QStringLiteral("UPDATE realiz SET uidp=(SELECT p.uid FROM program p WHERE ") + tie
                  + QStringLiteral(") WHERE coalesce(uidp,'')='' AND (SELECT count(*) FROM program p WHERE ") + tie
                  + QStringLiteral(")=1"));
}

void upgradeSchema(Database &db)
{
    db.execScript(QStringLiteral("SAVEPOINT upgrade"));
    try {
        ensureThresholds(db);
        // A catalogue from before the Annex 2 services were told apart.
        if (db.query(QStringLiteral("SELECT 1 FROM cpv WHERE anexa2=1 LIMIT 1")).isEmpty())
            markAnnex2Services(db);
        addColumn(db, QStringLiteral("program"), QStringLiteral("uid"));
        addColumn(db, QStringLiteral("realiz"), QStringLiteral("uid"));
        addColumn(db, QStringLiteral("realiz"), QStringLiteral("uidp"));
        addColumn(db, QStringLiteral("program"), QStringLiteral("modalitate"), QStringLiteral("TEXT DEFAULT ''"));
        addColumn(db, QStringLiteral("program"), QStringLiteral("versiune"), QStringLiteral("INTEGER DEFAULT 0"));
        db.execScript(QString::fromLatin1(kApprovals));
        db.execScript(QString::fromLatin1(kServer));
        if (db.query(QStringLiteral("SELECT name FROM sqlite_master WHERE type='index' AND name='program_uid'")).isEmpty()) {
            // A uid held twice (a file put together by hand) keeps its first holder.
            for (const char *table : {"program", "realiz"})
                db.execScript(QStringLiteral("UPDATE %1 SET uid=NULL WHERE uid IS NOT NULL AND rowid NOT IN"
                                             " (SELECT min(rowid) FROM %1 WHERE uid IS NOT NULL GROUP BY uid)")
                                  .arg(QLatin1String(table)));
        }
        assignIdentities(db);
        db.execScript(QString::fromLatin1(kIdentityIndexes));
        if (db.userVersion() < kSchemaVersion)
            db.execScript(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion));
    } catch (...) {
        db.execScript(QStringLiteral("ROLLBACK TO upgrade; RELEASE upgrade"));
        throw;
    }
    db.execScript(QStringLiteral("RELEASE upgrade"));
}

bool ensureThresholds(Database &db)
{
    const bool exists =
        !db.query(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name='praguri'")).isEmpty();
    // A table from before the Annex 2 services' threshold gets their rows once.
    if (exists && !db.query(QStringLiteral("SELECT 1 FROM praguri WHERE tip=? LIMIT 1"), {QStringLiteral("S2")}).isEmpty())
        return false;
    // A savepoint, since the default file is made inside a transaction of its own.
    db.execScript(QStringLiteral("SAVEPOINT praguri"));
    try {
        if (!exists)
            db.execScript(QString::fromLatin1(kThresholds));
        addShipped(db, exists ? QStringLiteral("S2") : QString());
    } catch (...) {
        db.execScript(QStringLiteral("ROLLBACK TO praguri; RELEASE praguri"));
        throw;
    }
    db.execScript(QStringLiteral("RELEASE praguri"));
    return !exists;
}

int missingShippedThresholds(Database &db)
{
    int missing = 0;
    for (const QStringList &r : readShipped(QStringLiteral("praguri.tsv")))
        if (db.query(QStringLiteral("SELECT 1 FROM praguri WHERE dela=? AND tip=?"), {r.value(0), r.value(1)}).isEmpty())
            ++missing;
    return missing;
}

int addShippedThresholds(Database &db)
{
    Transaction tx(db);
    const int added = addShipped(db, QString());
    tx.commit();
    return added;
}

void createDefaultFile(const QString &path)
{
    const QString partial = partialPathFor(path);
    try {
        createPrivateFile(partial);
        {
            auto db = Database::open({partial, kDatabasePassword});
            Transaction tx(*db);
            createSchema(*db);
            fillDefaults(*db);
            tx.commit();
        }
        replaceFile(partial, path);
    } catch (const DbError &e) {
        removeTemporary(partial);
        throw withDiskDetail(e, path);
    }
}

} // namespace tendro
