#pragma once
// Our own report-definition files (rapprog.rpt and the others): which
// columns a report prints, in what order, grouped or not, with which totals.
// The format is described in data/rapoarte.md.

#include <QString>
#include <QStringList>
#include <QVector>

namespace tendro {

struct ReportField {
    enum Kind { RowNumber, Column, Stacked, Difference } kind = Column;
    QString first;    // "table.column"
    QString second;   // the details under a stacked field; what a difference subtracts
};

struct ReportColumn {
    QString caption;
    ReportField field;
    double width = 10;   // millimetres, as a share of the page width
    enum Format { Text, Center, Money } format = Text;
    bool total = false;
};

struct ReportDefinition {
    QString titleFormula = QStringLiteral("titlu");
    QString criteriaFormula;
    QStringList order;       // "table.column", optionally followed by " DESC"
    QString group;           // "table.column"; empty for none
    QString groupLabel;      // shown beside the group's value
    QString bold;            // "table.column": a row where it is set and not 0 prints bold
    QVector<ReportColumn> columns;
};

struct DefinitionError {
    QString message;
};

// Throws DefinitionError naming the line at fault.
ReportDefinition parseDefinition(const QString &text);
// Throws DefinitionError when the file is missing or unreadable.
ReportDefinition loadDefinition(const QString &path);

} // namespace tendro
