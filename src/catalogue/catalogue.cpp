#include "catalogue.h"
#include "pattern.h"
#include "store/database.h"

namespace tendro {

namespace {

CpvEntry entryOf(const ResultSet &rs, int r)
{
    CpvEntry e;
    e.id = rs.integer(r, QStringLiteral("id"));
    e.cod = rs.text(r, QStringLiteral("cod"));
    e.den = rs.text(r, QStringLiteral("den"));
    e.fel = int(rs.integer(r, QStringLiteral("fel")));
    e.cod2 = rs.integer(r, QStringLiteral("cod2"));
    return e;
}

} // namespace

std::optional<CpvEntry> CatalogueStore::byCode(qint64 cod2)
{
    const ResultSet rs = db_.query(QStringLiteral("SELECT * FROM cpv WHERE cod2=?"), {cod2});
    if (rs.isEmpty())
        return std::nullopt;
    return entryOf(rs, 0);
}

QVector<CpvEntry> CatalogueStore::firstLevel(int fel)
{
    const ResultSet rs = db_.query(QStringLiteral("SELECT * FROM cpv WHERE lista=1 and fel=?"), {fel});
    QVector<CpvEntry> out;
    out.reserve(rs.count());
    for (int r = 0; r < rs.count(); ++r)
        out.append(entryOf(rs, r));
    return out;
}

QVector<SearchRow> CatalogueStore::searchRows()
{
    QVector<SearchRow> out;
    db_.forEach(QStringLiteral("SELECT cod2,fel,cod,den FROM cpv ORDER BY cod2,fel"), {},
                [&out](const QStringList &, const QVector<QVariant> &row) {
                    SearchRow s;
                    s.cod2 = row.at(0).toLongLong();
                    s.fel = row.at(1).toInt();
                    s.cod = row.at(2).toString();
                    s.folded = foldForSearch(row.at(3).toString());
                    out.append(s);
                });
    return out;
}

} // namespace tendro
