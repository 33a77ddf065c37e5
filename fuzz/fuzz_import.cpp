// The import of a damaged source: the input is the image of a plain
// database file (the seed is a small valid source), read without key by the
// reader process and imported into a working file. The reader refuses it, or
// dies on it alone, or the import takes it; the working file stays whole
// either way.

#include "exchange/import.h"
#include "services/context.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/foreign.h"
#include "store/schema.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace tendro;

namespace {

class Answers : public MessageService {
public:
    void show(QWidget *, const QString &, const QString &, MessageIcon) override {}
    bool ask(QWidget *, const QString &, const QString &) override { return true; }
};
class NoFiles : public FileDialogService {
public:
    QString saveFileName(QWidget *, const QString &, const QString &) override { return {}; }
    QString openFileName(QWidget *, const QString &, const QString &) override { return {}; }
    QStringList openFileNames(QWidget *, const QString &, const QString &) override { return {}; }
    QString folder(QWidget *, const QString &) override { return {}; }
};
class Today : public Clock {
public:
    QDate today() const override { return QDate(2026, 3, 15); }
    QDateTime now() const override { return QDateTime(today(), QTime(10, 0)); }
};

struct World {
    World()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_import";
        static char *argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
        setReaderProgram(QStringLiteral(TENDRO_READER));
        createDefaultFile(workingFilePath(dir.path()));
        ctx = new AppContext(dir.path(), messages, files, clock, platform);
        ctx->subunitate = {2, 9, QStringLiteral("ARAD"), QStringLiteral("O.S. ARAD")};
    }
    QApplication *app;
    QTemporaryDir dir;
    Answers messages;
    NoFiles files;
    Today clock;
    LinuxPlatform platform;
    AppContext *ctx;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static World world;
    const QString source = QDir(world.dir.path()).filePath(QStringLiteral("sursa.db"));
    {
        QFile f(source);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    ForeignRead request;
    request.path = source;
    request.idos = world.ctx->subunitate.idos;
    request.timeoutMs = 5000;
    ForeignTables tables;
    try {
        tables = readForeignFile(request);
    } catch (const ForeignFileError &) {
        return 0;   // refused, or the reader fell alone
    }
    importFrom(*world.ctx, nullptr, tables, source);
    // Whatever came of it, the working file is whole.
    const ResultSet check = world.ctx->db().query(QStringLiteral("PRAGMA quick_check"));
    if (check.isEmpty() || check.value(0, 0).toString() != QLatin1String("ok"))
        __builtin_trap();
    return 0;
}
