#pragma once

class QString;
class QWidget;

namespace tendro {

class AppContext;

// Copies the programme and realizations of the current sub-unit and the
// whole catalogue from `source` into the working file, in one transaction.
// Asks through the context's message service; returns true when imported.
bool importFile(AppContext &ctx, QWidget *parent, const QString &source);

// "PRELUARE" > "Manual": asks for the file, then imports it.
void importFromFile(AppContext &ctx, QWidget *parent);

} // namespace tendro
