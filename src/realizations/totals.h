#pragma once
// Realized totals: each programme item's `realiz` is the sum of the
// realizations of the year that share its entry, sub-unit and project.

#include <QString>

namespace tendro {

class Database;

// Every item of the year and sub-unit gets its true total, 0 when none of
// its realizations is left; in one transaction. A realization's project " "
// is an item's empty project.
void recomputeTotals(Database &db, const QString &datamin, const QString &datamax, int idos);

} // namespace tendro
