// The directorate's server, run for real (tests/server/with-server.sh: a
// throwaway PostgreSQL with TLS): the setup script, the row-level security
// seen through libpq with each kind of account, the connection's faults,
// and the sub-unit's two menu entries driven through the real windows.

#include "fakes.h"
#include "steps.h"
#include "app/mnu.h"
#include "directorate/takein.h"
#include "server/directorate.h"
#include "server/pg.h"
#include "server/subunit.h"
#include "store/database.h"
#include "store/schema.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QFile>
#include <QProcess>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <thread>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

QString adminPassword, port;
QHash<QString, QString> passwords;   // server-accounts.tsv
QTemporaryDir setupDir;

QString env(const char *name) { return qEnvironmentVariable(name); }

ServerSettings settingsFor(const QString &account)
{
    ServerSettings s;
    s.host = u"localhost"_s;
    s.port = port.toInt();
    s.baza = u"tendro"_s;
    s.cont = account;
    s.ca = env("TENDRO_TEST_CA");
    return s;
}

std::unique_ptr<PgConnection> as(const QString &account)
{
    return PgConnection::open(settingsFor(account), account == "postgres"_L1 ? adminPassword : passwords.value(account));
}

// The first column of a query's rows, joined by ",".
QString column(PgConnection &pg, const QString &sql)
{
    const ResultSet rs = pg.query(sql);
    QStringList out;
    for (int r = 0; r < rs.count(); ++r)
        out << rs.text(r, rs.columns().at(0));
    return out.join(QLatin1Char(','));
}

QString admin(const QString &sql) { return column(*as(u"postgres"_s), sql); }

// The setup script in its own folder, as the administrator; its exit code.
int setup(const QStringList &args = {})
{
    QProcess p;
    p.setWorkingDirectory(setupDir.path());
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const auto &[k, v] : {std::pair{"PGHOST", u"localhost"_s}, {"PGPORT", port}, {"PGUSER", u"postgres"_s},
                               {"PGPASSWORD", adminPassword}, {"PGDATABASE", u"tendro"_s}})
        e.insert(QLatin1String(k), v);
    p.setProcessEnvironment(e);
    p.start(u"bash"_s, QStringList{QStringLiteral(TENDRO_SERVER_SETUP)} + args);
    p.waitForFinished(120000);
    if (p.exitCode() != 0)
        qWarning().noquote() << p.readAllStandardError();
    return p.exitCode();
}

// A sub-unit of directorate 2 (ARAD) with its own working file.
struct Subunit : Env {
    Subunit(int idos, const QString &name)
    {
        installDefaultFile();
        configure(2, idos, u"ARAD"_s, name);
    }
    void useServer()
    {
        const ServerSettings s = settingsFor(u"os%1"_s.arg(ctx->subunitate.idos));
        db().exec(u"INSERT INTO server (host,port,baza,cont,ca,sslmode) VALUES(?,?,?,?,?,?)"_s,
                  {s.host, s.port, s.baza, s.cont, s.ca, s.sslmode});
    }
    QString uid(double lei)
    {
        return db().query(u"SELECT uid FROM program WHERE lei=?"_s, {lei}).text(0, u"uid"_s);
    }
};

// Waits (at most 20 s) until `count` of the program's connections wait for a lock.
bool waitersReach(int count)
{
    for (int i = 0; i < 400; ++i) {
        if (admin(u"SELECT count(*) FROM pg_stat_activity WHERE application_name='tendro' AND wait_event_type='Lock'"_s)
                .toInt()
            >= count)
            return true;
        QThread::msleep(50);
    }
    return false;
}

} // namespace

class TestServer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void setupRunsAgainAndSetsPasswords();
    void everyCrossAccountAccessIsRefused();
    void connectionFaults();
    void serverWindowChecksBeforeSaving();
    void subunitTransmitsAndTakesBackThroughTheWindows();
    void directorateApprovesByVersion();
    void directorateApprovesInTheWindow();
    void transmissionsAtOnce();
    void wrongPasswordAndCutTransmission();
};

void TestServer::initTestCase()
{
    QVERIFY2(!env("TENDRO_TEST_CA").isEmpty(), "run through tests/server/with-server.sh");
    adminPassword = env("PGPASSWORD");
    port = env("PGPORT");
    // The program finds no password but what it is given: the administrator's stays with the tests.
    for (const char *name : {"PGPASSWORD", "PGUSER", "PGHOST", "PGPORT", "PGDATABASE", "PGSERVICE", "PGSSLMODE"})
        qunsetenv(name);
    qputenv("PGPASSFILE", setupDir.filePath(u"none"_s).toUtf8());
    auto pg = PgConnection::open([] { ServerSettings s = settingsFor(u"postgres"_s); s.baza = u"postgres"_s; return s; }(),
                                 adminPassword);
    pg->exec(u"CREATE DATABASE tendro"_s);
    QCOMPARE(setup(), 0);
    QFile accounts(setupDir.filePath(u"server-accounts.tsv"_s));
    QCOMPARE(int(accounts.permissions() & 0x7777),
             int(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser));
    QVERIFY(accounts.open(QIODevice::ReadOnly));
    for (const QByteArray &line : accounts.readAll().split('\n'))
        if (const QList<QByteArray> f = line.split('\t'); f.size() == 2 && f.at(0) != "cont")
            passwords.insert(QString::fromUtf8(f.at(0)), QString::fromUtf8(f.at(1)));
    QCOMPARE(passwords.size(), 210 + 42);
}

void TestServer::setupRunsAgainAndSetsPasswords()
{
    const QString accounts = setupDir.filePath(u"server-accounts.tsv"_s);
    QFile before(accounts);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray written = before.readAll();
    as(u"postgres"_s)->exec(u"INSERT INTO tendro.program (uid,idos,lei) VALUES('kept',20,1)"_s);
    QCOMPARE(setup(), 0);
    QCOMPARE(admin(u"SELECT idos||':'||lei FROM tendro.program WHERE uid='kept'"_s), u"20:1"_s);
    QFile after(accounts);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), written);   // written once: nobody's password changed
    QVERIFY(as(u"os20"_s));

    // Every account of the program: a SCRAM verifier, no power over the server, nothing owned.
    QCOMPARE(admin(u"SELECT count(*) FROM pg_authid WHERE rolname ~ '^(os|ds)[0-9]+$' AND rolpassword LIKE 'SCRAM-SHA-256$%'"
                   " AND NOT (rolsuper OR rolbypassrls OR rolcreaterole OR rolcreatedb OR rolreplication)"_s),
             u"252"_s);
    QCOMPARE(admin(u"SELECT count(*) FROM pg_class c JOIN pg_namespace n ON n.oid=c.relnamespace JOIN pg_roles r ON "
                   "r.oid=c.relowner WHERE n.nspname='tendro' AND (r.rolcanlogin OR r.rolsuper)"_s),
             u"0"_s);

    // One account's password, and only a program account's.
    QCOMPARE(setup({u"--password"_s, u"os20"_s, u"a'b\"c"_s}), 0);
    passwords[u"os20"_s] = u"a'b\"c"_s;
    QVERIFY(as(u"os20"_s));
    QCOMPARE(setup({u"--password"_s, u"postgres"_s, u"x"_s}), 2);
    QCOMPARE(setup({u"--password"_s, u"os999"_s, u"x"_s}), 1);
    as(u"postgres"_s)->exec(u"DELETE FROM tendro.program WHERE uid='kept'"_s);
}

void TestServer::everyCrossAccountAccessIsRefused()
{
    as(u"postgres"_s)->execScript(
        u"INSERT INTO tendro.program (uid,idos,lei,proced) VALUES ('u9a',9,10,''),('u9b',9,20,'licitatie'),"
        "('u10',10,30,''),('u1',1,40,'');"
        "INSERT INTO tendro.realiz (uid,uidp,idos,lei) VALUES ('r9','u9b',9,5),('r10','u10',10,6),('r1','u1',1,7);"
        "INSERT INTO tendro.transmiteri (idos) VALUES (9),(10),(1);"
        "INSERT INTO tendro.aprobari (uid,idos,moment,proced) VALUES ('u9b',9,'m','licitatie'),('u1',1,'m','licitatie')"_s);
    // Sub-units 9 and 10 are directorate 2's, sub-unit 1 directorate 1's. A number: rows read or changed; else the SQLSTATE.
    const struct { const char *account, *sql, *outcome; } cases[] = {
        {"os9", "SELECT uid FROM tendro.program ORDER BY uid", "u9a,u9b"},
        {"os9", "SELECT uid FROM tendro.realiz", "r9"},
        {"os9", "SELECT idos FROM tendro.transmiteri", "9"},
        {"os9", "SELECT uid FROM tendro.aprobari", "u9b"},
        {"os9", "UPDATE tendro.program SET lei=2 WHERE uid IN ('u9a','u10','u1')", "1"},
        {"os9", "UPDATE tendro.program SET proced='licitatie' WHERE uid='u9a'", "42501"},
        {"os9", "UPDATE tendro.program SET anunt='A' WHERE uid='u9a'", "42501"},
        {"os9", "UPDATE tendro.program SET modalitate='online' WHERE uid='u9a'", "42501"},
        {"os9", "UPDATE tendro.program SET versiune=1 WHERE uid='u9a'", "42501"},
        {"os9", "UPDATE tendro.program SET idos=10 WHERE uid='u9a'", "42501"},
        {"os9", "INSERT INTO tendro.program (uid,idos) VALUES('n1',10)", "42501"},
        {"os9", "INSERT INTO tendro.program (uid,idos,proced) VALUES('n2',9,'licitatie')", "42501"},
        {"os9", "INSERT INTO tendro.program (uid,idos) VALUES('n3',9)", "1"},
        {"os9", "DELETE FROM tendro.program WHERE uid IN ('u9b','u10','n3')", "1"},
        {"os9", "INSERT INTO tendro.realiz (uid,idos) VALUES('rx',10)", "42501"},
        {"os9", "UPDATE tendro.realiz SET lei=1 WHERE uid IN ('r9','r10')", "1"},
        {"os9", "DELETE FROM tendro.realiz WHERE uid IN ('r10','r1')", "0"},
        {"os9", "INSERT INTO tendro.transmiteri (idos) VALUES(10)", "42501"},
        {"os9", "INSERT INTO tendro.aprobari (uid,idos) VALUES('u9a',9)", "42501"},
        {"os9", "UPDATE tendro.cpv SET den='x' WHERE id=1", "42501"},
        {"os9", "SET ROLE tendro_owner", "42501"},
        {"ds2", "SELECT uid FROM tendro.program ORDER BY uid", "u10,u9a,u9b"},
        {"ds2", "SELECT uid FROM tendro.realiz ORDER BY uid", "r10,r9"},
        {"ds2", "SELECT idos FROM tendro.transmiteri ORDER BY idos", "9,10"},
        {"ds2", "UPDATE tendro.program SET proced='licitatie',anunt='A',modalitate='online' WHERE uid IN ('u9a','u1')",
         "1"},
        {"ds2", "UPDATE tendro.program SET lei=1 WHERE uid='u9a'", "42501"},
        {"ds2", "DELETE FROM tendro.program WHERE uid='u9a'", "42501"},
        {"ds2", "INSERT INTO tendro.program (uid,idos) VALUES('n4',9)", "42501"},
        {"ds2", "DELETE FROM tendro.realiz WHERE uid='r9'", "42501"},
        {"ds2", "INSERT INTO tendro.aprobari (uid,idos,moment) VALUES('u1',1,'m')", "42501"},
        {"ds2", "INSERT INTO tendro.aprobari (uid,idos,moment) VALUES('u9a',9,'m')", "1"},
        {"ds1", "SELECT uid FROM tendro.program", "u1"},
        {"ds1", "SELECT uid FROM tendro.aprobari", "u1"},
        {"os1", "SELECT uid FROM tendro.aprobari", "u1"},
        {"os1", "SELECT uid FROM tendro.realiz", "r1"},
        // What the accounts did: the sub-unit's change moved the version, the directorate's did not.
        {"postgres", "SELECT uid||':'||lei||':'||proced||':'||versiune FROM tendro.program WHERE idos=9 ORDER BY uid",
         "u9a:2:licitatie:2,u9b:20:licitatie:1"},
        {"postgres", "SELECT uid||':'||lei FROM tendro.realiz ORDER BY uid", "r1:7,r10:6,r9:1"}};
    std::map<QString, std::unique_ptr<PgConnection>> open;
    for (const auto &c : cases) {
        QString outcome;
        try {
            const QString sql = QLatin1String(c.sql);
            auto &pg = open[QLatin1String(c.account)];
            if (!pg)
                pg = as(QLatin1String(c.account));
            outcome = sql.startsWith("SELECT"_L1) ? column(*pg, sql) : QString::number(pg->exec(sql));
        } catch (const ServerError &e) {
            outcome = e.sqlstate();
        }
        QVERIFY2(outcome == QLatin1String(c.outcome),
                 qPrintable(u"%1: %2 gives %3"_s.arg(QLatin1String(c.account), QLatin1String(c.sql), outcome)));
    }
    as(u"postgres"_s)->execScript(u"DELETE FROM tendro.program; DELETE FROM tendro.realiz; DELETE FROM tendro.transmiteri;"
                            " DELETE FROM tendro.aprobari"_s);
}

void TestServer::connectionFaults()
{
    const QString pgpass = setupDir.filePath(u"pgpass"_s);
    QFile file(pgpass);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(u"localhost:%1:tendro:os9:%2\n"_s.arg(port, passwords.value(u"os9"_s)).toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    const auto with = [](auto change) {
        ServerSettings s = settingsFor(u"os9"_s);
        change(s);
        return s;
    };
    const auto same = [](ServerSettings &) {};
    const QString right = passwords.value(u"os9"_s);
    // The settings, the password given, the password file; the fault, none when it connects.
    const struct { const char *name; ServerSettings settings; QString password, passFile; std::optional<ServerFault> fault; } cases[] = {
        {"right", with(same), right, {}, {}},
        {"wrong password", with(same), u"gresit"_s, {}, ServerFault::Password},
        {"no password anywhere", with(same), {}, {}, ServerFault::NeedsPassword},
        {"password file", with(same), {}, pgpass, {}},
        {"address not in the certificate", with([](ServerSettings &s) { s.host = u"127.0.0.1"_s; }), right, {},
         ServerFault::Certificate},
        {"require leaves the name unchecked", with([](ServerSettings &s) { s.host = u"127.0.0.1"_s; s.sslmode = u"require"_s; }),
         right, {}, {}},
        {"another authority", with([](ServerSettings &s) { s.ca = env("TENDRO_TEST_OTHER_CA"); }), right, {},
         ServerFault::Certificate},
        {"nothing listening", with([](ServerSettings &s) { s.port = 1; }), right, {}, ServerFault::Unreachable},
        {"unencrypted over the network", with([](ServerSettings &s) { s.sslmode = u"prefer"_s; }), right, {},
         ServerFault::NoTls},
        {"a socket folder needs no TLS", with([](ServerSettings &s) { s.host = env("TENDRO_TEST_SOCKET"); }), right, {}, {}},
        {"no such database", with([](ServerSettings &s) { s.baza = u"alta"_s; }), right, {}, ServerFault::Other}};
    for (const auto &c : cases) {
        qputenv("PGPASSFILE", (c.passFile.isEmpty() ? setupDir.filePath(u"none"_s) : c.passFile).toUtf8());
        std::optional<ServerFault> fault;
        QString text;
        try {
            QCOMPARE(column(*PgConnection::open(c.settings, c.password), u"SELECT current_user"_s), u"os9"_s);
        } catch (const ServerError &e) {
            fault = e.fault();
            text = e.text();
        }
        QVERIFY2(fault == c.fault, qPrintable(c.name + u": "_s + text));
    }
    qputenv("PGPASSFILE", setupDir.filePath(u"none"_s).toUtf8());
}

void TestServer::serverWindowChecksBeforeSaving()
{
    // A field typed over; typed empty, its text is selected and deleted.
    const auto field = [](const QString &name, const QString &text) {
        return text.isEmpty() ? call([name] {
            auto *edit = QApplication::activeModalWidget()->findChild<QLineEdit *>(name);
            QTest::mouseClick(edit, Qt::LeftButton);
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(edit, Qt::Key_Backspace);
        })
                              : type(name, text);
    };
    const QString ca = env("TENDRO_TEST_CA");
    const QString saved = u" Datele au fost salvate "_s;
    // Host, port, account, CA as typed; the message; the row stored after it, empty when none.
    const struct { QString host, port, cont, ca, message, row; } cases[] = {
        {u"localhost"_s, u"0"_s, u"os9"_s, ca, u" Portul trebuie sa fie un numar intre 1 si 65535. "_s, {}},
        {u"localhost"_s, u"65536"_s, u"os9"_s, ca, u" Portul trebuie sa fie un numar intre 1 si 65535. "_s, {}},
        {u"localhost"_s, u"5x"_s, u"os9"_s, ca, u" Portul trebuie sa fie un numar intre 1 si 65535. "_s, {}},
        {u"localhost"_s, u"65535"_s, u"os9"_s, ca, saved, u"localhost|65535|tendro|os9|"_s + ca + u"|require"_s},
        {u"localhost"_s, u"1"_s, u""_s, ca, u" Completati baza de date si contul. "_s, {}},
        {u"localhost"_s, u"1"_s, u"os9"_s, ca + u"x"_s, u" Fisierul certificatului nu exista: "_s + ca + u"x "_s, {}},
        // An empty address turns the server off, whatever the rest.
        {u""_s, u"0"_s, u""_s, u""_s, saved, u"|0|tendro|||require"_s}};
    for (const auto &c : cases) {
        Subunit s(9, u"O.S. ARAD"_s);
        Mnu mnu(*s.ctx);
        activate(&mnu);
        RUN_STEPS(s, &mnu,
                  {click(u"mnuset"_s), click(u"Command3"_s), expectText(u"server"_s, u"CONECTARE LA SERVER"_s),
                   expectText(u"Text4"_s, u"os9"_s), expectText(u"Combo1"_s, u"verify-full"_s),
                   field(u"Text1"_s, c.host), field(u"Text2"_s, c.port), field(u"Text4"_s, c.cont),
                   field(u"Text5"_s, c.ca), choose(u"Combo1"_s, u"require"_s), click(u"Command2"_s), message(c.message),
                   click(u"Command3"_s), click(u"Command1"_s),
                   expectRows(u"SELECT host,port,baza,cont,ca,sslmode FROM server"_s,
                              c.row.isEmpty() ? QStringList{} : QStringList{c.row})});
    }
}

void TestServer::subunitTransmitsAndTakesBackThroughTheWindows()
{
    Subunit s(11, u"O.S. SAVARSIN"_s);
    s.addItem({.lei = 100, .idos = 11});
    s.addItem({.lei = 200, .idos = 11});
    // Approved by a file from the directorate, which never decided on it on the server.
    s.addItem({.lei = 300, .proced = u"licitatie"_s, .idos = 11});
    const QString a = s.uid(100), c = s.uid(300);
    const auto realization = [&s](const QString &uid, const QString &item, double lei) {
        s.db().exec(u"INSERT INTO realiz (id,lei,idos,proiect,furniz,uid,uidp) VALUES(?,?,11,' ','SC A',?,?)"_s,
                    {s.cpvId(3111100), lei, uid, item});
    };
    realization(u"r-c1"_s, c, 50);
    const QString items = u"SELECT lei,proced,anunt,modalitate FROM program ORDER BY lei"_s;
    const QString serverItems = u"SELECT lei||':'||proced||':'||versiune FROM tendro.program WHERE idos=11 ORDER BY lei"_s;
    const QString sent = u" Se transmite programul subunitatii O.S. SAVARSIN pe server. Continuati ? "_s;
    const QString notYet = u" Momentan nu este posibil ! "_s;
    Mnu mnu(*s.ctx);
    activate(&mnu);
    RUN_STEPS(
        s, &mnu,
        {// No server yet: both entries say what they always said.
         click(u"mnutranserv"_s), message(notYet), click(u"mnuprelserv"_s), message(notYet),
         click(u"mnuset"_s), click(u"Command3"_s), expectText(u"Text4"_s, u"os11"_s), type(u"Text1"_s, u"localhost"_s),
         type(u"Text2"_s, port), type(u"Text3"_s, u"tendro"_s), type(u"Text5"_s, env("TENDRO_TEST_CA")),
         click(u"Command1"_s), expectText(u"parolaserver"_s, u"PAROLA SERVER"_s),
         type(u"Text1"_s, passwords.value(u"os11"_s)), click(u"Command1"_s),
         message(u" Conexiunea la server functioneaza. "_s), click(u"Command2"_s), message(u" Datele au fost salvate "_s),
         click(u"Command3"_s), click(u"Command1"_s),
         expectRows(u"SELECT host,port,baza,cont,sslmode FROM server"_s, {u"localhost|%1|tendro|os11|verify-full"_s.arg(port)}),
         // The password typed once serves the rest of the run.
         click(u"mnutranserv"_s), message(sent, Answer::Yes),
         message(u" Programul a fost transmis: 3 pozitii (3 noi, 0 modificate, 0 sterse), 1 realizari. "_s),
         call([&] {
             // The directorate's fields stay the directorate's: the file's approval did not travel.
             QCOMPARE(admin(serverItems), u"100::1,200::1,300::1"_s);
             QCOMPARE(admin(u"SELECT pozitii||' '||noi||' '||lei||' '||realizari||' '||cont FROM tendro.transmiteri WHERE "
                            "idos=11"_s),
                      u"3 3 600 1 os11"_s);
             // The directorate approves A; meanwhile the sub-unit records a second act; the server's lists change.
             auto ds = as(u"ds2"_s);
             for (const SubunitOnServer &o : takeInDirectorate(*ds, 2))
                 for (int r = 0; r < o.items.count(); ++r)
                     if (o.items.text(r, u"uid"_s) == a)
                         writeApproval(*ds, {a, o.items.integer(r, u"versiune"_s), u"licitatie"_s, u"AN1"_s, u"online"_s,
                                             u"2026-03-20 10:00:00"_s});
             realization(u"r-c2"_s, c, 70);
             as(u"postgres"_s)->execScript(u"UPDATE tendro.cpv SET den='Alt nume' WHERE id=1; INSERT INTO tendro.praguri "
                                     "(dela,tip,directa,simplificata) VALUES('20990101','PS',1,2)"_s);
         }),
         click(u"mnuprelserv"_s),
         message(u" Preluare de pe server: 1 pozitii aprobate noi, 0 modificate. \n Nomenclatorul CPV a fost inlocuit cu "
                 "cel de pe server. \n Pragurile valorice au fost inlocuite cu cele de pe server. "_s),
         expectRows(items, {u"100|licitatie|AN1|online"_s, u"200|||"_s, u"300|licitatie||"_s}),
         expectRows(u"SELECT uid FROM realiz ORDER BY uid"_s, {u"r-c1"_s, u"r-c2"_s}),
         // The server's lists carry the Annex 2 services and their thresholds.
         expectRows(u"SELECT den FROM cpv WHERE id=1 UNION ALL SELECT count(*) FROM praguri WHERE dela='20990101'"
                    " UNION ALL SELECT count(*) FROM cpv WHERE anexa2=1 UNION ALL SELECT count(*) FROM praguri WHERE tip='S2'"_s,
                    {u"Alt nume"_s, u"1"_s, u"423"_s, u"8"_s}),
         // Taken again: nothing new.
         click(u"mnuprelserv"_s), message(u" Preluare de pe server: 0 pozitii aprobate noi, 0 modificate. "_s),
         // B deleted, C changed, an act recorded on A.
         call([&] {
             s.db().execScript(u"DELETE FROM program WHERE lei=200; UPDATE program SET lei=350 WHERE lei=300"_s);
             realization(u"r-a1"_s, a, 20);
         }),
         click(u"mnutranserv"_s), message(sent, Answer::Yes),
         message(u" Programul a fost transmis: 2 pozitii (0 noi, 1 modificate, 1 sterse), 3 realizari. "_s),
         call([&] { QCOMPARE(admin(serverItems), u"100:licitatie:1,350::2"_s); }),
         // The file restored from a copy made before A existed: A and its act are offered back.
         call([&] {
             s.db().exec(u"DELETE FROM realiz WHERE uidp=?"_s, {a});
             s.db().exec(u"DELETE FROM program WHERE uid=?"_s, {a});
         }),
         click(u"mnuprelserv"_s), message(u" 1 pozitii exista doar pe server. Le preluati ? "_s, Answer::Yes),
         message(u" Preluare de pe server: 0 pozitii aprobate noi, 0 modificate. \n Au fost preluate de pe server 1 "
                 "pozitii si 1 realizari. "_s),
         expectRows(items, {u"100|licitatie|AN1|online"_s, u"350|licitatie||"_s}),
         expectRows(u"SELECT r.uid FROM realiz r JOIN program p ON p.uid=r.uidp ORDER BY r.uid"_s,
                    {u"r-a1"_s, u"r-c1"_s, u"r-c2"_s}),
         // Gone from the file again, and sent so: approved, A stays on the server and is counted.
         call([&] { s.db().execScript(u"DELETE FROM realiz WHERE uid='r-a1'; DELETE FROM program WHERE lei=100"_s); }),
         click(u"mnutranserv"_s), message(sent, Answer::Yes),
         message(u" Programul a fost transmis: 1 pozitii (0 noi, 0 modificate, 0 sterse), 2 realizari. \n 1 pozitii "
                 "aprobate lipsesc din fisier si au fost pastrate pe server. "_s),
         call([&] { QCOMPARE(admin(serverItems), u"100:licitatie:1,350::2"_s); })});
}

void TestServer::directorateApprovesByVersion()
{
    Subunit s(13, u"O.S. LIPOVA"_s);
    for (double lei : {10, 20, 30})
        s.addItem({.lei = lei, .idos = 13});
    transmitProgramme(*as(u"os13"_s), s.db(), 13);
    auto ds = as(u"ds2"_s);
    const QVector<SubunitOnServer> taken = takeInDirectorate(*ds, 2);
    QStringList names;
    for (const SubunitOnServer &o : taken)
        names << o.numeos;
    // Directorate 2's sub-units by name, each with what it sent.
    QCOMPARE(names, (QStringList{u"O.S. ARAD"_s, u"O.S. GURAHONT"_s, u"O.S. LIPOVA"_s, u"O.S. MONEASA"_s,
                                 u"O.S. SAVARSIN"_s, u"O.S. SEBIS"_s}));
    QVERIFY(taken.at(2).lastTransmission.isValid() && taken.at(2).realizations.isEmpty());
    const ResultSet &items = taken.at(2).items;
    QCOMPARE(items.count(), 3);
    QCOMPARE(items.columns().mid(0, 3), (QStringList{u"uid"_s, u"id"_s, u"activit"_s}));

    // The directorate's local file, as it took them in, with approvals made there.
    Env local;
    local.installDefaultFile();
    local.configure(2, 0, u"ARAD"_s, u"ARAD"_s);
    for (int r = 0; r < items.count(); ++r)
        local.db().exec(u"INSERT INTO program (uid,idos,lei,versiune,proced) VALUES(?,13,?,?,'licitatie')"_s,
                        {items.text(r, u"uid"_s), items.number(r, u"lei"_s), items.integer(r, u"versiune"_s)});
    const auto uidOf = [&local](double lei) {
        return local.db().query(u"SELECT uid FROM program WHERE lei=?"_s, {lei}).text(0, u"uid"_s);
    };

    // Online: written at the taken version; refused once the sub-unit moved it; another directorate sees nothing.
    const auto approval = [&](double lei, qint64 version) {
        return ApprovalChange{uidOf(lei), version, u"achizitie directa"_s, u""_s, u"offline"_s, u"m1"_s};
    };
    writeApproval(*ds, approval(10, 1));
    writeApproval(*ds, approval(10, 1));   // the directorate's own change does not move it
    as(u"os13"_s)->exec(u"UPDATE tendro.program SET lei=11 WHERE uid=$1"_s, {uidOf(10)});
    const QString moved = u" Pozitia a fost modificata de subunitate intre timp. Preluati din nou. "_s;
    for (auto &[who, version] : {std::pair{u"ds2"_s, 1}, {u"ds1"_s, 2}}) {
        try {
            writeApproval(*as(who), approval(10, version));
            QFAIL(qPrintable(who + u" wrote over a moved or foreign item"_s));
        } catch (const ServerError &e) {
            QCOMPARE(serverErrorMessage(e), moved);
        }
    }
    writeApproval(*ds, approval(10, 2));
    QCOMPARE(admin(u"SELECT proced||':'||modalitate||':'||versiune FROM tendro.program WHERE lei=11"_s),
             u"achizitie directa:offline:2"_s);
    QCOMPARE(admin(u"SELECT count(*) FROM tendro.aprobari WHERE uid='%1'"_s.arg(uidOf(10))), u"3"_s);

    // Offline: 20 written at its version, 30 moved since, one the server never had; a second run writes nothing.
    as(u"os13"_s)->exec(u"UPDATE tendro.program SET lei=31 WHERE uid=$1"_s, {uidOf(30)});
    local.db().exec(u"INSERT INTO program (uid,idos,lei,proced) VALUES('nowhere',13,40,'licitatie')"_s);
    for (double lei : {20, 30, 40, 20})
        local.db().exec(u"INSERT INTO aprobari (uid,idos,moment,proced) VALUES(?,13,?,'licitatie')"_s,
                        {uidOf(lei), u"m%1"_s.arg(local.count(u"aprobari"_s))});
    OfflineCounts counts = writeOfflineApprovals(*ds, local.db(), 2);
    QCOMPARE(offlineMessage(counts), u" Aprobarile a 1 pozitii au fost scrise pe server. \n 1 pozitii au fost modificate "
                                     "de subunitati intre timp si nu au fost scrise. Preluati din nou. \n 1 pozitii nu "
                                     "exista pe server. "_s);
    QCOMPARE(admin(u"SELECT lei||':'||proced||':'||coalesce((SELECT string_agg(moment,' ' ORDER BY moment) FROM "
                   "tendro.aprobari a WHERE a.uid=p.uid),'') FROM tendro.program p WHERE idos=13 ORDER BY lei"_s),
             u"11:achizitie directa:m1 m1 m1,20:licitatie:m0 m3,31::"_s);
    counts = writeOfflineApprovals(*ds, local.db(), 2);
    QCOMPARE(u"%1 %2 %3"_s.arg(counts.written).arg(counts.moved).arg(counts.missing), u"0 1 1"_s);
    try {
        writeOfflineApprovals(*as(u"ds1"_s), local.db(), 2);
        QFAIL("directorate 1 took directorate 2's place");
    } catch (const ServerError &e) {
        QCOMPARE(e.fault(), ServerFault::WrongAccount);
    }
}

void TestServer::directorateApprovesInTheWindow()
{
    Subunit s(10, u"O.S. GURAHONT"_s);
    s.addItem({.lei = 100, .idos = 10, .detal = u"M1"_s});
    transmitProgramme(*as(u"os10"_s), s.db(), 10);
    // The directorate took it in from the server; its approvals in APROBARE go to the server first.
    Env d;
    d.installDefaultFile();
    d.configure(2, 0, u"ARAD"_s, u"ARAD"_s);
    for (const SubunitOnServer &o : takeInDirectorate(*as(u"ds2"_s), 2))
        if (o.idos == 10) {
            TakeIn t;
            t.idos = 10;
            t.subunit = o.numeos;
            takeIn(d.db(), t, {ResultSet(), o.items, o.realizations}, d.clock.now());
        }
    const ServerSettings set = settingsFor(u"ds2"_s);
    d.db().exec(u"INSERT INTO server (host,port,baza,cont,ca,sslmode) VALUES(?,?,?,?,?,?)"_s,
                {set.host, set.port, set.baza, set.cont, set.ca, set.sslmode});
    const auto procedure = [](const QString &text) {
        return QList<Step>{clickCell(u"DataGrid2"_s, 0, 10), key(u"DataGrid2"_s, Qt::Key_F2), type({}, text),
                           key({}, Qt::Key_Return)};
    };
    const QString onServer = u"SELECT coalesce(proced,'')||':'||(SELECT count(*) FROM tendro.aprobari a WHERE a.uid=p.uid)"
                             " FROM tendro.program p WHERE idos=10"_s;
    Mnu mnu(*d.ctx);
    activate(&mnu);
    QList<Step> steps{click(u"mnuaprob"_s), expectCell(u"DataGrid2"_s, 0, 3, u"M1"_s)};
    steps << procedure(u"licitatie"_s) << type(u"Text1"_s, passwords.value(u"ds2"_s)) << click(u"Command1"_s)
          << call([&] { QCOMPARE(admin(onServer), u"licitatie:1"_s); })
          // The sub-unit changes the item meanwhile: refused, and the file keeps what the server has.
          << call([] { as(u"os10"_s)->exec(u"UPDATE tendro.program SET lei=101 WHERE idos=10"_s); })
          << procedure(u"proced.simplif."_s)
          << message(u" Pozitia a fost modificata de subunitate intre timp. Preluati din nou. "_s)
          << expectRows(u"SELECT proced, (SELECT count(*) FROM aprobari) FROM program"_s, {u"licitatie|1"_s})
          << call([&] { QCOMPARE(admin(onServer), u"licitatie:1"_s); }) << click(u"Command3"_s);
    RUN_STEPS(d, &mnu, steps);
}

void TestServer::transmissionsAtOnce()
{
    Subunit first(12, u"O.S. SEBIS"_s), other(14, u"O.S. MONEASA"_s);
    for (Subunit *s : {&first, &other})
        for (double lei : {1, 2, 3}) {
            s->addItem({.lei = lei, .idos = s->ctx->subunitate.idos});
            s->db().exec(u"INSERT INTO realiz (id,lei,idos,uid,uidp) SELECT id,lei,idos,uid||'r',uid FROM program "
                         "WHERE lei=?"_s,
                         {lei});
        }
    // The same file sent twice at once.
    Subunit again(12, u"O.S. SEBIS"_s);
    first.ctx->closeDb();
    again.ctx->closeDb();
    QVERIFY(QFile::remove(again.workingFile()) && QFile::copy(first.workingFile(), again.workingFile()));

    // While a transmission of sub-unit 12 is under way (held here), another of 12 waits; one of 14 does not.
    auto holder = as(u"postgres"_s);
    holder->exec(u"BEGIN"_s);
    holder->exec(u"SELECT pg_advisory_xact_lock(7361, 12)"_s);
    std::atomic<int> failures{0};
    const auto send = [&failures](Subunit *s) {
        try {
            transmitProgramme(*as(u"os%1"_s.arg(s->ctx->subunitate.idos)), s->db(), s->ctx->subunitate.idos);
        } catch (const std::exception &e) {
            qWarning() << e.what();
            ++failures;
        }
    };
    first.db();
    again.db();
    std::thread a(send, &first), b(send, &again), c(send, &other);
    c.join();
    QCOMPARE(admin(u"SELECT count(*) FROM tendro.transmiteri WHERE idos=14"_s), u"1"_s);
    QVERIFY(waitersReach(2));
    holder->exec(u"COMMIT"_s);
    a.join();
    b.join();
    QCOMPARE(failures.load(), 0);
    QCOMPARE(admin(u"SELECT idos||':'||count(*) FROM tendro.realiz WHERE idos IN (12,14) GROUP BY idos ORDER BY idos"_s),
             u"12:3,14:3"_s);
    // One inserted the items, the other found them as they were.
    QCOMPARE(admin(u"SELECT string_agg(noi||'/'||modificate, ' ' ORDER BY noi) FROM tendro.transmiteri WHERE idos=12"_s),
             u"0/0 3/0"_s);
}

void TestServer::wrongPasswordAndCutTransmission()
{
    Subunit s(20, u"O.S. BRAD"_s);
    s.useServer();
    s.addItem({.lei = 5, .idos = 20});
    s.db().exec(u"INSERT INTO realiz (id,lei,idos,uid,uidp) SELECT id,1,20,'r20',uid FROM program"_s);
    const QString sent = u" Se transmite programul subunitatii O.S. BRAD pe server. Continuati ? "_s;
    const QString transmissions = u"SELECT count(*) FROM tendro.transmiteri WHERE idos=20"_s;
    // Joined however the test ends, so that a failed step does not end the run with a thread still going.
    struct Joined {
        std::thread t;
        ~Joined()
        {
            if (t.joinable())
                t.join();
        }
    } stopper;
    std::atomic<bool> locked = false;
    QStringList localBefore;
    Mnu mnu(*s.ctx);
    activate(&mnu);
    const auto server = [&s](const QString &host, int at) {
        return call([&s, host, at] { s.db().exec(u"UPDATE server SET host=?, port=?"_s, {host, at}); });
    };
    RUN_STEPS(
        s, &mnu,
        {// Nothing at that port; an address the certificate does not name.
         server(u"localhost"_s, 1), click(u"mnutranserv"_s), message(sent, Answer::Yes),
         message(u" Serverul nu raspunde. Verificati adresa, portul si legatura la retea. "_s),
         server(u"127.0.0.1"_s, port.toInt()), click(u"mnuprelserv"_s),
         message(u" Certificatul serverului nu corespunde adresei sau autoritatii de certificare. Conexiunea a fost "
                 "refuzata. "_s),
         server(u"localhost"_s, port.toInt()),
         click(u"mnutranserv"_s), message(sent, Answer::Yes), type(u"Text1"_s, u"gresit"_s), click(u"Command1"_s),
         message(u" Serverul nu a acceptat parola contului. "_s),
         // Refused, the password is asked for again; "Renunta" ends it without a word.
         click(u"mnutranserv"_s), message(sent, Answer::Yes), click(u"Command2"_s),
         call([&] { QCOMPARE(admin(transmissions), u"0"_s); }),
         click(u"mnutranserv"_s), message(sent, Answer::Yes), type(u"Text1"_s, passwords.value(u"os20"_s)),
         click(u"Command1"_s),
         message(u" Programul a fost transmis: 1 pozitii (1 noi, 0 modificate, 0 sterse), 1 realizari. "_s),
         // Changed, and sent while the server stops: the item is written when the realizations wait.
         call([&] {
             s.db().exec(u"UPDATE program SET lei=6"_s);
             localBefore = tableDump(s.db(), u"program"_s);
             stopper.t = std::thread([&locked] {
                 auto holder = as(u"postgres"_s);
                 holder->exec(u"BEGIN"_s);
                 holder->exec(u"SELECT 1 FROM tendro.realiz WHERE idos=20 FOR UPDATE"_s);
                 locked = true;
                 if (waitersReach(1))
                     std::system(qPrintable(u"pg_ctlcluster %1 regress stop -m fast"_s.arg(env("PGVERSION"))));
             });
             // The transmission starts only once the rows it must wait for are held, however slow the build
             // (waited for without running events, so that no further step starts meanwhile).
             QElapsedTimer waited;
             waited.start();
             while (!locked && waited.elapsed() < 60000)
                 std::this_thread::sleep_for(std::chrono::milliseconds(10));
             QVERIFY(locked);
         }),
         click(u"mnutranserv"_s), message(sent, Answer::Yes),
         message(u" Legatura cu serverul s-a intrerupt. Operatia a fost anulata: nu s-a modificat nimic. "_s)});
    stopper.t.join();
    QCOMPARE(std::system(qPrintable(u"pg_ctlcluster %1 regress start"_s.arg(env("PGVERSION")))), 0);
    QCOMPARE(admin(u"SELECT lei FROM tendro.program WHERE idos=20"_s), u"5"_s);
    QCOMPARE(admin(transmissions), u"1"_s);
    QCOMPARE(tableDump(s.db(), u"program"_s), localBefore);
}

QTEST_MAIN(TestServer)
#include "test_server.moc"
