// Whole-file operations killed in the middle (SIGKILL at chosen writes of
// the database engine, in a child process): afterwards the working file
// opens with the password, is whole, and holds all of the operation or none
// of it; a backup or export target is the old file or a complete new one.

#include "fakes.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filecopy.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;

namespace {

const QStringList kFiles{QStringLiteral("tendro.mdb"), QStringLiteral("sursa.mdb"), QStringLiteral("tendroBACKUP.mdb"),
                         QStringLiteral("export.mdb")};

QByteArray hashOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256) : QByteArray();
}

// The rows an operation may change, of a file opened with the password.
QStringList contents(const QString &path)
{
    auto db = Database::open(conexiuneC(path));
    const ResultSet check = db->query(QStringLiteral("PRAGMA integrity_check"));
    if (check.isEmpty() || check.value(0, 0).toString() != QLatin1String("ok"))
        return {QStringLiteral("<damaged>")};
    QStringList out;
    for (const char *table : {"program", "realiz", "cpv"})
        out << tableDump(*db, QLatin1String(table));
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
// realizations, a directorate's file to import, an old backup and export.
void TestCrash::initTestCase()
{
    Env &e = prepared_;
    e.installDefaultFile();
    e.configure(2, 9, QStringLiteral("ARAD"), QStringLiteral("O.S. ARAD"));
    Database &db = e.ctx->db();
    copyDatabase(db, e.path(QStringLiteral("tendroBACKUP.mdb")), QLatin1String(kDatabasePassword));
    copyDatabase(db, e.path(QStringLiteral("export.mdb")), QLatin1String(kDatabasePassword));
    Transaction tx(db);
    for (int i = 0; i < 300; ++i) {
        const QString year = i % 2 ? QStringLiteral("2025") : QStringLiteral("2026");
        db.exec(QStringLiteral("INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,"
                               "fond,idos,proced,proiect) VALUES(?,'cercetare',?,0,?,?,?,?,'POP','D','cercetare',9,'',?)"),
                {1 + i, 10.0 + i, QStringLiteral("01.03.") + year, year + QStringLiteral("0301"),
                 QStringLiteral("30.06.") + year, year + QStringLiteral("0630"),
                 i % 3 ? QStringLiteral("PX") : QStringLiteral("PY")});
        db.exec(QStringLiteral("INSERT INTO realiz (id,lei,actdata2,idos,proiect) VALUES(?,?,'20260401',9,' ')"),
                {1 + i, 1.0 + i});
    }
    tx.commit();
    copyDatabase(db, e.path(QStringLiteral("sursa.mdb")), QLatin1String(kDatabasePassword));
    auto src = Database::open(conexiuneC(e.path(QStringLiteral("sursa.mdb"))));
    src->exec(QStringLiteral("UPDATE program SET proced='licitatie', lei=lei+1"));
    src->exec(QStringLiteral("UPDATE realiz SET lei=lei*2"));
    src->exec(QStringLiteral("UPDATE cpv SET den=den||' (nou)' WHERE id%2=0"));
    e.ctx->closeDb();
}

void TestCrash::killedInTheMiddle_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("target");   // the file copied to, for the whole-file copies
    QTest::newRow("import") << "import" << "";
    QTest::newRow("year copy") << "copy" << "";
    QTest::newRow("project deletion") << "project" << "";
    QTest::newRow("exit backup") << "exit" << "tendroBACKUP.mdb";
    QTest::newRow("export") << "export" << "export.mdb";
}

void TestCrash::killedInTheMiddle()
{
    QFETCH(QString, operation);
    QFETCH(QString, target);
    const auto freshFolder = [this](QTemporaryDir &dir) {
        for (const QString &f : kFiles)
            QVERIFY(QFile::copy(prepared_.path(f), QDir(dir.path()).filePath(f)));
    };
    const QStringList before = contents(prepared_.workingFile());
    const QByteArray oldTarget = target.isEmpty() ? QByteArray() : hashOf(prepared_.path(target));

    // Run to its end once: what "all of it" is, and how many writes it takes.
    QTemporaryDir whole;
    freshFolder(whole);
    const Run complete = runHelper(whole.path(), operation, 0);
    QVERIFY(!complete.killed);
    QVERIFY2(complete.writes > 5, qPrintable(QString::number(complete.writes)));
    const QStringList after = contents(QDir(whole.path()).filePath(QStringLiteral("tendro.mdb")));
    QVERIFY(target.isEmpty() ? after != before : after == before);

    QSet<long> points{1, 2, complete.writes - 1};
    for (int i = 1; i < 6; ++i)
        points.insert(complete.writes * i / 6);
    for (long k : std::as_const(points)) {
        QTemporaryDir dir;
        freshFolder(dir);
        const Run r = runHelper(dir.path(), operation, k);
        QVERIFY2(r.killed, qPrintable(QStringLiteral("not killed at write %1").arg(k)));
        const QStringList now = contents(QDir(dir.path()).filePath(QStringLiteral("tendro.mdb")));
        QVERIFY2(now == before || now == after, qPrintable(QStringLiteral("half an operation at write %1").arg(k)));
        if (!target.isEmpty()) {
            const QString t = QDir(dir.path()).filePath(target);
            QVERIFY2(hashOf(t) == oldTarget || contents(t) == before,
                     qPrintable(QStringLiteral("%1 damaged at write %2").arg(target).arg(k)));
        }
    }
}

QTEST_MAIN(TestCrash)
#include "test_crash.moc"
