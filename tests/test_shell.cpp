// Start-up, main window, sub-unit setup, signatories, password and exit,
// driven through the real windows with scripted services.

#include "fakes.h"
#include "shell/exit.h"
#include "shell/init.h"
#include "app/mnu.h"
#include "shell/password.h"
#include "shell/setare.h"
#include "shell/setare2.h"
#include "app/startup.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filecopy.h"
#include "store/querymodel.h"
#include "store/schema.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;

namespace {

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

qint64 countRows(Database &db, const QString &from)
{
    return db.query(QStringLiteral("SELECT count(*) AS n FROM ") + from).integer(0, QStringLiteral("n"));
}

// Types into the login window once it is shown, then presses OK.
void answerLogin(const QStringList &attempts)
{
    whenModal(QStringLiteral("par"), [attempts](QWidget *par) {
        auto *field = par->findChild<QLineEdit *>(QStringLiteral("passconf"));
        auto *ok = par->findChild<QPushButton *>(QStringLiteral("Command2"));
        for (const QString &a : attempts) {
            field->setText(a);
            ok->click();
        }
    });
}

} // namespace

class TestShell : public QObject {
    Q_OBJECT
private slots:
    void firstRunCreatesTheFileAndOffersSetup();
    void configuredRunGoesToTheMainWindow();
    void utilityRowIsAddedOnce();
    void nullOrEmptyPasswordAsksNothing();
    void startupAsksForASetPassword();
    void separatorRefusalStopsTheStartup();
    void plainFileIsEncryptedAndTheNextStartOpensIt();
    void unreadableFilesAreReportedAndLeftAlone();
    void splashRunsForItsIntervalIgnoringEscape();
    void displayModeAtStartAndExit_data();
    void displayModeAtStartAndExit();
    void captionNamesDirectorateAndSubunit();
    void menuHoldsEveryEntry();
    void serverEntriesOnlySayNotPossible();
    void programmeWindowLoadsAgainWhenReopened();
    void setupReplacesSubunitsAndStoresTheChoice();
    void setupRefusesADirectorateWithoutSubunits();
    void signatoriesAreKeptAcrossRuns();
    void loginComparesExactlyAndEndsAfterThreeTries();
    void loginCancelEndsTheProgram();
    void settingAPassword();
    void changingAPassword();
    void olderPlainPasswordStillWorks();
    void exitKeepsOneBackupEqualToTheWorkingFile();
    void exitEndsEvenWhenTheBackupFails();
};

void TestShell::firstRunCreatesTheFileAndOffersSetup()
{
    Env env;
    Setare setare(*env.ctx);
    QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Setup);
    QVERIFY(QFile::exists(env.workingFile()));
    QVERIFY(env.messages.shown.isEmpty());
    QCOMPARE(setare.windowTitle(), QStringLiteral("Setare subunitate"));
    QVERIFY(env.platform.closeRemoved.contains(&setare));
    QVERIFY(!(setare.windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(setare.dir1()->count(), 42);
    QStringList names;
    for (int i = 0; i < setare.dir1()->count(); ++i)
        names << setare.dir1()->item(i)->text();
    QStringList sorted = names;
    sorted.sort();
    QCOMPARE(names, sorted);
    QCOMPARE(setare.dir1()->currentRow(), 0);
    // The first directorate's sub-units, the first one chosen.
    const ResultSet os = env.ctx->db().query(
        QStringLiteral("SELECT numeos FROM os WHERE idds=(SELECT idds FROM ds WHERE numeds=?)"), {names.first()});
    QCOMPARE(setare.ocol()->count(), os.count());
    QCOMPARE(setare.ocol()->currentItem()->text(), os.text(0, QStringLiteral("numeos")));
}

void TestShell::configuredRunGoesToTheMainWindow()
{
    Env env;
    env.installDefaultFile();
    // A row without a sub-unit name is no configuration.
    env.ctx->db().exec(QStringLiteral("INSERT INTO setare (idds,idos,numeds,numeos) VALUES(3,20,'PITESTI','')"));
    {
        Setare setare(*env.ctx);
        QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Setup);
    }
    env.configure(2, 9, QStringLiteral("ARAD"), QStringLiteral("O.S. ARAD"));
    env.ctx->db().exec(QStringLiteral("INSERT INTO setare (idds,idos,numeds,numeos) VALUES(3,20,'PITESTI','O.S. X')"));
    env.ctx->subunitate = {};
    Setare setare(*env.ctx);
    QCOMPARE(runStartup(*env.ctx, setare), StartupResult::MainWindow);
    QCOMPARE(env.ctx->subunitate.idds, 2);
    QCOMPARE(env.ctx->subunitate.idos, 9);
    QCOMPARE(env.ctx->subunitate.numeds, QStringLiteral("ARAD"));
    QCOMPARE(env.ctx->subunitate.numeos, QStringLiteral("O.S. ARAD"));
    QCOMPARE(setare.dir1()->count(), 0);
}

void TestShell::utilityRowIsAddedOnce()
{
    Env env;
    env.installDefaultFile();
    for (int run = 0; run < 2; ++run) {
        Setare setare(*env.ctx);
        runStartup(*env.ctx, setare);
    }
    const ResultSet rs = env.ctx->db().query(QStringLiteral("SELECT * FROM cpv WHERE cod2=30192120"));
    QCOMPARE(rs.count(), 1);
    QCOMPARE(rs.text(0, QStringLiteral("cod")), QStringLiteral("30192120-COD INVALID"));
    QCOMPARE(rs.text(0, QStringLiteral("den")), QStringLiteral("Produse pentru scris"));
    QCOMPARE(rs.integer(0, QStringLiteral("fel")), 1);
}

void TestShell::nullOrEmptyPasswordAsksNothing()
{
    for (const QString &value : {QStringLiteral("NULL"), QStringLiteral("''")}) {
        Env env;
        env.installDefaultFile();
        env.configure(1, 1, QStringLiteral("ALBA IULIA"), QStringLiteral("O.S. ABRUD"));
        env.ctx->db().exec(QStringLiteral("UPDATE valid SET parola=") + value);
        Setare setare(*env.ctx);
        // A login window here would block the test until its timeout.
        QCOMPARE(runStartup(*env.ctx, setare), StartupResult::MainWindow);
        QCOMPARE(env.platform.ended, 0);
    }
}

void TestShell::startupAsksForASetPassword()
{
    Env env;
    env.installDefaultFile();
    env.configure(1, 1, QStringLiteral("ALBA IULIA"), QStringLiteral("O.S. ABRUD"));
    storePassword(env.ctx->db(), QStringLiteral("Brad 2026"));
    Setare setare(*env.ctx);
    answerLogin({QStringLiteral("brad 2026"), QStringLiteral("Brad 2026")});
    QCOMPARE(runStartup(*env.ctx, setare), StartupResult::MainWindow);
    QCOMPARE(env.messages.texts(), QStringList{QStringLiteral(" Parola nu corespunde !!! ")});
    QCOMPARE(env.ctx->incercari, 2);
}

void TestShell::separatorRefusalStopsTheStartup()
{
    Env env;
    env.platform.refuseSeparator = true;
    Setare setare(*env.ctx);
    QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Stopped);
    QCOMPARE(env.messages.texts(), QStringList{QStringLiteral("Schimbarea separatorului zecimal a esuat !\nIncercati manual !")});
    QCOMPARE(env.messages.shown.first().title, QStringLiteral("TENDRO"));
    QVERIFY(!QFile::exists(env.workingFile()));
    QCOMPARE(setare.dir1()->count(), 0);
    QCOMPARE(env.ctx->display.modecran, 0);   // no splash either
    QVERIFY(!env.platform.closeRemoved.contains(&setare));   // it keeps its close box
}

void TestShell::plainFileIsEncryptedAndTheNextStartOpensIt()
{
    Env env;
    {
        auto plain = Database::open({env.workingFile(), QString()}, Database::Mode::Create);
        createSchema(*plain);
        plain->exec(QStringLiteral("INSERT INTO ds (idds,numeds) VALUES(7,'BRASOV')"));
        plain->exec(QStringLiteral("INSERT INTO os (idos,idds,numeos) VALUES(70,7,'O.S. BRASOV')"));
        plain->exec(QStringLiteral("INSERT INTO valid (parola) VALUES('')"));
    }
    {
        Setare setare(*env.ctx);
        QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Ended);
    }
    QCOMPARE(env.messages.texts(),
             (QStringList{QStringLiteral(" A fost detectata o eroare in deschiderea bazei de date "),
                          QStringLiteral(" Eroarea a fost remediata.Este necesar de a intra din nou in program. ")}));
    QCOMPARE(env.platform.ended, 1);
    QVERIFY(!QFile::exists(partialPathFor(env.workingFile())));
    QVERIFY_THROWS_EXCEPTION(DbError, Database::open({env.workingFile(), QString()}, Database::Mode::ReadOnly));

    // The next start opens it normally and keeps its rows.
    AppContext next(env.dir.path(), env.messages, env.files, env.clock, env.platform);
    next.splashMilliseconds = 1;
    Setare setare(next);
    QCOMPARE(runStartup(next, setare), StartupResult::Setup);
    QCOMPARE(setare.dir1()->count(), 1);
    QCOMPARE(setare.ocol()->currentItem()->text(), QStringLiteral("O.S. BRASOV"));
}

void TestShell::unreadableFilesAreReportedAndLeftAlone()
{
    struct Case {
        const char *name;
        std::function<void(const QString &)> make;
    };
    const QList<Case> cases{
        {"corrupt bytes",
         [](const QString &p) {
             QFile f(p);
             QVERIFY(f.open(QIODevice::WriteOnly));
             QByteArray junk;
             for (int i = 0; i < 8192; ++i)
                 junk.append(char((i * 131 + 7) % 251));
             f.write(junk);
         }},
        {"another password",
         [](const QString &p) {
             auto db = Database::open({p, QStringLiteral("another")}, Database::Mode::Create);
             createSchema(*db);
         }},
        {"text file",
         [](const QString &p) {
             QFile f(p);
             QVERIFY(f.open(QIODevice::WriteOnly));
             f.write("this is not a database\n");
         }},
    };
    for (const Case &c : cases) {
        Env env;
        c.make(env.workingFile());
        const QByteArray before = fileHash(env.workingFile());
        Setare setare(*env.ctx);
        QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Failed);
        QCOMPARE(env.messages.shown.size(), 1);
        const ShownMessage m = env.messages.shown.first();
        QVERIFY2(m.text.startsWith(QStringLiteral("Eroarea 26 ")), qPrintable(m.text));
        QCOMPARE(m.title, QStringLiteral("Eroare"));
        QCOMPARE(m.icon, MessageIcon::Information);
        QCOMPARE(fileHash(env.workingFile()), before);
        QCOMPARE(env.platform.ended, 0);
        // Left open with nothing to choose, it can still be closed.
        QVERIFY(setare.windowFlags() & Qt::WindowCloseButtonHint);
    }
}

void TestShell::splashRunsForItsIntervalIgnoringEscape()
{
    Env env;
    env.ctx->splashMilliseconds = 2500;
    Init init(*env.ctx);
    QCOMPARE(init.objectName(), QStringLiteral("init"));
    QCOMPARE(init.timp()->interval(), 2500);
    QVERIFY(!init.timp()->isActive());
    init.show();
    QVERIFY(init.timp()->isActive());
    QVERIFY(init.findChild<QLabel *>());
    QTest::keyClick(&init, Qt::Key_Escape);
    QVERIFY(init.isVisible());
    QCOMPARE(init.result(), 0);
    QVERIFY(init.timp()->isActive());
}

void TestShell::displayModeAtStartAndExit_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<bool>("switched");
    QTest::newRow("narrower, switched and given back") << 800.0 << true;
    QTest::newRow("exactly 1024, kept") << 1024.0 << false;
    QTest::newRow("wider, kept") << 1280.0 << false;
}

void TestShell::displayModeAtStartAndExit()
{
    QFETCH(double, width);
    QFETCH(bool, switched);
    Env env;
    env.platform.display = {width, width * 0.75, 16};
    env.installDefaultFile();
    Setare setare(*env.ctx);
    runStartup(*env.ctx, setare);
    QCOMPARE(env.platform.applied.size(), 1);
    const DisplayMode atStart = env.platform.applied.last();
    QCOMPARE(atStart.width, switched ? 1024.0 : width);
    QCOMPARE(atStart.height, switched ? 768.0 : width * 0.75);
    QCOMPARE(atStart.bitsPerPixel, switched ? 32 : 16);
    exitWithBackup(*env.ctx, nullptr);
    QCOMPARE(env.platform.applied.size(), switched ? 2 : 1);
    QCOMPARE(env.platform.applied.last().width, switched ? width : atStart.width);
    QCOMPARE(env.platform.applied.last().bitsPerPixel, 16);
}

void TestShell::captionNamesDirectorateAndSubunit()
{
    const QString gap35(35, QLatin1Char(' ')), gap46(46, QLatin1Char(' '));
    QCOMPARE(mainCaption({38, 1, QStringLiteral("REGIA"), QStringLiteral("B.E. VORIDA")}),
             QStringLiteral("TENDRO") + gap35 + QStringLiteral("REGIA - CENTRAVA") + gap46 + QStringLiteral("B.E. VORIDA"));
    QCOMPARE(mainCaption({2, 9, QStringLiteral("ARAD"), QStringLiteral("O.S. ARAD")}),
             QStringLiteral("TENDRO") + gap35 + QStringLiteral("DIRECTIA SILVICA ARAD") + gap46 + QStringLiteral("O.S. ARAD"));
    Env env;
    env.installDefaultFile();
    env.configure(2, 9, QStringLiteral("ARAD"), QStringLiteral("O.S. ARAD"));
    Mnu mnu(*env.ctx);
    QCOMPARE(mnu.windowTitle(), mainCaption(env.ctx->subunitate));
}

void TestShell::menuHoldsEveryEntry()
{
    Env env;
    env.installDefaultFile();
    Mnu mnu(*env.ctx);
    const QList<QPair<QString, QString>> entries{
        {"mnuprg", "PROGRAM"},        {"mnureal", "REALIZARI"},   {"mnucen", "CENTRALIZATOR"},
        {"mnutrans", "TRANSMITERE"},  {"mnutranserv", "Pe server"}, {"mnutransman", "Manual"},
        {"mnuprel", "PRELUARE"},      {"mnuprelserv", "De pe server"}, {"mnuprelman", "Manual"},
        {"mnuset", "SETARI"},         {"mnupar", "PAROLA"},       {"mnuies", "IESIRE"}};
    for (const auto &e : entries) {
        auto *a = mnu.findChild<QAction *>(e.first);
        QVERIFY2(a, qPrintable(e.first));
        QCOMPARE(a->text(), e.second);
    }
    // Escape does not end the program behind the user's back.
    mnu.show();
    QTest::keyClick(&mnu, Qt::Key_Escape);
    QVERIFY(mnu.isVisible());
}

void TestShell::serverEntriesOnlySayNotPossible()
{
    Env env;
    env.installDefaultFile();
    env.configure(2, 9, QStringLiteral("ARAD"), QStringLiteral("O.S. ARAD"));
    env.ctx->closeDb();
    const QByteArray before = fileHash(env.workingFile());
    Mnu mnu(*env.ctx);
    mnu.action(QStringLiteral("mnutranserv"))->trigger();
    mnu.action(QStringLiteral("mnuprelserv"))->trigger();
    QCOMPARE(env.messages.texts(), QStringList(2, QStringLiteral(" Momentan nu este posibil ! ")));
    QCOMPARE(env.messages.shown.first().title, QStringLiteral("TENDRO"));
    QCOMPARE(fileHash(env.workingFile()), before);
}

void TestShell::programmeWindowLoadsAgainWhenReopened()
{
    Env env;
    env.installDefaultFile();
    env.configure(2, 9, QStringLiteral("ARAD"), QStringLiteral("O.S. ARAD"));
    Mnu mnu(*env.ctx);
    QStringList seen;
    for (int round = 0; round < 2; ++round) {
        whenModal(QStringLiteral("liste"), [&seen](QWidget *w) {
            auto *prod = w->findChild<QRadioButton *>(QStringLiteral("prod"));
            auto *lucr = w->findChild<QRadioButton *>(QStringLiteral("lucr"));
            seen << (prod->isChecked() ? QStringLiteral("produse") : QStringLiteral("other"));
            lucr->click();   // changed before closing; the next load chooses goods again
            w->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        });
        mnu.action(QStringLiteral("mnuprg"))->trigger();
    }
    QCOMPARE(seen, (QStringList{QStringLiteral("produse"), QStringLiteral("produse")}));
    QVERIFY(!mnu.findChild<QDialog *>(QStringLiteral("liste")));
}

void TestShell::setupReplacesSubunitsAndStoresTheChoice()
{
    Env env;
    Setare setare(*env.ctx);
    QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Setup);
    const QList<QListWidgetItem *> arad = setare.dir1()->findItems(QStringLiteral("ARAD"), Qt::MatchExactly);
    QCOMPARE(arad.size(), 1);
    setare.dir1()->setCurrentItem(arad.first());
    const ResultSet os = env.ctx->db().query(QStringLiteral("SELECT numeos FROM os WHERE idds=2"));
    QCOMPARE(setare.ocol()->count(), os.count());
    for (int i = 0; i < os.count(); ++i)
        QCOMPARE(setare.ocol()->item(i)->text(), os.text(i, QStringLiteral("numeos")));
    QCOMPARE(setare.ocol()->currentRow(), 0);
    setare.ocol()->setCurrentRow(os.count() - 1);
    const QString chosen = setare.ocol()->currentItem()->text();
    setare.findChild<QPushButton *>(QStringLiteral("butoninstal"))->click();
    QCOMPARE(setare.result(), int(QDialog::Accepted));
    QCOMPARE(env.ctx->subunitate.numeos, chosen);

    const ResultSet stored = env.ctx->db().query(QStringLiteral("SELECT * FROM setare"));
    QCOMPARE(stored.count(), 1);
    QCOMPARE(stored.integer(0, QStringLiteral("idds")), 2);
    QCOMPARE(stored.text(0, QStringLiteral("numeds")), QStringLiteral("ARAD"));
    QCOMPARE(stored.text(0, QStringLiteral("numeos")), chosen);
    QCOMPARE(stored.text(0, QStringLiteral("sef")), QString());

    AppContext next(env.dir.path(), env.messages, env.files, env.clock, env.platform);
    next.splashMilliseconds = 1;
    Setare again(next);
    QCOMPARE(runStartup(next, again), StartupResult::MainWindow);
    QVERIFY(mainCaption(next.subunitate).endsWith(chosen));
    QVERIFY(mainCaption(next.subunitate).contains(QStringLiteral("DIRECTIA SILVICA ARAD")));
}

void TestShell::setupRefusesADirectorateWithoutSubunits()
{
    Env env;
    env.installDefaultFile();
    env.ctx->db().exec(QStringLiteral("INSERT INTO ds (idds,numeds) VALUES(99,'AAA FARA OCOALE')"));
    Setare setare(*env.ctx);
    QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Setup);
    QCOMPARE(setare.dir1()->currentItem()->text(), QStringLiteral("AAA FARA OCOALE"));
    QCOMPARE(setare.ocol()->count(), 0);
    auto *button = setare.findChild<QPushButton *>(QStringLiteral("butoninstal"));
    QVERIFY(!button->isEnabled());
    setare.confirm();
    QCOMPARE(countRows(env.ctx->db(), QStringLiteral("setare")), 0);
    QVERIFY(setare.result() != QDialog::Accepted);
}

void TestShell::signatoriesAreKeptAcrossRuns()
{
    Env env;
    env.installDefaultFile();
    env.configure(2, 9, QStringLiteral("ARAD"), QStringLiteral("O.S. ARAD"));
    {
        Setare2 w(*env.ctx);
        QCOMPARE(w.windowTitle(), QStringLiteral("Date necesare la rapoarte"));
        QueryTableModel *m = w.model();
        QCOMPARE(m->objectName(), QStringLiteral("Adodc1"));
        QCOMPARE(m->rowCount(), 1);
        QCOMPARE(m->columnCount(), 6);
        QCOMPARE(m->headerData(2, Qt::Horizontal).toString(), QStringLiteral("FUNCTIE SEF SUBUNITATE"));
        w.grid()->setCurrentIndex(m->index(0, 2));
        m->setData(m->index(0, 2), QStringLiteral("SEF OCOL"));
        m->setData(m->index(0, 3), QStringLiteral("ION POPESCU"));
        m->setData(m->index(0, 4), QStringLiteral("MARIA ION"));
        m->setData(m->index(0, 5), QStringLiteral("ANA D'ARC"));
        w.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    }
    env.ctx->closeDb();
    AppContext next(env.dir.path(), env.messages, env.files, env.clock, env.platform);
    const ResultSet rs = next.db().query(QStringLiteral("SELECT * FROM setare"));
    QCOMPARE(rs.count(), 1);
    QCOMPARE(rs.text(0, QStringLiteral("functiesef")), QStringLiteral("SEF OCOL"));
    QCOMPARE(rs.text(0, QStringLiteral("sef")), QStringLiteral("ION POPESCU"));
    QCOMPARE(rs.text(0, QStringLiteral("contabil")), QStringLiteral("MARIA ION"));
    QCOMPARE(rs.text(0, QStringLiteral("intocmit")), QStringLiteral("ANA D'ARC"));
    QCOMPARE(rs.text(0, QStringLiteral("numeos")), QStringLiteral("O.S. ARAD"));
    QVERIFY(env.messages.shown.isEmpty());
}

void TestShell::loginComparesExactlyAndEndsAfterThreeTries()
{
    Env env;
    env.installDefaultFile();
    storePassword(env.ctx->db(), QStringLiteral("Stejar "));
    QVERIFY(storedPassword(env.ctx->db()) != QStringLiteral("Stejar "));
    QVERIFY(!storedPassword(env.ctx->db()).contains(QStringLiteral("Stejar")));

    Par par(*env.ctx);
    auto *field = par.findChild<QLineEdit *>(QStringLiteral("passconf"));
    QCOMPARE(field->echoMode(), QLineEdit::Password);
    field->setText(QStringLiteral("Stejar"));   // the trailing blank counts
    par.tryPassword();
    field->setText(QStringLiteral("STEJAR "));   // so does the letter case
    par.tryPassword();
    QCOMPARE(env.messages.texts(), QStringList(2, QStringLiteral(" Parola nu corespunde !!! ")));
    QCOMPARE(env.platform.ended, 0);
    field->setText(QStringLiteral("stejar "));
    par.tryPassword();
    QCOMPARE(env.messages.last(), QStringLiteral(" Va rugam nu mai insistati.Sunteti un intrus !!! "));
    QCOMPARE(env.platform.ended, 1);

    Env ok;
    ok.installDefaultFile();
    storePassword(ok.ctx->db(), QStringLiteral("Stejar "));
    Par good(*ok.ctx);
    good.findChild<QLineEdit *>(QStringLiteral("passconf"))->setText(QStringLiteral("Stejar "));
    good.tryPassword();
    QCOMPARE(good.result(), int(QDialog::Accepted));
    QVERIFY(ok.messages.shown.isEmpty());
}

void TestShell::loginCancelEndsTheProgram()
{
    Env env;
    env.installDefaultFile();
    storePassword(env.ctx->db(), QStringLiteral("x"));
    Par par(*env.ctx);
    par.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    QCOMPARE(env.platform.ended, 1);
}

void TestShell::settingAPassword()
{
    Env env;
    env.installDefaultFile();
    {
        Par1 w(*env.ctx);
        QCOMPARE(w.windowTitle(), QStringLiteral("Introducere parola"));
        auto *pass = w.findChild<QLineEdit *>(QStringLiteral("pass"));
        auto *passc = w.findChild<QLineEdit *>(QStringLiteral("passc"));
        QCOMPARE(pass->maxLength(), 30);
        pass->setText(QStringLiteral("brad"));
        passc->setText(QStringLiteral("fag"));
        w.save();
        QCOMPARE(env.messages.last(), QStringLiteral("Parola nu a fost confirmata !!! "));
        QVERIFY(pass->text().isEmpty() && passc->text().isEmpty());
        QVERIFY(storedPassword(env.ctx->db()).isEmpty());
        // Blanks around the confirmation do not matter; the password keeps its own.
        pass->setText(QStringLiteral(" O'Brad "));
        passc->setText(QStringLiteral("O'Brad"));
        w.save();
        QCOMPARE(w.result(), int(QDialog::Accepted));
    }
    QVERIFY(passwordMatches(QStringLiteral(" O'Brad "), storedPassword(env.ctx->db())));
    QVERIFY(!passwordMatches(QStringLiteral("O'Brad"), storedPassword(env.ctx->db())));

    // "Iesire" stores nothing.
    {
        Par1 w(*env.ctx);
        const QString before = storedPassword(env.ctx->db());
        w.findChild<QLineEdit *>(QStringLiteral("pass"))->setText(QStringLiteral("nou"));
        w.findChild<QLineEdit *>(QStringLiteral("passc"))->setText(QStringLiteral("nou"));
        w.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        QCOMPARE(storedPassword(env.ctx->db()), before);
    }
    // Both fields empty: no password, and the next start asks none.
    {
        Par1 w(*env.ctx);
        w.save();
    }
    QCOMPARE(storedPassword(env.ctx->db()), QString());
    env.configure(2, 9, QStringLiteral("ARAD"), QStringLiteral("O.S. ARAD"));
    Setare setare(*env.ctx);
    QCOMPARE(runStartup(*env.ctx, setare), StartupResult::MainWindow);
}

void TestShell::changingAPassword()
{
    Env env;
    env.installDefaultFile();
    storePassword(env.ctx->db(), QStringLiteral("vechi "));
    Par2 w(*env.ctx);
    QCOMPARE(w.windowTitle(), QStringLiteral("Modificare parola"));
    auto *old = w.findChild<QLineEdit *>(QStringLiteral("passold"));
    auto *pass = w.findChild<QLineEdit *>(QStringLiteral("pass"));
    auto *passc = w.findChild<QLineEdit *>(QStringLiteral("passc"));
    // The old password is compared without its blanks, so one stored with a
    // trailing blank cannot be changed by typing it as stored.
    old->setText(QStringLiteral("vechi "));
    pass->setText(QStringLiteral("nou"));
    passc->setText(QStringLiteral("nou"));
    w.save();
    QCOMPARE(env.messages.last(), QStringLiteral(" Parola veche nu corespunde !!! "));
    QVERIFY(old->text().isEmpty() && pass->text().isEmpty() && passc->text().isEmpty());
    QVERIFY(passwordMatches(QStringLiteral("vechi "), storedPassword(env.ctx->db())));

    storePassword(env.ctx->db(), QStringLiteral("vechi"));
    old->setText(QStringLiteral(" vechi "));
    pass->setText(QStringLiteral("nou"));
    passc->setText(QStringLiteral("alt"));
    w.save();
    QCOMPARE(env.messages.last(), QStringLiteral(" Parola nu a fost confirmata !!! "));
    QCOMPARE(old->text(), QStringLiteral(" vechi "));
    QVERIFY(pass->text().isEmpty() && passc->text().isEmpty());

    pass->setText(QStringLiteral("Nou1"));
    passc->setText(QStringLiteral("Nou1 "));
    w.save();
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QVERIFY(passwordMatches(QStringLiteral("Nou1"), storedPassword(env.ctx->db())));
    QVERIFY(!passwordMatches(QStringLiteral("vechi"), storedPassword(env.ctx->db())));
}

void TestShell::olderPlainPasswordStillWorks()
{
    Env env;
    env.installDefaultFile();
    env.ctx->db().exec(QStringLiteral("UPDATE valid SET parola='simplu'"));
    Par par(*env.ctx);
    par.findChild<QLineEdit *>(QStringLiteral("passconf"))->setText(QStringLiteral("simplu"));
    par.tryPassword();
    QCOMPARE(par.result(), int(QDialog::Accepted));
    Par2 w(*env.ctx);
    w.findChild<QLineEdit *>(QStringLiteral("passold"))->setText(QStringLiteral("simplu"));
    w.findChild<QLineEdit *>(QStringLiteral("pass"))->setText(QStringLiteral("simplu"));
    w.findChild<QLineEdit *>(QStringLiteral("passc"))->setText(QStringLiteral("simplu"));
    w.save();
    QVERIFY(storedPassword(env.ctx->db()) != QStringLiteral("simplu"));   // replaced by a hash
    QVERIFY(passwordMatches(QStringLiteral("simplu"), storedPassword(env.ctx->db())));
}

void TestShell::exitKeepsOneBackupEqualToTheWorkingFile()
{
    Env env;
    env.installDefaultFile();
    env.configure(2, 9, QStringLiteral("ARAD"), QStringLiteral("O.S. ARAD"));
    exitWithBackup(*env.ctx, nullptr);
    env.ctx->db().exec(QStringLiteral("INSERT INTO program (id,lei,idos,resp) VALUES(5,10,9,'DOI')"));
    Mnu mnu(*env.ctx);
    mnu.action(QStringLiteral("mnuies"))->trigger();
    QCOMPARE(env.platform.ended, 2);
    QVERIFY(env.messages.shown.isEmpty());
    const QStringList files = QDir(env.dir.path()).entryList({QStringLiteral("*.mdb*")}, QDir::Files);
    QCOMPARE(files, (QStringList{QStringLiteral("tendro.mdb"), QStringLiteral("tendroBACKUP.mdb")}));
    auto backup = Database::open(conexiuneC(backupFilePath(env.dir.path())), Database::Mode::ReadOnly);
    for (const QString &t : {QStringLiteral("program"), QStringLiteral("setare"), QStringLiteral("cpv"), QStringLiteral("valid")})
        QCOMPARE(tableDump(*backup, t), tableDump(env.ctx->db(), t));
    QVERIFY_THROWS_EXCEPTION(DbError, Database::open({backupFilePath(env.dir.path()), QString()}, Database::Mode::ReadOnly));
}

void TestShell::exitEndsEvenWhenTheBackupFails()
{
    Env env;
    env.installDefaultFile();
    exitWithBackup(*env.ctx, nullptr);
    const QByteArray before = fileHash(backupFilePath(env.dir.path()));
    env.ctx->db().exec(QStringLiteral("INSERT INTO program (id,lei,idos) VALUES(5,10,9)"));
    // A folder where the partial copy would go makes the copy fail.
    QVERIFY(QDir().mkpath(partialPathFor(backupFilePath(env.dir.path()))));
    exitWithBackup(*env.ctx, nullptr);
    QCOMPARE(env.platform.ended, 2);
    QCOMPARE(env.messages.shown.size(), 1);
    QVERIFY(env.messages.last().contains(QStringLiteral("tendroBACKUP.mdb")));
    QCOMPARE(fileHash(backupFilePath(env.dir.path())), before);
}

QTEST_MAIN(TestShell)
#include "test_shell.moc"
