// The directorate's side: set up as a directorate, its sub-units' files taken
// in (and taken in again), the approved programmes returned and taken back by
// a sub-unit, through the real windows.

#include "steps.h"
#include "app/mnu.h"
#include "app/startup.h"
#include "directorate/returnfile.h"
#include "exchange/import.h"
#include "shell/setare.h"
#include "store/connections.h"
#include "store/database.h"

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

QTEST_MAIN(TestDirectorate)
#include "test_directorate.moc"
