#pragma once
// The report object each window holds, one per report file: its properties
// are set in a fixed order (report file, data file, connect text, selection
// formula, formulas, top margin) and the action runs it. It reads the data
// file itself, on a read-only connection of its own. A report goes to a
// print preview, from which the user prints or saves a PDF; when
// TENDRO_REPORT_DIR is set it is written there as a PDF instead.

#include <QMap>
#include <QObject>
#include <QString>

class QWidget;

namespace tendro {

class Clock;
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
    // Action 1 runs the report; a failure is shown in one message naming
    // the report file and its cause. True when the report was produced.
    bool setAction(int action, QWidget *parent);

    // The PDF written by the last run under TENDRO_REPORT_DIR.
    QString lastPdf() const { return lastPdf_; }

private:
    ReportDocument build() const;
    void preview(const ReportDocument &doc, QWidget *parent);
    QString writePdf(const ReportDocument &doc, const QString &folder);

    MessageService &messages_;
    Clock &clock_;
    QString reportFile_, dataFile_, connect_, selection_;
    QMap<int, QString> formulas_;
    int topMargin_ = 0;
    QString lastPdf_;
};

} // namespace tendro
