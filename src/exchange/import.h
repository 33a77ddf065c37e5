#pragma once

#include <memory>

class QString;
class QWidget;

namespace tendro {

class AppContext;
class Database;

// Copies the programme and realizations of the current sub-unit and the
// whole catalogue from `source` into the working file, in one transaction.
// Asks through the context's message service; returns true when imported.
bool importFile(AppContext &ctx, QWidget *parent, const QString &source);
// The same from a source already open; `source` names it in the messages.
bool importFrom(AppContext &ctx, QWidget *parent, std::unique_ptr<Database> src, const QString &source);

// "PRELUARE" > "Manual": asks for the file, then imports it.
void importFromFile(AppContext &ctx, QWidget *parent);

} // namespace tendro
