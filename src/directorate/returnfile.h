#pragma once
// A sub-unit's approved programme written back as a whole TENDRO file, which
// the sub-unit takes in with PRELUARE > Manual: its items (procedures,
// announcements, modes and identities), its realizations, the catalogue, the
// thresholds, the lists and its configuration row. Nothing of another
// sub-unit is in it, not even in its free pages: the file is built anew.

#include <QDateTime>
#include <QString>

namespace tendro {

class Database;

// "<sub-unit name without blanks>-<yyyymmdd>.mdb"
QString returnFileName(const QString &numeos, const QDate &day);

// Writes the file into `folder` (under a temporary name, checked, renamed
// when whole) and records the return (table `returnari`); returns its path.
// Throws DbError and leaves no half-written file.
QString writeReturnFile(Database &db, int idos, const QString &folder, const QDateTime &now);

} // namespace tendro
