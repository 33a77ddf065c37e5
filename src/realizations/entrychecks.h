#pragma once
// The checks of the realization grid, without widgets: the check of a cell
// before its new text is taken (with the columns it fills in), the date
// check and the check of a row before it is stored.

#include <QString>
#include <QStringList>

namespace tendro {

// Columns of the realization grid, in order.
enum EntryColumn {
    EContrnr = 0, EContrdata1, EContrdata2, EFurniz, EDenumach, EActnr, EActdata1, ELei, EActdata2, EId, EIdos,
    ERefer, EProiect, EColumnCount
};

// What the checks know of the window: the selected item and year.
struct EntryContext {
    qint64 idsel = 0;         // program.id of the selected item; 0 for none
    QString year;             // the year selected in "Anul"
};

// The date check of a dd.mm.yyyy text in the selected year; the apostrophe
// test comes first where the cell check asks for it. Empty text when it passes.
QString entryDateRefusal(const QString &text, const QString &year, bool apostropheFirst);

// Checks `text` for `column` of `row` (EColumnCount texts). On success the
// text is taken into the row with the columns it fills (contract and act
// dates in their yyyymmdd form) and empty text is returned; otherwise the
// row is left as it was and the message is returned.
QString checkEntryCell(QStringList &row, int column, const QString &text, const EntryContext &ctx);

// The check before a new or changed row is stored; empty text when it
// passes, else the message, with the column it concerns in `column`.
QString checkEntryRow(const QStringList &row, int *column = nullptr);

} // namespace tendro
