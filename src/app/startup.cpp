#include "startup.h"
#include "services/context.h"
#include "shell/init.h"
#include "shell/password.h"
#include "shell/setare.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filecopy.h"
#include "store/schema.h"

#include <QEventLoop>
#include <QFileInfo>
#include <sqlcipher/sqlite3.h>

namespace tendro {

namespace {

// A file that reads without a key is one that was never given the database password.
bool isPlainDatabase(const QString &path)
{
    try {
        auto plain = Database::open({path, QString()}, Database::Mode::ReadOnly);
        plain->query(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        return true;
    } catch (const DbError &) {
        return false;
    }
}

void showEngineError(AppContext &ctx, Setare &setare, const DbError &e)
{
    ctx.messages.engineError(&setare, e);
    // Left open with nothing to choose, the window must still be closable.
    ctx.platform.restoreCloseCommand(&setare);
}

} // namespace

StartupResult runStartup(AppContext &ctx, Setare &setare)
{
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
        ctx.db();
    } catch (const DbError &e) {
        if (e.code() == SQLITE_NOTADB && isPlainDatabase(path)) {
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
        }
        showEngineError(ctx, setare, e);
        return StartupResult::Failed;
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
        showEngineError(ctx, setare, e);
        return StartupResult::Failed;
    }
}

} // namespace tendro
