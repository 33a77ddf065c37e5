// Timings of the operations a user waits for, each printed beside a
// baseline measured in the same run (raw SQLCipher calls or a plain scan),
// so the ratio holds on a noisy machine. Run: build/bench/tendro_bench

#include "fakes.h"
#include "catalogue/browser.h"
#include "directorate/aprobare.h"
#include "directorate/takein.h"
#include "exchange/import.h"
#include "programme/gridquery.h"
#include "programme/liste.h"
#include "realizations/realiz.h"
#include "realizations/totals.h"
#include "realizations/totals.h"
#include "reports/engine.h"
#include "store/querymodel.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filecopy.h"
#include "store/schema.h"
#include "thresholds/purchases.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <sqlcipher/sqlite3.h>
#include <sys/resource.h>

using namespace tendro;
using namespace tendro::test;

namespace {

// The catalogue codes in file order, for lookups.
QVector<qint64> catalogueCodes(Database &db)
{
    QVector<qint64> out;
    db.forEach(QStringLiteral("SELECT cod2 FROM cpv ORDER BY id"), {},
               [&out](const QStringList &, const QVector<QVariant> &r) { out << r.at(0).toLongLong(); });
    return out;
}

// Raw single-row lookups by cod2 through one prepared statement.
void rawLookups(sqlite3 *db, const QVector<qint64> &codes, int count)
{
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM cpv WHERE cod2=?", -1, &st, nullptr);
    for (int i = 0; i < count; ++i) {
        sqlite3_bind_int64(st, 1, codes.at(i % codes.size()));
        while (sqlite3_step(st) == SQLITE_ROW)
            benchmark::DoNotOptimize(sqlite3_column_text(st, 2));
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
}

struct Fixture {
    Fixture()
    {
        env.installDefaultFile();
        env.configure(2, 9, QStringLiteral("ARAD"), QStringLiteral("SEDIU"));
        codes = catalogueCodes(env.ctx->db());
    }
    // 1000 codes spread over the whole catalogue.
    QVector<qint64> spacedCodes() const
    {
        QVector<qint64> out;
        for (int i = 0; i < 1000; ++i)
            out << codes.at(i * 9);
        return out;
    }
    Env env;
    QVector<qint64> codes;
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void CreateDefaultFile(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tendro.mdb"));
    for (auto _ : state) {
        QFile::remove(path);
        createDefaultFile(path);
    }
}
BENCHMARK(CreateDefaultFile)->Unit(benchmark::kMillisecond)->Iterations(5);

void Lookups1000(benchmark::State &state)
{
    Fixture &f = fixture();
    Database &db = f.env.ctx->db();
    const QVector<qint64> spaced = f.spacedCodes();
    for (auto _ : state)
        for (qint64 code : spaced)
            benchmark::DoNotOptimize(db.query(QStringLiteral("SELECT * FROM cpv WHERE cod2=?"), {code}));
}
BENCHMARK(Lookups1000)->Unit(benchmark::kMillisecond);

void Lookups1000_baseline(benchmark::State &state)
{
    Fixture &f = fixture();
    const QVector<qint64> spaced = f.spacedCodes();
    for (auto _ : state)
        rawLookups(f.env.ctx->db().handle(), spaced, 1000);
}
BENCHMARK(Lookups1000_baseline)->Unit(benchmark::kMillisecond);

// The same, each run opening its own connection first (the key derivation dominates).
void OpenAndLookups1000(benchmark::State &state)
{
    Fixture &f = fixture();
    const QVector<qint64> spaced = f.spacedCodes();
    for (auto _ : state) {
        auto db = Database::open(conexiuneA(f.env.dir.path()), Database::Mode::ReadOnly);
        for (qint64 code : spaced)
            benchmark::DoNotOptimize(db->query(QStringLiteral("SELECT * FROM cpv WHERE cod2=?"), {code}));
    }
}
BENCHMARK(OpenAndLookups1000)->Unit(benchmark::kMillisecond);

void OpenAndLookups1000_baseline(benchmark::State &state)
{
    Fixture &f = fixture();
    const QVector<qint64> spaced = f.spacedCodes();
    const QByteArray path = f.env.workingFile().toUtf8();
    for (auto _ : state) {
        sqlite3 *db = nullptr;
        sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_key(db, kDatabasePassword, int(strlen(kDatabasePassword)));
        rawLookups(db, spaced, 1000);
        sqlite3_close(db);
    }
}
BENCHMARK(OpenAndLookups1000_baseline)->Unit(benchmark::kMillisecond);

// The exit's copy of the working file: written under a temporary name, read back whole, put in place.
void BackupCopy(benchmark::State &state)
{
    Fixture &f = fixture();
    const QString target = f.env.path(QStringLiteral("bench-copy.mdb"));
    for (auto _ : state)
        copyDatabase(f.env.ctx->db(), target, QLatin1String(kDatabasePassword));
}
BENCHMARK(BackupCopy)->Unit(benchmark::kMillisecond);

// A level-I click runs at most 6 + 54 single-row lookups.
void RawLookups60(benchmark::State &state)
{
    Fixture &f = fixture();
    for (auto _ : state)
        rawLookups(f.env.ctx->db().handle(), f.codes, 60);
}

void LevelOneClick(benchmark::State &state)
{
    Fixture &f = fixture();
    Liste w(*f.env.ctx);
    for (auto _ : state)
        w.browser()->levelClicked(1);
}
BENCHMARK(LevelOneClick)->Unit(benchmark::kMicrosecond);
BENCHMARK(RawLookups60)->Name("LevelOneClick_baseline")->Unit(benchmark::kMicrosecond);

void CodeSearchLevelSeven(benchmark::State &state)
{
    Fixture &f = fixture();
    Liste w(*f.env.ctx);
    for (auto _ : state)
        w.browser()->searchCode(QStringLiteral("03212211"));
}
BENCHMARK(CodeSearchLevelSeven)->Unit(benchmark::kMicrosecond);
BENCHMARK(RawLookups60)->Name("CodeSearchLevelSeven_baseline")->Unit(benchmark::kMicrosecond);

// The only name holding this word is the last entry in code order.
const QString kLastWord = QStringLiteral("organismelor internationale");

void WordSearchLastEntry(benchmark::State &state)
{
    Fixture &f = fixture();
    Liste w(*f.env.ctx);
    for (auto _ : state) {
        w.browser()->reset();
        w.browser()->searchWord(kLastWord);
    }
    if (w.browser()->gasite() != QVector<qint64>{98910000})
        state.SkipWithError("the word does not find exactly the last entry");
}
BENCHMARK(WordSearchLastEntry)->Unit(benchmark::kMicrosecond);

void WordSearchLastEntry_baseline(benchmark::State &state)
{
    Fixture &f = fixture();
    QStringList names;
    f.env.ctx->db().forEach(QStringLiteral("SELECT den FROM cpv ORDER BY cod2,fel"), {},
                            [&names](const QStringList &, const QVector<QVariant> &r) { names << r.at(0).toString(); });
    for (auto _ : state) {
        int hits = 0;
        for (const QString &n : std::as_const(names))
            hits += n.contains(QStringLiteral("organismelor"), Qt::CaseInsensitive);
        benchmark::DoNotOptimize(hits);
    }
}
BENCHMARK(WordSearchLastEntry_baseline)->Unit(benchmark::kMicrosecond);

constexpr int kItems = 10000;
constexpr int kRealizations = 20000;

// A directorate's file: the full catalogue, 10 000 items, 20 000 realizations.
QString importSource(Env &env)
{
    const QString path = env.path(QStringLiteral("sursa.mdb"));
    if (QFile::exists(path))
        return path;
    copyDatabase(env.ctx->db(), path, QLatin1String(kDatabasePassword));
    auto src = Database::open(conexiuneC(path));
    Transaction tx(*src);
    for (int i = 0; i < kItems; ++i)
        src->exec(QStringLiteral("INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,"
                                 "detal,fond,idos,proced,anunt,proiect) VALUES(?,'productie',?,?,'01.02.2026',"
                                 "'20260201','01.03.2026','20260301','ION POP','DETALII','proprii',9,'licitatie','',''"
                                 ")"),
                  {1 + i % 9000, 100.0 + i, 20.0 + i});
    for (int i = 0; i < kRealizations; ++i)
        src->exec(QStringLiteral("INSERT INTO realiz (id,contrnr,contrdata1,contrdata2,lei,actnr,actdata1,actdata2,idos,"
                                 "furniz,refer,denumach,proiect) VALUES(?,'C','01.02.2026','20260201',?,'F',"
                                 "'05.02.2026','20260205',9,'SC FURNIZOR SRL','R','LEMN','')"),
                  {1 + i % 9000, 10.0 + i});
    tx.commit();
    return path;
}

void ImportFullFile(benchmark::State &state)
{
    Fixture &f = fixture();
    const QString source = importSource(f.env);
    for (auto _ : state) {
        f.env.messages.answers = {true, true};
        if (!importFile(*f.env.ctx, nullptr, source))
            state.SkipWithError("import failed");
    }
}
BENCHMARK(ImportFullFile)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same rows read and inserted through the raw API in one transaction.
void ImportFullFile_baseline(benchmark::State &state)
{
    Fixture &f = fixture();
    const QString source = importSource(f.env);
    sqlite3 *src = nullptr;
    sqlite3_open_v2(source.toUtf8().constData(), &src, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_key(src, kDatabasePassword, int(strlen(kDatabasePassword)));
    sqlite3 *dst = f.env.ctx->db().handle();
    auto copy = [&](const char *select, const char *insert, int columns) {
        sqlite3_stmt *s = nullptr, *i = nullptr;
        sqlite3_prepare_v2(src, select, -1, &s, nullptr);
        sqlite3_prepare_v2(dst, insert, -1, &i, nullptr);
        while (sqlite3_step(s) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c)
                sqlite3_bind_value(i, c + 1, sqlite3_column_value(s, c));
            sqlite3_step(i);
            sqlite3_reset(i);
        }
        sqlite3_finalize(s);
        sqlite3_finalize(i);
    };
    for (auto _ : state) {
        sqlite3_exec(dst, "BEGIN; DELETE FROM program; DELETE FROM realiz WHERE idos=9; DELETE FROM cpv;", nullptr,
                     nullptr, nullptr);
        copy("SELECT id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,fond,idos,proced,anunt,proiect "
             "FROM program WHERE idos=9 ORDER BY idp",
             "INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,fond,idos,proced,"
             "anunt,proiect) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
             15);
        copy("SELECT id,contrnr,contrdata1,contrdata2,lei,actnr,actdata1,actdata2,idos,furniz,refer,denumach,proiect "
             "FROM realiz WHERE idos=9 ORDER BY idr",
             "INSERT INTO realiz (id,contrnr,contrdata1,contrdata2,lei,actnr,actdata1,actdata2,idos,furniz,refer,"
             "denumach,proiect) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)",
             13);
        copy("SELECT id,cod,den,fel,anexa2,lista,cod2 FROM cpv",
             "INSERT INTO cpv (id,cod,den,fel,anexa2,lista,cod2) VALUES(?,?,?,?,?,?,?)", 7);
        sqlite3_exec(dst, "COMMIT", nullptr, nullptr, nullptr);
    }
    sqlite3_close(src);
}
BENCHMARK(ImportFullFile_baseline)->Unit(benchmark::kMillisecond)->Iterations(3);

constexpr int kYearItems = 5000;

// A programme window on a year of 5 000 items and the full catalogue.
struct ProgrammeFixture {
    ProgrammeFixture()
    {
        env.installDefaultFile();
        env.configure(2, 9, QStringLiteral("ARAD"), QStringLiteral("O.S. ARAD"));
        Database &db = env.ctx->db();
        Transaction tx(db);
        for (int i = 0; i < kYearItems; ++i)
            db.exec(QStringLiteral("INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,"
                                   "detal,fond,idos,proced,proiect) VALUES(?,'productie',?,0,'01.02.2026','20260201',"
                                   "'01.03.2026','20260301',?,'DETALII','bugetare',9,'','')"),
                    {1 + (i * 7) % 9000, 100.0 + i, QStringLiteral("RESP %1").arg(i % 40)});
        tx.commit();
        window = std::make_unique<Liste>(*env.ctx);
    }
    template <typename T> T *get(const char *name) { return window->findChild<T *>(QLatin1String(name)); }
    Env env;
    std::unique_ptr<Liste> window;
};

// Released before the application object goes, with the window it holds.
std::unique_ptr<ProgrammeFixture> programmeFixture;

ProgrammeFixture &programme()
{
    if (!programmeFixture)
        programmeFixture = std::make_unique<ProgrammeFixture>();
    return *programmeFixture;
}

// Reads every row of a query through the raw API, as a grid refresh does.
void rawReadAll(sqlite3 *db, const char *sql, const char *a = nullptr, const char *b = nullptr)
{
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    if (a)
        sqlite3_bind_text(st, 1, a, -1, SQLITE_STATIC);
    if (b)
        sqlite3_bind_text(st, 2, b, -1, SQLITE_STATIC);
    while (sqlite3_step(st) == SQLITE_ROW)
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            benchmark::DoNotOptimize(sqlite3_column_text(st, c));
    sqlite3_finalize(st);
}

// A new item saved: checks, duplicate check, insert, people list and grid refreshed.
void SaveNewItem(benchmark::State &state)
{
    ProgrammeFixture &f = programme();
    f.window->browser()->searchCode(QStringLiteral("03111100"));
    Database &db = f.env.ctx->db();
    for (auto _ : state) {
        state.PauseTiming();
        db.exec(QStringLiteral("DELETE FROM program WHERE detal='NOU'"));
        // As after a deletion in the window: the grid refreshed and painted, its purchases current.
        f.window->gridModel()->refresh();
        f.window->gridModel()->index(0, 14).data();
        const QList<QPair<const char *, const char *>> fields{{"vallei", "1500"}, {"valeuro", "0"}, {"zi1", "01"},
                                                              {"luna1", "03"},    {"zi2", "30"},    {"luna2", "06"},
                                                              {"detal", "NOU"},   {"resp", "POP"}};
        for (const auto &[name, text] : fields)
            f.get<QLineEdit>(name)->setText(QLatin1String(text));
        state.ResumeTiming();
        f.get<QPushButton>("Command2")->click();
    }
    if (f.env.messages.last() != QStringLiteral(" Datele au fost salvate "))
        state.SkipWithError(("the save did not go through: " + f.env.messages.last().toStdString()).c_str());
}
BENCHMARK(SaveNewItem)->Unit(benchmark::kMillisecond);

void SaveNewItem_baseline(benchmark::State &state)
{
    ProgrammeFixture &f = programme();
    sqlite3 *db = f.env.ctx->db().handle();
    for (auto _ : state) {
        rawReadAll(db, "SELECT * FROM cpv WHERE cod2=3111100");
        rawReadAll(db, "SELECT * FROM program WHERE id=5 and datainc2>=? and datainc2<=? and proiect='' and "
                       "fond='proprii' and idos=9",
                   "20260101", "20261231");
        sqlite3_exec(db, "INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,fond,"
                         "idos,proiect) VALUES(5,'productie',1500,0,'01.03.2026','20260301','30.06.2026','20260630',"
                         "'POP','BAZA','proprii',9,'')",
                     nullptr, nullptr, nullptr);
        rawReadAll(db, "SELECT DISTINCT resp FROM program");
        rawReadAll(db, "SELECT * FROM cpv,program WHERE cpv.id=program.id and program.datainc2>=? and "
                       "program.datafin2<=? ORDER BY program.idp",
                   "20260101", "20261231");
        state.PauseTiming();
        sqlite3_exec(db, "DELETE FROM program WHERE detal='BAZA'", nullptr, nullptr, nullptr);
        state.ResumeTiming();
    }
}
BENCHMARK(SaveNewItem_baseline)->Unit(benchmark::kMillisecond);

// A click on the "CPV" header: sorted by code, the next click back by key.
void HeaderClick(benchmark::State &state)
{
    ProgrammeFixture &f = programme();
    QHeaderView *header = f.get<QTableView>("DataGrid1")->horizontalHeader();
    for (auto _ : state)
        emit header->sectionClicked(0);
}
BENCHMARK(HeaderClick)->Unit(benchmark::kMillisecond);

void HeaderClick_baseline(benchmark::State &state)
{
    ProgrammeFixture &f = programme();
    sqlite3 *db = f.env.ctx->db().handle();
    for (auto _ : state)
        rawReadAll(db, "SELECT * FROM cpv,program WHERE cpv.id=program.id and program.datainc2>=? and "
                       "program.datafin2<=? ORDER BY cpv.cod",
                   "20260101", "20261231");
}
BENCHMARK(HeaderClick_baseline)->Unit(benchmark::kMillisecond);

// The purchases of the year worked out as the grid does once per refresh
// (the items read, grouped, the thresholds in force looked up); the baseline
// reads the same columns raw.
void YearPurchases(benchmark::State &state)
{
    ProgrammeFixture &f = programme();
    Database &db = f.env.ctx->db();
    for (auto _ : state)
        benchmark::DoNotOptimize(Purchases(db, 2026, Scope::eachSubunit()).list().size());
}
BENCHMARK(YearPurchases)->Unit(benchmark::kMillisecond);

void YearPurchases_baseline(benchmark::State &state)
{
    ProgrammeFixture &f = programme();
    sqlite3 *db = f.env.ctx->db().handle();
    for (auto _ : state)
        rawReadAll(db, "SELECT p.idp,p.idos,c.cod2,c.fel,c.anexa2,p.detal,p.lei,p.datainc2,p.proced,p.realiz FROM program p"
                       " JOIN cpv c ON c.id=p.id WHERE p.datainc2>=? AND p.datainc2<=?",
                   "20260101", "20261231");
}
BENCHMARK(YearPurchases_baseline)->Unit(benchmark::kMillisecond);

// The editor's line: the purchase the item being typed would join, with its band.
void ThresholdLine(benchmark::State &state)
{
    ProgrammeFixture &f = programme();
    Database &db = f.env.ctx->db();
    PurchaseItem edited;
    edited.idos = 9;
    edited.cod2 = 3111100;
    edited.lei = 1500;
    edited.start = 20260301;
    for (auto _ : state)
        benchmark::DoNotOptimize(editorLine(purchaseWith(db, edited)));
}
BENCHMARK(ThresholdLine)->Unit(benchmark::kMicrosecond);

void ThresholdLine_baseline(benchmark::State &state)
{
    ProgrammeFixture &f = programme();
    sqlite3 *db = f.env.ctx->db().handle();
    for (auto _ : state) {
        rawReadAll(db, "SELECT p.idp,p.idos,c.cod2,c.fel,c.anexa2,p.detal,p.lei,p.datainc2,p.proced,p.realiz FROM program p"
                       " JOIN cpv c ON c.id=p.id WHERE p.datainc2>=? AND p.datainc2<=? AND p.idos=9 AND c.fel<>3"
                       " AND c.cod2>=3000000 AND c.cod2<4000000",
                   "20260101", "20261231");
        rawReadAll(db, "SELECT tip,dela,directa,simplificata FROM praguri");
    }
}
BENCHMARK(ThresholdLine_baseline)->Unit(benchmark::kMicrosecond);

// A directorate of 40 sub-units, each sending a file of 2 000 items of 2027.
constexpr int kSubunits = 40;
constexpr int kSubunitItems = 2000;

struct DirectorateFixture {
    DirectorateFixture()
    {
        dir.installDefaultFile();
        dir.configure(2, 0, QStringLiteral("ARAD"), QStringLiteral("ARAD"));
        dir.clock.date = QDate(2027, 2, 1);
        {
            Database &db = dir.ctx->db();
            Transaction tx(db);
            for (int i = 0; i < kSubunits; ++i)
                db.exec(QStringLiteral("INSERT INTO os (idos,idds,numeos) VALUES(?,2,?)"),
                        {1000 + i, QStringLiteral("O.S. PROBA %1").arg(i, 2, 10, QLatin1Char('0'))});
            tx.commit();
        }
        // One sub-unit's file made once, then copied under each sub-unit's name and identities.
        sub.installDefaultFile();
        sub.configure(2, 1000, QStringLiteral("ARAD"), QStringLiteral("O.S. PROBA 00"));
        {
            Database &db = sub.ctx->db();
            Transaction tx(db);
            for (int i = 0; i < kSubunitItems; ++i)
                db.exec(QStringLiteral("INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,"
                                       "detal,fond,idos,proced,proiect,uid) VALUES(?,'productie',?,0,'01.03.2027','20270301',"
                                       "'30.09.2027','20270930','POP',?,'proprii',1000,'','',lower(hex(randomblob(16))))"),
                        {1 + (i * 7) % 9000, 1000.0 + i, QStringLiteral("LUCRAREA %1").arg(i % 50)});
            tx.commit();
        }
        sub.ctx->closeDb();
        for (int i = 0; i < kSubunits; ++i) {
            const QString file = dir.path(QStringLiteral("os%1.mdb").arg(i));
            QFile::copy(sub.workingFile(), file);
            auto db = Database::open(conexiuneC(file));
            db->execScript(QStringLiteral("UPDATE setare SET idos=%1, numeos='O.S. PROBA %2';"
                                          "UPDATE program SET idos=%1, uid=lower(hex(randomblob(16)))")
                               .arg(1000 + i)
                               .arg(i, 2, 10, QLatin1Char('0')));
            files << file;
        }
    }
    Env dir, sub;
    QStringList files;
};

std::unique_ptr<DirectorateFixture> directorateFixture;

DirectorateFixture &directorate()
{
    if (!directorateFixture)
        directorateFixture = std::make_unique<DirectorateFixture>();
    return *directorateFixture;
}

// Every sub-unit's file taken in, as "Din fisiere" does with 40 files chosen:
// each read by the reader process, then its sub-unit replaced in one transaction.
void TakeIn40Subunits(benchmark::State &state)
{
    DirectorateFixture &f = directorate();
    Database &db = f.dir.ctx->db();
    for (auto _ : state)
        for (const QString &file : std::as_const(f.files)) {
            const SubunitFile source = readSubunitFile(file);
            TakeIn t = whoseFile(db, 2, file, source);
            takeIn(db, t, source, f.dir.clock.now());
        }
}
BENCHMARK(TakeIn40Subunits)->Unit(benchmark::kMillisecond)->Iterations(2);

// The same rows moved with the raw API: each file opened, its items read and
// inserted in place of the sub-unit's, one transaction per file.
void TakeIn40Subunits_baseline(benchmark::State &state)
{
    DirectorateFixture &f = directorate();
    sqlite3 *dst = f.dir.ctx->db().handle();
    for (auto _ : state)
        for (int i = 0; i < f.files.size(); ++i) {
            sqlite3 *src = nullptr;
            sqlite3_open_v2(f.files.at(i).toUtf8().constData(), &src, SQLITE_OPEN_READONLY, nullptr);
            sqlite3_key(src, kDatabasePassword, int(strlen(kDatabasePassword)));
            sqlite3_stmt *s = nullptr, *ins = nullptr;
            sqlite3_prepare_v2(src, "SELECT id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,fond,idos,"
                                    "proced,anunt,proiect,uid FROM program ORDER BY idp", -1, &s, nullptr);
            sqlite3_prepare_v2(dst, "INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,"
                                    "detal,fond,idos,proced,anunt,proiect,uid) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                               -1, &ins, nullptr);
            sqlite3_exec(dst, "BEGIN", nullptr, nullptr, nullptr);
            const std::string del = "DELETE FROM program WHERE idos=" + std::to_string(1000 + i);
            sqlite3_exec(dst, del.c_str(), nullptr, nullptr, nullptr);
            while (sqlite3_step(s) == SQLITE_ROW) {
                for (int c = 0; c < 16; ++c)
                    sqlite3_bind_value(ins, c + 1, sqlite3_column_value(s, c));
                sqlite3_step(ins);
                sqlite3_reset(ins);
            }
            sqlite3_exec(dst, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_finalize(s);
            sqlite3_finalize(ins);
            sqlite3_close(src);
        }
}
BENCHMARK(TakeIn40Subunits_baseline)->Unit(benchmark::kMillisecond)->Iterations(2);

// APROBARE opened on the 80 000 items: the purchases summed over the
// sub-units and the first one's items listed.
void ApprovalWindowOpen(benchmark::State &state)
{
    DirectorateFixture &f = directorate();
    for (auto _ : state) {
        Aprobare w(*f.dir.ctx);
        benchmark::DoNotOptimize(w.purchasesModel()->rowCount());
    }
}
BENCHMARK(ApprovalWindowOpen)->Unit(benchmark::kMillisecond)->Iterations(3);

void ApprovalWindowOpen_baseline(benchmark::State &state)
{
    DirectorateFixture &f = directorate();
    sqlite3 *db = f.dir.ctx->db().handle();
    for (auto _ : state)
        rawReadAll(db, "SELECT p.idp,p.idos,c.cod2,c.fel,c.anexa2,p.detal,p.lei,p.datainc2,p.proced,p.realiz FROM program p"
                       " JOIN cpv c ON c.id=p.id WHERE p.datainc2>=? AND p.datainc2<=?",
                   "20270101", "20271231");
}
BENCHMARK(ApprovalWindowOpen_baseline)->Unit(benchmark::kMillisecond)->Iterations(3);

// A row double-clicked: the editor filled and the seven lists positioned.
void RowDoubleClick(benchmark::State &state)
{
    ProgrammeFixture &f = programme();
    QTableView *grid = f.get<QTableView>("DataGrid1");
    const QModelIndex row = f.window->gridModel()->index(2500, 0);
    grid->setCurrentIndex(row);
    for (auto _ : state)
        emit grid->doubleClicked(row);
}
BENCHMARK(RowDoubleClick)->Unit(benchmark::kMillisecond);

// Its queries: the kind's first level and the positioning's 55 lookups.
void RowDoubleClick_baseline(benchmark::State &state)
{
    ProgrammeFixture &f = programme();
    sqlite3 *db = f.env.ctx->db().handle();
    for (auto _ : state) {
        rawReadAll(db, "SELECT * FROM cpv WHERE lista=1 and fel=1");
        rawLookups(db, fixture().codes, 55);
    }
}
BENCHMARK(RowDoubleClick_baseline)->Unit(benchmark::kMillisecond);

constexpr int kReportItems = 2000;

// 2 000 approved items of one year, with the report files beside them.
struct ReportFixture {
    ReportFixture()
    {
        env.installDefaultFile();
        env.installReports();
        env.configure(2, 9, QStringLiteral("ARAD"), QStringLiteral("O.S. ARAD"));
        Database &db = env.ctx->db();
        Transaction tx(db);
        for (int i = 0; i < kReportItems; ++i)
            db.exec(QStringLiteral("INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,"
                                   "detal,fond,idos,proced,proiect) VALUES(?,'productie',?,0,'01.02.2026','20260201',"
                                   "'01.03.2026','20260301','POP ION','DETALII ALE ACHIZITIEI','proprii',9,"
                                   "'licitatie','')"),
                    {1 + (i * 13) % 9000, 100.0 + i});
        tx.commit();
        qputenv("TENDRO_REPORT_DIR", env.path(QStringLiteral("pdf")).toUtf8());
    }
    Env env;
};

ReportFixture &reports()
{
    static ReportFixture f;
    return f;
}

long peakKilobytes()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

void runReport(benchmark::State &state, const char *file)
{
    ReportFixture &f = reports();
    ReportJob job(f.env.messages, f.env.clock);
    const long before = peakKilobytes();
    for (auto _ : state) {
        job.setReportFile(f.env.path(QLatin1String(file)));
        job.setDataFile(0, f.env.workingFile());
        job.setConnect(QStringLiteral(";PWD=") + QLatin1String(kDatabasePassword));
        job.setSelectionFormula(QStringLiteral("{program.proced}<>'' and {program.datainc2}>='20260101' and "
                                               "{program.datainc2}<='20261231'"));
        job.setFormula(0, QStringLiteral("titlu='PROGRAM ACHIZITII PE ANUL 2026'"));
        job.setFormula(1, QStringLiteral("crit=''"));
        if (!job.setAction(1, nullptr))
            state.SkipWithError("the report failed");
        state.PauseTiming();
        QFile::remove(job.lastPdf());
        QFile::remove(job.lastWorkbook());
        state.ResumeTiming();
    }
    state.counters["peak_rise_MB"] = double(peakKilobytes() - before) / 1024.0;
}

void ReportApproved2000(benchmark::State &state) { runReport(state, "rapproga.rpt"); }
BENCHMARK(ReportApproved2000)->Unit(benchmark::kMillisecond)->Iterations(3);

void ReportGrouped2000(benchmark::State &state) { runReport(state, "rapprogagrup.rpt"); }
BENCHMARK(ReportGrouped2000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The grouped report as an Excel workbook instead of a PDF.
void ReportGrouped2000Xlsx(benchmark::State &state)
{
    qputenv("TENDRO_REPORT_FORMAT", "xlsx");
    runReport(state, "rapprogagrup.rpt");
    qunsetenv("TENDRO_REPORT_FORMAT");
}
BENCHMARK(ReportGrouped2000Xlsx)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same rows read through the raw API, on a connection of its own.
void ReportRows_baseline(benchmark::State &state)
{
    ReportFixture &f = reports();
    const QByteArray path = f.env.workingFile().toUtf8();
    for (auto _ : state) {
        sqlite3 *db = nullptr;
        sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_key(db, kDatabasePassword, int(strlen(kDatabasePassword)));
        rawReadAll(db, "SELECT cpv.cod,cpv.den,program.detal,program.activit,program.fond,program.lei,program.euro,"
                       "program.proced,program.datainc1,program.datafin1,program.resp,program.proiect FROM cpv,program "
                       "WHERE cpv.id=program.id AND program.proced<>'' AND program.datainc2>=? AND "
                       "program.datainc2<=? ORDER BY cpv.cod,program.idp",
                   "20260101", "20261231");
        sqlite3_close(db);
    }
}
BENCHMARK(ReportRows_baseline)->Name("ReportApproved2000_baseline")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ReportRows_baseline)->Name("ReportGrouped2000_baseline")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ReportRows_baseline)->Name("ReportGrouped2000Xlsx_baseline")->Unit(benchmark::kMillisecond)->Iterations(3);

constexpr int kApprovedItems = 2000;
constexpr int kYearRealizations = 10000;

// 2 000 approved items of a year with 10 000 realizations among them.
struct RealizationFixture {
    RealizationFixture()
    {
        env.installDefaultFile();
        env.configure(2, 9, QStringLiteral("ARAD"), QStringLiteral("O.S. ARAD"));
        env.clock.date = QDate(2026, 5, 10);
        Database &db = env.ctx->db();
        Transaction tx(db);
        for (int i = 0; i < kApprovedItems; ++i)
            db.exec(QStringLiteral("INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,"
                                   "detal,fond,idos,proced,proiect,uid) VALUES(?,'productie',?,0,'01.02.2026','20260201',"
                                   "'01.03.2026','20260301','POP','D','proprii',9,'licitatie',?,?)"),
                    {1 + i, 1000.0 + i, i % 10 == 0 ? QStringLiteral("PROIECT %1").arg(i % 30) : QString(),
                     QStringLiteral("item-%1").arg(i)});
        for (int i = 0; i < kYearRealizations; ++i) {
            const int item = (i * 7) % kApprovedItems;
            db.exec(QStringLiteral("INSERT INTO realiz (id,lei,actnr,actdata1,actdata2,idos,furniz,refer,denumach,"
                                   "proiect,uid,uidp) VALUES(?,?,'1','05.02.2026','20260205',9,'SC','1/01.02.2026','X',"
                                   "?,?,?)"),
                    {1 + item, 10.0 + i % 100,
                     item % 10 == 0 ? QStringLiteral("PROIECT %1").arg(item % 30) : QStringLiteral(" "),
                     QStringLiteral("act-%1").arg(i), QStringLiteral("item-%1").arg(item)});
        }
        tx.commit();
        window = std::make_unique<Realiz>(*env.ctx);
    }
    Env env;
    std::unique_ptr<Realiz> window;
};

std::unique_ptr<RealizationFixture> realizationFixture;

RealizationFixture &realizations()
{
    if (!realizationFixture)
        realizationFixture = std::make_unique<RealizationFixture>();
    return *realizationFixture;
}

// "Suma": the totals of the year recomputed and the approved programme shown again.
void SumTotals(benchmark::State &state)
{
    RealizationFixture &f = realizations();
    QPushButton *suma = f.window->findChild<QPushButton *>(QStringLiteral("Command3"));
    for (auto _ : state)
        suma->click();
    if (f.window->programmeModel()->rowCount() != kApprovedItems)
        state.SkipWithError("the programme is not all shown");
}
BENCHMARK(SumTotals)->Unit(benchmark::kMillisecond);

// One grouped sum over the year's realizations, and the programme read back.
void SumTotals_baseline(benchmark::State &state)
{
    RealizationFixture &f = realizations();
    sqlite3 *db = f.env.ctx->db().handle();
    for (auto _ : state) {
        rawReadAll(db, "SELECT uidp,sum(lei) FROM realiz WHERE actdata2>=? and actdata2<=? GROUP BY uidp",
                   "20260101", "20261231");
        rawReadAll(db, "SELECT * FROM cpv,program WHERE cpv.id=program.id and program.datainc2>=? and "
                       "program.datainc2<=? and program.proced<>'' ORDER BY program.idp",
                   "20260101", "20261231");
    }
}
BENCHMARK(SumTotals_baseline)->Unit(benchmark::kMillisecond);

// Prints the usual table, then each operation against its baseline.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            if (r.error_occurred)
                continue;
            std::string name = r.benchmark_name();
            name = name.substr(0, name.find('/'));   // drop "/iterations:N"
            times_[name] = r.real_accumulated_time / double(r.iterations);   // seconds
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\n%-28s %14s %14s %8s\n", "operation", "time", "baseline", "ratio");
        for (const auto &[name, t] : times_) {
            const std::string base = name + "_baseline";
            auto it = times_.find(base);
            if (it == times_.end())
                continue;
            std::printf("%-28s %11.3f ms %11.3f ms %7.2fx\n", name.c_str(), t * 1e3, it->second * 1e3,
                        it->second > 0 ? t / it->second : 0.0);
        }
        if (auto it = times_.find("CreateDefaultFile"); it != times_.end())
            std::printf("%-28s %11.3f ms\n", "CreateDefaultFile", it->second * 1e3);
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    programmeFixture.reset();
    realizationFixture.reset();
    directorateFixture.reset();
    return 0;
}
