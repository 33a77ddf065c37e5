#include "mnu.h"
#include "startup.h"
#include "platform/platform.h"
#include "services/context.h"
#include "services/romanian.h"
#include "services/services.h"
#include "shell/setare.h"

#include <QApplication>

using namespace tendro;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TENDRO"));
    RomanianQtTexts romanian;
    QApplication::installTranslator(&romanian);

    BoxMessages messages;
    QtFileDialogs files;
    SystemClock clock;
    LinuxPlatform platform;
    AppContext ctx(QCoreApplication::applicationDirPath(), messages, files, clock, platform);

    Setare setare(ctx);
    switch (runStartup(ctx, setare)) {
    case StartupResult::MainWindow:
        break;
    case StartupResult::Setup:
        if (setare.exec() != QDialog::Accepted)
            return 0;
        break;
    case StartupResult::Stopped:
    case StartupResult::Failed:
        setare.exec();
        return 0;
    case StartupResult::Ended:
        return 0;
    }
    setare.hide();
    Mnu mnu(ctx);
    mnu.exec();   // closing the main window by its frame ends the program, no backup
    return 0;
}
