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

namespace {

const QStringList kTables{QStringLiteral("cpv"), QStringLiteral("program"), QStringLiteral("realiz"),
                          QStringLiteral("setare"), QStringLiteral("ds"), QStringLiteral("os"),
                          QStringLiteral("valid")};

QMap<QString, QStringList> dumpAll(Database &db)
{
    QMap<QString, QStringList> out;
    for (const QString &t : kTables)
        out.insert(t, tableDump(db, t));
    return out;
}

qint64 countRows(Database &db, const QString &from)
{
    return db.query(QStringLiteral("SELECT count(*) AS n FROM ") + from).integer(0, QStringLiteral("n"));
}

// A directorate's file: the working file's catalogue with one entry changed,
// two items of sub-unit 9 (one approved), one of another sub-unit, two realizations.
QString makeSource(Env &env, const QString &name)
{
    const QString path = env.path(name);
    copyDatabase(env.ctx->db(), path, QLatin1String(kDatabasePassword));
    auto src = Database::open(conexiuneC(path));
    src->exec(QStringLiteral("DELETE FROM program"));
    src->exec(QStringLiteral("UPDATE cpv SET den='Seminţe de la D''Ana' WHERE cod2=3111000"));
    src->exec(QStringLiteral("DELETE FROM cpv WHERE cod2=3111100"));
    src->exec(QStringLiteral("INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,"
                             "fond,idos,proced,anunt,proiect,realiz) VALUES(4,'productie',1500.5,300,'01.02.2026',"
                             "'20260201','01.03.2026','20260301','POP ION','PENTRU O''NEIL','proprii',9,"
                             "'licitatie','A1','',99)"));
    src->exec(QStringLiteral("INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,"
                             "fond,idos,proced,anunt,proiect) VALUES(5,'cercetare',NULL,NULL,'01.02.2026','20260201',"
                             "'01.03.2026','20260301','POP ION','X','cercetare',9,'','','PROIECT A')"));
    src->exec(QStringLiteral("INSERT INTO program (id,lei,idos,resp) VALUES(6,10,3,'ALTUL')"));
    src->exec(QStringLiteral("INSERT INTO realiz (id,contrnr,lei,actnr,actdata1,actdata2,idos,furniz,proiect) "
                             "VALUES(4,'C1',100,'F1','05.02.2026','20260205',9,'SC LEMN SRL','')"));
    src->exec(QStringLiteral("INSERT INTO realiz (id,contrnr,lei,actnr,actdata1,actdata2,idos,furniz,proiect) "
                             "VALUES(5,'C2',NULL,'F2','06.02.2026','20260206',9,'SC O''BRAD SRL','PROIECT A')"));
    src->exec(QStringLiteral("INSERT INTO realiz (id,contrnr,lei,idos) VALUES(6,'C3',5,3)"));
    return path;
}

Env *configuredEnv()
{
    auto *env = new Env;
    env->installDefaultFile();
    env->configure(2, 9, QStringLiteral("ARAD"), QStringLiteral("O.S. ARAD"));
    return env;
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
    std::unique_ptr<Env> env(configuredEnv());
    env->ctx->db().exec(QStringLiteral("INSERT INTO program (id,lei,idos,resp) VALUES(4,12.5,9,'ION')"));
    const QString target = env->path(QStringLiteral("trimis.mdb"));
    QFile old(target);   // an existing file, confirmed for overwrite in the dialog
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("previous export");
    old.close();
    env->files.nextPath = target;
    Mnu mnu(*env->ctx);
    mnu.action(QStringLiteral("mnutransman"))->trigger();
    QCOMPARE(env->files.lastTitle, QStringLiteral("Transmitere date achizitii in fisierul ....... "));
    QCOMPARE(env->files.lastFilter, QStringLiteral("Baza de date Access (*.mdb)"));
    QCOMPARE(env->messages.shown.size(), 1);
    const ShownMessage m = env->messages.shown.first();
    QCOMPARE(m.text, QStringLiteral("Transmiterea datelor in ") + target + QStringLiteral(" a fost efectuat "));
    QCOMPARE(m.title, QStringLiteral("Transmitere"));
    QCOMPARE(m.icon, MessageIcon::Information);
    auto copy = Database::open(conexiuneC(target), Database::Mode::ReadOnly);
    QCOMPARE(dumpAll(*copy), dumpAll(env->ctx->db()));
    // The working file keeps its password and stays usable.
    env->ctx->closeDb();
    QVERIFY(Database::open(conexiuneA(env->dir.path())));
    QVERIFY_THROWS_EXCEPTION(DbError, Database::open({target, QString()}, Database::Mode::ReadOnly));
}

void TestExchange::exportCancelAndSameFile()
{
    std::unique_ptr<Env> env(configuredEnv());
    const QStringList before = QDir(env->dir.path()).entryList(QDir::Files);
    env->files.nextPath.clear();
    exportToFile(*env->ctx, nullptr);
    QVERIFY(env->messages.shown.isEmpty());
    QCOMPARE(QDir(env->dir.path()).entryList(QDir::Files), before);

    const auto rows = dumpAll(env->ctx->db());
    env->files.nextPath = env->dir.path() + QStringLiteral("/./tendro.mdb");
    exportToFile(*env->ctx, nullptr);
    QCOMPARE(env->messages.shown.size(), 1);
    QVERIFY(env->messages.last().contains(QStringLiteral("fisierul de lucru")));
    QCOMPARE(dumpAll(env->ctx->db()), rows);
}

void TestExchange::exportFailureLeavesBothFiles()
{
    std::unique_ptr<Env> env(configuredEnv());
    const auto rows = dumpAll(env->ctx->db());
    env->files.nextPath = env->path(QStringLiteral("no/such/folder/x.mdb"));
    exportToFile(*env->ctx, nullptr);
    QCOMPARE(env->messages.shown.size(), 1);
    QVERIFY(env->messages.last().startsWith(QStringLiteral("Eroarea ")));
    QCOMPARE(env->messages.shown.first().title, QStringLiteral("Eroare"));

    // A destination whose partial copy cannot be replaced keeps its old bytes.
    const QString target = env->path(QStringLiteral("kept.mdb"));
    QFile f(target);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("kept");
    f.close();
    QVERIFY(QDir().mkpath(partialPathFor(target)));
    env->files.nextPath = target;
    exportToFile(*env->ctx, nullptr);
    QVERIFY(env->messages.last().startsWith(QStringLiteral("Eroarea ")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("kept"));
    env->ctx->closeDb();
    auto reopened = Database::open(conexiuneA(env->dir.path()));
    QCOMPARE(dumpAll(*reopened), rows);
}

void TestExchange::importWithoutItemsChangesNothing()
{
    std::unique_ptr<Env> env(configuredEnv());
    const QString source = makeSource(*env, QStringLiteral("sursa.mdb"));
    env->ctx->subunitate = {1, 1, QStringLiteral("ALBA IULIA"), QStringLiteral("O.S. ABRUD")};
    const auto before = dumpAll(env->ctx->db());
    env->files.nextPath = source;
    Mnu mnu(*env->ctx);
    mnu.action(QStringLiteral("mnuprelman"))->trigger();
    QCOMPARE(env->files.lastTitle, QStringLiteral("Preluarea datelor de achizitii din fisierul ....... "));
    QCOMPARE(env->messages.texts(), QStringList{QStringLiteral(" Fisierul selectat nu are date pentru O.S. ABRUD !!! ")});
    QCOMPARE(dumpAll(env->ctx->db()), before);
    QVERIFY(!QApplication::overrideCursor());
}

void TestExchange::importTakesProgrammeRealizationsAndCatalogue()
{
    std::unique_ptr<Env> env(configuredEnv());
    const QString source = makeSource(*env, QStringLiteral("sursa.mdb"));
    Database &db = env->ctx->db();
    db.exec(QStringLiteral("INSERT INTO program (id,lei,idos) VALUES(7,1,9)"));
    db.exec(QStringLiteral("INSERT INTO program (id,lei,idos) VALUES(7,1,3)"));
    db.exec(QStringLiteral("INSERT INTO realiz (id,lei,idos) VALUES(7,1,9)"));
    db.exec(QStringLiteral("INSERT INTO realiz (id,lei,idos) VALUES(7,1,3)"));
    const QByteArray sourceBytes = [&] {
        QFile f(source);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    env->messages.answers = {true, true};   // sure, and replace
    QVERIFY(importFile(*env->ctx, nullptr, source));
    QCOMPARE(env->messages.shown.size(), 3);
    QCOMPARE(env->messages.shown.at(0).text, QStringLiteral("Sunteti sigur ca doriti preluarea datelor din ") + source + QStringLiteral(" ? "));
    QCOMPARE(env->messages.shown.at(1).text, QStringLiteral("Doriti inlocuirea datelor existente cu cele ce se preiau ? "));
    QCOMPARE(env->messages.shown.at(2).text, QStringLiteral("Preluarea datelor din ") + source + QStringLiteral(" a fost efectuata "));
    QCOMPARE(env->messages.shown.at(2).title, QStringLiteral("Preluare date"));
    QVERIFY(!QApplication::overrideCursor());

    // Every item went (both sub-units), the source's two of sub-unit 9 came.
    const ResultSet items = db.query(QStringLiteral("SELECT * FROM program ORDER BY idp"));
    QCOMPARE(items.count(), 2);
    QCOMPARE(items.text(0, QStringLiteral("proced")), QStringLiteral("licitatie"));
    QCOMPARE(items.text(0, QStringLiteral("detal")), QStringLiteral("PENTRU O'NEIL"));
    QCOMPARE(items.number(0, QStringLiteral("lei")), 1500.5);
    QVERIFY(items.value(0, QStringLiteral("realiz")).isNull());
    QCOMPARE(items.integer(0, QStringLiteral("idos")), 9);
    QCOMPARE(items.number(1, QStringLiteral("lei")), 0.0);   // empty in the source
    QCOMPARE(items.text(1, QStringLiteral("proiect")), QStringLiteral("PROIECT A"));
    QCOMPARE(countRows(db, QStringLiteral("program WHERE proced<>''")), 1);   // one approved

    // Realizations of sub-unit 9 replaced, the other sub-unit's kept.
    const ResultSet real = db.query(QStringLiteral("SELECT * FROM realiz WHERE idos=9 ORDER BY idr"));
    QCOMPARE(real.count(), 2);
    QCOMPARE(real.text(0, QStringLiteral("proiect")), QStringLiteral(" "));
    QCOMPARE(real.text(1, QStringLiteral("proiect")), QStringLiteral("PROIECT A"));
    QCOMPARE(real.text(1, QStringLiteral("furniz")), QStringLiteral("SC O'BRAD SRL"));
    QCOMPARE(real.number(1, QStringLiteral("lei")), 0.0);
    QCOMPARE(countRows(db, QStringLiteral("realiz WHERE idos=3")), 1);

    auto src = Database::open(conexiuneC(source), Database::Mode::ReadOnly);
    QCOMPARE(tableDump(db, QStringLiteral("cpv")), tableDump(*src, QStringLiteral("cpv")));
    QCOMPARE(countRows(db, QStringLiteral("cpv WHERE cod2=30192120")), 0);   // the source had no utility row
    src.reset();
    QFile f(source);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), sourceBytes);   // the source is never written
}

void TestExchange::importAnsweredNoTwiceDoublesOnlyItems()
{
    std::unique_ptr<Env> env(configuredEnv());
    const QString source = makeSource(*env, QStringLiteral("sursa.mdb"));
    Database &db = env->ctx->db();
    db.exec(QStringLiteral("INSERT INTO program (id,lei,idos) VALUES(7,1,9)"));
    for (int i = 0; i < 2; ++i) {
        env->messages.answers = {true, false};
        QVERIFY(importFile(*env->ctx, nullptr, source));
    }
    QCOMPARE(countRows(db, QStringLiteral("program")), 1 + 2 * 2);
    QCOMPARE(countRows(db, QStringLiteral("realiz")), 2);
    QCOMPARE(countRows(db, QStringLiteral("cpv")), 9453);
}

void TestExchange::importDeclinedChangesNothing()
{
    std::unique_ptr<Env> env(configuredEnv());
    const QString source = makeSource(*env, QStringLiteral("sursa.mdb"));
    const auto before = dumpAll(env->ctx->db());
    env->messages.answers = {false};
    QVERIFY(!importFile(*env->ctx, nullptr, source));
    QCOMPARE(env->messages.shown.size(), 1);
    QCOMPARE(dumpAll(env->ctx->db()), before);
    // Cancelling the dialog asks nothing.
    env->files.nextPath.clear();
    importFromFile(*env->ctx, nullptr);
    QCOMPARE(env->messages.shown.size(), 1);
}

void TestExchange::importFailureMidwayLeavesTheFileAsItWas()
{
    std::unique_ptr<Env> env(configuredEnv());
    env->ctx->db().exec(QStringLiteral("INSERT INTO program (id,lei,idos) VALUES(7,1,9)"));
    env->ctx->db().exec(QStringLiteral("INSERT INTO realiz (id,lei,idos) VALUES(7,1,9)"));
    // A source whose catalogue repeats an id fails at its last table, after
    // the items and realizations were already written.
    const QString source = env->path(QStringLiteral("rau.mdb"));
    {
        auto src = Database::open(conexiuneC(source), Database::Mode::Create);
        createSchema(*src);
        src->execScript(QStringLiteral("DROP TABLE cpv; CREATE TABLE cpv (id INTEGER, cod TEXT, den TEXT, fel INTEGER,"
                                       " anexa2 INTEGER, lista INTEGER, cod2 INTEGER)"));
        src->exec(QStringLiteral("INSERT INTO cpv VALUES(1,'03000000-1','A',1,0,1,3000000)"));
        src->exec(QStringLiteral("INSERT INTO cpv VALUES(1,'03100000-2','B',1,0,0,3100000)"));
        src->exec(QStringLiteral("INSERT INTO program (id,lei,idos,proced) VALUES(1,5,9,'licitatie')"));
        src->exec(QStringLiteral("INSERT INTO realiz (id,lei,idos) VALUES(1,5,9)"));
    }
    const auto before = dumpAll(env->ctx->db());
    env->messages.answers = {true, true};
    QVERIFY(!importFile(*env->ctx, nullptr, source));
    const ShownMessage m = env->messages.shown.last();
    QVERIFY2(m.text.startsWith(QStringLiteral("Eroarea 19 ")), qPrintable(m.text));
    QCOMPARE(m.title, QStringLiteral("Eroare"));
    QCOMPARE(m.icon, MessageIcon::Information);
    QCOMPARE(dumpAll(env->ctx->db()), before);
    QVERIFY(!QApplication::overrideCursor());

    // A source that lacks a table fails the same way.
    const QString partial = env->path(QStringLiteral("fara_realiz.mdb"));
    {
        auto src = Database::open(conexiuneC(partial), Database::Mode::Create);
        createSchema(*src);
        src->execScript(QStringLiteral("DROP TABLE realiz"));
        src->exec(QStringLiteral("INSERT INTO program (id,lei,idos) VALUES(1,5,9)"));
        src->exec(QStringLiteral("INSERT INTO cpv (id,cod,den,fel,cod2) VALUES(1,'03000000-1','A',1,3000000)"));
    }
    env->messages.answers = {true, true};
    QVERIFY(!importFile(*env->ctx, nullptr, partial));
    QVERIFY(env->messages.last().startsWith(QStringLiteral("Eroarea 1 no such table: realiz")));
    QCOMPARE(dumpAll(env->ctx->db()), before);
}

void TestExchange::importRefusesAFileWithAnotherPassword()
{
    std::unique_ptr<Env> env(configuredEnv());
    const auto before = dumpAll(env->ctx->db());
    for (const QString &key : {QStringLiteral("alta parola"), QString()}) {
        const QString path = env->path(key.isEmpty() ? QStringLiteral("plain.mdb") : QStringLiteral("other.mdb"));
        {
            auto src = Database::open({path, key}, Database::Mode::Create);
            createSchema(*src);
            src->exec(QStringLiteral("INSERT INTO program (id,lei,idos) VALUES(1,5,9)"));
        }
        env->messages.shown.clear();
        QVERIFY(!importFile(*env->ctx, nullptr, path));
        QCOMPARE(env->messages.texts(),
                 QStringList{QStringLiteral("Eroarea 26 file is encrypted or is not a database")});
        QCOMPARE(dumpAll(env->ctx->db()), before);
    }
}

void TestExchange::importRefusesASourceWithoutCatalogue()
{
    std::unique_ptr<Env> env(configuredEnv());
    const QString source = makeSource(*env, QStringLiteral("fara_cpv.mdb"));
    {
        auto src = Database::open(conexiuneC(source));
        src->exec(QStringLiteral("DELETE FROM cpv"));
    }
    const auto before = dumpAll(env->ctx->db());
    env->messages.answers = {true, true};
    QVERIFY(!importFile(*env->ctx, nullptr, source));
    QCOMPARE(env->messages.texts(),
             QStringList{QStringLiteral(" Fisierul selectat nu contine nomenclatorul CPV. Preluarea nu s-a facut. ")});
    QCOMPARE(dumpAll(env->ctx->db()), before);
    QVERIFY(!QApplication::overrideCursor());
}

void TestExchange::importStoresNumbersWhateverTheSourceHolds()
{
    std::unique_ptr<Env> env(configuredEnv());
    // An older source: realizations without a project column, and numbers
    // kept as text, bytes or nothing.
    const QString source = env->path(QStringLiteral("vechi.mdb"));
    {
        auto src = Database::open(conexiuneC(source), Database::Mode::Create);
        createSchema(*src);
        src->execScript(QStringLiteral("DROP TABLE realiz; CREATE TABLE realiz (idr INTEGER PRIMARY KEY, id, contrnr,"
                                       " contrdata1, contrdata2, lei, actnr, actdata1, actdata2, idos, furniz, refer,"
                                       " denumach)"));
        src->execScript(QStringLiteral("DROP TABLE program; CREATE TABLE program (idp INTEGER PRIMARY KEY, id, activit,"
                                       " lei, euro, datainc1, datainc2, datafin1, datafin2, resp, detal, fond, idos,"
                                       " proced, anunt, proiect, realiz)"));
        src->execScript(QStringLiteral("DROP TABLE cpv; CREATE TABLE cpv (id, cod, den, fel, anexa2, lista, cod2)"));
        src->exec(QStringLiteral("INSERT INTO cpv (id,cod,den,fel,anexa2,lista,cod2) VALUES(?,?,?,?,?,?,?)"),
                  {QStringLiteral("7x"), QStringLiteral("03000000-1"), QStringLiteral("A"), QByteArray("1"), QVariant(),
                   QStringLiteral("1"), QByteArray("\x01\x02")});
        src->exec(QStringLiteral("INSERT INTO program (id,lei,euro,idos,proced) VALUES(?,?,?,9,'licitatie')"),
                  {QByteArray("7"), QStringLiteral("12.5 lei"), QVariant()});
        src->exec(QStringLiteral("INSERT INTO realiz (id,lei,idos,furniz) VALUES(?,?,9,'SC X')"),
                  {QStringLiteral("abc"), QByteArray("250.5")});
    }
    env->messages.answers = {true, true};
    QVERIFY2(importFile(*env->ctx, nullptr, source), qPrintable(env->messages.last()));
    Database &db = env->ctx->db();
    const ResultSet item = db.query(QStringLiteral("SELECT typeof(id) AS tid, id, typeof(lei) AS tlei, lei,"
                                                   " typeof(euro) AS teuro, euro FROM program"));
    QCOMPARE(item.count(), 1);
    QCOMPARE(item.text(0, QStringLiteral("tid")), QStringLiteral("integer"));
    QCOMPARE(item.integer(0, QStringLiteral("id")), 7);
    QCOMPARE(item.text(0, QStringLiteral("tlei")), QStringLiteral("real"));
    QCOMPARE(item.number(0, QStringLiteral("lei")), 12.5);
    QCOMPARE(item.text(0, QStringLiteral("teuro")), QStringLiteral("real"));   // empty: 0, not NULL
    QCOMPARE(item.number(0, QStringLiteral("euro")), 0.0);
    const ResultSet real = db.query(QStringLiteral("SELECT typeof(id) AS tid, id, typeof(lei) AS tlei, lei, proiect"
                                                   " FROM realiz"));
    QCOMPARE(real.text(0, QStringLiteral("tid")), QStringLiteral("integer"));
    QCOMPARE(real.integer(0, QStringLiteral("id")), 0);
    QCOMPARE(real.text(0, QStringLiteral("tlei")), QStringLiteral("real"));
    QCOMPARE(real.number(0, QStringLiteral("lei")), 250.5);
    QCOMPARE(real.text(0, QStringLiteral("proiect")), QStringLiteral(" "));
    const ResultSet cat = db.query(QStringLiteral("SELECT id, typeof(fel) AS tfel, typeof(anexa2) AS tanexa,"
                                                  " typeof(cod2) AS tcod2, cod2 FROM cpv"));
    QCOMPARE(cat.count(), 1);
    QCOMPARE(cat.integer(0, QStringLiteral("id")), 7);
    for (const char *c : {"tfel", "tanexa", "tcod2"})
        QCOMPARE(cat.text(0, QLatin1String(c)), QStringLiteral("integer"));
    QCOMPARE(cat.integer(0, QStringLiteral("cod2")), 0);
}

QTEST_MAIN(TestExchange)
#include "test_exchange.moc"
