#pragma once

class QString;
class QWidget;

namespace tendro {

class AppContext;

// Whether two paths name the same file (links and relative parts resolved).
bool sameFile(const QString &a, const QString &b);

// "TRANSMITERE" > "Manual": a keyed copy of the working file where the user chooses.
void exportToFile(AppContext &ctx, QWidget *parent);

} // namespace tendro
