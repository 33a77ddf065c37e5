#include "centralizare.h"
#include "takein.h"
#include "server/directorate.h"
#include "shell/server.h"
#include "services/context.h"
#include "services/fields.h"
#include "store/database.h"
#include "store/dates.h"
#include "store/foreign.h"
#include "store/querymodel.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tendro {

namespace {

// " Fisierul ales nu poate fi citit. " as a reason within the file's line.
QString foreignRefusal(QString message)
{
    message = message.trimmed();
    if (message.endsWith(QLatin1Char('.')))
        message.chop(1);
    if (!message.isEmpty())
        message[0] = message.at(0).toLower();
    return message;
}

} // namespace

Centralizare::Centralizare(AppContext &ctx, QWidget *parent) : QDialog(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("centralizare"));
    setWindowTitle(QStringLiteral("PRELUAREA PROGRAMELOR DE LA SUBUNITATI"));
    const QDate today = ctx_.clock.today();
    year_ = today.month() > 9 ? today.year() + 1 : today.year();

    grid_ = named(new QTableView(this), "DataGrid1");
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->hide();
    auto *command1 = named(new QPushButton(QStringLiteral("Din fisiere"), this), "Command1");
    auto *command2 = named(new QPushButton(QStringLiteral("De pe server"), this), "Command2");
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
    resize(900, 560);

    try {
        model_ = new QueryTableModel(
            ctx_.db(),
            {{QStringLiteral("Subunitatea"), QStringLiteral("numeos"), false, false, 0, 220},
             {QStringLiteral("Preluat la"), QStringLiteral("preluat"), false, false, 0, 120},
             {QStringLiteral("Din fisierul"), QStringLiteral("fisier"), false, false, 0, 200},
             {QStringLiteral("Pozitii %1").arg(year_), QStringLiteral("pozitii"), false, false, 0, 90},
             {QStringLiteral("Aprobate"), QStringLiteral("aprobate"), false, false, 0, 80},
             {QStringLiteral("Total lei %1").arg(year_), QStringLiteral("total"), false, false, 0,
              amountWidth(grid_, 10, true), GridColumn::Money}},
            this);
        model_->setObjectName(QStringLiteral("Adodc1"));
        const YearBounds b = yearBounds(year_);
        // The moment as users read it, "dd.mm.yyyy hh:mm", from its sortable form.
        model_->setQuery(QStringLiteral(
                             "SELECT os.idos, os.numeos, CASE WHEN l.moment IS NULL THEN '' ELSE substr(l.moment,9,2)||'.'||"
                             "substr(l.moment,6,2)||'.'||substr(l.moment,1,4)||' '||substr(l.moment,12,5) END AS preluat,"
                             " coalesce(l.fisier,'') AS fisier, count(p.idp) AS pozitii,"
                             " sum(CASE WHEN coalesce(p.proced,'')<>'' THEN 1 ELSE 0 END) AS aprobate,"
                             " coalesce(sum(p.lei),0) AS total FROM os LEFT JOIN preluari l ON l.idos=os.idos"
                             " LEFT JOIN program p ON p.idos=os.idos AND p.datainc2>=? AND p.datainc2<=?"
                             " WHERE os.idds=? GROUP BY os.idos ORDER BY os.numeos"),
                         {b.lower, b.upper, ctx_.subunitate.idds});
        bindGrid(grid_, model_);
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
    refresh();
    connect(command1, &QPushButton::clicked, this, &Centralizare::fromFiles);
    connect(command2, &QPushButton::clicked, this, &Centralizare::fromServer);
    connect(command3, &QPushButton::clicked, this, &QDialog::accept);
}

void Centralizare::refresh()
{
    if (!model_)
        return;
    try {
        model_->refresh();
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

void Centralizare::fromFiles()
{
    const QStringList files = ctx_.files.openFileNames(this, QStringLiteral("Preluarea programelor subunitatilor din"
                                                                            " fisierele ....... "),
                                                       QStringLiteral("Baza de date Access (*.mdb)"));
    if (files.isEmpty())
        return;
    QStringList lines;
    {
        BusyCursor busy;
        for (const QString &path : files) {
            const QString name = QFileInfo(path).fileName();
            TakeIn t;
            t.file = name;
            try {
                const SubunitFile source = readSubunitFile(path);
                t = whoseFile(ctx_.db(), ctx_.subunitate.idds, name, source);
                if (t.refusal.isEmpty())
                    takeIn(ctx_.db(), t, source, ctx_.clock.now());
            } catch (const ForeignFileError &e) {
                t.idos = 0;
                t.refusal = e.kind() == ForeignFileError::Kind::Engine
                    ? QStringLiteral("nu este un fisier TENDRO (") + engineErrorMessage(e.engine()) + QLatin1Char(')')
                    : foreignRefusal(e.message());
            } catch (const DbError &e) {
                // One file that cannot be read or written does not stop the others.
                t.idos = 0;
                t.refusal = t.refusal.isEmpty() && t.subunit.isEmpty()
                    ? QStringLiteral("nu este un fisier TENDRO (") + engineErrorMessage(e) + QLatin1Char(')')
                    : engineErrorMessage(e);
            }
            lines << t.line();
        }
    }
    refresh();
    ctx_.messages.show(this, lines.join(QLatin1Char('\n')));
}

void Centralizare::fromServer()
{
    // With no server set, the connection says " Momentan nu este posibil ! " itself.
    const std::unique_ptr<PgConnection> pg = connectToConfiguredServer(ctx_, this);
    if (!pg)
        return;
    QVector<SubunitOnServer> all;
    try {
        BusyCursor busy;
        all = takeInDirectorate(*pg, ctx_.subunitate.idds);
    } catch (const ServerError &e) {
        showServerError(ctx_, this, e);
        return;
    }
    // Each sub-unit by the rules of a file, each in its own transaction.
    QStringList lines;
    {
        BusyCursor busy;
        for (const SubunitOnServer &s : std::as_const(all)) {
            if (!s.lastTransmission.isValid() && s.items.isEmpty())
                continue;   // nothing ever sent
            TakeIn t;
            t.file = QStringLiteral("server");
            t.idos = s.idos;
            t.subunit = s.numeos;
            try {
                takeIn(ctx_.db(), t, {ResultSet(), s.items, s.realizations}, ctx_.clock.now());
            } catch (const DbError &e) {
                t.refusal = engineErrorMessage(e);
                t.file = s.numeos;
            }
            lines << t.line();
        }
    }
    refresh();
    ctx_.messages.show(this, lines.isEmpty() ? QStringLiteral(" Nicio subunitate nu si-a transmis programul pe server. ")
                                             : lines.join(QLatin1Char('\n')));
}

} // namespace tendro
