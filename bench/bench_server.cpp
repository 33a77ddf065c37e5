// The directorate's server under load, each figure beside a raw baseline
// measured in the same run: 300 sub-units of 2 000 items on one server,
// 8 sub-units transmitting at once (transmissions per second, the slowest
// one), and a directorate taking in its 40 sub-units. Run against a
// throwaway server:
//   tests/server/with-server.sh build/bench/tendro_bench_server

#include "fakes.h"
#include "server/directorate.h"
#include "server/pg.h"
#include "server/subunit.h"
#include "store/database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>
#include <libpq-fe.h>

using namespace tendro;
using namespace tendro::test;

namespace {

constexpr int kSubunits = 300, kItems = 2000, kRealizations = 200, kAtOnce = 8, kRounds = 5, kTakenIn = 40;
constexpr int kBenchDirectorate = 100;   // its 40 sub-units are 1001..1040

QString adminPassword, port;
QTemporaryDir work;

ServerSettings settingsFor(const QString &account)
{
    ServerSettings s;
    s.host = QStringLiteral("localhost");
    s.port = port.toInt();
    s.baza = QStringLiteral("tendro");
    s.cont = account;
    s.ca = qEnvironmentVariable("TENDRO_TEST_CA");
    return s;
}

std::unique_ptr<PgConnection> admin(const QString &db = QStringLiteral("tendro"))
{
    ServerSettings s = settingsFor(QStringLiteral("postgres"));
    s.baza = db;
    return PgConnection::open(s, adminPassword);
}

const QString kBenchPassword = QStringLiteral("bench-parola-1");

// The server: the program's lists and accounts, then sub-units added until
// there are 300 (the bench directorate's 40 among them), each with 2 000
// items (a third approved) and 200 realizations.
void prepareServer()
{
    admin(QStringLiteral("postgres"))->exec(QStringLiteral("CREATE DATABASE tendro"));
    QProcess setup;
    setup.setWorkingDirectory(work.path());
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("PGDATABASE"), QStringLiteral("tendro"));
    setup.setProcessEnvironment(e);
    setup.start(QStringLiteral("bash"), {QStringLiteral(TENDRO_SERVER_SETUP)});
    setup.waitForFinished(300000);
    auto pg = admin();
    const int existing = int(pg->query(QStringLiteral("SELECT count(*) AS n FROM tendro.os")).integer(0, QStringLiteral("n")));
    pg->execScript(QStringLiteral(
        "INSERT INTO tendro.ds (idds, numeds) VALUES (99, 'BENCH A'), (%1, 'BENCH B');"
        "INSERT INTO tendro.os (idos, idds, numeos) SELECT 1000 + g, CASE WHEN g <= %2 THEN %1 ELSE 99 END,"
        " 'O.S. BENCH ' || g FROM generate_series(1, %3) g;"
        "INSERT INTO tendro.conturi (rol, idds) VALUES ('ds%1', %1);"
        "SET password_encryption = 'scram-sha-256';"
        "CREATE ROLE ds%1 LOGIN PASSWORD '%4' IN ROLE tendro_directii;")
                       .arg(kBenchDirectorate)
                       .arg(kTakenIn)
                       .arg(kSubunits - existing)
                       .arg(kBenchPassword));
    pg->execScript(QStringLiteral(
        "INSERT INTO tendro.program (uid, idos, id, activit, lei, euro, datainc1, datainc2, datafin1, datafin2, resp, detal,"
        " fond, proiect, proced) SELECT md5(o.idos || '-' || g), o.idos, 1 + (g * 7) %% 9000, 'productie', 100 + g, 20 + g,"
        " '01.03.2026', '20260301', '31.12.2026', '20261231', 'POP ION', 'Detalii ' || g, 'proprii', '',"
        " CASE WHEN g %% 3 = 0 THEN 'licitatie' ELSE '' END FROM tendro.os o, generate_series(1, %1) g;"
        "INSERT INTO tendro.realiz (uid, uidp, idos, id, contrnr, lei, actnr, actdata1, actdata2, furniz, denumach, proiect)"
        " SELECT md5('r' || o.idos || '-' || g), md5(o.idos || '-' || (g * 3)), o.idos, 1 + (g * 21) %% 9000, 'C' || g,"
        " 50 + g, 'F' || g, '05.04.2026', '20260405', 'SC FURNIZOR SRL', 'Bunuri', ' ' FROM tendro.os o,"
        " generate_series(1, %2) g;"
        "ANALYZE")
                       .arg(kItems)
                       .arg(kRealizations)
                       .replace(QStringLiteral("%%"), QStringLiteral("%")));
}

// A sub-unit's working file holding what the server holds for it.
std::unique_ptr<Env> localFile(int idos)
{
    auto env = std::make_unique<Env>();
    env->installDefaultFile();
    env->configure(1, idos, QStringLiteral("ALBA IULIA"), QStringLiteral("O.S. %1").arg(idos));
    auto pg = admin();
    const ResultSet items = pg->query(QStringLiteral("SELECT * FROM tendro.program WHERE idos=$1"), {idos});
    const ResultSet realiz = pg->query(QStringLiteral("SELECT * FROM tendro.realiz WHERE idos=$1"), {idos});
    Database &db = env->db();
    Transaction tx(db);
    for (int r = 0; r < items.count(); ++r) {
        QVariantList v;
        for (const char *c : {"uid", "idos", "id", "activit", "lei", "euro", "datainc1", "datainc2", "datafin1", "datafin2",
                              "resp", "detal", "fond", "proiect", "proced"})
            v << items.value(r, QLatin1String(c));
        db.exec(QStringLiteral("INSERT INTO program (uid,idos,id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,"
                               "detal,fond,proiect,proced) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
                v);
    }
    for (int r = 0; r < realiz.count(); ++r) {
        QVariantList v;
        for (const char *c : {"uid", "uidp", "idos", "id", "contrnr", "lei", "actnr", "actdata1", "actdata2", "furniz",
                              "denumach", "proiect"})
            v << realiz.value(r, QLatin1String(c));
        db.exec(QStringLiteral("INSERT INTO realiz (uid,uidp,idos,id,contrnr,lei,actnr,actdata1,actdata2,furniz,denumach,"
                               "proiect) VALUES(?,?,?,?,?,?,?,?,?,?,?,?)"),
                v);
    }
    tx.commit();
    return env;
}

// Between two rounds a sub-unit changes 100 items and adds 10, as a week's work.
void weekOfWork(Env &env, int round)
{
    Database &db = env.db();
    Transaction tx(db);
    db.exec(QStringLiteral("UPDATE program SET lei=lei+1 WHERE idp % 20 = 0"));
    for (int i = 0; i < 10; ++i)
        db.exec(QStringLiteral("INSERT INTO program (uid,idos,id,activit,lei,datainc2) VALUES(?,?,5,'productie',10,'20260601')"),
                {QStringLiteral("new-%1-%2-%3").arg(env.ctx->subunitate.idos).arg(round).arg(i), env.ctx->subunitate.idos});
    tx.commit();
}

// The same rows moved raw: one connection, the arrays into a temporary table, no policy, no conflict.
void rawTransmission(Env &env, const QString &account, const QString &password)
{
    auto pg = PgConnection::open(settingsFor(account), password);
    const ResultSet items = env.db().query(QStringLiteral("SELECT uid, lei, detal FROM program"));
    const ResultSet realiz = env.db().query(QStringLiteral("SELECT uid, lei, furniz FROM realiz"));
    const auto arrays = [](const ResultSet &rs) {
        QVariantList uid, lei, text;
        for (int r = 0; r < rs.count(); ++r) {
            uid << rs.value(r, 0);
            lei << rs.value(r, 1);
            text << rs.value(r, 2);
        }
        return QVariantList{QVariant(uid), QVariant(lei), QVariant(text)};
    };
    PgTransaction tx(*pg);
    pg->exec(QStringLiteral("CREATE TEMP TABLE t (uid text, lei float8, x text) ON COMMIT DROP"));
    pg->exec(QStringLiteral("INSERT INTO t SELECT * FROM unnest($1::text[], $2::float8[], $3::text[])"), arrays(items));
    pg->exec(QStringLiteral("INSERT INTO t SELECT * FROM unnest($1::text[], $2::float8[], $3::text[])"), arrays(realiz));
    tx.commit();
}

struct Figures {
    double seconds = 0;    // wall time of all rounds
    double slowest = 0;    // one transmission, connection included
    int done = 0;
};

Figures transmitAtOnce(std::vector<std::unique_ptr<Env>> &files, const QHash<QString, QString> &passwords, bool raw)
{
    Figures f;
    std::mutex lock;
    for (int round = 0; round < kRounds; ++round) {
        // The week's work is the sub-units' time, not the server's.
        for (auto &env : files)
            weekOfWork(*env, round + (raw ? 100 : 0));
        QElapsedTimer wall;
        wall.start();
        std::vector<std::thread> threads;
        for (auto &env : files)
            threads.emplace_back([&, e = env.get()] {
                const QString account = QStringLiteral("os%1").arg(e->ctx->subunitate.idos);
                QElapsedTimer one;
                one.start();
                if (raw)
                    rawTransmission(*e, account, passwords.value(account));
                else
                    transmitProgramme(*PgConnection::open(settingsFor(account), passwords.value(account)), e->db(),
                                      e->ctx->subunitate.idos);
                const std::lock_guard<std::mutex> guard(lock);
                f.slowest = std::max(f.slowest, one.nsecsElapsed() / 1e9);
                ++f.done;
            });
        for (auto &t : threads)
            t.join();
        f.seconds += wall.nsecsElapsed() / 1e9;
    }
    return f;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariable("TENDRO_TEST_CA").isEmpty()) {
        std::fprintf(stderr, "Run it through tests/server/with-server.sh\n");
        return 2;
    }
    adminPassword = qEnvironmentVariable("PGPASSWORD");
    port = qEnvironmentVariable("PGPORT");
    QElapsedTimer t;
    t.start();
    prepareServer();
    QHash<QString, QString> passwords;
    QFile accounts(QDir(work.path()).filePath(QStringLiteral("server-accounts.tsv")));
    accounts.open(QIODevice::ReadOnly);
    for (const QByteArray &line : accounts.readAll().split('\n'))
        if (const QList<QByteArray> f = line.split('\t'); f.size() == 2)
            passwords.insert(QString::fromUtf8(f.at(0)), QString::fromUtf8(f.at(1)));
    qunsetenv("PGPASSWORD");
    auto pg = admin();
    std::printf("server: %s sub-units, %s items, %s realizations, %s on disk (prepared in %.0f s)\n",
                qPrintable(pg->query(QStringLiteral("SELECT count(*) AS n FROM tendro.os")).text(0, QStringLiteral("n"))),
                qPrintable(pg->query(QStringLiteral("SELECT count(*) AS n FROM tendro.program")).text(0, QStringLiteral("n"))),
                qPrintable(pg->query(QStringLiteral("SELECT count(*) AS n FROM tendro.realiz")).text(0, QStringLiteral("n"))),
                qPrintable(pg->query(QStringLiteral("SELECT pg_size_pretty(pg_database_size('tendro')) AS s"))
                               .text(0, QStringLiteral("s"))),
                t.elapsed() / 1e3);

    std::vector<std::unique_ptr<Env>> files;
    for (int idos = 1; idos <= kAtOnce; ++idos)
        files.push_back(localFile(idos));
    // One sub-unit alone, as most days are.
    std::vector<double> alone, aloneRaw;
    for (int round = 0; round < 3; ++round) {
        Env &e = *files.front();
        const QString account = QStringLiteral("os%1").arg(e.ctx->subunitate.idos);
        weekOfWork(e, 200 + round);
        QElapsedTimer one;
        one.start();
        transmitProgramme(*PgConnection::open(settingsFor(account), passwords.value(account)), e.db(),
                          e.ctx->subunitate.idos);
        alone.push_back(one.nsecsElapsed() / 1e6);
        one.restart();
        rawTransmission(e, account, passwords.value(account));
        aloneRaw.push_back(one.nsecsElapsed() / 1e6);
    }
    const Figures sent = transmitAtOnce(files, passwords, false);
    const Figures raw = transmitAtOnce(files, passwords, true);
    std::printf("\n%-44s %12s %12s %8s\n", "operation", "time", "baseline", "ratio");
    std::printf("%-44s %10.0f ms %10.0f ms %7.2fx\n", "one sub-unit alone: transmission", median(alone),
                median(aloneRaw), median(alone) / median(aloneRaw));
    std::printf("%-44s %10.2f/s %10.2f/s %7.2fx\n", "8 sub-units at once: transmissions per second",
                sent.done / sent.seconds, raw.done / raw.seconds, (raw.done / raw.seconds) / (sent.done / sent.seconds));
    std::printf("%-44s %10.0f ms %10.0f ms %7.2fx\n", "8 sub-units at once: slowest transmission", sent.slowest * 1e3,
                raw.slowest * 1e3, sent.slowest / raw.slowest);

    std::vector<double> takeIn, rawTakeIn;
    int items = 0;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer one;
        one.start();
        auto ds = PgConnection::open(settingsFor(QStringLiteral("ds%1").arg(kBenchDirectorate)), kBenchPassword);
        items = 0;
        for (const SubunitOnServer &s : takeInDirectorate(*ds, kBenchDirectorate))
            items += s.items.count();
        takeIn.push_back(one.nsecsElapsed() / 1e6);
        one.restart();
        // Raw: the same rows read by libpq alone, nothing converted.
        auto raw = PgConnection::open(settingsFor(QStringLiteral("ds%1").arg(kBenchDirectorate)), kBenchPassword);
        for (const char *sql : {"SELECT * FROM tendro.program", "SELECT * FROM tendro.realiz"}) {
            PGresult *r = PQexec(raw->handle(), sql);
            PQclear(r);
        }
        rawTakeIn.push_back(one.nsecsElapsed() / 1e6);
    }
    std::printf("%-44s %10.0f ms %10.0f ms %7.2fx\n",
                qPrintable(QStringLiteral("directorate takes in %1 sub-units (%2 items)").arg(kTakenIn).arg(items)),
                median(takeIn), median(rawTakeIn), median(takeIn) / median(rawTakeIn));
    return 0;
}
