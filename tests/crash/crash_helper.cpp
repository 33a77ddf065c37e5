// Runs one whole-file operation on a program folder and kills itself with
// SIGKILL at the Nth write the database engine makes, as a power cut or a
// killed process would stop it:
//   crash_helper <folder> <import|copy|project|exit|export|restore> <N>
// N = 0 runs the operation to its end and prints how many writes it made.

#include "exchange/export.h"
#include "exchange/import.h"
#include "programme/projects.h"
#include "programme/yearcopy.h"
#include "services/context.h"
#include "shell/backups.h"
#include "shell/exit.h"
#include "store/connections.h"
#include "store/database.h"

#include <QApplication>
#include <QDir>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sqlcipher/sqlite3.h>

using namespace tendro;

namespace {

long writesLeft = 0;   // 0: never kill
long writesMade = 0;
sqlite3_vfs *realVfs = nullptr;
sqlite3_io_methods crashMethods;

struct CrashFile {
    sqlite3_file base;
    sqlite3_file *real;
};

sqlite3_file *real(sqlite3_file *f) { return reinterpret_cast<CrashFile *>(f)->real; }

int xClose(sqlite3_file *f) { return real(f)->pMethods->xClose(real(f)); }
int xRead(sqlite3_file *f, void *b, int n, sqlite3_int64 o) { return real(f)->pMethods->xRead(real(f), b, n, o); }
int xWrite(sqlite3_file *f, const void *b, int n, sqlite3_int64 o)
{
    ++writesMade;
    if (writesLeft > 0 && --writesLeft == 0)
        raise(SIGKILL);
    return real(f)->pMethods->xWrite(real(f), b, n, o);
}
int xTruncate(sqlite3_file *f, sqlite3_int64 s) { return real(f)->pMethods->xTruncate(real(f), s); }
int xSync(sqlite3_file *f, int flags) { return real(f)->pMethods->xSync(real(f), flags); }
int xFileSize(sqlite3_file *f, sqlite3_int64 *s) { return real(f)->pMethods->xFileSize(real(f), s); }
int xLock(sqlite3_file *f, int l) { return real(f)->pMethods->xLock(real(f), l); }
int xUnlock(sqlite3_file *f, int l) { return real(f)->pMethods->xUnlock(real(f), l); }
int xCheckReservedLock(sqlite3_file *f, int *r) { return real(f)->pMethods->xCheckReservedLock(real(f), r); }
int xFileControl(sqlite3_file *f, int op, void *a) { return real(f)->pMethods->xFileControl(real(f), op, a); }
int xSectorSize(sqlite3_file *f) { return real(f)->pMethods->xSectorSize(real(f)); }
int xDeviceCharacteristics(sqlite3_file *f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); }
int xShmMap(sqlite3_file *f, int i, int s, int e, void volatile **p) { return real(f)->pMethods->xShmMap(real(f), i, s, e, p); }
int xShmLock(sqlite3_file *f, int o, int n, int fl) { return real(f)->pMethods->xShmLock(real(f), o, n, fl); }
void xShmBarrier(sqlite3_file *f) { real(f)->pMethods->xShmBarrier(real(f)); }
int xShmUnmap(sqlite3_file *f, int d) { return real(f)->pMethods->xShmUnmap(real(f), d); }
int xFetch(sqlite3_file *f, sqlite3_int64 o, int n, void **p) { return real(f)->pMethods->xFetch(real(f), o, n, p); }
int xUnfetch(sqlite3_file *f, sqlite3_int64 o, void *p) { return real(f)->pMethods->xUnfetch(real(f), o, p); }

int xOpen(sqlite3_vfs *, const char *name, sqlite3_file *f, int flags, int *outFlags)
{
    auto *cf = reinterpret_cast<CrashFile *>(f);
    cf->real = reinterpret_cast<sqlite3_file *>(cf + 1);
    const int rc = realVfs->xOpen(realVfs, name, cf->real, flags, outFlags);
    cf->base.pMethods = cf->real->pMethods ? &crashMethods : nullptr;
    return rc;
}

void installCrashVfs()
{
    realVfs = sqlite3_vfs_find(nullptr);
    static sqlite3_vfs vfs = *realVfs;
    vfs.zName = "crash";
    vfs.szOsFile = int(sizeof(CrashFile)) + realVfs->szOsFile;
    vfs.xOpen = xOpen;
    crashMethods = {3, xClose, xRead, xWrite, xTruncate, xSync, xFileSize, xLock, xUnlock, xCheckReservedLock,
                    xFileControl, xSectorSize, xDeviceCharacteristics, xShmMap, xShmLock, xShmBarrier, xShmUnmap,
                    xFetch, xUnfetch};
    sqlite3_vfs_register(&vfs, 1);
}

class Yes : public MessageService {
public:
    void show(QWidget *, const QString &text, const QString &, MessageIcon) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    bool ask(QWidget *, const QString &, const QString &) override { return true; }
};

class ExportTarget : public FileDialogService {
public:
    QString path;
    QString saveFileName(QWidget *, const QString &, const QString &) override { return path; }
    QString openFileName(QWidget *, const QString &, const QString &) override { return path; }
};

class March : public Clock {
public:
    QDate today() const override { return QDate(2026, 3, 15); }
    QDateTime now() const override { return QDateTime(today(), QTime(10, 0)); }
};

// The exit's end of the program, reported instead of ending.
class Finish : public LinuxPlatform {
public:
    void endProgram() override {}
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 4)
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QByteArray op = argv[2];
    writesLeft = std::atol(argv[3]);
    installCrashVfs();

    Yes messages;
    ExportTarget files;
    March clock;
    Finish platform;
    AppContext ctx(folder, messages, files, clock, platform);
    ctx.subunitate = {2, 9, QStringLiteral("ARAD"), QStringLiteral("O.S. ARAD")};
    bool ok = true;
    try {
        if (op == "import") {
            ok = importFile(ctx, nullptr, QDir(folder).filePath(QStringLiteral("sursa.mdb")));
        } else if (op == "copy") {
            copyYear(ctx.db(), 2025, 2026);
        } else if (op == "project") {
            deleteProject(ctx.db(), QStringLiteral("PX"), 9);
        } else if (op == "exit") {
            exitWithBackup(ctx, nullptr);
        } else if (op == "export") {
            files.path = QDir(folder).filePath(QStringLiteral("export.mdb"));
            exportToFile(ctx, nullptr);
        } else if (op == "restore") {
            restoreDatedCopy(ctx, datedCopies(folder).last());   // the oldest
        } else {
            return 2;
        }
    } catch (const DbError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(engineErrorMessage(e)));
        return 1;
    }
    std::printf("%ld\n", writesMade);
    return ok ? 0 : 1;
}
