// The realization grid's checks on any row: the first line picks the column
// typed into,
// the second is the new text, the rest the row's cells, one per line.

#include "realizations/entrychecks.h"

#include <QStringList>

using namespace tendro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList lines = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size)).split(QLatin1Char('\n'));
    // Only the columns the user types into; the others the checks fill.
    static const int typed[] = {EContrnr, EContrdata1, EFurniz, EDenumach, EActnr, EActdata1, ELei, ERefer};
    const int column = typed[lines.value(0).isEmpty() ? 0 : lines.value(0).at(0).unicode() % 8];
    QStringList row = lines.mid(2, EColumnCount);
    const QStringList before = row;
    const EntryContext ctx{4, QStringLiteral("2026")};
    const QString refusal = checkEntryCell(row, column, lines.value(1), ctx);
    // A refused cell leaves the row as it was; a taken one holds the new text (numbers less the blanks around).
    if (!refusal.isEmpty() && row != before)
        __builtin_trap();
    const bool trimmed = column == EContrnr || column == EActnr;
    if (refusal.isEmpty() && row.value(column) != (trimmed ? lines.value(1).trimmed() : lines.value(1)))
        __builtin_trap();
    checkEntryRow(row);
    return 0;
}
