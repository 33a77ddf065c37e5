#pragma once
// A report as an Excel workbook, from the same document the PDF is laid out
// from: one sheet, the header lines above the table, the captions frozen,
// amounts as numbers, dates as dates, subtotals and totals as SUM formulas
// over the rows they cover, the signatories under the table.

#include <QString>

namespace tendro {

struct ReportDocument;

struct WorkbookFailure {
    QString cause;
};

// Written under a temporary name in the same folder, then renamed over
// `path`, so a failure leaves no half-written file. Throws WorkbookFailure.
void writeWorkbook(const ReportDocument &doc, const QString &path);

} // namespace tendro
