#include "realiz.h"
#include "entrygrid.h"
#include "totals.h"
#include "reports/engine.h"
#include "reports/formula.h"
#include "services/context.h"
#include "services/fields.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/dates.h"
#include "store/numbers.h"
#include "store/querymodel.h"
#include "store/schema.h"
#include "thresholds/legalsql.h"
#include "thresholds/purchases.h"

#include <algorithm>
#include <QClipboard>
#include <QColor>
#include <QComboBox>
#include <QGuiApplication>
#include <QDir>
#include <QMenu>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace tendro {

namespace {

// Upper grid columns as the handlers read them.
enum { PCod = 0, PDen, PProced, PResp, PDetal, PIdp, PId, PLei, PRealiz, PProiect, PFond };
// The lower grid's hidden identity columns, after the entry columns.
enum { EUid = EColumnCount, EUidp };

const char *const kUnattributedTip = " Realizare neatribuita: alegeti pozitia careia ii apartine ";

QVariant typedValue(int column, const QString &text)
{
    switch (column) {
    case ELei: return text.isEmpty() ? QVariant() : QVariant(readAmount(text, true).value_or(0));
    case EId:
    case EIdos: return text.isEmpty() ? QVariant() : QVariant(wholeNumber(leadingNumber(text)));
    default: return text;
    }
}

} // namespace

Realiz::Realiz(AppContext &ctx, QWidget *parent) : QDialog(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("realiz"));
    setWindowTitle(QStringLiteral("Achizitii de produse, servicii, lucrari"));
    build();
    load();
}

void Realiz::build()
{
    auto *lay = new QVBoxLayout(this);
    auto *top = new QHBoxLayout();
    anul_ = named(new QListWidget(this), "anul");
    anul_->setFixedSize(90, 64);
    anul_->setToolTip(QStringLiteral("Click dreapta pentru a copia datele din anii anteriori in anul curent, selectind "
                                     "anul ce se vrea copiat"));
    auto *frame1 = named(new QGroupBox(QStringLiteral("Achizitia de"), this), "Frame1");
    prod_ = named(new QRadioButton(QStringLiteral("produse"), frame1), "prod");
    serv_ = named(new QRadioButton(QStringLiteral("servicii"), frame1), "serv");
    lucr_ = named(new QRadioButton(QStringLiteral("lucrari"), frame1), "lucr");
    auto *kinds = new QHBoxLayout(frame1);
    kinds->addWidget(prod_);
    kinds->addWidget(serv_);
    kinds->addWidget(lucr_);
    proiect_ = named(new QComboBox(this), "proiect");
    proiect_->setMinimumWidth(260);
    top->addWidget(new QLabel(QStringLiteral("Anul"), this));
    top->addWidget(anul_);
    top->addWidget(frame1);
    top->addWidget(new QLabel(QStringLiteral("Denumire proiect"), this));
    top->addWidget(proiect_, 1);
    lay->addLayout(top);

    auto *caption1 = named(new QLabel(QStringLiteral("PROGRAM APROBAT"), this), "DataGrid1Caption");
    QFont bold = caption1->font();
    bold.setBold(true);
    caption1->setFont(bold);
    grid1_ = named(new QTableView(this), "DataGrid1");
    grid1_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid1_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    caption2_ = named(new QLabel(this), "DataGrid2Caption");
    caption2_->setFont(bold);
    grid2_ = named(new EntryGrid(this), "DataGrid2");
    grid2_->storeRow = [this](int row) { return storeRow(row); };
    grid2_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                            | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    for (QTableView *g : {grid1_, static_cast<QTableView *>(grid2_)})
        g->verticalHeader()->setDefaultSectionSize(22);
    lay->addWidget(caption1);
    lay->addWidget(grid1_, 3);
    lay->addWidget(caption2_);
    lay->addWidget(grid2_, 2);
    // What "Suma" finds over the direct-purchase threshold, in red.
    labelPrag_ = named(new QLabel(this), "LabelPrag");
    labelPrag_->setStyleSheet(QStringLiteral("color: red;"));
    labelPrag_->setWordWrap(true);
    lay->addWidget(labelPrag_);

    command3_ = named(new QPushButton(QStringLiteral("Suma"), this), "Command3");
    command2_ = named(new QPushButton(QStringLiteral("Raport"), this), "Command2");
    command1_ = named(new QPushButton(QStringLiteral("Iesire"), this), "Command1");
    auto *buttons = new QHBoxLayout();
    buttons->addStretch(1);
    for (QPushButton *b : {command3_, command2_, command1_}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    lay->addLayout(buttons);
    resize(1010, 720);

    raprealiz_ = named(new ReportJob(ctx_.messages, ctx_.clock, this), "raprealiz");

    try {
        Database &db = ctx_.db();
        // Amounts show as the reports print them, 9 digits with their groups and the cents, in the grid's own font.
        const int money = amountWidth(grid1_, 9, true);
        model1_ = new QueryTableModel(db,
                                      {{QStringLiteral("CPV"), QStringLiteral("cod"), false, false, 0, 95},
                                       {QStringLiteral("Denumire"), QStringLiteral("den"), false, false, 0, 190},
                                       {QStringLiteral("Procedura"), QStringLiteral("proced"), false, false, 0,
                                        grid1_->fontMetrics().horizontalAdvance(QStringLiteral("negociere fara public.")) + 12},
                                       {QStringLiteral("Responsabil"), QStringLiteral("resp"), false, false, 0, 120},
                                       {QStringLiteral("Detalii"), QStringLiteral("detal"), false, false, 0, 150},
                                       {QStringLiteral("idp"), QStringLiteral("idp"), false, true},
                                       {QStringLiteral("id"), QStringLiteral("id"), false, true},
                                       {QStringLiteral("Program (lei)"), QStringLiteral("lei"), false, false, 0, money,
                                        GridColumn::Lei},
                                       {QStringLiteral("Realizat (lei)"), QStringLiteral("realiz"), false, false, 0, money,
                                        GridColumn::Money},
                                       {QStringLiteral("proiect"), QStringLiteral("proiect"), false, false, 0, 110},
                                       {QStringLiteral("Sursa"), QStringLiteral("fond"), false, false, 0, 90}},
                                      this);
        model1_->setObjectName(QStringLiteral("Adodc1"));
        bindGrid(grid1_, model1_);
        markLighterProcedures(model1_, db);

        const auto user = [](const char *caption, const char *column, int width) {
            return GridColumn{QLatin1String(caption), QLatin1String(column), true, false, 0, width};
        };
        const auto filled = [](const char *caption, const char *column) {
            return GridColumn{QLatin1String(caption), QLatin1String(column), true, true, 0, 0};
        };
        model2_ = new QueryTableModel(db,
                                      {user("Nr.contract", "contrnr", 80), user("Data contract (zz.ll.aaaa)", "contrdata1", 95),
                                       filled("contrdata2", "contrdata2"), user("Furnizor", "furniz", 150),
                                       user("Denumire produse/servicii/lucrari", "denumach", 190),
                                       user("Nr.act (factura/bon fiscal)", "actnr", 95),
                                       user("Data act (zz.ll.aaaa)", "actdata1", 95),
                                       GridColumn{QStringLiteral("Valoare (lei)"), QStringLiteral("lei"), true, false, 0, money,
                                                  GridColumn::Money},
                                       filled("actdata2", "actdata2"), filled("id", "id"), filled("idos", "idos"),
                                       user("Referat nr./data", "refer", 120), filled("proiect", "proiect"),
                                       filled("uid", "uid"), filled("uidp", "uidp")},
                                      this);
        model2_->setObjectName(QStringLiteral("Adodc2"));
        model2_->setWriteBack(QStringLiteral("realiz"), QStringLiteral("idr"));
        model2_->setAppendRow(true);
        model2_->setReopenRefused(true);
        model2_->setCellCheck([this](int row, int column, QVariant &value) { return checkCell(row, column, value); });
        model2_->setRowCheck([this](int row) { return checkRow(row); });
        model2_->setErrorHandler([this](const DbError &e) { ctx_.messages.engineError(this, e); });
        // A realization that names no item shows grey under each item it may belong to.
        model2_->setRowHint([this](int row, int role) -> QVariant {
            if (model2_->value(row, QStringLiteral("atribuit")).toLongLong() != 0)
                return {};
            if (role == Qt::ForegroundRole)
                return QColor(Qt::gray);
            if (role == Qt::ToolTipRole)
                return QLatin1String(kUnattributedTip);
            return {};
        });
        bindGrid(grid2_, model2_);
        grid2_->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(grid2_, &QWidget::customContextMenuRequested, this, &Realiz::entryMenu);
        grid2_->horizontalHeader()->setDefaultAlignment(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter) | Qt::Alignment(int(Qt::TextWordWrap)));
        grid2_->horizontalHeader()->setMinimumHeight(46);
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }

    onEveryClick(anul_, [this](int) { yearChosen(); });
    for (QRadioButton *k : {prod_, serv_, lucr_})
        connect(k, &QRadioButton::clicked, this, [this, k] {
            if (k->isChecked())
                kindChosen();
        });
    proiect_->installEventFilter(this);
    connect(proiect_, &QComboBox::activated, this, &Realiz::projectChosen);
    grid1_->viewport()->installEventFilter(this);
    grid1_->installEventFilter(this);
    grid2_->installEventFilter(this);
    // A header click sorts by the column's values; in the lower grid the row being typed is stored first.
    for (QTableView *g : {grid1_, static_cast<QTableView *>(grid2_)}) {
        QHeaderView *header = g->horizontalHeader();
        header->setSectionsClickable(true);
        // Not the view's own column selection: it moved the cursor into a stored row.
        disconnect(header, &QHeaderView::sectionPressed, g, nullptr);
        disconnect(header, &QHeaderView::sectionEntered, g, nullptr);
        connect(header, &QHeaderView::sectionClicked, this, [this, g](int column) { headerClicked(g, column); });
    }
    // The keyboard reaches every button: Alt+S "Suma", Alt+R "Raport", Alt+I "Iesire".
    command3_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_S));
    command2_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_R));
    command1_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_I));
    connect(command3_, &QPushButton::clicked, this, &Realiz::sum);
    connect(command2_, &QPushButton::clicked, this, &Realiz::report);
    connect(command1_, &QPushButton::clicked, this, &Realiz::leave);
}

void Realiz::load()
{
    ctx_.platform.removeCloseCommand(this);
    const QDate today = ctx_.clock.today();
    const int first = today.month() > 11 ? today.year() + 1 : today.year();
    {
        const QSignalBlocker quiet(anul_);
        for (int y = first; y >= 2015; --y)
            anul_->addItem(QString::number(y));
    }
    anul_->setCurrentRow(0);
    idsel_ = 0;
    proiectsel_.clear();
}

void Realiz::showProgramme(const QString &sql, const QVariantList &params)
{
    if (!model1_)
        return;
    model1_->setQuery(sql, params);
    try {
        model1_->refresh();
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

void Realiz::yearChosen()
{
    if (!storeEntries()) {
        // The year shown stays the chosen one.
        const QList<QListWidgetItem *> shown = anul_->findItems(datamin_.left(4), Qt::MatchExactly);
        QTimer::singleShot(0, this, [this, shown] {
            const QSignalBlocker quiet(anul_);
            if (!shown.isEmpty())
                anul_->setCurrentItem(shown.first());
        });
        return;
    }
    labelPrag_->clear();   // it spoke of the year left
    const YearBounds b = yearBounds(anul_->currentItem() ? anul_->currentItem()->text() : QString());
    datamin_ = b.lower;
    datamax_ = b.upper;
    proiect_->clear();
    clearOptions({prod_, serv_, lucr_});
    // Realizations typed now belong to an item of this year, chosen anew.
    forgetItem();
    showFiltered(false);   // every approved item of the year
}

void Realiz::kindChosen()
{
    if (!storeEntries()) {
        showFilterControls();
        return;
    }
    showFiltered(false);
}

void Realiz::showFilterControls()
{
    const QSignalBlocker quiet(proiect_);
    proiect_->setCurrentIndex(proiect_->findText(shownProject_));
    if (shownKind_ == 0)
        clearOptions({prod_, serv_, lucr_});
    else
        QList<QRadioButton *>{prod_, serv_, lucr_}.at(shownKind_ - 1)->setChecked(true);
}

void Realiz::forgetItem()
{
    idsel_ = 0;
    proiectsel_.clear();
    uidsel_.clear();
    caption2_->clear();
    showEntries();
}

void Realiz::showFiltered(bool ownItems)
{
    QString sql = QStringLiteral("SELECT * FROM cpv,program WHERE cpv.id=program.id and program.datainc2>=? and "
                                 "program.datainc2<=?");
    QVariantList params{datamin_, datamax_};
    if (!proiect_->currentText().isEmpty()) {
        sql += QStringLiteral(" and program.proiect=?");
        params << proiect_->currentText();
    }
    shownProject_ = proiect_->currentText();
    shownKind_ = prod_->isChecked() ? 1 : serv_->isChecked() ? 2 : lucr_->isChecked() ? 3 : 0;
    if (shownKind_)
        sql += QStringLiteral(" and cpv.fel=%1").arg(shownKind_);
    sql += QStringLiteral(" and program.proced<>''");
    if (ownItems) {
        sql += QStringLiteral(" and program.idos=?");
        params << ctx_.subunitate.idos;
    }
    showProgramme(sql + QStringLiteral(" ORDER BY program.idp"), params);
    // The realizations below belong to an item listed above, or to none.
    if (idsel_ == 0 || !model1_)
        return;
    for (int r = 0; r < model1_->rowCount(); ++r)
        if (model1_->value(r, QStringLiteral("uid")).toString() == uidsel_)
            return;
    forgetItem();
}

void Realiz::rebuildProjects()
{
    try {
        const ResultSet rs = ctx_.db().query(QStringLiteral("SELECT DISTINCT proiect FROM program WHERE datainc2>=? and"
                                                            " datainc2<=? and proiect<>'' and idos=?"),
                                             {datamin_, datamax_, ctx_.subunitate.idos});
        const QSignalBlocker quiet(proiect_);
        const QString chosen = proiect_->currentText();
        proiect_->clear();
        proiect_->addItem(QString());   // all projects
        for (int r = 0; r < rs.count(); ++r)
            proiect_->addItem(rs.text(r, QStringLiteral("proiect")));
        proiect_->setCurrentIndex(proiect_->findText(chosen));
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

void Realiz::projectChosen()
{
    if (!storeEntries()) {
        showFilterControls();
        return;
    }
    showFiltered(false);
}

void Realiz::itemChosen(int row)
{
    if (!storeEntries())
        return;
    if (!model1_ || row < 0 || row >= model1_->rowCount()) {
        ctx_.messages.show(this, QStringLiteral(" Nu aveti program aprobat la care sa adaugati realizari ! "));
        return;
    }
    idsel_ = wholeNumber(leadingNumber(model1_->text(row, PId)));
    proiectsel_ = model1_->text(row, PProiect);
    uidsel_ = model1_->value(row, QStringLiteral("uid")).toString();
    showEntries();
    caption2_->setText(QStringLiteral("Realizari la codul CPV : ") + model1_->text(row, PCod) + QStringLiteral(" - ")
                       + model1_->text(row, PDen) + QStringLiteral(" - ") + model1_->text(row, PProced)
                       + QStringLiteral(" - ") + model1_->text(row, PResp) + QStringLiteral(" - ")
                       + model1_->text(row, PDetal));
    // Typing starts in the first cell of the new row.
    grid2_->startNewRow();
    grid2_->setFocus(Qt::OtherFocusReason);
}

void Realiz::showEntries()
{
    if (!model2_)
        return;
    // Only this item's own rows, those that name it; and, marked, those that
    // name no item but whose entry, sub-unit and project are this item's.
    const QString attributed = QStringLiteral(",(CASE WHEN ") + QLatin1String(kUnattributedSql)
        + QStringLiteral(" THEN 0 ELSE 1 END) AS atribuit FROM realiz WHERE ");
    if (idsel_ == 0)
        model2_->setQuery(QStringLiteral("SELECT *") + attributed + QStringLiteral("id=-1"));
    else
        model2_->setQuery(QStringLiteral("SELECT *") + attributed + QStringLiteral("actdata2>=? and actdata2<=? and (uidp=? or (")
                              + QLatin1String(kUnattributedSql) + QStringLiteral(" and ") + QLatin1String(kOldTieSql)
                              + QStringLiteral(")) ORDER BY realiz.idr"),
                          {datamin_, datamax_, uidsel_, idsel_, ctx_.subunitate.idos, proiectsel_});
    try {
        model2_->refresh();
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

EntryContext Realiz::entryContext() const
{
    // The year shown, also while a click on another year waits for the pending row.
    return {idsel_, datamin_.left(4)};
}

QStringList Realiz::rowTexts(int row) const
{
    QStringList out;
    for (int c = 0; c < EColumnCount; ++c)
        out << model2_->text(row, c);
    return out;
}

bool Realiz::checkCell(int row, int column, QVariant &value)
{
    QStringList texts = rowTexts(row);
    const QStringList before = texts;
    const QString refusal = checkEntryCell(texts, column, value.toString(), entryContext());
    if (!refusal.isEmpty()) {
        ctx_.messages.show(this, refusal);
        return false;
    }
    for (int c = 0; c < EColumnCount; ++c)
        if (c != column && texts.at(c) != before.at(c))
            model2_->setCell(row, c, typedValue(c, texts.at(c)));
    value = typedValue(column, texts.at(column));
    return true;
}

bool Realiz::checkRow(int row)
{
    const QString refusal = checkEntryRow(rowTexts(row), &refusedColumn_);
    if (!refusal.isEmpty()) {
        ctx_.messages.show(this, refusal);
        return false;
    }
    // A new row belongs to the chosen item; a stored one keeps its own.
    if (model2_->isAppendRow(row)) {
        model2_->setCell(row, EId, idsel_);
        model2_->setCell(row, EIdos, ctx_.subunitate.idos);
        // " " marks a realization without project, as older files have it.
        model2_->setCell(row, EProiect, proiectsel_.isEmpty() ? QStringLiteral(" ") : proiectsel_);
        // Its own identity, and its item's: the totals go by it.
        model2_->setCell(row, EUid, newUid());
        model2_->setCell(row, EUidp, uidsel_);
    }
    return true;
}

bool Realiz::storeRow(int row)
{
    refusedColumn_ = -1;
    if (model2_->submitRow(row))
        return true;
    if (refusedColumn_ >= 0 && row < model2_->rowCount())
        grid2_->setCurrentIndex(model2_->index(row, refusedColumn_));
    grid2_->setFocus(Qt::OtherFocusReason);
    return false;
}

bool Realiz::storeEntries()
{
    if (!model2_)
        return true;
    if (!grid2_->commitEditor() || model2_->refusedRow() >= 0)
        return false;
    const int row = grid2_->currentIndex().row();
    if (model2_->rowHasChanges(row) && !storeRow(row))
        return false;
    return model2_->submitAll();
}

void Realiz::deleteEntry(int row, int column)
{
    if (row < 0 || row >= model2_->rowCount())
        return;
    if (model2_->isAppendRow(row)) {
        // Delete on the row being typed empties the cell, with what it filled.
        model2_->setCell(row, column, typedValue(column, QString()));
        if (column == EContrdata1 || column == EActdata1)
            model2_->setCell(row, column == EContrdata1 ? EContrdata2 : EActdata2, QString());
        bool typed = false;
        for (int c = 0; c < EColumnCount; ++c)
            typed = typed || !model2_->text(row, c).isEmpty();
        if (!typed)
            model2_->revertRow(row);
        return;
    }
    if (!ctx_.messages.ask(this, QStringLiteral(" Doriti stergerea realizarii selectate ? ")))
        return;
    try {
        ctx_.db().exec(QStringLiteral("DELETE FROM realiz WHERE idr=?"), {model2_->value(row, QStringLiteral("idr"))});
        model2_->refresh();
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

bool Realiz::recompute()
{
    try {
        unattributed_ = recomputeTotals(ctx_.db(), datamin_, datamax_, ctx_.subunitate.idos);
        return true;
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
        return false;
    }
}

void Realiz::sum()
{
    if (!storeEntries() || !recompute())
        return;
    // Unlike the filters, this list keeps only the sub-unit's own items.
    showFiltered(true);
    // The direct purchases made, per purchase, against the direct-purchase threshold.
    QStringList over;
    try {
        const Purchases year(ctx_.db(), datamin_, datamax_, Scope::subunit(ctx_.subunitate.idos));
        for (const Purchase &p : year.list())
            if (const QString warning = realizedDirectWarning(p); !warning.isEmpty())
                over << warning;
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
    labelPrag_->setText(over.join(QLatin1Char('\n')));
    const QString loose = unattributedMessage(unattributed_);
    if (!loose.isEmpty())
        ctx_.messages.show(this, loose);
}

void Realiz::entryMenu(const QPoint &at)
{
    const QModelIndex index = grid2_->indexAt(at);
    if (!index.isValid() || model2_->isAppendRow(index.row()) || uidsel_.isEmpty()
        || model2_->value(index.row(), QStringLiteral("atribuit")).toLongLong() != 0)
        return;
    if (!storeEntries())
        return;
    const QVariant idr = model2_->value(index.row(), QStringLiteral("idr"));
    QMenu menu(this);
    QAction *attribute = menu.addAction(QStringLiteral("Atribuire la pozitia aleasa"));
    attribute->setObjectName(QStringLiteral("mnuatribuire"));
    if (menu.exec(grid2_->viewport()->mapToGlobal(at)) != attribute)
        return;
    try {
        ctx_.db().exec(QStringLiteral("UPDATE realiz SET uidp=? WHERE idr=?"), {uidsel_, idr});
        model2_->refresh();
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

void Realiz::report()
{
    if (!storeEntries())
        return;
    const bool over = ctx_.messages.ask(this, QStringLiteral(" Doriti afisarea doar a pozitiilor din program care au fost"
                                                             " depasite ? "));
    // The report prints the totals as they are now, never stale ones.
    if (!recompute())
        return;
    const QString year = anul_->currentItem() ? anul_->currentItem()->text() : QString();
    QString selection = QStringLiteral("{program.proced}<>'' and {program.datainc2}>='") + datamin_
        + QStringLiteral("' and {program.datainc2}<='") + datamax_ + QLatin1Char('\'');
    QString title = QStringLiteral("titlu='SITUATIA REALIZARILOR PE ANUL ") + year;
    if (over) {
        selection += QStringLiteral(" and {program.realiz}>{program.lei}");
        title += QStringLiteral(", CARE AU DEPASIT PROGRAMUL APROBAT");
    }
    raprealiz_->setReportFile(QDir(ctx_.cale).filePath(QStringLiteral("raprealiz.rpt")));
    raprealiz_->setDataFile(0, workingFilePath(ctx_.cale));
    raprealiz_->setConnect(QStringLiteral(";PWD=") + QLatin1String(kDatabasePassword));
    raprealiz_->setSelectionFormula(forSubunit(selection, ctx_.subunitate.idos));
    raprealiz_->setFormula(0, title + QLatin1Char('\''));
    // What counts under no item is said under the total, so the total is never mistaken for all that was spent.
    raprealiz_->setNote(unattributedLine(unattributed_));
    raprealiz_->setAction(1, this);
}

void Realiz::headerClicked(QTableView *grid, int column)
{
    QueryTableModel *model = grid == grid1_ ? model1_ : model2_;
    if (!model || (grid == grid2_ && !storeEntries()))
        return;
    // A second click on the same column turns the order round.
    Qt::SortOrder &order = grid == grid1_ ? order1_ : order2_;
    int &last = grid == grid1_ ? sorted1_ : sorted2_;
    order = last == column && order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    last = column;
    const bool onNewRow = grid == grid2_ && model->isAppendRow(grid->currentIndex().row());
    model->sort(column, order);
    // The cursor never lands in a stored row by a sort: the row being typed stays where it is, the last.
    if (onNewRow || grid == grid2_)
        grid2_->startNewRow();
}

void Realiz::leave()
{
    if (!storeEntries())
        return;
    recompute();
    accept();
}

bool Realiz::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == grid1_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const int at = grid1_->indexAt(static_cast<QMouseEvent *>(event)->position().toPoint()).row();
        itemChosen(at >= 0 ? at : grid1_->currentIndex().row());
        return true;
    }
    if (watched == grid1_ && event->type() == QEvent::KeyPress) {
        // Return or Space on the current item chooses it, as a double-click does.
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            itemChosen(grid1_->currentIndex().row());
            return true;
        }
    }
    if (watched == proiect_ && event->type() == QEvent::FocusIn) {
        // Back from its own list or from another window, the list is the one just chosen from.
        const Qt::FocusReason why = static_cast<QFocusEvent *>(event)->reason();
        if (why != Qt::PopupFocusReason && why != Qt::ActiveWindowFocusReason)
            rebuildProjects();
    }
    if (watched == grid2_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const int row = grid2_->currentIndex().row();
        if (key == Qt::Key_Delete) {
            deleteEntry(row, grid2_->currentIndex().column());
            return true;
        }
        if (key == Qt::Key_Escape) {
            // Escape drops the row's unsaved changes; on the row being typed the cursor goes back to its start.
            model2_->revertRow(row);
            if (model2_->isAppendRow(row))
                grid2_->startNewRow();
            return true;
        }
        const auto *ke = static_cast<QKeyEvent *>(event);
        if (ke->matches(QKeySequence::Paste) && grid2_->currentIndex().isValid()) {
            // Pasted into a closed cell as if typed there, with the cell's check.
            const QString text = QGuiApplication::clipboard()->text().trimmed();
            if (!text.isEmpty() && (model2_->flags(grid2_->currentIndex()) & Qt::ItemIsEditable))
                model2_->setData(grid2_->currentIndex(), text);
            return true;
        }
        if (key == Qt::Key_Tab && (ke->modifiers() & Qt::ControlModifier)) {
            // Ctrl+Tab leaves the realizations for the approved programme, the row typed stored first.
            if (storeEntries())
                grid1_->setFocus(Qt::TabFocusReason);
            return true;
        }
        if (key == Qt::Key_Down && model2_->isAppendRow(row)) {
            // Down from the new row at the end stores it, from its open cell
            // too; the next new row follows.
            const int column = grid2_->currentIndex().column();
            if (grid2_->commitEditor() && model2_->rowHasChanges(row) && storeRow(row))
                grid2_->setCurrentIndex(model2_->index(model2_->rowCount() - 1, column));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tendro
