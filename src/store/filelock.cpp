#include "filelock.h"
#include "database.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlcipher/sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

namespace tendro {

FileLock::~FileLock() { ::close(fd_); }

std::unique_ptr<FileLock> FileLock::tryTake(const QString &path)
{
    // Never through a link: a planted one must not make the program create or lock another file.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        throw DbError(SQLITE_CANTOPEN, QStringLiteral("unable to open lock file %1 (%2)")
                                           .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return nullptr;
        throw DbError(SQLITE_IOERR, QStringLiteral("unable to lock %1 (%2)")
                                        .arg(path, QString::fromLocal8Bit(std::strerror(err))));
    }
    return std::unique_ptr<FileLock>(new FileLock(fd));
}

std::unique_ptr<FileLock> FileLock::take(const QString &path, int milliseconds)
{
    for (int waited = 0;; waited += 20) {
        if (auto lock = tryTake(path))
            return lock;
        if (waited >= milliseconds)
            return nullptr;
        QThread::msleep(20);
    }
}

QString folderLockPath(const QString &cale) { return QDir(cale).filePath(QStringLiteral("tendro.lock")); }

} // namespace tendro
