#include "aprobare.h"
#include "paap.h"
#include "reports/engine.h"
#include "server/directorate.h"
#include "server/settings.h"
#include "shell/server.h"
#include "services/context.h"
#include "services/fields.h"
#include "store/connections.h"
#include "store/dates.h"
#include "store/querymodel.h"
#include "thresholds/legalsql.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace tendro {

namespace {

// The procedures the directorate stores, as the sub-units' files hold them.
const QStringList kProcedures{QStringLiteral("licitatie"), QStringLiteral("proced.simplif."),
                              QStringLiteral("achizitie directa"), QStringLiteral("negociere fara public.")};

// "dd.mm.yyyy hh:mm" from the stored "yyyy-MM-dd hh:mm:ss".
QString shownMoment(const QString &moment)
{
    if (moment.size() < 16)
        return moment;
    return moment.mid(8, 2) + QLatin1Char('.') + moment.mid(5, 2) + QLatin1Char('.') + moment.left(4) + QLatin1Char(' ')
        + moment.mid(11, 5);
}

} // namespace

Aprobare::Aprobare(AppContext &ctx, QWidget *parent) : QDialog(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("aprobare"));
    setWindowTitle(QStringLiteral("APROBAREA PROGRAMULUI ANUAL"));

    anul_ = named(new QComboBox(this), "anul");
    subunit_ = named(new QComboBox(this), "subunit");
    neaprob_ = named(new QCheckBox(QStringLiteral("Doar neaprobate"), this), "neaprob");
    grid1_ = named(new QTableView(this), "DataGrid1");
    grid2_ = named(new QTableView(this), "DataGrid2");
    for (QTableView *g : {grid1_, grid2_}) {
        g->setSelectionMode(QAbstractItemView::SingleSelection);
        g->verticalHeader()->hide();
    }
    grid1_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *command1 = named(new QPushButton(QStringLiteral("Aprobare grup"), this), "Command1");
    auto *command2 = named(new QPushButton(QStringLiteral("Raport"), this), "Command2");
    auto *command3 = named(new QPushButton(QStringLiteral("Iesire"), this), "Command3");

    auto *top = new QHBoxLayout();
    top->addWidget(new QLabel(QStringLiteral("Anul"), this));
    top->addWidget(anul_);
    top->addSpacing(16);
    top->addWidget(new QLabel(QStringLiteral("Subunitatea"), this));
    top->addWidget(subunit_, 1);
    top->addSpacing(16);
    top->addWidget(neaprob_);
    top->addStretch(1);
    auto *buttons = new QHBoxLayout();
    buttons->addStretch(1);
    for (QPushButton *b : {command1, command2, command3}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(grid1_);
    split->addWidget(grid2_);
    split->setChildrenCollapsible(false);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(split, 1);
    lay->addLayout(buttons);
    resize(1000, 680);

    rappaap_ = new ReportJob(ctx_.messages, ctx_.clock, this);
    rappaap_->setObjectName(QStringLiteral("rappaap"));
    rappaap_->setFileDialogs(&ctx_.files);

    purchasesModel_ = new QueryTableModel(
        ctx_.db(),
        {{QStringLiteral("Clasa / lucrarea"), QStringLiteral("eticheta"), false, false, 0, 170},
         {QStringLiteral("Denumirea"), QStringLiteral("den"), false, false, 0, 200},
         {QStringLiteral("Tip"), QStringLiteral("tip"), false, false, 0, 40},
         {QStringLiteral("Pozitii"), QStringLiteral("pozitii"), false, false, 0, 60},
         {QStringLiteral("Aprobate"), QStringLiteral("aprobate"), false, false, 0, 70},
         {QStringLiteral("Total lei"), QStringLiteral("total"), false, false, 0, amountWidth(grid1_, 10, true),
          GridColumn::Money},
         {QStringLiteral("Procedura indicata"), QStringLiteral("procedura"), false, false, 0, 210},
         {QStringLiteral("Subunitati"), QStringLiteral("subunitati"), false, false, 0, 80}},
        this);
    purchasesModel_->setObjectName(QStringLiteral("Adodc1"));
    bindGrid(grid1_, purchasesModel_);

    itemsModel_ = new QueryTableModel(
        ctx_.db(),
        {{QStringLiteral("Subunitatea"), QStringLiteral("numeos"), false, false, 0, 90},
         {QStringLiteral("Cod CPV"), QStringLiteral("cod"), false, false, 0, 85},
         {QStringLiteral("Denumirea"), QStringLiteral("den"), false, false, 0, 120},
         {QStringLiteral("Detalii"), QStringLiteral("detal"), false, false, 0, 90},
         {QStringLiteral("Sursa"), QStringLiteral("fond"), false, false, 0, 60},
         {QStringLiteral("Proiect"), QStringLiteral("proiect"), false, false, 0, 45},
         {QStringLiteral("LEI"), QStringLiteral("lei"), false, false, 0, amountWidth(grid2_, 9, true), GridColumn::Lei},
         {QStringLiteral("EURO"), QStringLiteral("euro"), false, false, 0, amountWidth(grid2_, 7, false), GridColumn::Lei},
         {QStringLiteral("Inceput"), QStringLiteral("datainc1"), false, false, 0, 80},
         {QStringLiteral("Sfarsit"), QStringLiteral("datafin1"), false, false, 0, 80},
         {QStringLiteral("Procedura"), QStringLiteral("proced"), true, false, 25, 120},
         {QStringLiteral("Anunt"), QStringLiteral("anunt"), true, false, 100, 70},
         {QStringLiteral("Modalitate"), QStringLiteral("modalitate"), true, false, 10, 75}},
        this);
    itemsModel_->setObjectName(QStringLiteral("Adodc2"));
    itemsModel_->setWriteBack(QStringLiteral("program"), QStringLiteral("idp"));
    itemsModel_->setWriteAtOnce(true);
    itemsModel_->setCellCheck([this](int row, int column, QVariant &value) { return checkCell(row, column, value); });
    itemsModel_->setRowWriter([this](int row, const QStringList &columns, const QVariantList &values) {
        return writeItem(row, columns, values);
    });
    itemsModel_->setErrorHandler([this](const DbError &e) { ctx_.messages.engineError(this, e); });
    // A procedure lighter than the purchase's band is marked as in the programme's grid; an approved row
    // says when it was approved.
    itemsModel_->setRowHint([this](int row, int role) -> QVariant {
        if (role != Qt::BackgroundRole && role != Qt::ToolTipRole)
            return {};
        const QString proced = itemsModel_->value(row, QStringLiteral("proced")).toString().trimmed();
        const Purchase *p = purchases_.of(itemsModel_->value(row, QStringLiteral("idp")).toLongLong());
        const QString band = p ? bandText(p->band) : QString();
        const bool lighter = lighterThanBand(proced, band);
        if (role == Qt::BackgroundRole)
            return lighter ? QVariant(lighterProcedureColour()) : QVariant();
        QStringList tips;
        if (lighter)
            tips << lighterProcedureTip(proced, band);
        const QString moment = itemsModel_->value(row, QStringLiteral("aprobat")).toString();
        if (!moment.isEmpty() && !proced.isEmpty())
            tips << QStringLiteral(" Aprobat la ") + shownMoment(moment) + QLatin1Char(' ');
        return tips.isEmpty() ? QVariant() : QVariant(tips.join(QLatin1Char('\n')));
    });
    bindGrid(grid2_, itemsModel_);

    try {
        fillSubunits();
        fillYears();
        levelCodes_ = loadLevelCodes(ctx_.db());   // the catalogue does not change while the window is open
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
    refreshPurchases();

    connect(anul_, &QComboBox::currentIndexChanged, this, &Aprobare::refreshPurchases);
    connect(subunit_, &QComboBox::currentIndexChanged, this, &Aprobare::refreshPurchases);
    connect(neaprob_, &QCheckBox::toggled, this, &Aprobare::refreshPurchases);
    connect(grid1_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &Aprobare::showItems);
    connect(command1, &QPushButton::clicked, this, &Aprobare::approveGroup);
    connect(command2, &QPushButton::clicked, this, &Aprobare::printProgramme);
    connect(command3, &QPushButton::clicked, this, &QDialog::accept);
}

Aprobare::~Aprobare() = default;

void Aprobare::fillSubunits()
{
    const ResultSet rs = ctx_.db().query(QStringLiteral("SELECT idos, numeos FROM os WHERE idds=? ORDER BY numeos"),
                                         {ctx_.subunitate.idds});
    subunit_->addItem(QString(), 0);
    for (int r = 0; r < rs.count(); ++r) {
        const int idos = int(rs.integer(r, QStringLiteral("idos")));
        allSubunits_ << idos;
        subunit_->addItem(rs.text(r, QStringLiteral("numeos")), idos);
    }
}

void Aprobare::fillYears()
{
    QStringList marks;
    QVariantList params;
    for (int idos : std::as_const(allSubunits_))
        marks << QStringLiteral("?"), params << idos;
    QStringList years;
    if (!marks.isEmpty()) {
        const ResultSet rs = ctx_.db().query(QStringLiteral("SELECT DISTINCT substr(datainc2,1,4) AS an FROM program"
                                                            " WHERE length(datainc2)=8 AND idos IN (")
                                                 + marks.join(QLatin1Char(',')) + QStringLiteral(") ORDER BY an"),
                                             params);
        for (int r = 0; r < rs.count(); ++r)
            years << rs.text(r, QStringLiteral("an"));
    }
    const QString current = QString::number(ctx_.clock.today().year());
    anul_->addItems(years.isEmpty() ? QStringList{current} : years);
    // The current year when it has items; else the latest that has.
    const int at = anul_->findText(current);
    anul_->setCurrentIndex(at >= 0 ? at : anul_->count() - 1);
}

int Aprobare::selectedYear() const { return anul_->currentText().toInt(); }

QVector<int> Aprobare::subunitsShown() const
{
    const int idos = subunit_->currentData().toInt();
    return idos > 0 ? QVector<int>{idos} : allSubunits_;
}

void Aprobare::refreshPurchases()
{
    // The row chosen stays chosen when it is still listed.
    const QModelIndex was = grid1_->currentIndex();
    const QString wasKey = was.isValid() && was.row() < shownPurchases_.size()
        ? purchases_.list().at(shownPurchases_.at(was.row())).key
        : QString();
    const int idos = subunit_->currentData().toInt();
    QVector<QVector<QVariant>> rows;
    shownPurchases_.clear();
    try {
        BusyCursor busy;
        // The thresholds count every sub-unit of the directorate, whichever is shown.
        purchases_ = allSubunits_.isEmpty() ? Purchases()
                                            : Purchases(ctx_.db(), selectedYear(), Scope::directorate(allSubunits_));
        const QVector<Purchase> &list = purchases_.list();
        for (int i = 0; i < list.size(); ++i) {
            const Purchase &p = list.at(i);
            if (idos > 0 && !p.subunits.contains(idos))
                continue;
            if (neaprob_->isChecked() && p.approved >= p.items)
                continue;
            // A work is one sub-unit's: its name tells two works of the same details apart.
            const LevelCode *named = levelCodeOf(levelCodes_, p);
            const QString den = p.unit == PurchaseUnit::Work
                ? subunit_->itemText(subunit_->findData(p.subunits.value(0)))
                : (named ? named->den : QString());
            shownPurchases_ << i;
            rows.append({p.label(), den, p.kind, p.items, p.approved, p.total, bandText(p.band),
                         int(p.subunits.size()), p.key});
        }
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
    purchasesModel_->setRows(ResultSet({QStringLiteral("eticheta"), QStringLiteral("den"), QStringLiteral("tip"),
                                        QStringLiteral("pozitii"), QStringLiteral("aprobate"), QStringLiteral("total"),
                                        QStringLiteral("procedura"), QStringLiteral("subunitati"),
                                        QStringLiteral("cheie")},
                                       rows));
    int row = 0;
    for (int r = 0; r < shownPurchases_.size(); ++r)
        if (purchases_.list().at(shownPurchases_.at(r)).key == wasKey)
            row = r;
    if (purchasesModel_->rowCount() > 0) {
        // Its items are listed once, below, not also by the row change.
        const QSignalBlocker quiet(grid1_->selectionModel());
        grid1_->setCurrentIndex(purchasesModel_->index(row, 0));
        grid1_->selectRow(row);
    }
    showItems();
}

const Purchase *Aprobare::currentPurchase() const
{
    const int row = grid1_->currentIndex().row();
    if (row < 0 || row >= shownPurchases_.size())
        return nullptr;
    return &purchases_.list().at(shownPurchases_.at(row));
}

void Aprobare::showItems()
{
    const Purchase *p = currentPurchase();
    QStringList ids;
    if (p)
        for (qint64 idp : p->idps)
            ids << QString::number(idp);   // numbers of the program's own reading, never typed text
    if (ids.isEmpty())
        ids << QStringLiteral("0");
    const int idos = subunit_->currentData().toInt();
    itemsModel_->setQuery(
        QStringLiteral("SELECT program.idp, program.uid, program.idos, program.versiune, os.numeos, cpv.cod, cpv.den,"
                       " program.detal, program.fond, program.proiect, program.lei, program.euro, program.datainc1,"
                       " program.datafin1, program.proced, program.anunt, program.modalitate,"
                       " (SELECT max(a.moment) FROM aprobari a WHERE a.uid=program.uid) AS aprobat"
                       " FROM program JOIN cpv ON cpv.id=program.id LEFT JOIN os ON os.idos=program.idos"
                       " WHERE program.idp IN (")
            + ids.join(QLatin1Char(','))
            + (idos > 0 ? QStringLiteral(") AND program.idos=") + QString::number(idos) : QStringLiteral(")"))
            + QStringLiteral(" ORDER BY os.numeos, cpv.cod, program.idp"));
    try {
        itemsModel_->refresh();
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

bool Aprobare::checkCell(int row, int column, QVariant &value)
{
    const QString field = itemsModel_->gridColumns().at(column).column;
    QString text = value.toString().trimmed();
    if (field == QLatin1String("proced")) {
        if (!text.isEmpty()) {
            QString known;
            for (const QString &p : kProcedures)
                if (p.compare(text, Qt::CaseInsensitive) == 0)
                    known = p;
            if (known.isEmpty()) {
                ctx_.messages.show(this, QStringLiteral(" Procedura necunoscuta "));
                return false;
            }
            text = known;
            const Purchase *p = purchases_.of(itemsModel_->value(row, QStringLiteral("idp")).toLongLong());
            if (p && lighterThanBand(text, bandText(p->band))
                && !ctx_.messages.ask(this, QStringLiteral(" Procedura aleasa este mai usoara decat cea indicata de prag (")
                                                + bandText(p->band) + QStringLiteral("). Continuati ? ")))
                return false;
            // A procedure set for the first time goes online unless the directorate says otherwise.
            if (itemsModel_->value(row, QStringLiteral("proced")).toString().trimmed().isEmpty()
                && itemsModel_->value(row, QStringLiteral("modalitate")).toString().trimmed().isEmpty()) {
                for (int c = 0; c < itemsModel_->gridColumns().size(); ++c)
                    if (itemsModel_->gridColumns().at(c).column == QLatin1String("modalitate"))
                        itemsModel_->setCell(row, c, QStringLiteral("online"));
            }
        }
    } else if (field == QLatin1String("modalitate")) {
        text = text.toLower();
        if (text != QLatin1String("online") && text != QLatin1String("offline")
            && !(text.isEmpty() && itemsModel_->value(row, QStringLiteral("proced")).toString().trimmed().isEmpty())) {
            ctx_.messages.show(this, QStringLiteral(" Modalitatea poate fi online sau offline "));
            return false;
        }
    }
    value = text;
    return true;
}

PgConnection *Aprobare::server()
{
    if (!serverTried_) {
        serverTried_ = true;
        // No server set: the approvals stay in the file until RETURNARE carries them.
        if (loadServerSettings(ctx_.db()).configured())
            pg_ = connectToConfiguredServer(ctx_, this);
    }
    return pg_.get();
}

bool Aprobare::writeItem(int row, const QStringList &columns, const QVariantList &values)
{
    const qint64 idp = itemsModel_->value(row, QStringLiteral("idp")).toLongLong();
    Database &db = ctx_.db();
    const ResultSet before = db.query(
        QStringLiteral("SELECT uid, idos, versiune, proced, anunt, modalitate FROM program WHERE idp=?"), {idp});
    if (before.isEmpty())
        return false;
    QHash<QString, QString> now{{QStringLiteral("proced"), before.text(0, QStringLiteral("proced"))},
                                {QStringLiteral("anunt"), before.text(0, QStringLiteral("anunt"))},
                                {QStringLiteral("modalitate"), before.text(0, QStringLiteral("modalitate"))}};
    for (int i = 0; i < columns.size(); ++i)
        now.insert(columns.at(i), values.at(i).toString());
    const QString moment = ctx_.clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QString uid = before.text(0, QStringLiteral("uid"));

    if (PgConnection *pg = server()) {
        try {
            writeApproval(*pg, {uid, before.integer(0, QStringLiteral("versiune")), now.value(QStringLiteral("proced")),
                                now.value(QStringLiteral("anunt")), now.value(QStringLiteral("modalitate")), moment});
        } catch (const ServerError &e) {
            showServerError(ctx_, this, e);
            if (e.fault() == ServerFault::Moved)
                return false;   // the sub-unit's newer item decides: taken in again first
            // Unreachable now: kept here, carried by RETURNARE > Pe server.
            pg_.reset();
        }
    }
    Transaction tx(db);
    db.exec(QStringLiteral("UPDATE program SET proced=?, anunt=?, modalitate=? WHERE idp=?"),
            {now.value(QStringLiteral("proced")), now.value(QStringLiteral("anunt")), now.value(QStringLiteral("modalitate")),
             idp});
    db.exec(QStringLiteral("INSERT INTO aprobari (uid,idos,moment,procedvechi,proced,anunt,modalitate) VALUES(?,?,?,?,?,?,?)"),
            {uid, before.value(0, QStringLiteral("idos")), moment, before.text(0, QStringLiteral("proced")),
             now.value(QStringLiteral("proced")), now.value(QStringLiteral("anunt")), now.value(QStringLiteral("modalitate"))});
    tx.commit();

    itemsModel_->setShown(row, QStringLiteral("aprobat"), moment);
    const bool was = !before.text(0, QStringLiteral("proced")).trimmed().isEmpty();
    const bool is = !now.value(QStringLiteral("proced")).trimmed().isEmpty();
    const int at = grid1_->currentIndex().row();
    if (was != is && at >= 0)
        purchasesModel_->setShown(at, QStringLiteral("aprobate"),
                                  purchasesModel_->value(at, QStringLiteral("aprobate")).toInt() + (is ? 1 : -1));
    return true;
}

void Aprobare::approveGroup()
{
    const Purchase *p = currentPurchase();
    if (!p)
        return;
    const QString proced = storedProcedure(p->band);
    if (proced.isEmpty()) {
        ctx_.messages.show(this, QStringLiteral(" Pentru aceasta achizitie nu exista praguri in vigoare. "));
        return;
    }
    QVector<int> pending;
    for (int r = 0; r < itemsModel_->rowCount(); ++r)
        if (itemsModel_->value(r, QStringLiteral("proced")).toString().trimmed().isEmpty())
            pending << r;
    if (pending.isEmpty()) {
        ctx_.messages.show(this, QStringLiteral(" Toate pozitiile acestei achizitii sunt aprobate. "));
        return;
    }
    if (!ctx_.messages.ask(this, QStringLiteral(" Se aproba %1 pozitii cu procedura %2. Continuati ? ")
                                     .arg(pending.size())
                                     .arg(proced)))
        return;
    Database &db = ctx_.db();
    const QString moment = ctx_.clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    int moved = 0;
    try {
        BusyCursor busy;
        // Each item as it will be stored: its mode kept, "online" where it has none.
        struct Change {
            int row;
            QString modalitate;
        };
        QVector<Change> written;
        PgConnection *pg = server();
        // The server first, item by item (each against its own version); then the file, in one transaction.
        for (int r : std::as_const(pending)) {
            const QString mode = itemsModel_->value(r, QStringLiteral("modalitate")).toString();
            const Change c{r, mode.trimmed().isEmpty() ? QStringLiteral("online") : mode};
            if (pg) {
                try {
                    writeApproval(*pg, {itemsModel_->value(r, QStringLiteral("uid")).toString(),
                                        itemsModel_->value(r, QStringLiteral("versiune")).toLongLong(), proced,
                                        itemsModel_->value(r, QStringLiteral("anunt")).toString(), c.modalitate, moment});
                } catch (const ServerError &e) {
                    if (e.fault() == ServerFault::Moved) {
                        ++moved;
                        continue;
                    }
                    showServerError(ctx_, this, e);
                    pg_.reset();
                    pg = nullptr;
                }
            }
            written << c;
        }
        Transaction tx(db);
        for (const Change &c : std::as_const(written)) {
            db.exec(QStringLiteral("UPDATE program SET proced=?, modalitate=? WHERE idp=?"),
                    {proced, c.modalitate, itemsModel_->value(c.row, QStringLiteral("idp"))});
            db.exec(QStringLiteral("INSERT INTO aprobari (uid,idos,moment,procedvechi,proced,anunt,modalitate)"
                                   " VALUES(?,?,?,'',?,?,?)"),
                    {itemsModel_->value(c.row, QStringLiteral("uid")), itemsModel_->value(c.row, QStringLiteral("idos")),
                     moment, proced, itemsModel_->value(c.row, QStringLiteral("anunt")), c.modalitate});
        }
        tx.commit();
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
    if (moved > 0)
        ctx_.messages.show(this, QStringLiteral(" %1 pozitii au fost modificate de subunitate intre timp si nu au fost"
                                                " aprobate. Preluati din nou. ")
                                     .arg(moved));
    refreshPurchases();
}

void Aprobare::printProgramme()
{
    const int year = selectedYear();
    PaapDate dialog(ctx_, year, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const PaapApproval approval = dialog.approval();
    ResultSet rows;
    QString headTitle, head;
    try {
        BusyCursor busy;
        rows = legalProgrammeRows(ctx_.db(), year, allSubunits_);
        const ResultSet s = ctx_.db().query(QStringLiteral("SELECT functiesef, sef FROM setare WHERE numeos<>''"));
        if (!s.isEmpty()) {
            headTitle = s.text(0, QStringLiteral("functiesef"));
            head = s.text(0, QStringLiteral("sef"));
        }
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
        return;
    }
    rappaap_->setReportFile(QDir(ctx_.cale).filePath(QStringLiteral("rappaap.rpt")));
    rappaap_->setDataFile(0, workingFilePath(ctx_.cale));
    rappaap_->setConnect(QStringLiteral(";PWD=") + QLatin1String(kDatabasePassword));
    rappaap_->setFormula(0, QStringLiteral("titlu='PROGRAMUL ANUAL AL ACHIZITIILOR PUBLICE PE ANUL %1'").arg(year));
    rappaap_->setFormula(1, QStringLiteral("crit='") + paapVersionLine(approval) + QLatin1Char('\''));
    rappaap_->setRows(rows);
    rappaap_->setApproval(paapApprovalLines(approval, headTitle, head));
    rappaap_->setAction(1, this);
}

} // namespace tendro
