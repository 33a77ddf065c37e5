#pragma once
// Whole-file operations on database files. Each writes a temporary file
// beside its target, under a name no other process uses, and renames it over
// the target only when complete; files are created for their owner alone and
// a replaced file keeps the mode its owner gave it.

#include <QString>
#include <functional>

namespace tendro {

class Database;
class DbError;

// "<target>.<random>.partial": a new name at every call, so that two
// programs copying at once never write one file.
QString partialPathFor(const QString &target);
// Creates an empty file for the owner alone (0600), never over an existing
// file and never through a link. Throws DbError.
void createPrivateFile(const QString &path);
// Removes a temporary file and the journal the engine may have left beside it.
void removeTemporary(const QString &path);
// Opens the file with the password and checks its pages; throws DbError.
void verifyReadable(const QString &path, const QString &password);
// Atomic replace (rename), `from` taking the mode of the file it replaces;
// throws DbError when the system refuses.
void replaceFile(const QString &from, const QString &to);

struct CopyOptions {
    // Runs on the finished copy, before its check (an export empties `valid`).
    std::function<void(Database &)> adjust;
    // A list of temporaries written outside the program's folder, so that the
    // next start can remove one a killed copy left (removePendingTemporaries).
    QString pendingList;
};
// Copies an open database into `target`, keyed with `password`.
void copyDatabase(Database &source, const QString &target, const QString &password, const CopyOptions &options = {});
// Gives a plain (unencrypted) file the database password, in place.
void encryptPlainFile(const QString &path, const QString &password);

// A whole-file failure of the disk (opening, I/O, a full disk, a read-only
// file) told with the file and, where it can be found, the cause: "\nFisierul
// <target>:" and " discul este plin ", " folderul nu poate fi scris " or
// " dispozitivul a fost scos ". Empty for other failures.
QString diskFailureDetail(int code, const QString &target);
// The error with that detail, unless it carries one already.
DbError withDiskDetail(const DbError &e, const QString &target);

// Temporaries a killed copy left in `folder` (partial files and their
// journals); only files of the user's own, never through a link.
void removeLeftovers(const QString &folder);
// The temporaries named in `pendingList` that are still there, then the list.
void removePendingTemporaries(const QString &pendingList);
// The program folder's list of temporaries written elsewhere.
QString pendingListPath(const QString &cale);

} // namespace tendro
