// The programme grid: the year's items, sorting by a header click, a row
// loaded into the editor by a double-click, edits in place and deletion.

#include "itemstore.h"
#include "liste.h"
#include "catalogue/browser.h"
#include "services/context.h"
#include "store/database.h"
#include "store/numbers.h"
#include "store/querymodel.h"
#include "store/shownmodel.h"

#include <QComboBox>
#include <cmath>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolTip>

namespace tendro {

namespace {

// Grid columns by index, as the handlers read them.
enum Col { CCod = 0, CDen, CActivit, CFond, CLei, CProced, CInc, CFin, CResp, CDetal, CIdp, CFel, CRealiz, CProiect, CIndicated };

QString deletionQuestion(const QString &cod, const QString &lei)
{
    return QStringLiteral(" Sigur doriti stergerea inregistrarii selectate ? ") + QLatin1Char('\n')
        + QStringLiteral(" Cod CPV : ") + cod + QStringLiteral(", LEI : ") + lei;
}

const char *const kDeletionTitle = "Confirmare stergere inregistrare selectata";

// Twips of the original layout, a little wider for today's fonts.
int px(int twips) { return twips / 12; }

} // namespace

void Liste::buildGrid(QWidget *host)
{
    gridCaption_ = new QLabel(host);
    gridCaption_->setObjectName(QStringLiteral("DataGrid1Caption"));
    QFont f = gridCaption_->font();
    f.setBold(true);
    gridCaption_->setFont(f);
    grid_ = new QTableView(host);
    grid_->setObjectName(QStringLiteral("DataGrid1"));
    grid_->setToolTip(QStringLiteral("DubluClick pe inregistrarea de modificat sau de sters"));
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    // A double-click loads the row into the editor; the three editable
    // cells open on a click in the selected row, on F2 or on typing.
    grid_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed
                           | QAbstractItemView::AnyKeyPressed);
    grid_->verticalHeader()->setDefaultSectionSize(22);
    auto *lay = static_cast<QGridLayout *>(host->layout());
    lay->addWidget(gridCaption_, 6, 0, 1, 4);
    lay->addWidget(grid_, 7, 0, 1, 4);
    lay->setRowStretch(7, 1);

    // The columns up to "Finalizare" show whole in a window of 1024 x 768:
    // their widths come from the grid's font, and the name column gives way
    // (a cut text shows whole in its tooltip).
    const QFontMetrics fm = grid_->fontMetrics();
    const auto fit = [&fm](const char *widest) { return fm.horizontalAdvance(QLatin1String(widest)) + 9; };
    // The procedure the thresholds indicate is worked out per purchase, not read from the query.
    model_ = new ShownQueryModel(ctx_.db(),
                                 {{QStringLiteral("CPV"), QStringLiteral("cod"), false, false, 0, fit("00000000-0")},
                                  {QStringLiteral("0biectul contractului/acordului cadru"), QStringLiteral("den"), false,
                                   false, 0, fit("contractului/")},
                                  {QStringLiteral("Activitatea"), QStringLiteral("activit"), false, false, 0,
                                   fit("Activitatea")},
                                  {QStringLiteral("Sursa"), QStringLiteral("fond"), false, false, 0,
                                   fit("nerambursabile(UE)")},
                                  {QStringLiteral("LEI"), QStringLiteral("lei"), true, false, 11, amountWidth(grid_, 9, false),
                                   GridColumn::Lei},
                                  {QStringLiteral("Procedura"), QStringLiteral("proced"), false, false, 0,
                                   fit("negociere fara public.")},
                                  {QStringLiteral("Incepere"), QStringLiteral("datainc1"), false, false, 0, fit("00.00.0000")},
                                  {QStringLiteral("Finalizare"), QStringLiteral("datafin1"), false, false, 0,
                                   fit("00.00.0000")},
                                  {QStringLiteral("Responsabil"), QStringLiteral("resp"), true, false, 40, px(1515)},
                                  {QStringLiteral("Detalii"), QStringLiteral("detal"), true, false, 200, px(1515)},
                                  {QStringLiteral("idp"), QStringLiteral("idp"), false, true},
                                  {QStringLiteral("fel"), QStringLiteral("fel"), false, true},
                                  {QStringLiteral("Realiz.(lei)"), QStringLiteral("realiz"), false, false, 0,
                                   amountWidth(grid_, 9, true), GridColumn::Money},   // realized amounts carry cents
                                  {QStringLiteral("proiect"), QStringLiteral("proiect"), false, false, 0, px(1515)},
                                  {QStringLiteral("Procedura indicata"), QStringLiteral("procindicata"), false, false, 0,
                                   fit("procedura simplificata")}},
                                 this);
    model_->setObjectName(QStringLiteral("Adodc1"));
    model_->setWriteBack(QStringLiteral("program"), QStringLiteral("idp"));
    model_->setWriteAtOnce(true);
    model_->setCellCheck([this](int row, int column, QVariant &value) { return checkCellEdit(row, column, value); });
    model_->setErrorHandler([this](const DbError &e) { ctx_.messages.engineError(this, e); });
    connect(model_, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &tl) {
        if (tl.column() != CResp)
            afterCellEdit(tl.row());
        showEditedInEditor(tl.row(), tl.column());
    });
    bindGrid(grid_, model_);
    // The row numbers would take the width the dates need.
    grid_->verticalHeader()->hide();
    int through = 2 * grid_->frameWidth() + grid_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int c = 0; c <= CFin; ++c)
        through += model_->gridColumns().at(c).width;
    grid_->setMinimumWidth(through);
    // A long caption wraps; the header is as tall as its tallest caption.
    QHeaderView *header = grid_->horizontalHeader();
    header->setDefaultAlignment(Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    // A selected row would set every caption in bold, wider than its column.
    header->setHighlightSections(false);
    const QFontMetrics hfm = header->fontMetrics();
    const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    int tallest = hfm.height();
    for (const GridColumn &c : model_->gridColumns())
        if (!c.hidden && c.width > 0)
            tallest = qMax(tallest, hfm.boundingRect(QRect(0, 0, c.width - margin, 1000), Qt::TextWordWrap, c.caption)
                                        .height());
    header->setMinimumHeight(tallest + margin);
    grid_->viewport()->installEventFilter(this);
    // The indicated procedure stands beside the stored one.
    grid_->horizontalHeader()->moveSection(CIndicated, CProced + 1);
    grid_->horizontalHeader()->setSectionsClickable(true);
    grid_->horizontalHeader()->setSortIndicatorShown(false);
    connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this, &Liste::headerClicked);
    connect(grid_, &QTableView::doubleClicked, this, &Liste::rowDoubleClicked);
    connect(command3_, &QPushButton::clicked, this, &Liste::deleteLoaded);
    grid_->installEventFilter(this);
}

bool Liste::cutCellToolTip(const QPoint &at, const QPoint &globalAt)
{
    const QModelIndex index = grid_->indexAt(at);
    if (!index.isValid() || index.column() == CIndicated)
        return false;   // the indicated procedure's tooltip names its purchase
    const QString text = model_->text(index.row(), index.column());
    if (grid_->fontMetrics().horizontalAdvance(text) + 8 <= grid_->columnWidth(index.column()))
        return false;   // the grid's own tooltip
    QToolTip::showText(globalAt, text, grid_->viewport(), grid_->visualRect(index));
    return true;
}

void Liste::showQuery(const GridQuery &q)
{
    if (!model_)
        return;
    model_->setQuery(q.sql, q.params);
    try {
        model_->refresh();
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

QString Liste::projectForQuery() const
{
    return proiect_->currentText().trimmed().toUpper();
}

void Liste::selectGridRow(int row)
{
    if (!model_)
        return;
    const int n = model_->rowCount();
    if (n == 0)
        return;
    row = qBound(0, row, n - 1);
    grid_->setCurrentIndex(model_->index(row, CCod));
}

void Liste::headerClicked(int column)
{
    const SortKey key = sortKeyOfColumn(column);
    bool *toggle = sort_.of(key);
    if (!toggle)
        return;
    showQuery(refreshQuery(datamin_, datamax_, projectForQuery(), *toggle ? SortKey::None : key));
    *toggle = !*toggle;
}

void Liste::rowDoubleClicked()
{
    const int row = grid_->currentIndex().row();
    if (!model_ || row < 0 || row >= model_->rowCount())
        return;
    const qint64 idp = wholeNumber(leadingNumber(model_->text(row, CIdp)));
    if (idp == 0)
        return;
    idpsel_ = idp;
    // The row's texts, read before the options below refill anything.
    QStringList c;
    for (int i = 0; i <= CProiect; ++i)
        c << model_->text(row, i);

    setEditingMode(true);
    const QString activity = c.at(CActivit);
    for (QRadioButton *option : {act1_, act2_, act3_})
        if (option->text() == activity)
            chooseActivity(option);
    const QList<QListWidgetItem *> funds = fond_->findItems(c.at(CFond), Qt::MatchExactly);
    if (!funds.isEmpty())
        fond_->setCurrentItem(funds.first());
    // Shown as the grid shows them; saved as stored unless typed in.
    loaded_.lei = model_->value(row, QStringLiteral("lei")).toDouble();
    loaded_.euro = model_->value(row, QStringLiteral("euro")).toDouble();
    showLoaded(vallei_, leiText(*loaded_.lei));
    showLoaded(valeuro_, leiText(*loaded_.euro));
    const auto setYear = [](QComboBox *box, const QString &year) {
        // A year the list does not offer is added, so a save keeps it.
        if (box->findText(year) < 0)
            box->insertItem(0, year);
        box->setCurrentIndex(box->findText(year));
    };
    zi1_->setText(c.at(CInc).mid(0, 2));
    luna1_->setText(c.at(CInc).mid(3, 2));
    setYear(an1_, c.at(CInc).mid(6, 4));
    zi2_->setText(c.at(CFin).mid(0, 2));
    luna2_->setText(c.at(CFin).mid(3, 2));
    offerEndYears(c.at(CFin).mid(6, 4));
    showLoaded(detal_, c.at(CDetal));
    showLoaded(resp_, c.at(CResp));
    const QList<QListWidgetItem *> person = listp_->findItems(c.at(CResp), Qt::MatchExactly);
    listp_->setCurrentItem(person.isEmpty() ? nullptr : person.first());
    if (proiect_->isEnabled())
        proiect_->setEditText(c.at(CProiect));
    browser_->pozitionare(c.at(CCod), int(leadingNumber(c.at(CFel))));
}

void Liste::deleteLoaded()
{
    if (idpsel_ == 0)
        return;
    try {
        Database &db = ctx_.db();
        // The loaded item decides, whatever row of the grid is current now.
        const ResultSet item = db.query(QStringLiteral("SELECT program.proced, program.lei, cpv.cod FROM program"
                                                       " LEFT JOIN cpv ON cpv.id=program.id WHERE program.idp=?"),
                                        {idpsel_});
        if (item.isEmpty()) {
            loadedItemGone();
            return;
        }
        const QString cod = item.text(0, QStringLiteral("cod"));
        const QString lei = item.text(0, QStringLiteral("lei"));
        if (!item.text(0, QStringLiteral("proced")).isEmpty()) {
            ctx_.messages.show(this, QStringLiteral(" La produsul cu codul CPV : ") + cod + QStringLiteral(", LEI : ") + lei
                                         + QStringLiteral(" a fost stabilita procedura de achizitie si nu mai poate fi"
                                                          " stears de dvs. ! "));
            return;
        }
        if (hasRealizations(db, idpsel_)) {
            ctx_.messages.show(this, QLatin1String(kItemHasRealizations));
            return;
        }
        if (!ctx_.messages.ask(this, deletionQuestion(cod, lei), QLatin1String(kDeletionTitle)))
            return;
        const int remembered = grid_->currentIndex().row();
        if (!deleteItem(db, idpsel_)) {
            loadedItemGone();
            return;
        }
        showQuery(refreshQuery(datamin_, datamax_, QString(), SortKey::None));
        vallei_->setText(QStringLiteral("0"));
        valeuro_->setText(QStringLiteral("0"));
        for (QLineEdit *e : {zi1_, luna1_, zi2_, luna2_})
            e->setText(QStringLiteral("00"));
        idpsel_ = 0;
        loaded_ = {};
        showQuery(refreshQuery(datamin_, datamax_, projectForQuery(), restoredOrder(sort_)));
        selectGridRow(remembered);
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
        return;
    }
    detal_->clear();
    resp_->clear();
    command2_->setText(QStringLiteral("Salvare"));
    setEditingMode(false);
    ctx_.messages.show(this, QStringLiteral(" Stergerea a fost executata "));
}

void Liste::deleteGridRow(int row)
{
    if (!model_ || row < 0 || row >= model_->rowCount())
        return;
    if (!model_->text(row, CProced).isEmpty()) {
        ctx_.messages.show(this, QStringLiteral(" Aceasta achizitie a fost aprobata si nu poate fi stersa ! "));
        return;
    }
    const qint64 idp = wholeNumber(leadingNumber(model_->text(row, CIdp)));
    try {
        if (hasRealizations(ctx_.db(), idp)) {
            ctx_.messages.show(this, QLatin1String(kItemHasRealizations));
            return;
        }
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
        return;
    }
    // The value as stored, as the editor's "Stergere" names it too.
    if (!ctx_.messages.ask(this, deletionQuestion(model_->text(row, CCod),
                                                  formatNumber(model_->value(row, QStringLiteral("lei")).toDouble())),
                           QLatin1String(kDeletionTitle)))
        return;
    try {
        ctx_.db().exec(QStringLiteral("DELETE FROM program WHERE idp=?"), {idp});
        model_->refresh();
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
        return;
    }
    selectGridRow(row);
    if (idp == idpsel_) {
        // The loaded item is gone: the editor holds a new item again.
        idpsel_ = 0;
        loaded_ = {};
        command2_->setText(QStringLiteral("Salvare"));
        setEditingMode(false);
    }
}

bool Liste::checkCellEdit(int, int column, QVariant &value)
{
    const QString text = value.toString();
    if (column == CLei) {
        // Read the Romanian way and rounded as the editor's box rounds it: a
        // value the editor could not load and save unchanged is never stored.
        const std::optional<double> amount = readAmount(text);
        if (!amount || std::round(*amount) <= 0) {
            ctx_.messages.show(this, QStringLiteral(" Data invalida ! "));
            return false;
        }
        value = std::round(*amount);
        return true;
    }
    // The lists and reports take these texts as they are: no apostrophe.
    if (text.contains(QLatin1Char('\''))) {
        ctx_.messages.show(this, QLatin1String(kApostropheRefused));
        return false;
    }
    // Kept in upper case, as the editor keeps them.
    if (column == CResp || column == CDetal)
        value = text.toUpper();
    return true;
}

// A cell of the item loaded in the editor, changed in the grid, shows in the
// editor too: "Modifica" would otherwise write the editor's older value back.
void Liste::showEditedInEditor(int row, int column)
{
    QLineEdit *field = column == CLei ? vallei_ : column == CResp ? resp_ : column == CDetal ? detal_ : nullptr;
    if (!field || idpsel_ == 0 || wholeNumber(leadingNumber(model_->text(row, CIdp))) != idpsel_)
        return;
    // Once the write is done; a value the file refused (its message may still be up) stays out of the editor.
    QTimer::singleShot(0, this, [this, field, column, idp = idpsel_] {
        for (int r = 0; r < model_->rowCount() && idp == idpsel_; ++r)
            if (wholeNumber(leadingNumber(model_->text(r, CIdp))) == idp && !model_->rowHasChanges(r)) {
                if (column == CLei)
                    loaded_.lei = model_->value(r, QStringLiteral("lei")).toDouble();
                return showLoaded(field, model_->text(r, column));
            }
    });
}

void Liste::afterCellEdit(int row)
{
    const QString resp = model_->text(row, CResp);
    if (resp != resp.toUpper())
        model_->setData(model_->index(row, CResp), resp.toUpper());
}

} // namespace tendro
