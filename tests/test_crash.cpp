// Whole-file operations killed in the middle (SIGKILL at chosen writes of
// the database engine, in a child process): afterwards every database file of
// the folder, the dated copies included, opens with the password, is whole,
// and is either as it was or as the operation run to its end leaves it.

#include "fakes.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filecopy.h"
#include "store/filelock.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

// The rows an operation may change, of a file opened with the password.
QStringList contents(const QString &path)
{
    if (!QFile::exists(path))
        return {u"<absent>"_s};
    try {
        auto db = Database::open(conexiuneC(path));
        const ResultSet check = db->query(u"PRAGMA integrity_check"_s);
        if (check.isEmpty() || check.value(0, 0).toString() != "ok"_L1)
            return {u"<damaged>"_s};
        // Identities are drawn at random anew by every run.
        return tableDump(*db, u"program"_s, false) + tableDump(*db, u"realiz"_s, false) + tableDump(*db, u"cpv"_s);
    } catch (const DbError &e) {
        return {u"<unreadable>"_s, e.text()};
    }
}

// The database files of a program folder, the dated copies included.
QStringList databaseFiles(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, {u"*.mdb"_s}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(folder).relativeFilePath(it.next());
    return out;
}

// Both absent, or both there with the same bytes.
bool sameBytes(const QString &a, const QString &b)
{
    QFile fa(a), fb(b);
    const bool opened = fa.open(QIODevice::ReadOnly);
    return opened == fb.open(QIODevice::ReadOnly) && (!opened || fa.readAll() == fb.readAll());
}

// The writes the operation made, run to its end; -1 when it was killed, 0 when it failed.
long runHelper(const QString &folder, const QString &operation, long killAt)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);   // what the helper has to say, in the test's output
    p.start(QStringLiteral(TENDRO_CRASH_HELPER), {folder, operation, QString::number(killAt)});
    p.waitForFinished(120000);
    if (p.exitStatus() == QProcess::CrashExit)
        return -1;
    return p.exitCode() == 0 ? QString::fromLatin1(p.readAllStandardOutput()).trimmed().toLong() : 0;
}

} // namespace

class TestCrash : public QObject {
    Q_OBJECT
private slots:
    void initTestCase(); void killedInTheMiddle_data(); void killedInTheMiddle(); void twoExitsAtOnce();

private:
    Env prepared_;
    QMap<QString, QStringList> before_;   // the rows of the prepared folder's files
};

// One folder to start every run from: items of 2025 and 2026, a project,
// realizations, a directorate's file to import, an old backup, export and dated copy.
void TestCrash::initTestCase()
{
    Env &e = prepared_;
    e.installDefaultFile();
    e.configure(2, 9, u"ARAD"_s, u"O.S. ARAD"_s);
    Database &db = e.ctx->db();
    QVERIFY(QDir().mkpath(e.path(u"backup"_s)));
    for (const QString &copy : {u"tendroBACKUP.mdb"_s, u"export.mdb"_s, u"backup/tendroBACKUP-20260301-090000.mdb"_s})
        copyDatabase(db, e.path(copy), QLatin1String(kDatabasePassword));
    Transaction tx(db);
    for (int i = 0; i < 300; ++i) {
        const QString year = i % 2 ? u"2025"_s : u"2026"_s;
        db.exec(QStringLiteral("INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,"
                               "fond,idos,proced,proiect) VALUES(?,'cercetare',?,0,?,?,?,?,'POP','D','cercetare',9,'',?)"),
                {1 + i, 10.0 + i, u"01.03."_s + year, year + u"0301"_s, u"30.06."_s + year, year + u"0630"_s,
                 i % 3 ? u"PX"_s : u"PY"_s});
        db.exec(u"INSERT INTO realiz (id,lei,actdata2,idos,proiect) VALUES(?,?,'20260401',9,' ')"_s, {1 + i, 1.0 + i});
    }
    tx.commit();
    copyDatabase(db, e.path(u"sursa.mdb"_s), QLatin1String(kDatabasePassword));
    Database::open(conexiuneC(e.path(u"sursa.mdb"_s)))
        ->execScript(u"UPDATE program SET proced='licitatie', lei=lei+1; UPDATE realiz SET lei=lei*2;"
                     "UPDATE cpv SET den=den||' (nou)' WHERE id%2=0;"_s);
    e.ctx->closeDb();
    for (const QString &f : databaseFiles(e.dir.path()))
        before_[f] = contents(e.path(f));
}

void TestCrash::killedInTheMiddle_data()
{
    QTest::addColumn<QString>("operation");
    for (const char *operation : {"import", "copy", "project", "exit", "export", "restore"})
        QTest::newRow(operation) << QString::fromLatin1(operation);
}

void TestCrash::killedInTheMiddle()
{
    QFETCH(QString, operation);
    const QDir prepared(prepared_.dir.path());
    const auto freshFolder = [&prepared](QTemporaryDir &dir) {
        QVERIFY(QDir(dir.path()).mkpath(u"backup"_s));
        for (const QString &f : databaseFiles(prepared.path()))
            QVERIFY(QFile::copy(prepared.filePath(f), QDir(dir.path()).filePath(f)));
    };
    // Run to its end once: what "all of it" is, and how many writes it takes.
    QTemporaryDir whole;
    freshFolder(whole);
    const long writes = runHelper(whole.path(), operation, 0);
    QVERIFY2(writes > 5, qPrintable(QString::number(writes)));
    // Reading a file back costs a key derivation: a file the operation left alone is read once.
    const QStringList absent{u"<absent>"_s};
    QMap<QString, QStringList> after;
    for (const QString &f : databaseFiles(prepared.path()) + databaseFiles(whole.path())) {
        const QString path = QDir(whole.path()).filePath(f);
        after[f] = sameBytes(path, prepared.filePath(f)) ? before_.value(f, absent) : contents(path);
    }
    QVERIFY(after != before_);
    // The first and the last write, and three spread between them. Identities drawn at random lay an index's
    // pages out a little differently each run: the last point keeps a margin of a twentieth.
    QSet<long> points{1, writes - 2 - writes / 20};
    for (int i = 1; i < 4; ++i)
        points.insert(writes * i / 4);
    for (long k : std::as_const(points)) {
        QTemporaryDir dir;
        freshFolder(dir);
        QVERIFY2(runHelper(dir.path(), operation, k) == -1, qPrintable(u"not killed at write %1"_s.arg(k)));
        // The folder's lock went with the killed program (an exit and a restore hold it).
        QVERIFY(FileLock::tryTake(folderLockPath(dir.path())));
        for (const QString &f : databaseFiles(dir.path()) + before_.keys()) {
            const QString path = QDir(dir.path()).filePath(f);
            if (sameBytes(path, prepared.filePath(f)))
                continue;   // untouched
            const QStringList rows = contents(path);
            QVERIFY2(rows == before_.value(f, absent) || rows == after.value(f, absent),
                     qPrintable(u"%1 neither old nor new at write %2"_s.arg(f).arg(k)));
        }
    }
}

// Two programs leaving one folder at the same moment take turns: each leaves a whole backup and a dated
// copy of its own, and no temporary behind.
void TestCrash::twoExitsAtOnce()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(u"backup"_s));
    for (const QString &f : databaseFiles(prepared_.dir.path()))
        QVERIFY(QFile::copy(QDir(prepared_.dir.path()).filePath(f), QDir(dir.path()).filePath(f)));
    QProcess first, second;
    for (QProcess *p : {&first, &second})
        p->start(QStringLiteral(TENDRO_CRASH_HELPER), {dir.path(), u"exit"_s, u"0"_s});
    for (QProcess *p : {&first, &second})
        QVERIFY(p->waitForFinished(120000) && p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0);
    // Each a copy of the working file as it is.
    const QStringList working = before_.value(u"tendro.mdb"_s);
    QStringList made;
    for (const QString &f : databaseFiles(dir.path()))
        if (!before_.contains(f))
            made << f + (contents(QDir(dir.path()).filePath(f)) == working ? u" whole"_s : u" other"_s);
    made.sort();
    QCOMPARE(made, (QStringList{u"backup/tendroBACKUP-20260315-100000-nr1.mdb whole"_s,
                                u"backup/tendroBACKUP-20260315-100000-nr2.mdb whole"_s}));
    QVERIFY(contents(QDir(dir.path()).filePath(u"tendroBACKUP.mdb"_s)) == working);
    QDirIterator left(dir.path(), {u"*.partial*"_s}, QDir::Files, QDirIterator::Subdirectories);
    QVERIFY(!left.hasNext());
}

QTEST_MAIN(TestCrash)
#include "test_crash.moc"
