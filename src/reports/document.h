#pragma once
// What a report shows, before it is laid out on pages: the header, the
// title and criteria, the lines of the table and the signatories.

#include "definition.h"
#include "formula.h"
#include "store/numbers.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

namespace tendro {

class Database;

struct ReportLine {
    enum Kind { Item, Group, Subtotal, Total } kind = Item;
    QStringList cells;   // one per column; a group line has its text in the first
    QStringList under;   // the second, smaller line of stacked columns
    // The printed amounts of the money columns, in bani (0 elsewhere): sums
    // add what is printed, never the unrounded values.
    QVector<qint64> cents;
    int firstItem = -1, lastItem = -1;   // the item lines a subtotal or total covers
    bool bold = false;   // an item the definition's `bold` field marks
};

struct Signatories {
    QString functiesef, sef, contabil, intocmit;
    // The head's block is captioned even when no function is set.
    QString headCaption() const;
    // No name to sign with has been set.
    bool none() const;
};

// What a report with no row prints under its captions, in place of the
// table, the total and the signatories.
QString noRowsText();

struct ReportDocument {
    QString directorate, subunit;
    QString title, criteria;
    QDate drawnUp;      // "Data intocmirii" under the title; not printed when null
    QVector<ReportColumn> columns;
    QVector<ReportLine> lines;
    Signatories signatories;
    QStringList notes;  // lines under the total, above the signatories
    int topMarginTwips = 0;   // above everything on every page

    bool empty() const { return lines.isEmpty(); }
};

// Money as the reports print it, the Romanian way: "66.966.402,11"; the
// grids show it the same way.
inline QString reportMoney(qint64 cents) { return moneyText(cents); }

// A procedure as the reports print it, in full ("licitatie deschisa" for
// the stored "licitatie"); other texts as they are.
QString procedureName(const QString &stored);

// Reads the rows the selection keeps, with the header and signatories of
// the configured sub-unit. Throws DbError.
ReportDocument buildDocument(Database &db, const ReportDefinition &def, const SqlCondition &selection,
                             const QString &title, const QString &criteria);

} // namespace tendro
