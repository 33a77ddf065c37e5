// The item editor of the programme window: field checks on focus loss,
// arrow-key moves, "Inregistrare noua" and "Salvare".

#include "itemstore.h"
#include "liste.h"
#include "catalogue/browser.h"
#include "catalogue/catalogue.h"
#include "catalogue/levels.h"
#include "services/context.h"
#include "services/fields.h"
#include "store/database.h"
#include "store/dates.h"
#include "store/numbers.h"
#include "store/querymodel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

namespace tendro {

void Liste::wireEditor()
{
    onFocusLost(vallei_, [this] { numberLostFocus(vallei_); });
    onFocusLost(valeuro_, [this] { numberLostFocus(valeuro_); });
    onFocusLost(zi1_, [this] { dayOrMonthLostFocus(zi1_, true); });
    onFocusLost(luna1_, [this] { dayOrMonthLostFocus(luna1_, false); });
    onFocusLost(zi2_, [this] { dayOrMonthLostFocus(zi2_, true); });
    onFocusLost(luna2_, [this] { dayOrMonthLostFocus(luna2_, false); });
    onFocusLost(detal_, [this] { upperCaseLostFocus(detal_); });
    onFocusLost(resp_, [this] { upperCaseLostFocus(resp_); });
    for (QLineEdit *e : {vallei_, zi1_, luna1_, zi2_, luna2_})
        e->installEventFilter(this);
    // A value loaded from the grid is saved as it was loaded, decimals included, until the user types in its box.
    connect(vallei_, &QLineEdit::textEdited, this, [this] { loaded_.lei.reset(); });
    connect(valeuro_, &QLineEdit::textEdited, this, [this] { loaded_.euro.reset(); });
    // The typing limits bind what is typed, not a value loaded from the file
    // (showLoaded): a longer text stays whole until the user shortens it.
    for (QLineEdit *e : {vallei_, valeuro_, resp_, detal_}) {
        const int limit = e->maxLength();
        connect(e, &QLineEdit::textChanged, this, [e, limit](const QString &text) {
            const int allowed = qMax(limit, int(text.size()));
            if (e->maxLength() != allowed)
                e->setMaxLength(allowed);
        });
    }
    // Tab follows the form, the start date before the end date.
    QWidget *const order[] = {vallei_, valeuro_, zi1_, luna1_, an1_, zi2_, luna2_, an2_, resp_, detal_, command2_};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    // A start year picked anew: the end year follows within the start year and the next.
    connect(an1_, &QComboBox::currentTextChanged, this, [this](const QString &start) {
        const QString end = an2_->currentText();
        const bool inRange = end == start || end == QString::number(start.toInt() + 1);
        offerEndYears(inRange ? end : start);
    });
    connect(command2_, &QPushButton::clicked, this, &Liste::save);
    connect(command4_, &QPushButton::clicked, this, &Liste::newItem);
}

void Liste::numberLostFocus(QLineEdit *field)
{
    if (!untouchedLoadedValue(field))
        field->setText(formatWhole(field->text()));
}

bool Liste::untouchedLoadedValue(const QLineEdit *field) const
{
    return field == vallei_ ? loaded_.lei.has_value() : field == valeuro_ && loaded_.euro.has_value();
}

void Liste::dayOrMonthLostFocus(QLineEdit *field, bool day)
{
    field->setText(formatTwoDigits(field->text()));
    const QString refusal = day ? dayRefusal(field->text()) : monthRefusal(field->text());
    if (refusal.isEmpty())
        return;
    ctx_.messages.show(this, refusal);
    field->setFocus();
}

void Liste::upperCaseLostFocus(QLineEdit *field)
{
    field->setText(field->text().toUpper());
    if (!field->text().contains(QLatin1Char('\'')))
        return;
    ctx_.messages.show(this, QLatin1String(kApostropheRefused));
    field->setFocus();
}

bool Liste::arrowKey(QObject *watched, int key)
{
    QWidget *target = nullptr;
    if (key == Qt::Key_Right) {
        if (watched == vallei_)
            target = zi1_;
        else if (watched == zi1_)
            target = luna1_;
        else if (watched == zi2_)
            target = luna2_;
    } else if (key == Qt::Key_Left) {
        if (watched == zi1_ || watched == zi2_)
            target = vallei_;
        else if (watched == luna1_)
            target = zi1_;
        else if (watched == luna2_)
            target = zi2_;
    }
    if (!target)
        return false;
    target->setFocus(Qt::TabFocusReason);
    return true;
}

void Liste::setEditingMode(bool editing)
{
    command3_->setVisible(editing);
    command4_->setVisible(editing);
    if (editing)
        command2_->setText(QStringLiteral("Modifica"));
}

void Liste::showLoaded(QLineEdit *field, const QString &text)
{
    field->setMaxLength(qMax(field->maxLength(), int(text.size())));
    field->setText(text);
}

void Liste::forgetLoaded()
{
    idpsel_ = 0;
    loaded_ = {};
    command2_->setText(QStringLiteral("Salvare"));
    setEditingMode(false);
}

void Liste::forgetLoadedIfGone()
{
    if (idpsel_ != 0 && !itemExists(ctx_.db(), idpsel_))
        forgetLoaded();
}

void Liste::loadedItemGone()
{
    forgetLoaded();
    showQuery(refreshQuery(datamin_, datamax_, projectForQuery(), restoredOrder(sort_)));
    ctx_.messages.show(this, QStringLiteral(" Inregistrarea nu mai exista in program. Datele nu au fost salvate. "));
}

void Liste::newItem()
{
    idpsel_ = 0;
    loaded_ = {};
    vallei_->setText(QStringLiteral("0"));
    valeuro_->setText(QStringLiteral("0"));
    detal_->clear();
    command2_->setText(QStringLiteral("Salvare"));
    setEditingMode(false);
    fond_->setEnabled(true);
}

ItemForm Liste::readForm() const
{
    ItemForm f;
    f.level2HasEntries = lists_[1]->count() > 0;
    f.proiect = proiect_->currentText();
    f.fondRow = fond_->currentRow();
    f.vallei = vallei_->text();
    f.valeuro = valeuro_->text();
    f.zi1 = zi1_->text();
    f.luna1 = luna1_->text();
    f.an1 = an1_->currentText();
    f.zi2 = zi2_->text();
    f.luna2 = luna2_->text();
    f.an2 = an2_->currentText();
    f.detal = detal_->text();
    f.resp = resp_->text();
    f.works = lucr_->isChecked();
    return f;
}

bool Liste::refusedJustNow(ItemField field) const
{
    // The window's own focus child: right after a message box the window may
    // not be active again yet, and the application then has no focus widget.
    return field != ItemField::None && fieldWidget(field) == focusWidget();
}

void Liste::focusField(ItemField field)
{
    if (QWidget *w = fieldWidget(field))
        w->setFocus(Qt::OtherFocusReason);
}

QWidget *Liste::fieldWidget(ItemField field) const
{
    QWidget *w = nullptr;
    switch (field) {
    case ItemField::None: return nullptr;
    case ItemField::Proiect: w = proiect_; break;
    case ItemField::Vallei: w = vallei_; break;
    case ItemField::Valeuro: w = valeuro_; break;
    case ItemField::Zi1: w = zi1_; break;
    case ItemField::Luna1: w = luna1_; break;
    case ItemField::An1: w = an1_; break;
    case ItemField::Zi2: w = zi2_; break;
    case ItemField::Luna2: w = luna2_; break;
    case ItemField::An2: w = an2_; break;
    case ItemField::Detal: w = detal_; break;
    case ItemField::Resp: w = resp_; break;
    }
    return w;
}

void Liste::refuse(const Refusal &r)
{
    ctx_.messages.show(this, r.message);
    if (r.chooseResearchFunds)
        fond_->setCurrentRow(1);
    focusField(r.focus);
}

void Liste::refreshPeople(const QString &select)
{
    const ResultSet people = ctx_.db().query(QStringLiteral("SELECT DISTINCT resp FROM program"));
    listp_->clear();
    for (int r = 0; r < people.count(); ++r)
        listp_->addItem(people.text(r, QStringLiteral("resp")));
    const QList<QListWidgetItem *> same = listp_->findItems(select, Qt::MatchExactly);
    listp_->setCurrentItem(same.isEmpty() ? nullptr : same.first());
}

void Liste::save()
{
    // The boxes as their own checks leave them, had the focus not passed
    // through them: two-digit days and months, whole values.
    for (QLineEdit *e : {zi1_, luna1_, zi2_, luna2_})
        e->setText(formatTwoDigits(e->text()));
    for (QLineEdit *e : {vallei_, valeuro_})
        if (!untouchedLoadedValue(e))
            e->setText(formatWhole(e->text()));
    const ItemForm form = readForm();
    // The field checks come first again: a wrong day typed and left by a
    // click straight on "Salvare" never reaches the file. When the focus is
    // back in the refused field, its own check has just said why.
    if (const std::optional<Refusal> r = checkFields(form)) {
        if (!refusedJustNow(r->focus))
            refuse(*r);
        return;
    }
    if (const std::optional<Refusal> r = checkItem(form)) {
        refuse(*r);
        return;
    }
    try {
        Database &db = ctx_.db();
        // The entry goes by the code remembered for the chosen list entry:
        // two names of the catalogue occur twice.
        const std::optional<ChosenEntry> chosen = browser_->chosen();
        const std::optional<CpvEntry> entry =
            chosen ? CatalogueStore(db).byCode(codeNumber(chosen->code)) : std::nullopt;
        if (!entry) {
            ctx_.messages.show(this, QStringLiteral(" Selectati codul CPV in lista ! "));
            return;
        }
        if (entry->cod2 == kUtilityCode) {
            ctx_.messages.show(this, QStringLiteral(" Acest cod nu este un cod CPV ci este doar un utilitar ! "));
            return;
        }
        activ_ = (act1_->isChecked() ? act1_ : act2_->isChecked() ? act2_ : act3_)->text();
        const QString fond = fond_->currentItem() ? fond_->currentItem()->text() : QString();

        ProgrammeItem item;
        item.cpvId = entry->id;
        item.activit = activ_;
        item.lei = loaded_.lei.value_or(readAmount(form.vallei).value_or(0));
        item.euro = loaded_.euro.value_or(readAmount(form.valeuro).value_or(0));
        item.datainc1 = displayDate(form.zi1, form.luna1, form.an1);
        item.datainc2 = compareDate(form.zi1, form.luna1, form.an1);
        item.datafin1 = displayDate(form.zi2, form.luna2, form.an2);
        item.datafin2 = compareDate(form.zi2, form.luna2, form.an2);
        item.resp = form.resp;
        item.detal = form.detal;
        item.fond = fond;
        item.idos = ctx_.subunitate.idos;
        item.proiect = form.proiect.trimmed().toUpper();

        qint64 key = idpsel_;
        if (key == 0) {
            DuplicateKey dup;
            dup.cpvId = entry->id;
            // Duplicates are looked for in the year the item is saved in.
            const YearBounds saved = yearBounds(form.an1);
            dup.datamin = saved.lower;
            dup.datamax = saved.upper;
            dup.works = form.works;
            dup.detal = form.detal;
            dup.fond = fond;
            dup.proiect = form.proiect;
            dup.idos = ctx_.subunitate.idos;
            if (const std::optional<qint64> existing = findDuplicate(db, dup)) {
                if (!ctx_.messages.ask(this, duplicateQuestion(dup, entry->den, form.an1)))
                    return;
                key = *existing;
            }
        }
        if (key == 0) {
            key = insertItem(db, item);
        } else if (!updateItem(db, key, item)) {
            loadedItemGone();
            return;
        }

        refreshPeople(form.resp);
        const bool editing = command2_->text() == QLatin1String("Modifica");
        const int remembered = grid_->currentIndex().row();
        showQuery(refreshQuery(datamin_, datamax_, projectForQuery(), editing ? restoredOrder(sort_) : SortKey::None));
        selectGridRow(editing ? remembered : model_->rowCount() - 1);
        showSavedClass(key);
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
        return;
    }
    command2_->setText(QStringLiteral("Salveaza"));
    setEditingMode(false);
    idpsel_ = 0;
    loaded_ = {};
    vallei_->setText(QStringLiteral("0"));
    detal_->clear();
    resp_->clear();
    ctx_.messages.show(this, QStringLiteral(" Datele au fost salvate "));
    // The next item starts with its code.
    cod_->setFocus(Qt::OtherFocusReason);
}

} // namespace tendro
