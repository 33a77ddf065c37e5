#include "mnu.h"
#include "services/context.h"
#include "shell/exit.h"
#include "shell/password.h"
#include "shell/praguri.h"
#include "shell/restaurare.h"
#include "shell/server.h"
#include "shell/setare2.h"
#include "directorate/aprobare.h"
#include "directorate/centralizare.h"
#include "directorate/returnare.h"
#include "exchange/export.h"
#include "exchange/import.h"
#include "programme/liste.h"
#include "realizations/realiz.h"
#include "reports/cen.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

namespace tendro {

QString mainCaption(const Subunitate &s)
{
    const QString gap35(35, QLatin1Char(' '));
    const QString gap46(46, QLatin1Char(' '));
    if (s.directorate())
        return QStringLiteral("TENDRO") + gap35 + QStringLiteral("DIRECTIA SILVICA ") + s.numeds
            + QStringLiteral(" - CENTRALIZARE");
    if (s.idds == 38)
        return QStringLiteral("TENDRO") + gap35 + s.numeds + QStringLiteral(" - CENTRAVA") + gap46 + s.numeos;
    return QStringLiteral("TENDRO") + gap35 + QStringLiteral("DIRECTIA SILVICA ") + s.numeds + gap46 + s.numeos;
}

Mnu::Mnu(AppContext &ctx, QWidget *parent) : QDialog(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("mnu"));
    setWindowTitle(mainCaption(ctx_.subunitate));
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);

    auto *bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("meniu"));
    addEntry(nullptr, "mnuprg", QStringLiteral("PROGRAM"), &Mnu::openProgram);
    addEntry(nullptr, "mnureal", QStringLiteral("REALIZARI"), &Mnu::openRealizations);
    addEntry(nullptr, "mnucen", QStringLiteral("CENTRALIZATOR"), &Mnu::openCentralizer);
    addEntry(nullptr, "mnupraguri", QStringLiteral("PRAGURI"), &Mnu::openThresholds);
    auto *trans = new QMenu(QStringLiteral("TRANSMITERE"), this);
    trans->menuAction()->setObjectName(QStringLiteral("mnutrans"));
    addEntry(trans, "mnutranserv", QStringLiteral("Pe server"), &Mnu::transmitServer);
    addEntry(trans, "mnutransman", QStringLiteral("Manual"), &Mnu::exportManual);
    auto *prel = new QMenu(QStringLiteral("PRELUARE"), this);
    prel->menuAction()->setObjectName(QStringLiteral("mnuprel"));
    addEntry(prel, "mnuprelserv", QStringLiteral("De pe server"), &Mnu::takeServer);
    addEntry(prel, "mnuprelman", QStringLiteral("Manual"), &Mnu::importManual);
    auto *set = addEntry(nullptr, "mnuset", QStringLiteral("SETARI"), &Mnu::openSignatories);
    auto *par = addEntry(nullptr, "mnupar", QStringLiteral("PAROLA"), &Mnu::openPassword);
    auto *res = addEntry(nullptr, "mnurestaurare", QStringLiteral("RESTAURARE"), &Mnu::openRestore);
    auto *ies = addEntry(nullptr, "mnuies", QStringLiteral("IESIRE"), &Mnu::exitProgram);

    const bool directorate = ctx_.subunitate.directorate();
    if (!directorate) {
        bar->addAction(action(QStringLiteral("mnuprg")));
        bar->addAction(action(QStringLiteral("mnureal")));
    } else {
        // The directorate takes in, approves and returns; it keeps no programme of its own.
        bar->addAction(addEntry(nullptr, "mnucentral", QStringLiteral("PRELUARE SUBUNITATI"), &Mnu::openTakeIn));
        bar->addAction(addEntry(nullptr, "mnuaprob", QStringLiteral("APROBARE"), &Mnu::openApproval));
        bar->addAction(addEntry(nullptr, "mnuretur", QStringLiteral("RETURNARE"), &Mnu::openReturn));
    }
    bar->addAction(action(QStringLiteral("mnucen")));
    bar->addAction(action(QStringLiteral("mnupraguri")));
    if (!directorate) {
        bar->addMenu(trans);
        bar->addMenu(prel);
    }
    bar->addAction(set);
    bar->addAction(par);
    bar->addAction(res);
    bar->addAction(ies);

    auto *lay = new QVBoxLayout(this);
    lay->setMenuBar(bar);
    auto *body = new QLabel(ctx_.subunitate.numeos, this);
    body->setAlignment(Qt::AlignCenter);
    QFont f = body->font();
    f.setPointSize(20);
    f.setBold(true);
    body->setFont(f);
    lay->addWidget(body, 1);
    resize(1000, 700);
}

QAction *Mnu::addEntry(QMenu *menu, const char *name, const QString &caption, void (Mnu::*handler)())
{
    auto *a = new QAction(caption, this);
    a->setObjectName(QLatin1String(name));
    connect(a, &QAction::triggered, this, handler);
    if (menu)
        menu->addAction(a);
    return a;
}

void Mnu::keyPressEvent(QKeyEvent *event)
{
    // Escape would close the main window, and with it the program, without the backup.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

QAction *Mnu::action(const QString &name) const
{
    return findChild<QAction *>(name);
}

void Mnu::openProgram()
{
    Liste w(ctx_, this);
    w.exec();
}

void Mnu::openRealizations()
{
    Realiz w(ctx_, this);
    w.exec();
}

void Mnu::openCentralizer()
{
    Cen w(ctx_, this);
    w.exec();
}

void Mnu::openThresholds()
{
    Praguri w(ctx_, this);
    w.exec();
}

void Mnu::transmitServer() { transmitToServer(ctx_, this); }

void Mnu::takeServer() { takeFromServer(ctx_, this); }

void Mnu::exportManual() { exportToFile(ctx_, this); }

void Mnu::importManual() { importFromFile(ctx_, this); }

void Mnu::openSignatories()
{
    Setare2 w(ctx_, this);
    w.exec();
}

void Mnu::openPassword() { passwordEntry(ctx_, this); }

void Mnu::openRestore()
{
    Restaurare w(ctx_, this);
    w.exec();
}

void Mnu::exitProgram() { exitWithBackup(ctx_, this); }

void Mnu::openTakeIn()
{
    Centralizare w(ctx_, this);
    w.exec();
}

void Mnu::openApproval()
{
    Aprobare w(ctx_, this);
    w.exec();
}

void Mnu::openReturn()
{
    Returnare w(ctx_, this);
    w.exec();
}

} // namespace tendro
