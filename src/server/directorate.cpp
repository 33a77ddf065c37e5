#include "directorate.h"
#include "pg.h"

#include <QHash>
#include <QSet>

namespace tendro {

namespace {

// The server's rows of one sub-unit, as a ResultSet of the same columns.
QHash<int, QVector<QVector<QVariant>>> bySubunit(const ResultSet &rs)
{
    QHash<int, QVector<QVector<QVariant>>> out;
    const int column = rs.columnIndex(QStringLiteral("idos"));
    for (int r = 0; r < rs.count(); ++r)
        out[rs.row(r).at(column).toInt()].append(rs.row(r));
    return out;
}

} // namespace

void checkDirectorateAccount(PgConnection &pg, int idds)
{
    const ResultSet rs = pg.query(QStringLiteral("SELECT tendro.cont_idds() AS idds"));
    if (rs.value(0, QStringLiteral("idds")).isNull() || rs.integer(0, QStringLiteral("idds")) != idds)
        throw ServerError(ServerFault::WrongAccount, QString(), pg.account());
}

QVector<SubunitOnServer> takeInDirectorate(PgConnection &pg, int idds)
{
    PgTransaction tx(pg, QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
    checkDirectorateAccount(pg, idds);
    const ResultSet subunits =
        pg.query(QStringLiteral("SELECT idos,numeos FROM tendro.os WHERE idds=$1 ORDER BY numeos,idos"), {idds});
    const QString mine = QStringLiteral(" WHERE idos IN (SELECT idos FROM tendro.os WHERE idds=$1) ORDER BY idos,");
    const ResultSet items = pg.query(
        QStringLiteral("SELECT uid,id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,fond,idos,proced,"
                       "anunt,proiect,realiz,modalitate,versiune FROM tendro.program")
            + mine + QStringLiteral("datainc2,uid"),
        {idds});
    const ResultSet realizations = pg.query(
        QStringLiteral("SELECT uid,uidp,id,contrnr,contrdata1,contrdata2,lei,actnr,actdata1,actdata2,idos,furniz,refer,"
                       "denumach,proiect FROM tendro.realiz")
            + mine + QStringLiteral("actdata2,uid"),
        {idds});
    const ResultSet sent = pg.query(
        QStringLiteral("SELECT idos, extract(epoch FROM max(moment))::bigint AS t FROM tendro.transmiteri "
                       "WHERE idos IN (SELECT idos FROM tendro.os WHERE idds=$1) GROUP BY idos"),
        {idds});
    tx.commit();

    const auto itemRows = bySubunit(items);
    const auto realizationRows = bySubunit(realizations);
    QHash<int, qint64> last;
    for (int r = 0; r < sent.count(); ++r)
        last.insert(int(sent.integer(r, QStringLiteral("idos"))), sent.integer(r, QStringLiteral("t")));
    QVector<SubunitOnServer> out;
    for (int r = 0; r < subunits.count(); ++r) {
        SubunitOnServer s;
        s.idos = int(subunits.integer(r, QStringLiteral("idos")));
        s.numeos = subunits.text(r, QStringLiteral("numeos"));
        s.items = ResultSet(items.columns(), itemRows.value(s.idos));
        s.realizations = ResultSet(realizations.columns(), realizationRows.value(s.idos));
        if (last.contains(s.idos))
            s.lastTransmission = QDateTime::fromSecsSinceEpoch(last.value(s.idos));
        out.append(s);
    }
    return out;
}

namespace {

// Inside a transaction: the item locked, its version checked, its fields
// and one approval row written per moment. The fields the server held before.
void approve(PgConnection &pg, const ApprovalChange &c, const QStringList &moments)
{
    const ResultSet item = pg.query(
        QStringLiteral("SELECT idos,proced,versiune FROM tendro.program WHERE uid=$1 FOR UPDATE"), {c.uid});
    if (item.isEmpty() || item.integer(0, QStringLiteral("versiune")) != c.versiune)
        throw ServerError(ServerFault::Moved, QString(), c.uid);
    pg.exec(QStringLiteral("UPDATE tendro.program SET proced=$2,anunt=$3,modalitate=$4 WHERE uid=$1"),
            {c.uid, c.proced, c.anunt, c.modalitate});
    const QVariant idos = item.value(0, QStringLiteral("idos"));
    for (const QString &moment : moments)
        pg.exec(QStringLiteral("INSERT INTO tendro.aprobari (uid,idos,moment,procedvechi,proced,anunt,modalitate) "
                               "VALUES($1,$2,$3,$4,$5,$6,$7)"),
                {c.uid, idos, moment, item.text(0, QStringLiteral("proced")), c.proced, c.anunt, c.modalitate});
}

} // namespace

void writeApproval(PgConnection &pg, const ApprovalChange &change)
{
    PgTransaction tx(pg);
    approve(pg, change, {change.moment});
    tx.commit();
}

OfflineCounts writeOfflineApprovals(PgConnection &pg, Database &local, int idds)
{
    OfflineCounts counts;
    const ResultSet approvals = local.query(QStringLiteral(
        "SELECT a.uid,a.moment,p.proced,p.anunt,p.modalitate,p.versiune FROM aprobari a JOIN program p ON p.uid=a.uid "
        "ORDER BY a.ida"));
    PgTransaction tx(pg);
    checkDirectorateAccount(pg, idds);
    QSet<QString> onServer;
    const ResultSet written = pg.query(QStringLiteral("SELECT uid,moment FROM tendro.aprobari"));
    for (int r = 0; r < written.count(); ++r)
        onServer.insert(written.text(r, QStringLiteral("uid")) + QChar(0x1f) + written.text(r, QStringLiteral("moment")));

    // Per item, the moments the server lacks, in the order they were made.
    QStringList order;
    QHash<QString, QStringList> moments;
    QHash<QString, ApprovalChange> changes;
    for (int r = 0; r < approvals.count(); ++r) {
        const QString uid = approvals.text(r, QStringLiteral("uid"));
        const QString moment = approvals.text(r, QStringLiteral("moment"));
        if (onServer.contains(uid + QChar(0x1f) + moment))
            continue;
        if (!changes.contains(uid)) {
            order << uid;
            changes.insert(uid, {uid, approvals.integer(r, QStringLiteral("versiune")),
                                 approvals.text(r, QStringLiteral("proced")), approvals.text(r, QStringLiteral("anunt")),
                                 approvals.text(r, QStringLiteral("modalitate")), QString()});
        }
        moments[uid] << moment;
    }
    const ResultSet present = pg.query(QStringLiteral("SELECT uid FROM tendro.program WHERE uid = ANY($1::text[])"),
                                       {QVariant(order)});
    QSet<QString> exists;
    for (int r = 0; r < present.count(); ++r)
        exists.insert(present.text(r, QStringLiteral("uid")));
    for (const QString &uid : order) {
        if (!exists.contains(uid)) {
            ++counts.missing;
            continue;
        }
        // Each item in a savepoint of its own, so one that moved leaves the others written.
        pg.exec(QStringLiteral("SAVEPOINT aprobare"));
        try {
            approve(pg, changes.value(uid), moments.value(uid));
            pg.exec(QStringLiteral("RELEASE SAVEPOINT aprobare"));
            ++counts.written;
        } catch (const ServerError &e) {
            if (e.fault() != ServerFault::Moved)
                throw;
            pg.exec(QStringLiteral("ROLLBACK TO SAVEPOINT aprobare"));
            ++counts.moved;
        }
    }
    tx.commit();
    return counts;
}

QString offlineMessage(const OfflineCounts &c)
{
    QString text = QStringLiteral(" Aprobarile a %1 pozitii au fost scrise pe server. ").arg(c.written);
    if (c.moved > 0)
        text += QStringLiteral("\n %1 pozitii au fost modificate de subunitati intre timp si nu au fost scrise."
                               " Preluati din nou. ")
                    .arg(c.moved);
    if (c.missing > 0)
        text += QStringLiteral("\n %1 pozitii nu exista pe server. ").arg(c.missing);
    return text;
}

} // namespace tendro
