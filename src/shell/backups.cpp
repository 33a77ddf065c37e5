#include "backups.h"
#include "services/context.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filecopy.h"
#include "store/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <sqlcipher/sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tendro {

namespace {

const QString kStem = QStringLiteral("tendroBACKUP-");

const QRegularExpression &copyName()
{
    // Date and time; then the number of the copy (with "-restaurare"), or an older program's "-n".
    static const QRegularExpression name(
        QStringLiteral("^tendroBACKUP-(\\d{8}-\\d{6})(?:-nr(\\d{1,9})(-restaurare)?|-(\\d{1,9}))?\\.mdb$"));
    return name;
}

bool newerFirst(const DatedCopy &a, const DatedCopy &b)
{
    if (a.number != b.number)
        return a.number > b.number;
    if (a.made != b.made)
        return a.made > b.made;
    return a.sequence > b.sequence;
}

// A regular file of the user's own: a copy planted by someone else is never listed, restored or pruned.
bool ownFile(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
}

int highestNumber(const QString &cale)
{
    int highest = 0;
    for (const QString &file : QDir(datedCopiesFolder(cale)).entryList({kStem + QStringLiteral("*.mdb")}, QDir::Files | QDir::System))
        highest = std::max(highest, copyName().match(file).captured(2).toInt());
    return highest;
}

QString keptAsideName(AppContext &ctx)
{
    const QDir folder(datedCopiesFolder(ctx.cale));
    const QString stem = QStringLiteral("tendro-deteriorat-") + ctx.clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = stem + QStringLiteral(".mdb");
    for (int n = 2; QFileInfo::exists(folder.filePath(name)) || QFileInfo(folder.filePath(name)).isSymLink(); ++n)
        name = stem + QLatin1Char('-') + QString::number(n) + QStringLiteral(".mdb");
    return name;
}

// The working file's bytes as they stand, beside the dated copies under a name their list ignores.
QString keepDamagedFile(AppContext &ctx)
{
    ensureDatedCopiesFolder(ctx.cale);
    const QString name = keptAsideName(ctx);
    const QString target = QDir(datedCopiesFolder(ctx.cale)).filePath(name);
    const QString partial = partialPathFor(target);
    try {
        createPrivateFile(partial);
        QFile from(workingFilePath(ctx.cale)), to(partial);
        if (!from.open(QIODevice::ReadOnly) || !to.open(QIODevice::WriteOnly) || to.write(from.readAll()) != from.size()
            || !to.flush())
            throw DbError(SQLITE_IOERR, QStringLiteral("disk I/O error"));
        to.close();
        replaceFile(partial, target);
    } catch (const DbError &e) {
        removeTemporary(partial);
        throw withDiskDetail(e, target);
    }
    return name;
}

} // namespace

QString datedCopiesFolder(const QString &cale) { return QDir(cale).filePath(QStringLiteral("backup")); }

void ensureDatedCopiesFolder(const QString &cale)
{
    const QString folder = datedCopiesFolder(cale);
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) == 0 || (errno == EEXIST && QFileInfo(folder).isDir()))
        return;
    throw withDiskDetail(DbError(SQLITE_CANTOPEN, QStringLiteral("unable to open database file")),
                         QDir(folder).filePath(QStringLiteral("tendroBACKUP.mdb")));
}

QList<DatedCopy> datedCopies(const QString &cale)
{
    QList<DatedCopy> out;
    const QDir dir(datedCopiesFolder(cale));
    for (const QString &file : dir.entryList({kStem + QStringLiteral("*.mdb")}, QDir::Files | QDir::System)) {
        const QRegularExpressionMatch m = copyName().match(file);
        if (!m.hasMatch() || !ownFile(dir.filePath(file)))
            continue;
        DatedCopy c;
        c.path = dir.filePath(file);
        c.made = QDateTime::fromString(m.captured(1), QStringLiteral("yyyyMMdd-HHmmss"));
        c.number = m.captured(2).toInt();
        c.beforeRestore = !m.captured(3).isEmpty();
        c.sequence = m.captured(4).isEmpty() ? 1 : m.captured(4).toInt();
        if (c.made.isValid() && c.sequence > 0)
            out.append(c);
    }
    std::sort(out.begin(), out.end(), newerFirst);
    return out;
}

bool wrongClock(const QList<DatedCopy> &newestFirst, int index, const QDateTime &now)
{
    const DatedCopy &c = newestFirst.at(index);
    return c.made > now || (index + 1 < newestFirst.size() && c.made < newestFirst.at(index + 1).made);
}

QString newDatedCopyPath(const QString &cale, const QDateTime &now, bool beforeRestore)
{
    const QString file = kStem + now.toString(QStringLiteral("yyyyMMdd-HHmmss")) + QStringLiteral("-nr")
        + QString::number(highestNumber(cale) + 1) + (beforeRestore ? QStringLiteral("-restaurare") : QString());
    return QDir(datedCopiesFolder(cale)).filePath(file + QStringLiteral(".mdb"));
}

QString keepDatedCopy(Database &db, const QString &cale, const QDateTime &now, bool beforeRestore)
{
    ensureDatedCopiesFolder(cale);
    const QString path = newDatedCopyPath(cale, now, beforeRestore);
    copyDatabase(db, path, QLatin1String(kDatabasePassword));
    return path;
}

void pruneDatedCopies(const QString &cale, const QString &made, int keep)
{
    const QList<DatedCopy> copies = datedCopies(cale);
    // The one just made counts among the kept, wherever its name sorts.
    int kept = int(std::count_if(copies.begin(), copies.end(), [&made](const DatedCopy &c) { return c.path == made; }));
    for (const DatedCopy &c : copies) {
        if (c.beforeRestore || c.path == made)
            continue;
        if (++kept > keep)
            QFile::remove(c.path);
    }
}

QList<FileCheck> checkCopies(const QList<DatedCopy> &copies)
{
    CheckRequest request;
    for (const DatedCopy &c : copies)
        request.paths << c.path;
    request.password = QLatin1String(kDatabasePassword);
    request.tables = requiredTables();
    return request.paths.isEmpty() ? QList<FileCheck>() : checkForeignFiles(request);
}

QString shownMoment(const DatedCopy &copy) { return copy.made.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")); }

QString copyLine(const DatedCopy &copy, const FileCheck &check, bool clockWrong)
{
    QString line = shownMoment(copy) + (clockWrong ? QStringLiteral(" ceas gresit? ") : QString())
        + QStringLiteral("   %1 KB   ").arg((QFileInfo(copy.path).size() + 1023) / 1024);
    if (!check.whole())
        return line + QStringLiteral("copie deteriorata");
    return line + QStringLiteral("%1 pozitii in program, %2 realizari")
                      .arg(check.rows.value(QStringLiteral("program")))
                      .arg(check.rows.value(QStringLiteral("realiz")));
}

bool damagedFile(const QString &path)
{
    try {
        verifyReadable(path, QLatin1String(kDatabasePassword));
        return false;
    } catch (const DbError &e) {
        return e.code() == SQLITE_CORRUPT || e.code() == SQLITE_NOTADB;
    }
}

QString restoreDatedCopy(AppContext &ctx, const DatedCopy &copy)
{
    ctx.holdFolderLock();
    // The chosen copy and the current file by the one check, neither opened here before it: the current file
    // may be what the restore is for, and a file that brings the engine down must not take the program along.
    const QString working = workingFilePath(ctx.cale);
    CheckRequest request;
    request.paths = QStringList{copy.path, working};
    request.password = QLatin1String(kDatabasePassword);
    request.tables = requiredTables();
    const QList<FileCheck> checks = checkForeignFiles(request);
    if (!checks.at(0).whole())
        throw DbError(SQLITE_CORRUPT, QStringLiteral("database disk image is malformed"))
            .withDetail(QStringLiteral("\n Copia %1 din %2 este deteriorata si nu poate fi restaurata. ")
                            .arg(QFileInfo(copy.path).fileName(), shownMoment(copy)));
    // Out of reach or locked is no damage: the restore waits for it.
    if (checks.at(1).verdict == FileCheck::Verdict::Failed && QFileInfo::exists(working))
        throw withDiskDetail(checks.at(1).error, working);
    // Opened first: a copy that does not open changes nothing.
    auto source = Database::open(conexiuneC(copy.path), Database::Mode::ReadOnly);
    bool keepAside = !checks.at(1).whole() && QFileInfo::exists(working);
    if (checks.at(1).whole()) {
        try {
            keepDatedCopy(ctx.db(), ctx.cale, ctx.clock.now(), true);
        } catch (const DbError &) {
            // The engine's codes for a damaged page vary; the file's own check decides.
            if (!damagedFile(working))
                throw;
            keepAside = true;
        }
    }
    ctx.closeDb();
    const QString damaged = keepAside ? keepDamagedFile(ctx) : QString();
    copyDatabase(*source, working, QLatin1String(kDatabasePassword));
    return damaged;
}

} // namespace tendro
