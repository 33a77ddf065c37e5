// A year in the life of a forest district, through the real windows in
// their order, by mouse and keyboard: setup, signatories, password, the
// programme by browsing, code and word, a research project, the proposals,
// the file sent and taken back approved, invoices typed in a sitting, their
// totals and reports, the copy into the next year and the exit; last, the
// working file and the backup read with the sqlcipher shell.

#include "steps.h"
#include "app/mnu.h"
#include "app/startup.h"
#include "shell/setare.h"
#include "store/connections.h"
#include "store/database.h"

#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

// The editor filled by keyboard from the value box on, then "Salvare".
QList<Step> item(const QString &lei, const QString &detal)
{
    QList<Step> out{type(u"vallei"_s, lei)};
    for (const QString &text : {u"0"_s, u"1"_s, u"4"_s, u"2026"_s, u"30"_s, u"9"_s, u"2026"_s, u"pop ion"_s, detal})
        out << key({}, Qt::Key_Tab) << type({}, text);
    return out << click(u"Command2"_s) << message(u" Datele au fost salvate "_s);
}

// One query through the sqlcipher shell, keyed with the database password.
QString shell(const QString &file, const QString &sql)
{
    QProcess p;
    p.start(u"sqlcipher"_s, {file});
    p.waitForStarted();
    p.write(u"PRAGMA key='%1';\n%2;\n"_s.arg(QLatin1String(kDatabasePassword), sql).toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace

class TestYear : public QObject {
    Q_OBJECT
private slots:
    void aYearInTheLife();
};

void TestYear::aYearInTheLife()
{
    Env env;
    env.printToFolder();
    env.clock.date = QDate(2026, 2, 10);
    {   // First run: the file is made, the sub-unit chosen.
        Setare setare(*env.ctx);
        QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Setup);
        activate(&setare);
        RUN_STEPS(env, &setare, {clickItem(u"dir1"_s, u"ARAD"_s), clickItem(u"ocol"_s, u"O.S. ARAD"_s), click(u"butoninstal"_s)});
        QCOMPARE(env.ctx->subunitate.numeos, u"O.S. ARAD"_s);
    }
    auto mnu = std::make_unique<Mnu>(*env.ctx);
    activate(mnu.get());
    QList<Step> signatories{click(u"mnuset"_s)};
    for (const QString &name : {u"SEF DE OCOL"_s, u"ION POPESCU"_s, u"MARIA IONESCU"_s, u"VASILE GHEORGHE"_s})
        signatories << clickCell(u"DataGrid1"_s, 0, 2 + signatories.size() / 4) << key({}, Qt::Key_F2) << type({}, name)
                    << key({}, Qt::Key_Return);
    RUN_STEPS(env, mnu.get(), signatories + QList<Step>{click(u"Command1"_s), click(u"mnupar"_s),
                  type(u"pass"_s, u"Stejar 1"_s), type(u"passc"_s, u"Stejar 1"_s), click(u"Command2"_s)});

    // The next start asks for the password (the splash comes first, so no steps here).
    mnu.reset();
    env.ctx->closeDb();
    whenModal(u"par"_s, [](QWidget *par) {
        par->findChild<QLineEdit *>(u"passconf"_s)->setText(u"Stejar 1"_s);
        QTest::mouseClick(par->findChild<QPushButton *>(u"Command2"_s), Qt::LeftButton);
    });
    {
        Setare setare(*env.ctx);
        QCOMPARE(runStartup(*env.ctx, setare), StartupResult::MainWindow);
    }
    mnu = std::make_unique<Mnu>(*env.ctx);
    activate(mnu.get());

    // Goods by browsing, services by code, works by word, research in a project; the proposals.
    const QString sent = env.path(u"catre_directie.mdb"_s);
    RUN_STEPS(env, mnu.get(), QList<Step>{click(u"mnuprg"_s), clickCell(u"list2"_s, 1), doubleClickCell(u"list3"_s, 0)}
        + item(u"1500"_s, u"sediu"_s) + QList<Step>{type(u"cod"_s, u"50112000"_s), key({}, Qt::Key_Return)}
        + item(u"800"_s, u"autoturism"_s) + QList<Step>{type(u"cuvant"_s, u"reparare a drumurilor"_s), click(u"Command6"_s)}
        + item(u"25000"_s, u"drum valea mare"_s) + QList<Step>{click(u"act1"_s), type(u"proiect"_s, u"proiect paduri"_s),
                                                                 type(u"cod"_s, u"77231600"_s), key({}, Qt::Key_Return)}
        + item(u"3000"_s, u"puieti"_s)
        + QList<Step>{expectRows(u"SELECT activit,proiect,count(*) FROM program GROUP BY 1,2 ORDER BY 1"_s,
                                 {u"cercetare|PROIECT PADURI|1"_s, u"productie||3"_s}),
                      click(u"Command5"_s), click(u"Command1"_s),
                      // Sent to the directorate, approved there but for the works, taken back.
                      call([&] { env.files.nextPath = sent; }), click(u"mnutransman"_s),
                      message(u"Transmiterea datelor in "_s + sent + u" a fost efectuat "_s),
                      call([&] {
                          Database::open(conexiuneC(sent))->exec(
                              u"UPDATE program SET proced='licitatie', anunt='A1' WHERE detal<>'DRUM VALEA MARE'"_s);
                      }),
                      click(u"mnuprelman"_s), message(u"Sunteti sigur ca doriti preluarea datelor din "_s + sent + u" ? "_s, Answer::Yes),
                      message(u"Doriti inlocuirea datelor existente cu cele ce se preiau ? "_s, Answer::Yes),
                      message(u"Preluarea datelor din "_s + sent + u" a fost efectuata "_s)});
    const QString proposals = env.takeReport(u"rapprog"_s);
    for (const char *expected : {"PROPUNERI PROGRAM ACHIZITII PE ANUL 2026", "30.300,00", "ION POPESCU", "DRUM VALEA MARE"})
        QVERIFY2(proposals.contains(QLatin1String(expected)), qPrintable(proposals));

    // June: two invoices typed in a sitting against the first approved item, their totals and reports.
    env.clock.date = QDate(2026, 6, 20);
    QList<Step> june{click(u"mnureal"_s), clickCell(u"DataGrid1"_s, 0), key({}, Qt::Key_Return)};
    for (const QString &invoice : {u"101|01.06.2026|SC LEMN SRL|MOBILIER|201|10.06.2026|1000|5/01.06.2026"_s,
                                   u"||SC LEMN SRL|RAFTURI|202|12.06.2026|250.5|6/02.06.2026"_s})
        for (const QString &field : invoice.split(u'|'))
            june << (field.isEmpty() ? QList<Step>{} : QList<Step>{type({}, field)}) << key({}, Qt::Key_Tab);
    june << click(u"Command3"_s) << click(u"Command2"_s)
         << message(u" Doriti afisarea doar a pozitiilor din program care au fost depasite ? "_s, Answer::No)
         << click(u"Command1"_s) << click(u"mnucen"_s) << click(u"Command1"_s) << click(u"Command2"_s);
    RUN_STEPS(env, mnu.get(), june);
    QVERIFY(env.takeReport(u"raprealiz"_s).contains(u"1.250,50"_s));
    const QString approved = env.takeReport(u"rapproga"_s);
    QVERIFY2(approved.contains(u"5.300,00"_s) && !approved.contains(u"VALEA MARE"_s), qPrintable(approved));

    // January: last year's programme copied into the new one, as proposals; then the exit.
    env.clock.date = QDate(2027, 1, 15);
    RUN_STEPS(env, mnu.get(), {click(u"mnuprg"_s), clickCell(u"anul"_s, 1),
                               call([&] { QApplication::activeModalWidget()->findChild<QAction *>(u"mnucopi"_s)->trigger(); }),
                               message(u" Ati activat optiunea de copiere a datelor din anul 2026 in anul 2027 ! \n Sigur aceasta doriti ? "_s,
                                       Answer::Yes),
                               message(u" Datele din anul 2026 au fost copiate in anul 2027"_s), click(u"Command1"_s),
                               click(u"mnuies"_s)});
    QCOMPARE(env.platform.ended, 1);
    env.ctx->closeDb();
    for (const QString &file : {env.workingFile(), backupFilePath(env.dir.path())})
        QCOMPARE(shell(file, u"SELECT count(*) FROM program WHERE datainc2 LIKE '2026%' AND proced='licitatie';"
                              "SELECT count(*) FROM program WHERE datainc2 LIKE '2027%' AND proced='';"
                              "SELECT sum(lei) FROM realiz WHERE idos=9; SELECT realiz FROM program WHERE realiz>0;"
                              "SELECT sef||'/'||intocmit FROM setare; SELECT parola<>'' FROM valid"_s),
                 u"3\n4\n1250.5\n1250.5\nION POPESCU/VASILE GHEORGHE\n1"_s);
}

QTEST_MAIN(TestYear)
#include "test_year.moc"
