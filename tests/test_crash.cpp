// Whole-file operations killed in the middle (SIGKILL at chosen writes of
// the database engine, in a child process): afterwards every database file of
// the folder, the dated copies included, opens with the password, is whole,
// and is either as it was or as the operation run to its end leaves it.

#include "fakes.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filecopy.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

const QString kOldCopy = u"backup/tendroBACKUP-20260301-090000.mdb"_s;

QByteArray hashOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256) : QByteArray();
}

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
        QStringList out;
        for (const char *table : {"program", "realiz", "cpv"})
            out << tableDump(*db, QLatin1String(table));
        return out;
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

struct Run {
    bool killed = false;
    long writes = 0;
};

Run runHelper(const QString &folder, const QString &operation, long killAt)
{
    QProcess p;
    p.start(QStringLiteral(TENDRO_CRASH_HELPER), {folder, operation, QString::number(killAt)});
    p.waitForFinished(120000);
    Run r;
    r.killed = p.exitStatus() == QProcess::CrashExit;
    r.writes = QString::fromLatin1(p.readAllStandardOutput()).trimmed().toLong();
    if (!r.killed && p.exitCode() != 0)
        qWarning() << "helper failed:" << p.readAllStandardError();
    return r;
}

} // namespace

class TestCrash : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void killedInTheMiddle_data();
    void killedInTheMiddle();

private:
    Env prepared_;
};

// One folder to start every run from: items of 2025 and 2026, a project,
// realizations, a directorate's file to import, an old backup, export and dated copy.
void TestCrash::initTestCase()
{
    Env &e = prepared_;
    e.installDefaultFile();
    e.configure(2, 9, u"ARAD"_s, u"O.S. ARAD"_s);
    Database &db = e.ctx->db();
    copyDatabase(db, e.path(u"tendroBACKUP.mdb"_s), QLatin1String(kDatabasePassword));
    copyDatabase(db, e.path(u"export.mdb"_s), QLatin1String(kDatabasePassword));
    QVERIFY(QDir().mkpath(e.path(u"backup"_s)));
    copyDatabase(db, e.path(kOldCopy), QLatin1String(kDatabasePassword));
    Transaction tx(db);
    for (int i = 0; i < 300; ++i) {
        const QString year = i % 2 ? u"2025"_s : u"2026"_s;
        db.exec(QStringLiteral("INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,"
                               "fond,idos,proced,proiect) VALUES(?,'cercetare',?,0,?,?,?,?,'POP','D','cercetare',9,'',?)"),
                {1 + i, 10.0 + i, u"01.03."_s + year, year + u"0301"_s, u"30.06."_s + year, year + u"0630"_s,
                 i % 3 ? u"PX"_s : u"PY"_s});
        db.exec(u"INSERT INTO realiz (id,lei,actdata2,idos,proiect) VALUES(?,?,'20260401',9,' ')"_s,
                {1 + i, 1.0 + i});
    }
    tx.commit();
    copyDatabase(db, e.path(u"sursa.mdb"_s), QLatin1String(kDatabasePassword));
    auto src = Database::open(conexiuneC(e.path(u"sursa.mdb"_s)));
    src->exec(u"UPDATE program SET proced='licitatie', lei=lei+1"_s);
    src->exec(u"UPDATE realiz SET lei=lei*2"_s);
    src->exec(u"UPDATE cpv SET den=den||' (nou)' WHERE id%2=0"_s);
    e.ctx->closeDb();
}

void TestCrash::killedInTheMiddle_data()
{
    QTest::addColumn<QString>("operation");
    QTest::newRow("import") << "import";
    QTest::newRow("year copy") << "copy";
    QTest::newRow("project deletion") << "project";
    QTest::newRow("exit backup and dated copy") << "exit";
    QTest::newRow("export") << "export";
    QTest::newRow("restore of a dated copy") << "restore";
}

void TestCrash::killedInTheMiddle()
{
    QFETCH(QString, operation);
    const QString prepared = prepared_.dir.path();
    const auto freshFolder = [&](QTemporaryDir &dir) {
        QVERIFY(QDir(dir.path()).mkpath(u"backup"_s));
        for (const QString &f : databaseFiles(prepared))
            QVERIFY(QFile::copy(QDir(prepared).filePath(f), QDir(dir.path()).filePath(f)));
    };

    // Run to its end once: what "all of it" is, and how many writes it takes.
    QTemporaryDir whole;
    freshFolder(whole);
    const Run complete = runHelper(whole.path(), operation, 0);
    QVERIFY(!complete.killed);
    QVERIFY2(complete.writes > 5, qPrintable(QString::number(complete.writes)));
    QMap<QString, QStringList> before, after;
    for (const QString &f : databaseFiles(prepared) + databaseFiles(whole.path())) {
        before[f] = contents(QDir(prepared).filePath(f));
        after[f] = contents(QDir(whole.path()).filePath(f));
    }
    QVERIFY(before != after);

    QSet<long> points{1, 2, complete.writes - 1};
    for (int i = 1; i < 6; ++i)
        points.insert(complete.writes * i / 6);
    for (long k : std::as_const(points)) {
        QTemporaryDir dir;
        freshFolder(dir);
        const Run r = runHelper(dir.path(), operation, k);
        QVERIFY2(r.killed, qPrintable(u"not killed at write %1"_s.arg(k)));
        for (const QString &f : databaseFiles(dir.path()) + before.keys()) {
            const QString path = QDir(dir.path()).filePath(f);
            if (hashOf(path) == hashOf(QDir(prepared).filePath(f)))
                continue;   // untouched
            const QStringList now = contents(path);
            const QStringList absent{u"<absent>"_s};
            QVERIFY2(now == before.value(f, absent) || now == after.value(f, absent),
                     qPrintable(u"%1 neither old nor new at write %2"_s.arg(f).arg(k)));
        }
    }
}

QTEST_MAIN(TestCrash)
#include "test_crash.moc"
