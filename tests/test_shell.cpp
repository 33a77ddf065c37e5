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
using namespace Qt::StringLiterals;

namespace {

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Types into the login window once it is shown, then presses OK.
void answerLogin(const QStringList &attempts)
{
    whenModal(u"par"_s, [attempts](QWidget *par) {
        auto *field = par->findChild<QLineEdit *>(u"passconf"_s);
        auto *ok = par->findChild<QPushButton *>(u"Command2"_s);
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
    void loginComparesExactlyAndEndsAfterThreeTries();
    void loginCancelEndsTheProgram();
    void settingAndChangingThePassword();
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
    QCOMPARE(setare.windowTitle(), u"Setare subunitate"_s);
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
    const ResultSet os = env.db().query(
        u"SELECT numeos FROM os WHERE idds=(SELECT idds FROM ds WHERE numeds=?)"_s, {names.first()});
    QCOMPARE(setare.ocol()->count(), os.count());
    QCOMPARE(setare.ocol()->currentItem()->text(), os.text(0, u"numeos"_s));
}

void TestShell::configuredRunGoesToTheMainWindow()
{
    Env env;
    env.installDefaultFile();
    // A row without a sub-unit name is no configuration.
    env.db().exec(u"INSERT INTO setare (idds,idos,numeds,numeos) VALUES(3,20,'PITESTI','')"_s);
    {
        Setare setare(*env.ctx);
        QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Setup);
    }
    env.configure(2, 9, u"ARAD"_s, u"O.S. ARAD"_s);
    env.db().exec(u"INSERT INTO setare (idds,idos,numeds,numeos) VALUES(3,20,'PITESTI','O.S. X')"_s);
    env.ctx->subunitate = {};
    Setare setare(*env.ctx);
    QCOMPARE(runStartup(*env.ctx, setare), StartupResult::MainWindow);
    QCOMPARE(env.ctx->subunitate.idds, 2);
    QCOMPARE(env.ctx->subunitate.idos, 9);
    QCOMPARE(env.ctx->subunitate.numeds, u"ARAD"_s);
    QCOMPARE(env.ctx->subunitate.numeos, u"O.S. ARAD"_s);
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
    const ResultSet rs = env.db().query(u"SELECT * FROM cpv WHERE cod2=30192120"_s);
    QCOMPARE(rs.count(), 1);
    QCOMPARE(rs.text(0, u"cod"_s), u"30192120-COD INVALID"_s);
    QCOMPARE(rs.text(0, u"den"_s), u"Produse pentru scris"_s);
    QCOMPARE(rs.integer(0, u"fel"_s), 1);
}

void TestShell::nullOrEmptyPasswordAsksNothing()
{
    for (const QString &value : {u"NULL"_s, u"''"_s}) {
        Env env;
        env.installDefaultFile();
        env.configure(1, 1, u"ALBA IULIA"_s, u"O.S. ABRUD"_s);
        env.db().exec(u"UPDATE valid SET parola="_s + value);
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
    env.configure(1, 1, u"ALBA IULIA"_s, u"O.S. ABRUD"_s);
    storePassword(env.db(), u"Brad 2026"_s);
    Setare setare(*env.ctx);
    answerLogin({u"brad 2026"_s, u"Brad 2026"_s});
    QCOMPARE(runStartup(*env.ctx, setare), StartupResult::MainWindow);
    QCOMPARE(env.messages.texts(), QStringList{u" Parola nu corespunde !!! "_s});
    QCOMPARE(env.ctx->incercari, 2);
}

void TestShell::separatorRefusalStopsTheStartup()
{
    Env env;
    env.platform.refuseSeparator = true;
    Setare setare(*env.ctx);
    QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Stopped);
    QCOMPARE(env.messages.texts(), QStringList{u"Schimbarea separatorului zecimal a esuat !\nIncercati manual !"_s});
    QCOMPARE(env.messages.shown.first().title, u"TENDRO"_s);
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
        plain->exec(u"INSERT INTO ds (idds,numeds) VALUES(7,'BRASOV')"_s);
        plain->exec(u"INSERT INTO os (idos,idds,numeos) VALUES(70,7,'O.S. BRASOV')"_s);
        plain->exec(u"INSERT INTO valid (parola) VALUES('')"_s);
    }
    {
        Setare setare(*env.ctx);
        QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Ended);
    }
    QCOMPARE(env.messages.texts(), (QStringList{u" A fost detectata o eroare in deschiderea bazei de date "_s,
                          u" Eroarea a fost remediata.Este necesar de a intra din nou in program. "_s}));
    QCOMPARE(env.platform.ended, 1);
    QVERIFY(!QFile::exists(partialPathFor(env.workingFile())));
    QVERIFY_THROWS_EXCEPTION(DbError, Database::open({env.workingFile(), QString()}, Database::Mode::ReadOnly));

    // The next start opens it normally and keeps its rows.
    AppContext next(env.dir.path(), env.messages, env.files, env.clock, env.platform);
    next.splashMilliseconds = 1;
    Setare setare(next);
    QCOMPARE(runStartup(next, setare), StartupResult::Setup);
    QCOMPARE(setare.dir1()->count(), 1);
    QCOMPARE(setare.ocol()->currentItem()->text(), u"O.S. BRASOV"_s);
}

void TestShell::unreadableFilesAreReportedAndLeftAlone()
{
    struct Case {
        const char *name;
        std::function<void(const QString &)> make;
    };
    const QList<Case> cases{
        {"corrupt bytes", [](const QString &p) {
             QFile f(p);
             QVERIFY(f.open(QIODevice::WriteOnly));
             QByteArray junk;
             for (int i = 0; i < 8192; ++i)
                 junk.append(char((i * 131 + 7) % 251));
             f.write(junk);
         }},
        {"another password", [](const QString &p) {
             auto db = Database::open({p, u"another"_s}, Database::Mode::Create);
             createSchema(*db);
         }},
        {"text file", [](const QString &p) {
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
        QVERIFY2(m.text.startsWith(u"Eroarea 26 "_s), qPrintable(m.text));
        QCOMPARE(m.title, u"Eroare"_s);
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
    QCOMPARE(init.objectName(), u"init"_s);
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
    QCOMPARE(mainCaption({38, 1, u"REGIA"_s, u"B.E. VORIDA"_s}),
             u"TENDRO"_s + gap35 + u"REGIA - CENTRAVA"_s + gap46 + u"B.E. VORIDA"_s);
    QCOMPARE(mainCaption({2, 9, u"ARAD"_s, u"O.S. ARAD"_s}),
             u"TENDRO"_s + gap35 + u"DIRECTIA SILVICA ARAD"_s + gap46 + u"O.S. ARAD"_s);
    Env env(u"O.S. ARAD"_s);
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
    Env env(u"O.S. ARAD"_s);
    env.ctx->closeDb();
    const QByteArray before = fileHash(env.workingFile());
    Mnu mnu(*env.ctx);
    mnu.action(u"mnutranserv"_s)->trigger();
    mnu.action(u"mnuprelserv"_s)->trigger();
    QCOMPARE(env.messages.texts(), QStringList(2, u" Momentan nu este posibil ! "_s));
    QCOMPARE(env.messages.shown.first().title, u"TENDRO"_s);
    QCOMPARE(fileHash(env.workingFile()), before);
}

void TestShell::programmeWindowLoadsAgainWhenReopened()
{
    Env env(u"O.S. ARAD"_s);
    Mnu mnu(*env.ctx);
    QStringList seen;
    for (int round = 0; round < 2; ++round) {
        whenModal(u"liste"_s, [&seen](QWidget *w) {
            auto *prod = w->findChild<QRadioButton *>(u"prod"_s);
            auto *lucr = w->findChild<QRadioButton *>(u"lucr"_s);
            seen << (prod->isChecked() ? u"produse"_s : u"other"_s);
            lucr->click();   // changed before closing; the next load chooses goods again
            w->findChild<QPushButton *>(u"Command1"_s)->click();
        });
        mnu.action(u"mnuprg"_s)->trigger();
    }
    QCOMPARE(seen, (QStringList{u"produse"_s, u"produse"_s}));
    QVERIFY(!mnu.findChild<QDialog *>(u"liste"_s));
}

void TestShell::setupReplacesSubunitsAndStoresTheChoice()
{
    Env env;
    Setare setare(*env.ctx);
    QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Setup);
    const QList<QListWidgetItem *> arad = setare.dir1()->findItems(u"ARAD"_s, Qt::MatchExactly);
    QCOMPARE(arad.size(), 1);
    setare.dir1()->setCurrentItem(arad.first());
    const ResultSet os = env.db().query(u"SELECT numeos FROM os WHERE idds=2"_s);
    QCOMPARE(setare.ocol()->count(), os.count());
    for (int i = 0; i < os.count(); ++i)
        QCOMPARE(setare.ocol()->item(i)->text(), os.text(i, u"numeos"_s));
    QCOMPARE(setare.ocol()->currentRow(), 0);
    setare.ocol()->setCurrentRow(os.count() - 1);
    const QString chosen = setare.ocol()->currentItem()->text();
    setare.findChild<QPushButton *>(u"butoninstal"_s)->click();
    QCOMPARE(setare.result(), int(QDialog::Accepted));
    QCOMPARE(env.ctx->subunitate.numeos, chosen);

    const ResultSet stored = env.db().query(u"SELECT * FROM setare"_s);
    QCOMPARE(stored.count(), 1);
    QCOMPARE(stored.integer(0, u"idds"_s), 2);
    QCOMPARE(stored.text(0, u"numeds"_s), u"ARAD"_s);
    QCOMPARE(stored.text(0, u"numeos"_s), chosen);
    QCOMPARE(stored.text(0, u"sef"_s), QString());
}

void TestShell::setupRefusesADirectorateWithoutSubunits()
{
    Env env;
    env.installDefaultFile();
    env.db().exec(u"INSERT INTO ds (idds,numeds) VALUES(99,'AAA FARA OCOALE')"_s);
    Setare setare(*env.ctx);
    QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Setup);
    QCOMPARE(setare.dir1()->currentItem()->text(), u"AAA FARA OCOALE"_s);
    QCOMPARE(setare.ocol()->count(), 0);
    auto *button = setare.findChild<QPushButton *>(u"butoninstal"_s);
    QVERIFY(!button->isEnabled());
    setare.confirm();
    QCOMPARE(env.count(u"setare"_s), 0);
    QVERIFY(setare.result() != QDialog::Accepted);
}

void TestShell::loginComparesExactlyAndEndsAfterThreeTries()
{
    Env env;
    env.installDefaultFile();
    storePassword(env.db(), u"Stejar "_s);
    QVERIFY(storedPassword(env.db()) != u"Stejar "_s);
    QVERIFY(!storedPassword(env.db()).contains(u"Stejar"_s));

    Par par(*env.ctx);
    auto *field = par.findChild<QLineEdit *>(u"passconf"_s);
    QCOMPARE(field->echoMode(), QLineEdit::Password);
    field->setText(u"Stejar"_s);   // the trailing blank counts
    par.tryPassword();
    field->setText(u"STEJAR "_s);   // so does the letter case
    par.tryPassword();
    QCOMPARE(env.messages.texts(), QStringList(2, u" Parola nu corespunde !!! "_s));
    QCOMPARE(env.platform.ended, 0);
    field->setText(u"stejar "_s);
    par.tryPassword();
    QCOMPARE(env.messages.last(), u" Va rugam nu mai insistati.Sunteti un intrus !!! "_s);
    QCOMPARE(env.platform.ended, 1);

    Env ok;
    ok.installDefaultFile();
    storePassword(ok.ctx->db(), u"Stejar "_s);
    Par good(*ok.ctx);
    good.findChild<QLineEdit *>(u"passconf"_s)->setText(u"Stejar "_s);
    good.tryPassword();
    QCOMPARE(good.result(), int(QDialog::Accepted));
    QVERIFY(ok.messages.shown.isEmpty());
}

void TestShell::loginCancelEndsTheProgram()
{
    Env env;
    env.installDefaultFile();
    storePassword(env.db(), u"x"_s);
    Par par(*env.ctx);
    par.findChild<QPushButton *>(u"Command1"_s)->click();
    QCOMPARE(env.platform.ended, 1);
}

void TestShell::settingAndChangingThePassword()
{
    const struct {
        const char *stored;              // before; "=x" stores x as an older file kept it, in plain text
        const char *old, *pass, *passc;  // old == nullptr: "par1", else "par2"
        const char *message;             // nullptr: stored
        const char *matches, *notMatches;
        const char *left;                // the fields after a refusal: old|pass|passc
    } cases[] = {
        {"", nullptr, "brad", "fag", "Parola nu a fost confirmata !!! ", "", "brad", "|"},
        // Blanks around the confirmation do not matter; the password keeps its own.
        {"", nullptr, " O'Brad ", "O'Brad", nullptr, " O'Brad ", "O'Brad", ""},
        {"x", nullptr, "", "", nullptr, "", "x", ""},
        // The old password is compared without its blanks, so one stored with a
        // trailing blank cannot be changed by typing it as stored.
        {"vechi ", "vechi ", "nou", "nou", " Parola veche nu corespunde !!! ", "vechi ", "nou", "||"},
        {"vechi", " vechi ", "nou", "alt", " Parola nu a fost confirmata !!! ", "vechi", "nou", " vechi ||"},
        {"vechi", " vechi ", "Nou1", "Nou1 ", nullptr, "Nou1", "vechi", ""},
        {"=simplu", "simplu", "simplu", "simplu", nullptr, "simplu", "=simplu", ""},
    };
    for (const auto &c : cases) {
        Env env;
        env.installDefaultFile();
        const QString stored = QString::fromUtf8(c.stored);
        if (stored.startsWith(QLatin1Char('=')))
            env.db().exec(u"UPDATE valid SET parola=?"_s, {stored.mid(1)});
        else
            storePassword(env.db(), stored);
        std::unique_ptr<QDialog> w;
        if (c.old)
            w = std::make_unique<Par2>(*env.ctx);
        else
            w = std::make_unique<Par1>(*env.ctx);
        QCOMPARE(w->windowTitle(), c.old ? u"Modificare parola"_s : u"Introducere parola"_s);
        QList<QLineEdit *> fields;
        for (const char *name : {"passold", "pass", "passc"})
            if (auto *f = w->findChild<QLineEdit *>(QLatin1String(name)))
                fields << f;
        QCOMPARE(fields.last()->maxLength(), 30);
        const QStringList typed = c.old ? QStringList{c.old, c.pass, c.passc} : QStringList{c.pass, c.passc};
        for (int i = 0; i < fields.size(); ++i)
            fields[i]->setText(typed.at(i));
        w->findChild<QPushButton *>(u"Command2"_s)->click();
        QCOMPARE(env.messages.texts(), c.message ? QStringList{QString::fromUtf8(c.message)} : QStringList());
        QCOMPARE(w->result(), c.message ? 0 : int(QDialog::Accepted));
        QVERIFY(passwordMatches(QString::fromUtf8(c.matches), storedPassword(env.db())));
        if (QByteArray(c.notMatches).startsWith('='))
            QVERIFY(storedPassword(env.db()) != QLatin1String(c.notMatches + 1));   // kept as a hash now
        else
            QVERIFY(!passwordMatches(QString::fromUtf8(c.notMatches), storedPassword(env.db())));
        if (c.message) {
            QStringList left;
            for (QLineEdit *f : fields)
                left << f->text();
            QCOMPARE(left.join(QLatin1Char('|')), QString::fromUtf8(c.left));
        }
    }
    // "Iesire" stores nothing.
    Env env;
    env.installDefaultFile();
    Par1 w(*env.ctx);
    w.findChild<QLineEdit *>(u"pass"_s)->setText(u"nou"_s);
    w.findChild<QLineEdit *>(u"passc"_s)->setText(u"nou"_s);
    w.findChild<QPushButton *>(u"Command1"_s)->click();
    QVERIFY(storedPassword(env.db()).isEmpty());
}

void TestShell::exitKeepsOneBackupEqualToTheWorkingFile()
{
    Env env(u"O.S. ARAD"_s);
    exitWithBackup(*env.ctx, nullptr);
    env.db().exec(u"INSERT INTO program (id,lei,idos,resp) VALUES(5,10,9,'DOI')"_s);
    Mnu mnu(*env.ctx);
    mnu.action(u"mnuies"_s)->trigger();
    QCOMPARE(env.platform.ended, 2);
    QVERIFY(env.messages.shown.isEmpty());
    const QStringList files = QDir(env.dir.path()).entryList({u"*.mdb*"_s}, QDir::Files);
    QCOMPARE(files, (QStringList{u"tendro.mdb"_s, u"tendroBACKUP.mdb"_s}));
    auto backup = Database::open(conexiuneC(backupFilePath(env.dir.path())), Database::Mode::ReadOnly);
    for (const QString &t : {u"program"_s, u"setare"_s, u"cpv"_s, u"valid"_s})
        QCOMPARE(tableDump(*backup, t), tableDump(env.db(), t));
    QVERIFY_THROWS_EXCEPTION(DbError, Database::open({backupFilePath(env.dir.path()), QString()}, Database::Mode::ReadOnly));
}

void TestShell::exitEndsEvenWhenTheBackupFails()
{
    Env env;
    env.installDefaultFile();
    exitWithBackup(*env.ctx, nullptr);
    const QByteArray before = fileHash(backupFilePath(env.dir.path()));
    env.db().exec(u"INSERT INTO program (id,lei,idos) VALUES(5,10,9)"_s);
    // A folder where the partial copy would go makes the copy fail.
    QVERIFY(QDir().mkpath(partialPathFor(backupFilePath(env.dir.path()))));
    exitWithBackup(*env.ctx, nullptr);
    QCOMPARE(env.platform.ended, 2);
    QCOMPARE(env.messages.shown.size(), 1);
    QVERIFY(env.messages.last().contains(u"tendroBACKUP.mdb"_s));
    QCOMPARE(fileHash(backupFilePath(env.dir.path())), before);
}

QTEST_MAIN(TestShell)
#include "test_shell.moc"
