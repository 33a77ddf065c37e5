// The legal thresholds in the programme window: the line under the value
// boxes with the purchase the item belongs to and the procedure its total
// calls for (or the split warning), the grid's "Procedura indicata" column
// with its tooltip, the mark of rows whose procedure is lighter than their
// purchase asks, and the threshold report ("Praguri"). The purchases of the
// year are worked out once per grid refresh and after an edit in the grid.

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
#include "store/shownmodel.h"
#include "thresholds/legalsql.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

namespace tendro {

namespace {

const char *const kWarningStyle = "color: red;";

} // namespace

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
    for (QLineEdit *e : {vallei_, zi1_, luna1_, detal_})
        connect(e, &QLineEdit::textEdited, this, later);
    connect(an1_, &QComboBox::activated, this, later);
    connect(command4_, &QPushButton::clicked, this, later);
    for (QListWidget *l : lists_)
        connect(l, &QListWidget::currentRowChanged, this, later);

    rapdivizare_ = new ReportJob(ctx_.messages, ctx_.clock, this);
    rapdivizare_->setObjectName(QStringLiteral("rapdivizare"));
    connect(command8_, &QPushButton::clicked, this, &Liste::thresholdsReport);
    auto *model = qobject_cast<ShownQueryModel *>(model_);
    if (!model)
        return;
    const auto purchaseOf = [this](int row) { return yearPurchases().of(model_->value(row, QStringLiteral("idp")).toLongLong()); };
    const int column = int(model->gridColumns().size()) - 1;   // "Procedura indicata"
    model->setShown(column, [purchaseOf](int row, const QVariant &) -> QVariant {
        const Purchase *p = purchaseOf(row);
        return p ? bandText(p->band) : QString();
    });
    model->setTip(column, [purchaseOf](int row) -> QVariant {
        const Purchase *p = purchaseOf(row);
        return p ? QVariant(purchaseTip(*p)) : QVariant();
    });
    markLighterProcedures(model_, [purchaseOf](int row) {
        const Purchase *p = purchaseOf(row);
        return p ? bandText(p->band) : QString();
    });
    // After every refresh (a save, a deletion, a year copy, a sort) the purchases are looked at again when
    // next shown (the cache knows whether the file changed), and the line follows.
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        purchasesStale_ = true;
        pragTimer_->start();
    });
    // A value changed in the grid is written after the edit is taken: the purchases follow it then.
    bandTimer_ = new QTimer(this);
    bandTimer_->setSingleShot(true);
    bandTimer_->setInterval(0);
    connect(bandTimer_, &QTimer::timeout, this, [this, model] {
        purchasesStale_ = true;
        model->shownChanged();
        grid_->viewport()->update();   // the marks of the other rows of a purchase
        pragTimer_->start();
    });
    connect(model_, &QAbstractItemModel::dataChanged, this, [this, model](const QModelIndex &from, const QModelIndex &to) {
        // Only the value and the details (a work goes by them) change a purchase.
        for (int c = from.column(); c <= to.column(); ++c) {
            const QString name = model->gridColumns().value(c).column;
            if (name == QLatin1String("lei") || name == QLatin1String("detal"))
                return bandTimer_->start();
        }
    });
}

const Purchases &Liste::yearPurchases()
{
    if (purchasesStale_) {
        purchasesStale_ = false;
        try {
            purchases_ = purchasesCache_.get(ctx_.db(), datamin_, datamax_, Scope::eachSubunit());
        } catch (const DbError &) {
            // Asked while the grid paints: an empty column is better than a message at every paint.
            purchases_ = Purchases();
        }
    }
    return purchases_;
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
        const ResultSet annex = db.query(QStringLiteral("SELECT anexa2 FROM cpv WHERE id=?"), {entry->id});
        // The item being edited counts with what the boxes show, not with what is stored.
        PurchaseItem edited;
        edited.idp = idpsel_;
        edited.idos = ctx_.subunitate.idos;
        edited.cod2 = entry->cod2;
        edited.fel = entry->fel;
        edited.anexa2 = !annex.isEmpty() && annex.integer(0, QStringLiteral("anexa2")) != 0;
        edited.detal = detal_->text();
        edited.lei = readAmount(vallei_->text()).value_or(0.0);
        edited.start = start.toInt();
        showPurchase(purchaseWith(db, edited));
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

void Liste::showPurchase(const Purchase &p)
{
    const QString warning = splitWarning(p);
    // A split purchase is said on the line, in red, without stopping the user.
    labelPrag_->setStyleSheet(warning.isEmpty() ? QString() : QLatin1String(kWarningStyle));
    labelPrag_->setText(warning.isEmpty() ? editorLine(p) : warning);
}

void Liste::showSavedClass(qint64 idp)
{
    pragTimer_->stop();
    // The save wrote this item alone: the year's purchases need only it read again.
    purchasesCache_.written(idp);
    purchasesStale_ = true;
    if (const Purchase *p = yearPurchases().of(idp))
        return showPurchase(*p);
    // An item saved in another year than the one shown.
    const ResultSet item = ctx_.db().query(QStringLiteral("SELECT datainc2,idos FROM program WHERE idp=?"), {idp});
    if (item.isEmpty())
        return;
    const Purchases year(ctx_.db(), item.text(0, QStringLiteral("datainc2")).left(4).toInt(),
                         Scope::subunit(int(item.integer(0, QStringLiteral("idos")))));
    if (const Purchase *p = year.of(idp))
        showPurchase(*p);
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
