#include "setare.h"
#include "services/context.h"
#include "store/database.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace tendro {

Setare::Setare(AppContext &ctx, QWidget *parent) : QDialog(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("setare"));
    setWindowTitle(QStringLiteral("Setare subunitate"));
    auto *label2 = new QLabel(QStringLiteral("DIRECTIA SILVICA"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    auto *label1 = new QLabel(QStringLiteral("SUBUNITATE"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    dir1_ = new QListWidget(this);
    dir1_->setObjectName(QStringLiteral("dir1"));
    ocol_ = new QListWidget(this);
    ocol_->setObjectName(QStringLiteral("ocol"));
    chkdirectie_ = new QCheckBox(QStringLiteral("Centralizare la nivel de directie"), this);
    chkdirectie_->setObjectName(QStringLiteral("chkdirectie"));
    butoninstal_ = new QPushButton(QStringLiteral("Continuare"), this);
    butoninstal_->setObjectName(QStringLiteral("butoninstal"));
    butoninstal_->setAutoDefault(false);

    auto *lay = new QGridLayout(this);
    lay->addWidget(label2, 0, 0);
    lay->addWidget(label1, 0, 1);
    lay->addWidget(dir1_, 1, 0);
    lay->addWidget(ocol_, 1, 1);
    lay->addWidget(chkdirectie_, 2, 0);
    lay->addWidget(butoninstal_, 2, 1, Qt::AlignRight);
    resize(640, 420);

    connect(dir1_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            directorateChosen();
    });
    connect(ocol_, &QListWidget::currentRowChanged, this, [this] { updateButton(); });
    // A directorate's installation takes in its sub-units' programmes: no sub-unit to choose.
    connect(chkdirectie_, &QCheckBox::toggled, this, [this](bool on) {
        ocol_->setEnabled(!on);
        updateButton();
    });
    connect(butoninstal_, &QPushButton::clicked, this, &Setare::confirm);
    updateButton();
}

void Setare::updateButton()
{
    butoninstal_->setEnabled(chkdirectie_->isChecked() ? dir1_->currentItem() != nullptr : ocol_->currentItem() != nullptr);
}

void Setare::fillDirectorates()
{
    const ResultSet ds = ctx_.db().query(QStringLiteral("SELECT * FROM ds ORDER BY numeds"));
    dir1_->clear();
    for (int i = 0; i < ds.count(); ++i)
        dir1_->addItem(ds.text(i, QStringLiteral("numeds")));
    if (dir1_->count() > 0)
        dir1_->setCurrentRow(0);
}

void Setare::directorateChosen()
{
    if (!dir1_->currentItem())
        return;
    try {
        Database &db = ctx_.db();
        const ResultSet ds = db.query(QStringLiteral("SELECT * FROM ds WHERE numeds=?"), {dir1_->currentItem()->text()});
        ocol_->clear();
        if (!ds.isEmpty()) {
            ctx_.subunitate.idds = int(ds.integer(0, QStringLiteral("idds")));
            const ResultSet os = db.query(QStringLiteral("SELECT * FROM os WHERE idds=?"), {ctx_.subunitate.idds});
            for (int i = 0; i < os.count(); ++i)
                ocol_->addItem(os.text(i, QStringLiteral("numeos")));
        }
        if (ocol_->count() > 0)
            ocol_->setCurrentRow(0);
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
    updateButton();
}

void Setare::confirm()
{
    if (chkdirectie_->isChecked()) {
        confirmDirectorate();
        return;
    }
    // A directorate without sub-units has nothing to store.
    if (!dir1_->currentItem() || !ocol_->currentItem())
        return;
    const QString numeds = dir1_->currentItem()->text();
    const QString numeos = ocol_->currentItem()->text();
    try {
        Database &db = ctx_.db();
        const ResultSet os = db.query(QStringLiteral("SELECT * FROM os WHERE numeos=? and idds=?"),
                                      {numeos, ctx_.subunitate.idds});
        if (os.isEmpty())
            return;
        ctx_.subunitate.idos = int(os.integer(0, QStringLiteral("idos")));
        db.exec(QStringLiteral("INSERT INTO setare (idds,idos,numeds,numeos) VALUES(?,?,?,?)"),
                {ctx_.subunitate.idds, ctx_.subunitate.idos, numeds, numeos});
        ctx_.subunitate.numeds = numeds;
        ctx_.subunitate.numeos = numeos;
        accept();
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

} // namespace tendro

namespace tendro {

void Setare::confirmDirectorate()
{
    if (!dir1_->currentItem())
        return;
    const QString numeds = dir1_->currentItem()->text();
    try {
        Database &db = ctx_.db();
        const ResultSet ds = db.query(QStringLiteral("SELECT * FROM ds WHERE numeds=?"), {numeds});
        if (ds.isEmpty())
            return;
        // Sub-unit 0 named as its directorate: the installation is the directorate's.
        ctx_.subunitate.idds = int(ds.integer(0, QStringLiteral("idds")));
        ctx_.subunitate.idos = 0;
        db.exec(QStringLiteral("INSERT INTO setare (idds,idos,numeds,numeos) VALUES(?,0,?,?)"),
                {ctx_.subunitate.idds, numeds, numeds});
        ctx_.subunitate.numeds = numeds;
        ctx_.subunitate.numeos = numeds;
        accept();
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

} // namespace tendro
