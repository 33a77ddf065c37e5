#pragma once
// The lock that keeps one program at a time on a folder's data: an advisory
// lock (flock) on a small file beside the working file. The kernel drops it
// when the process ends, however it ends, so a killed program never leaves
// the next start locked out; the file itself stays and means nothing.

#include <QString>
#include <memory>

namespace tendro {

class FileLock {
public:
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // The lock when no one else holds it; null when another holds it.
    // Throws DbError when the lock file cannot be made at all.
    static std::unique_ptr<FileLock> tryTake(const QString &path);
    // The same, waiting up to `milliseconds` for another holder to let go.
    static std::unique_ptr<FileLock> take(const QString &path, int milliseconds);

private:
    explicit FileLock(int fd) : fd_(fd) {}
    int fd_;
};

// The lock file of a program folder.
QString folderLockPath(const QString &cale);

} // namespace tendro
