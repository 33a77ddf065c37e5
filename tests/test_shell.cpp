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
#include "store/filelock.h"
#include "store/schema.h"

#include <sys/stat.h>

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

// The dated copies, newest first: name and number of programme items ("deteriorata" when it fails its check).
QStringList datedCopyList(const QString &cale)
{
    QStringList out;
    const QList<DatedCopy> copies = datedCopies(cale);
    const QList<FileCheck> checks = checkCopies(copies);
    for (int i = 0; i < copies.size(); ++i)
        out << QFileInfo(copies.at(i).path).fileName() + u" "_s
                + (checks.at(i).whole() ? QString::number(checks.at(i).rows.value(u"program"_s)) : u"deteriorata"_s);
    return out;
}

// Permission bits of a file or folder, as "600".
QString mode(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? QString::number(st.st_mode & 0777, 8) : u"<none>"_s;
}

const QString kDamagedQuestion = u" Fisierul de date tendro.mdb este deteriorat. Doriti restaurarea dintr-o copie de siguranta ? "_s;

} // namespace

class TestShell : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { setPasswordRounds(1000); }   // every hash but the one that checks the rounds
    void firstRunOffersTheSetupAndStoresTheChoice(); void configuredStartupAndExit();
    void startupThatCannotGoOn(); void damagedWorkingFileLeadsToTheRestore(); void mainWindowAndExit();
    void exitKeepsTheCopiesOfADamagedFile(); void loginAndPasswordWindows(); void restoreFromADatedCopy();
    void filesAreTheUsersAlone();
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
    const QString repaired = u" Eroarea a fost remediata.Este necesar de a intra din nou in program. "_s;
    // The working file ("<none>" none, the separator refused; "<plain>" without password; "<locked>" a good file
    // another program holds; "<other key>"; else hostileFile's kinds or the bytes), whether the splash came.
    const struct { QByteArray file; StartupResult result; QStringList messages; bool splash = true; } cases[] = {
        {"<none>", StartupResult::Stopped, {u"Schimbarea separatorului zecimal a esuat !\nIncercati manual !"_s}, false},
        {"<plain>", StartupResult::Ended, {u" A fost detectata o eroare in deschiderea bazei de date "_s, repaired}},
        {"<locked>", StartupResult::Ended, {QLatin1String(kAlreadyRunning)}, false},
        // No reader to check the file with says so, and is no damage.
        {"<no reader>", StartupResult::Failed, {u"Eroarea 14 unable to start <folder>/none\n Instalarea programului nu este "
                                                "completa. "_s}},
        // Damaged, or no TENDRO file: the way back offered, declined here.
        {QByteArray(8192, 'Z'), StartupResult::Failed, {kDamagedQuestion}},
        {"this is not a database\n", StartupResult::Failed, {kDamagedQuestion}},
        {"<other key>", StartupResult::Failed, {kDamagedQuestion}},
        {"empty", StartupResult::Failed, {kDamagedQuestion}},
        {"norealiz", StartupResult::Failed, {kDamagedQuestion}},
        {"trigger", StartupResult::Failed, {kDamagedQuestion}},
        {"schema", StartupResult::Failed, {kDamagedQuestion}}};
    for (const auto &c : cases) {
        Env env;
        env.platform.refuseSeparator = c.file == "<none>";
        std::unique_ptr<FileLock> other;
        if (c.file == "<plain>" || c.file == "<other key>") {
            auto db = Database::open({env.workingFile(), c.file == "<plain>" ? QString() : u"another"_s},
                                     Database::Mode::Create);
            createSchema(*db);
            db->execScript(u"INSERT INTO ds (idds,numeds) VALUES(7,'BRASOV'); INSERT INTO valid (parola) VALUES('');"
                           "INSERT INTO os (idos,idds,numeos) VALUES(70,7,'O.S. BRASOV');"_s);
        } else if (c.file == "<locked>" || c.file == "<no reader>") {
            env.installDefaultFile();
            other = FileLock::tryTake(folderLockPath(env.dir.path()));
            if (c.file == "<no reader>") {
                other.reset();
                setReaderProgram(env.path(u"none"_s));
            }
        } else if (c.file.startsWith("<")) {
        } else if (!c.file.contains(' ') && c.file.size() < 20) {
            env.installDefaultFile();
            replaceFile(hostileFile(env, u"h.mdb"_s, QString::fromLatin1(c.file)), env.workingFile());
            env.ctx->closeDb();
        } else {
            QFile f(env.workingFile());
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(c.file) == c.file.size());
        }
        const QByteArray before = fileBytes(env.workingFile());
        auto setare = std::make_unique<Setare>(*env.ctx);
        QCOMPARE(runStartup(*env.ctx, *setare), c.result);
        setReaderProgram(QStringLiteral(TENDRO_READER));
        QCOMPARE(env.messages.texts().join(u'|').replace(env.dir.path(), u"<folder>"_s), c.messages.join(u'|'));
        QCOMPARE(env.platform.ended, c.result == StartupResult::Ended ? 1 : 0);
        QCOMPARE(env.ctx->display.modecran, c.splash ? 1 : 0);
        QCOMPARE(setare->dir1()->count(), 0);
        // Left open with nothing to choose, it can still be closed.
        QVERIFY(c.result == StartupResult::Ended || (setare->windowFlags() & Qt::WindowCloseButtonHint));
        if (c.file != "<plain>") {   // the file left as it was, none made when stopped
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

// A working file without a table of data is refused at start and the restore offered: it is carried out,
// the damaged file kept aside as it was. A lock file no program holds any more (a killed one's) and the
// temporaries killed copies left are no obstacle, and are cleaned up.
void TestShell::damagedWorkingFileLeadsToTheRestore()
{
    // A table of data dropped; the schema rewritten so that the engine falls on opening the file.
    for (const QString &damage : {u"norealiz"_s, u"schema"_s}) {
        Env env(u"O.S. ARAD"_s);
        env.addItem({});
        const QString copy = keepDatedCopy(env.db(), env.dir.path(), QDateTime(env.clock.date, QTime(9, 0)));
        env.addItem({});
        replaceFile(hostileFile(env, u"h.mdb"_s, damage), env.workingFile());
        env.ctx->closeDb();
        const QByteArray damaged = fileBytes(env.workingFile());
        QVERIFY(QDir().mkpath(env.path(u"elsewhere"_s)));
        const QStringList leftovers{u"tendro.mdb.1f.partial"_s, u"backup/tendroBACKUP.mdb.2e.partial-journal"_s,
                                    u"elsewhere/trimis.mdb.3d.partial"_s, u"tendro.lock"_s};
        for (const QString &f : leftovers)
            QVERIFY(QFile(env.path(f)).open(QIODevice::WriteOnly));
        QFile pending(pendingListPath(env.dir.path()));
        QVERIFY(pending.open(QIODevice::WriteOnly) && pending.write(QFile::encodeName(env.path(leftovers.at(2))) + '\n'));
        pending.close();
        env.clock.time = QTime(11, 0);
        Setare setare(*env.ctx);
        // The question answered Yes; the restore window then driven as a user does.
        env.messages.answers = {true};
        QString stepError = u"the restore window did not come"_s;
        whenModal(u"restaurare"_s, [&](QWidget *restaurare) {
            stepError = runSteps(env, restaurare, {clickCell(u"List1"_s, 0), click(u"Command1"_s),
                message(u" Datele curente vor fi inlocuite cu copia din 15.03.2026 09:00:00. Continuati ? "_s, Answer::Yes),
                message(u" Copia a fost restaurata. Fisierul curent era deteriorat si a fost pastrat in folderul backup ca "
                        "tendro-deteriorat-20260315-110000.mdb. Este necesar de a intra din nou in program. "_s)});
        });
        const StartupResult result = runStartup(*env.ctx, setare);
        QVERIFY2(stepError.isEmpty(), qPrintable(stepError));
        QCOMPARE(env.messages.texts().first(), kDamagedQuestion);
        QCOMPARE(u"%1 %2"_s.arg(int(result)).arg(env.platform.ended), u"%1 1"_s.arg(int(StartupResult::Ended)));
        QCOMPARE(fileBytes(env.path(u"backup/tendro-deteriorat-20260315-110000.mdb"_s)), damaged);
        QCOMPARE(u"%1 %2"_s.arg(env.count(u"program"_s)).arg(env.count(u"realiz"_s)), u"1 0"_s);
        QCOMPARE(datedCopyList(env.dir.path()), QStringList{QFileInfo(copy).fileName() + u" 1"_s});
        QStringList left;
        for (const QString &f : leftovers)
            if (QFile::exists(env.path(f)))
                left << f;
        QCOMPARE(left, QStringList{u"tendro.lock"_s});
        QVERIFY(!QFile::exists(pendingListPath(env.dir.path())));
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
    // Exits: ten today, three with the clock set back to 2000, one set forward to 2030, one today again. The
    // copies go by the order they were made in, whatever their names say: the last ten stay, and the list
    // marks a name in the future or before the one made just before it.
    QList<QDateTime> clocks;
    for (int second = 1; second <= 10; ++second)
        clocks << QDateTime(env.clock.date, QTime(10, 0, second));
    for (int day = 1; day <= 3; ++day)
        clocks << QDateTime(QDate(2000, 1, day), QTime(9, 0));
    clocks << QDateTime(QDate(2030, 1, 1), QTime(9, 0)) << QDateTime(env.clock.date, QTime(10, 5));
    for (const QDateTime &at : std::as_const(clocks)) {
        env.addItem({});
        env.clock.date = at.date();
        env.clock.time = at.time();
        mnu.action(u"mnuies"_s)->trigger();
    }
    QCOMPARE(u"%1 %2"_s.arg(env.platform.ended).arg(env.messages.shown.size()), u"15 0"_s);   // ended, nothing told
    QStringList expected;
    for (int n = 15; n >= 6; --n)
        expected << u"tendroBACKUP-%1-nr%2.mdb %2"_s.arg(clocks.at(n - 1).toString(u"yyyyMMdd-HHmmss"_s)).arg(n);
    QCOMPARE(datedCopyList(env.dir.path()), expected);
    QCOMPARE(QDir(datedCopiesFolder(env.dir.path())).entryList(QDir::Files).size(), 10);
    QStringList marked;
    RUN_STEPS(env, &mnu, {click(u"mnurestaurare"_s), call([&marked] {
        for (const QString &line : items(QApplication::activeModalWidget()->findChild<QListWidget *>(u"List1"_s)))
            marked << (line.contains(u" ceas gresit? "_s) ? line.left(19) : u"-"_s);
    }), click(u"Command2"_s)});
    QCOMPARE(marked, (QStringList{u"15.03.2026 10:05:00"_s, u"01.01.2030 09:00:00"_s, u"-"_s, u"-"_s,
                                  u"01.01.2000 09:00:00"_s, u"-"_s, u"-"_s, u"-"_s, u"-"_s, u"-"_s}));
    // The single backup stays as it was: the working file at the last exit.
    auto backup = Database::open(conexiuneC(backupFilePath(env.dir.path())), Database::Mode::ReadOnly);
    QCOMPARE(tableDump(*backup, u"program"_s), tableDump(env.db(), u"program"_s));
    // A folder where the backup is, a file where the copies' folder is: each failure is told with its file and
    // what is known of its cause; the program still ends.
    env.addItem({});
    QVERIFY(QFile::remove(backupFilePath(env.dir.path())) && QDir().mkpath(backupFilePath(env.dir.path()) + u"/x"_s));
    QVERIFY(QDir().rename(datedCopiesFolder(env.dir.path()), env.path(u"elsewhere"_s)));
    QVERIFY(QFile(datedCopiesFolder(env.dir.path())).open(QIODevice::WriteOnly));
    mnu.action(u"mnuies"_s)->trigger();
    QCOMPARE(u"%1 %2"_s.arg(env.platform.ended).arg(env.messages.shown.size()), u"16 2"_s);
    const QString folder = QDir::toNativeSeparators(env.dir.path());
    QVERIFY2(QRegularExpression(u"^ Copia de siguranta tendroBACKUP.mdb nu a putut fi facuta. \nEroarea 10 .*\nFisierul "_s
                                + QRegularExpression::escape(folder + u"/tendroBACKUP.mdb"_s) + u"$"_s)
                 .match(env.messages.shown.at(0).text).hasMatch(), qPrintable(env.messages.shown.at(0).text));
    QCOMPARE(env.messages.shown.at(1).text, u" Copia datata din folderul backup nu a putut fi facuta. \nEroarea 14 unable "
                                            "to open database file\nFisierul "_s + folder
                                                + u"/backup/tendroBACKUP.mdb: folderul nu poate fi scris "_s);
}

// A working file without a table of data, or with a bad page found only by the copy, is never copied over the
// good copies, and none is pruned: the exit says the file is damaged and where the way back is.
void TestShell::exitKeepsTheCopiesOfADamagedFile()
{
    const QString kept = u". Copiile de siguranta au fost pastrate neschimbate. Folositi RESTAURARE pentru a reveni la "
                         "una dintre ele. "_s;
    const struct { const char *damage; QString message; } cases[] = {
        {"DROP TABLE realiz", u" Fisierul de date tendro.mdb este deteriorat (lipseste tabela realiz)"_s + kept},
        {"<bad page>", u" Fisierul de date tendro.mdb este deteriorat"_s + kept},
        {"CREATE VIEW v AS SELECT 1", u" Fisierul de date tendro.mdb este deteriorat (contine obiecte necunoscute)"_s + kept}};
    for (const auto &c : cases) {
        Env env(u"O.S. ARAD"_s);
        exitWithBackup(*env.ctx, nullptr);
        // A full set of copies, so that a prune would remove one.
        const QString first = datedCopies(env.dir.path()).value(0).path;
        for (int n = 2; n <= kDatedCopiesKept + 1; ++n)
            QVERIFY(QFile::copy(first, env.path(u"backup/tendroBACKUP-20260315-0900%1-nr%2.mdb"_s.arg(n, 2, 10, QLatin1Char('0')).arg(n))));
        const QStringList copies = QDir(datedCopiesFolder(env.dir.path())).entryList(QDir::Files);
        const QByteArray backup = fileBytes(backupFilePath(env.dir.path()));
        if (c.damage[0] == '<') {
            env.ctx->closeDb();
            const qint64 size = QFileInfo(env.workingFile()).size();
            QFile w(env.workingFile());
            QVERIFY(w.open(QIODevice::ReadWrite) && w.seek(size / 2) && w.write(QByteArray(64, 'U')) == 64 && w.flush());
        } else {
            env.db().execScript(QLatin1String(c.damage));
        }
        env.messages.shown.clear();
        exitWithBackup(*env.ctx, nullptr);
        QCOMPARE(env.messages.texts(), QStringList{c.message});
        QCOMPARE(u"%1 %2"_s.arg(env.messages.shown.at(0).title).arg(env.platform.ended), u"Eroare 2"_s);
        QCOMPARE(fileBytes(backupFilePath(env.dir.path())), backup);
        QCOMPARE(QDir(datedCopiesFolder(env.dir.path())).entryList(QDir::Files), copies);
    }
}

void TestShell::loginAndPasswordWindows()
{
    const QString wrong = u" Parola nu corespunde !!! "_s, blank = u" Parola nu poate incepe sau se termina cu spatiu "_s;
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
    // What the boxes show is what counts: blanks, letter case; the s and t with cedilla or comma are one letter.
    const struct { const char *stored; int window; QList<Step> steps; const char *matches, *notMatches; bool accepted;
                   int ended; } cases[] = {
        {"Stejar ", 0, login(u"Stejar "_s), "Stejar ", "Stejar", true, 0},
        // The trailing blank counts, and so does the letter case; the third wrong one ends the program.
        {"Stejar ", 0, (login(u"Stejar"_s) << message(wrong)) + (login(u"STEJAR "_s) << message(wrong)) + login(u"stejar "_s)
             << message(u" Va rugam nu mai insistati.Sunteti un intrus !!! "_s), "Stejar ", "stejar ", false, 1},
        {"Stejar ", 0, {click(u"Command1"_s)}, "Stejar ", "", false, 1},
        // Plain text of an older file: hashed at the first good login.
        {"=Braşov", 0, login(u"Bras\u0326ov"_s), "Brașov", "Brasov", true, 0},
        {"", 1, set(u"brad"_s, u"fag"_s) + refused(u"Parola nu a fost confirmata !!! "_s), "", "brad", false, 0},
        {"", 1, set(u" O'Brad"_s, u" O'Brad"_s) + refused(blank), "", " O'Brad", false, 0},
        {"", 1, set(u"O'Brad"_s, u"O'Brad "_s) + refused(blank), "", "O'Brad", false, 0},
        {"", 1, set(u"O'Brad"_s, u"O'Brad"_s), "O'Brad", "O'brad", true, 0},
        {"x", 1, set({}, {}), "", "x", true, 0},
        {"", 1, {type(u"pass"_s, u"nou"_s), type(u"passc"_s, u"nou"_s), click(u"Command1"_s)}, "", "nou", false, 0},
        // The old password as stored, its trailing blank included.
        {"vechi ", 2, change(u"vechi "_s, u"nou"_s, u"nou"_s), "nou", "vechi ", true, 0},
        {"vechi", 2, change(u" vechi"_s, u"nou"_s, u"nou"_s) + refused(u" Parola veche nu corespunde !!! "_s, ""), "vechi",
         "nou", false, 0},
        {"vechi", 2, change(u"vechi"_s, u"nou"_s, u"alt"_s) + refused(u" Parola nu a fost confirmata !!! "_s, "vechi"),
         "vechi", "nou", false, 0},
        {"vechi", 2, change(u"vechi"_s, u"Nou1 "_s, u"Nou1 "_s) + refused(blank, "vechi"), "vechi", "Nou1 ", false, 0},
        {"=ţara", 2, change(u"țara"_s, u"ţărm"_s, u"țărm"_s), "țărm", "ţara", true, 0},
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
        QVERIFY2(matches.isEmpty() || stored.startsWith(u"pbkdf2-sha256$1000$"_s), qPrintable(stored));   // kept as a hash
    }
    // New hashes take the full rounds; a hash asking for more than the most allowed matches nothing, at once
    // (else this one would keep the login busy for hours).
    setPasswordRounds(kPasswordRounds);
    const QString full = hashPassword(u"brad"_s);
    setPasswordRounds(1000);
    QCOMPARE(full.section(u'$', 1, 1), QString::number(kPasswordRounds));
    QString greedy = hashPassword(u"brad"_s, 1000);
    greedy.replace(u"$1000$"_s, u"$2147483647$"_s);
    QVERIFY(!passwordMatches(u"brad"_s, greedy) && passwordMatches(u"brad"_s, hashPassword(u"brad"_s, 1000)));
}

void TestShell::restoreFromADatedCopy()
{
    // Copies at 10:00:01 (one item, two realizations) and at 10:00:02, damaged; then copies that are no
    // TENDRO file or not a whole one; a third item since.
    Env env(u"O.S. ARAD"_s);
    env.db().exec(u"INSERT INTO realiz (id,lei,actdata2,idos) VALUES(1,5,'20260401',9),(2,6,'20260402',9)"_s);
    for (int second = 1; second <= 3; ++second) {
        env.addItem({});
        if (second < 3)
            keepDatedCopy(env.db(), env.dir.path(), QDateTime(env.clock.date, QTime(10, 0, second)));
    }
    QFile f(datedCopies(env.dir.path()).first().path);
    QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(f.size() / 2) && f.write(QByteArray(64, 'U')) == 64 && f.flush());
    const QStringList kinds{u"empty"_s, u"norealiz"_s, u"view"_s, u"virtual"_s, u"trigger"_s, u"schema"_s, u"long"_s};
    for (int n = 3; n < 3 + kinds.size(); ++n)
        QVERIFY(QFile::rename(hostileFile(env, u"h.mdb"_s, kinds.at(n - 3)),
                              env.path(u"backup/tendroBACKUP-20260315-1000%1-nr%2.mdb"_s.arg(n, 2, 10, QLatin1Char('0')).arg(n))));
    // Restored on a clock set back: the copy of the current file a restore keeps is never pruned.
    env.clock.date = QDate(2000, 1, 1);
    env.clock.time = QTime(10, 5, 0);
    const QByteArray working = fileBytes(env.workingFile());
    const QStringList before = QDir(datedCopiesFolder(env.dir.path())).entryList(QDir::Files);
    const QString question = u" Datele curente vor fi inlocuite cu copia din 15.03.2026 10:00:01. Continuati ? "_s;
    Mnu mnu(*env.ctx);
    QStringList lines;
    bool unchanged = false, chosenDamaged = true;
    const auto list = [] { return QApplication::activeModalWidget()->findChild<QListWidget *>(u"List1"_s); };
    const auto restoreEnabled = [] { return QApplication::activeModalWidget()->findChild<QPushButton *>(u"Command1"_s)->isEnabled(); };
    // A copy that fails its check cannot be chosen; No changes nothing; Yes restores.
    RUN_STEPS(env, &mnu, {click(u"mnurestaurare"_s), call([&] { lines = items(list()); }), clickCell(u"List1"_s, 0),
        clickCell(u"List1"_s, 7), call([&] { chosenDamaged = restoreEnabled(); }), clickCell(u"List1"_s, 8),
        click(u"Command1"_s), message(question, Answer::No), call([&] {
            unchanged = fileBytes(env.workingFile()) == working && !env.platform.ended
                && QDir(datedCopiesFolder(env.dir.path())).entryList(QDir::Files) == before;
        }), click(u"Command1"_s), message(question, Answer::Yes),
        message(u" Copia a fost restaurata. Este necesar de a intra din nou in program. "_s)});
    QVERIFY(unchanged && !chosenDamaged);
    // Seen from 2000, every copy was made in the future.
    QString expected;
    for (int n = 2 + kinds.size(); n >= 2; --n)
        expected += u"15\\.03\\.2026 10:00:%1 ceas gresit\\?  +\\d+ KB +copie deteriorata\n"_s.arg(n, 2, 10, QLatin1Char('0'));
    QVERIFY2(QRegularExpression(u"^"_s + expected + u"15\\.03\\.2026 10:00:01 ceas gresit\\?  +\\d+ KB +1 pozitii in program, 2 "
                                                   "realizari$"_s)
                 .match(lines.join(u'\n')).hasMatch(), qPrintable(lines.join(u'\n')));
    // The current file kept first as a dated copy, the chosen one in its place (its items), the program ended.
    const QString keptName = u"tendroBACKUP-20000101-100500-nr%1-restaurare.mdb"_s.arg(3 + kinds.size());
    QCOMPARE(datedCopyList(env.dir.path()).first(), keptName + u" 3"_s);
    QCOMPARE(u"%1 %2"_s.arg(env.count(u"program"_s)).arg(env.platform.ended), u"1 1"_s);
    // A working file too damaged to copy is what a restore is for: kept aside as it is, the copy put in its place.
    env.addItem({});
    env.ctx->closeDb();
    QFile w(env.workingFile());
    QVERIFY(w.open(QIODevice::ReadWrite) && w.seek(w.size() / 2) && w.write(QByteArray(64, 'U')) == 64 && w.flush());
    w.close();
    const QByteArray damaged = fileBytes(env.workingFile());
    env.clock.time = QTime(10, 6, 0);
    RUN_STEPS(env, &mnu, {click(u"mnurestaurare"_s), clickCell(u"List1"_s, -1), click(u"Command1"_s),
                          message(question, Answer::Yes),
                          message(u" Copia a fost restaurata. Fisierul curent era deteriorat si a fost pastrat in folderul "
                                  "backup ca tendro-deteriorat-20000101-100600.mdb. Este necesar de a intra din nou in program. "_s)});
    QCOMPARE(fileBytes(env.path(u"backup/tendro-deteriorat-20000101-100600.mdb"_s)), damaged);
    QCOMPARE(u"%1 %2 %3"_s.arg(env.count(u"program"_s)).arg(datedCopies(env.dir.path()).size()).arg(env.platform.ended),
             u"1 %1 2"_s.arg(before.size() + 1));
    // Exits prune the copies they made; the one the restore kept stays whatever its age.
    pruneDatedCopies(env.dir.path(), QString(), 0);
    QCOMPARE(QDir(datedCopiesFolder(env.dir.path())).entryList({u"tendroBACKUP-*"_s}, QDir::Files), QStringList{keptName});
}

// The data file, the backups and an export are the user's alone (0600, the copies' folder 0700) whatever the
// umask; a file whose mode the user set keeps it when replaced; a copy someone else owns is not the user's.
void TestShell::filesAreTheUsersAlone()
{
    for (const mode_t mask : {mode_t(0), mode_t(022)}) {
        const mode_t saved = ::umask(mask);
        Env env;
        Setare setare(*env.ctx);
        QCOMPARE(runStartup(*env.ctx, setare), StartupResult::Setup);
        env.configure(2, 9, u"ARAD"_s, u"O.S. ARAD"_s);
        exitWithBackup(*env.ctx, nullptr);
        QVERIFY(QFile::setPermissions(backupFilePath(env.dir.path()), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        env.files.nextPath = env.path(u"trimis.mdb"_s);
        Mnu mnu(*env.ctx);
        mnu.action(u"mnutransman"_s)->trigger();
        exitWithBackup(*env.ctx, nullptr);
        RUN_STEPS(env, &mnu, {click(u"mnurestaurare"_s), clickCell(u"List1"_s, 0), click(u"Command1"_s),
                              message(u" Datele curente vor fi inlocuite cu copia din 15.03.2026 10:00:00. Continuati ? "_s,
                                      Answer::Yes),
                              message(u" Copia a fost restaurata. Este necesar de a intra din nou in program. "_s)});
        ::umask(saved);
        QStringList modes;
        for (const QString &f : {env.workingFile(), backupFilePath(env.dir.path()), datedCopiesFolder(env.dir.path()),
                                 env.path(u"trimis.mdb"_s)})
            modes << mode(f);
        for (const DatedCopy &c : datedCopies(env.dir.path()))
            modes << mode(c.path);
        QCOMPARE(modes.join(u' '), u"600 640 700 600 600 600 600"_s);
        // A copy handed over to another user is left alone.
        if (::geteuid() == 0) {
            QVERIFY(::chown(QFile::encodeName(datedCopies(env.dir.path()).last().path).constData(), 1, 1) == 0);
            QCOMPARE(datedCopies(env.dir.path()).size(), 2);
        }
    }
}

QTEST_MAIN(TestShell)
#include "test_shell.moc"
