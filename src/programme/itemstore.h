#pragma once
// Writing one programme item: the duplicate check of a new item, the insert
// and the update, every value bound.

#include <QString>
#include <optional>

namespace tendro {

class Database;

struct ProgrammeItem {
    qint64 cpvId = 0;
    QString activit;
    double lei = 0;
    double euro = 0;
    QString datainc1, datainc2, datafin1, datafin2;
    QString resp, detal, fond;
    int idos = 0;
    QString proiect;   // as it is written: trimmed, upper case
};

// What makes a new item a duplicate of a row of the selected year.
struct DuplicateKey {
    qint64 cpvId = 0;
    QString datamin, datamax;
    bool works = false;      // works compare the details, the others the funds
    QString detal, fond;
    QString proiect;         // compared as typed
    int idos = 0;
};

// The key (idp) of the first row the new item duplicates.
std::optional<qint64> findDuplicate(Database &db, const DuplicateKey &key);
// " Codul CPV ... Doriti scrierea peste vechile date ? "
QString duplicateQuestion(const DuplicateKey &key, const QString &entryName, const QString &year);

qint64 insertItem(Database &db, const ProgrammeItem &item);
// The update leaves the owner (idos) as it is. False when no row has that
// key any more: something else deleted it since it was loaded.
bool updateItem(Database &db, qint64 idp, const ProgrammeItem &item);
// False when no row has that key any more.
bool deleteItem(Database &db, qint64 idp);
bool itemExists(Database &db, qint64 idp);
// Whether realizations are recorded against the item: it may not be deleted.
bool hasRealizations(Database &db, qint64 idp);
extern const char *const kItemHasRealizations;   // " Pozitia are realizari inregistrate si nu poate fi stearsa. "

} // namespace tendro
