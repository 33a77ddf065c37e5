#include "exit.h"
#include "backups.h"
#include "services/context.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filecopy.h"

namespace tendro {

void exitWithBackup(AppContext &ctx, QWidget *parent)
{
    // Each copy on its own: the previous one stays as it was when one fails,
    // and the program still ends.
    const auto report = [&](const QString &what, const DbError &e) {
        ctx.messages.show(parent, what + QLatin1Char('\n') + engineErrorMessage(e), QStringLiteral("Eroare"),
                          MessageIcon::Information);
    };
    try {
        copyDatabase(ctx.db(), backupFilePath(ctx.cale), QLatin1String(kDatabasePassword));
    } catch (const DbError &e) {
        report(QStringLiteral(" Copia de siguranta tendroBACKUP.mdb nu a putut fi facuta. "), e);
    }
    try {
        pruneDatedCopies(ctx.cale, keepDatedCopy(ctx.db(), ctx.cale, ctx.clock.now()));
    } catch (const DbError &e) {
        report(QStringLiteral(" Copia datata din folderul backup nu a putut fi facuta. "), e);
    }
    if (ctx.display.ecranvechi.width < 1024) {
        ctx.display.modecran = 2;
        comutaEcran(ctx, 1024, 768, 32);
    }
    ctx.platform.endProgram();
}

} // namespace tendro
