#include "praguri.h"
#include "services/context.h"
#include "services/fields.h"
#include "store/database.h"
#include "store/schema.h"
#include "store/shownmodel.h"
#include "thresholds/thresholds.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tendro {

namespace {

enum { CDela = 0, CTip, CDirecta, CSimplificata, CSursa };

} // namespace

Praguri::Praguri(AppContext &ctx, QWidget *parent) : QDialog(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("praguri"));
    setWindowTitle(QStringLiteral("PRAGURI VALORICE"));
    grid_ = named(new QTableView(this), "DataGrid1");
    grid_->setToolTip(QStringLiteral("Pragurile se aplica de la data lor pana la urmatoarea data de acelasi tip; "
                                     "un rand nou se scrie pe ultima linie, Delete sterge randul curent"));
    auto *defaults = named(new QPushButton(QStringLiteral("Valori implicite"), this), "Command2");
    defaults->setToolTip(QStringLiteral("Adauga randurile livrate cu programul care lipsesc din tabel; "
                                        "randurile existente raman cum sunt"));
    auto *quit = named(new QPushButton(QStringLiteral("Iesire"), this), "Command1");
    auto *buttons = new QHBoxLayout();
    buttons->addWidget(defaults);
    buttons->addStretch(1);
    buttons->addWidget(quit);
    for (QPushButton *b : {defaults, quit})
        b->setAutoDefault(false);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(grid_);
    lay->addLayout(buttons);
    resize(900, 460);
    connect(quit, &QPushButton::clicked, this, &QDialog::accept);
    connect(defaults, &QPushButton::clicked, this, &Praguri::addDefaults);

    try {
        auto *model = new ShownQueryModel(
            ctx_.db(),
            {{QStringLiteral("De la data"), QStringLiteral("dela"), true, false, 10, 90},
             {QStringLiteral("Tip (PS/L/S2)"), QStringLiteral("tip"), true, false, 2, 90},
             {QStringLiteral("Achizitie directa sub (lei)"), QStringLiteral("directa"), true, false, 16, 190, GridColumn::Lei},
             {QStringLiteral("Procedura simplificata sub (lei)"), QStringLiteral("simplificata"), true, false, 16, 230,
              GridColumn::Lei},
             {QStringLiteral("Sursa"), QStringLiteral("sursa"), true, false, 200, 260},
             {QStringLiteral("rowid"), QStringLiteral("rowid"), false, true}},
            this);
        // Stored as yyyymmdd; read as dd.mm.yyyy.
        model->setShown(CDela, [](int, const QVariant &stored) -> QVariant { return shownDate(stored.toString()); });
        model_ = model;
        model_->setObjectName(QStringLiteral("Adodc1"));
        model_->setQuery(QStringLiteral("SELECT rowid, * FROM praguri ORDER BY dela, tip"));
        model_->setWriteBack(QStringLiteral("praguri"), QStringLiteral("rowid"));
        model_->setAppendRow(true);
        model_->setReopenRefused(true);
        model_->setCellCheck([this](int, int column, QVariant &value) { return checkCell(column, value); });
        model_->setRowCheck([this](int row) { return checkRow(row); });
        model_->setErrorHandler([this](const DbError &e) { ctx_.messages.engineError(this, e); });
        model_->refresh();
        bindGrid(grid_, model_);
        grid_->verticalHeader()->setDefaultSectionSize(22);
        // As in a spreadsheet: typing on a cell replaces its value, F2 or a double-click edits it.
        grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                               | QAbstractItemView::AnyKeyPressed);
        grid_->installEventFilter(this);
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

bool Praguri::checkCell(int column, QVariant &value)
{
    const QString text = value.toString();
    const char *refusal = nullptr;
    switch (column) {
    case CDela:
        if (const auto d = thresholdDate(text))
            value = *d;
        else
            refusal = kThresholdDateRefused;
        break;
    case CTip:
        if (const auto k = thresholdKindText(text))
            value = *k;
        else
            refusal = kThresholdKindRefused;
        break;
    case CDirecta:
    case CSimplificata:
        if (const auto v = thresholdValue(text))
            value = *v;
        else
            refusal = kThresholdValueRefused;
        break;
    default:
        value = text.trimmed();
    }
    if (refusal)
        ctx_.messages.show(this, QLatin1String(refusal));
    return !refusal;
}

bool Praguri::checkRow(int row)
{
    const QString dela = model_->value(row, QStringLiteral("dela")).toString();
    const QString tip = model_->value(row, QStringLiteral("tip")).toString();
    const qint64 directa = model_->value(row, QStringLiteral("directa")).toLongLong();
    const qint64 simplificata = model_->value(row, QStringLiteral("simplificata")).toLongLong();
    const char *refusal = nullptr;
    if (dela.isEmpty() || tip.isEmpty() || directa <= 0 || simplificata <= 0)
        refusal = kThresholdIncomplete;
    else if (directa >= simplificata)
        refusal = kThresholdOrderRefused;
    else {
        const QVariant rowid = model_->value(row, QStringLiteral("rowid"));
        try {
            const ResultSet same = ctx_.db().query(
                QStringLiteral("SELECT rowid FROM praguri WHERE dela=? AND tip=? AND rowid<>?"),
                {dela, tip, rowid.isNull() ? QVariant(-1) : rowid});
            if (!same.isEmpty())
                refusal = kThresholdDuplicate;
        } catch (const DbError &e) {
            ctx_.messages.engineError(this, e);
            return false;
        }
    }
    if (refusal)
        ctx_.messages.show(this, QLatin1String(refusal));
    return !refusal;
}

void Praguri::deleteRow(int row)
{
    if (!model_ || row < 0)
        return;
    if (model_->isAppendRow(row)) {
        model_->revertRow(row);
        return;
    }
    const QString dela = model_->value(row, QStringLiteral("dela")).toString();
    const QString tip = model_->value(row, QStringLiteral("tip")).toString();
    if (!ctx_.messages.ask(this, QStringLiteral(" Sigur doriti stergerea pragurilor de tip ") + tip
                                     + QStringLiteral(" de la ") + shownDate(dela) + QStringLiteral(" ? ")))
        return;
    try {
        ctx_.db().exec(QStringLiteral("DELETE FROM praguri WHERE rowid=?"), {model_->value(row, QStringLiteral("rowid"))});
        model_->refresh();
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

bool Praguri::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const int row = grid_->currentIndex().row();
        if (key == Qt::Key_Delete) {
            deleteRow(row);
            return true;
        }
        if (key == Qt::Key_Escape && model_ && model_->rowHasChanges(row)) {
            // A row the checks refused is abandoned: its stored values come back.
            model_->revertRow(row);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Praguri::addDefaults()
{
    // What is typed and not stored yet goes first, or stays with its message.
    if (!model_ || !model_->submitAll())
        return;
    try {
        Database &db = ctx_.db();
        const int missing = missingShippedThresholds(db);
        if (missing == 0) {
            ctx_.messages.show(this, QStringLiteral(" Tabelul contine deja toate valorile implicite. "));
            return;
        }
        if (!ctx_.messages.ask(this, QStringLiteral(" Se vor adauga %1 randuri cu valorile implicite; randurile existente"
                                                    " raman neschimbate. Continuati ? ")
                                         .arg(missing)))
            return;
        addShippedThresholds(db);
        model_->refresh();
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

void Praguri::done(int result)
{
    // A row left unfinished is written now or, when refused, kept on screen with its message.
    if (model_ && !model_->submitAll())
        return;
    QDialog::done(result);
}

} // namespace tendro
