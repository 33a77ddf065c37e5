#pragma once
// Copying the programme of an earlier year into the current year.

#include <QString>

namespace tendro {

class Database;

struct ItemDates {
    QString datainc1, datainc2, datafin1, datafin2;
};

// The dates of an item of year `from` moved into year `to`: the start takes
// year `to`; the end keeps its distance in years from the start year, so an
// item ending the next year still ends the year after `to`. A 29 February
// that year `to` lacks becomes the 28th. Dates that are not dd.mm.yyyy /
// yyyymmdd take the new year in place of their own.
ItemDates shiftDates(const ItemDates &source, int from, int to);

struct YearItems {
    int items = 0;
    int approved = 0;       // with a procedure type and no realizations
    int realized = 0;       // with realizations recorded against them
};
// The items starting in the year: every sub-unit's, or only those of `idos`.
YearItems countYear(Database &db, int year);
YearItems countYear(Database &db, int year, int idos);
// In one transaction: every item of year `to` goes but those with
// realizations (their invoices would belong to no item), then every item of
// year `from` is written again as a new proposal of year `to`.
void copyYear(Database &db, int from, int to);

} // namespace tendro
