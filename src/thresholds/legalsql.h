#pragma once
// The purchases and their bands where a report or a grid reads them: the
// threshold report joins them per item as `clasa`, and the grids mark the
// rows whose stored procedure is lighter than their purchase's band.

#include <QColor>
#include <QStringList>
#include <functional>

namespace tendro {

class Database;
class QueryTableModel;

// What the threshold report joins as `clasa`, per item of the file (columns
// below): the purchase as one text (cheie), its thresholds (directa,
// simplificata, empty where the table has none), its total and number of
// items (total, nr), its band (procedura), 1 for a split purchase (risc), a
// line on it (eticheta), 1 for an item whose stored procedure is lighter than
// the band (usoara) with its mark (marcaj), and what the item realized by
// direct purchase (realizatdirect). The purchases are worked out here, each
// sub-unit apart or, in a directorate's file, summed over its sub-units; the
// query returned reads them.
QString itemClassSql(Database &db);
const QStringList &itemClassColumns();

// The colour of a row whose stored procedure is lighter than its band.
QColor lighterProcedureColour();

// Marks the grid's rows whose stored procedure (column `proced`) is lighter
// than their band: a colour and a tooltip naming both.
void markLighterProcedures(QueryTableModel *model, std::function<QString(int row)> bandOf);
// The same for a grid whose rows carry no band: the purchases of the rows'
// years are worked out once after each refresh.
void markLighterProcedures(QueryTableModel *model, Database &db);

} // namespace tendro
