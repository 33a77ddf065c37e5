#pragma once

namespace tendro {

class AppContext;
class Setare;

enum class StartupResult {
    MainWindow,   // a sub-unit is configured: open the main window
    Setup,        // first run: the set-up window waits for a choice
    Stopped,      // the decimal separator was refused; the set-up window keeps its close box
    Failed,       // the file could not be opened; the message was shown
    Ended         // the program was ended (repaired file, password refused)
};

// The whole start-up, in order. The caller shows the window it names.
StartupResult runStartup(AppContext &ctx, Setare &setare);

} // namespace tendro
