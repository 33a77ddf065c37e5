#pragma once
// Dated copies of the working file, kept in the folder "backup" beside it,
// so that one bad day saved at exit cannot destroy every good copy; and the
// way back to one of them.

#include <QDateTime>
#include <QList>
#include <QString>

namespace tendro {

class AppContext;
class Database;

constexpr int kDatedCopiesKept = 10;

struct DatedCopy {
    QString path;
    QDateTime made;     // read from the name
    int sequence = 1;   // n of a "-n" suffix: copies made within one second
};

QString datedCopiesFolder(const QString &cale);
// "backup/tendroBACKUP-<yyyymmdd>-<hhmmss>.mdb", with "-2", "-3" ... when
// that name is taken already.
QString newDatedCopyPath(const QString &cale, const QDateTime &now);
// The dated copies in the folder, newest first; other files are ignored.
QList<DatedCopy> datedCopies(const QString &cale);
// Writes a keyed, checked copy of the open file under a new dated name;
// returns its path. Throws DbError and leaves nothing half written.
QString keepDatedCopy(Database &db, const QString &cale, const QDateTime &now);
// Removes the oldest copies beyond the newest `keep`, never `made`: the copy
// just written survives even when a clock set back gives it the oldest name.
void pruneDatedCopies(const QString &cale, const QString &made, int keep = kDatedCopiesKept);

// What a copy's line in the restore list tells.
struct CopySummary {
    qint64 bytes = 0;
    int items = -1;          // -1: the copy could not be read
    int realizations = -1;
};
CopySummary summarize(const DatedCopy &copy);
// "dd.mm.yyyy hh:mm:ss", the moment a copy was made as users read it.
QString shownMoment(const DatedCopy &copy);
// The line of the restore list.
QString copyLine(const DatedCopy &copy, const CopySummary &summary);

// Whether the copy opens with the database password and passes the engine's
// integrity check.
bool isWholeCopy(const QString &path);
// Keeps the current file as a new dated copy, then puts the chosen copy in
// place of the working file (written beside it, checked, renamed over it).
// A current file too damaged to be copied is kept aside byte for byte as
// "backup/tendro-deteriorat-<yyyymmdd>-<hhmmss>.mdb" instead: a restore is
// what such a file needs. Returns that file's name, else empty.
// The one connection is closed on the way. Throws DbError; the working file is
// then the current one still.
QString restoreDatedCopy(AppContext &ctx, const DatedCopy &copy);

} // namespace tendro
