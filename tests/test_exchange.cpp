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
#include "store/foreign.h"
#include "store/schema.h"

#include <QAction>
#include <QApplication>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

QMap<QString, QStringList> dumpAll(Database &db)
{
    QMap<QString, QStringList> out;
    for (const QString &t : {u"cpv"_s, u"program"_s, u"realiz"_s, u"setare"_s, u"ds"_s, u"os"_s, u"valid"_s})
        out.insert(t, tableDump(db, t));
    return out;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A directorate's file: the working file's catalogue with one entry changed, two items of sub-unit 9 (one
// approved), one of another sub-unit, two realizations of sub-unit 9, one of the other; then `change`.
QString makeSource(Env &env, const QString &change = {}, const QString &key = QLatin1String(kDatabasePassword))
{
    const QString path = env.path(u"sursa.mdb"_s);
    copyDatabase(env.db(), path, key);
    Database::open({path, key})->execScript(QStringLiteral(
        "DELETE FROM program; DELETE FROM realiz; DELETE FROM cpv WHERE cod2=3111100;"
        "UPDATE cpv SET den='Seminţe de la D''Ana' WHERE cod2=3111000;"
        "INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,fond,idos,proced,"
        "anunt,proiect,realiz) VALUES(4,'productie',1500.5,300,'01.02.2026','20260201','01.03.2026','20260301',"
        "'POP ION','PENTRU O''NEIL','proprii',9,'licitatie','A1','',99), (5,'cercetare',NULL,NULL,'02.02.2026',"
        "'20260202','02.03.2026','20260302','RUS ANA','X','cercetare',9,'','','PROIECT A',NULL);"
        "INSERT INTO program (id,lei,idos,resp) VALUES(6,10,3,'ALTUL');"
        "INSERT INTO realiz (id,contrnr,contrdata1,contrdata2,lei,actnr,actdata1,actdata2,idos,furniz,refer,denumach,"
        "proiect) VALUES(4,'C1','01.02.2026','20260201',100,'F1','05.02.2026','20260205',9,'SC LEMN SRL','R1',"
        "'MOBILIER',''), (5,'C2',NULL,NULL,NULL,'F2','06.02.2026','20260206',9,'SC O''BRAD SRL',NULL,NULL,'PROIECT A');"
        "INSERT INTO realiz (id,contrnr,lei,idos) VALUES(6,'C3',5,3);") + change);
    return path;
}

} // namespace

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void exportToAFile();
    void importRefusedOrFailedChangesNothing();
    void importTakesProgrammeRealizationsAndCatalogue();
    void importStoresNumbersWhateverTheSourceHolds();
    void importReadsOnlyPlainTablesInAProcessOfItsOwn();
};

// The copy itself is the store's (keyed, checked, renamed into place);
// the export adds the dialog, its refusals and its messages.
void TestExchange::exportToAFile()
{
    // The target in the program's folder, empty: cancelled; the message's start, <target> for the path.
    const struct { const char *name; QString target, message, title; MessageIcon icon; } cases[] = {
        {"over an older export", u"trimis.mdb"_s, u"Transmiterea datelor in <target> a fost efectuat "_s,
         u"Transmitere"_s, MessageIcon::Information},
        {"cancelled", {}, {}, {}, MessageIcon::None},
        {"the working file", u"./tendro.mdb"_s, u" Fisierul ales este chiar fisierul de lucru"_s, u"TENDRO"_s,
         MessageIcon::None},
        {"missing folder", u"no/such/folder/x.mdb"_s, u"Eroarea 14 unable to open database file\nFisierul <target>: "
                                                     "dispozitivul a fost scos "_s, u"Eroare"_s, MessageIcon::Information}};
    for (const auto &c : cases) {
        Env env(u"O.S. ARAD"_s);
        env.db().exec(u"INSERT INTO program (id,lei,idos,resp) VALUES(4,12.5,9,'ION')"_s);
        const auto before = dumpAll(env.db());
        const QString path = c.target.isEmpty() ? QString() : env.path(c.target);
        if (QFile old(path); c.title == "Transmitere"_L1)   // an older export, confirmed for overwrite in the dialog
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("previous export") > 0);
        env.files.nextPath = path;
        Mnu mnu(*env.ctx);
        mnu.action(u"mnutransman"_s)->trigger();
        QCOMPARE(env.files.lastTitle + env.files.lastFilter,
                 u"Transmitere date achizitii in fisierul ....... Baza de date Access (*.mdb)"_s);
        const ShownMessage shown = env.messages.shown.value(0);
        QVERIFY2(env.messages.shown.size() == (c.message.isEmpty() ? 0 : 1)
                     && shown.text.startsWith(QString(c.message).replace(u"<target>"_s, path)) && shown.title == c.title
                     && shown.icon == c.icon,
                 qPrintable(c.name + u": "_s + shown.title + u": "_s + shown.text));
        // The copy carries everything but the user's password: `valid` without its row.
        if (c.title == "Transmitere"_L1) {
            auto expected = before;
            expected[u"valid"_s] = {};
            QCOMPARE(dumpAll(*Database::open(conexiuneC(path), Database::Mode::ReadOnly)), expected);
        }
        // The working file keeps its password and its rows.
        env.ctx->closeDb();
        QCOMPARE(dumpAll(*Database::open(conexiuneA(env.dir.path()))), before);
    }
}

void TestExchange::importRefusedOrFailedChangesNothing()
{
    const QString notKeyed = u"Eroarea 26 file is encrypted or is not a database"_s;
    const QString password = QLatin1String(kDatabasePassword);
    // What is made of the directorate's file; whether the user is sure; the last message's start.
    const struct { const char *name; QString change, key; bool sure; QString message; } cases[] = {
        {"no items of the sub-unit", u"UPDATE program SET idos=3"_s, password, true,
         u" Fisierul selectat nu are date pentru O.S. ARAD !!! "_s},
        {"no catalogue", u"DELETE FROM cpv"_s, password, true,
         u" Fisierul selectat nu contine nomenclatorul CPV. Preluarea nu s-a facut. "_s},
        {"declined", {}, password, false, u"Sunteti sigur ca doriti preluarea datelor din "_s},
        {"another password", {}, u"alta"_s, true, notKeyed},
        {"plain file", {}, QString(), true, notKeyed},
        // Fails at its last table, after items and realizations were written.
        {"repeated catalogue id", u"DROP TABLE cpv; CREATE TABLE cpv (id INTEGER, cod TEXT, den TEXT, fel INTEGER, "
                                  "anexa2 INTEGER, lista INTEGER, cod2 INTEGER); INSERT INTO cpv VALUES"
                                  "(1,'03000000-1','A',1,0,1,3000000), (1,'03100000-2','B',1,0,0,3100000)"_s,
         password, true, u"Eroarea 19 "_s},
        {"no realizations table", u"DROP TABLE realiz"_s, password, true, u"Eroarea 1 no such table: realiz"_s}};
    for (const auto &c : cases) {
        Env env(u"O.S. ARAD"_s);
        env.db().execScript(u"INSERT INTO program (id,lei,idos) VALUES(7,1,9); "
                            "INSERT INTO realiz (id,lei,idos) VALUES(7,1,9)"_s);
        env.files.nextPath = makeSource(env, c.change, c.key);
        const auto before = dumpAll(env.db());
        env.messages.answers = {c.sure, true};
        Mnu mnu(*env.ctx);
        mnu.action(u"mnuprelman"_s)->trigger();
        QCOMPARE(env.files.lastTitle, u"Preluarea datelor de achizitii din fisierul ....... "_s);
        const ShownMessage shown = env.messages.shown.value(env.messages.shown.size() - 1);
        const QString title = c.message.startsWith("Eroarea"_L1) ? u"Eroare"_s : u"TENDRO"_s;
        QVERIFY2(shown.text.startsWith(c.message) && shown.title == title,
                 qPrintable(c.name + u": "_s + shown.title + u": "_s + shown.text));
        QVERIFY2(dumpAll(env.db()) == before, c.name);
        QVERIFY(!QApplication::overrideCursor());
    }
}

void TestExchange::importTakesProgrammeRealizationsAndCatalogue()
{
    Env env(u"O.S. ARAD"_s);
    const QString source = makeSource(env);
    env.db().execScript(u"INSERT INTO program (id,lei,idos) VALUES(7,1,9), (7,1,3);"
                        "INSERT INTO realiz (id,lei,idos) VALUES(7,1,9), (7,1,3)"_s);
    const QByteArray sourceBytes = fileBytes(source);
    env.messages.answers = {true, true};   // sure, and replace
    QVERIFY(importFile(*env.ctx, nullptr, source));
    // The question says before anything changes what goes: here a realization the file does not carry.
    QCOMPARE(env.messages.texts(), (QStringList{u"Sunteti sigur ca doriti preluarea datelor din "_s + source + u" ? "_s,
                                                u"Doriti inlocuirea datelor existente cu cele ce se preiau ? \n Se vor "
                                                "inlocui 1 realizari; 1 dintre ele nu se afla in fisierul preluat si se "
                                                "vor pierde. "_s,
                                                u"Preluarea datelor din "_s + source + u" a fost efectuata "_s}));
    QCOMPARE(env.messages.shown.at(2).title, u"Preluare date"_s);
    // Every item went (both sub-units), the source's two of sub-unit 9 came, approved or not, each with an identity.
    QCOMPARE(queryRows(env.db(), u"SELECT id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,fond,idos,"
                                 "proced,anunt,proiect,realiz,length(uid) FROM program ORDER BY idp"_s),
             (QStringList{u"4|productie|1500.5|300|01.02.2026|20260201|01.03.2026|20260301|POP ION|PENTRU O'NEIL|"
                          "proprii|9|licitatie|A1||<null>|36"_s,
                          u"5|cercetare|0|0|02.02.2026|20260202|02.03.2026|20260302|RUS ANA|X|cercetare|9|||PROIECT A|"
                          "<null>|36"_s}));
    // Realizations of sub-unit 9 replaced, the other sub-unit's kept; the file's older rows each name their item.
    const QString realizations = u"SELECT r.id,contrnr,contrdata1,contrdata2,r.lei,actnr,actdata1,actdata2,r.idos,furniz,"
                                 "refer,denumach,r.proiect,p.id FROM realiz r LEFT JOIN program p ON p.uid=r.uidp"
                                 " ORDER BY r.idos,r.furniz"_s;
    const QStringList taken{u"7||||1||||3|||||<null>"_s, u"4|C1|01.02.2026|20260201|100|F1|05.02.2026|20260205|9|"
                            "SC LEMN SRL|R1|MOBILIER| |4"_s, u"5|C2|||0|F2|06.02.2026|20260206|9|SC O'BRAD SRL|||PROIECT A|5"_s};
    QCOMPARE(queryRows(env.db(), realizations), taken);
    QCOMPARE(tableDump(env.db(), u"cpv"_s), tableDump(*Database::open(conexiuneC(source)), u"cpv"_s));
    QCOMPARE(fileBytes(source), sourceBytes);   // the source is never written

    // An invoice typed since; the older file taken again, joined, twice: nothing doubles, the invoice stays.
    env.db().exec(u"INSERT INTO realiz (id,lei,idos,proiect,furniz,uid,uidp) SELECT 4,9.5,9,' ','SC NOU','r-nou',uid"
                  " FROM program WHERE id=4"_s);
    const QString identities = u"SELECT p.id||':'||p.uid FROM program p ORDER BY p.idp"_s;
    const QStringList items = queryRows(env.db(), identities);
    for (int i = 0; i < 2; ++i) {
        env.messages.shown.clear();
        env.messages.answers = {true, false};
        QVERIFY(importFile(*env.ctx, nullptr, source));
        QCOMPARE(env.messages.texts().mid(1), (QStringList{u"Doriti inlocuirea datelor existente cu cele ce se preiau ? "
                                                           "\n Se vor inlocui 2 realizari; 0 dintre ele nu se afla in "
                                                           "fisierul preluat si se vor pierde. "_s,
                                                           u"Preluarea datelor din "_s + source + u" a fost efectuata \n Au "
                                                           "fost pastrate 1 realizari inregistrate dupa crearea fisierului "
                                                           "preluat. "_s}));
    }
    QCOMPARE(queryRows(env.db(), identities), items);
    QCOMPARE(queryRows(env.db(), realizations),
             (QStringList{taken.at(0), taken.at(1), u"4||||9.5||||9|SC NOU||| |4"_s, taken.at(2)}));

    // The file sent and taken back, replaced and then joined twice: every item and realization keeps its identity.
    const QString sent = env.path(u"trimis.mdb"_s);
    copyDatabase(env.db(), sent, QLatin1String(kDatabasePassword));
    const QString everything = u"SELECT r.uid||'>'||p.uid FROM realiz r JOIN program p ON p.uid=r.uidp ORDER BY r.uid"_s;
    const QStringList ties = queryRows(env.db(), everything);
    for (const bool replace : {true, false, false}) {
        env.messages.answers = {true, replace};
        QVERIFY(importFile(*env.ctx, nullptr, sent));
        QCOMPARE(queryRows(env.db(), identities), items);
        QCOMPARE(queryRows(env.db(), everything), ties);
    }
    QCOMPARE(u"%1 %2 %3"_s.arg(env.count(u"program"_s)).arg(env.count(u"realiz"_s)).arg(env.count(u"cpv"_s)),
             u"2 4 9453"_s);
}

void TestExchange::importStoresNumbersWhateverTheSourceHolds()
{
    Env env(u"O.S. ARAD"_s);
    // An older source: realizations without a project column, and numbers kept as text, bytes or nothing.
    const QString source = env.path(u"vechi.mdb"_s);
    {
        auto src = Database::open(conexiuneC(source), Database::Mode::Create);
        src->execScript(QStringLiteral(
            "CREATE TABLE realiz (idr INTEGER PRIMARY KEY, id, contrnr, contrdata1, contrdata2, lei, actnr, actdata1,"
            " actdata2, idos, furniz, refer, denumach); CREATE TABLE program (idp INTEGER PRIMARY KEY, id, activit,"
            " lei, euro, datainc1, datainc2, datafin1, datafin2, resp, detal, fond, idos, proced, anunt, proiect,"
            " realiz);"
            " CREATE TABLE cpv (id, cod, den, fel, anexa2, lista, cod2)"));
        src->exec(u"INSERT INTO cpv (id,cod,den,fel,anexa2,lista,cod2) VALUES(?,?,?,?,?,?,?)"_s,
                  {u"7x"_s, u"03000000-1"_s, u"A"_s, QByteArray("1"), QVariant(), u"1"_s, QByteArray("\x01\x02")});
        src->exec(u"INSERT INTO program (id,lei,euro,idos,proced,resp,detal) VALUES(?,?,?,9,'licitatie',?,?)"_s,
                  {QByteArray("7"), u"12.5 lei"_s, QVariant(), QString(41, u'R'), QString(201, u'D')});
        src->exec(u"INSERT INTO realiz (id,lei,idos,furniz) VALUES(?,?,9,'SC X')"_s, {u"abc"_s, QByteArray("250.5")});
    }
    env.messages.answers = {true, true};
    QVERIFY2(importFile(*env.ctx, nullptr, source), qPrintable(env.messages.last()));
    // An empty number goes in as 0, not NULL; no text or bytes reach a numeric column.
    // Texts longer than their boxes take are cut there.
    QCOMPARE(queryRows(env.db(), u"SELECT typeof(id),id,typeof(lei),lei,typeof(euro),euro,length(resp),length(detal)"
                                 " FROM program"_s),
             QStringList{u"integer|7|real|12.5|real|0|40|200"_s});
    QCOMPARE(queryRows(env.db(), u"SELECT typeof(id),id,typeof(lei),lei,proiect FROM realiz"_s),
             QStringList{u"integer|0|real|250.5| "_s});
    QCOMPARE(queryRows(env.db(), u"SELECT id,typeof(fel),typeof(anexa2),typeof(cod2),cod2 FROM cpv"_s),
             QStringList{u"7|integer|integer|integer|0"_s});
}

// A file built to run code in the program, or to bring the engine down, is refused with one message before
// anything is asked, and the working file stays as it was; so is a reader that hangs or says nonsense.
void TestExchange::importReadsOnlyPlainTablesInAProcessOfItsOwn()
{
    const QString unknown = QLatin1String(kUnknownObjectsMessage), unreadable = QLatin1String(kUnreadableMessage);
    // hostileFile's kind, or a reader of the test's own ("#!" a script, "" none); the one message.
    const struct { const char *file; QString message; } cases[] = {
        {"view", unknown}, {"virtual", unknown}, {"trigger", unknown}, {"schema", unreadable}, {"long", unreadable},
        {"#!/bin/sh\nexec sleep 30\n", unreadable}, {"#!/bin/sh\ncat >/dev/null; echo TNDR garbage\n", unreadable},
        {"", u"Eroarea 14 unable to start <folder>/reader.sh\n Instalarea programului nu este completa. "_s}};
    for (const auto &c : cases) {
        Env env(u"O.S. ARAD"_s);
        env.addItem({});
        const bool script = QByteArray(c.file).startsWith("#!"), own = script || !*c.file;
        env.files.nextPath = own ? makeSource(env) : hostileFile(env, u"sursa.mdb"_s, QLatin1String(c.file));
        if (own) {
            QFile reader(env.path(u"reader.sh"_s));
            if (script) {
                QVERIFY(reader.open(QIODevice::WriteOnly) && reader.write(c.file) > 0);
                reader.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
                reader.close();
            }
            setReaderProgram(reader.fileName());
            setReaderTimeout(300);
        }
        const auto before = dumpAll(env.db());
        env.messages.answers = {true, true};
        Mnu mnu(*env.ctx);
        mnu.action(u"mnuprelman"_s)->trigger();
        setReaderProgram(QStringLiteral(TENDRO_READER));
        setReaderTimeout(60000);
        QCOMPARE(env.messages.texts().join(u'|').replace(env.dir.path(), u"<folder>"_s), c.message);
        QVERIFY2(dumpAll(env.db()) == before, c.file);
    }
}

QTEST_MAIN(TestExchange)
#include "test_exchange.moc"
