#pragma once
// The sub-unit's exchange with the directorate's server: its programme sent
// (TRANSMITERE > Pe server) and the directorate's decisions taken back
// (PRELUARE > De pe server). No widgets: the menu asks and tells.

#include "store/database.h"

#include <QString>
#include <QStringList>

namespace tendro {

class PgConnection;

// Refuses (WrongAccount) an account that is not the sub-unit's own.
void checkSubunitAccount(PgConnection &pg, int idos);

struct TransmitCounts {
    int items = 0;          // the sub-unit's items in the file
    int added = 0;          // new on the server
    int changed = 0;        // held by the server with other values
    int deleted = 0;        // on the server, gone from the file, not approved
    int keptApproved = 0;   // on the server, gone from the file, approved: kept
    int realizations = 0;
    double lei = 0;
};

// One server transaction, waiting for another transmission of the same
// sub-unit to end first: the items upserted by identity (all but the
// directorate's fields), those the file no longer holds deleted unless
// approved, the realizations replaced, a `transmiteri` row written. The
// local file is only read.
TransmitCounts transmitProgramme(PgConnection &pg, Database &local, int idos);
QString transmitMessage(const TransmitCounts &counts);

// What the server holds for the sub-unit, read in one snapshot.
struct ServerProgramme {
    ResultSet items;          // tendro.program, and `decis`: the directorate has decided on it
    ResultSet realizations;
    ResultSet cpv;
    ResultSet praguri;
};
ServerProgramme readServerProgramme(PgConnection &pg, int idos);

// The identities of the server's items that the local file lacks.
QStringList onlyOnServer(const ServerProgramme &server, Database &local, int idos);

struct TakeBackCounts {
    int approved = 0;           // approved now, not before
    int changed = 0;            // the directorate's fields changed otherwise
    int taken = 0;              // items only on the server, taken in
    int takenRealizations = 0;  // their realizations
    bool catalogue = false;     // the catalogue was replaced by the server's
    bool thresholds = false;    // the thresholds were replaced
};

// One local transaction: the directorate's fields (`proced`, `anunt`,
// `modalitate`) of the sub-unit's items, where the directorate has decided
// on the server; nothing deleted; the items only on the server (and their
// realizations) when `takeOnlyOnServer`; the catalogue and the thresholds
// when the server's differ.
TakeBackCounts applyTakeBack(Database &local, const ServerProgramme &server, int idos, bool takeOnlyOnServer);
QString takeBackMessage(const TakeBackCounts &counts);

} // namespace tendro
