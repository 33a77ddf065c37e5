#pragma once
// Whole-file operations on database files. Each writes a partial file beside
// its target and renames it over the target only when complete.

#include <QString>

namespace tendro {

class Database;

QString partialPathFor(const QString &target);
// Opens the file with the password and checks its pages; throws DbError.
void verifyReadable(const QString &path, const QString &password);
// Atomic replace (rename); throws DbError when the system refuses.
void replaceFile(const QString &from, const QString &to);
// Copies an open database into `target`, keyed with `password`.
void copyDatabase(Database &source, const QString &target, const QString &password);
// Gives a plain (unencrypted) file the database password, in place.
void encryptPlainFile(const QString &path, const QString &password);

} // namespace tendro
