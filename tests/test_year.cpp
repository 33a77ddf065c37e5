// A year in the life of a forest district, through the real windows and in
// their order: setup, signatories, password, the programme by browsing and
// by both searches, a research project, the proposals report, the file sent
// and taken back approved, realizations and their totals, the reports, the
// copy into the next year and the exit; last, the working file and the
// backup read with the sqlcipher shell.

#include "fakes.h"
#include "app/mnu.h"
#include "app/startup.h"
#include "catalogue/browser.h"
#include "programme/liste.h"
#include "realizations/entrychecks.h"
#include "realizations/realiz.h"
#include "shell/setare.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/querymodel.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

// Works in the modal window `name` once the menu opens it, then closes it
// whatever happened, so that a failed check never leaves a window waiting.
void inWindow(Mnu &mnu, const char *action, const char *name, const std::function<void(QWidget *)> &body)
{
    whenModal(QLatin1String(name), [body](QWidget *w) {
        QApplication::setActiveWindow(w);
        body(w);
        if (w->isVisible())
            static_cast<QDialog *>(w)->done(0);
    });
    mnu.action(QLatin1String(action))->trigger();
}

template <typename T> T *in(QWidget *w, const char *name) { return w->findChild<T *>(QLatin1String(name)); }

void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton); }

void clickRow(QListWidget *list, const QString &text, bool twice = false)
{
    const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    const QPoint at = list->visualItemRect(found.first()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// Types into a field and leaves it by Tab, as a user fills the editor.
void type(QWidget *w, const char *field, const QString &text)
{
    auto *e = in<QLineEdit>(w, field);
    e->setFocus(Qt::MouseFocusReason);
    e->selectAll();
    QTest::keyClicks(e, text);
    QTest::keyClick(e, Qt::Key_Tab);
}

void fillAndSave(QWidget *w, const QString &lei, const QString &detal)
{
    type(w, "vallei", lei);
    type(w, "valeuro", u"0"_s);
    type(w, "zi1", u"1"_s);
    type(w, "luna1", u"4"_s);
    type(w, "zi2", u"30"_s);
    type(w, "luna2", u"9"_s);
    type(w, "detal", detal);
    type(w, "resp", u"pop ion"_s);
    click(in<QPushButton>(w, "Command2"));
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

    // First run: the file is made, the sub-unit chosen.
    {
        Setare setare(*env.ctx);
        QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Setup);
        setare.show();
        clickRow(setare.dir1(), u"ARAD"_s);
        clickRow(setare.ocol(), u"O.S. ARAD"_s);
        click(in<QPushButton>(&setare, "butoninstal"));
        QCOMPARE(setare.result(), int(QDialog::Accepted));
    }
    QCOMPARE(env.ctx->subunitate.idos, 9);
    auto mnu = std::make_unique<Mnu>(*env.ctx);

    // The signatories, then a password.
    inWindow(*mnu, "mnuset", "setare2", [](QWidget *w) {
        QAbstractItemModel *m = in<QTableView>(w, "DataGrid1")->model();
        const QStringList names{"SEF DE OCOL", "ION POPESCU", "MARIA IONESCU", "VASILE GHEORGHE"};
        for (int c = 0; c < 4; ++c)
            m->setData(m->index(0, c + 2), names.at(c));
        click(in<QPushButton>(w, "Command1"));
    });
    inWindow(*mnu, "mnupar", "par1", [](QWidget *w) {
        in<QLineEdit>(w, "pass")->setText(u"Stejar 1"_s);
        in<QLineEdit>(w, "passc")->setText(u"Stejar 1"_s);
        click(in<QPushButton>(w, "Command2"));
    });

    // The next start asks for it.
    mnu.reset();
    env.ctx->closeDb();
    {
        whenModal(u"par"_s, [](QWidget *par) {
            in<QLineEdit>(par, "passconf")->setText(u"Stejar 1"_s);
            click(in<QPushButton>(par, "Command2"));
        });
        Setare setare(*env.ctx);
        QCOMPARE(runStartup(*env.ctx, setare), StartupResult::MainWindow);
    }
    QVERIFY(env.messages.shown.isEmpty());
    mnu = std::make_unique<Mnu>(*env.ctx);

    // The programme: goods by browsing, services by code, works by word, research in a project.
    inWindow(*mnu, "mnuprg", "liste", [&env](QWidget *w) {
        auto *liste = static_cast<Liste *>(w);
        clickRow(in<QListWidget>(w, "list2"), in<QListWidget>(w, "list2")->item(1)->text());
        clickRow(in<QListWidget>(w, "list3"), in<QListWidget>(w, "list3")->item(0)->text(), true);
        QCOMPARE(in<QListWidget>(w, "list4")->count(), 0);
        fillAndSave(w, u"1500"_s, u"sediu"_s);
        in<QLineEdit>(w, "cod")->setText(u"50112000"_s);
        QTest::keyClick(in<QLineEdit>(w, "cod"), Qt::Key_Return);
        fillAndSave(w, u"800"_s, u"autoturism"_s);
        in<QLineEdit>(w, "cuvant")->setText(u"reparare a drumurilor"_s);
        click(in<QPushButton>(w, "Command6"));
        QVERIFY(in<QRadioButton>(w, "lucr")->isChecked());
        fillAndSave(w, u"25000"_s, u"drum valea mare"_s);
        click(in<QRadioButton>(w, "act1"));
        in<QComboBox>(w, "proiect")->setEditText(u"proiect paduri"_s);
        liste->browser()->searchCode(u"77231600"_s);
        fillAndSave(w, u"3000"_s, u"puieti"_s);
        QCOMPARE(env.messages.texts(), QStringList(4, u" Datele au fost salvate "_s));
        QCOMPARE(liste->gridModel()->rowCount(), 1);   // a project chosen: its items only
        QCOMPARE(env.ctx->db().query(u"SELECT count(*) AS n FROM program"_s).integer(0, u"n"_s), 4);
        click(in<QPushButton>(w, "Command5"));   // the proposals
        click(in<QPushButton>(w, "Command1"));
    });
    const QString proposals = env.takeReport(u"rapprog"_s);
    for (const char *expected : {"PROPUNERI PROGRAM ACHIZITII PE ANUL 2026", "TOTAL GENERAL", "30.300,00", "ION POPESCU", "SEDIU",
                                 "DRUM VALEA MARE", "PROIECT PADURI", "1 / 1"})
        QVERIFY2(proposals.contains(QLatin1String(expected)), qPrintable(proposals));

    // Sent to the directorate, approved there but for the works, taken back.
    const QString sent = env.path(u"catre_directie.mdb"_s);
    env.files.nextPath = sent;
    mnu->action(u"mnutransman"_s)->trigger();
    QCOMPARE(env.messages.last(), u"Transmiterea datelor in "_s + sent + u" a fost efectuat "_s);
    {
        auto directorate = Database::open(conexiuneC(sent));
        directorate->exec(u"UPDATE program SET proced='licitatie', anunt='A1' WHERE detal<>'DRUM VALEA MARE'"_s);
    }
    env.files.nextPath = sent;
    env.messages.answers = {true, true};
    mnu->action(u"mnuprelman"_s)->trigger();
    QCOMPARE(env.messages.last(), u"Preluarea datelor din "_s + sent + u" a fost efectuata "_s);

    // June: contracts and invoices against the approved goods, their totals and report.
    env.clock.date = QDate(2026, 6, 20);
    env.messages.shown.clear();
    inWindow(*mnu, "mnureal", "realiz", [&env](QWidget *w) {
        auto *realiz = static_cast<Realiz *>(w);
        QCOMPARE(realiz->programmeModel()->rowCount(), 3);
        auto *upper = in<QTableView>(w, "DataGrid1");
        QTest::mouseDClick(upper->viewport(), Qt::LeftButton, {}, upper->visualRect(upper->model()->index(0, 0)).center());
        QVERIFY(realiz->idsel() > 0);
        auto *grid = in<QTableView>(w, "DataGrid2");
        for (const QStringList &row : {QStringList{"SC LEMN SRL", "MOBILIER", "101", "10.06.2026", "1000", "5/01.06.2026"},
                                       QStringList{"SC LEMN SRL", "RAFTURI", "102", "12.06.2026", "250.5", "6/02.06.2026"}}) {
            const int r = realiz->entryModel()->rowCount() - 1;
            const int columns[] = {EFurniz, EDenumach, EActnr, EActdata1, ELei, ERefer};
            for (int i = 0; i < 6; ++i) {
                grid->setFocus();
                grid->setCurrentIndex(realiz->entryModel()->index(r, columns[i]));
                QTest::keyClick(grid, Qt::Key_F2);
                QTest::keyClicks(QApplication::focusWidget(), row.at(i));
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                settle();
            }
            QTest::keyClick(grid, Qt::Key_Down);
            settle();
        }
        QVERIFY2(env.messages.shown.isEmpty(), qPrintable(env.messages.texts().join(QLatin1Char('|'))));
        click(in<QPushButton>(w, "Command3"));   // "Suma"
        QVERIFY(realiz->programmeModel()->text(0, 8) == u"1250.5"_s);
        env.messages.answers = {false};
        click(in<QPushButton>(w, "Command2"));   // the realizations
        click(in<QPushButton>(w, "Command1"));
    });
    const QString realizations = env.takeReport(u"raprealiz"_s);
    QVERIFY2(realizations.contains(u"SITUATIA REALIZARILOR PE ANUL 2026"_s), qPrintable(realizations));
    QVERIFY(realizations.contains(u"1.250,50"_s));
    inWindow(*mnu, "mnucen", "cen", [](QWidget *w) {
        QVERIFY(in<QRadioButton>(w, "aprob")->isChecked());
        click(in<QPushButton>(w, "Command1"));
        click(in<QPushButton>(w, "Command2"));
    });
    const QString approved = env.takeReport(u"rapproga"_s);
    QVERIFY2(approved.contains(u"PROGRAM ACHIZITII PE ANUL 2026"_s), qPrintable(approved));
    QVERIFY(approved.contains(u"5.300,00"_s) && !approved.contains(u"VALEA MARE"_s));

    // January: last year's programme copied into the new one, as proposals.
    env.clock.date = QDate(2027, 1, 15);
    inWindow(*mnu, "mnuprg", "liste", [&env](QWidget *w) {
        auto *anul = in<QListWidget>(w, "anul");
        clickRow(anul, u"2026"_s);
        QTest::mouseClick(anul->viewport(), Qt::RightButton, {}, anul->visualItemRect(anul->currentItem()).center());
        QVERIFY(w->findChild<QMenu *>()->isVisible());
        w->findChild<QMenu *>()->hide();
        env.messages.answers = {true};
        w->findChild<QAction *>(u"mnucopi"_s)->trigger();
        click(in<QPushButton>(w, "Command1"));
    });
    QCOMPARE(env.messages.last(), u" Datele din anul 2026 au fost copiate in anul 2027"_s);

    // The regular exit keeps a backup.
    mnu->action(u"mnuies"_s)->trigger();
    QCOMPARE(env.platform.ended, 1);
    env.ctx->closeDb();
    for (const QString &file : {env.workingFile(), backupFilePath(env.dir.path())}) {
        QCOMPARE(shell(file, u"SELECT count(*) FROM program WHERE datainc2 LIKE '2026%' AND proced='licitatie'"_s),
                 u"3"_s);
        QCOMPARE(shell(file, u"SELECT count(*) FROM program WHERE datainc2 LIKE '2027%' AND proced=''"_s), u"4"_s);
        QCOMPARE(shell(file, u"SELECT sum(lei) FROM realiz WHERE idos=9"_s), u"1250.5"_s);
        QCOMPARE(shell(file, u"SELECT realiz FROM program WHERE realiz>0"_s), u"1250.5"_s);
        QCOMPARE(shell(file, u"SELECT sef||'/'||intocmit FROM setare"_s), u"ION POPESCU/VASILE GHEORGHE"_s);
        QCOMPARE(shell(file, u"SELECT parola<>'' FROM valid"_s), u"1"_s);
    }
}

QTEST_MAIN(TestYear)
#include "test_year.moc"
