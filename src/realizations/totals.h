#pragma once
// Realized totals: each programme item's `realiz` is the sum of its own
// realizations of the year, those that name it (`realiz.uidp`). A
// realization that names no item of the file counts in no total until it
// is attributed to one.

#include <QString>

namespace tendro {

class Database;

struct Unattributed {
    int count = 0;
    qint64 cents = 0;
};

// Every item of the year and sub-unit gets its true total, 0 when none of
// its realizations is left, summed in one grouped statement; only totals
// that change are written, in one transaction. Returns the year's
// realizations of the sub-unit that count in no item's total.
Unattributed recomputeTotals(Database &db, const QString &datamin, const QString &datamax, int idos);

// A realization whose `uidp` names no item: its SQL over `realiz`.
extern const char *const kUnattributedSql;
// The item an unattributed realization may belong to, by its old tie (the
// same entry, sub-unit and project), as SQL over `realiz` with one value
// bound for each of program.id, program.idos and program.proiect.
extern const char *const kOldTieSql;

// " Exista N realizari neatribuite, in valoare de X lei. "; empty for none.
QString unattributedMessage(const Unattributed &u);
// "Realizari neatribuite: N, in valoare de X lei", the report's line; empty for none.
QString unattributedLine(const Unattributed &u);

} // namespace tendro
