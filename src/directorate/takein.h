#pragma once
// Taking in a sub-unit's programme from its file (TRANSMITERE > Manual): the
// file's items and realizations replace that sub-unit's in the directorate's
// file, in one transaction, keeping what the directorate decided. Without
// widgets: the window says what came of each file.

#include "store/database.h"

#include <QDateTime>
#include <QString>

namespace tendro {

// What the directorate reads of a sub-unit's file.
struct SubunitFile {
    ResultSet setare, program, realiz;
};

// Reads the tables of a file from outside; throws DbError when it is none.
SubunitFile readSubunitFile(const QString &path);

struct TakeIn {
    QString file;          // the file's name, as the user chose it
    int idos = 0;          // the sub-unit taken in; 0 when refused
    QString subunit;       // its name
    QString refusal;       // why the file was refused; empty when taken in
    int items = 0;         // items taken from the file
    int approved = 0;      // of which approved
    int keptApproved = 0;  // approved items the file lacks, kept
    QStringList kept;      // and what they are
    // The summary's line for the file.
    QString line() const;
};

// The sub-unit a file belongs to: its configuration's, or the one sub-unit of
// its items; with the reason when it is none of the directorate's.
TakeIn whoseFile(Database &db, int idds, const QString &fileName, const SubunitFile &source);

// Replaces the sub-unit's items and realizations with the file's. An item the
// file carries again (by its identity) keeps the procedure, announcement and
// mode the directorate set, unless the file brings a procedure of its own; an
// approved item the file lacks stays. Records the take-in (table `preluari`).
// One transaction; throws DbError and leaves the file as it was.
void takeIn(Database &db, TakeIn &result, const SubunitFile &source, const QDateTime &now);

} // namespace tendro
