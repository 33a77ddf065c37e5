#include "restaurare.h"
#include "services/context.h"
#include "store/database.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidgetItem>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

namespace tendro {

Restaurare::Restaurare(AppContext &ctx, QWidget *parent) : QDialog(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("restaurare"));
    setWindowTitle(QStringLiteral("RESTAURARE DIN COPIE"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("List1"));
    restore_ = new QPushButton(QStringLiteral("Restaurare"), this);
    restore_->setObjectName(QStringLiteral("Command1"));
    auto *quit = new QPushButton(QStringLiteral("Iesire"), this);
    quit->setObjectName(QStringLiteral("Command2"));
    for (QPushButton *b : {restore_, quit})
        b->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(restore_);
    buttons->addWidget(quit);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(list_);
    lay->addLayout(buttons);
    resize(640, 360);

    // Nothing is chosen for the user: restoring replaces the working file. The
    // selection counts, not the current row, which the list sets on focus alone.
    connect(list_, &QListWidget::itemSelectionChanged, this,
            [this] { restore_->setEnabled(!list_->selectedItems().isEmpty()); });
    connect(restore_, &QPushButton::clicked, this, &Restaurare::restore);
    connect(quit, &QPushButton::clicked, this, &QDialog::reject);
    fill();
}

void Restaurare::fill()
{
    BusyCursor busy;
    list_->clear();
    copies_ = datedCopies(ctx_.cale);
    const QList<FileCheck> checks = checkCopies(copies_);
    const QDateTime now = ctx_.clock.now();
    for (int i = 0; i < copies_.size(); ++i) {
        auto *item = new QListWidgetItem(copyLine(copies_.at(i), checks.value(i), wrongClock(copies_, i, now)), list_);
        // A copy that fails its check cannot be chosen.
        if (!checks.value(i).whole())
            item->setFlags(Qt::NoItemFlags);
    }
    restore_->setEnabled(false);
}

void Restaurare::restore()
{
    const QList<QListWidgetItem *> chosen = list_->selectedItems();
    const int row = chosen.isEmpty() ? -1 : list_->row(chosen.first());
    if (row < 0 || row >= copies_.size())
        return;
    const DatedCopy copy = copies_.at(row);
    if (!ctx_.messages.ask(this, QStringLiteral(" Datele curente vor fi inlocuite cu copia din ") + shownMoment(copy)
                                     + QStringLiteral(". Continuati ? ")))
        return;
    QString damaged;
    try {
        BusyCursor busy;
        damaged = restoreDatedCopy(ctx_, copy);
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
        fill();   // the current file may have been kept as a new copy already
        return;
    }
    ctx_.messages.show(this, QStringLiteral(" Copia a fost restaurata. ")
                                 + (damaged.isEmpty() ? QString()
                                                      : QStringLiteral("Fisierul curent era deteriorat si a fost pastrat in "
                                                                       "folderul backup ca ")
                                                            + damaged + QStringLiteral(". "))
                                 + QStringLiteral("Este necesar de a intra din nou in program. "));
    ctx_.platform.endProgram();
    accept();
}

} // namespace tendro
