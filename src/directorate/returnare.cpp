#include "returnare.h"
#include "returnfile.h"
#include "services/context.h"
#include "services/fields.h"
#include "store/database.h"
#include "store/dates.h"
#include "store/querymodel.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tendro {

Returnare::Returnare(AppContext &ctx, QWidget *parent) : QDialog(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("returnare"));
    setWindowTitle(QStringLiteral("RETURNAREA PROGRAMELOR CATRE SUBUNITATI"));
    const QDate today = ctx_.clock.today();
    year_ = today.month() > 9 ? today.year() + 1 : today.year();

    grid_ = named(new QTableView(this), "DataGrid1");
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->hide();
    auto *command1 = named(new QPushButton(QStringLiteral("In fisiere"), this), "Command1");
    auto *command2 = named(new QPushButton(QStringLiteral("Pe server"), this), "Command2");
    auto *command3 = named(new QPushButton(QStringLiteral("Iesire"), this), "Command3");
    auto *buttons = new QHBoxLayout();
    buttons->addStretch(1);
    for (QPushButton *b : {command1, command2, command3}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(grid_, 1);
    lay->addLayout(buttons);
    resize(820, 560);

    try {
        model_ = new QueryTableModel(ctx_.db(),
                                     {{QStringLiteral("Subunitatea"), QStringLiteral("numeos"), false, false, 0, 220},
                                      {QStringLiteral("Pozitii %1").arg(year_), QStringLiteral("pozitii"), false, false, 0, 90},
                                      {QStringLiteral("Aprobate"), QStringLiteral("aprobate"), false, false, 0, 80},
                                      {QStringLiteral("Modificate de la ultima returnare"), QStringLiteral("modificate"),
                                       false, false, 0, 200},
                                      {QStringLiteral("Returnat la"), QStringLiteral("returnat"), false, false, 0, 120}},
                                     this);
        model_->setObjectName(QStringLiteral("Adodc1"));
        const YearBounds b = yearBounds(year_);
        // Changed: items whose procedure, announcement or mode the directorate set since the last return.
        model_->setQuery(QStringLiteral(
                             "SELECT os.idos, os.numeos,"
                             " (SELECT count(*) FROM program p WHERE p.idos=os.idos AND p.datainc2>=? AND p.datainc2<=?)"
                             " AS pozitii,"
                             " (SELECT count(*) FROM program p WHERE p.idos=os.idos AND p.datainc2>=? AND p.datainc2<=?"
                             " AND coalesce(p.proced,'')<>'') AS aprobate,"
                             " (SELECT count(DISTINCT a.uid) FROM aprobari a WHERE a.idos=os.idos AND a.moment>"
                             " coalesce(r.moment,'')) AS modificate,"
                             " CASE WHEN r.moment IS NULL THEN '' ELSE substr(r.moment,9,2)||'.'||substr(r.moment,6,2)||'.'||"
                             "substr(r.moment,1,4)||' '||substr(r.moment,12,5) END AS returnat"
                             " FROM os LEFT JOIN returnari r ON r.idos=os.idos WHERE os.idds=? ORDER BY os.numeos"),
                         {b.lower, b.upper, b.lower, b.upper, ctx_.subunitate.idds});
        bindGrid(grid_, model_);
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
    refresh();
    connect(command1, &QPushButton::clicked, this, &Returnare::toFiles);
    connect(command2, &QPushButton::clicked, this, &Returnare::toServer);
    connect(command3, &QPushButton::clicked, this, &QDialog::accept);
}

void Returnare::refresh()
{
    if (!model_)
        return;
    try {
        model_->refresh();
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

void Returnare::toFiles()
{
    if (!model_)
        return;
    // The chosen sub-units; all of them when none is chosen.
    QList<int> rows;
    for (const QModelIndex &i : grid_->selectionModel()->selectedRows())
        rows << i.row();
    if (rows.isEmpty())
        for (int r = 0; r < model_->rowCount(); ++r)
            rows << r;
    std::sort(rows.begin(), rows.end());
    const QString folder = ctx_.files.folder(this, QStringLiteral("Returnarea programelor in folderul ....... "));
    if (folder.isEmpty())
        return;
    QStringList written, failed;
    {
        BusyCursor busy;
        for (int r : std::as_const(rows)) {
            const int idos = int(model_->value(r, QStringLiteral("idos")).toLongLong());
            try {
                written << QFileInfo(writeReturnFile(ctx_.db(), idos, folder, ctx_.clock.now())).fileName();
            } catch (const DbError &e) {
                failed << QStringLiteral(" ") + model_->text(r, 0) + QStringLiteral(": ") + engineErrorMessage(e);
            }
        }
    }
    refresh();
    QString text = QStringLiteral(" Au fost scrise %1 fisiere in %2: ").arg(written.size()).arg(folder)
        + written.join(QStringLiteral(", ")) + QLatin1Char(' ');
    if (!failed.isEmpty())
        text += QStringLiteral("\n Nu au putut fi scrise:\n") + failed.join(QLatin1Char('\n'));
    ctx_.messages.show(this, text);
}

void Returnare::toServer() { ctx_.messages.show(this, QStringLiteral(" Momentan nu este posibil ! ")); }

} // namespace tendro
