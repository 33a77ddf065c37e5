#pragma once
// The legal procedure of every item in SQL, so that a grid or a report gets
// it from its own query: the class totals come from one grouped subquery,
// never from a query per item.

#include "thresholds.h"

#include <QHash>
#include <QStringList>
#include <QVariantList>
#include <functional>

namespace tendro {

class QueryTableModel;

// The kind ("PS"/"L") and the class (first four digits) of a cpv row, by its table alias.
QString kindSql(const QString &cpv);
QString classSql(const QString &cpv);

// Joined after "FROM cpv,program": `clasa`, the class totals of the items
// starting within two bounds (total, nr), and `prag`, the thresholds in
// force for each item (directa, simplificata). Its two parameters are the
// bounds, bound before those of the query's own conditions.
QString legalJoins();
// The band of each joined row, "" where no thresholds or total apply.
QString legalProcedureSql();

// The legal procedure of each item starting within the bounds, by its key.
QHash<qint64, QString> legalProcedures(Database &db, const QString &datamin, const QString &datamax);

// Per item of every year, keyed by idp: what the threshold report joins as
// `clasa` (columns below): the class and kind as one text (cheie), the
// thresholds in force (directa, simplificata), the class total and its
// number of items (total, nr), the band (procedura), 1 for a class at risk
// of a split purchase (risc) and a line on the class (eticheta).
QString itemClassSql();
const QStringList &itemClassColumns();

// Marks the grid's rows whose stored procedure (column `proced`) is
// lighter than their band: a colour and a tooltip naming both.
void markLighterProcedures(QueryTableModel *model, std::function<QString(int row)> bandOf);
// The same for a grid whose query does not carry the band: the bands of
// the rows' years are read in one query after each refresh.
void markLighterProcedures(QueryTableModel *model, Database &db);

} // namespace tendro
