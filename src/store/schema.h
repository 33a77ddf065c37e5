#pragma once

#include <QString>

namespace tendro {

class Database;

constexpr int kSchemaVersion = 1;

// Creates every table and index of the working file.
void createSchema(Database &db);

// Creates the table of legal thresholds (`praguri`) with the shipped rows
// when the file has none; other tables are left as they are. True when it
// was created.
bool ensureThresholds(Database &db);

// Builds a working file from the catalogue and lists built into the program.
// Written beside the target and renamed when complete, so a failure leaves
// no half-made file behind.
void createDefaultFile(const QString &path);

} // namespace tendro
