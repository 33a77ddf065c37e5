#include "exit.h"
#include "backups.h"
#include "services/context.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filecopy.h"
#include "store/schema.h"

#include <sqlcipher/sqlite3.h>

namespace tendro {

namespace {

// Copied over the good copies, a damaged file would leave none to go back to.
QString damagedAtExit(const SchemaProblems &problems)
{
    QString why;
    if (!problems.missing.isEmpty())
        why = QStringLiteral(" (lipseste tabela %1)").arg(problems.missing.join(QStringLiteral(", ")));
    else if (!problems.unknown.isEmpty())
        why = QStringLiteral(" (contine obiecte necunoscute)");
    return QStringLiteral(" Fisierul de date tendro.mdb este deteriorat") + why
        + QStringLiteral(". Copiile de siguranta au fost pastrate neschimbate. Folositi RESTAURARE pentru a reveni"
                         " la una dintre ele. ");
}

} // namespace

void exitWithBackup(AppContext &ctx, QWidget *parent)
{
    const auto tell = [&](const QString &text) {
        ctx.messages.show(parent, text, QStringLiteral("Eroare"), MessageIcon::Information);
    };
    const auto report = [&](const QString &what, const DbError &e) { tell(what + QLatin1Char('\n') + engineErrorMessage(e)); };
    // Each copy on its own: the previous one stays as it was when one fails,
    // and the program still ends.
    try {
        ctx.holdFolderLock();
        // What a copy killed before left behind; no other program is at work here now.
        for (const QString &folder : {ctx.cale, datedCopiesFolder(ctx.cale)})
            removeLeftovers(folder);
        removePendingTemporaries(pendingListPath(ctx.cale));
        SchemaProblems problems;
        bool damaged = false;
        try {
            problems = schemaProblems(ctx.db());
        } catch (const DbError &) {
            if (!damagedFile(workingFilePath(ctx.cale)))
                throw;
            damaged = true;
        }
        if (!damaged && problems.fit()) {
            try {
                copyDatabase(ctx.db(), backupFilePath(ctx.cale), QLatin1String(kDatabasePassword));
            } catch (const DbError &e) {
                // A bad page shows first when the whole file is read.
                damaged = damagedFile(workingFilePath(ctx.cale));
                if (!damaged)
                    report(QStringLiteral(" Copia de siguranta tendroBACKUP.mdb nu a putut fi facuta. "), e);
            }
        }
        if (damaged || !problems.fit()) {
            tell(damagedAtExit(problems));
        } else {
            try {
                pruneDatedCopies(ctx.cale, keepDatedCopy(ctx.db(), ctx.cale, ctx.clock.now()));
            } catch (const DbError &e) {
                report(QStringLiteral(" Copia datata din folderul backup nu a putut fi facuta. "), e);
            }
        }
    } catch (const DbError &e) {
        report(QStringLiteral(" Copiile de siguranta nu au putut fi facute. "), e);
    }
    if (ctx.display.ecranvechi.width < 1024) {
        ctx.display.modecran = 2;
        comutaEcran(ctx, 1024, 768, 32);
    }
    ctx.platform.endProgram();
}

} // namespace tendro
