// Start-up, main window, sub-unit setup, password, exit with its copies and
// the restore window, driven through the real windows with scripted services.

#include "fakes.h"
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

// Types the attempts into the login window once it is shown, pressing OK after each.
void answerLogin(const QStringList &attempts)
{
    whenModal(u"par"_s, [attempts](QWidget *par) {
        for (const QString &a : attempts) {
            par->findChild<QLineEdit *>(u"passconf"_s)->setText(a);
            par->findChild<QPushButton *>(u"Command2"_s)->click();
        }
    });
}

// The first column of a query's rows.
QStringList column(Database &db, const QString &sql)
{
    QStringList out;
    const ResultSet rs = db.query(sql);
    for (int i = 0; i < rs.count(); ++i)
        out << rs.value(i, 0).toString();
    return out;
}

QStringList items(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

void clickRow(QListWidget *list, int row)
{
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
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
    QVERIFY(env.platform.closeRemoved.contains(&setare));
    QVERIFY(!(setare.windowFlags() & Qt::WindowCloseButtonHint));
    const QStringList names = items(setare.dir1());
    QCOMPARE(names.size(), 42);
    QCOMPARE(names, column(env.db(), u"SELECT numeds FROM ds ORDER BY numeds"_s));
    QCOMPARE(setare.dir1()->currentRow(), 0);

    // A directorate without sub-units cannot be confirmed.
    env.db().exec(u"INSERT INTO ds (idds,numeds) VALUES(99,'AAA FARA OCOALE')"_s);
    setare.fillDirectorates();
    activate(&setare);
    auto *button = setare.findChild<QPushButton *>(u"butoninstal"_s);
    QCOMPARE(setare.ocol()->count(), 0);
    QVERIFY(!button->isEnabled());

    clickRow(setare.dir1(), int(names.indexOf(u"ARAD"_s)) + 1);
    const QStringList os = column(env.db(), u"SELECT numeos FROM os WHERE idds=2"_s);
    QCOMPARE(items(setare.ocol()), os);
    QCOMPARE(setare.ocol()->currentRow(), 0);
    clickRow(setare.ocol(), int(os.size()) - 1);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(setare.result(), int(QDialog::Accepted));
    const QString chosen = os.last();
    QCOMPARE(env.ctx->subunitate.numeos, chosen);
    QCOMPARE(column(env.db(), u"SELECT idds||'|'||numeds||'|'||numeos||'|'||ifnull(sef,'') FROM setare"_s),
             QStringList{u"2|ARAD|"_s + chosen + u"|"_s});
}

void TestShell::configuredStartupWithOrWithoutPassword()
{
    const struct {
        const char *parola;         // SQL value; "*x" stores the password x
        QStringList attempts;       // typed into the login window
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
                answerLogin(c.attempts);   // a login window not asked for blocks the test until its timeout
            Setare setare(*env.ctx);
            QCOMPARE(runStartup(*env.ctx, setare), StartupResult::MainWindow);
            QCOMPARE(setare.dir1()->count(), 0);
        }
        QCOMPARE(env.messages.texts(), c.messages + c.messages);
        QCOMPARE(env.platform.ended, 0);
        QCOMPARE(env.ctx->subunitate.idos, 9);
        QCOMPARE(env.ctx->subunitate.numeds + u"/"_s + env.ctx->subunitate.numeos, u"ARAD/O.S. ARAD"_s);
        // The utility row, added once in two starts.
        QCOMPARE(column(env.db(), u"SELECT cod||'|'||den||'|'||fel FROM cpv WHERE cod2=30192120"_s),
                 QStringList{u"30192120-COD INVALID|Produse pentru scris|1"_s});
    }
}

void TestShell::startupThatCannotGoOn()
{
    QByteArray junk;
    for (int i = 0; i < 8192; ++i)
        junk.append(char((i * 131 + 7) % 251));
    const QString notADatabase = u"Eroarea 26 "_s;   // followed by the engine's text
    const struct {
        QByteArray file;   // the working file's bytes; "<none>", "<plain>", "<other key>": made below
        StartupResult result;
        QStringList messages;
    } cases[] = {
        {"<none>", StartupResult::Stopped, {u"Schimbarea separatorului zecimal a esuat !\nIncercati manual !"_s}},
        {"<plain>", StartupResult::Ended, {u" A fost detectata o eroare in deschiderea bazei de date "_s,
                                           u" Eroarea a fost remediata.Este necesar de a intra din nou in program. "_s}},
        {junk, StartupResult::Failed, {notADatabase}},
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
            db->exec(u"INSERT INTO ds (idds,numeds) VALUES(7,'BRASOV')"_s);
            db->exec(u"INSERT INTO os (idos,idds,numeos) VALUES(70,7,'O.S. BRASOV')"_s);
            db->exec(u"INSERT INTO valid (parola) VALUES('')"_s);
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
    QCOMPARE(init.result(), 0);
}

void TestShell::displayModeAtStartAndExit()
{
    // Narrower than 1024: switched at start and given back at exit; else kept.
    for (const double width : {800.0, 1024.0, 1280.0}) {
        const bool switched = width < 1024;
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
}

void TestShell::mainWindowCaptionAndMenu()
{
    const QString gap35(35, QLatin1Char(' ')), gap46(46, QLatin1Char(' '));
    QCOMPARE(mainCaption({38, 1, u"REGIA"_s, u"B.E. VORIDA"_s}),
             u"TENDRO"_s + gap35 + u"REGIA - CENTRAVA"_s + gap46 + u"B.E. VORIDA"_s);
    QCOMPARE(mainCaption({2, 9, u"ARAD"_s, u"O.S. ARAD"_s}),
             u"TENDRO"_s + gap35 + u"DIRECTIA SILVICA ARAD"_s + gap46 + u"O.S. ARAD"_s);
    Env env(u"O.S. ARAD"_s);
    Mnu mnu(*env.ctx);
    QCOMPARE(mnu.windowTitle(), mainCaption(env.ctx->subunitate));
    QStringList bar;
    for (QAction *a : mnu.findChild<QMenuBar *>()->actions())
        bar << a->objectName();
    QCOMPARE(bar.mid(bar.size() - 2), (QStringList{u"mnurestaurare"_s, u"mnuies"_s}));
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
    QStringList seen;
    for (int round = 0; round < 2; ++round) {
        whenModal(u"liste"_s, [&seen](QWidget *w) {
            seen << (w->findChild<QRadioButton *>(u"prod"_s)->isChecked() ? u"produse"_s : u"other"_s);
            w->findChild<QRadioButton *>(u"lucr"_s)->click();   // the next load chooses goods again
            w->findChild<QPushButton *>(u"Command1"_s)->click();
        });
        mnu.action(u"mnuprg"_s)->trigger();
    }
    QCOMPARE(seen, (QStringList{u"produse"_s, u"produse"_s}));
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
        Env env;
        env.installDefaultFile();
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
        std::unique_ptr<QDialog> w(c.old ? static_cast<QDialog *>(new Par2(*env.ctx)) : new Par1(*env.ctx));
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
        QStringList left;
        for (QLineEdit *f : fields)
            left << f->text();
        QCOMPARE(c.message ? left.join(QLatin1Char('|')) : QString(), QString::fromUtf8(c.left));
    }
    // "Iesire" stores nothing.
    Env env;
    env.installDefaultFile();
    Par1 w(*env.ctx);
    for (const char *name : {"pass", "passc"})
        w.findChild<QLineEdit *>(QLatin1String(name))->setText(u"nou"_s);
    w.findChild<QPushButton *>(u"Command1"_s)->click();
    QVERIFY(storedPassword(env.db()).isEmpty());
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
    QFile blocker(datedCopiesFolder(env.dir.path()));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    mnu.action(u"mnuies"_s)->trigger();
    QCOMPARE(env.platform.ended, 13);
    QCOMPARE(env.messages.shown.size(), 2);
    QVERIFY(env.messages.shown.at(0).text.startsWith(u" Copia de siguranta tendroBACKUP.mdb nu a putut fi facuta. \n"_s));
    QVERIFY(env.messages.shown.at(1).text.startsWith(u" Copia datata din folderul backup nu a putut fi facuta. \n"_s));
    QCOMPARE(fileHash(backupFilePath(env.dir.path())), before);
}

void TestShell::restoreFromADatedCopy()
{
    const QString restored = u" Copia a fost restaurata. Este necesar de a intra din nou in program. "_s;
    const struct {
        const char *name;
        int row;            // clicked in List1, newest first
        bool damaged, yes;
        QStringList messages;
        int items;          // in the working file afterwards
        QStringList copies; // afterwards; none: nothing changed
    } cases[] = {
        {"older copy", 1, false, true,
         {u" Datele curente vor fi inlocuite cu copia din 15.03.2026 10:00:01. Continuati ? "_s, restored}, 1,
         {u"tendroBACKUP-20260315-100500.mdb 3"_s, u"tendroBACKUP-20260315-100002.mdb 2"_s,
          u"tendroBACKUP-20260315-100001.mdb 1"_s}},
        {"answered No", 0, false, false,
         {u" Datele curente vor fi inlocuite cu copia din 15.03.2026 10:00:02. Continuati ? "_s}, 3, {}},
        {"damaged copy", 0, true, true,
         {u" Copia tendroBACKUP-20260315-100002.mdb din 15.03.2026 10:00:02 este deteriorata si nu poate fi "
          "restaurata. "_s}, 3, {}},
    };
    for (const auto &c : cases) {
        Env env(u"O.S. ARAD"_s);
        for (int exit = 1; exit <= 3; ++exit) {
            env.addItem({});
            env.clock.time = QTime(10, 0, exit);
            if (exit < 3)
                keepDatedCopy(env.db(), env.dir.path(), env.clock.now());
            if (exit == 1)
                env.db().exec(u"INSERT INTO realiz (id,lei,actdata2,idos) VALUES(1,5,'20260401',9)"_s);
        }
        env.clock.time = QTime(10, 5, 0);
        const QList<DatedCopy> before = datedCopies(env.dir.path());
        if (c.damaged) {
            QFile f(before.first().path);
            QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(f.size() / 2) && f.write(QByteArray(64, 'U')) == 64);
        }
        const QByteArray working = fileHash(env.workingFile());
        const QStringList copiesBefore = datedCopyList(env.dir.path());
        env.messages.answers = {c.yes};
        Mnu mnu(*env.ctx);
        QStringList lines;
        whenModal(u"restaurare"_s, [&](QWidget *w) {
            auto *list = w->findChild<QListWidget *>(u"List1"_s);
            for (int i = 0; i < list->count(); ++i)
                lines << list->item(i)->text();
            clickRow(list, c.row);
            QTest::mouseClick(w->findChild<QPushButton *>(u"Command1"_s), Qt::LeftButton);
            if (w->isVisible())
                QTest::mouseClick(w->findChild<QPushButton *>(u"Command2"_s), Qt::LeftButton);
        });
        mnu.action(u"mnurestaurare"_s)->trigger();
        QVERIFY2(lines.size() == 2 && QRegularExpression(u"^15\\.03\\.2026 10:00:01 +\\d+ KB +1 pozitii in program, "
                 "0 realizari$"_s).match(lines.last()).hasMatch(), qPrintable(lines.join(u'\n')));
        if (!c.damaged)
            QVERIFY2(lines.first().startsWith(u"15.03.2026 10:00:02 "_s)
                         && lines.first().endsWith(u" KB   2 pozitii in program, 1 realizari"_s), qPrintable(lines.first()));
        QCOMPARE(env.messages.texts(), c.messages);
        QCOMPARE(env.platform.ended, c.messages.last() == restored ? 1 : 0);
        QCOMPARE(env.count(u"program"_s), c.items);
        if (c.copies.isEmpty()) {
            QCOMPARE(datedCopyList(env.dir.path()), copiesBefore);
            QCOMPARE(fileHash(env.workingFile()), working);
        } else {
            QCOMPARE(datedCopyList(env.dir.path()), c.copies);
        }
    }
}

QTEST_MAIN(TestShell)
#include "test_shell.moc"
