#include "liste.h"
#include "catalogue/browser.h"
#include "services/context.h"
#include "services/fields.h"
#include "store/database.h"
#include "store/dates.h"
#include "store/numbers.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tendro {

namespace {

const char *const kLevelCaptions[7] = {"LISTA GRADUL I",  "LISTA GRADUL II", "LISTA GRADUL III", "LISTA GRADUL IV",
                                       "LISTA GRADUL V",  "LISTA GRADUL VI", "LISTA GRADUL VII"};

template <typename W> W *named(W *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = named(new QPushButton(caption, parent), name);
    b->setAutoDefault(false);   // Enter belongs to the text boxes
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
    lay->addWidget(left, 5);
    lay->addWidget(right, 4);
    resize(1020, 740);

    BrowserWidgets w;
    w.lists = lists_;
    w.prod = prod_;
    w.serv = serv_;
    w.lucr = lucr_;
    w.label17 = label17_;
    try {
        browser_ = new CatalogueBrowser(ctx_.db(), ctx_.messages, this, w);
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
    auto *kl = new QHBoxLayout(kinds);
    kl->addWidget(prod_);
    kl->addWidget(serv_);
    kl->addWidget(lucr_);

    auto *acts = new QGroupBox(QStringLiteral("Activitatea"), host);
    act1_ = named(new QRadioButton(QStringLiteral("cercetare"), acts), "act1");
    act2_ = named(new QRadioButton(QStringLiteral("proiectare"), acts), "act2");
    act3_ = named(new QRadioButton(QStringLiteral("productie"), acts), "act3");
    auto *al = new QHBoxLayout(acts);
    al->addWidget(act1_);
    al->addWidget(act2_);
    al->addWidget(act3_);
    grid->addWidget(kinds, 0, 0);
    grid->addWidget(acts, 0, 1);

    for (int i = 0; i < 7; ++i) {
        auto *label = caption(host, QLatin1String(kLevelCaptions[i]));
        label->setObjectName(QStringLiteral("levelLabel%1").arg(i + 1));
        auto *list = new QListWidget(host);
        list->setObjectName(QStringLiteral("list%1").arg(i + 1));
        list->setMinimumHeight(58);
        lists_[i] = list;
        grid->addWidget(label, 1 + 2 * i, 0, 1, 2);
        grid->addWidget(list, 2 + 2 * i, 0, 1, 2);
        grid->setRowStretch(2 + 2 * i, 1);
    }

    auto *search = new QHBoxLayout();
    auto *codLabel = new QLabel(QStringLiteral("numar cod "), host);
    cod_ = named(new QLineEdit(host), "cod");
    cod_->setMaxLength(8);
    cod_->setFixedWidth(90);
    auto *cuvLabel = new QLabel(QStringLiteral("cuvant"), host);
    cuvant_ = named(new QLineEdit(host), "cuvant");
    command6_ = button(host, "Command6", QStringLiteral("Cauta CPV"));
    search->addWidget(codLabel);
    search->addWidget(cod_);
    search->addWidget(cuvLabel);
    search->addWidget(cuvant_, 1);
    search->addWidget(command6_);
    grid->addLayout(search, 15, 0, 1, 2);

    connect(act1_, &QRadioButton::toggled, this, [this](bool on) { if (on) activityChosen(1); });
    connect(act2_, &QRadioButton::toggled, this, [this](bool on) { if (on) activityChosen(2); });
    connect(act3_, &QRadioButton::toggled, this, [this](bool on) { if (on) activityChosen(3); });

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
    cod_->installEventFilter(this);
    selectAllOnFocus(cod_);
    selectAllOnFocus(cuvant_);
}

void Liste::buildRightHalf(QWidget *host)
{
    auto *grid = new QGridLayout(host);
    grid->setContentsMargins(0, 0, 0, 0);

    anul_ = named(new QComboBox(host), "anul");
    grid->addWidget(caption(host, QStringLiteral("Anul")), 0, 0);
    grid->addWidget(anul_, 0, 1);

    fond_ = named(new QListWidget(host), "fond");
    fond_->setMaximumHeight(96);
    grid->addWidget(caption(host, QStringLiteral("Fonduri")), 1, 0);
    grid->addWidget(fond_, 1, 1, 1, 2);

    proiect_ = named(new QComboBox(host), "proiect");
    proiect_->setEditable(true);
    command7_ = button(host, "Command7", QStringLiteral("Stergere proiect"));
    grid->addWidget(caption(host, QStringLiteral("Denumire proiect")), 2, 0);
    grid->addWidget(proiect_, 2, 1);
    grid->addWidget(command7_, 2, 2);

    auto *dates = new QGroupBox(QStringLiteral("Data estimata pentru"), host);
    an1_ = named(new QComboBox(dates), "an1");
    an2_ = named(new QComboBox(dates), "an2");
    auto *dl = new QGridLayout(dates);
    dl->addWidget(new QLabel(QStringLiteral("inceperea procedurii"), dates), 0, 0);
    dl->addWidget(an1_, 0, 1);
    dl->addWidget(new QLabel(QStringLiteral("finalizarea procedurii"), dates), 1, 0);
    dl->addWidget(an2_, 1, 1);
    grid->addWidget(dates, 3, 0, 1, 3);

    resp_ = named(new QLineEdit(host), "resp");
    resp_->setMaxLength(40);
    listp_ = named(new QListWidget(host), "listp");
    listp_->setMaximumHeight(110);
    grid->addWidget(caption(host, QStringLiteral("Responsabil ")), 4, 0);
    grid->addWidget(resp_, 4, 1, 1, 2);
    grid->addWidget(listp_, 5, 1, 1, 2);

    label17_ = named(caption(host, QStringLiteral("Detalii")), "Label17");
    detal_ = named(new QLineEdit(host), "detal");
    detal_->setMaxLength(200);
    grid->addWidget(label17_, 6, 0);
    grid->addWidget(detal_, 6, 1, 1, 2);

    grid->setRowStretch(7, 1);
    command1_ = button(host, "Command1", QStringLiteral("Iesire"));
    grid->addWidget(command1_, 8, 2);

    connect(listp_, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) { resp_->setText(item->text()); });
    connect(anul_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0)
            yearChosen();
    });
    connect(command1_, &QPushButton::clicked, this, &QDialog::accept);
}

void Liste::load()
{
    Database &db = ctx_.db();
    const ResultSet people = db.query(QStringLiteral("SELECT DISTINCT resp FROM program"));
    browser_->reset();
    browser_->chooseKind(1);
    fond_->clear();
    fond_->addItems({QStringLiteral("proprii"), QStringLiteral("cercetare"), QStringLiteral("bugetare"),
                     QStringLiteral("accesibilizare"), QStringLiteral("nerambursabile(UE)")});
    fillYears();
    listp_->clear();
    for (int r = 0; r < people.count(); ++r)
        listp_->addItem(people.text(r, QStringLiteral("resp")));
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
    anul_->blockSignals(true);
    anul_->clear();
    anul_->addItems(years);
    anul_->setCurrentIndex(-1);
    anul_->blockSignals(false);
    an1_->clear();
    an2_->clear();
    an1_->addItems(years);
    an2_->addItems(years);
    if (late) {
        an1_->addItem(QString::number(y + 1));
        an1_->setCurrentIndex(1);
        an2_->setCurrentIndex(1);
    } else {
        an1_->setCurrentIndex(0);
        an2_->setCurrentIndex(0);
    }
    anul_->setCurrentIndex(0);   // runs the year's click
}

void Liste::yearChosen()
{
    const YearBounds b = yearBounds(anul_->currentText());
    datamin_ = b.lower;
    datamax_ = b.upper;
    proiect_->clear();
    proiect_->setEditText(QString());
}

void Liste::chooseActivity(QRadioButton *option)
{
    if (option->isChecked())
        activityChosen(option == act1_ ? 1 : option == act2_ ? 2 : 3);
    else
        option->setChecked(true);
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

bool Liste::codeLostFocus()
{
    if (checking_ || cod_->text().isEmpty() || isNumeric(cod_->text()))
        return false;
    // The message takes the focus; the guard keeps the check from running on that.
    checking_ = true;
    ctx_.messages.show(this, QStringLiteral(" Introduceti doar numere ! "));
    cod_->setFocus();
    checking_ = false;
    return true;
}

bool Liste::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == cod_ && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason r = static_cast<QFocusEvent *>(event)->reason();
        if (r != Qt::ActiveWindowFocusReason && r != Qt::PopupFocusReason)
            codeLostFocus();
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
