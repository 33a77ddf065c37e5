#pragma once

class QWidget;

namespace tendro {

class AppContext;

// "IESIRE": backup and a dated copy beside the working file, display given back, end.
void exitWithBackup(AppContext &ctx, QWidget *parent);

} // namespace tendro
