#pragma once

class QString;
class QWidget;

namespace tendro {

class AppContext;
class ForeignTables;

// Copies the programme and realizations of the current sub-unit and the
// whole catalogue from `source` into the working file, in one transaction.
// The source is read by the reader process (only plain tables, nothing run);
// asks through the context's message service; returns true when imported.
bool importFile(AppContext &ctx, QWidget *parent, const QString &source);
// The same from the tables of a source read already; `source` names it in the messages.
bool importFrom(AppContext &ctx, QWidget *parent, const ForeignTables &tables, const QString &source);

// "PRELUARE" > "Manual": asks for the file, then imports it.
void importFromFile(AppContext &ctx, QWidget *parent);

} // namespace tendro
