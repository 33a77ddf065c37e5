#pragma once
// Projects group research and design items by name.

#include <QString>
#include <QStringList>

namespace tendro {

class Database;

extern const int kProjectMaxLength;   // 50

// The projects of the selected year, of one activity, of the sub-unit.
QStringList projectsOfYear(Database &db, const QString &datamin, const QString &datamax, const QString &activ,
                           int idos);
// The items keep their rows without a project, in every year.
void unlinkProject(Database &db, const QString &name, int idos);
// The items go, in every year and activity, but for those the program
// never deletes: an approved item, or one with realizations, stays in the
// programme without the project. Returns how many stayed.
int deleteProject(Database &db, const QString &name, int idos);

// An item the program keeps whatever is deleted around it, as SQL over
// `program`: approved, or with realizations recorded against it.
extern const char *const kKeptItemSql;

} // namespace tendro
