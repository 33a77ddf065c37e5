// The directorate's side: set up as a directorate, its sub-units' files taken
// in (and taken in again), the approved programmes returned and taken back by
// a sub-unit, through the real windows.

#include "steps.h"
#include "app/mnu.h"
#include "app/startup.h"
#include "directorate/aprobare.h"
#include "directorate/paap.h"
#include "directorate/returnfile.h"
#include "exchange/import.h"
#include "shell/setare.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/querymodel.h"

#include <QMenuBar>
#include <QtTest>
#include <QtWidgets>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

// A sub-unit's own installation, its items typed there; its file as the directorate receives it.
struct Subunit : Env {
    Subunit(int idos, const QString &name, bool configured = true) : Env()
    {
        installDefaultFile();
        if (configured)
            configure(2, idos, u"ARAD"_s, name);
        this->idos = idos;
    }
    qint64 add(double lei, const QString &detal, const QString &proced = {}, qint64 cod2 = 3111100)
    {
        return addItem({.cod2 = cod2, .start = u"01.03.2027"_s, .end = u"30.06.2027"_s, .lei = lei, .proced = proced,
                        .idos = idos, .detal = detal});
    }
    QString file()
    {
        ctx->closeDb();
        return workingFile();
    }
    int idos = 0;
};

const QString kItems = u"SELECT idos,detal,lei,proced,modalitate FROM program ORDER BY idos,detal"_s;

} // namespace

class TestDirectorate : public QObject {
    Q_OBJECT
private slots:
    void setUpAsADirectorate();
    void takeInApproveAndReturn();
    void approveAndPrintTheLegalProgramme();
    void hostileFilesTakenInRunNothing();
};

void TestDirectorate::setUpAsADirectorate()
{
    Env env;
    env.installDefaultFile();
    Setare setare(*env.ctx);
    QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Setup);
    activate(&setare);
    RUN_STEPS(env, &setare, {clickItem(u"dir1"_s, u"ARAD"_s), click(u"chkdirectie"_s),
                             call([&] { QVERIFY(!setare.ocol()->isEnabled()); }), click(u"butoninstal"_s),
                             expectRows(u"SELECT idds,idos,numeds,numeos FROM setare"_s, {u"2|0|ARAD|ARAD"_s})});
    QVERIFY(env.ctx->subunitate.directorate());
    // The next start knows it; the main window takes in, approves and returns instead of keeping a programme.
    env.ctx->closeDb();
    Setare again(*env.ctx);
    QCOMPARE(runStartup(*env.ctx, again), StartupResult::MainWindow);
    Mnu mnu(*env.ctx);
    QCOMPARE(mnu.windowTitle(), u"TENDRO"_s + QString(35, u' ') + u"DIRECTIA SILVICA ARAD - CENTRALIZARE"_s);
    QStringList bar;
    for (QAction *a : mnu.findChild<QMenuBar *>()->actions())
        bar << (a->objectName().isEmpty() ? a->text() : a->objectName());
    QCOMPARE(bar, (QStringList{u"mnucentral"_s, u"mnuaprob"_s, u"mnuretur"_s, u"mnucen"_s, u"mnupraguri"_s, u"mnuset"_s,
                               u"mnupar"_s, u"mnurestaurare"_s, u"mnuies"_s}));
    QCOMPARE(mnu.action(u"mnucentral"_s)->text(), u"PRELUARE SUBUNITATI"_s);
}

void TestDirectorate::takeInApproveAndReturn()
{
    Env dir;
    dir.installDefaultFile();
    dir.configure(2, 0, u"ARAD"_s, u"ARAD"_s);
    dir.clock.date = QDate(2026, 11, 10);
    // O.S. ARAD with its configuration; O.S. SEBIS without one (its items say whose it is); a sub-unit of
    // another directorate; a file of two sub-units; no database at all.
    Subunit arad(9, u"O.S. ARAD"_s), sebis(12, u"O.S. SEBIS"_s, false), other(20, u"O.S. ALTA"_s), mixed(10, u"X"_s, false);
    arad.add(1000, u"A1"_s), arad.add(2000, u"A2"_s), arad.add(3000, u"A3"_s);
    arad.db().exec(u"INSERT INTO realiz (id,lei,idos,proiect,actdata2,uid,uidp) SELECT id,50,9,' ','20270401','r1',uid"
                   " FROM program WHERE detal='A1'"_s);
    sebis.add(500, u"S1"_s, u"licitatie"_s);
    other.add(7, u"ALT"_s);
    mixed.add(1, u"M1"_s), mixed.addItem({.idos = 11});
    const QString junk = dir.path(u"nimic.mdb"_s);
    QFile j(junk);
    QVERIFY(j.open(QIODevice::WriteOnly) && j.write("nu este o baza de date") > 0);
    j.close();
    dir.files.nextPaths = {arad.file(), sebis.file(), other.file(), mixed.file(), junk};
    auto mnu = std::make_unique<Mnu>(*dir.ctx);
    activate(mnu.get());
    const QString taken = u" O.S. ARAD: 3 pozitii preluate, dintre care 0 aprobate; 0 pozitii aprobate lipsesc din fisier si"
                          " au fost pastrate. \n O.S. SEBIS: 1 pozitii preluate, dintre care 1 aprobate; 0 pozitii aprobate"
                          " lipsesc din fisier si au fost pastrate. \n tendro.mdb: nu a fost preluat, este al unei"
                          " subunitati a altei directii. \n tendro.mdb: nu a fost preluat, are pozitii ale mai multor"
                          " subunitati si nicio configurare. \n nimic.mdb: nu a fost preluat, nu este un fisier TENDRO"
                          " (Eroarea 26 file is encrypted or is not a database). "_s;
    RUN_STEPS(dir, mnu.get(), {click(u"mnucentral"_s), click(u"Command1"_s), message(taken),
                               expectCell(u"DataGrid1"_s, 0, 0, u"O.S. ARAD"_s), expectCell(u"DataGrid1"_s, 0, 1, u"10.11.2026 10:00"_s),
                               expectCell(u"DataGrid1"_s, 0, 3, u"3"_s), expectCell(u"DataGrid1"_s, 0, 5, u"6.000,00"_s),
                               expectCell(u"DataGrid1"_s, 1, 1, QString()), click(u"Command3"_s),
                               expectRows(kItems, {u"9|A1|1000||"_s, u"9|A2|2000||"_s, u"9|A3|3000||"_s,
                                                   u"12|S1|500|licitatie|"_s}),
                               expectRows(u"SELECT r.lei, p.detal FROM realiz r JOIN program p ON p.uid=r.uidp"_s,
                                          {u"50|A1"_s})});
    // Approved at the directorate; the sub-unit changes A2, drops A3 (approved) and A2's twin comes with a
    // procedure of its own: the file's procedure wins, the directorate's stays where the file brings none.
    dir.db().execScript(u"UPDATE program SET proced='licitatie', modalitate='online' WHERE detal IN ('A1','A3');"
                        "UPDATE program SET proced='achizitie directa', modalitate='offline' WHERE detal='A2'"_s);
    Subunit again(9, u"O.S. ARAD"_s);
    again.ctx->closeDb();
    QFile::remove(again.workingFile());
    QVERIFY(QFile::copy(arad.workingFile(), again.workingFile()));
    again.db().execScript(u"UPDATE program SET lei=2500, proced='proced.simplif.' WHERE detal='A2';"
                          "DELETE FROM program WHERE detal='A3'"_s);
    dir.files.nextPaths = {again.file()};
    RUN_STEPS(dir, mnu.get(), {click(u"mnucentral"_s), click(u"Command1"_s),
                               message(u" O.S. ARAD: 2 pozitii preluate, dintre care 2 aprobate; 1 pozitii aprobate"
                                       " lipsesc din fisier si au fost pastrate. \n   Pastrate: 03111100-3 A3 (3.000,00"
                                       " lei) "_s),
                               click(u"Command3"_s),
                               expectRows(kItems, {u"9|A1|1000|licitatie|online"_s, u"9|A2|2500|proced.simplif.|"_s,
                                                   u"9|A3|3000|licitatie|online"_s, u"12|S1|500|licitatie|"_s})});

    // Returned to O.S. ARAD, as a whole file of its own; taken back with PRELUARE > Manual, its items approved.
    dir.files.nextFolder = dir.path(u"retur"_s);
    QVERIFY(QDir().mkpath(dir.files.nextFolder));
    RUN_STEPS(dir, mnu.get(), {click(u"mnuretur"_s), expectCell(u"DataGrid1"_s, 0, 0, u"O.S. ARAD"_s),
                               expectCell(u"DataGrid1"_s, 0, 2, u"3"_s), clickCell(u"DataGrid1"_s, 0),
                               click(u"Command1"_s),
                               message(u" Au fost scrise 1 fisiere in "_s + dir.files.nextFolder + u": O.S.ARAD-20261110.mdb "_s),
                               click(u"Command3"_s)});
    const QString returned = QDir(dir.files.nextFolder).filePath(u"O.S.ARAD-20261110.mdb"_s);
    {
        auto file = Database::open(conexiuneC(returned), Database::Mode::ReadOnly);
        QCOMPARE(queryRows(*file, kItems), (QStringList{u"9|A1|1000|licitatie|online"_s, u"9|A2|2500|proced.simplif.|"_s,
                                                         u"9|A3|3000|licitatie|online"_s}));
        QCOMPARE(queryRows(*file, u"SELECT idds,idos,numeds,numeos FROM setare UNION ALL SELECT count(*),0,'',''"
                                  " FROM cpv"_s),
                 (QStringList{u"2|9|ARAD|O.S. ARAD"_s, u"9454|0||"_s}));
    }
    Subunit back(9, u"O.S. ARAD"_s);
    back.add(1000, u"A1"_s);
    back.messages.answers = {true, true};
    QVERIFY(importFile(*back.ctx, nullptr, returned));
    QCOMPARE(queryRows(back.db(), u"SELECT detal,proced FROM program ORDER BY detal"_s),
             (QStringList{u"A1|licitatie"_s, u"A2|proced.simplif."_s, u"A3|licitatie"_s}));
}

void TestDirectorate::approveAndPrintTheLegalProgramme()
{
    Env dir;
    dir.installDefaultFile();
    dir.configure(2, 0, u"ARAD"_s, u"ARAD"_s);
    dir.clock.date = QDate(2026, 11, 10);
    dir.db().exec(u"UPDATE setare SET functiesef='DIRECTOR', sef='ION POP'"_s);
    const auto item = [&](int idos, qint64 cod2, double lei, const QString &detal, double euro = 0) {
        return dir.addItem({.cod2 = cod2, .start = u"01.03.2027"_s, .end = u"30.09.2027"_s, .lei = lei, .idos = idos,
                            .detal = detal, .euro = euro});
    };
    // Each sub-unit's wood stays under the direct-purchase threshold (270.120 lei); together they reach it.
    item(9, 3111100, 150000, u"LEMN A"_s, 30000);
    item(12, 3111100, 150000, u"LEMN S"_s, 30000);
    item(9, 9134200, 1000.5, u"MOTORINA"_s);
    item(9, 45233141, 1000000, u"DRUM VALEA MARE"_s);
    // Another directorate's sub-unit is none of this one's business.
    item(20, 3111100, 500000, u"STRAIN"_s);
    dir.printToFolder();

    auto mnu = std::make_unique<Mnu>(*dir.ctx);
    activate(mnu.get());
    Aprobare *w = nullptr;
    const auto rowOf = [&](const QString &label) {
        for (int r = 0; w && r < w->purchasesModel()->rowCount(); ++r)
            if (w->purchasesModel()->text(r, 0) == label)
                return r;
        return -1;
    };
    const QString kProced = u"SELECT detal,proced,modalitate FROM program WHERE idos<>20 ORDER BY detal"_s;
    const QString lighter = u" Procedura aleasa este mai usoara decat cea indicata de prag (procedura simplificata)."
                            " Continuati ? "_s;
    const auto procedure = [](int row, const QString &text) {
        return QList<Step>{clickCell(u"DataGrid2"_s, row, 10), key(u"DataGrid2"_s, Qt::Key_F2), type({}, text),
                           key({}, Qt::Key_Return)};
    };
    QList<Step> steps{click(u"mnuaprob"_s), call([&] { w = mnu->findChild<Aprobare *>(); QVERIFY(w); }),
                      expectText(u"anul"_s, u"2027"_s), expectText(u"subunit"_s, QString()),
                      call([&] {
                          QCOMPARE(w->purchasesModel()->rowCount(), 3);
                          const int wood = rowOf(u"clasa CPV 0311"_s);
                          QVERIFY(wood >= 0);
                          QCOMPARE(w->purchasesModel()->text(wood, 5), u"300.000,00"_s);
                          QCOMPARE(w->purchasesModel()->text(wood, 6), u"procedura simplificata"_s);
                          QCOMPARE(w->purchasesModel()->text(wood, 7), u"2"_s);
                      }),
                      clickItem(u"DataGrid1"_s, u"clasa CPV 0311"_s),
                      expectCell(u"DataGrid2"_s, 0, 0, u"O.S. ARAD"_s), expectCell(u"DataGrid2"_s, 1, 0, u"O.S. SEBIS"_s)};
    // Heavier than indicated: no question; a mode set with it.
    steps << procedure(0, u"Licitatie"_s)
          << expectRows(kProced, {u"DRUM VALEA MARE||"_s, u"LEMN A|licitatie|online"_s, u"LEMN S||"_s, u"MOTORINA||"_s})
          << procedure(1, u"prin telefon"_s) << message(u" Procedura necunoscuta "_s)
          // Lighter: asked, and "Nu" leaves it; "Da" takes it.
          << procedure(1, u"achizitie directa"_s) << message(lighter, Answer::No)
          << expectRows(kProced, {u"DRUM VALEA MARE||"_s, u"LEMN A|licitatie|online"_s, u"LEMN S||"_s, u"MOTORINA||"_s})
          << procedure(1, u"achizitie directa"_s) << message(lighter, Answer::Yes)
          << call([&] { QVERIFY(w->itemsModel()->data(w->itemsModel()->index(1, 0), Qt::BackgroundRole).isValid()); })
          // The one indicated: no question, and the row is no longer marked.
          << procedure(1, u"proced.simplif."_s)
          << call([&] { QVERIFY(!w->itemsModel()->data(w->itemsModel()->index(1, 0), Qt::BackgroundRole).isValid()); })
          << clickCell(u"DataGrid2"_s, 0, 12) << key(u"DataGrid2"_s, Qt::Key_F2) << type({}, u"fax"_s)
          << key({}, Qt::Key_Return) << message(u" Modalitatea poate fi online sau offline "_s)
          << clickCell(u"DataGrid2"_s, 0, 12) << key(u"DataGrid2"_s, Qt::Key_F2) << type({}, u"OFFLINE"_s)
          << key({}, Qt::Key_Return)
          << expectRows(kProced, {u"DRUM VALEA MARE||"_s, u"LEMN A|licitatie|offline"_s, u"LEMN S|proced.simplif.|online"_s,
                                  u"MOTORINA||"_s})
          << expectRows(u"SELECT a.uid=p.uid,a.idos,a.moment,a.procedvechi,a.proced,a.modalitate FROM aprobari a"
                        " JOIN program p ON p.uid=a.uid ORDER BY a.ida"_s,
                        {u"1|9|2026-11-10 10:00:00||licitatie|online"_s,
                         u"1|12|2026-11-10 10:00:00||achizitie directa|online"_s,
                         u"1|12|2026-11-10 10:00:00|achizitie directa|proced.simplif.|online"_s,
                         u"1|9|2026-11-10 10:00:00|licitatie|licitatie|offline"_s})
          << call([&] {
                 QCOMPARE(w->itemsModel()->data(w->itemsModel()->index(1, 3), Qt::ToolTipRole).toString(),
                          u" Aprobat la 10.11.2026 10:00 "_s);
                 QCOMPARE(w->purchasesModel()->text(rowOf(u"clasa CPV 0311"_s), 4), u"2"_s);
             })
          // A group: the indicated procedure on each item not yet approved.
          << clickItem(u"DataGrid1"_s, u"lucrarea DRUM VALEA MARE"_s) << click(u"Command1"_s)
          << message(u" Se aproba 1 pozitii cu procedura proced.simplif.. Continuati ? "_s, Answer::Yes)
          << clickItem(u"DataGrid1"_s, u"clasa CPV 0913"_s) << click(u"Command1"_s)
          << message(u" Se aproba 1 pozitii cu procedura achizitie directa. Continuati ? "_s, Answer::No)
          << expectRows(u"SELECT count(*) FROM program WHERE detal='MOTORINA' AND proced=''"_s, {u"1"_s})
          << click(u"Command1"_s)
          << message(u" Se aproba 1 pozitii cu procedura achizitie directa. Continuati ? "_s, Answer::Yes)
          << click(u"Command1"_s) << message(u" Toate pozitiile acestei achizitii sunt aprobate. "_s)
          << expectRows(kProced, {u"DRUM VALEA MARE|proced.simplif.|online"_s, u"LEMN A|licitatie|offline"_s,
                                  u"LEMN S|proced.simplif.|online"_s, u"MOTORINA|achizitie directa|online"_s})
          << expectRows(u"SELECT count(*) FROM aprobari"_s, {u"6"_s})
          // Only one sub-unit's purchases and items; none left unapproved.
          << choose(u"subunit"_s, u"O.S. SEBIS"_s)
          << call([&] {
                 QCOMPARE(w->purchasesModel()->rowCount(), 1);
                 QCOMPARE(w->purchasesModel()->text(0, 5), u"300.000,00"_s);   // still counted over every sub-unit
                 QCOMPARE(w->itemsModel()->rowCount(), 1);
             })
          << choose(u"subunit"_s, QString()) << click(u"neaprob"_s)
          << call([&] { QCOMPARE(w->purchasesModel()->rowCount(), 0); }) << click(u"neaprob"_s);
    // The legal programme: asked for its approval, a date that is no day refused.
    steps << click(u"Command2"_s) << type(u"Text1"_s, u"12"_s) << type(u"Text2"_s, u"31.04.2027"_s)
          << click(u"Command1"_s) << message(u" Numarul zilei este necorespunzator "_s) << type(u"Text2"_s, u"15.01.2027"_s)
          << click(u"Option2"_s) << type(u"Text3"_s, u"2"_s) << click(u"Command1"_s)
          << expectRows(u"SELECT * FROM paap"_s, {u"2027|12|15.01.2027|1|2"_s})
          // Offered again as last given; "Renunta" prints nothing.
          << click(u"Command2"_s) << expectText(u"Text1"_s, u"12"_s) << expectText(u"Text3"_s, u"2"_s)
          << click(u"Command2"_s) << click(u"Command3"_s);
    RUN_STEPS(dir, mnu.get(), steps);
    const QString text = dir.takeReport(u"rappaap"_s).simplified();
    for (const QString &part :
         {u"PROGRAMUL ANUAL AL ACHIZITIILOR PUBLICE PE ANUL 2027"_s, u"APROBAT DIRECTOR ION POP Nr. 12 din 15.01.2027"_s,
          u"Actualizarea nr. 2 din 15.01.2027"_s, u"Achizitii publice"_s, u"Anexa - Achizitii directe"_s,
          u"licitatie deschisa"_s, u"Total Lucrari 1.000.000,00"_s, u"Total Anexa - Achizitii directe 1.000,50"_s,
          u"Total Achizitii publice 1.300.000,00 60.000,00"_s, u"TOTAL GENERAL"_s, u"1.301.000,50 60.000,00"_s})
        QVERIFY2(text.contains(part), qPrintable(part + u" in: "_s + text));
    QVERIFY(!text.contains(u"STRAIN"_s) && !text.contains(u"500.000,00"_s));
    QCOMPARE(dir.takeReport(u"rappaap"_s), u"<none>"_s);

    // The rows against the file: one per purchase and procedure, each section's sum the items'.
    const ResultSet rows = legalProgrammeRows(dir.db(), 2027, {9, 12});
    QStringList got;
    for (int r = 0; r < rows.count(); ++r)
        got << QStringList{rows.text(r, u"achizitie.sectiune"_s), rows.text(r, u"achizitie.tip"_s),
                           rows.text(r, u"achizitie.cod"_s), rows.text(r, u"achizitie.lei"_s),
                           rows.text(r, u"achizitie.procedura"_s), rows.text(r, u"achizitie.initiere"_s),
                           rows.text(r, u"achizitie.atribuire"_s), rows.text(r, u"achizitie.modalitate"_s)}
                   .join(u'|');
    QCOMPARE(got, (QStringList{u"Achizitii publice|Produse si servicii|03110000-5|150000|licitatie deschisa|03.2027|09.2027|offline"_s,
                               u"Achizitii publice|Produse si servicii|03110000-5|150000|procedura simplificata|03.2027|09.2027|online"_s,
                               u"Achizitii publice|Lucrari|45233141-9|1000000|procedura simplificata|03.2027|09.2027|online"_s,
                               u"Anexa - Achizitii directe|Produse si servicii|09130000-9|1000.5|achizitie directa|03.2027|09.2027|online"_s}));
    QCOMPARE(queryRows(dir.db(), u"SELECT sum(lei) FROM program WHERE idos IN (9,12) AND proced<>'achizitie directa'"_s),
             QStringList{u"1300000"_s});

    // The criteria window of a directorate: every sub-unit with a subtotal each, or the one chosen.
    dir.db().exec(u"DELETE FROM program WHERE idos=20"_s);
    QString all, one;
    RUN_STEPS(dir, mnu.get(), {click(u"mnucen"_s), expectText(u"subunit"_s, QString()), click(u"Command1"_s),
                               call([&] { all = dir.takeReport(u"rapproga"_s).simplified(); }),
                               choose(u"subunit"_s, u"O.S. SEBIS"_s), click(u"Command1"_s),
                               call([&] { one = dir.takeReport(u"rapproga"_s).simplified(); }), click(u"Command2"_s)});
    for (const QString &part : {u"Total O.S. ARAD 1.151.000,50"_s, u"Total O.S. SEBIS 150.000,00"_s, u"DRUM VALEA MARE"_s})
        QVERIFY2(all.contains(part), qPrintable(part + u" in: "_s + all));
    QVERIFY2(one.contains(u"LEMN S"_s) && !one.contains(u"LEMN A"_s) && !one.contains(u"Total O.S."_s), qPrintable(one));
}

void TestDirectorate::hostileFilesTakenInRunNothing()
{
    Env dir;
    dir.installDefaultFile();
    dir.configure(2, 0, u"ARAD"_s, u"ARAD"_s);
    dir.addItem({.idos = 9, .detal = u"PASTRAT"_s});
    // Files of a sub-unit made hostile, chosen at once: each refused by name, a whole one beside them taken in.
    Subunit sebis(12, u"O.S. SEBIS"_s);
    sebis.add(700, u"S1"_s);
    QStringList chosen;
    for (const char *kind : {"view", "virtual", "trigger", "schema", "long"})
        chosen << hostileFile(sebis, QLatin1String(kind) + u".mdb"_s, QLatin1String(kind));
    chosen << sebis.file();
    const QStringList before = tableDump(dir.db(), u"program"_s);
    dir.files.nextPaths = chosen;
    const QString unknown = u": nu a fost preluat, fisierul ales nu este un fisier TENDRO valid (contine obiecte"
                            " necunoscute). "_s;
    auto mnu = std::make_unique<Mnu>(*dir.ctx);
    activate(mnu.get());
    RUN_STEPS(dir, mnu.get(),
              {click(u"mnucentral"_s), click(u"Command1"_s),
               message(u" view.mdb"_s + unknown + u"\n virtual.mdb"_s + unknown + u"\n trigger.mdb"_s + unknown
                       + u"\n schema.mdb: nu a fost preluat, fisierul ales nu poate fi citit. \n long.mdb: nu a fost"
                         " preluat, fisierul ales nu poate fi citit. \n O.S. SEBIS: 1 pozitii preluate, dintre care 0"
                         " aprobate; 0 pozitii aprobate lipsesc din fisier si au fost pastrate. "_s),
               click(u"Command3"_s)});
    // A megabyte of text is no item's: refused with the rest. The directorate's own rows are as they were.
    QCOMPARE(queryRows(dir.db(), u"SELECT idos, detal FROM program WHERE idos=12"_s), QStringList{u"12|S1"_s});
    QStringList after = tableDump(dir.db(), u"program"_s);
    after.erase(std::remove_if(after.begin(), after.end(), [](const QString &row) { return row.contains(u"S1"_s); }),
                after.end());
    QCOMPARE(after, before);
}

QTEST_MAIN(TestDirectorate)
#include "test_directorate.moc"
