#pragma once
// Reads of the CPV catalogue that the browser and the searches need.

#include <QString>
#include <QVector>
#include <optional>

namespace tendro {

class Database;

struct CpvEntry {
    qint64 id = 0;
    QString cod;
    QString den;
    int fel = 0;
    qint64 cod2 = 0;
};

// One catalogue row in search order, with its name folded once.
struct SearchRow {
    qint64 cod2 = 0;
    int fel = 0;
    QString cod;
    QString folded;
};

class CatalogueStore {
public:
    explicit CatalogueStore(Database &db) : db_(db) {}

    std::optional<CpvEntry> byCode(qint64 cod2);
    QVector<CpvEntry> firstLevel(int fel);
    // The whole catalogue ordered by cod2, then fel.
    QVector<SearchRow> searchRows();

private:
    Database &db_;
};

} // namespace tendro
