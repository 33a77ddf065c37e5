// Export to a file and import from a file: what arrives, what is refused,
// and that a failure leaves the working file as it was.

#include "fakes.h"
#include "exchange/export.h"
#include "exchange/import.h"
#include "app/mnu.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filecopy.h"
#include "store/schema.h"

#include <QAction>
#include <QApplication>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

const QStringList kTables{u"cpv"_s, u"program"_s, u"realiz"_s, u"setare"_s, u"ds"_s, u"os"_s, u"valid"_s};

QMap<QString, QStringList> dumpAll(Database &db)
{
    QMap<QString, QStringList> out;
    for (const QString &t : kTables)
        out.insert(t, tableDump(db, t));
    return out;
}

// A directorate's file: the working file's catalogue with one entry changed,
// two items of sub-unit 9 (one approved), one of another sub-unit, two realizations.
QString makeSource(Env &env, const QString &name)
{
    const QString path = env.path(name);
    copyDatabase(env.ctx->db(), path, QLatin1String(kDatabasePassword));
    auto src = Database::open(conexiuneC(path));
    src->exec(u"DELETE FROM program"_s);
    src->exec(u"UPDATE cpv SET den='Seminţe de la D''Ana' WHERE cod2=3111000"_s);
    src->exec(u"DELETE FROM cpv WHERE cod2=3111100"_s);
    src->exec(QStringLiteral("INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,"
                             "fond,idos,proced,anunt,proiect,realiz) VALUES(4,'productie',1500.5,300,'01.02.2026',"
                             "'20260201','01.03.2026','20260301','POP ION','PENTRU O''NEIL','proprii',9,"
                             "'licitatie','A1','',99)"));
    src->exec(QStringLiteral("INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,"
                             "fond,idos,proced,anunt,proiect) VALUES(5,'cercetare',NULL,NULL,'01.02.2026','20260201',"
                             "'01.03.2026','20260301','POP ION','X','cercetare',9,'','','PROIECT A')"));
    src->exec(u"INSERT INTO program (id,lei,idos,resp) VALUES(6,10,3,'ALTUL')"_s);
    src->exec(QStringLiteral("INSERT INTO realiz (id,contrnr,lei,actnr,actdata1,actdata2,idos,furniz,proiect) "
                             "VALUES(4,'C1',100,'F1','05.02.2026','20260205',9,'SC LEMN SRL','')"));
    src->exec(QStringLiteral("INSERT INTO realiz (id,contrnr,lei,actnr,actdata1,actdata2,idos,furniz,proiect) "
                             "VALUES(5,'C2',NULL,'F2','06.02.2026','20260206',9,'SC O''BRAD SRL','PROIECT A')"));
    src->exec(u"INSERT INTO realiz (id,contrnr,lei,idos) VALUES(6,'C3',5,3)"_s);
    return path;
}

} // namespace

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void exportWritesAKeyedCopy();
    void exportCancelAndSameFile();
    void exportFailureLeavesBothFiles();
    void importWithoutItemsChangesNothing();
    void importTakesProgrammeRealizationsAndCatalogue();
    void importAnsweredNoTwiceDoublesOnlyItems();
    void importDeclinedChangesNothing();
    void importFailureMidwayLeavesTheFileAsItWas();
    void importRefusesAFileWithAnotherPassword();
    void importRefusesASourceWithoutCatalogue();
    void importStoresNumbersWhateverTheSourceHolds();
};

void TestExchange::exportWritesAKeyedCopy()
{
    Env env(u"O.S. ARAD"_s);
    env.db().exec(u"INSERT INTO program (id,lei,idos,resp) VALUES(4,12.5,9,'ION')"_s);
    const QString target = env.path(u"trimis.mdb"_s);
    QFile old(target);   // an existing file, confirmed for overwrite in the dialog
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("previous export");
    old.close();
    env.files.nextPath = target;
    Mnu mnu(*env.ctx);
    mnu.action(u"mnutransman"_s)->trigger();
    QCOMPARE(env.files.lastTitle, u"Transmitere date achizitii in fisierul ....... "_s);
    QCOMPARE(env.files.lastFilter, u"Baza de date Access (*.mdb)"_s);
    QCOMPARE(env.messages.shown.size(), 1);
    const ShownMessage m = env.messages.shown.first();
    QCOMPARE(m.text, u"Transmiterea datelor in "_s + target + u" a fost efectuat "_s);
    QCOMPARE(m.title, u"Transmitere"_s);
    QCOMPARE(m.icon, MessageIcon::Information);
    auto copy = Database::open(conexiuneC(target), Database::Mode::ReadOnly);
    QCOMPARE(dumpAll(*copy), dumpAll(env.db()));
    // The working file keeps its password and stays usable.
    env.ctx->closeDb();
    QVERIFY(Database::open(conexiuneA(env.dir.path())));
    QVERIFY_THROWS_EXCEPTION(DbError, Database::open({target, QString()}, Database::Mode::ReadOnly));
}

void TestExchange::exportCancelAndSameFile()
{
    Env env(u"O.S. ARAD"_s);
    const QStringList before = QDir(env.dir.path()).entryList(QDir::Files);
    env.files.nextPath.clear();
    exportToFile(*env.ctx, nullptr);
    QVERIFY(env.messages.shown.isEmpty());
    QCOMPARE(QDir(env.dir.path()).entryList(QDir::Files), before);

    const auto rows = dumpAll(env.db());
    env.files.nextPath = env.dir.path() + u"/./tendro.mdb"_s;
    exportToFile(*env.ctx, nullptr);
    QCOMPARE(env.messages.shown.size(), 1);
    QVERIFY(env.messages.last().contains(u"fisierul de lucru"_s));
    QCOMPARE(dumpAll(env.db()), rows);
}

void TestExchange::exportFailureLeavesBothFiles()
{
    Env env(u"O.S. ARAD"_s);
    const auto rows = dumpAll(env.db());
    env.files.nextPath = env.path(u"no/such/folder/x.mdb"_s);
    exportToFile(*env.ctx, nullptr);
    QCOMPARE(env.messages.shown.size(), 1);
    QVERIFY(env.messages.last().startsWith(u"Eroarea "_s));
    QCOMPARE(env.messages.shown.first().title, u"Eroare"_s);

    // A destination whose partial copy cannot be replaced keeps its old bytes.
    const QString target = env.path(u"kept.mdb"_s);
    QFile f(target);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("kept");
    f.close();
    QVERIFY(QDir().mkpath(partialPathFor(target)));
    env.files.nextPath = target;
    exportToFile(*env.ctx, nullptr);
    QVERIFY(env.messages.last().startsWith(u"Eroarea "_s));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("kept"));
    env.ctx->closeDb();
    auto reopened = Database::open(conexiuneA(env.dir.path()));
    QCOMPARE(dumpAll(*reopened), rows);
}

void TestExchange::importWithoutItemsChangesNothing()
{
    Env env(u"O.S. ARAD"_s);
    const QString source = makeSource(env, u"sursa.mdb"_s);
    env.ctx->subunitate = {1, 1, u"ALBA IULIA"_s, u"O.S. ABRUD"_s};
    const auto before = dumpAll(env.db());
    env.files.nextPath = source;
    Mnu mnu(*env.ctx);
    mnu.action(u"mnuprelman"_s)->trigger();
    QCOMPARE(env.files.lastTitle, u"Preluarea datelor de achizitii din fisierul ....... "_s);
    QCOMPARE(env.messages.texts(), QStringList{u" Fisierul selectat nu are date pentru O.S. ABRUD !!! "_s});
    QCOMPARE(dumpAll(env.db()), before);
    QVERIFY(!QApplication::overrideCursor());
}

void TestExchange::importTakesProgrammeRealizationsAndCatalogue()
{
    Env env(u"O.S. ARAD"_s);
    const QString source = makeSource(env, u"sursa.mdb"_s);
    Database &db = env.db();
    db.exec(u"INSERT INTO program (id,lei,idos) VALUES(7,1,9)"_s);
    db.exec(u"INSERT INTO program (id,lei,idos) VALUES(7,1,3)"_s);
    db.exec(u"INSERT INTO realiz (id,lei,idos) VALUES(7,1,9)"_s);
    db.exec(u"INSERT INTO realiz (id,lei,idos) VALUES(7,1,3)"_s);
    const QByteArray sourceBytes = [&] {
        QFile f(source);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    env.messages.answers = {true, true};   // sure, and replace
    QVERIFY(importFile(*env.ctx, nullptr, source));
    QCOMPARE(env.messages.shown.size(), 3);
    QCOMPARE(env.messages.shown.at(0).text, u"Sunteti sigur ca doriti preluarea datelor din "_s + source + u" ? "_s);
    QCOMPARE(env.messages.shown.at(1).text, u"Doriti inlocuirea datelor existente cu cele ce se preiau ? "_s);
    QCOMPARE(env.messages.shown.at(2).text, u"Preluarea datelor din "_s + source + u" a fost efectuata "_s);
    QCOMPARE(env.messages.shown.at(2).title, u"Preluare date"_s);
    QVERIFY(!QApplication::overrideCursor());

    // Every item went (both sub-units), the source's two of sub-unit 9 came.
    const ResultSet items = db.query(u"SELECT * FROM program ORDER BY idp"_s);
    QCOMPARE(items.count(), 2);
    QCOMPARE(items.text(0, u"proced"_s), u"licitatie"_s);
    QCOMPARE(items.text(0, u"detal"_s), u"PENTRU O'NEIL"_s);
    QCOMPARE(items.number(0, u"lei"_s), 1500.5);
    QVERIFY(items.value(0, u"realiz"_s).isNull());
    QCOMPARE(items.integer(0, u"idos"_s), 9);
    QCOMPARE(items.number(1, u"lei"_s), 0.0);   // empty in the source
    QCOMPARE(items.text(1, u"proiect"_s), u"PROIECT A"_s);
    QCOMPARE(env.count(u"program WHERE proced<>''"_s), 1);   // one approved

    // Realizations of sub-unit 9 replaced, the other sub-unit's kept.
    const ResultSet real = db.query(u"SELECT * FROM realiz WHERE idos=9 ORDER BY idr"_s);
    QCOMPARE(real.count(), 2);
    QCOMPARE(real.text(0, u"proiect"_s), u" "_s);
    QCOMPARE(real.text(1, u"proiect"_s), u"PROIECT A"_s);
    QCOMPARE(real.text(1, u"furniz"_s), u"SC O'BRAD SRL"_s);
    QCOMPARE(real.number(1, u"lei"_s), 0.0);
    QCOMPARE(env.count(u"realiz WHERE idos=3"_s), 1);

    auto src = Database::open(conexiuneC(source), Database::Mode::ReadOnly);
    QCOMPARE(tableDump(db, u"cpv"_s), tableDump(*src, u"cpv"_s));
    QCOMPARE(env.count(u"cpv WHERE cod2=30192120"_s), 0);   // the source had no utility row
    src.reset();
    QFile f(source);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), sourceBytes);   // the source is never written
}

void TestExchange::importAnsweredNoTwiceDoublesOnlyItems()
{
    Env env(u"O.S. ARAD"_s);
    const QString source = makeSource(env, u"sursa.mdb"_s);
    Database &db = env.db();
    db.exec(u"INSERT INTO program (id,lei,idos) VALUES(7,1,9)"_s);
    for (int i = 0; i < 2; ++i) {
        env.messages.answers = {true, false};
        QVERIFY(importFile(*env.ctx, nullptr, source));
    }
    QCOMPARE(env.count(u"program"_s), 1 + 2 * 2);
    QCOMPARE(env.count(u"realiz"_s), 2);
    QCOMPARE(env.count(u"cpv"_s), 9453);
}

void TestExchange::importDeclinedChangesNothing()
{
    Env env(u"O.S. ARAD"_s);
    const QString source = makeSource(env, u"sursa.mdb"_s);
    const auto before = dumpAll(env.db());
    env.messages.answers = {false};
    QVERIFY(!importFile(*env.ctx, nullptr, source));
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(dumpAll(env.db()), before);
    // Cancelling the dialog asks nothing.
    env.files.nextPath.clear();
    importFromFile(*env.ctx, nullptr);
    QCOMPARE(env.messages.shown.size(), 1);
}

void TestExchange::importFailureMidwayLeavesTheFileAsItWas()
{
    Env env(u"O.S. ARAD"_s);
    env.db().exec(u"INSERT INTO program (id,lei,idos) VALUES(7,1,9)"_s);
    env.db().exec(u"INSERT INTO realiz (id,lei,idos) VALUES(7,1,9)"_s);
    // A source whose catalogue repeats an id fails at its last table, after
    // the items and realizations were already written.
    const QString source = env.path(u"rau.mdb"_s);
    {
        auto src = Database::open(conexiuneC(source), Database::Mode::Create);
        createSchema(*src);
        src->execScript(QStringLiteral("DROP TABLE cpv; CREATE TABLE cpv (id INTEGER, cod TEXT, den TEXT, fel INTEGER,"
                                       " anexa2 INTEGER, lista INTEGER, cod2 INTEGER)"));
        src->exec(u"INSERT INTO cpv VALUES(1,'03000000-1','A',1,0,1,3000000)"_s);
        src->exec(u"INSERT INTO cpv VALUES(1,'03100000-2','B',1,0,0,3100000)"_s);
        src->exec(u"INSERT INTO program (id,lei,idos,proced) VALUES(1,5,9,'licitatie')"_s);
        src->exec(u"INSERT INTO realiz (id,lei,idos) VALUES(1,5,9)"_s);
    }
    const auto before = dumpAll(env.db());
    env.messages.answers = {true, true};
    QVERIFY(!importFile(*env.ctx, nullptr, source));
    const ShownMessage m = env.messages.shown.last();
    QVERIFY2(m.text.startsWith(u"Eroarea 19 "_s), qPrintable(m.text));
    QCOMPARE(m.title, u"Eroare"_s);
    QCOMPARE(m.icon, MessageIcon::Information);
    QCOMPARE(dumpAll(env.db()), before);
    QVERIFY(!QApplication::overrideCursor());

    // A source that lacks a table fails the same way.
    const QString partial = env.path(u"fara_realiz.mdb"_s);
    {
        auto src = Database::open(conexiuneC(partial), Database::Mode::Create);
        createSchema(*src);
        src->execScript(u"DROP TABLE realiz"_s);
        src->exec(u"INSERT INTO program (id,lei,idos) VALUES(1,5,9)"_s);
        src->exec(u"INSERT INTO cpv (id,cod,den,fel,cod2) VALUES(1,'03000000-1','A',1,3000000)"_s);
    }
    env.messages.answers = {true, true};
    QVERIFY(!importFile(*env.ctx, nullptr, partial));
    QVERIFY(env.messages.last().startsWith(u"Eroarea 1 no such table: realiz"_s));
    QCOMPARE(dumpAll(env.db()), before);
}

void TestExchange::importRefusesAFileWithAnotherPassword()
{
    Env env(u"O.S. ARAD"_s);
    const auto before = dumpAll(env.db());
    for (const QString &key : {u"alta parola"_s, QString()}) {
        const QString path = env.path(key.isEmpty() ? u"plain.mdb"_s : u"other.mdb"_s);
        {
            auto src = Database::open({path, key}, Database::Mode::Create);
            createSchema(*src);
            src->exec(u"INSERT INTO program (id,lei,idos) VALUES(1,5,9)"_s);
        }
        env.messages.shown.clear();
        QVERIFY(!importFile(*env.ctx, nullptr, path));
        QCOMPARE(env.messages.texts(), QStringList{u"Eroarea 26 file is encrypted or is not a database"_s});
        QCOMPARE(dumpAll(env.db()), before);
    }
}

void TestExchange::importRefusesASourceWithoutCatalogue()
{
    Env env(u"O.S. ARAD"_s);
    const QString source = makeSource(env, u"fara_cpv.mdb"_s);
    {
        auto src = Database::open(conexiuneC(source));
        src->exec(u"DELETE FROM cpv"_s);
    }
    const auto before = dumpAll(env.db());
    env.messages.answers = {true, true};
    QVERIFY(!importFile(*env.ctx, nullptr, source));
    QCOMPARE(env.messages.texts(),
             QStringList{u" Fisierul selectat nu contine nomenclatorul CPV. Preluarea nu s-a facut. "_s});
    QCOMPARE(dumpAll(env.db()), before);
    QVERIFY(!QApplication::overrideCursor());
}

void TestExchange::importStoresNumbersWhateverTheSourceHolds()
{
    Env env(u"O.S. ARAD"_s);
    // An older source: realizations without a project column, and numbers
    // kept as text, bytes or nothing.
    const QString source = env.path(u"vechi.mdb"_s);
    {
        auto src = Database::open(conexiuneC(source), Database::Mode::Create);
        createSchema(*src);
        src->execScript(QStringLiteral("DROP TABLE realiz; CREATE TABLE realiz (idr INTEGER PRIMARY KEY, id, contrnr,"
                                       " contrdata1, contrdata2, lei, actnr, actdata1, actdata2, idos, furniz, refer,"
                                       " denumach)"));
        src->execScript(QStringLiteral("DROP TABLE program; CREATE TABLE program (idp INTEGER PRIMARY KEY, id, activit,"
                                       " lei, euro, datainc1, datainc2, datafin1, datafin2, resp, detal, fond, idos,"
                                       " proced, anunt, proiect, realiz)"));
        src->execScript(u"DROP TABLE cpv; CREATE TABLE cpv (id, cod, den, fel, anexa2, lista, cod2)"_s);
        src->exec(u"INSERT INTO cpv (id,cod,den,fel,anexa2,lista,cod2) VALUES(?,?,?,?,?,?,?)"_s,
                  {u"7x"_s, u"03000000-1"_s, u"A"_s, QByteArray("1"), QVariant(), u"1"_s, QByteArray("\x01\x02")});
        src->exec(u"INSERT INTO program (id,lei,euro,idos,proced) VALUES(?,?,?,9,'licitatie')"_s,
                  {QByteArray("7"), u"12.5 lei"_s, QVariant()});
        src->exec(u"INSERT INTO realiz (id,lei,idos,furniz) VALUES(?,?,9,'SC X')"_s,
                  {u"abc"_s, QByteArray("250.5")});
    }
    env.messages.answers = {true, true};
    QVERIFY2(importFile(*env.ctx, nullptr, source), qPrintable(env.messages.last()));
    Database &db = env.db();
    const ResultSet item = db.query(QStringLiteral("SELECT typeof(id) AS tid, id, typeof(lei) AS tlei, lei,"
                                                   " typeof(euro) AS teuro, euro FROM program"));
    QCOMPARE(item.count(), 1);
    QCOMPARE(item.text(0, u"tid"_s), u"integer"_s);
    QCOMPARE(item.integer(0, u"id"_s), 7);
    QCOMPARE(item.text(0, u"tlei"_s), u"real"_s);
    QCOMPARE(item.number(0, u"lei"_s), 12.5);
    QCOMPARE(item.text(0, u"teuro"_s), u"real"_s);   // empty: 0, not NULL
    QCOMPARE(item.number(0, u"euro"_s), 0.0);
    const ResultSet real = db.query(QStringLiteral("SELECT typeof(id) AS tid, id, typeof(lei) AS tlei, lei, proiect"
                                                   " FROM realiz"));
    QCOMPARE(real.text(0, u"tid"_s), u"integer"_s);
    QCOMPARE(real.integer(0, u"id"_s), 0);
    QCOMPARE(real.text(0, u"tlei"_s), u"real"_s);
    QCOMPARE(real.number(0, u"lei"_s), 250.5);
    QCOMPARE(real.text(0, u"proiect"_s), u" "_s);
    const ResultSet cat = db.query(QStringLiteral("SELECT id, typeof(fel) AS tfel, typeof(anexa2) AS tanexa,"
                                                  " typeof(cod2) AS tcod2, cod2 FROM cpv"));
    QCOMPARE(cat.count(), 1);
    QCOMPARE(cat.integer(0, u"id"_s), 7);
    for (const char *c : {"tfel", "tanexa", "tcod2"})
        QCOMPARE(cat.text(0, QLatin1String(c)), u"integer"_s);
    QCOMPARE(cat.integer(0, u"cod2"_s), 0);
}

QTEST_MAIN(TestExchange)
#include "test_exchange.moc"
