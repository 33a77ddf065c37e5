// The store: numbers and dates, the connection wrapper, the default file,
// whole-file copies and the grid model.

#include "fakes.h"
#include "steps.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/dates.h"
#include "store/filecopy.h"
#include "store/numbers.h"
#include "store/querymodel.h"
#include "store/schema.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTableView>
#include <QtTest>
#include <cmath>
#include <cstring>
#include <limits>
#include <csignal>
#include <sqlcipher/sqlite3.h>
#include <sys/resource.h>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The first value the engine alone reads from the file, keyed from the password as any other program keys it.
QString engineReads(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *st = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_key(db, kDatabasePassword, int(std::strlen(kDatabasePassword)));
    const bool read = sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW;
    const QString out = read ? QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)))
                             : u"<unreadable>"_s;
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

} // namespace

class TestStore : public QObject {
    Q_OBJECT
    std::unique_ptr<Env> env;   // the shipped file, sub-unit 9 configured

private slots:
    void init() { env = std::make_unique<Env>(u"O.S. ARAD"_s); }
    void numbersAndDates();
    void numbersKeepTheirPointUnderACommaLocale();
    void shippedFileIsCompleteAndKeyed();
    void statementsAndTransactions();
    void wholeFileCopies();
    void diskFailuresNameTheFileAndTheCause();
    void gridWritesARowOnlyWhenLeft();
    void gridKeepsEveryValueAsTheFileHoldsIt();
    void olderFileTakesIdentities();
};

void TestStore::numbersAndDates()
{
    // Written: the shortest digits that read back the same, never in exponent form.
    for (const auto &[value, text] : {std::pair{1234.5, "1234.5"}, {1234.0, "1234"}, {0.1, "0.1"}, {-3.25, "-3.25"},
                                      {12345678901.0, "12345678901"}, {123456789.12, "123456789.12"},
                                      {0.000001, "0.000001"}, {0.0, "0"}, {-0.0, "0"}})
        QCOMPARE(tendro::formatNumber(value), QLatin1String(text));
    // Read: is the whole text a number, and its leading number.
    const struct { QString text; bool numeric; double value; } reads[] = {
        {u"03100000"_s, true, 3100000}, {u"03111100-5"_s, false, 3111100}, {u"12a"_s, false, 12}, {u" 12 "_s, true, 12},
        {u" 1 2 "_s, false, 12}, {u"1.5"_s, true, 1.5}, {u"1.5x"_s, false, 1.5}, {u"1,5"_s, false, 1}, {{}, false, 0},
        {u"-"_s, false, 0}, {u"abc"_s, false, 0}, {u"30192120-COD INVALID"_s, false, 30192120},
        {QString(400, u'9'), true, 0}};
    for (const auto &c : reads)
        QCOMPARE(u"%1: %2 %3"_s.arg(c.text).arg(isNumeric(c.text)).arg(formatNumber(leadingNumber(c.text))),
                 u"%1: %2 %3"_s.arg(c.text).arg(c.numeric).arg(formatNumber(c.value)));
    for (const auto &[d, whole] : {std::pair{-3.7, 0LL - 3}, {30192120.9, 30192120LL}, {1e30, 0LL}, {-1e19, 0LL},
                                   {std::numeric_limits<double>::infinity(), 0LL}, {std::nan(""), 0LL}})
        QCOMPARE(tendro::wholeNumber(d), qint64(whole));

    // To the ban, half away from zero: the windows' rule (toCents) and the totals' SQL (centsSql) on one table.
    for (const auto &[value, cents] : {std::pair{0.005, 1LL}, {0.004, 0LL}, {-0.005, -1LL}, {-0.004, 0LL}, {2.675, 268LL},
                                       {1.005, 101LL}, {1250.5, 125050LL}, {999999999.995, 100000000000LL},
                                       {-250.4, -25040LL}, {0.0, 0LL}}) {
        QCOMPARE(toCents(value), qint64(cents));
        QCOMPARE(env->db().query(u"SELECT "_s + centsSql(formatNumber(value)) + u" AS c"_s).integer(0, u"c"_s), qint64(cents));
    }

    // A year runs from its first day to its last, both included.
    const YearBounds b = yearBounds(2026);
    QCOMPARE(b.lower + u"-"_s + b.upper, u"20260101-20261231"_s);
    for (const auto &[day, in] :
         {std::pair{"20251231", false}, {"20260101", true}, {"20261231", true}, {"20270101", false}})
        QCOMPARE(inYear(QLatin1String(day), 2026), in);
    QCOMPARE(compareFromDisplay(u"05.03.2026"_s), u"20260305"_s);
    QCOMPARE(compareFromDisplay(u"5.3.2026"_s), QString());
    QCOMPARE(displayDate(u"05"_s, u"03"_s, u"2026"_s), u"05.03.2026"_s);
}

void TestStore::numbersKeepTheirPointUnderACommaLocale()
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    // Written as statement text and as a bound value, read back as text and as numbers.
    env->db().exec(u"INSERT INTO program (id,lei,idos) VALUES(1,"_s + tendro::formatNumber(1234.5) + u",7)"_s);
    env->db().exec(u"INSERT INTO program (id,lei,idos) VALUES(1,?,8)"_s, {1234.5});
    const QStringList rows = queryRows(env->db(), u"SELECT lei FROM program ORDER BY idos"_s);
    const ResultSet rs = env->db().query(u"SELECT lei FROM program"_s);
    const double sum = rs.number(0, u"lei"_s) + rs.number(1, u"lei"_s);
    QLocale::setDefault(saved);
    QCOMPARE(rows, (QStringList{u"1234.5"_s, u"1234.5"_s}));
    QCOMPARE(sum, 2469.0);
}

void TestStore::shippedFileIsCompleteAndKeyed()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"tendro.mdb"_s);
    createDefaultFile(path);
    QVERIFY(!QFile::exists(partialPathFor(path)));
    const QByteArray bytes = fileBytes(path);
    QVERIFY(!bytes.isEmpty() && !bytes.contains("SQLite format 3") && !bytes.contains("ALBA IULIA"));
    for (const QString &key : {u"not the password"_s, QString()}) {
        QString error;
        try {
            Database::open({path, key});
        } catch (const DbError &e) {
            error = engineErrorMessage(e);
        }
        QCOMPARE(error, u"Eroarea 26 file is encrypted or is not a database"_s);
    }
    // Rows are numbered in file order and keep the published texts.
    auto db = Database::open(conexiuneC(path), Database::Mode::ReadOnly);
    QCOMPARE(queryRows(*db, u"SELECT (SELECT count(*) FROM cpv), (SELECT count(*) FROM cpv WHERE lista=1),"
                            " (SELECT count(*) FROM cpv WHERE den='Seminţe'), (SELECT count(*) FROM ds),"
                            " (SELECT count(*) FROM os), (SELECT count(*) FROM setare), (SELECT count(*) FROM program),"
                            " (SELECT group_concat(quote(parola)) FROM valid)"_s)
                 + queryRows(*db, u"SELECT cod, cod2, lista FROM cpv WHERE id=1"_s),
             (QStringList{u"9454|45|1|42|210|0|0|''"_s, u"03000000-1|3000000|1"_s}));
    QCOMPARE(db->userVersion(), kSchemaVersion);

    // A plain file given the key keeps its version (its rows: the start-up's repair).
    const QString plain = dir.filePath(u"plain.mdb"_s);
    createSchema(*Database::open({plain, QString()}, Database::Mode::Create));
    encryptPlainFile(plain, QLatin1String(kDatabasePassword));
    QCOMPARE(Database::open(conexiuneC(plain), Database::Mode::ReadOnly)->userVersion(), kSchemaVersion);
}

void TestStore::statementsAndTransactions()
{
    Database &db = env->db();
    const QString nasty = u"O'Brien'); DELETE FROM cpv; --"_s;
    db.exec(u"INSERT INTO program (resp,idos) VALUES(?,1)"_s, {nasty});
    // Left by an error: nothing of it stays.
    try {
        Transaction tx(db);
        db.exec(u"DELETE FROM cpv"_s);
        db.exec(u"INSERT INTO nosuch VALUES(1)"_s);
        tx.commit();
    } catch (const DbError &) {
    }
    {
        Transaction tx(db);
        db.exec(u"DELETE FROM os"_s);
        tx.commit();
    }
    QCOMPARE(queryRows(db, u"SELECT resp, (SELECT count(*) FROM cpv), (SELECT count(*) FROM os) FROM program"_s),
             QStringList{nasty + u"|9454|0"_s});
}

// Every whole-file copy (backup, export) writes beside its target and
// replaces it only with a keyed copy that reads back whole.
void TestStore::wholeFileCopies()
{
    // The backup copies pages as they are; only the check reads the tree: an
    // index rooted on its table's page. (A plain source would not do: backing a
    // plain file up into a keyed one overruns a buffer inside the library.)
    const QString damagedPath = env->path(u"damaged.mdb"_s);
    Database::open(conexiuneC(damagedPath), Database::Mode::Create)->execScript(
        u"CREATE TABLE t(x TEXT); CREATE INDEX i ON t(x); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
        "FROM n WHERE i < 300) INSERT INTO t SELECT hex(randomblob(100)) FROM n; PRAGMA writable_schema=ON; "
        "UPDATE sqlite_master SET rootpage=2 WHERE name='i'"_s);
    auto damaged = Database::open(conexiuneC(damagedPath), Database::Mode::ReadOnly);
    const struct { const char *name; Database *from; bool blocked, replaced; } cases[] = {
        {"sound copy over an old file", &env->db(), false, true},
        {"target cannot be replaced", &env->db(), true, false},
        {"copy fails its check", damaged.get(), false, false}};
    for (const auto &c : cases) {
        const QString target = env->path(QLatin1String(c.name) + u".mdb"_s);
        if (c.blocked) {
            QVERIFY(QDir().mkpath(target + u"/inside"_s));
        } else {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old content") > 0);
        }
        bool threw = false;
        try {
            copyDatabase(*c.from, target, QLatin1String(kDatabasePassword));
        } catch (const DbError &) {
            threw = true;
        }
        // Nothing left beside the target either way.
        QVERIFY2(threw == !c.replaced && QDir(env->path({})).entryList({u"*.partial*"_s}).isEmpty(), c.name);
        if (!c.replaced) {
            QCOMPARE(fileBytes(target), QByteArray(c.blocked ? "" : "old content"));
            continue;
        }
        auto copy = Database::open(conexiuneC(target), Database::Mode::ReadOnly);
        for (const QString &t : {u"cpv"_s, u"setare"_s, u"os"_s})
            QCOMPARE(tableDump(*copy, t), tableDump(env->db(), t));
        // The program keeps the keys it derives; what it writes still opens with the password alone.
        QCOMPARE(engineReads(target, "SELECT count(*) FROM cpv"), QString::number(env->count(u"cpv"_s)));
        QVERIFY_THROWS_EXCEPTION(DbError, Database::open({target, QString()}, Database::Mode::ReadOnly));
    }
    // A temporary is never made through a link planted at its name.
    const QString planted = env->path(u"planted.partial"_s), victim = env->path(u"victim"_s);
    QVERIFY(QFile(victim).open(QIODevice::WriteOnly) && QFile::link(victim, planted));
    QVERIFY_THROWS_EXCEPTION(DbError, createPrivateFile(planted));
    QVERIFY_THROWS_EXCEPTION(DbError, createPrivateFile(env->path(u"no/folder/x.partial"_s)));
    createPrivateFile(env->path(u"new.partial"_s));
    QCOMPARE(u"%1 %2"_s.arg(QFileInfo(victim).size()).arg(QFileInfo(env->path(u"new.partial"_s)).size()), u"0 0"_s);
}

// A whole-file copy the disk refuses says which file and, where it can be found, why.
void TestStore::diskFailuresNameTheFileAndTheCause()
{
    const QString folder = env->path(u"usb"_s);
    const QString target = QDir(folder).filePath(u"x.mdb"_s);
    // The disk's state, and the end of the message.
    const struct { const char *disk; QString said; } cases[] = {
        {"full", u"Eroarea 778 disk I/O error\nFisierul %1: discul este plin "_s},
        {"file where the folder was", u"Eroarea 14 unable to open database file\nFisierul %1: folderul nu poate fi scris "_s},
        {"removed", u"Eroarea 14 unable to open database file\nFisierul %1: dispozitivul a fost scos "_s},
        {"sound", u"Eroarea 10 Nu se poate scrie x.mdb (Is a directory)\nFisierul %1"_s}};
    for (const auto &c : cases) {
        QDir(folder).removeRecursively();
        QFile::remove(folder);
        const QByteArray disk(c.disk);
        if (disk == "file where the folder was")
            QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
        else if (disk != "removed")
            QVERIFY(QDir().mkpath(disk == "sound" ? target + u"/inside"_s : folder));
        // A full disk as the process meets it: no file may grow past a few bytes.
        struct rlimit saved;
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto xfsz = std::signal(SIGXFSZ, SIG_IGN);
        if (disk == "full") {
            struct rlimit tiny = saved;
            tiny.rlim_cur = 512;
            ::setrlimit(RLIMIT_FSIZE, &tiny);
        }
        QString said;
        try {
            copyDatabase(env->db(), target, QLatin1String(kDatabasePassword));
        } catch (const DbError &e) {
            said = engineErrorMessage(e);
        }
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, xfsz);
        QCOMPARE(said, c.said.arg(target));
    }
}

void TestStore::gridWritesARowOnlyWhenLeft()
{
    Database &db = env->db();
    db.exec(u"INSERT INTO setare (idds,idos,numeds,numeos) VALUES(1,1,'A','X'), (1,2,'A','Y')"_s);
    QueryTableModel model(db, {{u"SEF"_s, u"sef"_s, true}, {u"NUME"_s, u"numeos"_s, false}});
    model.setQuery(u"SELECT rowid, * FROM setare WHERE idds=1 ORDER BY idos"_s);
    model.setWriteBack(u"setare"_s, u"rowid"_s);
    model.refresh();
    QTableView view;
    bindGrid(&view, &model);
    QVERIFY(model.rowCount() == 2 && !(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
    const QString sef = u"SELECT sef FROM setare WHERE idds=1 ORDER BY idos"_s;
    view.setCurrentIndex(model.index(0, 0));
    QVERIFY(model.setData(model.index(0, 0), u"ION O'NEIL"_s));
    QCOMPARE(queryRows(db, sef), (QStringList{QString(), QString()}));
    view.setCurrentIndex(model.index(1, 0));   // leaving the row writes it
    QCOMPARE(queryRows(db, sef), (QStringList{u"ION O'NEIL"_s, QString()}));
    QVERIFY(!model.hasPendingChanges());
}

// The grid keeps its rows compact and makes a value only when asked: every
// kind of value reads back as a query reads it, and values set on cells
// (an edit, a value shown) stay with their rows through a sort and a revert.
void TestStore::gridKeepsEveryValueAsTheFileHoldsIt()
{
    Database &db = env->db();
    db.execScript(u"CREATE TABLE proba (k INTEGER PRIMARY KEY, v);"
                  "INSERT INTO proba (k,v) VALUES (1, 125), (2, 125.5), (3, 9007199254740993), (4, -0.0049),"
                  " (5, 'Pădure ș ț 🌲'), (6, ''), (7, NULL), (8, x'00ff10'), (9, '125.000'), (10, ' b ')"_s);
    const QString sql = u"SELECT k, v FROM proba ORDER BY k"_s;
    const ResultSet expected = db.query(sql);
    QueryTableModel model(db, {{u"K"_s, u"k"_s}, {u"V"_s, u"v"_s, true}});
    model.setQuery(sql);
    model.setWriteBack(u"proba"_s, u"k"_s);
    model.refresh();
    QCOMPARE(model.rowCount(), expected.count());
    for (int r = 0; r < expected.count(); ++r) {
        const QVariant want = expected.value(r, 1), got = model.value(r, u"v"_s);
        QVERIFY2(got.typeId() == want.typeId() && got == want && got.isNull() == want.isNull()
                     && got.toString().isNull() == want.toString().isNull(),
                 qPrintable(u"row %1: %2 for %3"_s.arg(r).arg(got.toString(), want.toString())));
    }
    const QList<QMetaType::Type> types{QMetaType::LongLong, QMetaType::Double, QMetaType::LongLong, QMetaType::Double,
                                       QMetaType::QString, QMetaType::QString, QMetaType::UnknownType,
                                       QMetaType::QByteArray, QMetaType::QString, QMetaType::QString};
    for (int r = 0; r < types.size(); ++r)
        QCOMPARE(model.value(r, u"v"_s).typeId(), int(types.at(r)));
    // The empty text is empty, not null: the grid's checks tell "nothing typed" from "no value".
    QVERIFY(!model.value(5, u"v"_s).toString().isNull() && model.value(6, u"v"_s).isNull());
    QCOMPARE(model.value(2, u"V"_s).toLongLong(), 9007199254740993LL);   // a column named in any case

    // A value shown on row k=2 and an edit pending on k=10 go with their rows when the grid is sorted;
    // the sort waits for the pending edit to be stored.
    model.setShown(1, u"v"_s, u"ARATAT"_s);
    QVERIFY(model.setData(model.index(9, 1), u"EDITAT"_s));
    model.sort(0, Qt::DescendingOrder);
    QCOMPARE(model.value(0, u"k"_s).toLongLong(), 1LL);   // nothing sorted while an edit is pending
    QVERIFY(model.submitRow(9));
    QCOMPARE(queryRows(db, u"SELECT v FROM proba WHERE k=10"_s), QStringList{u"EDITAT"_s});
    model.sort(0, Qt::DescendingOrder);
    QStringList order;
    for (int r = 0; r < model.rowCount(); ++r) {
        const QVariant v = model.value(r, u"v"_s);
        order << model.value(r, u"k"_s).toString() + u'='
                + (v.typeId() == QMetaType::QByteArray ? QString::fromLatin1(v.toByteArray().toHex()) : v.toString());
    }
    QCOMPARE(order, (QStringList{u"10=EDITAT"_s, u"9=125.000"_s, u"8=00ff10"_s,
                                 u"7="_s, u"6="_s, u"5=Pădure ș ț 🌲"_s, u"4=-0.0049"_s,
                                 u"3=9007199254740993"_s, u"2=ARATAT"_s, u"1=125"_s}));
    // An edit then dropped puts back the value the row had, in its new place.
    QVERIFY(model.setData(model.index(8, 1), u"ALTCEVA"_s));
    model.revertRow(8);
    QCOMPARE(model.value(8, u"v"_s).toString(), u"ARATAT"_s);
    QCOMPARE(model.value(9, u"k"_s).toLongLong(), 1LL);
    // A refresh reads the file again: the shown value is gone.
    model.refresh();
    QCOMPARE(model.value(1, u"v"_s), QVariant(125.5));
    // Sorted by a column with a value shown in it, by that value (numbers first, then texts; ties keep
    // their order); the new row stays last.
    model.setAppendRow(true);
    model.setShown(1, u"v"_s, -5.0);
    model.sort(1, Qt::AscendingOrder);
    QStringList keys;
    for (int r = 0; r < model.rowCount(); ++r)
        keys << model.value(r, u"k"_s).toString();
    QCOMPARE(keys, (QStringList{u"2"_s, u"4"_s, u"8"_s, u"1"_s, u"9"_s, u"3"_s, u"6"_s, u"7"_s, u"10"_s, u"5"_s, QString()}));
    QVERIFY(model.isAppendRow(10) && !model.isAppendRow(9) && !model.isAppendRow(11));
    QCOMPARE(model.value(0, u"v"_s), QVariant(-5.0));
    // Rows outside the grid have no values, and a value shown there is not kept.
    model.setShown(11, u"v"_s, u"AFARA"_s);
    model.setShown(-1, u"v"_s, u"AFARA"_s);
    QVERIFY(!model.value(-1, u"v"_s).isValid() && !model.value(11, u"v"_s).isValid() && !model.value(10, u"v"_s).isValid());
    QCOMPARE(model.value(9, u"v"_s), QVariant(u"Pădure ș ț 🌲"_s));

    // Rows made by the caller keep the values they were given, of whatever kind.
    QueryTableModel made(db, {{u"A"_s, u"a"_s}, {u"B"_s, u"b"_s}});
    made.setRows(ResultSet({u"a"_s, u"b"_s}, {{QVariant(7), QVariant(u"x"_s)},
                                              {QVariant(qlonglong(8)), QVariant()},
                                              {QVariant(270119.6), QVariant(QMetaType::fromType<QString>())}}));
    QCOMPARE(made.value(0, u"a"_s).typeId(), QMetaType::Int);
    QCOMPARE(made.value(1, u"a"_s).typeId(), QMetaType::LongLong);
    QCOMPARE(made.value(2, u"a"_s), QVariant(270119.6));
    QVERIFY(!made.value(1, u"b"_s).isValid() && made.value(0, u"b"_s) == QVariant(u"x"_s));
    QCOMPARE(made.value(2, u"b"_s).typeId(), QMetaType::QString);   // a typed null keeps its type
}

// A file of an older program: no identities at all, or some held twice (a file put together by hand).
void TestStore::olderFileTakesIdentities()
{
    QTemporaryDir dir;
    auto db = Database::open({dir.filePath(u"vechi.mdb"_s), QLatin1String(kDatabasePassword)}, Database::Mode::Create);
    db->execScript(u"CREATE TABLE cpv (id INTEGER PRIMARY KEY, cod, den, fel, anexa2, lista, cod2);"
                   "CREATE TABLE program (idp INTEGER PRIMARY KEY, id, lei, datainc2, idos, proiect, proced);"
                   "CREATE TABLE realiz (idr INTEGER PRIMARY KEY, id, lei, actdata2, idos, proiect);"
                   // Entry 1 twice in 2026 (two funds), once in 2025; entry 2 once, in a project.
                   "INSERT INTO program (id,lei,datainc2,idos,proiect) VALUES (1,10,'20260101',9,''), (1,20,'20261231',9,''),"
                   " (1,30,'20250101',9,''), (2,40,'20260301',9,'P');"
                   // Ambiguous; the one of 2025; entry 2's project; another sub-unit's (no item); no project named.
                   "INSERT INTO realiz (id,lei,actdata2,idos,proiect) VALUES (1,1,'20260505',9,' '), (1,2,'20251231',9,' '),"
                   " (2,3,'20260101',9,'P'), (2,4,'20260101',3,'P'), (2,5,'20260101',9,' ')"_s);
    upgradeSchema(*db);
    const QString owners = u"SELECT r.lei, coalesce(p.lei,'-') FROM realiz r LEFT JOIN program p ON p.uid=r.uidp ORDER BY r.idr"_s;
    QCOMPARE(queryRows(*db, owners), (QStringList{"1|-", "2|30", "3|40", "4|-", "5|-"}));
    QCOMPARE(queryRows(*db, u"SELECT count(DISTINCT uid), count(*) FROM program UNION ALL"
                            " SELECT count(DISTINCT uid), count(*) FROM realiz"_s), (QStringList{"4|4", "5|5"}));
    QCOMPARE(db->userVersion(), kSchemaVersion);
    // The items by their code, which a save's duplicate check looks them up by.
    QCOMPARE(queryRows(*db, u"SELECT name FROM sqlite_master WHERE type='index' AND tbl_name='program' AND sql LIKE '%(id)'"_s),
             QStringList{u"program_id"_s});
    // The server's place, empty, and each item's server version, none yet.
    QCOMPARE(queryRows(*db, u"SELECT count(*) FROM server UNION ALL SELECT min(versiune) FROM program"_s),
             (QStringList{"0", "0"}));
    // Once more changes nothing; an item later gone from the tie makes the ambiguous one plain at the next start.
    const QStringList all = tableDump(*db, u"program"_s) + tableDump(*db, u"realiz"_s);
    upgradeSchema(*db);
    QCOMPARE(tableDump(*db, u"program"_s) + tableDump(*db, u"realiz"_s), all);
    db->execScript(u"DELETE FROM program WHERE lei=20"_s);
    upgradeSchema(*db);
    QCOMPARE(queryRows(*db, owners), (QStringList{"1|10", "2|30", "3|40", "4|-", "5|-"}));

    // Identities held twice before the file had its index: the first holder keeps its own.
    auto twice = Database::open({dir.filePath(u"dublu.mdb"_s), QLatin1String(kDatabasePassword)}, Database::Mode::Create);
    twice->execScript(u"CREATE TABLE cpv (id INTEGER PRIMARY KEY, cod, den, fel, anexa2, lista, cod2);"
                      "CREATE TABLE program (idp INTEGER PRIMARY KEY, id, lei, datainc2, idos, proiect, uid);"
                      "CREATE TABLE realiz (idr INTEGER PRIMARY KEY, id, lei, actdata2, idos, proiect, uid, uidp);"
                      "INSERT INTO program (lei,uid) VALUES (1,'x'), (2,'x'), (3,'y');"_s);
    upgradeSchema(*twice);
    QCOMPARE(queryRows(*twice, u"SELECT lei, uid='x', length(uid) FROM program ORDER BY idp"_s),
             (QStringList{"1|1|1", "2|0|36", "3|0|1"}));
}

QTEST_MAIN(TestStore)
#include "test_store.moc"
