#pragma once
// The directorate's exchange with its server: every sub-unit's programme
// taken in as plain rows, approvals written one by one (refused when the
// sub-unit changed the item since it was taken in), and the approvals made
// without the server written afterwards. No widgets.

#include "store/database.h"

#include <QDateTime>
#include <QString>
#include <QVector>

namespace tendro {

class PgConnection;

// Refuses (WrongAccount) an account that is not the directorate's own.
void checkDirectorateAccount(PgConnection &pg, int idds);

struct SubunitOnServer {
    int idos = 0;
    QString numeos;
    // The columns of the local `program` (uid, id, activit, lei, euro,
    // datainc1, datainc2, datafin1, datafin2, resp, detal, fond, idos,
    // proced, anunt, proiect, realiz, modalitate) and `versiune`, the
    // server's row version, to be kept in the local `program.versiune`.
    ResultSet items;
    // The columns of the local `realiz` (uid, uidp, id, contrnr, ... proiect, idos).
    ResultSet realizations;
    QDateTime lastTransmission;   // invalid when it never transmitted
};

// Every sub-unit of the directorate, in name order, with its items and
// realizations as the server holds them, from one snapshot.
QVector<SubunitOnServer> takeInDirectorate(PgConnection &pg, int idds);

struct ApprovalChange {
    QString uid;
    qint64 versiune = 0;   // the row version the item had when taken in
    QString proced, anunt, modalitate;
    QString moment;        // as the local `aprobari.moment` holds it
};

// Writes the directorate's fields of one item and its `aprobari` row, in
// one transaction. Throws ServerError with fault Moved (" Pozitia a fost
// modificata de subunitate intre timp. Preluati din nou. ") when the item's
// row version moved since it was taken in, or the item is gone.
void writeApproval(PgConnection &pg, const ApprovalChange &change);

struct OfflineCounts {
    int written = 0;   // items whose approvals reached the server
    int moved = 0;     // changed by the sub-unit since taken in: not written
    int missing = 0;   // not on the server
};

// The local `aprobari` rows the server lacks (by item and moment), each
// item's current directorate fields with them, in one server transaction;
// an item that moved or is missing is counted and left out.
OfflineCounts writeOfflineApprovals(PgConnection &pg, Database &local, int idds);
QString offlineMessage(const OfflineCounts &counts);

} // namespace tendro
