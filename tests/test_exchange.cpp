// Export to a file and import from a file: what arrives, what is refused,
// and that a failure leaves the working file as it was.

#include "fakes.h"
#include "steps.h"
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

// A source that the import must refuse, or fail on, leaving the file as it was.
QString makeBadSource(Env &env, const QString &kind)
{
    if (kind == "other sub-unit"_L1 || kind == "no catalogue"_L1 || kind == "declined"_L1) {
        const QString path = makeSource(env, kind + u".mdb"_s);
        auto src = Database::open(conexiuneC(path));
        if (kind != "declined"_L1)
            src->exec(kind == "no catalogue"_L1 ? u"DELETE FROM cpv"_s : u"UPDATE program SET idos=3"_s);
        return path;
    }
    const QString path = env.path(kind + u".mdb"_s);
    auto src = Database::open({path, kind == "plain file"_L1 ? QString() : kind == "other password"_L1 ? u"alta"_s
                                                                                       : QLatin1String(kDatabasePassword)},
                              Database::Mode::Create);
    createSchema(*src);
    src->exec(u"INSERT INTO program (id,lei,idos,proced) VALUES(1,5,9,'licitatie')"_s);
    src->exec(u"INSERT INTO realiz (id,lei,idos) VALUES(1,5,9)"_s);
    if (kind == "repeated catalogue id"_L1) {
        // Fails at its last table, after items and realizations were written.
        src->execScript(QStringLiteral("DROP TABLE cpv; CREATE TABLE cpv (id INTEGER, cod TEXT, den TEXT, fel INTEGER,"
                                       " anexa2 INTEGER, lista INTEGER, cod2 INTEGER)"));
        src->exec(u"INSERT INTO cpv VALUES(1,'03000000-1','A',1,0,1,3000000)"_s);
        src->exec(u"INSERT INTO cpv VALUES(1,'03100000-2','B',1,0,0,3100000)"_s);
    } else if (kind == "no realizations table"_L1) {
        src->execScript(u"DROP TABLE realiz"_s);
        src->exec(u"INSERT INTO cpv (id,cod,den,fel,cod2) VALUES(1,'03000000-1','A',1,3000000)"_s);
    }
    return path;
}

} // namespace

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void exportToAFile_data();
    void exportToAFile();
    void importRefusedOrFailedChangesNothing_data();
    void importRefusedOrFailedChangesNothing();
    void importTakesProgrammeRealizationsAndCatalogue();
    void importAnsweredNoTwiceDoublesOnlyItems();
    void importStoresNumbersWhateverTheSourceHolds();
};

void TestExchange::exportToAFile_data()
{
    QTest::addColumn<QString>("target");   // relative to the program's folder; empty: cancelled
    QTest::addColumn<QString>("message");  // its start, with <target> for the path
    QTest::newRow("over an older export") << "trimis.mdb" << "Transmiterea datelor in <target> a fost efectuat ";
    QTest::newRow("cancelled") << "" << "";
    QTest::newRow("the working file") << "./tendro.mdb" << " Fisierul ales este chiar fisierul de lucru";
    QTest::newRow("missing folder") << "no/such/folder/x.mdb" << "Eroarea ";
}

// The copy itself is the store's (keyed, checked, renamed into place);
// the export adds the dialog, its refusals and its messages.
void TestExchange::exportToAFile()
{
    QFETCH(QString, target);
    QFETCH(QString, message);
    Env env(u"O.S. ARAD"_s);
    env.db().exec(u"INSERT INTO program (id,lei,idos,resp) VALUES(4,12.5,9,'ION')"_s);
    const auto before = dumpAll(env.db());
    const QString path = target.isEmpty() ? QString() : env.dir.path() + u"/"_s + target;
    if (target == "trimis.mdb"_L1) {
        QFile old(path);   // confirmed for overwrite in the dialog
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("previous export") > 0);
    }
    env.files.nextPath = path;
    Mnu mnu(*env.ctx);
    mnu.action(u"mnutransman"_s)->trigger();
    QCOMPARE(env.files.lastTitle, u"Transmitere date achizitii in fisierul ....... "_s);
    QCOMPARE(env.files.lastFilter, u"Baza de date Access (*.mdb)"_s);
    QCOMPARE(env.messages.shown.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(env.messages.last().startsWith(QString(message).replace(u"<target>"_s, path)), qPrintable(env.messages.last()));
    if (message.startsWith("Transmiterea"_L1)) {
        QCOMPARE(env.messages.shown.first().title, u"Transmitere"_s);
        QCOMPARE(env.messages.shown.first().icon, MessageIcon::Information);
        auto copy = Database::open(conexiuneC(path), Database::Mode::ReadOnly);
        QCOMPARE(dumpAll(*copy), before);
    } else if (message.startsWith("Eroarea"_L1)) {
        QCOMPARE(env.messages.shown.first().title, u"Eroare"_s);
    }
    // The working file keeps its password and its rows.
    env.ctx->closeDb();
    QCOMPARE(dumpAll(*Database::open(conexiuneA(env.dir.path()))), before);
}

void TestExchange::importRefusedOrFailedChangesNothing_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QString>("message");   // the last message's start
    const QList<bool> yes{true, true};
    QTest::newRow("no items of the sub-unit") << "other sub-unit" << yes << " Fisierul selectat nu are date pentru O.S. ARAD !!! ";
    QTest::newRow("no catalogue") << "no catalogue" << yes << " Fisierul selectat nu contine nomenclatorul CPV. Preluarea nu s-a facut. ";
    QTest::newRow("declined") << "declined" << QList<bool>{false} << "Sunteti sigur ca doriti preluarea datelor din ";
    QTest::newRow("another password") << "other password" << yes << "Eroarea 26 file is encrypted or is not a database";
    QTest::newRow("plain file") << "plain file" << yes << "Eroarea 26 file is encrypted or is not a database";
    QTest::newRow("fails at its last table") << "repeated catalogue id" << yes << "Eroarea 19 ";
    QTest::newRow("lacks a table") << "no realizations table" << yes << "Eroarea 1 no such table: realiz";
}

void TestExchange::importRefusedOrFailedChangesNothing()
{
    QFETCH(QString, source);
    QFETCH(QList<bool>, answers);
    QFETCH(QString, message);
    Env env(u"O.S. ARAD"_s);
    env.db().exec(u"INSERT INTO program (id,lei,idos) VALUES(7,1,9)"_s);
    env.db().exec(u"INSERT INTO realiz (id,lei,idos) VALUES(7,1,9)"_s);
    const QString path = makeBadSource(env, source);
    const auto before = dumpAll(env.db());
    env.messages.answers = answers;
    env.files.nextPath = path;
    Mnu mnu(*env.ctx);
    mnu.action(u"mnuprelman"_s)->trigger();
    QCOMPARE(env.files.lastTitle, u"Preluarea datelor de achizitii din fisierul ....... "_s);
    QVERIFY2(env.messages.last().startsWith(message), qPrintable(env.messages.last()));
    if (message.startsWith("Eroarea"_L1))
        QCOMPARE(env.messages.shown.last().title, u"Eroare"_s);
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
    QFile f(source);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray sourceBytes = f.readAll();
    f.close();
    env.messages.answers = {true, true};   // sure, and replace
    QVERIFY(importFile(*env.ctx, nullptr, source));
    QCOMPARE(env.messages.texts(), (QStringList{u"Sunteti sigur ca doriti preluarea datelor din "_s + source + u" ? "_s,
                                                u"Doriti inlocuirea datelor existente cu cele ce se preiau ? "_s,
                                                u"Preluarea datelor din "_s + source + u" a fost efectuata "_s}));
    QCOMPARE(env.messages.shown.at(2).title, u"Preluare date"_s);
    // Every item went (both sub-units), the source's two of sub-unit 9 came.
    QCOMPARE(queryRows(db, u"SELECT id,lei,euro,proced,detal,proiect,idos,realiz FROM program ORDER BY idp"_s),
             (QStringList{u"4|1500.5|300|licitatie|PENTRU O'NEIL||9|<null>"_s, u"5|0|0||X|PROIECT A|9|<null>"_s}));
    // Realizations of sub-unit 9 replaced, the other sub-unit's kept.
    QCOMPARE(queryRows(db, u"SELECT id,contrnr,lei,furniz,proiect,idos FROM realiz ORDER BY idos,idr"_s),
             (QStringList{u"7||1|||3"_s, u"4|C1|100|SC LEMN SRL| |9"_s, u"5|C2|0|SC O'BRAD SRL|PROIECT A|9"_s}));
    auto src = Database::open(conexiuneC(source), Database::Mode::ReadOnly);
    QCOMPARE(tableDump(db, u"cpv"_s), tableDump(*src, u"cpv"_s));
    src.reset();
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), sourceBytes);   // the source is never written
}

void TestExchange::importAnsweredNoTwiceDoublesOnlyItems()
{
    Env env(u"O.S. ARAD"_s);
    const QString source = makeSource(env, u"sursa.mdb"_s);
    env.db().exec(u"INSERT INTO program (id,lei,idos) VALUES(7,1,9)"_s);
    for (int i = 0; i < 2; ++i) {
        env.messages.answers = {true, false};
        QVERIFY(importFile(*env.ctx, nullptr, source));
    }
    QCOMPARE(env.count(u"program"_s), 1 + 2 * 2);
    QCOMPARE(env.count(u"realiz"_s), 2);
    QCOMPARE(env.count(u"cpv"_s), 9453);
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
        src->exec(u"INSERT INTO realiz (id,lei,idos,furniz) VALUES(?,?,9,'SC X')"_s, {u"abc"_s, QByteArray("250.5")});
    }
    env.messages.answers = {true, true};
    QVERIFY2(importFile(*env.ctx, nullptr, source), qPrintable(env.messages.last()));
    // An empty number goes in as 0, not NULL; no text or bytes reach a numeric column.
    QCOMPARE(queryRows(env.db(), u"SELECT typeof(id),id,typeof(lei),lei,typeof(euro),euro FROM program"_s),
             QStringList{u"integer|7|real|12.5|real|0"_s});
    QCOMPARE(queryRows(env.db(), u"SELECT typeof(id),id,typeof(lei),lei,proiect FROM realiz"_s),
             QStringList{u"integer|0|real|250.5| "_s});
    QCOMPARE(queryRows(env.db(), u"SELECT id,typeof(fel),typeof(anexa2),typeof(cod2),cod2 FROM cpv"_s),
             QStringList{u"7|integer|integer|integer|0"_s});
}

QTEST_MAIN(TestExchange)
#include "test_exchange.moc"
