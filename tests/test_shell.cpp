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

#include <QtTest>
#include <QtWidgets>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
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
    void firstRunOffersTheSetupAndStoresTheChoice(); void configuredStartupAndExit();
    void startupThatCannotGoOn(); void mainWindowAndExit(); void loginAndPasswordWindows();
    void restoreFromADatedCopy();
};

void TestShell::firstRunOffersTheSetupAndStoresTheChoice()
{
    Env env;
    Setare setare(*env.ctx);
    QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Setup);
    QVERIFY(QFile::exists(env.workingFile()) && env.messages.shown.isEmpty()
            && !(setare.windowFlags() & Qt::WindowCloseButtonHint));
    const QStringList names = items(setare.dir1());
    QCOMPARE(names, queryRows(env.db(), u"SELECT numeds FROM ds ORDER BY numeds"_s));
    QCOMPARE(setare.dir1()->currentRow(), 0);
    // A directorate without sub-units cannot be confirmed.
    env.db().exec(u"INSERT INTO ds (idds,numeds) VALUES(99,'AAA FARA OCOALE')"_s);
    setare.fillDirectorates();
    QVERIFY(setare.ocol()->count() == 0 && !setare.findChild<QPushButton *>(u"butoninstal"_s)->isEnabled());
    const QStringList os = queryRows(env.db(), u"SELECT numeos FROM os WHERE idds=2"_s);
    int firstChosen = -1;
    RUN_STEPS(env, &setare, {clickCell(u"dir1"_s, int(names.indexOf(u"ARAD"_s)) + 1),
                             call([&] { firstChosen = setare.ocol()->currentRow(); }), clickCell(u"ocol"_s, -1),
                             click(u"butoninstal"_s),
                             expectRows(u"SELECT idds, numeds, numeos, sef FROM setare"_s, {u"2|ARAD|"_s + os.last() + u"|"_s})});
    QCOMPARE(items(setare.ocol()), os);
    QCOMPARE(u"%1|%2|%3"_s.arg(firstChosen).arg(setare.result()).arg(env.ctx->subunitate.numeos), u"0|1|"_s + os.last());
    env.ctx->splashMilliseconds = 2500;   // the splash lives its interval, Escape or not
    Init init(*env.ctx);
    QCOMPARE(u"%1 %2"_s.arg(init.timp()->interval()).arg(init.timp()->isActive()), u"2500 0"_s);
    init.show();
    QTest::keyClick(&init, Qt::Key_Escape);
    QVERIFY(init.timp()->isActive() && init.isVisible());
}

void TestShell::configuredStartupAndExit()
{
    // The stored password ("*x" stores x), what is typed into the login window that follows the splash, and
    // the screen's width: narrower than 1024 it is switched at start and given back at exit, else kept.
    const struct { const char *parola; QStringList attempts, messages; double width; } cases[] = {
        {"NULL", {}, {}, 800}, {"''", {}, {}, 1024},
        {"*Brad 2026", {u"brad 2026"_s, u"Brad 2026"_s}, {u" Parola nu corespunde !!! "_s}, 1280}};
    for (const auto &c : cases) {
        Env env;
        env.platform.display = {c.width, c.width * 0.75, 16};
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
                    for (const QString &a : c.attempts)   // each ended by Return
                        QTest::keyClicks(par->findChild<QLineEdit *>(u"passconf"_s), a + u'\r');
                });
            Setare setare(*env.ctx);
            QCOMPARE(runStartup(*env.ctx, setare), StartupResult::MainWindow);
            QCOMPARE(setare.dir1()->count(), 0);
            exitWithBackup(*env.ctx, nullptr);
        }
        QCOMPARE(env.messages.texts(), c.messages + c.messages);
        QCOMPARE(env.platform.ended, 2);
        QStringList applied;
        for (const DisplayMode &m : env.platform.applied)
            applied << u"%1x%2x%3"_s.arg(m.width).arg(m.height).arg(m.bitsPerPixel);
        const QString before = u"%1x%2x16"_s.arg(c.width).arg(c.width * 0.75);
        const QStringList once = c.width < 1024 ? QStringList{u"1024x768x32"_s, before} : QStringList{before};
        QCOMPARE(applied, once + once);
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
    const struct { QByteArray file; StartupResult result; QStringList messages; } cases[] = {
        // The working file's bytes; "<none>", "<plain>", "<other key>": made below.
        {"<none>", StartupResult::Stopped, {u"Schimbarea separatorului zecimal a esuat !\nIncercati manual !"_s}},
        {"<plain>", StartupResult::Ended, {u" A fost detectata o eroare in deschiderea bazei de date "_s,
                                           u" Eroarea a fost remediata.Este necesar de a intra din nou in program. "_s}},
        {QByteArray(8192, 'Z'), StartupResult::Failed, {notADatabase}},
        {"this is not a database\n", StartupResult::Failed, {notADatabase}},
        {"<other key>", StartupResult::Failed, {notADatabase}}};
    for (const auto &c : cases) {
        Env env;
        env.platform.refuseSeparator = c.file == "<none>";
        if (c.file == "<plain>" || c.file == "<other key>") {
            auto db = Database::open({env.workingFile(), c.file == "<plain>" ? QString() : u"another"_s},
                                     Database::Mode::Create);
            createSchema(*db);
            db->execScript(u"INSERT INTO ds (idds,numeds) VALUES(7,'BRASOV'); INSERT INTO valid (parola) VALUES('');"
                           "INSERT INTO os (idos,idds,numeos) VALUES(70,7,'O.S. BRASOV');"_s);
        } else if (c.file != "<none>") {
            QFile f(env.workingFile());
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(c.file) == c.file.size());
        }
        const QByteArray before = fileBytes(env.workingFile());
        auto setare = std::make_unique<Setare>(*env.ctx);
        QCOMPARE(runStartup(*env.ctx, *setare), c.result);
        QStringList shown;   // as far as the expected text goes
        for (const ShownMessage &m : env.messages.shown)
            shown << m.text.left(c.messages.value(shown.size()).size());
        QCOMPARE(shown, c.messages);
        QCOMPARE(env.messages.shown.first().title, c.result == StartupResult::Failed ? u"Eroare"_s : u"TENDRO"_s);
        QCOMPARE(env.messages.shown.first().icon == MessageIcon::Information, c.result == StartupResult::Failed);
        QCOMPARE(env.platform.ended, c.result == StartupResult::Ended ? 1 : 0);
        QCOMPARE(env.ctx->display.modecran, c.result == StartupResult::Stopped ? 0 : 1);   // no splash when stopped
        QCOMPARE(setare->dir1()->count(), 0);
        // Left open with nothing to choose, it can still be closed.
        QCOMPARE(bool(setare->windowFlags() & Qt::WindowCloseButtonHint), c.result != StartupResult::Ended);
        if (c.result != StartupResult::Ended) {   // the file left as it was, none made when stopped
            QCOMPARE(fileBytes(env.workingFile()), before);
            continue;
        }
        // Given the password; the next start opens it normally and keeps its rows.
        QVERIFY_THROWS_EXCEPTION(DbError, Database::open({env.workingFile(), QString()}, Database::Mode::ReadOnly));
        setare = std::make_unique<Setare>(*env.ctx);
        QCOMPARE(runStartup(*env.ctx, *setare), StartupResult::Setup);
        QCOMPARE(items(setare->dir1()) + items(setare->ocol()), (QStringList{u"BRASOV"_s, u"O.S. BRASOV"_s}));
    }
}

void TestShell::mainWindowAndExit()
{
    const QString gap35(35, u' '), gap46(46, u' ');
    QCOMPARE(mainCaption({38, 1, u"REGIA"_s, u"B.E. VORIDA"_s}),
             u"TENDRO"_s + gap35 + u"REGIA - CENTRAVA"_s + gap46 + u"B.E. VORIDA"_s);
    Env env(u"O.S. ARAD"_s);
    Mnu mnu(*env.ctx);
    QCOMPARE(mnu.windowTitle(), u"TENDRO"_s + gap35 + u"DIRECTIA SILVICA ARAD"_s + gap46 + u"O.S. ARAD"_s);
    const QList<QAction *> bar = mnu.findChild<QMenuBar *>()->actions();
    QCOMPARE(bar.mid(bar.size() - 2), (QList<QAction *>{mnu.action(u"mnurestaurare"_s), mnu.action(u"mnuies"_s)}));
    // The programme window: works chosen before closing, goods chosen again at the next load.
    QList<bool> goods;
    const QList<Step> round{click(u"mnuprg"_s), call([&goods] {
        goods << QApplication::activeModalWidget()->findChild<QRadioButton *>(u"prod"_s)->isChecked();
    }), click(u"lucr"_s), click(u"Command1"_s)};
    // The server entries only say so; Escape does not end the program behind the user's back.
    const QString notNow = u" Momentan nu este posibil ! "_s;
    env.ctx->closeDb();
    QByteArray before = fileBytes(env.workingFile()), after;
    activate(&mnu);
    RUN_STEPS(env, &mnu, QList<Step>{click(u"mnutranserv"_s), message(notNow), click(u"mnuprelserv"_s), message(notNow),
                                     call([&] { after = fileBytes(env.workingFile()); QTest::keyClick(&mnu, Qt::Key_Escape); })}
                             + round + round);
    QCOMPARE(after, before);
    QCOMPARE(env.messages.shown.first().title, u"TENDRO"_s);
    QCOMPARE(goods, (QList<bool>{true, true}));
    QVERIFY(!mnu.findChild<QDialog *>(u"liste"_s) && mnu.isVisible());
    env.messages.shown.clear();
    // Exits: the newest ten dated copies kept, and an end when a copy fails. The last one
    // on a clock set back to 2000: its copy sorts oldest, and still stays.
    const QDate today = env.clock.date;
    for (int exit = 1; exit <= 13; ++exit) {
        env.addItem({});
        env.clock.time = QTime(10, 0, std::min(exit, 11));   // 11 and 12 within one second
        env.clock.date = exit < 13 ? today : QDate(2000, 1, 1);
        mnu.action(u"mnuies"_s)->trigger();
    }
    env.clock.date = today;
    QCOMPARE(u"%1 %2"_s.arg(env.platform.ended).arg(env.messages.shown.size()), u"13 0"_s);   // ended, nothing told
    QStringList expected{u"tendroBACKUP-20260315-100011-2.mdb 12"_s};
    for (int exit = 11; exit >= 4; --exit)
        expected << u"tendroBACKUP-20260315-1000%1.mdb %2"_s.arg(exit, 2, 10, QLatin1Char('0')).arg(exit);
    QCOMPARE(datedCopyList(env.dir.path()), expected << u"tendroBACKUP-20000101-100011.mdb 13"_s);
    QCOMPARE(QDir(datedCopiesFolder(env.dir.path())).entryList(QDir::Files).size(), 10);
    // The single backup stays as it was: the working file at the last exit.
    auto backup = Database::open(conexiuneC(backupFilePath(env.dir.path())), Database::Mode::ReadOnly);
    QCOMPARE(tableDump(*backup, u"program"_s), tableDump(env.db(), u"program"_s));
    // A folder where the backup's partial copy would go, a file where the copies' folder is:
    // each failure is told, the program still ends.
    env.addItem({});
    before = fileBytes(backupFilePath(env.dir.path()));
    QVERIFY(QDir().mkpath(partialPathFor(backupFilePath(env.dir.path()))));
    QVERIFY(QDir().rename(datedCopiesFolder(env.dir.path()), env.path(u"elsewhere"_s)));
    QVERIFY(QFile(datedCopiesFolder(env.dir.path())).open(QIODevice::WriteOnly));
    mnu.action(u"mnuies"_s)->trigger();
    QCOMPARE(u"%1 %2"_s.arg(env.platform.ended).arg(env.messages.shown.size()), u"14 2"_s);
    QVERIFY(env.messages.shown.at(0).text.startsWith(u" Copia de siguranta tendroBACKUP.mdb nu a putut fi facuta. \n"_s));
    QVERIFY(env.messages.shown.at(1).text.startsWith(u" Copia datata din folderul backup nu a putut fi facuta. \n"_s));
    QCOMPARE(fileBytes(backupFilePath(env.dir.path())), before);
}

void TestShell::loginAndPasswordWindows()
{
    const QString wrong = u" Parola nu corespunde !!! "_s;
    const auto login = [](const QString &typed) { return QList<Step>{type(u"passconf"_s, typed), click(u"Command2"_s)}; };
    const auto set = [](const QString &pass, const QString &passc) {
        return QList<Step>{type(u"pass"_s, pass), type(u"passc"_s, passc), click(u"Command2"_s)};
    };
    const auto change = [&set](const QString &old, const QString &pass, const QString &passc) {
        return QList<Step>{type(u"passold"_s, old)} + set(pass, passc);
    };
    // A refusal empties the new password's fields; the old one's as given.
    const auto refused = [](const QString &why, const char *old = nullptr) {
        QList<Step> s{message(why), expectText(u"pass"_s, {}), expectText(u"passc"_s, {})};
        return old ? s << expectText(u"passold"_s, QLatin1String(old)) : s;
    };
    // The password stored before ("=x": x as an older file kept it, in plain text), the window (0 the login,
    // 1 a first password, 2 a change), the steps, then a password that matches afterwards and one that does not.
    const struct { const char *stored; int window; QList<Step> steps; const char *matches, *notMatches; bool accepted;
                   int ended; } cases[] = {
        {"Stejar ", 0, login(u"Stejar "_s), "Stejar ", "Stejar", true, 0},
        // The trailing blank counts, and so does the letter case; the third wrong one ends the program.
        {"Stejar ", 0, (login(u"Stejar"_s) << message(wrong)) + (login(u"STEJAR "_s) << message(wrong)) + login(u"stejar "_s)
             << message(u" Va rugam nu mai insistati.Sunteti un intrus !!! "_s), "Stejar ", "stejar ", false, 1},
        {"Stejar ", 0, {click(u"Command1"_s)}, "Stejar ", "", false, 1},
        {"", 1, set(u"brad"_s, u"fag"_s) + refused(u"Parola nu a fost confirmata !!! "_s), "", "brad", false, 0},
        // Blanks around the confirmation do not matter; the password keeps its own.
        {"", 1, set(u" O'Brad "_s, u"O'Brad"_s), " O'Brad ", "O'Brad", true, 0},
        {"x", 1, set({}, {}), "", "x", true, 0},
        {"", 1, {type(u"pass"_s, u"nou"_s), type(u"passc"_s, u"nou"_s), click(u"Command1"_s)}, "", "nou", false, 0},
        // The old password is compared without its blanks, so one stored with a
        // trailing blank cannot be changed by typing it as stored.
        {"vechi ", 2, change(u"vechi "_s, u"nou"_s, u"nou"_s) + refused(u" Parola veche nu corespunde !!! "_s, ""),
         "vechi ", "nou", false, 0},
        {"vechi", 2, change(u" vechi "_s, u"nou"_s, u"alt"_s) + refused(u" Parola nu a fost confirmata !!! "_s, " vechi "),
         "vechi", "nou", false, 0},
        {"vechi", 2, change(u" vechi "_s, u"Nou1"_s, u"Nou1 "_s), "Nou1", "vechi", true, 0},
        {"=simplu", 2, change(u"simplu"_s, u"simplu"_s, u"simplu"_s), "simplu", "Simplu", true, 0},
    };
    for (const auto &c : cases) {
        Env env(u"O.S. ARAD"_s);
        if (c.stored[0] == '=')
            env.db().exec(u"UPDATE valid SET parola=?"_s, {QString::fromUtf8(c.stored + 1)});
        else
            storePassword(env.db(), QString::fromUtf8(c.stored));
        std::unique_ptr<QDialog> w(c.window == 0 ? static_cast<QDialog *>(new Par(*env.ctx))
                                   : c.window == 1 ? static_cast<QDialog *>(new Par1(*env.ctx)) : new Par2(*env.ctx));
        for (const QLineEdit *f : w->findChildren<QLineEdit *>())
            QCOMPARE(f->echoMode(), QLineEdit::Password);
        activate(w.get());
        RUN_STEPS(env, w.get(), c.steps);
        QCOMPARE(u"%1 %2"_s.arg(w->result() == QDialog::Accepted).arg(env.platform.ended), u"%1 %2"_s.arg(c.accepted).arg(c.ended));
        const QString stored = storedPassword(env.db()), matches = QString::fromUtf8(c.matches);
        QVERIFY(passwordMatches(matches, stored) && !passwordMatches(QString::fromUtf8(c.notMatches), stored));
        QVERIFY(matches.isEmpty() || stored != matches);   // kept as a hash
    }
}

void TestShell::restoreFromADatedCopy()
{
    // Copies at 10:00:01 (one item, two realizations) and at 10:00:02, damaged; a third item since.
    Env env(u"O.S. ARAD"_s);
    env.db().exec(u"INSERT INTO realiz (id,lei,actdata2,idos) VALUES(1,5,'20260401',9),(2,6,'20260402',9)"_s);
    for (int second = 1; second <= 3; ++second) {
        env.addItem({});
        if (second < 3)
            keepDatedCopy(env.db(), env.dir.path(), QDateTime(env.clock.date, QTime(10, 0, second)));
    }
    QFile f(datedCopies(env.dir.path()).first().path);
    QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(f.size() / 2) && f.write(QByteArray(64, 'U')) == 64 && f.flush());
    env.clock.time = QTime(10, 5, 0);
    const QByteArray working = fileBytes(env.workingFile());
    const QStringList before = datedCopyList(env.dir.path());
    const QString question = u" Datele curente vor fi inlocuite cu copia din 15.03.2026 10:00:01. Continuati ? "_s;
    Mnu mnu(*env.ctx);
    QStringList lines;
    bool unchanged = false;
    const auto list = [] { return QApplication::activeModalWidget()->findChild<QListWidget *>(u"List1"_s); };
    // The damaged copy is refused, No changes nothing either, Yes restores.
    RUN_STEPS(env, &mnu, {click(u"mnurestaurare"_s), call([&] { lines = items(list()); }), clickCell(u"List1"_s, 0),
        click(u"Command1"_s), message(u" Copia tendroBACKUP-20260315-100002.mdb din 15.03.2026 10:00:02 este deteriorata "
                                      "si nu poate fi restaurata. "_s), clickCell(u"List1"_s, 1), click(u"Command1"_s),
        message(question, Answer::No), call([&] {
            unchanged = fileBytes(env.workingFile()) == working && datedCopyList(env.dir.path()) == before && !env.platform.ended;
        }), click(u"Command1"_s), message(question, Answer::Yes),
        message(u" Copia a fost restaurata. Este necesar de a intra din nou in program. "_s)});
    QVERIFY(unchanged);
    QVERIFY2(QRegularExpression(u"^15\\.03\\.2026 10:00:02 +\\d+ KB +.+\n"
                                "15\\.03\\.2026 10:00:01 +\\d+ KB +1 pozitii in program, 2 realizari$"_s)
                 .match(lines.join(u'\n')).hasMatch(), qPrintable(lines.join(u'\n')));
    // The current file kept first as a dated copy, the chosen one in its place (its items), the program ended.
    QCOMPARE(datedCopyList(env.dir.path()) << QString::number(env.count(u"program"_s)) << QString::number(env.platform.ended),
             (QStringList{u"tendroBACKUP-20260315-100500.mdb 3"_s, u"tendroBACKUP-20260315-100002.mdb 2"_s,
                          u"tendroBACKUP-20260315-100001.mdb 1"_s, u"1"_s, u"1"_s}));
    // A working file too damaged to copy is what a restore is for: kept aside as it is, the copy put in its place.
    env.addItem({});
    env.ctx->closeDb();
    QFile w(env.workingFile());
    QVERIFY(w.open(QIODevice::ReadWrite) && w.seek(w.size() / 2) && w.write(QByteArray(64, 'U')) == 64 && w.flush());
    w.close();
    const QByteArray damaged = fileBytes(env.workingFile());
    env.clock.time = QTime(10, 6, 0);
    RUN_STEPS(env, &mnu, {click(u"mnurestaurare"_s), clickCell(u"List1"_s, 2), click(u"Command1"_s),
                          message(question, Answer::Yes),
                          message(u" Copia a fost restaurata. Fisierul curent era deteriorat si a fost pastrat in folderul "
                                  "backup ca tendro-deteriorat-20260315-100600.mdb. Este necesar de a intra din nou in program. "_s)});
    QCOMPARE(fileBytes(env.path(u"backup/tendro-deteriorat-20260315-100600.mdb"_s)), damaged);
    QCOMPARE(u"%1 %2 %3"_s.arg(env.count(u"program"_s)).arg(datedCopies(env.dir.path()).size()).arg(env.platform.ended),
             u"1 3 2"_s);
}

QTEST_MAIN(TestShell)
#include "test_shell.moc"
