#include "init.h"
#include "services/context.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace tendro {

Init::Init(AppContext &ctx, QWidget *parent) : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("init"));
    setModal(true);
    auto *title = new QLabel(QStringLiteral("TENDRO"), this);
    title->setObjectName(QStringLiteral("titlu"));
    QFont f(QStringLiteral("Monotype Corsiva"), 48);
    f.setItalic(true);
    title->setFont(f);
    title->setAlignment(Qt::AlignCenter);
    auto *line = new QLabel(QStringLiteral("TENDRO - MODUL SUBUNITATE"), this);
    line->setAlignment(Qt::AlignCenter);
    QFont lf = line->font();
    lf.setPointSize(14);
    lf.setBold(true);
    line->setFont(lf);
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(40, 40, 40, 40);
    lay->addWidget(title);
    lay->addWidget(line);
    setStyleSheet(QStringLiteral("QDialog#init { background: #1f4e3d; } QLabel { color: #f2efe2; }"));
    resize(520, 260);

    ctx.display.modecran = 1;
    comutaEcran(ctx, 1024, 768, 32);

    timp_ = new QTimer(this);
    timp_->setObjectName(QStringLiteral("timp"));
    timp_->setInterval(ctx.splashMilliseconds);
    connect(timp_, &QTimer::timeout, this, [this] {
        timp_->stop();
        accept();
    });
}

void Init::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Counted from the moment the window is on screen.
    if (!timp_->isActive())
        timp_->start();
}

void Init::keyPressEvent(QKeyEvent *event)
{
    // The splash lives its interval; Escape would otherwise close it at once.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tendro
