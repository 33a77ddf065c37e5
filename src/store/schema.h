#pragma once

#include <QString>
#include <QStringList>

namespace tendro {

class Database;

constexpr int kSchemaVersion = 2;

// A new random identity (a UUID) for an item or a realization.
QString newUid();
// The same as an SQL expression, evaluated anew for every row.
extern const char *const kNewUidSql;

// Creates every table and index of the working file.
void createSchema(Database &db);

// The tables of data every working file holds; one missing is damage, not an
// upgrade (the thresholds and the approvals, which came later, are added
// when missing). Start-up, the exit and the check of a copy go by it.
const QStringList &requiredTables();
// What makes a file unfit to be worked on or copied over good copies.
struct SchemaProblems {
    QStringList missing;   // required tables it lacks (or holds as something else)
    QStringList unknown;   // views, triggers, virtual tables: the program makes none
    bool fit() const { return missing.isEmpty() && unknown.isEmpty(); }
};
SchemaProblems schemaProblems(Database &db);

// Creates the table of legal thresholds (`praguri`) with the shipped rows
// when the file has none, and gives a table without rows of kind "S2" (the
// Annex 2 services) the shipped ones; other rows and tables are left as they
// are. True when the table was created.
bool ensureThresholds(Database &db);
// The shipped thresholds rows whose date and kind the table lacks: how many,
// and adding them (one transaction) without touching the rows it holds.
int missingShippedThresholds(Database &db);
int addShippedThresholds(Database &db);

// Brings a file made by an older program up to today's tables: the
// thresholds, the Annex 2 services marked in the catalogue, the directorate's approvals (`aprobari`,
// `program.modalitate`: "online" or "offline"), the server's place (`server`) and the server's row
// version of each item as last taken in (`program.versiune`), and the identities of items (`program.uid`) and realizations
// (`realiz.uid`, and `realiz.uidp`, the item each belongs to). Every item
// and realization without an identity gets one, and a realization without
// its item takes the one item its old tie (entry, sub-unit, project, year
// of the act) names, where it names exactly one. One savepoint: all or nothing.
void upgradeSchema(Database &db);
// The identities part of it, for rows just copied in from an older file.
void assignIdentities(Database &db);

// Builds a working file from the catalogue and lists built into the program.
// Written beside the target and renamed when complete, so a failure leaves
// no half-made file behind.
void createDefaultFile(const QString &path);

} // namespace tendro
