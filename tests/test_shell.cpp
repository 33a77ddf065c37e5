// Start-up, main window, sub-unit setup, password, exit with its copies and
// the restore window, driven through the real windows with scripted services.

#include "steps.h"
#include "app/mnu.h"
#include "app/startup.h"
#include "shell/backups.h"
#include "shell/exit.h"
#include "shell/init.h"
#include "shell/password.h"
#include "shell/setare.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filecopy.h"
#include "store/schema.h"

#include <QAction>
#include <QCryptographicHash>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256) : QByteArray();
}

QStringList items(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// The dated copies, newest first: name and number of programme items.
QStringList datedCopyList(const QString &cale)
{
    QStringList out;
    for (const DatedCopy &c : datedCopies(cale))
        out << QFileInfo(c.path).fileName() + u" "_s + QString::number(summarize(c).items);
    return out;
}

} // namespace

class TestShell : public QObject {
    Q_OBJECT
private slots:
    void firstRunOffersTheSetupAndStoresTheChoice();
    void configuredStartupWithOrWithoutPassword();
    void startupThatCannotGoOn();
    void splashRunsForItsIntervalIgnoringEscape();
    void displayModeAtStartAndExit();
    void mainWindowCaptionAndMenu();   // and the server entries
    void programmeWindowLoadsAgainWhenReopened();
    void loginComparesExactlyAndEndsAfterThreeTries();
    void settingAndChangingThePassword();
    void exitKeepsTheNewestTenDatedCopies();   // and ends when a copy fails
    void restoreFromADatedCopy();
};

void TestShell::firstRunOffersTheSetupAndStoresTheChoice()
{
    Env env;
    Setare setare(*env.ctx);
    QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Setup);
    QVERIFY(QFile::exists(env.workingFile()));
    QVERIFY(env.messages.shown.isEmpty());
    QVERIFY(!(setare.windowFlags() & Qt::WindowCloseButtonHint));
    const QStringList names = items(setare.dir1());
    QCOMPARE(names, queryRows(env.db(), u"SELECT numeds FROM ds ORDER BY numeds"_s));
    QCOMPARE(setare.dir1()->currentRow(), 0);

    // A directorate without sub-units cannot be confirmed.
    env.db().exec(u"INSERT INTO ds (idds,numeds) VALUES(99,'AAA FARA OCOALE')"_s);
    setare.fillDirectorates();
    QCOMPARE(setare.ocol()->count(), 0);
    QVERIFY(!setare.findChild<QPushButton *>(u"butoninstal"_s)->isEnabled());

    const QStringList os = queryRows(env.db(), u"SELECT numeos FROM os WHERE idds=2"_s);
    int firstChosen = -1;
    RUN_STEPS(env, &setare, {clickCell(u"dir1"_s, int(names.indexOf(u"ARAD"_s)) + 1),
                             call([&] { firstChosen = setare.ocol()->currentRow(); }), clickCell(u"ocol"_s, -1),
                             click(u"butoninstal"_s),
                             expectRows(u"SELECT idds, numeds, numeos, sef FROM setare"_s,
                                        {u"2|ARAD|"_s + os.last() + u"|"_s})});
    QCOMPARE(items(setare.ocol()), os);
    QCOMPARE(firstChosen, 0);
    QCOMPARE(setare.result(), int(QDialog::Accepted));
    QCOMPARE(env.ctx->subunitate.numeos, os.last());
}

void TestShell::configuredStartupWithOrWithoutPassword()
{
    const struct {
        const char *parola;     // SQL value; "*x" stores the password x
        QStringList attempts;   // typed into the login window, which comes after the splash
        QStringList messages;
    } cases[] = {
        {"NULL", {}, {}},
        {"''", {}, {}},
        {"*Brad 2026", {u"brad 2026"_s, u"Brad 2026"_s}, {u" Parola nu corespunde !!! "_s}},
    };
    for (const auto &c : cases) {
        Env env;
        env.installDefaultFile();
        // A row without a sub-unit name is no configuration; of two others the first counts.
        env.db().exec(u"INSERT INTO setare (idds,idos,numeds,numeos) VALUES(3,20,'PITESTI','')"_s);
        env.configure(2, 9, u"ARAD"_s, u"O.S. ARAD"_s);
        env.db().exec(u"INSERT INTO setare (idds,idos,numeds,numeos) VALUES(3,21,'PITESTI','O.S. X')"_s);
        env.ctx->subunitate = {};
        if (c.parola[0] == '*')
            storePassword(env.db(), QString::fromUtf8(c.parola + 1));
        else
            env.db().exec(u"UPDATE valid SET parola="_s + QLatin1String(c.parola));
        for (int run = 0; run < 2; ++run) {
            if (!c.attempts.isEmpty())
                whenModal(u"par"_s, [&c](QWidget *par) {
                    for (const QString &a : c.attempts) {
                        par->findChild<QLineEdit *>(u"passconf"_s)->setText(a);
                        par->findChild<QPushButton *>(u"Command2"_s)->click();
                    }
                });
            Setare setare(*env.ctx);
            QCOMPARE(runStartup(*env.ctx, setare), StartupResult::MainWindow);
            QCOMPARE(setare.dir1()->count(), 0);
        }
        QCOMPARE(env.messages.texts(), c.messages + c.messages);
        QCOMPARE(env.platform.ended, 0);
        const Subunitate &s = env.ctx->subunitate;
        QCOMPARE(u"%1|%2|%3|%4"_s.arg(s.idds).arg(s.idos).arg(s.numeds, s.numeos), u"2|9|ARAD|O.S. ARAD"_s);
        // The utility row, added once in two starts.
        QCOMPARE(queryRows(env.db(), u"SELECT cod, den, fel FROM cpv WHERE cod2=30192120"_s),
                 QStringList{u"30192120-COD INVALID|Produse pentru scris|1"_s});
    }
}

void TestShell::startupThatCannotGoOn()
{
    const QString notADatabase = u"Eroarea 26 "_s;   // followed by the engine's text
    const struct {
        QByteArray file;   // the working file's bytes; "<none>", "<plain>", "<other key>": made below
        StartupResult result;
        QStringList messages;
    } cases[] = {
        {"<none>", StartupResult::Stopped, {u"Schimbarea separatorului zecimal a esuat !\nIncercati manual !"_s}},
        {"<plain>", StartupResult::Ended, {u" A fost detectata o eroare in deschiderea bazei de date "_s,
                                           u" Eroarea a fost remediata.Este necesar de a intra din nou in program. "_s}},
        {QByteArray(8192, 'Z'), StartupResult::Failed, {notADatabase}},
        {"this is not a database\n", StartupResult::Failed, {notADatabase}},
        {"<other key>", StartupResult::Failed, {notADatabase}},
    };
    for (const auto &c : cases) {
        Env env;
        env.platform.refuseSeparator = c.file == "<none>";
        if (c.file.startsWith('<') && c.file != "<none>") {
            auto db = Database::open({env.workingFile(), c.file == "<plain>" ? QString() : u"another"_s},
                                     Database::Mode::Create);
            createSchema(*db);
            db->execScript(u"INSERT INTO ds (idds,numeds) VALUES(7,'BRASOV'); INSERT INTO valid (parola) VALUES('');"
                           "INSERT INTO os (idos,idds,numeos) VALUES(70,7,'O.S. BRASOV');"_s);
        } else if (c.file != "<none>") {
            QFile f(env.workingFile());
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(c.file) == c.file.size());
        }
        const QByteArray before = fileHash(env.workingFile());
        auto setare = std::make_unique<Setare>(*env.ctx);
        QCOMPARE(runStartup(*env.ctx, *setare), c.result);
        QCOMPARE(env.messages.shown.size(), c.messages.size());
        for (int i = 0; i < c.messages.size(); ++i)
            QCOMPARE(env.messages.shown.at(i).text.left(c.messages.at(i).size()), c.messages.at(i));
        QCOMPARE(env.messages.shown.first().title, c.result == StartupResult::Failed ? u"Eroare"_s : u"TENDRO"_s);
        QCOMPARE(env.platform.ended, c.result == StartupResult::Ended ? 1 : 0);
        QCOMPARE(setare->dir1()->count(), 0);
        // Left open with nothing to choose, it can still be closed.
        QCOMPARE(bool(setare->windowFlags() & Qt::WindowCloseButtonHint), c.result != StartupResult::Ended);
        if (c.result == StartupResult::Stopped) {
            QVERIFY(!QFile::exists(env.workingFile()));
            QCOMPARE(env.ctx->display.modecran, 0);   // no splash either
        } else if (c.result == StartupResult::Failed) {
            QCOMPARE(env.messages.shown.first().icon, MessageIcon::Information);
            QCOMPARE(fileHash(env.workingFile()), before);
        } else {
            // Given the password; the next start opens it normally and keeps its rows.
            QVERIFY_THROWS_EXCEPTION(DbError, Database::open({env.workingFile(), QString()}, Database::Mode::ReadOnly));
            setare = std::make_unique<Setare>(*env.ctx);
            QCOMPARE(runStartup(*env.ctx, *setare), StartupResult::Setup);
            QCOMPARE(items(setare->dir1()) + items(setare->ocol()), (QStringList{u"BRASOV"_s, u"O.S. BRASOV"_s}));
        }
    }
}

void TestShell::splashRunsForItsIntervalIgnoringEscape()
{
    Env env;
    env.ctx->splashMilliseconds = 2500;
    Init init(*env.ctx);
    QCOMPARE(init.timp()->interval(), 2500);
    QVERIFY(!init.timp()->isActive());
    init.show();
    QVERIFY(init.timp()->isActive());
    QTest::keyClick(&init, Qt::Key_Escape);
    QVERIFY(init.isVisible());
}

void TestShell::displayModeAtStartAndExit()
{
    // Narrower than 1024: switched at start and given back at exit; else kept.
    for (const double width : {800.0, 1024.0, 1280.0}) {
        const bool switched = width < 1024;
        Env env(u"O.S. ARAD"_s);
        env.platform.display = {width, width * 0.75, 16};
        Setare setare(*env.ctx);
        runStartup(*env.ctx, setare);
        exitWithBackup(*env.ctx, nullptr);
        QStringList applied;
        for (const DisplayMode &m : env.platform.applied)
            applied << u"%1x%2x%3"_s.arg(m.width).arg(m.height).arg(m.bitsPerPixel);
        const QString before = u"%1x%2x16"_s.arg(width).arg(width * 0.75);
        QCOMPARE(applied, switched ? (QStringList{u"1024x768x32"_s, before}) : QStringList{before});
    }
}

void TestShell::mainWindowCaptionAndMenu()
{
    const QString gap35(35, QLatin1Char(' ')), gap46(46, QLatin1Char(' '));
    QCOMPARE(mainCaption({38, 1, u"REGIA"_s, u"B.E. VORIDA"_s}),
             u"TENDRO"_s + gap35 + u"REGIA - CENTRAVA"_s + gap46 + u"B.E. VORIDA"_s);
    Env env(u"O.S. ARAD"_s);
    Mnu mnu(*env.ctx);
    QCOMPARE(mnu.windowTitle(), u"TENDRO"_s + gap35 + u"DIRECTIA SILVICA ARAD"_s + gap46 + u"O.S. ARAD"_s);
    const QList<QAction *> bar = mnu.findChild<QMenuBar *>()->actions();
    QCOMPARE(bar.mid(bar.size() - 2), (QList<QAction *>{mnu.action(u"mnurestaurare"_s), mnu.action(u"mnuies"_s)}));
    // Escape does not end the program behind the user's back.
    mnu.show();
    QTest::keyClick(&mnu, Qt::Key_Escape);
    QVERIFY(mnu.isVisible());

    // The server entries only say so.
    env.ctx->closeDb();
    const QByteArray before = fileHash(env.workingFile());
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
    QList<bool> goods;
    // Works chosen before closing; the next load chooses goods again.
    const QList<Step> round{click(u"mnuprg"_s), call([&goods] {
                                goods << QApplication::activeModalWidget()->findChild<QRadioButton *>(u"prod"_s)->isChecked();
                            }), click(u"lucr"_s), click(u"Command1"_s)};
    RUN_STEPS(env, &mnu, round + round);
    QCOMPARE(goods, (QList<bool>{true, true}));
    QVERIFY(!mnu.findChild<QDialog *>(u"liste"_s));
}

void TestShell::loginComparesExactlyAndEndsAfterThreeTries()
{
    const QString wrong = u" Parola nu corespunde !!! "_s;
    const struct {
        QStringList attempts;   // "<cancel>" clicks "Revocare"
        QStringList messages;
        int ended;
        bool accepted;
    } cases[] = {
        {{u"Stejar "_s}, {}, 0, true},
        // The trailing blank counts, and so does the letter case.
        {{u"Stejar"_s, u"STEJAR "_s, u"stejar "_s}, {wrong, wrong, u" Va rugam nu mai insistati.Sunteti un intrus !!! "_s}, 1,
         false},
        {{u"<cancel>"_s}, {}, 1, false},
    };
    for (const auto &c : cases) {
        Env env(u"O.S. ARAD"_s);
        storePassword(env.db(), u"Stejar "_s);
        QVERIFY(!storedPassword(env.db()).contains(u"Stejar"_s));
        Par par(*env.ctx);
        QCOMPARE(par.findChild<QLineEdit *>(u"passconf"_s)->echoMode(), QLineEdit::Password);
        for (const QString &a : c.attempts) {
            par.findChild<QLineEdit *>(u"passconf"_s)->setText(a);
            par.findChild<QPushButton *>(a == u"<cancel>"_s ? u"Command1"_s : u"Command2"_s)->click();
        }
        QCOMPARE(env.messages.texts(), c.messages);
        QCOMPARE(env.platform.ended, c.ended);
        QCOMPARE(par.result() == QDialog::Accepted, c.accepted);
    }
}

void TestShell::settingAndChangingThePassword()
{
    const struct {
        const char *stored;              // before; "=x" stores x as an older file kept it, in plain text
        const char *old, *pass, *passc;  // old == nullptr: "par1", else "par2"
        const char *message;             // nullptr: stored; "Iesire": that button, nothing stored
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
        {"", nullptr, "nou", "nou", "Iesire", "", "nou", ""},
    };
    for (const auto &c : cases) {
        Env env(u"O.S. ARAD"_s);
        if (c.stored[0] == '=')
            env.db().exec(u"UPDATE valid SET parola=?"_s, {QString::fromUtf8(c.stored + 1)});
        else
            storePassword(env.db(), QString::fromUtf8(c.stored));
        std::unique_ptr<QDialog> w(c.old ? static_cast<QDialog *>(new Par2(*env.ctx)) : new Par1(*env.ctx));
        QList<QLineEdit *> fields;
        for (const char *name : {"passold", "pass", "passc"})
            if (auto *f = w->findChild<QLineEdit *>(QLatin1String(name)))
                fields << f;
        const QStringList typed = c.old ? QStringList{c.old, c.pass, c.passc} : QStringList{c.pass, c.passc};
        for (int i = 0; i < fields.size(); ++i)
            fields[i]->setText(typed.at(i));
        const bool quit = qstrcmp(c.message, "Iesire") == 0;
        w->findChild<QPushButton *>(quit ? u"Command1"_s : u"Command2"_s)->click();
        QCOMPARE(env.messages.texts(), c.message && !quit ? QStringList{QString::fromUtf8(c.message)} : QStringList());
        QCOMPARE(w->result(), c.message ? 0 : int(QDialog::Accepted));
        QVERIFY(passwordMatches(QString::fromUtf8(c.matches), storedPassword(env.db())));
        if (QByteArray(c.notMatches).startsWith('='))
            QVERIFY(storedPassword(env.db()) != QLatin1String(c.notMatches + 1));   // kept as a hash now
        else
            QVERIFY(!passwordMatches(QString::fromUtf8(c.notMatches), storedPassword(env.db())));
        QStringList left;
        for (QLineEdit *f : fields)
            left << f->text();
        QCOMPARE(c.message && !quit ? left.join(QLatin1Char('|')) : QString(), QString::fromUtf8(c.left));
    }
}

void TestShell::exitKeepsTheNewestTenDatedCopies()
{
    Env env(u"O.S. ARAD"_s);
    Mnu mnu(*env.ctx);
    for (int exit = 1; exit <= 12; ++exit) {
        env.addItem({});
        env.clock.time = QTime(10, 0, std::min(exit, 11));   // the last two within one second
        mnu.action(u"mnuies"_s)->trigger();
    }
    QCOMPARE(env.platform.ended, 12);
    QVERIFY(env.messages.shown.isEmpty());
    QStringList expected{u"tendroBACKUP-20260315-100011-2.mdb 12"_s};
    for (int exit = 11; exit >= 3; --exit)
        expected << u"tendroBACKUP-20260315-1000%1.mdb %2"_s.arg(exit, 2, 10, QLatin1Char('0')).arg(exit);
    QCOMPARE(datedCopyList(env.dir.path()), expected);
    QCOMPARE(QDir(datedCopiesFolder(env.dir.path())).entryList(QDir::Files).size(), 10);
    // The single backup stays as it was: the working file at the last exit.
    auto backup = Database::open(conexiuneC(backupFilePath(env.dir.path())), Database::Mode::ReadOnly);
    QCOMPARE(tableDump(*backup, u"program"_s), tableDump(env.db(), u"program"_s));

    // A folder where the backup's partial copy would go, a file where the copies' folder is:
    // each failure is told, the program still ends.
    env.addItem({});
    const QByteArray before = fileHash(backupFilePath(env.dir.path()));
    QVERIFY(QDir().mkpath(partialPathFor(backupFilePath(env.dir.path()))));
    QVERIFY(QDir().rename(datedCopiesFolder(env.dir.path()), env.path(u"elsewhere"_s)));
    QVERIFY(QFile(datedCopiesFolder(env.dir.path())).open(QIODevice::WriteOnly));
    mnu.action(u"mnuies"_s)->trigger();
    QCOMPARE(env.platform.ended, 13);
    QCOMPARE(env.messages.shown.size(), 2);
    QVERIFY(env.messages.shown.at(0).text.startsWith(u" Copia de siguranta tendroBACKUP.mdb nu a putut fi facuta. \n"_s));
    QVERIFY(env.messages.shown.at(1).text.startsWith(u" Copia datata din folderul backup nu a putut fi facuta. \n"_s));
    QCOMPARE(fileHash(backupFilePath(env.dir.path())), before);
}

void TestShell::restoreFromADatedCopy()
{
    const QString question = u" Datele curente vor fi inlocuite cu copia din 15.03.2026 10:00:0%1. Continuati ? "_s;
    const struct {
        bool damaged;        // the newest copy
        QList<Step> steps;   // in the window opened from the menu
        QStringList copies;  // afterwards, newest first, then the working file's items; none: nothing changed
    } cases[] = {
        {false, {clickCell(u"List1"_s, 1), click(u"Command1"_s), message(question.arg(1), Answer::Yes),
                 message(u" Copia a fost restaurata. Este necesar de a intra din nou in program. "_s)},
         {u"tendroBACKUP-20260315-100500.mdb 3"_s, u"tendroBACKUP-20260315-100002.mdb 2"_s,
          u"tendroBACKUP-20260315-100001.mdb 1"_s, u"1"_s}},
        {false, {clickCell(u"List1"_s, 0), click(u"Command1"_s), message(question.arg(2), Answer::No),
                 click(u"Command2"_s)}, {}},
        {true, {clickCell(u"List1"_s, 0), click(u"Command1"_s),
                message(u" Copia tendroBACKUP-20260315-100002.mdb din 15.03.2026 10:00:02 este deteriorata si nu "
                        "poate fi restaurata. "_s), click(u"Command2"_s)}, {}},
    };
    for (const auto &c : cases) {
        Env env(u"O.S. ARAD"_s);
        env.addItem({});
        keepDatedCopy(env.db(), env.dir.path(), QDateTime(env.clock.date, QTime(10, 0, 1)));
        env.db().exec(u"INSERT INTO realiz (id,lei,actdata2,idos) VALUES(1,5,'20260401',9)"_s);
        env.addItem({});
        keepDatedCopy(env.db(), env.dir.path(), QDateTime(env.clock.date, QTime(10, 0, 2)));
        env.addItem({});
        env.clock.time = QTime(10, 5, 0);
        if (c.damaged) {
            QFile f(datedCopies(env.dir.path()).first().path);
            QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(f.size() / 2) && f.write(QByteArray(64, 'U')) == 64);
        }
        const QByteArray working = fileHash(env.workingFile());
        const QStringList before = datedCopyList(env.dir.path());
        Mnu mnu(*env.ctx);
        QStringList lines;
        const Step readList = call(
            [&] { lines = items(QApplication::activeModalWidget()->findChild<QListWidget *>(u"List1"_s)); });
        RUN_STEPS(env, &mnu, QList<Step>{click(u"mnurestaurare"_s), readList} + c.steps);
        QVERIFY2(QRegularExpression(u"^15\\.03\\.2026 10:00:02 +\\d+ KB +2 pozitii in program, 1 realizari\n"
                                    "15\\.03\\.2026 10:00:01 +\\d+ KB +1 pozitii in program, 0 realizari$"_s)
                         .match(lines.join(u'\n')).hasMatch() || c.damaged, qPrintable(lines.join(u'\n')));
        QCOMPARE(env.platform.ended, c.copies.isEmpty() ? 0 : 1);
        QCOMPARE(fileHash(env.workingFile()) == working, c.copies.isEmpty());
        QCOMPARE(datedCopyList(env.dir.path()) << QString::number(env.count(u"program"_s)),
                 c.copies.isEmpty() ? before + QStringList{u"3"_s} : c.copies);
    }
}

QTEST_MAIN(TestShell)
#include "test_shell.moc"
