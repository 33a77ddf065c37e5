// The store: numbers and dates, the connection wrapper, the default file,
// whole-file copies and the grid model.

#include "fakes.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/dates.h"
#include "store/filecopy.h"
#include "store/numbers.h"
#include "store/querymodel.h"
#include "store/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTableView>
#include <QtTest>
#include <cmath>
#include <limits>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

class TestStore : public QObject {
    Q_OBJECT
private slots:
    void formatNumber_data();
    void formatNumber();
    void readingNumbers_data();
    void readingNumbers();
    void wholeNumbers();
    void yearBoundsIncludeLastDayOnly();
    void numbersSurviveACommaLocale();
    void boundTextCannotBreakAStatement();
    void defaultFileIsCompleteAndEncrypted();
    void wrongOrMissingKeyIsRefusedAtOpen();
    void transactionRollsBackWhenLeftEarly();
    void wholeFileCopies_data();
    void wholeFileCopies();
    void encryptingAPlainFileKeepsItsRows();
    void gridWritesARowOnlyWhenLeft();
};

void TestStore::formatNumber_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("fraction") << 1234.5 << "1234.5";
    QTest::newRow("whole") << 1234.0 << "1234";
    QTest::newRow("small") << 0.1 << "0.1";
    QTest::newRow("negative") << -3.25 << "-3.25";
    QTest::newRow("large, no exponent") << 12345678901.0 << "12345678901";
    QTest::newRow("nine digits and cents") << 123456789.12 << "123456789.12";
    QTest::newRow("tiny, no exponent") << 0.000001 << "0.000001";
    QTest::newRow("zero") << 0.0 << "0";
}

void TestStore::formatNumber()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(tendro::formatNumber(value), text);
}

void TestStore::readingNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");   // the whole text is a number
    QTest::addColumn<double>("value");   // its leading number
    QTest::newRow("leading zero") << "03100000" << true << 3100000.0;
    QTest::newRow("code with check digit") << "03111100-5" << false << 3111100.0;
    QTest::newRow("trailing letters") << "12a" << false << 12.0;
    QTest::newRow("blanks around") << " 12 " << true << 12.0;
    QTest::newRow("blanks inside") << " 1 2 " << false << 12.0;
    QTest::newRow("decimal point") << "1.5" << true << 1.5;
    QTest::newRow("decimal, then letters") << "1.5x" << false << 1.5;
    QTest::newRow("comma stops") << "1,5" << false << 1.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("sign only") << "-" << false << 0.0;
    QTest::newRow("no digits") << "abc" << false << 0.0;
    QTest::newRow("utility code") << "30192120-COD INVALID" << false << 30192120.0;
    QTest::newRow("too long for a double") << QString(400, QLatin1Char('9')) << true << 0.0;
}

void TestStore::readingNumbers()
{
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QFETCH(double, value);
    QCOMPARE(tendro::isNumeric(text), numeric);
    QCOMPARE(tendro::leadingNumber(text), value);
}

void TestStore::wholeNumbers()
{
    for (const auto &[d, whole] : {std::pair{-3.7, 0LL - 3}, {30192120.9, 30192120LL}, {1e30, 0LL}, {-1e19, 0LL},
                                   {std::numeric_limits<double>::infinity(), 0LL}, {std::nan(""), 0LL}})
        QCOMPARE(tendro::wholeNumber(d), qint64(whole));
}

void TestStore::yearBoundsIncludeLastDayOnly()
{
    const YearBounds b = yearBounds(2026);
    QCOMPARE(b.lower, u"20260101"_s);
    QCOMPARE(b.upper, u"20261231"_s);
    QVERIFY(inYear(u"20261231"_s, 2026));
    QVERIFY(inYear(u"20260101"_s, 2026));
    QVERIFY(!inYear(u"20270101"_s, 2026));
    QVERIFY(!inYear(u"20251231"_s, 2026));
    QCOMPARE(compareFromDisplay(u"05.03.2026"_s), u"20260305"_s);
    QCOMPARE(compareFromDisplay(u"5.3.2026"_s), QString());
    QCOMPARE(displayDate(u"05"_s, u"03"_s, u"2026"_s), u"05.03.2026"_s);
}

void TestStore::numbersSurviveACommaLocale()
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Env env;
    env.installDefaultFile();
    Database &db = env.ctx->db();
    // Written as statement text and as a bound value, read back both ways.
    db.exec(u"INSERT INTO program (id,lei,idos) VALUES(1,"_s + tendro::formatNumber(1234.5) + u",7)"_s);
    db.exec(u"INSERT INTO program (id,lei,idos) VALUES(1,?,8)"_s, {1234.5});
    const ResultSet rs = db.query(u"SELECT lei FROM program ORDER BY idos"_s);
    QLocale::setDefault(saved);
    QCOMPARE(rs.count(), 2);
    for (int r = 0; r < 2; ++r) {
        QCOMPARE(rs.number(r, u"lei"_s), 1234.5);
        QCOMPARE(rs.text(r, u"lei"_s), u"1234.5"_s);
    }
}

void TestStore::boundTextCannotBreakAStatement()
{
    Env env;
    env.installDefaultFile();
    Database &db = env.ctx->db();
    const QString nasty = u"O'Brien'); DELETE FROM cpv; --"_s;
    db.exec(u"INSERT INTO program (resp,idos) VALUES(?,1)"_s, {nasty});
    QCOMPARE(db.query(u"SELECT resp FROM program WHERE resp=?"_s, {nasty}).count(), 1);
    QCOMPARE(db.query(u"SELECT count(*) AS n FROM cpv"_s).integer(0, u"n"_s), 9454);
    QVERIFY_THROWS_EXCEPTION(DbError, db.exec(u"INSERT INTO nosuch VALUES(1)"_s));
}

void TestStore::defaultFileIsCompleteAndEncrypted()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"tendro.mdb"_s);
    createDefaultFile(path);
    QVERIFY(!QFile::exists(partialPathFor(path)));

    auto db = Database::open({path, QLatin1String(kDatabasePassword)});
    auto count = [&](const QString &table) {
        return db->query(u"SELECT count(*) AS n FROM "_s + table).integer(0, u"n"_s);
    };
    QCOMPARE(count(u"cpv"_s), 9454);
    QCOMPARE(count(u"ds"_s), 42);
    QCOMPARE(count(u"os"_s), 210);
    QCOMPARE(count(u"setare"_s), 0);
    QCOMPARE(count(u"program"_s), 0);
    QCOMPARE(db->userVersion(), kSchemaVersion);
    const ResultSet valid = db->query(u"SELECT parola FROM valid"_s);
    QCOMPARE(valid.count(), 1);
    QCOMPARE(valid.text(0, u"parola"_s), QString());
    // Rows are numbered in file order and keep the published texts.
    const ResultSet first = db->query(u"SELECT * FROM cpv WHERE id=1"_s);
    QCOMPARE(first.text(0, u"cod"_s), u"03000000-1"_s);
    QCOMPARE(first.integer(0, u"cod2"_s), 3000000);
    QCOMPARE(first.integer(0, u"lista"_s), 1);
    QCOMPARE(count(u"cpv WHERE lista=1"_s), 45);
    QCOMPARE(db->query(u"SELECT count(*) AS n FROM cpv WHERE den=?"_s, {u"Seminţe"_s}).integer(0, u"n"_s), 1);

    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(!bytes.contains("SQLite format 3"));
    QVERIFY(!bytes.contains(u"Produse agricole"_s.toUtf8()));
    QVERIFY(!bytes.contains("ALBA IULIA"));
}

void TestStore::wrongOrMissingKeyIsRefusedAtOpen()
{
    Env env;
    env.installDefaultFile();
    for (const QString &key : {u"not the password"_s, QString()}) {
        try {
            Database::open({env.workingFile(), key});
            QFAIL("opened with the wrong key");
        } catch (const DbError &e) {
            QCOMPARE(e.code(), 26);
            QCOMPARE(engineErrorMessage(e), u"Eroarea 26 file is encrypted or is not a database"_s);
        }
    }
    QVERIFY(Database::open(conexiuneC(env.workingFile()), Database::Mode::ReadOnly));
}

void TestStore::transactionRollsBackWhenLeftEarly()
{
    Env env;
    env.installDefaultFile();
    Database &db = env.ctx->db();
    try {
        Transaction tx(db);
        db.exec(u"DELETE FROM cpv"_s);
        db.exec(u"INSERT INTO nosuch VALUES(1)"_s);
        tx.commit();
    } catch (const DbError &) {
    }
    QCOMPARE(db.query(u"SELECT count(*) AS n FROM cpv"_s).integer(0, u"n"_s), 9454);
    {
        Transaction tx(db);
        db.exec(u"DELETE FROM os"_s);
        tx.commit();
    }
    QCOMPARE(db.query(u"SELECT * FROM os"_s).count(), 0);
}

void TestStore::wholeFileCopies_data()
{
    QTest::addColumn<QString>("source");   // the working file, or a plain file with a broken page
    QTest::addColumn<bool>("blocked");      // the partial copy cannot be written
    QTest::addColumn<bool>("replaced");
    QTest::newRow("sound copy over an old file") << "working" << false << true;
    QTest::newRow("partial copy cannot be written") << "working" << true << false;
    QTest::newRow("copy fails its check") << "damaged" << false << false;
}

// Every whole-file copy (backup, export) writes beside its target and
// replaces it only with a keyed copy that reads back whole.
void TestStore::wholeFileCopies()
{
    QFETCH(QString, source);
    QFETCH(bool, blocked);
    QFETCH(bool, replaced);
    Env env;
    env.installDefaultFile();
    env.configure(1, 2, u"ALBA IULIA"_s, u"O.S. ALBA IULIA"_s);
    std::unique_ptr<Database> damaged;
    if (source == "damaged"_L1) {
        // The backup copies pages as they are; only the check reads the tree:
        // an index whose root is the table's own page.
        const QString path = env.path(u"damaged.mdb"_s);
        {
            auto db = Database::open(conexiuneC(path), Database::Mode::Create);
            db->execScript(u"CREATE TABLE t(x TEXT); CREATE INDEX i ON t(x)"_s);
            Transaction tx(*db);
            for (int i = 0; i < 300; ++i)
                db->exec(u"INSERT INTO t VALUES(?)"_s, {QString(200, QLatin1Char('a' + i % 26))});
            tx.commit();
            db->execScript(u"PRAGMA writable_schema=ON; UPDATE sqlite_master SET rootpage=2 WHERE name='i'"_s);
        }
        damaged = Database::open(conexiuneC(path), Database::Mode::ReadOnly);
    }
    Database &from = damaged ? *damaged : env.ctx->db();
    const QString target = env.path(u"copy.mdb"_s);
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old content");
    old.close();
    if (blocked)
        QVERIFY(QDir().mkpath(partialPathFor(target)));
    bool threw = false;
    try {
        copyDatabase(from, target, QLatin1String(kDatabasePassword));
    } catch (const DbError &) {
        threw = true;
    }
    QCOMPARE(threw, !replaced);
    QCOMPARE(QFileInfo(partialPathFor(target)).isDir(), blocked);
    QCOMPARE(QFileInfo::exists(partialPathFor(target)), blocked);
    if (!replaced) {
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old content"));
        return;
    }
    auto copy = Database::open(conexiuneC(target), Database::Mode::ReadOnly);
    for (const QString &t : {u"cpv"_s, u"setare"_s, u"os"_s})
        QCOMPARE(tableDump(*copy, t), tableDump(env.ctx->db(), t));
    QVERIFY_THROWS_EXCEPTION(DbError, Database::open({target, QString()}, Database::Mode::ReadOnly));
}

void TestStore::encryptingAPlainFileKeepsItsRows()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"plain.mdb"_s);
    {
        auto plain = Database::open({path, QString()}, Database::Mode::Create);
        createSchema(*plain);
        plain->exec(u"INSERT INTO ds (idds,numeds) VALUES(5,'BRASOV')"_s);
    }
    encryptPlainFile(path, QLatin1String(kDatabasePassword));
    QVERIFY_THROWS_EXCEPTION(DbError, Database::open({path, QString()}, Database::Mode::ReadOnly));
    auto db = Database::open({path, QLatin1String(kDatabasePassword)});
    QCOMPARE(tableDump(*db, u"ds"_s), QStringList{u"5|BRASOV"_s});
    QCOMPARE(db->userVersion(), kSchemaVersion);
}

void TestStore::gridWritesARowOnlyWhenLeft()
{
    Env env;
    env.installDefaultFile();
    Database &db = env.ctx->db();
    db.exec(u"INSERT INTO setare (idds,idos,numeds,numeos) VALUES(1,1,'A','X')"_s);
    db.exec(u"INSERT INTO setare (idds,idos,numeds,numeos) VALUES(1,2,'A','Y')"_s);
    QueryTableModel model(db, {{u"SEF"_s, u"sef"_s, true},
                               {u"NUME"_s, u"numeos"_s, false}});
    model.setQuery(u"SELECT rowid, * FROM setare ORDER BY idos"_s);
    model.setWriteBack(u"setare"_s, u"rowid"_s);
    model.refresh();
    QTableView view;
    bindGrid(&view, &model);
    QCOMPARE(model.rowCount(), 2);
    QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));

    view.setCurrentIndex(model.index(0, 0));
    QVERIFY(model.setData(model.index(0, 0), u"ION O'NEIL"_s));
    QCOMPARE(db.query(u"SELECT sef FROM setare WHERE idos=1"_s).text(0, u"sef"_s), QString());
    view.setCurrentIndex(model.index(1, 0));   // leaving the row writes it
    QCOMPARE(db.query(u"SELECT sef FROM setare WHERE idos=1"_s).text(0, u"sef"_s), u"ION O'NEIL"_s);
    QCOMPARE(db.query(u"SELECT sef FROM setare WHERE idos=2"_s).text(0, u"sef"_s), QString());
    QVERIFY(!model.hasPendingChanges());
}

QTEST_MAIN(TestStore)
#include "test_store.moc"
