#include "export.h"
#include "services/context.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filecopy.h"

#include <QFileInfo>

namespace tendro {

bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

void exportToFile(AppContext &ctx, QWidget *parent)
{
    const QString file = ctx.files.saveFileName(parent, QStringLiteral("Transmitere date achizitii in fisierul ....... "),
                                                QStringLiteral("Baza de date Access (*.mdb)"));
    if (file.isEmpty())
        return;
    if (sameFile(file, workingFilePath(ctx.cale))) {
        ctx.messages.show(parent, QStringLiteral(" Fisierul ales este chiar fisierul de lucru al programului."
                                                 " Alegeti alt nume de fisier ! "));
        return;
    }
    try {
        CopyOptions options;
        // The user's password hash stays home: the copy keeps the table, not the row, nor its bytes.
        options.adjust = [](Database &copy) {
            copy.execScript(QStringLiteral("PRAGMA secure_delete=ON; DELETE FROM valid;"));
        };
        options.pendingList = pendingListPath(ctx.cale);
        copyDatabase(ctx.db(), file, QLatin1String(kDatabasePassword), options);
        // The copy must open the way the directorate will open it.
        auto copy = Database::open(conexiuneC(file), Database::Mode::ReadOnly);
        copy->query(QStringLiteral("SELECT count(*) FROM program"));
    } catch (const DbError &e) {
        ctx.messages.engineError(parent, e);
        return;
    }
    ctx.messages.show(parent, QStringLiteral("Transmiterea datelor in ") + file + QStringLiteral(" a fost efectuat "),
                      QStringLiteral("Transmitere"), MessageIcon::Information);
}

} // namespace tendro
