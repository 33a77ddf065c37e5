// Runs one whole-file operation on a program folder and kills itself with
// SIGKILL at the Nth write the database engine makes, as a power cut or a
// killed process would stop it:
//   crash_helper <folder> <import|copy|project|exit|export|restore> <N>
// N = 0 runs the operation to its end and prints how many writes it made.

#include "../support/fakes.h"
#include "exchange/export.h"
#include "exchange/import.h"
#include "programme/projects.h"
#include "programme/yearcopy.h"
#include "services/context.h"
#include "shell/backups.h"
#include "shell/exit.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/foreign.h"

#include <QApplication>
#include <QDir>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <sqlcipher/sqlite3.h>

using namespace tendro;

namespace {

long writesLeft = 0;   // 0: never kill
long writesMade = 0;
sqlite3_vfs *realVfs = nullptr;

// The engine's own methods for a kind of file, with the write counted first.
struct Counted {
    sqlite3_io_methods methods;   // first, so that a file's methods lead back here
    const sqlite3_io_methods *real = nullptr;
};

int countedWrite(sqlite3_file *f, const void *b, int n, sqlite3_int64 o)
{
    ++writesMade;
    if (writesLeft > 0 && --writesLeft == 0)
        raise(SIGKILL);
    return reinterpret_cast<const Counted *>(f->pMethods)->real->xWrite(f, b, n, o);
}

int countedOpen(sqlite3_vfs *, const char *name, sqlite3_file *f, int flags, int *outFlags)
{
    static std::map<const sqlite3_io_methods *, Counted> byReal;
    const int rc = realVfs->xOpen(realVfs, name, f, flags, outFlags);
    if (f->pMethods) {
        Counted &c = byReal[f->pMethods];
        c.real = f->pMethods;
        c.methods = *f->pMethods;
        c.methods.xWrite = countedWrite;
        f->pMethods = &c.methods;
    }
    return rc;
}

void installCrashVfs()
{
    realVfs = sqlite3_vfs_find(nullptr);
    static sqlite3_vfs vfs = *realVfs;
    vfs.zName = "crash";
    vfs.xOpen = countedOpen;
    sqlite3_vfs_register(&vfs, 1);
}

class Yes : public MessageService {
public:
    void show(QWidget *, const QString &t, const QString &, MessageIcon) override { std::fprintf(stderr, "%s\n", qPrintable(t)); }
    bool ask(QWidget *, const QString &, const QString &) override { return true; }
};

class ExportTarget : public FileDialogService {
public:
    QString path;
    QString saveFileName(QWidget *, const QString &, const QString &) override { return path; }
    QString openFileName(QWidget *, const QString &, const QString &) override { return path; }
    QStringList openFileNames(QWidget *, const QString &, const QString &) override { return {}; }
    QString folder(QWidget *, const QString &) override { return {}; }
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 4)
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    writesLeft = std::atol(argv[3]);
    installCrashVfs();
    setReaderProgram(QStringLiteral(TENDRO_READER));
    Yes messages;
    ExportTarget files;
    files.path = QDir(folder).filePath(QStringLiteral("export.mdb"));
    test::FixedClock clock;
    test::TestPlatform platform;   // the exit's end of the program not taken
    AppContext ctx(folder, messages, files, clock, platform);
    ctx.subunitate = {2, 9, QStringLiteral("ARAD"), QStringLiteral("O.S. ARAD")};
    // Each operation; false when it says it failed.
    const std::map<QByteArray, std::function<bool()>> operations{
        {"import", [&] { return importFile(ctx, nullptr, QDir(folder).filePath(QStringLiteral("sursa.mdb"))); }},
        {"copy", [&] { copyYear(ctx.db(), 2025, 2026); return true; }},
        {"project", [&] { deleteProject(ctx.db(), QStringLiteral("PX"), 9); return true; }},
        {"exit", [&] { exitWithBackup(ctx, nullptr); return true; }},
        {"export", [&] { exportToFile(ctx, nullptr); return true; }},
        {"restore", [&] { restoreDatedCopy(ctx, datedCopies(folder).last()); return true; }},   // the oldest copy
    };
    const auto op = operations.find(QByteArray(argv[2]));
    if (op == operations.end())
        return 2;
    bool ok = false;
    try {
        ok = op->second();
    } catch (const DbError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(engineErrorMessage(e)));
        return 1;
    }
    std::printf("%ld\n", writesMade);
    return ok ? 0 : 1;
}
