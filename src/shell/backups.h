#pragma once
// Dated copies of the working file, kept in the folder "backup" beside it,
// so that one bad day saved at exit cannot destroy every good copy; and the
// way back to one of them.

#include "store/foreign.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace tendro {

class AppContext;
class Database;

constexpr int kDatedCopiesKept = 10;

struct DatedCopy {
    QString path;
    QDateTime made;       // read from the name: the clock's time when it was made
    int number = 0;       // the order copies were made in ("-nr<n>"); 0 for a name of an older program
    int sequence = 1;     // an older name's "-n": copies made within one second
    bool beforeRestore = false;   // the working file as a restore found it ("-restaurare")
};

QString datedCopiesFolder(const QString &cale);
// Creates the folder for its owner alone when it is missing; throws DbError.
void ensureDatedCopiesFolder(const QString &cale);
// "backup/tendroBACKUP-<yyyymmdd>-<hhmmss>-nr<n>.mdb", n one past the
// highest number in the folder: the order copies were made in does not hang
// on the clock. "-restaurare" ends the name of a copy a restore keeps.
QString newDatedCopyPath(const QString &cale, const QDateTime &now, bool beforeRestore = false);
// The user's own dated copies in the folder, newest first by the order they
// were made in (an older program's names before, by their date); other
// files, links and copies of other users are ignored.
QList<DatedCopy> datedCopies(const QString &cale);
// A copy whose name lies in the future, or before that of the copy made
// just before it: the clock was wrong at one of them.
bool wrongClock(const QList<DatedCopy> &newestFirst, int index, const QDateTime &now);
// Writes a keyed, checked copy of the open file under a new dated name;
// returns its path. Throws DbError and leaves nothing half written. The
// caller holds the folder's lock.
QString keepDatedCopy(Database &db, const QString &cale, const QDateTime &now, bool beforeRestore = false);
// Removes the copies older than the newest `keep` made at exits; never
// `made`, never a copy a restore kept.
void pruneDatedCopies(const QString &cale, const QString &made, int keep = kDatedCopiesKept);

// The one check of a copy, for the list and the restore alike: it opens with
// the database password, holds only plain tables, every one of the schema,
// passes the integrity check and reads through. Done by the reader process.
QList<FileCheck> checkCopies(const QList<DatedCopy> &copies);
// "dd.mm.yyyy hh:mm:ss", the moment a copy was made as users read it.
QString shownMoment(const DatedCopy &copy);
// The line of the restore list.
QString copyLine(const DatedCopy &copy, const FileCheck &check, bool clockWrong);

// Keeps the current file as a new dated copy, then puts the chosen copy in
// place of the working file (written beside it, checked, renamed over it).
// A current file that is damaged (too damaged to be copied, a table of data
// missing, objects the program never makes) is kept aside byte for byte as
// "backup/tendro-deteriorat-<yyyymmdd>-<hhmmss>.mdb" instead: a restore is
// what such a file needs. Returns that file's name, else empty.
// The one connection is closed on the way. Throws DbError (a copy that is not
// whole among them); the working file is then the current one still.
QString restoreDatedCopy(AppContext &ctx, const DatedCopy &copy);

// The working file's own check fails (a damaged page, not a database), as
// opposed to a file out of reach or locked.
bool damagedFile(const QString &path);

} // namespace tendro
