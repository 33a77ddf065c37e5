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
// The items go, in every year and activity.
void deleteProject(Database &db, const QString &name, int idos);

} // namespace tendro
