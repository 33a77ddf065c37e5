#include "engine.h"
#include "definition.h"
#include "document.h"
#include "formula.h"
#include "output.h"
#include "render.h"
#include "workbook.h"
#include "services/services.h"
#include "store/connections.h"
#include "store/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolBar>

#include <optional>

namespace tendro {

namespace {

struct ReportFailure {
    QString cause;
};

const QPageLayout kPage = reportPage();

// The folder of the last workbook saved, where the next save dialog opens.
QString &lastFolder()
{
    static QString folder;
    return folder;
}

} // namespace

ReportJob::ReportJob(MessageService &messages, Clock &clock, QObject *parent)
    : QObject(parent), messages_(messages), clock_(clock) {}

void ReportJob::setReportFile(const QString &path)
{
    // A new report starts from nothing of the previous one.
    reportFile_ = path;
    dataFile_.clear();
    connect_.clear();
    selection_.clear();
    formulas_.clear();
    topMargin_ = 0;
    note_.clear();
}

void ReportJob::setDataFile(int index, const QString &path)
{
    if (index == 0)
        dataFile_ = path;
}

void ReportJob::setConnect(const QString &text) { connect_ = text; }
void ReportJob::setSelectionFormula(const QString &formula) { selection_ = formula; }
void ReportJob::setFormula(int index, const QString &formula) { formulas_.insert(index, formula); }
void ReportJob::setTopMargin(int twips) { topMargin_ = twips; }
void ReportJob::setNote(const QString &note) { note_ = note; }

ReportDocument ReportJob::build() const
{
    ReportDefinition def;
    try {
        def = loadDefinition(reportFile_);
    } catch (const DefinitionError &e) {
        throw ReportFailure{e.message};
    }
    QMap<QString, QString> named;
    SqlCondition where;
    try {
        for (const QString &f : formulas_)
            if (!f.isEmpty()) {
                const NamedText t = parseFormulaValue(f);
                named.insert(t.name, t.text);
            }
        where = parseSelection(selection_);
    } catch (const FormulaError &e) {
        throw ReportFailure{e.message};
    }
    const QString prefix = QStringLiteral(";PWD=");
    if (!connect_.startsWith(prefix, Qt::CaseInsensitive))
        throw ReportFailure{QStringLiteral("textul de conectare nu contine parola")};
    try {
        auto db = Database::open({dataFile_, connect_.mid(prefix.size())}, Database::Mode::ReadOnly);
        ReportDocument doc = buildDocument(*db, def, where, named.value(def.titleFormula),
                                           def.criteriaFormula.isEmpty() ? QString() : named.value(def.criteriaFormula));
        doc.topMarginTwips = topMargin_;
        if (!note_.isEmpty())
            doc.notes << note_;
        doc.drawnUp = clock_.today();
        return doc;
    } catch (const DbError &e) {
        throw ReportFailure{QStringLiteral("fisierul de date ") + QFileInfo(dataFile_).fileName() + QStringLiteral(": ")
                            + engineErrorMessage(e)};
    }
}

bool ReportJob::setAction(int action, QWidget *parent)
{
    if (action != 1)
        return false;
    lastPdf_.clear();
    lastWorkbook_.clear();
    try {
        const ReportDocument doc = build();
        // Printed all the same, but with blank names to sign under: said once, so that they get filled in.
        if (!doc.empty() && doc.signatories.none())
            messages_.show(parent, QStringLiteral(" Semnatarii rapoartelor nu sunt completati (SETARI). "));
        const QString folder = qEnvironmentVariable("TENDRO_REPORT_DIR");
        if (folder.isEmpty()) {
            if (doc.empty())
                messages_.show(parent, noRowsText());
            preview(doc, parent);
            return true;
        }
        if (!QDir().mkpath(folder))
            throw ReportFailure{QStringLiteral("folderul ") + folder + QStringLiteral(" nu poate fi creat")};
        if (const QString refusal = reportFolderRefusal(folder); !refusal.isEmpty())
            throw ReportFailure{refusal};
        const QStringList formats = qEnvironmentVariable("TENDRO_REPORT_FORMAT").split(QLatin1Char(','));
        const bool excel = formats.contains(QLatin1String("xlsx"));
        const bool pdf = formats.contains(QLatin1String("pdf")) || !excel;
        // One name for both files, the first that nothing (not even a dangling link) holds.
        const QString stem = QDir(folder).filePath(QFileInfo(reportFile_).completeBaseName() + QLatin1Char('-')
                                                   + clock_.now().toString(QStringLiteral("yyyyMMdd-HHmmss")));
        QString base = stem;
        for (int n = 2; nameTaken(base + QStringLiteral(".pdf")) || nameTaken(base + QStringLiteral(".xlsx")); ++n)
            base = stem + QStringLiteral("-%1").arg(n);
        if (pdf) {
            writePdf(doc, base + QStringLiteral(".pdf"));
            lastPdf_ = base + QStringLiteral(".pdf");
        }
        if (excel) {
            if (!writeExcel(doc, base + QStringLiteral(".xlsx"), parent))
                return false;
            lastWorkbook_ = base + QStringLiteral(".xlsx");
        }
        return true;
    } catch (const ReportFailure &f) {
        messages_.show(parent,
                       QStringLiteral(" Raportul ") + QFileInfo(reportFile_).fileName()
                           + QStringLiteral(" nu a putut fi afisat: ") + f.cause + QLatin1Char(' '),
                       QStringLiteral("Eroare"), MessageIcon::Information);
        return false;
    }
}

void ReportJob::preview(const ReportDocument &doc, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(kPage);
    printer.setDocName(doc.title);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("previzualizare"));
    dialog.setWindowTitle(doc.title);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&doc](QPrinter *p) {
        QPainter painter(p);
        ReportLayout(doc, p).paint(painter, p);
    });
    if (auto *bar = dialog.findChild<QToolBar *>()) {
        bar->addSeparator();
        QAction *excel = bar->addAction(QStringLiteral("Excel"));
        excel->setObjectName(QStringLiteral("excel"));
        connect(excel, &QAction::triggered, &dialog, [this, &doc, &dialog] {
            static QtFileDialogs platformDialogs;
            FileDialogService &files = files_ ? *files_ : platformDialogs;
            QString name = QFileInfo(reportFile_).completeBaseName() + QLatin1Char('-')
                + clock_.today().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".xlsx");
            if (!lastFolder().isEmpty())
                name = QDir(lastFolder()).filePath(name);
            const QString path = files.saveFileNameAs(&dialog, QStringLiteral("Salvare raport ca registru Excel"),
                                                      QStringLiteral("Registru Excel (*.xlsx)"), name);
            if (!path.isEmpty() && writeExcel(doc, path, &dialog)) {
                lastWorkbook_ = path;
                lastFolder() = QFileInfo(path).absolutePath();
            }
        });
    }
    dialog.resize(1000, 720);
    dialog.exec();
}

void ReportJob::writePdf(const ReportDocument &doc, const QString &path)
{
    // Put in place only when whole: a full disk leaves no half PDF behind that looks like a report.
    const ReportFailure failed{QStringLiteral("fisierul ") + path + QStringLiteral(" nu poate fi scris")};
    std::optional<ReportOutput> out;
    try {
        out.emplace(path);
    } catch (const OutputFailure &f) {
        throw ReportFailure{f.cause};
    }
    QFile file(out->scratchPath());
    if (!file.open(QIODevice::WriteOnly))
        throw failed;
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(kPage);
        writer.setResolution(300);
        writer.setTitle(doc.title);
        writer.setCreator(QStringLiteral("TENDRO"));
        QPainter painter;
        if (!painter.begin(&writer))
            throw failed;
        ReportLayout(doc, &writer).paint(painter, &writer);
        if (!painter.end())
            throw failed;
    }
    file.close();
    if (file.error() != QFileDevice::NoError)
        throw failed;
    try {
        out->commit();
    } catch (const OutputFailure &f) {
        throw ReportFailure{f.cause};
    }
}

bool ReportJob::writeExcel(const ReportDocument &doc, const QString &path, QWidget *parent)
{
    try {
        writeWorkbook(doc, path);
        return true;
    } catch (const WorkbookFailure &f) {
        messages_.show(parent, QStringLiteral(" Registrul Excel ") + path + QStringLiteral(" nu a putut fi scris: ") + f.cause
                                   + QLatin1Char(' '),
                       QStringLiteral("Eroare"), MessageIcon::Information);
        return false;
    }
}

} // namespace tendro
