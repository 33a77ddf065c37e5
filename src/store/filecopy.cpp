#include "filecopy.h"
#include "connections.h"
#include "database.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sqlcipher/sqlite3.h>

namespace tendro {

QString partialPathFor(const QString &target) { return target + QStringLiteral(".partial"); }

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
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        const int err = errno;
        throw DbError(SQLITE_IOERR, QStringLiteral("Nu se poate scrie %1 (%2)")
                                        .arg(QFileInfo(to).fileName(), QString::fromLocal8Bit(std::strerror(err))));
    }
}

void copyDatabase(Database &source, const QString &target, const QString &password)
{
    const QString partial = partialPathFor(target);
    QFile::remove(partial);
    try {
        {
            // Keyed before the copy: a destination without key would be written plain.
            auto dest = Database::open({partial, password}, Database::Mode::Create);
            sqlite3_backup *b = sqlite3_backup_init(dest->handle(), "main", source.handle(), "main");
            if (!b)
                throw DbError(sqlite3_errcode(dest->handle()), QString::fromUtf8(sqlite3_errmsg(dest->handle())));
            sqlite3_backup_step(b, -1);
            const int rc = sqlite3_backup_finish(b);
            if (rc != SQLITE_OK)
                throw DbError(rc, QString::fromUtf8(sqlite3_errmsg(dest->handle())));
        }
        verifyReadable(partial, password);
        replaceFile(partial, target);
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
}

void encryptPlainFile(const QString &path, const QString &password)
{
    const QString partial = partialPathFor(path);
    QFile::remove(partial);
    try {
        {
            // Create mode: the attached file does not exist yet.
            auto plain = Database::open({path, QString()}, Database::Mode::Create);
            const int version = plain->userVersion();
            plain->exec(QStringLiteral("ATTACH DATABASE ? AS enc KEY ?"), {partial, password});
            plain->execScript(QStringLiteral("SELECT sqlcipher_export('enc')"));
            plain->execScript(QStringLiteral("PRAGMA enc.user_version=%1").arg(version));
            plain->execScript(QStringLiteral("DETACH DATABASE enc"));
        }
        verifyReadable(partial, password);
        replaceFile(partial, path);
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
}

} // namespace tendro
