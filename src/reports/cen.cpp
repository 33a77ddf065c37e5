#include "cen.h"
#include "engine.h"
#include "formula.h"
#include "services/context.h"
#include "services/fields.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/dates.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace tendro {

namespace {

QString selectedText(const QListWidget *list)
{
    return list->currentItem() && list->currentItem()->isSelected() ? list->currentItem()->text() : QString();
}

} // namespace

Cen::Cen(AppContext &ctx, QWidget *parent) : QDialog(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("cen"));
    setWindowTitle(QStringLiteral("Centralizatoare"));
    build();
    rapprog_ = named(new ReportJob(ctx_.messages, ctx_.clock, this), "rapprog");
    rapproga_ = named(new ReportJob(ctx_.messages, ctx_.clock, this), "rapproga");
    rapprogagrup_ = named(new ReportJob(ctx_.messages, ctx_.clock, this), "rapprogagrup");
    for (ReportJob *j : {rapprog_, rapproga_, rapprogagrup_})
        j->setFileDialogs(&ctx_.files);
    load();
}

void Cen::build()
{
    auto *grid = new QGridLayout(this);
    grid->setVerticalSpacing(6);
    int row = 0;

    anul_ = named(new QListWidget(this), "anul");
    anul_->setFixedHeight(70);
    auto *frame3 = named(new QGroupBox(QStringLiteral("Achizitii "), this), "Frame3");
    aprob_ = named(new QRadioButton(QStringLiteral("aprobate"), frame3), "aprob");
    prop_ = named(new QRadioButton(QStringLiteral("propuse"), frame3), "prop");
    auto *f3 = new QHBoxLayout(frame3);
    f3->addWidget(aprob_);
    f3->addWidget(prop_);
    grid->addWidget(new QLabel(QStringLiteral("Anul"), this), row, 0);
    grid->addWidget(anul_, row, 1);
    grid->addWidget(frame3, row++, 2, 1, 3);

    act_ = named(new QCheckBox(QStringLiteral("Achizitii de la"), this), "act");
    frame2_ = named(new QGroupBox(QStringLiteral("Activitatea"), this), "Frame2");
    act1_ = named(new QRadioButton(QStringLiteral("cercetare"), frame2_), "act1");
    act2_ = named(new QRadioButton(QStringLiteral("proiectare"), frame2_), "act2");
    act3_ = named(new QRadioButton(QStringLiteral("productie"), frame2_), "act3");
    auto *f2 = new QHBoxLayout(frame2_);
    f2->addWidget(act1_);
    f2->addWidget(act2_);
    f2->addWidget(act3_);
    grid->addWidget(act_, row, 0);
    grid->addWidget(frame2_, row++, 1, 1, 4);

    fel_ = named(new QCheckBox(QStringLiteral("Felul achizitiei"), this), "fel");
    frame1_ = named(new QGroupBox(QStringLiteral("Achizitia de"), this), "Frame1");
    prod_ = named(new QRadioButton(QStringLiteral("produse"), frame1_), "prod");
    serv_ = named(new QRadioButton(QStringLiteral("servicii"), frame1_), "serv");
    lucr_ = named(new QRadioButton(QStringLiteral("lucrari"), frame1_), "lucr");
    auto *f1 = new QHBoxLayout(frame1_);
    f1->addWidget(prod_);
    f1->addWidget(serv_);
    f1->addWidget(lucr_);
    grid->addWidget(fel_, row, 0);
    grid->addWidget(frame1_, row++, 1, 1, 4);

    sursa_ = named(new QCheckBox(QStringLiteral("Sursa de finantare"), this), "sursa");
    label5_ = named(new QLabel(QStringLiteral("Fonduri"), this), "Label5");
    fond_ = named(new QListWidget(this), "fond");
    fitRows(fond_, 5);   // all five funds at once
    grid->addWidget(sursa_, row, 0);
    grid->addWidget(label5_, row, 1, Qt::AlignRight);
    grid->addWidget(fond_, row++, 2, 1, 3);

    lei_ = named(new QCheckBox(QStringLiteral("Valoare estimata (lei)"), this), "lei");
    lei1_ = named(new QLineEdit(QStringLiteral("0"), this), "lei1");
    lei2_ = named(new QLineEdit(QStringLiteral("0"), this), "lei2");
    auto *values = new QHBoxLayout();
    values->addWidget(new QLabel(QStringLiteral(">="), this));
    values->addWidget(lei1_);
    values->addWidget(new QLabel(QStringLiteral("<="), this));
    values->addWidget(lei2_);
    grid->addWidget(lei_, row, 0);
    grid->addLayout(values, row++, 1, 1, 4);

    resp_ = named(new QCheckBox(QStringLiteral("Responsabil"), this), "resp");
    listp_ = named(new QListWidget(this), "listp");
    listp_->setFixedHeight(60);
    grid->addWidget(resp_, row, 0);
    grid->addWidget(listp_, row++, 1, 1, 4);

    const auto dateRow = [&](QCheckBox *check, QLineEdit *&from, QLineEdit *&to, QLabel *&fromLabel, QLabel *&toLabel,
                             const char *fromName, const char *toName, const char *fromLabelName,
                             const char *toLabelName) {
        from = named(new QLineEdit(this), fromName);
        to = named(new QLineEdit(this), toName);
        fromLabel = named(new QLabel(QStringLiteral("zz.ll.aaaa"), this), fromLabelName);
        toLabel = named(new QLabel(QStringLiteral("zz.ll.aaaa"), this), toLabelName);
        auto *boxes = new QGridLayout();
        boxes->addWidget(new QLabel(QStringLiteral("intre"), this), 0, 0);
        boxes->addWidget(from, 0, 1);
        boxes->addWidget(new QLabel(QStringLiteral("si"), this), 0, 2);
        boxes->addWidget(to, 0, 3);
        boxes->addWidget(fromLabel, 1, 1);
        boxes->addWidget(toLabel, 1, 3);
        grid->addWidget(check, row, 0);
        grid->addLayout(boxes, row++, 1, 1, 4);
    };
    incep_ = named(new QCheckBox(QStringLiteral("Data inceperii procedurii"), this), "incep");
    dateRow(incep_, incep1_, incep2_, label10_, label11_, "incep1", "incep2", "Label10", "Label11");
    termin_ = named(new QCheckBox(QStringLiteral("Data finalizarii procedurii"), this), "termin");
    dateRow(termin_, fin1_, fin2_, label12_, label13_, "fin1", "fin2", "Label12", "Label13");

    proced_ = named(new QCheckBox(QStringLiteral("Tipul procedurii"), this), "proced");
    listtip_ = named(new QListWidget(this), "listtip");
    listtip_->setFixedHeight(60);
    grid->addWidget(proced_, row, 0);
    grid->addWidget(listtip_, row++, 1, 1, 4);

    grupcpv_ = named(new QCheckBox(QStringLiteral("Grupat pe coduri CPV"), this), "grupcpv");
    reglaj_ = named(new QComboBox(this), "reglaj");
    for (int m = 200; m <= 1000; m += 100)
        reglaj_->addItem(QString::number(m));
    reglaj_->setCurrentIndex(-1);
    grid->addWidget(grupcpv_, row, 0);
    grid->addWidget(new QLabel(QStringLiteral("Margine sus raport"), this), row, 2, Qt::AlignRight);
    grid->addWidget(reglaj_, row++, 3);

    // A directorate reports on every sub-unit, a subtotal each, or on the one chosen.
    if (ctx_.subunitate.directorate()) {
        subunit_ = named(new QComboBox(this), "subunit");
        grid->addWidget(new QLabel(QStringLiteral("Subunitatea"), this), row, 0);
        grid->addWidget(subunit_, row++, 1, 1, 2);
    }

    auto *command1 = named(new QPushButton(QStringLiteral("Raport"), this), "Command1");
    auto *command2 = named(new QPushButton(QStringLiteral("Iesire"), this), "Command2");
    command1->setAutoDefault(false);
    command2->setAutoDefault(false);
    grid->addWidget(command1, row, 3);
    grid->addWidget(command2, row, 4);
    resize(760, 640);

    // Opening state: every criterion off, its controls disabled.
    for (QWidget *w : std::initializer_list<QWidget *>{frame2_, frame1_, label5_, fond_, lei1_, lei2_, listp_, incep1_,
                                                       incep2_, label10_, label11_, fin1_, fin2_, label12_, label13_,
                                                       listtip_})
        w->setEnabled(false);

    onEveryClick(anul_, [this](int) { yearChosen(); });
    connect(aprob_, &QRadioButton::clicked, this, &Cen::approvedChosen);
    connect(prop_, &QRadioButton::clicked, this, &Cen::proposalsChosen);
    connect(act_, &QCheckBox::toggled, this, [this](bool on) {
        frame2_->setEnabled(on);
        if (on)
            act1_->setChecked(true);
        else
            clearOptions({act1_, act2_, act3_});
    });
    connect(fel_, &QCheckBox::toggled, this, [this](bool on) {
        frame1_->setEnabled(on);
        if (on)
            prod_->setChecked(true);
        else
            clearOptions({prod_, serv_, lucr_});
    });
    const auto listSwitch = [](QListWidget *list, bool on) {
        list->setEnabled(on);
        if (list->count() == 0)
            return;
        if (on)
            list->setCurrentRow(0);
        else
            list->clearSelection();
    };
    connect(sursa_, &QCheckBox::toggled, this, [this, listSwitch](bool on) {
        label5_->setEnabled(on);
        listSwitch(fond_, on);
    });
    connect(lei_, &QCheckBox::toggled, this, [this](bool on) {
        lei1_->setEnabled(on);
        lei2_->setEnabled(on);
    });
    connect(resp_, &QCheckBox::toggled, this, [this, listSwitch](bool on) { listSwitch(listp_, on); });
    connect(incep_, &QCheckBox::toggled, this, [this](bool on) {
        for (QWidget *w : std::initializer_list<QWidget *>{incep1_, incep2_, label10_, label11_})
            w->setEnabled(on);
    });
    connect(termin_, &QCheckBox::toggled, this, [this](bool on) {
        for (QWidget *w : std::initializer_list<QWidget *>{fin1_, fin2_, label12_, label13_})
            w->setEnabled(on);
    });
    connect(proced_, &QCheckBox::toggled, this, [this, listSwitch](bool on) { listSwitch(listtip_, on); });
    for (QLineEdit *e : {lei1_, lei2_, incep1_, incep2_, fin1_, fin2_})
        selectAllOnFocus(e);
    for (QLineEdit *e : {incep1_, incep2_, fin1_, fin2_})
        onFocusLost(e, [this, e] { dateLostFocus(e); });
    connect(command1, &QPushButton::clicked, this, &Cen::report);
    connect(command2, &QPushButton::clicked, this, &QDialog::accept);
}

void Cen::load()
{
    try {
        if (subunit_) {
            subunit_->addItem(QString(), 0);
            const ResultSet os = ctx_.db().query(QStringLiteral("SELECT idos, numeos FROM os WHERE idds=? ORDER BY numeos"),
                                                 {ctx_.subunitate.idds});
            for (int r = 0; r < os.count(); ++r)
                subunit_->addItem(os.text(r, QStringLiteral("numeos")), os.value(r, QStringLiteral("idos")));
        }
        const ResultSet people = ctx_.db().query(QStringLiteral("SELECT DISTINCT resp FROM program"));
        for (int r = 0; r < people.count(); ++r)
            listp_->addItem(people.text(r, QStringLiteral("resp")));
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
    fond_->addItems({QStringLiteral("proprii"), QStringLiteral("cercetare"), QStringLiteral("bugetare"),
                     QStringLiteral("accesibilizare"), QStringLiteral("nerambursabile(UE)")});
    const QDate today = ctx_.clock.today();
    const int first = today.month() > 9 ? today.year() + 1 : today.year();
    {
        const QSignalBlocker quiet(anul_);
        for (int y = first; y >= 2015; --y)
            anul_->addItem(QString::number(y));
    }
    anul_->setCurrentRow(0);
    listtip_->addItems({QStringLiteral("licitatie"), QStringLiteral("proced.simplif."), QStringLiteral("achizitie directa"),
                        QStringLiteral("negociere fara public.")});
    if (today.month() < 3) {
        prop_->setChecked(true);
        proposalsChosen();
    } else {
        aprob_->setChecked(true);
        approvedChosen();
    }
}

void Cen::yearChosen()
{
    const YearBounds b = yearBounds(anul_->currentItem() ? anul_->currentItem()->text() : QString());
    datamin_ = b.lower;
    datamax_ = b.upper;
}

void Cen::approvedChosen() { proced_->setEnabled(true); }

void Cen::proposalsChosen()
{
    proced_->setChecked(false);
    proced_->setEnabled(false);
}

void Cen::dateLostFocus(QLineEdit *box)
{
    const QString refusal = dateBoxRefusal(box->text(), ctx_.clock.today().year());
    refusedBox_ = refusal.isEmpty() ? nullptr : box;
    if (refusal.isEmpty())
        return;
    ctx_.messages.show(this, refusal);
    box->setFocus();
}

bool Cen::datesPass()
{
    // The click that left a refused box has already said why: once is enough.
    QLineEdit *justRefused = refusedBox_;
    refusedBox_ = nullptr;
    for (QLineEdit *box : {incep1_, incep2_, fin1_, fin2_}) {
        if (!box->isEnabled())
            continue;
        const QString refusal = dateBoxRefusal(box->text(), ctx_.clock.today().year());
        if (refusal.isEmpty())
            continue;
        if (box != justRefused)
            ctx_.messages.show(this, refusal);
        box->setFocus();
        return false;
    }
    return true;
}

CriteriaState Cen::state() const
{
    CriteriaState s;
    s.proposals = prop_->isChecked();
    s.year = anul_->currentItem() ? anul_->currentItem()->text() : QString();
    s.datamin = datamin_;
    s.datamax = datamax_;
    if (act_->isChecked())
        s.activity = (act1_->isChecked() ? act1_ : act2_->isChecked() ? act2_ : act3_)->text();
    if (fel_->isChecked()) {
        QRadioButton *k = prod_->isChecked() ? prod_ : serv_->isChecked() ? serv_ : lucr_;
        s.kind = k == prod_ ? 1 : k == serv_ ? 2 : 3;
        s.kindCaption = k->text();
    }
    if (sursa_->isChecked())
        s.fund = selectedText(fond_);
    if (lei_->isChecked())
        s.value = std::make_pair(lei1_->text(), lei2_->text());
    if (resp_->isChecked())
        s.person = selectedText(listp_);
    if (incep_->isChecked())
        s.start = std::make_pair(incep1_->text(), incep2_->text());
    if (termin_->isChecked())
        s.end = std::make_pair(fin1_->text(), fin2_->text());
    if (proced_->isChecked())
        s.procedure = selectedText(listtip_);
    s.grouped = grupcpv_->isChecked();
    s.margin = reglaj_->currentText();
    return s;
}

ReportJob *Cen::job(const QString &reportFile) const
{
    if (reportFile == QLatin1String("rapprog.rpt"))
        return rapprog_;
    return reportFile == QLatin1String("rapproga.rpt") ? rapproga_ : rapprogagrup_;
}

bool Cen::amountsPass()
{
    if (!lei_->isChecked())
        return true;
    for (QLineEdit *box : {lei1_, lei2_}) {
        const QString refusal = amountBoxRefusal(box->text());
        if (refusal.isEmpty())
            continue;
        ctx_.messages.show(this, refusal);
        box->setFocus();
        return false;
    }
    return true;
}

void Cen::report()
{
    if (!datesPass() || !amountsPass())
        return;
    const ReportRequest r = buildRequest(state());
    ReportJob *j = job(r.reportFile);
    j->setReportFile(QDir(ctx_.cale).filePath(r.reportFile));
    j->setDataFile(0, workingFilePath(ctx_.cale));
    j->setConnect(QStringLiteral(";PWD=") + QLatin1String(kDatabasePassword));
    const int idos = subunit_ ? subunit_->currentData().toInt() : ctx_.subunitate.idos;
    if (subunit_ && idos == 0) {
        // The directorate's file holds its own sub-units' items alone.
        j->setSelectionFormula(r.selection);
        j->setSection(QStringLiteral("os.numeos"));
    } else {
        j->setSelectionFormula(forSubunit(r.selection, idos));
    }
    j->setFormula(0, r.formula0);
    if (r.formula1)
        j->setFormula(1, *r.formula1);
    j->setTopMargin(r.topMargin);
    j->setAction(1, this);
}

} // namespace tendro
