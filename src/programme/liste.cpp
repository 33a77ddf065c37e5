#include "liste.h"
#include "catalogue/browser.h"
#include "reports/engine.h"
#include "reports/formula.h"
#include "services/context.h"
#include "services/fields.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/dates.h"
#include "store/numbers.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tendro {

namespace {

const char *const kLevelCaptions[7] = {"LISTA GRADUL I",  "LISTA GRADUL II", "LISTA GRADUL III", "LISTA GRADUL IV",
                                       "LISTA GRADUL V",  "LISTA GRADUL VI", "LISTA GRADUL VII"};

// Return on a focused button presses it, as Space does; Return in a text box
// stays the box's own (no button is the window's default).
class ReturnPresses : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *b = qobject_cast<QPushButton *>(watched);
        if (b && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                b->click();
                return true;
            }
        }
        return false;
    }
};

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = named(new QPushButton(caption, parent), name);
    b->setAutoDefault(false);   // Enter belongs to the text boxes
    b->installEventFilter(new ReturnPresses(b));
    return b;
}

QLabel *caption(QWidget *parent, const QString &text)
{
    auto *l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

QLineEdit *field(QWidget *parent, const char *name, int maxLength, int width = 0)
{
    auto *e = named(new QLineEdit(parent), name);
    e->setMaxLength(maxLength);
    if (width > 0)
        e->setFixedWidth(width);
    selectAllOnFocus(e);
    return e;
}

} // namespace

Liste::Liste(AppContext &ctx, QWidget *parent) : QDialog(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("liste"));
    setWindowTitle(QStringLiteral("PROGRAMUL ACHIZITIILOR"));
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);

    auto *left = new QWidget(this);
    auto *right = new QWidget(this);
    buildLeftHalf(left);
    buildRightHalf(right);
    auto *lay = new QHBoxLayout(this);
    lay->setContentsMargins(6, 6, 6, 6);
    lay->addWidget(left, 4);
    lay->addWidget(right, 6);
    resize(1020, 720);

    BrowserWidgets w;
    w.lists = lists_;
    w.prod = prod_;
    w.serv = serv_;
    w.lucr = lucr_;
    w.label17 = label17_;
    try {
        browser_ = new CatalogueBrowser(ctx_.db(), ctx_.messages, this, w);
        buildGrid(right);
        wireEditor();
        wireProjects();
        wireThresholds();
        load();
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

void Liste::buildLeftHalf(QWidget *host)
{
    auto *grid = new QGridLayout(host);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(2);

    auto *kinds = new QGroupBox(QStringLiteral("Achizitia de"), host);
    prod_ = named(new QRadioButton(QStringLiteral("produse"), kinds), "prod");
    serv_ = named(new QRadioButton(QStringLiteral("servicii"), kinds), "serv");
    lucr_ = named(new QRadioButton(QStringLiteral("lucrari"), kinds), "lucr");
    // Options one under another: the level lists keep the width the grid
    // beside them leaves.
    auto *kl = new QVBoxLayout(kinds);
    kl->addWidget(prod_, 0, Qt::AlignLeft);
    kl->addWidget(serv_, 0, Qt::AlignLeft);
    kl->addWidget(lucr_, 0, Qt::AlignLeft);

    auto *acts = new QGroupBox(QStringLiteral("Activitatea"), host);
    act1_ = named(new QRadioButton(QStringLiteral("cercetare"), acts), "act1");
    act2_ = named(new QRadioButton(QStringLiteral("proiectare"), acts), "act2");
    act3_ = named(new QRadioButton(QStringLiteral("productie"), acts), "act3");
    auto *al = new QVBoxLayout(acts);
    al->addWidget(act1_, 0, Qt::AlignLeft);
    al->addWidget(act2_, 0, Qt::AlignLeft);
    al->addWidget(act3_, 0, Qt::AlignLeft);
    grid->addWidget(kinds, 0, 0);
    grid->addWidget(acts, 0, 1);

    for (int i = 0; i < 7; ++i) {
        auto *label = caption(host, QLatin1String(kLevelCaptions[i]));
        label->setObjectName(QStringLiteral("levelLabel%1").arg(i + 1));
        auto *list = new QListWidget(host);
        list->setObjectName(QStringLiteral("list%1").arg(i + 1));
        list->setMinimumHeight(50);
        lists_[i] = list;
        grid->addWidget(label, 1 + 2 * i, 0, 1, 2);
        grid->addWidget(list, 2 + 2 * i, 0, 1, 2);
        grid->setRowStretch(2 + 2 * i, 1);
    }

    auto *search = new QHBoxLayout();
    cod_ = field(host, "cod", 8, 80);
    cuvant_ = field(host, "cuvant", 32767);
    command6_ = button(host, "Command6", QStringLiteral("Cauta CPV"));
    // Two lines, so that the lists leave the programme grid the width its columns need at 1024 x 768.
    auto *word = new QHBoxLayout();
    search->addWidget(new QLabel(QStringLiteral("numar cod "), host));
    search->addWidget(cod_);
    search->addStretch(1);
    search->addWidget(command6_);
    word->addWidget(new QLabel(QStringLiteral("cuvant"), host));
    word->addWidget(cuvant_, 1);
    grid->addLayout(search, 15, 0, 1, 2);
    grid->addLayout(word, 16, 0, 1, 2);

    // A click on the chosen option acts all the same.
    const std::array<QRadioButton *, 3> acts3{act1_, act2_, act3_};
    for (int k = 0; k < 3; ++k)
        connect(acts3[k], &QRadioButton::clicked, this, [this, k, option = acts3[k]] {
            if (option->isChecked())
                activityChosen(k + 1);
        });

    connect(cod_, &QLineEdit::textChanged, this, [this](const QString &t) {
        if (!t.isEmpty())
            cuvant_->clear();
    });
    connect(cuvant_, &QLineEdit::textChanged, this, [this](const QString &t) {
        if (!t.isEmpty())
            cod_->clear();
    });
    connect(cod_, &QLineEdit::returnPressed, this, [this] { browser_->searchCode(cod_->text()); });
    connect(cuvant_, &QLineEdit::returnPressed, this, [this] { browser_->searchWord(cuvant_->text()); });
    connect(command6_, &QPushButton::clicked, this, &Liste::searchButton);
    onFocusLost(cod_, [this] { codeLostFocus(); });
}

void Liste::buildRightHalf(QWidget *host)
{
    auto *grid = new QGridLayout(host);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(4);

    anul_ = named(new QListWidget(host), "anul");
    fitRows(anul_, 5);
    anul_->setToolTip(QStringLiteral("Click dreapta pentru a copia datele din anii anteriori in anul curent, selectind "
                                     "anul ce se vrea copiat"));
    fond_ = named(new QListWidget(host), "fond");
    fitRows(fond_, 5);   // all five funds at once
    auto *top = new QHBoxLayout();
    top->addWidget(caption(host, QStringLiteral("Anul")));
    top->addWidget(anul_, 1);
    top->addSpacing(12);
    top->addWidget(caption(host, QStringLiteral("Fonduri")));
    top->addWidget(fond_, 2);
    grid->addLayout(top, 0, 0, 1, 4);

    proiect_ = named(new QComboBox(host), "proiect");
    proiect_->setEditable(true);
    proiect_->setInsertPolicy(QComboBox::NoInsert);
    // What is typed is the project: no completion into a longer name.
    proiect_->setCompleter(nullptr);
    command7_ = button(host, "Command7", QStringLiteral("Stergere proiect"));
    command7_->setToolTip(QStringLiteral("Se pot sterge doar referintele la codurile CPV sau stergerea totala a "
                                         "programului din proiectul selectat"));
    grid->addWidget(caption(host, QStringLiteral("Denumire proiect")), 1, 0);
    grid->addWidget(proiect_, 1, 1, 1, 2);
    grid->addWidget(command7_, 1, 3);

    auto *values = new QGroupBox(QStringLiteral("Valoarea estimata"), host);
    // Nine digits with their groups: "125.000" is how a user writes 125 000.
    vallei_ = field(values, "vallei", 11, 90);
    valeuro_ = field(values, "valeuro", 11, 90);
    auto *vl = new QGridLayout(values);
    vl->addWidget(new QLabel(QStringLiteral("LEI"), values), 0, 0);
    vl->addWidget(vallei_, 0, 1);
    vl->addWidget(new QLabel(QStringLiteral("EURO"), values), 1, 0);
    vl->addWidget(valeuro_, 1, 1);

    auto *dates = new QGroupBox(QStringLiteral("Data estimata pentru"), host);
    zi1_ = field(dates, "zi1", 2, 30);
    luna1_ = field(dates, "luna1", 2, 30);
    zi2_ = field(dates, "zi2", 2, 30);
    luna2_ = field(dates, "luna2", 2, 30);
    an1_ = named(new QComboBox(dates), "an1");
    an2_ = named(new QComboBox(dates), "an2");
    auto *dl = new QGridLayout(dates);
    dl->addWidget(new QLabel(QStringLiteral("inceperea procedurii"), dates), 0, 0);
    dl->addWidget(zi1_, 0, 1);
    dl->addWidget(luna1_, 0, 2);
    dl->addWidget(an1_, 0, 3);
    dl->addWidget(new QLabel(QStringLiteral("finalizarea procedurii"), dates), 1, 0);
    dl->addWidget(zi2_, 1, 1);
    dl->addWidget(luna2_, 1, 2);
    dl->addWidget(an2_, 1, 3);
    auto *middle = new QHBoxLayout();
    middle->addWidget(values);
    middle->addWidget(dates, 1);
    auto *middleAndLine = new QVBoxLayout();
    middleAndLine->addLayout(middle);
    labelPrag_ = named(new QLabel(host), "LabelPrag");
    middleAndLine->addWidget(labelPrag_);
    grid->addLayout(middleAndLine, 2, 0, 1, 4);

    resp_ = field(host, "resp", 40);
    listp_ = named(new QListWidget(host), "listp");
    listp_->setFixedHeight(52);
    grid->addWidget(caption(host, QStringLiteral("Responsabil ")), 3, 0);
    grid->addWidget(resp_, 3, 1);
    grid->addWidget(listp_, 3, 2, 1, 2);

    label17_ = named(caption(host, QStringLiteral("Detalii")), "Label17");
    detal_ = field(host, "detal", 200);
    grid->addWidget(label17_, 4, 0);
    grid->addWidget(detal_, 4, 1, 1, 3);

    command2_ = button(host, "Command2", QStringLiteral("Salvare"));
    command4_ = button(host, "Command4", QStringLiteral("Inregistrare noua"));
    command3_ = button(host, "Command3", QStringLiteral("Stergere"));
    command5_ = button(host, "Command5", QStringLiteral("Raport"));
    command8_ = button(host, "Command8", QStringLiteral("Praguri"));
    command1_ = button(host, "Command1", QStringLiteral("Iesire"));
    command3_->hide();
    command4_->hide();
    auto *buttons = new QHBoxLayout();
    buttons->addWidget(command2_);
    buttons->addWidget(command4_);
    buttons->addWidget(command3_);
    buttons->addStretch(1);
    buttons->addWidget(command5_);
    buttons->addWidget(command8_);
    buttons->addWidget(command1_);
    grid->addLayout(buttons, 5, 0, 1, 4);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 1);

    connect(listp_, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) { resp_->setText(item->text()); });
    onEveryClick(anul_, [this](int) { yearChosen(); });
    connect(command1_, &QPushButton::clicked, this, &QDialog::accept);
    rapprog_ = new ReportJob(ctx_.messages, ctx_.clock, this);
    rapprog_->setObjectName(QStringLiteral("rapprog"));
    connect(command5_, &QPushButton::clicked, this, &Liste::proposalsReport);
}

void Liste::load()
{
    browser_->reset();
    idpsel_ = 0;
    sort_ = SortToggles();
    browser_->chooseKind(1);
    fond_->clear();
    fond_->addItems({QStringLiteral("proprii"), QStringLiteral("cercetare"), QStringLiteral("bugetare"),
                     QStringLiteral("accesibilizare"), QStringLiteral("nerambursabile(UE)")});
    fillYears();
    refreshPeople(QString());
    chooseActivity(act1_);

    const QString name = ctx_.subunitate.numeos;
    if (name.contains(QLatin1String("B.E.")) || name.contains(QLatin1String("O.S."))) {
        chooseActivity(act3_);
        fond_->setCurrentRow(0);
    }
    if (name == QLatin1String("B.E. VORIDA")) {
        chooseActivity(act1_);
        fond_->setCurrentRow(1);
    }
}

void Liste::fillYears()
{
    const QDate today = ctx_.clock.today();
    const int y = today.year();
    const bool late = today.month() > 9;   // from October the next year is planned
    const int top = late ? y + 1 : y;
    QStringList years;
    for (int year = top; year >= 2015; --year)
        years << QString::number(year);
    {
        const QSignalBlocker quiet(anul_);
        anul_->clear();
        anul_->addItems(years);
    }
    an1_->clear();
    an1_->addItems(years);
    anul_->setCurrentRow(0);   // runs the year's click, which sets the year boxes to it
}

void Liste::offerEndYears(const QString &keep)
{
    // The procedure ends in the year it starts or in the next one.
    const int start = an1_->currentText().toInt();
    const QString chosen = keep.isEmpty() ? an2_->currentText() : keep;
    const QSignalBlocker quiet(an2_);
    an2_->clear();
    an2_->addItems({QString::number(start), QString::number(start + 1)});
    if (!chosen.isEmpty() && an2_->findText(chosen) < 0)
        an2_->addItem(chosen);   // an older item's end, kept as it was
    const int at = an2_->findText(chosen);
    an2_->setCurrentIndex(at < 0 ? 0 : at);
}

void Liste::yearBoxesToShownYear()
{
    // A new item goes into the year the window shows.
    const int at = an1_->findText(selectedYear());
    if (at < 0)
        return;
    an1_->setCurrentIndex(at);
    offerEndYears(selectedYear());
}

QString Liste::selectedYear() const
{
    return anul_->currentItem() ? anul_->currentItem()->text() : QString();
}

void Liste::yearChosen()
{
    const YearBounds b = yearBounds(selectedYear());
    datamin_ = b.lower;
    datamax_ = b.upper;
    {
        const QSignalBlocker quiet(proiect_);
        proiect_->clear();
        proiect_->setEditText(QString());
    }
    gridCaption_->clear();
    showQuery(yearQuery(datamin_, datamax_));
    if (idpsel_ == 0)
        yearBoxesToShownYear();
}

void Liste::chooseActivity(QRadioButton *option)
{
    option->setChecked(true);
    activityChosen(option == act1_ ? 1 : option == act2_ ? 2 : 3);
}

void Liste::activityChosen(int which)
{
    // Research keeps whether the funds list is enabled; the others enable it.
    const bool research = which == 1;
    const bool production = which == 3;
    fond_->setCurrentRow(research ? 1 : 0);
    if (!research)
        fond_->setEnabled(true);
    activ_ = (research ? act1_ : production ? act3_ : act2_)->text();
    proiect_->setEditText(QString());
    proiect_->setEnabled(!production);
    command7_->setEnabled(!production);
}

void Liste::searchButton()
{
    if (!cod_->text().isEmpty())
        browser_->searchCode(cod_->text());
    else
        browser_->searchWord(cuvant_->text());
}

void Liste::codeLostFocus()
{
    if (cod_->text().isEmpty() || isNumeric(cod_->text()))
        return;
    ctx_.messages.show(this, QStringLiteral(" Introduceti doar numere ! "));
    cod_->setFocus();
}

void Liste::proposalsReport()
{
    rapprog_->setReportFile(QDir(ctx_.cale).filePath(QStringLiteral("rapprog.rpt")));
    rapprog_->setDataFile(0, workingFilePath(ctx_.cale));
    rapprog_->setConnect(QStringLiteral(";PWD=") + QLatin1String(kDatabasePassword));
    const QString year = QStringLiteral("{program.datainc2}>='") + datamin_
        + QStringLiteral("' and {program.datainc2}<='") + datamax_ + QLatin1Char('\'');
    rapprog_->setSelectionFormula(forSubunit(QStringLiteral("{program.euro}=0 and ") + year, ctx_.subunitate.idos));
    rapprog_->setFormula(0, QStringLiteral("titlu='PROPUNERI PROGRAM ACHIZITII PE ANUL ") + selectedYear()
                                + QLatin1Char('\''));
    rapprog_->setAction(1, this);
}

void Liste::keyPressEvent(QKeyEvent *event)
{
    // Escape would close the window and lose what the editor holds; only
    // "Iesire" and the close box close it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool Liste::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (watched == grid_ && key == Qt::Key_Delete) {
            deleteGridRow(grid_->currentIndex().row());
            return true;
        }
        if (arrowKey(watched, key))
            return true;
    }
    if (model_ && watched == grid_->viewport() && event->type() == QEvent::ToolTip) {
        auto *he = static_cast<QHelpEvent *>(event);
        if (cutCellToolTip(he->pos(), he->globalPos()))
            return true;
    }
    if (watched == anul_->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() == Qt::RightButton) {
            // The right button only offers the copy; it does not change the year.
            yearMousePressed(me->globalPosition().toPoint());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Liste::done(int result)
{
    if (browser_)
        browser_->forgetWord();
    QDialog::done(result);
}

} // namespace tendro
