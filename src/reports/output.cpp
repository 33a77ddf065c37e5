#include "output.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tendro {

namespace {

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

} // namespace

ReportOutput::ReportOutput(const QString &target)
    : target_(QFileInfo(target).absoluteFilePath()),
      dir_(QFileInfo(target_).absoluteDir().filePath(QLatin1Char('.') + QFileInfo(target_).fileName()
                                                      + QStringLiteral("-XXXXXX")))
{
    const QFileInfo t(target_);
    if (!t.absoluteDir().exists())
        throw OutputFailure{QStringLiteral("folderul ") + t.absolutePath() + QStringLiteral(" nu exista")};
    if (!dir_.isValid())
        throw OutputFailure{QStringLiteral("folderul ") + t.absolutePath() + QStringLiteral(" nu poate fi scris")};
    scratch_ = QDir(dir_.path()).filePath(t.fileName());
}

void ReportOutput::commit()
{
    // rename() replaces whatever has the name, a link included, in one step.
    if (std::rename(QFile::encodeName(scratch_).constData(), QFile::encodeName(target_).constData()) != 0)
        throw OutputFailure{systemError()};
}

QString reportFolderRefusal(const QString &folder)
{
    struct stat st {};
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0)
        return QStringLiteral("folderul ") + folder + QStringLiteral(": ") + systemError();
    if (st.st_uid != ::geteuid())
        return QStringLiteral("folderul ") + folder + QStringLiteral(" nu este al utilizatorului");
    if ((st.st_mode & S_IWOTH) && !(st.st_mode & S_ISVTX))
        return QStringLiteral("folderul ") + folder + QStringLiteral(" poate fi modificat de orice utilizator");
    return QString();
}

bool nameTaken(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

} // namespace tendro
