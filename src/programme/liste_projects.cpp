// Projects of the programme window, and the copy of an earlier year's
// programme offered by a right-click on the year list.

#include "liste.h"
#include "projects.h"
#include "yearcopy.h"
#include "services/context.h"
#include "services/fields.h"
#include "store/database.h"
#include "store/querymodel.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

namespace tendro {

namespace {

// Rebuilds the project list whenever the combo's line gets the focus.
class FocusIn : public QObject {
public:
    FocusIn(std::function<void()> fn, QObject *parent) : QObject(parent), fn_(std::move(fn)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The focus coming back from the combo's own list or from a message
        // is no new visit: a rebuild then would lose the entry just picked.
        if (event->type() == QEvent::FocusIn) {
            const Qt::FocusReason why = static_cast<QFocusEvent *>(event)->reason();
            if (why != Qt::PopupFocusReason && why != Qt::ActiveWindowFocusReason)
                fn_();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> fn_;
};

} // namespace

void Liste::wireProjects()
{
    // One character over the limit is what the check below needs to see; a
    // long paste is cut there instead of bringing one message per character.
    proiect_->lineEdit()->setMaxLength(kProjectMaxLength + 1);
    // The combo, not its line, is what takes and loses the focus.
    proiect_->installEventFilter(new FocusIn([this] { rebuildProjects(); }, proiect_));
    onFocusLost(proiect_, [this] { projectLostFocus(); });
    connect(proiect_, &QComboBox::editTextChanged, this, &Liste::projectTextChanged);
    connect(proiect_, &QComboBox::activated, this, &Liste::projectPicked);
    connect(command7_, &QPushButton::clicked, this, &Liste::deleteProject);

    mnutrans_ = new QMenu(QStringLiteral("Transfer"), this);
    mnutrans_->menuAction()->setObjectName(QStringLiteral("mnutrans"));
    QAction *copy = mnutrans_->addAction(QStringLiteral("Copiere in anul curent"));
    copy->setObjectName(QStringLiteral("mnucopi"));
    connect(copy, &QAction::triggered, this, &Liste::copyFromYear);
    anul_->viewport()->installEventFilter(this);
}

void Liste::rebuildProjects()
{
    QStringList names;
    try {
        names = projectsOfYear(ctx_.db(), datamin_, datamax_, activ_, ctx_.subunitate.idos);
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
        return;
    }
    // The text the user typed stays.
    const QString typed = proiect_->currentText();
    const QSignalBlocker quiet(proiect_);
    proiect_->clear();
    proiect_->addItems(names);
    proiect_->setCurrentIndex(-1);
    proiect_->setEditText(typed);
}

void Liste::projectTextChanged(const QString &text)
{
    if (text.size() <= kProjectMaxLength)
        return;
    ctx_.messages.show(this, QStringLiteral(" Numarul maxim de caractere este 50 !!! "));
    // The shorter text is itself a change and is checked again.
    proiect_->setEditText(text.left(text.size() - 1));
}

void Liste::projectLostFocus()
{
    const QString cleaned = proiect_->currentText().trimmed().toUpper();
    if (cleaned != proiect_->currentText())
        proiect_->setEditText(cleaned);
    if (!cleaned.contains(QLatin1Char('\'')))
        return;
    ctx_.messages.show(this, QLatin1String(kApostropheRefused));
    proiect_->setFocus();
}

void Liste::projectPicked(int index)
{
    if (index < 0)
        return;
    const QString name = proiect_->itemText(index);
    showQuery(projectQuery(datamin_, datamax_, name, activ_));
    gridCaption_->setText(QStringLiteral("Achizitii cuprinse in proiectul : ") + name);
}

void Liste::deleteProject()
{
    const QString name = proiect_->currentText();
    if (name.isEmpty()) {
        ctx_.messages.show(this, QStringLiteral(" Selectati denumirea proiectului ! "));
        return;
    }
    const int idos = ctx_.subunitate.idos;
    const QString quoted = QStringLiteral("'' ") + name + QStringLiteral(" ''");
    try {
        if (ctx_.messages.ask(this,
                              QStringLiteral(" Doriti stergerea doar a legaturilor la codurile CPV, cu pastrarea"
                                             " acestora in program ? "),
                              QStringLiteral("Confirmare stergere proiecte"))) {
            if (!ctx_.messages.ask(this, QStringLiteral(" Confirmati stergerea legaturilor la proiectul ") + quoted
                                             + QStringLiteral(" ? "),
                                   QStringLiteral("Confirmare stergere legaturi la proiecte")))
                return;
            unlinkProject(ctx_.db(), name, idos);
            ctx_.messages.show(this, QStringLiteral(" Stergerea legaturilor la codurile CPV, pentru proiectul ") + quoted
                                         + QStringLiteral(", a fost executata "));
        } else {
            if (!ctx_.messages.ask(this, QStringLiteral(" Ati selectat stergerea proiectului ") + quoted
                                             + QStringLiteral(", impreuna cu codurile CPV aferente acestuia ")
                                             + QStringLiteral("\r\n") + QStringLiteral(" Confirmati aceasta ? "),
                                   QStringLiteral("Confirmare stergere proiecte")))
                return;
            const int kept = tendro::deleteProject(ctx_.db(), name, idos);
            ctx_.messages.show(this, QStringLiteral(" Stergerea codurilor CPV aferente proiectului ") + quoted
                                         + QStringLiteral(" a fost executata ")
                                         + (kept == 0 ? QString()
                                                      : QLatin1Char('\n')
                                                            + QStringLiteral(" %1 pozitii aprobate sau cu realizari au"
                                                                             " fost pastrate in program, fara proiect. ")
                                                                  .arg(kept)));
        }
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
        return;
    }
    proiect_->setEditText(QString());
    gridCaption_->clear();
    showQuery(subunitQuery(datamin_, datamax_, idos));
    forgetLoadedIfGone();
}

void Liste::yearMousePressed(const QPoint &at)
{
    const QString year = selectedYear();
    if (year.isEmpty() || year == QString::number(ctx_.clock.today().year()))
        return;
    copySourceYear_ = year;
    mnutrans_->popup(at);
}

void Liste::copyFromYear()
{
    const QString x = copySourceYear_.isEmpty() ? selectedYear() : copySourceYear_;
    const QString y = QString::number(ctx_.clock.today().year());
    if (x.isEmpty() || x == y)
        return;
    try {
        Database &db = ctx_.db();
        // Nothing to copy must not empty the current year.
        if (countYear(db, x.toInt(), ctx_.subunitate.idos).items == 0) {
            ctx_.messages.show(this, QStringLiteral(" Anul ") + x + QStringLiteral(" nu are achizitii de copiat. "));
            return;
        }
        if (!ctx_.messages.ask(this, QStringLiteral(" Ati activat optiunea de copiere a datelor din anul ") + x
                                         + QStringLiteral(" in anul ") + y + QStringLiteral(" ! ") + QLatin1Char('\n')
                                         + QStringLiteral(" Sigur aceasta doriti ? ")))
            return;
        const YearItems current = countYear(db, y.toInt());
        if (current.items > 0
            && !ctx_.messages.ask(this, QStringLiteral(" Aveti deja date introduse in anul ") + y + QStringLiteral(" ! ")
                                            + QLatin1Char('\n') + QStringLiteral(" Datele din anul ") + x
                                            + QStringLiteral(" se vor suprascrie peste cele din ") + y
                                            + QStringLiteral(".") + QLatin1Char('\n')
                                            + QStringLiteral(" Se vor sterge %1 pozitii, dintre care %2 aprobate. ")
                                                  .arg(current.items - current.realized)
                                                  .arg(current.approved)
                                            + (current.realized == 0
                                                   ? QString()
                                                   : QLatin1Char('\n')
                                                         + QStringLiteral(" Raman %1 pozitii care au realizari. ")
                                                               .arg(current.realized))
                                            + QLatin1Char('\n') + QStringLiteral(" Continuati ? ")))
            return;
        copyYear(db, x.toInt(), y.toInt());
        forgetLoadedIfGone();
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
        return;
    }
    ctx_.messages.show(this, QStringLiteral(" Datele din anul ") + x + QStringLiteral(" au fost copiate in anul ") + y);
}

} // namespace tendro
