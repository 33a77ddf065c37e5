#pragma once
// The report object each window holds, one per report file: its properties
// are set in a fixed order (report file, data file, connect text, selection
// formula, formulas, top margin) and the action runs it. It reads the data
// file itself, on a read-only connection of its own. A report goes to a
// print preview, from which the user prints, saves a PDF or writes an Excel
// workbook; when TENDRO_REPORT_DIR is set it is written there instead, as a
// PDF, a workbook or both (TENDRO_REPORT_FORMAT: "pdf", "xlsx", "pdf,xlsx").

#include "store/database.h"

#include <QMap>
#include <optional>
#include <QObject>
#include <QString>

class QWidget;

namespace tendro {

class Clock;
class FileDialogService;
class MessageService;
struct ReportDocument;

class ReportJob : public QObject {
    Q_OBJECT
public:
    ReportJob(MessageService &messages, Clock &clock, QObject *parent = nullptr);

    void setReportFile(const QString &path);
    void setDataFile(int index, const QString &path);
    void setConnect(const QString &text);          // ";PWD=" and the password
    void setSelectionFormula(const QString &formula);
    void setFormula(int index, const QString &formula);
    void setTopMargin(int twips);
    // A line printed under the total; empty for none.
    void setNote(const QString &note);
    // Groups of groups by this field ("os.numeos": a subtotal per sub-unit), in place of the definition's own.
    void setSection(const QString &field) { section_ = field; }
    // The report's rows made by the program, one column per field ("achizitie.obiect"), instead of a selection.
    void setRows(const ResultSet &rows);
    // Lines at the right above the title: who approved the report's contents, and when.
    void setApproval(const QStringList &lines) { approval_ = lines; }
    // Action 1 runs the report; a failure is shown in one message naming
    // the report file and its cause. True when the report was produced.
    bool setAction(int action, QWidget *parent);

    // Where the preview's "Excel" asks for the file name; without it, the
    // platform's own dialog.
    void setFileDialogs(FileDialogService *files) { files_ = files; }

    // The files written by the last run under TENDRO_REPORT_DIR.
    QString lastPdf() const { return lastPdf_; }
    QString lastWorkbook() const { return lastWorkbook_; }

private:
    ReportDocument build() const;
    void preview(const ReportDocument &doc, QWidget *parent);
    void writePdf(const ReportDocument &doc, const QString &path);
    // A failure is shown in one message; true when the workbook was written.
    bool writeExcel(const ReportDocument &doc, const QString &path, QWidget *parent);

    MessageService &messages_;
    Clock &clock_;
    FileDialogService *files_ = nullptr;
    QString reportFile_, dataFile_, connect_, selection_;
    QMap<int, QString> formulas_;
    int topMargin_ = 0;
    QString note_;
    QString section_;
    std::optional<ResultSet> rows_;
    QStringList approval_;
    QString lastPdf_, lastWorkbook_;
};

} // namespace tendro
