#pragma once
// The selection-formula language of the reports: conditions such as
// {program.lei}>=1500 or {program.realiz}>{program.lei}, joined by " and ";
// a value is a text between single quotes, a plain decimal number or
// another column. It is read into a WHERE clause with bound values; anything
// outside the language is refused, never passed on.

#include <QString>
#include <QVariantList>
#include <optional>

namespace tendro {

// Whether `table.column` names a column the reports may read.
bool isReportColumn(const QString &table, const QString &column);

struct SqlCondition {
    QString where;          // "program.lei>=? AND ..."; empty for no condition
    QVariantList params;
};

struct FormulaError {
    QString message;
};

// Throws FormulaError for text outside the language.
SqlCondition parseSelection(const QString &formula);

// "titlu='text'": the name and the text. A quote inside the text is kept:
// the text runs to the formula's last quote.
struct NamedText {
    QString name;
    QString text;
};
NamedText parseFormulaValue(const QString &formula);

// The selection narrowed to one sub-unit's rows, as every report of a
// sub-unit prints; a directorate's reports, over all its sub-units, leave it out.
QString forSubunit(const QString &selection, int idos);

} // namespace tendro
