#pragma once
// What every window of one run shares: the program's folder, the services,
// the current sub-unit and the one connection to the working file.

#include "platform/platform.h"
#include "services.h"

#include <QHash>
#include <QString>
#include <memory>

namespace tendro {

class Database;
class FileLock;

struct Subunitate {
    int idds = 0;
    int idos = 0;
    QString numeds;
    QString numeos;
    // A directorate's installation is configured with sub-unit 0: it takes in,
    // approves and returns its sub-units' programmes.
    bool directorate() const { return idos == 0; }
};

// Remembered display mode and the switch's mode (1 switch, other restore).
struct DisplayState {
    int modecran = 0;
    DisplayMode ecranvechi;
};

class AppContext {
public:
    AppContext(QString cale, MessageService &messages, FileDialogService &files, Clock &clock, Platform &platform);
    ~AppContext();

    QString cale;
    MessageService &messages;
    FileDialogService &files;
    Clock &clock;
    Platform &platform;

    Subunitate subunitate;
    int incercari = 1;
    DisplayState display;
    int splashMilliseconds = 2500;
    // Passwords of the directorate's server typed this run, by account and
    // server; kept in memory only.
    QHash<QString, QString> serverPasswords;

    // The one connection to the working file, opened on first use (deriving
    // the key costs tens of milliseconds, so it is not done per handler).
    Database &db();
    void closeDb();

    // The folder's lock (beside the working file), held from the start to the
    // end of the run. False when another program holds it.
    bool takeFolderLock();
    // Whole-file work (copies, a restore) runs under that lock: held already,
    // or waited for a few seconds. Throws DbError when another program keeps it.
    void holdFolderLock();

private:
    std::unique_ptr<Database> db_;
    std::unique_ptr<FileLock> lock_;
};

// " Programul este deja pornit pentru aceasta baza de date. "
extern const char *const kAlreadyRunning;

// Switches the display at start (modecran 1) or gives back the remembered mode.
void comutaEcran(AppContext &ctx, double width, double height, int bitsPerPixel);

} // namespace tendro
