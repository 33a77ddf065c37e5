#include "connections.h"

#include <QDir>

namespace tendro {

const char *const kDatabasePassword = "w8$Kd!3Zq^%x7&Hm#2*|";
const char *const kWorkingFileName = "tendro.mdb";
const char *const kBackupFileName = "tendroBACKUP.mdb";

QString workingFilePath(const QString &cale) { return QDir(cale).filePath(kWorkingFileName); }
QString backupFilePath(const QString &cale) { return QDir(cale).filePath(kBackupFileName); }

ConnectionSpec conexiuneA(const QString &cale) { return {workingFilePath(cale), kDatabasePassword}; }
ConnectionSpec conexiuneB(const QString &cale) { return {workingFilePath(cale), kDatabasePassword}; }
ConnectionSpec conexiuneC(const QString &chosenPath) { return {chosenPath, kDatabasePassword}; }

} // namespace tendro
