#include "context.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filelock.h"

#include <sqlcipher/sqlite3.h>

namespace tendro {

AppContext::AppContext(QString cale_, MessageService &messages_, FileDialogService &files_, Clock &clock_,
                       Platform &platform_)
    : cale(std::move(cale_)), messages(messages_), files(files_), clock(clock_), platform(platform_) {}

AppContext::~AppContext() = default;

Database &AppContext::db()
{
    if (!db_)
        db_ = Database::open(conexiuneA(cale));
    return *db_;
}

void AppContext::closeDb() { db_.reset(); }

const char *const kAlreadyRunning = " Programul este deja pornit pentru aceasta baza de date. ";

bool AppContext::takeFolderLock()
{
    if (!lock_)
        lock_ = FileLock::tryTake(folderLockPath(cale));
    return bool(lock_);
}

void AppContext::holdFolderLock()
{
    // Long enough for another program's copies to end, short enough not to look hung.
    if (!lock_)
        lock_ = FileLock::take(folderLockPath(cale), 15000);
    if (!lock_)
        throw DbError(SQLITE_BUSY, QStringLiteral("database is locked"))
            .withDetail(QLatin1Char('\n') + QLatin1String(kAlreadyRunning));
}

void comutaEcran(AppContext &ctx, double width, double height, int bitsPerPixel)
{
    DisplayMode current = ctx.platform.currentDisplayMode();
    if (ctx.display.modecran == 1) {
        ctx.display.ecranvechi = current;
        DisplayMode wanted = current;
        if (current.width < 1024)
            wanted = DisplayMode{width, height, bitsPerPixel};
        ctx.platform.applyDisplayMode(wanted);
    } else {
        ctx.platform.applyDisplayMode(ctx.display.ecranvechi);
    }
}

} // namespace tendro
