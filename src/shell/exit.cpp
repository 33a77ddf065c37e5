#include "exit.h"
#include "services/context.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filecopy.h"

namespace tendro {

void exitWithBackup(AppContext &ctx, QWidget *parent)
{
    try {
        copyDatabase(ctx.db(), backupFilePath(ctx.cale), QLatin1String(kDatabasePassword));
    } catch (const DbError &e) {
        // The previous backup stays as it was; the program still ends.
        ctx.messages.show(parent,
                          QStringLiteral(" Copia de siguranta tendroBACKUP.mdb nu a putut fi facuta. ") + QLatin1Char('\n')
                              + engineErrorMessage(e),
                          QStringLiteral("Eroare"), MessageIcon::Information);
    }
    if (ctx.display.ecranvechi.width < 1024) {
        ctx.display.modecran = 2;
        comutaEcran(ctx, 1024, 768, 32);
    }
    ctx.platform.endProgram();
}

} // namespace tendro
