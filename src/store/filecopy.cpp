#include "filecopy.h"
#include "connections.h"
#include "database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sqlcipher/sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tendro {

namespace {

QByteArray nativePath(const QString &path) { return QFile::encodeName(path); }

// A regular file of the user's own, not a link to one.
bool ownRegularFile(const QString &path)
{
    struct stat st;
    return ::lstat(nativePath(path).constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
}

bool isDiskCode(int code)
{
    switch (code & 0xff) {
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return true;
    default:
        return false;
    }
}

const char *const kDiskFull = " discul este plin ";
const char *const kNotWritable = " folderul nu poate fi scris ";
const char *const kRemoved = " dispozitivul a fost scos ";

const char *causeOfErrno(int err)
{
    switch (err) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return kDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOTDIR:
        return kNotWritable;
    case ENOENT:
    case EIO:
    case ENODEV:
    case ENXIO:
        return kRemoved;
    default:
        return nullptr;
    }
}

// What the folder says when it is written to: a small file made, filled and removed.
const char *probeFolder(const QString &folder)
{
    struct stat st;
    if (::stat(nativePath(folder).constData(), &st) != 0)
        return causeOfErrno(errno);
    if (!S_ISDIR(st.st_mode))
        return kNotWritable;
    const QString probe = QDir(folder).filePath(
        QStringLiteral(".tendro-%1.probe").arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0')));
    const int fd = ::open(nativePath(probe).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return causeOfErrno(errno);
    static const char block[4096] = {};
    std::size_t done = 0;
    ssize_t n = 0;
    while (done < sizeof block && (n = ::write(fd, block + done, sizeof block - done)) > 0)
        done += std::size_t(n);
    const bool written = done == sizeof block && ::fsync(fd) == 0;
    const int err = errno;
    ::close(fd);
    ::unlink(nativePath(probe).constData());
    return written ? nullptr : causeOfErrno(err);
}

} // namespace

QString partialPathFor(const QString &target)
{
    return target + QStringLiteral(".%1.partial").arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
}

void createPrivateFile(const QString &path)
{
    const int fd = ::open(nativePath(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        throw DbError(SQLITE_CANTOPEN, QStringLiteral("unable to open database file"));
    ::close(fd);
}

void removeTemporary(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

void verifyReadable(const QString &path, const QString &password)
{
    auto db = Database::open({path, password}, Database::Mode::ReadOnly);
    const ResultSet rs = db->query(QStringLiteral("PRAGMA integrity_check"));
    const QString verdict = rs.isEmpty() ? QString() : rs.value(0, 0).toString();
    if (verdict != QLatin1String("ok"))
        throw DbError(SQLITE_CORRUPT, QStringLiteral("database disk image is malformed"));
}

void replaceFile(const QString &from, const QString &to)
{
    // The mode the owner gave the file replaced; a link is replaced itself, never followed.
    struct stat st;
    if (::lstat(nativePath(to).constData(), &st) == 0 && S_ISREG(st.st_mode))
        ::chmod(nativePath(from).constData(), st.st_mode & 07777);
    if (std::rename(nativePath(from).constData(), nativePath(to).constData()) != 0) {
        const int err = errno;
        throw DbError(SQLITE_IOERR, QStringLiteral("Nu se poate scrie %1 (%2)")
                                        .arg(QFileInfo(to).fileName(), QString::fromLocal8Bit(std::strerror(err))));
    }
}

QString diskFailureDetail(int code, const QString &target)
{
    if (!isDiskCode(code))
        return QString();
    const char *cause = (code & 0xff) == SQLITE_FULL ? kDiskFull : probeFolder(QFileInfo(target).absolutePath());
    return QStringLiteral("\nFisierul ") + QDir::toNativeSeparators(QFileInfo(target).absoluteFilePath())
        + (cause ? QLatin1Char(':') + QLatin1String(cause) : QString());
}

DbError withDiskDetail(const DbError &e, const QString &target)
{
    return e.detail().isEmpty() ? e.withDetail(diskFailureDetail(e.code(), target)) : e;
}

namespace {

// Appended before the temporary exists, so that a copy killed at any point is on the list.
void addPending(const QString &list, const QString &temporary)
{
    const int fd = ::open(nativePath(list).constData(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return;   // a folder that cannot be written: the temporary is only not cleaned up later
    const QByteArray line = nativePath(QFileInfo(temporary).absoluteFilePath()) + '\n';
    [[maybe_unused]] const ssize_t written = ::write(fd, line.constData(), size_t(line.size()));
    ::close(fd);
}

} // namespace

void copyDatabase(Database &source, const QString &target, const QString &password, const CopyOptions &options)
{
    const QString partial = partialPathFor(target);
    if (!options.pendingList.isEmpty())
        addPending(options.pendingList, partial);
    try {
        createPrivateFile(partial);
        {
            // Keyed before the copy: a destination without key would be written plain.
            auto dest = Database::open({partial, password});
            sqlite3_backup *b = sqlite3_backup_init(dest->handle(), "main", source.handle(), "main");
            if (!b)
                throw DbError(sqlite3_errcode(dest->handle()), QString::fromUtf8(sqlite3_errmsg(dest->handle())));
            sqlite3_backup_step(b, -1);
            const int rc = sqlite3_backup_finish(b);
            if (rc != SQLITE_OK)
                throw DbError(rc, QString::fromUtf8(sqlite3_errmsg(dest->handle())));
            if (options.adjust)
                options.adjust(*dest);
        }
        verifyReadable(partial, password);
        replaceFile(partial, target);
    } catch (const DbError &e) {
        removeTemporary(partial);
        throw withDiskDetail(e, target);
    }
}

void encryptPlainFile(const QString &path, const QString &password)
{
    const QString partial = partialPathFor(path);
    try {
        createPrivateFile(partial);
        {
            auto plain = Database::open({path, QString()});
            const int version = plain->userVersion();
            plain->exec(QStringLiteral("ATTACH DATABASE ? AS enc KEY ?"), {partial, password});
            plain->execScript(QStringLiteral("SELECT sqlcipher_export('enc')"));
            plain->execScript(QStringLiteral("PRAGMA enc.user_version=%1").arg(version));
            plain->execScript(QStringLiteral("DETACH DATABASE enc"));
        }
        verifyReadable(partial, password);
        replaceFile(partial, path);
    } catch (const DbError &e) {
        removeTemporary(partial);
        throw withDiskDetail(e, path);
    }
}

void removeLeftovers(const QString &folder)
{
    const QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("*.partial"), QStringLiteral("*.partial-journal")},
                                            QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names)
        if (ownRegularFile(dir.filePath(name)))
            QFile::remove(dir.filePath(name));
}

void removePendingTemporaries(const QString &pendingList)
{
    QFile list(pendingList);
    if (!ownRegularFile(pendingList) || !list.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> lines = list.readAll().split('\n');
    list.close();
    for (const QByteArray &line : lines) {
        const QString path = QFile::decodeName(line);
        // Whatever the list came to hold, nothing but a temporary of the user's own is removed.
        if (!path.endsWith(QLatin1String(".partial")))
            continue;
        for (const QString &file : {path, path + QStringLiteral("-journal")})
            if (ownRegularFile(file))
                QFile::remove(file);
    }
    QFile::remove(pendingList);
}

QString pendingListPath(const QString &cale) { return QDir(cale).filePath(QStringLiteral("tendro.pending")); }

} // namespace tendro
