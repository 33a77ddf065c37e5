#include "yearcopy.h"
#include "store/database.h"
#include "store/dates.h"
#include "store/numbers.h"
#include "store/schema.h"

#include <QDate>

namespace tendro {

namespace {

// One date in both forms, moved to `year`. The comparison form decides when
// it is well formed; the display form follows it.
void shiftOne(QString &display, QString &compare, int sourceYear, int from, int to)
{
    const int year = to + (sourceYear - from);
    const QString y = QString::number(year);
    const QString mm = compare.mid(4, 2), dd = compare.mid(6, 2);
    bool okY = false, okM = false, okD = false;
    compare.left(4).toInt(&okY);
    const int m = mm.toInt(&okM), d = dd.toInt(&okD);
    if (compare.size() == 8 && okY && okM && okD) {
        QString day = dd;
        if (m == 2 && d == 29 && !QDate::isLeapYear(year))
            day = QStringLiteral("28");
        compare = y + mm + day;
        display = day + QLatin1Char('.') + mm + QLatin1Char('.') + y;
        return;
    }
    // Not a date this program wrote: the new year goes where the old one was.
    display = display.left(6) + y;
    compare = y + compare.mid(4);
}

int yearOf(const QString &compare, int fallback)
{
    bool ok = false;
    const int y = compare.left(4).toInt(&ok);
    return ok && compare.size() == 8 ? y : fallback;
}

} // namespace

ItemDates shiftDates(const ItemDates &s, int from, int to)
{
    ItemDates out = s;
    shiftOne(out.datainc1, out.datainc2, from, from, to);
    shiftOne(out.datafin1, out.datafin2, yearOf(s.datafin2, from), from, to);
    return out;
}

namespace {

YearItems countWhere(Database &db, const QString &where, const QVariantList &params)
{
    const ResultSet rs = db.query(QStringLiteral("SELECT count(*) AS n, sum(CASE WHEN proced<>'' AND r=0 THEN 1 ELSE 0 END)"
                                                 " AS a, sum(r) AS r FROM (SELECT proced, EXISTS (SELECT 1 FROM realiz"
                                                 " WHERE realiz.uidp=program.uid) AS r FROM program WHERE ")
                                      + where + QLatin1Char(')'),
                                  params);
    return {int(rs.integer(0, QStringLiteral("n"))), int(rs.integer(0, QStringLiteral("a"))),
            int(rs.integer(0, QStringLiteral("r")))};
}

} // namespace

YearItems countYear(Database &db, int year)
{
    const YearBounds b = yearBounds(year);
    return countWhere(db, QStringLiteral("datainc2>=? and datainc2<=?"), {b.lower, b.upper});
}

YearItems countYear(Database &db, int year, int idos)
{
    const YearBounds b = yearBounds(year);
    return countWhere(db, QStringLiteral("datainc2>=? and datainc2<=? and idos=?"), {b.lower, b.upper, idos});
}

void copyYear(Database &db, int from, int to)
{
    const YearBounds target = yearBounds(to);
    const YearBounds source = yearBounds(from);
    Transaction tx(db);
    db.exec(QStringLiteral("DELETE FROM program WHERE datainc2>=? and datainc2<=? and NOT EXISTS"
                           " (SELECT 1 FROM realiz WHERE realiz.uidp=program.uid)"),
            {target.lower, target.upper});
    const ResultSet rows =
        db.query(QStringLiteral("SELECT * FROM program WHERE datainc2>=? and datainc2<=?"), {source.lower, source.upper});
    const QString insert = QStringLiteral("INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,"
                                          "resp,detal,fond,idos,proiect,uid) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    for (int r = 0; r < rows.count(); ++r) {
        const ItemDates dates = shiftDates({rows.text(r, QStringLiteral("datainc1")), rows.text(r, QStringLiteral("datainc2")),
                                            rows.text(r, QStringLiteral("datafin1")), rows.text(r, QStringLiteral("datafin2"))},
                                           from, to);
        // An empty value or text in a numeric column goes in as 0.
        db.exec(insert, {wholeNumber(rows.number(r, QStringLiteral("id"))), rows.text(r, QStringLiteral("activit")),
                         rows.number(r, QStringLiteral("lei")), rows.number(r, QStringLiteral("euro")), dates.datainc1,
                         dates.datainc2, dates.datafin1, dates.datafin2, rows.text(r, QStringLiteral("resp")),
                         rows.text(r, QStringLiteral("detal")), rows.text(r, QStringLiteral("fond")),
                         wholeNumber(rows.number(r, QStringLiteral("idos"))), rows.text(r, QStringLiteral("proiect")),
                         newUid()});   // a copy is a new item
    }
    tx.commit();
}

} // namespace tendro
