#include "startup.h"
#include "services/context.h"
#include "shell/backups.h"
#include "shell/init.h"
#include "shell/password.h"
#include "shell/restaurare.h"
#include "shell/setare.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filecopy.h"
#include "store/filelock.h"
#include "store/foreign.h"
#include "store/schema.h"

#include <QEventLoop>
#include <QFileInfo>
#include <sqlcipher/sqlite3.h>

namespace tendro {

namespace {

void showEngineError(AppContext &ctx, Setare &setare, const DbError &e)
{
    ctx.messages.engineError(&setare, e);
    // Left open with nothing to choose, the window must still be closable.
    ctx.platform.restoreCloseCommand(&setare);
}

// A working file refused as damaged leads straight to the way back: the
// restore window, where the damaged file is kept aside and a copy put in
// its place. Ended when the restore was done (the program asks for a new
// start), else the set-up window is left closable.
StartupResult offerRestore(AppContext &ctx, Setare &setare)
{
    ctx.closeDb();
    if (ctx.messages.ask(&setare, QStringLiteral(" Fisierul de date tendro.mdb este deteriorat. Doriti restaurarea dintr-o"
                                                 " copie de siguranta ? "))) {
        Restaurare restaurare(ctx, &setare);
        if (restaurare.exec() == QDialog::Accepted)
            return StartupResult::Ended;
    }
    ctx.platform.restoreCloseCommand(&setare);
    return StartupResult::Failed;
}

bool damageCode(const DbError &e)
{
    return (e.code() & 0xff) == SQLITE_CORRUPT || (e.code() & 0xff) == SQLITE_NOTADB;
}

} // namespace

StartupResult runStartup(AppContext &ctx, Setare &setare)
{
    try {
        if (!ctx.takeFolderLock()) {
            ctx.messages.show(&setare, QLatin1String(kAlreadyRunning));
            ctx.platform.endProgram();
            return StartupResult::Ended;
        }
    } catch (const DbError &e) {
        showEngineError(ctx, setare, withDiskDetail(e, folderLockPath(ctx.cale)));
        return StartupResult::Failed;
    }
    // What a killed copy left behind; no other program is at work here.
    for (const QString &folder : {ctx.cale, datedCopiesFolder(ctx.cale)})
        removeLeftovers(folder);
    removePendingTemporaries(pendingListPath(ctx.cale));

    ctx.platform.loadKeyboardLayout(QStringLiteral("00000409"));
    if (!ctx.platform.setDecimalSeparator(QStringLiteral("."))) {
        ctx.messages.show(&setare, QStringLiteral("Schimbarea separatorului zecimal a esuat !\nIncercati manual !"));
        return StartupResult::Stopped;
    }
    ctx.platform.removeCloseCommand(&setare);

    {
        // Shown modally and waited for; a splash whose interval ends while it
        // is being shown has ended, and is not waited for again.
        Init init(ctx, &setare);
        QEventLoop wait;
        QObject::connect(&init, &QDialog::finished, &wait, &QEventLoop::quit);
        init.show();
        if (init.isVisible())
            wait.exec();
    }

    const QString path = workingFilePath(ctx.cale);
    try {
        if (!QFileInfo::exists(path))
            createDefaultFile(path);
    } catch (const DbError &e) {
        showEngineError(ctx, setare, e);
        return StartupResult::Failed;
    }
    // A working file may have come from anywhere (a copy put in place by hand):
    // its schema is read by the reader process first, and only plain tables,
    // every one of the data, let it be opened here.
    CheckRequest check;
    check.paths = QStringList{path};
    check.password = QLatin1String(kDatabasePassword);
    check.tables = requiredTables();
    check.integrity = check.rows = false;
    check.plain = true;
    const FileCheck found = checkForeignFiles(check).value(0);
    switch (found.verdict) {
    case FileCheck::Verdict::Whole:
        break;
    case FileCheck::Verdict::Plain:
        ctx.messages.show(&setare, QStringLiteral(" A fost detectata o eroare in deschiderea bazei de date "));
        try {
            encryptPlainFile(path, QLatin1String(kDatabasePassword));
        } catch (const DbError &repair) {
            showEngineError(ctx, setare, repair);
            return StartupResult::Failed;
        }
        ctx.messages.show(&setare,
                          QStringLiteral(" Eroarea a fost remediata.Este necesar de a intra din nou in program. "));
        ctx.platform.endProgram();
        return StartupResult::Ended;
    case FileCheck::Verdict::Failed:
        showEngineError(ctx, setare, withDiskDetail(found.error, path));
        return StartupResult::Failed;
    default:
        return offerRestore(ctx, setare);
    }

    try {
        Database &db = ctx.db();
        ctx.incercari = 1;
        if (!storedPassword(db).isEmpty()) {
            Par par(ctx, &setare);
            if (par.exec() != QDialog::Accepted)
                return StartupResult::Ended;
        }

        if (db.query(QStringLiteral("SELECT * FROM cpv WHERE cod2=30192120")).isEmpty())
            db.exec(QStringLiteral("INSERT INTO cpv (cod,den,fel,cod2) "
                                   "VALUES('30192120-COD INVALID','Produse pentru scris',1,30192120)"));

        upgradeSchema(db);

        const ResultSet configured = db.query(QStringLiteral("SELECT * FROM setare WHERE numeos<>''"));
        if (!configured.isEmpty()) {
            ctx.subunitate.numeds = configured.text(0, QStringLiteral("numeds"));
            ctx.subunitate.numeos = configured.text(0, QStringLiteral("numeos"));
            ctx.subunitate.idds = int(configured.integer(0, QStringLiteral("idds")));
            ctx.subunitate.idos = int(configured.integer(0, QStringLiteral("idos")));
            return StartupResult::MainWindow;
        }
        setare.fillDirectorates();
        return StartupResult::Setup;
    } catch (const DbError &e) {
        // A bad page the schema did not show.
        if (damageCode(e))
            return offerRestore(ctx, setare);
        showEngineError(ctx, setare, e);
        return StartupResult::Failed;
    }
}

} // namespace tendro
