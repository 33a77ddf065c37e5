// The legal thresholds in the programme window: the line under the value
// boxes with the class total and the procedure it calls for, the warning of
// a split purchase after a save, the mark of grid rows whose procedure is
// lighter than their class asks, and the threshold report ("Praguri").

#include "itemchecks.h"
#include "itemstore.h"
#include "liste.h"
#include "catalogue/browser.h"
#include "catalogue/catalogue.h"
#include "catalogue/levels.h"
#include "reports/engine.h"
#include "reports/formula.h"
#include "services/context.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/dates.h"
#include "store/numbers.h"
#include "store/querymodel.h"
#include "thresholds/legalsql.h"
#include "thresholds/thresholds.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace tendro {

void Liste::wireThresholds()
{
    labelPrag_->setWordWrap(true);
    // A positioning refills six lists at once: the line follows once all is done.
    pragTimer_ = new QTimer(this);
    pragTimer_->setSingleShot(true);
    pragTimer_->setInterval(0);
    connect(pragTimer_, &QTimer::timeout, this, &Liste::refreshThresholdLine);
    const auto later = [this] { pragTimer_->start(); };
    // What the user types or picks; the resets a save makes leave the line as the save set it.
    for (QLineEdit *e : {vallei_, zi1_, luna1_})
        connect(e, &QLineEdit::textEdited, this, later);
    connect(an1_, &QComboBox::activated, this, later);
    connect(command4_, &QPushButton::clicked, this, later);
    for (QListWidget *l : lists_)
        connect(l, &QListWidget::currentRowChanged, this, later);

    rapdivizare_ = new ReportJob(ctx_.messages, ctx_.clock, this);
    rapdivizare_->setObjectName(QStringLiteral("rapdivizare"));
    connect(command8_, &QPushButton::clicked, this, &Liste::thresholdsReport);
    if (model_)
        markLighterProcedures(model_, [this](int row) { return model_->value(row, QStringLiteral("proclegala")).toString(); });
}

void Liste::refreshThresholdLine()
{
    labelPrag_->setStyleSheet(QString());
    labelPrag_->clear();
    const std::optional<ChosenEntry> chosen = browser_ ? browser_->chosen() : std::nullopt;
    // The boxes as their focus-loss checks will leave them.
    const QString start =
        compareDate(formatTwoDigits(zi1_->text()), formatTwoDigits(luna1_->text()), an1_->currentText());
    if (!chosen || !thresholdDate(start))
        return;   // no entry or no complete start date yet
    try {
        Database &db = ctx_.db();
        const std::optional<CpvEntry> entry = CatalogueStore(db).byCode(codeNumber(chosen->code));
        if (!entry)
            return;
        const ClassKey key{ctx_.subunitate.idos, cpvClass(entry->cod), thresholdKind(entry->fel), start.left(4).toInt()};
        // The item being edited counts with the value the box shows, not the stored one.
        const ClassTotal total = withItem(classTotal(db, key, idpsel_), numberValue(vallei_->text()));
        labelPrag_->setText(classLine(key, total, thresholdsInForce(db, key.kind, start)));
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

void Liste::showSavedClass(const ProgrammeItem &item, const CpvEntry &entry)
{
    pragTimer_->stop();
    Database &db = ctx_.db();
    const ClassKey key{item.idos, cpvClass(entry.cod), thresholdKind(entry.fel), item.datainc2.left(4).toInt()};
    const ClassTotal total = classTotal(db, key);   // the saved item is in the file now
    const Thresholds in = thresholdsInForce(db, key.kind, item.datainc2);
    const QString warning = splitWarning(key, total, in);
    // Said on the line, in red, without stopping the user: the save is done.
    labelPrag_->setStyleSheet(warning.isEmpty() ? QString() : QStringLiteral("color: red;"));
    labelPrag_->setText(warning.isEmpty() ? classLine(key, total, in) : warning);
}

void Liste::thresholdsReport()
{
    rapdivizare_->setReportFile(QDir(ctx_.cale).filePath(QStringLiteral("rapdivizare.rpt")));
    rapdivizare_->setDataFile(0, workingFilePath(ctx_.cale));
    rapdivizare_->setConnect(QStringLiteral(";PWD=") + QLatin1String(kDatabasePassword));
    const QString year = QStringLiteral("{program.datainc2}>='") + datamin_
        + QStringLiteral("' and {program.datainc2}<='") + datamax_ + QLatin1Char('\'');
    rapdivizare_->setSelectionFormula(forSubunit(year, ctx_.subunitate.idos));
    rapdivizare_->setFormula(0, QStringLiteral("titlu='VERIFICAREA PRAGURILOR PE ANUL ") + selectedYear()
                                    + QLatin1Char('\''));
    rapdivizare_->setAction(1, this);
}

} // namespace tendro
