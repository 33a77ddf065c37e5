#pragma once
// What a connection needs: the file and the database password. The three
// builders keep the names the rest of the program knows them by.

#include <QString>

namespace tendro {

extern const char *const kDatabasePassword;
extern const char *const kWorkingFileName;   // "tendro.mdb"
extern const char *const kBackupFileName;    // "tendroBACKUP.mdb"

struct ConnectionSpec {
    QString path;
    QString password;
};

QString workingFilePath(const QString &cale);
QString backupFilePath(const QString &cale);

// Every window that reads or writes data, the grids, the import's own side.
ConnectionSpec conexiuneA(const QString &cale);
// The password windows.
ConnectionSpec conexiuneB(const QString &cale);
// A file the user chose.
ConnectionSpec conexiuneC(const QString &chosenPath);

} // namespace tendro
