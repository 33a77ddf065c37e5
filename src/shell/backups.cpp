#include "backups.h"
#include "services/context.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filecopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <sqlcipher/sqlite3.h>

namespace tendro {

namespace {

const QString kStem = QStringLiteral("tendroBACKUP-");

bool newerFirst(const DatedCopy &a, const DatedCopy &b)
{
    if (a.made != b.made)
        return a.made > b.made;
    return a.sequence > b.sequence;
}

int countOf(Database &db, const QString &table)
{
    return int(db.query(QStringLiteral("SELECT count(*) AS n FROM ") + table).integer(0, QStringLiteral("n")));
}

} // namespace

QString datedCopiesFolder(const QString &cale) { return QDir(cale).filePath(QStringLiteral("backup")); }

QList<DatedCopy> datedCopies(const QString &cale)
{
    static const QRegularExpression name(QStringLiteral("^tendroBACKUP-(\\d{8}-\\d{6})(?:-(\\d+))?\\.mdb$"));
    QList<DatedCopy> out;
    const QDir dir(datedCopiesFolder(cale));
    for (const QString &file : dir.entryList({kStem + QStringLiteral("*.mdb")}, QDir::Files)) {
        const QRegularExpressionMatch m = name.match(file);
        if (!m.hasMatch())
            continue;
        DatedCopy c;
        c.path = dir.filePath(file);
        c.made = QDateTime::fromString(m.captured(1), QStringLiteral("yyyyMMdd-HHmmss"));
        c.sequence = m.captured(2).isEmpty() ? 1 : m.captured(2).toInt();
        if (c.made.isValid() && c.sequence > 0)
            out.append(c);
    }
    std::sort(out.begin(), out.end(), newerFirst);
    return out;
}

QString newDatedCopyPath(const QString &cale, const QDateTime &now)
{
    const QDateTime second = QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()));
    // A later sequence than any copy of the same second, so that it sorts as the newest.
    int sequence = 0;
    for (const DatedCopy &c : datedCopies(cale))
        if (c.made == second)
            sequence = std::max(sequence, c.sequence);
    QString file = kStem + second.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (sequence > 0)
        file += QLatin1Char('-') + QString::number(sequence + 1);
    return QDir(datedCopiesFolder(cale)).filePath(file + QStringLiteral(".mdb"));
}

QString keepDatedCopy(Database &db, const QString &cale, const QDateTime &now)
{
    if (!QDir().mkpath(datedCopiesFolder(cale)))
        throw DbError(SQLITE_IOERR, QStringLiteral("Nu se poate crea folderul %1").arg(datedCopiesFolder(cale)));
    const QString path = newDatedCopyPath(cale, now);
    copyDatabase(db, path, QLatin1String(kDatabasePassword));
    return path;
}

void pruneDatedCopies(const QString &cale, const QString &made, int keep)
{
    QList<DatedCopy> copies = datedCopies(cale);
    const auto newest = std::find_if(copies.begin(), copies.end(), [&made](const DatedCopy &c) { return c.path == made; });
    if (newest != copies.end())
        std::rotate(copies.begin(), newest, newest + 1);
    for (int i = keep; i < copies.size(); ++i)
        QFile::remove(copies.at(i).path);
}

CopySummary summarize(const DatedCopy &copy)
{
    CopySummary s;
    s.bytes = QFileInfo(copy.path).size();
    try {
        auto db = Database::open(conexiuneC(copy.path), Database::Mode::ReadOnly);
        s.items = countOf(*db, QStringLiteral("program"));
        s.realizations = countOf(*db, QStringLiteral("realiz"));
    } catch (const DbError &) {
        s.items = s.realizations = -1;
    }
    return s;
}

QString shownMoment(const DatedCopy &copy) { return copy.made.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")); }

QString copyLine(const DatedCopy &copy, const CopySummary &summary)
{
    QString line = shownMoment(copy) + QStringLiteral("   %1 KB   ").arg((summary.bytes + 1023) / 1024);
    if (summary.items < 0)
        return line + QStringLiteral("copie deteriorata");
    return line + QStringLiteral("%1 pozitii in program, %2 realizari").arg(summary.items).arg(summary.realizations);
}

namespace {

// The engine's code for why the file fails its check; SQLITE_OK when it is whole.
int checkFailure(const QString &path)
{
    try {
        verifyReadable(path, QLatin1String(kDatabasePassword));
        return SQLITE_OK;
    } catch (const DbError &e) {
        return e.code();
    }
}

} // namespace

bool isWholeCopy(const QString &path) { return checkFailure(path) == SQLITE_OK; }

namespace {

// The file's own check finds it damaged, not merely locked or out of reach.
bool damagedFile(const QString &path)
{
    const int code = checkFailure(path);
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

// The working file's bytes as they stand, beside the dated copies under a name their list ignores.
QString keepDamagedFile(AppContext &ctx)
{
    const QDir folder(datedCopiesFolder(ctx.cale));
    const QString stem = QStringLiteral("tendro-deteriorat-") + ctx.clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = stem + QStringLiteral(".mdb");
    for (int n = 2; QFile::exists(folder.filePath(name)); ++n)
        name = stem + QLatin1Char('-') + QString::number(n) + QStringLiteral(".mdb");
    const QString partial = partialPathFor(folder.filePath(name));
    QFile::remove(partial);
    if (!QFile::copy(workingFilePath(ctx.cale), partial)) {
        QFile::remove(partial);
        throw DbError(SQLITE_IOERR, QStringLiteral("Nu se poate scrie %1").arg(name));
    }
    replaceFile(partial, folder.filePath(name));
    return name;
}

} // namespace

QString restoreDatedCopy(AppContext &ctx, const DatedCopy &copy)
{
    // Opened first: a copy that does not open changes nothing.
    auto source = Database::open(conexiuneC(copy.path), Database::Mode::ReadOnly);
    QString kept, damaged;
    try {
        kept = keepDatedCopy(ctx.db(), ctx.cale, ctx.clock.now());
    } catch (const DbError &) {
        // The engine's codes for a damaged page vary; the file's own check decides.
        if (!damagedFile(workingFilePath(ctx.cale)))
            throw;
        damaged = keepDamagedFile(ctx);
    }
    ctx.closeDb();
    copyDatabase(*source, workingFilePath(ctx.cale), QLatin1String(kDatabasePassword));
    source.reset();
    pruneDatedCopies(ctx.cale, kept);
    return damaged;
}

} // namespace tendro
