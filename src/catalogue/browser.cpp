#include "browser.h"
#include "levels.h"
#include "pattern.h"
#include "services/fields.h"
#include "services/services.h"
#include "store/database.h"
#include "store/numbers.h"

#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>

namespace tendro {

namespace {

// Shows the current entry's code and name while the mouse moves over a list.
class TooltipFilter : public QObject {
public:
    TooltipFilter(CatalogueBrowser *browser, int level, QObject *parent)
        : QObject(parent), browser_(browser), level_(level) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseMove)
            browser_->updateTooltip(level_);
        return QObject::eventFilter(watched, event);
    }

private:
    CatalogueBrowser *browser_;
    int level_;
};

} // namespace

CatalogueBrowser::CatalogueBrowser(Database &db, MessageService &messages, QWidget *window, BrowserWidgets w)
    : QObject(window), store_(db), messages_(messages), window_(window), w_(w)
{
    for (int i = 0; i < 7; ++i) {
        QListWidget *list = w_.lists[i];
        const int level = i + 1;
        list->setMouseTracking(true);
        list->viewport()->setMouseTracking(true);
        list->viewport()->installEventFilter(new TooltipFilter(this, level, list));
        // The tooltip always names the current entry, or nothing.
        connect(list, &QListWidget::currentRowChanged, this, [this, level] { updateTooltip(level); });
        if (level <= 6) {
            // Every click is the list's click, also on the entry already
            // current, as is every change of the current entry by the program.
            onEveryClick(list, [this, level](int) { levelClicked(level); });
            connect(list, &QListWidget::itemDoubleClicked, this, [this, level] { levelDoubleClicked(level); });
        }
    }
    // A click on the chosen option refills the lists all the same.
    const std::array<QRadioButton *, 3> kinds{w_.prod, w_.serv, w_.lucr};
    for (int k = 0; k < 3; ++k)
        connect(kinds[k], &QRadioButton::clicked, this, [this, k, option = kinds[k]] {
            if (option->isChecked())
                kindChosen(k + 1);
        });
}

void CatalogueBrowser::reset()
{
    blocat_.fill(0);
    gasite_.clear();
    gasiteSet_.clear();
    cuvvechi_.clear();
}

void CatalogueBrowser::chooseKind(int fel)
{
    QRadioButton *option = fel == 1 ? w_.prod : fel == 2 ? w_.serv : fel == 3 ? w_.lucr : nullptr;
    if (!option)
        return;
    option->setChecked(true);
    kindChosen(fel);
}

void CatalogueBrowser::kindChosen(int fel)
{
    QListWidget *list1 = w_.lists[0];
    clearList(1);
    try {
        for (const CpvEntry &e : store_.firstLevel(fel))
            addEntry(1, e.den, e.cod);
    } catch (const DbError &e) {
        messages_.engineError(window_, e);
    }
    if (list1->count() > 0)
        list1->setCurrentRow(0);
    else
        emptyFrom(2);
    w_.label17->setText(fel == 3 ? QStringLiteral("Obiectivul") : QStringLiteral("Detalii"));
}

void CatalogueBrowser::addEntry(int level, const QString &name, const QString &code)
{
    QListWidget *list = w_.lists[level - 1];
    const QSignalBlocker quiet(list);
    list->addItem(name);
    coduri_[level - 1].append(code);
}

void CatalogueBrowser::clearList(int level)
{
    {
        const QSignalBlocker quiet(w_.lists[level - 1]);
        w_.lists[level - 1]->clear();
    }
    coduri_[level - 1].clear();
    updateTooltip(level);
}

void CatalogueBrowser::emptyFrom(int level)
{
    for (int l = level; l <= 7; ++l)
        clearList(l);
}

void CatalogueBrowser::levelClicked(int level)
{
    if (level < 1 || level > 6 || blocat_[level - 1])
        return;
    QListWidget *list = w_.lists[level - 1];
    const int row = list->currentRow();
    if (row < 0 || row >= coduri_[level - 1].size())
        return;
    QListWidget *next = w_.lists[level];
    try {
        // The entry is found by its remembered code, which is unique, where
        // a name may be shared by two entries.
        const std::optional<CpvEntry> entry = store_.byCode(codeNumber(coduri_[level - 1].at(row)));
        if (!entry)
            return;   // the lists below stay as they were
        clearList(level + 1);
        for (qint64 candidate : childCandidates(entry->cod, level)) {
            if (const std::optional<CpvEntry> child = store_.byCode(candidate))
                addEntry(level + 1, child->den, child->cod);
        }
    } catch (const DbError &e) {
        messages_.engineError(window_, e);
        return;
    }
    if (next->count() > 0) {
        if (next->currentRow() == 0 && level + 1 <= 6)
            levelClicked(level + 1);
        else
            next->setCurrentRow(0);   // runs the next level's click
    } else {
        emptyFrom(level + 2);
    }
}

void CatalogueBrowser::levelDoubleClicked(int level)
{
    if (level < 1 || level > 6)
        return;
    QListWidget *list = w_.lists[level - 1];
    const int row = list->currentRow();
    if (level == 6 && row >= 0 && row < coduri_[5].size() && isUtilityCode(coduri_[5].at(row))) {
        messages_.show(window_, QStringLiteral(" Acest cod nu este un cod CPV ci este doar un utilitar ! "));
        return;
    }
    emptyFrom(level + 1);
}

void CatalogueBrowser::updateTooltip(int level)
{
    QListWidget *list = w_.lists[level - 1];
    const int row = list->currentRow();
    const QString tip = row >= 0 && row < coduri_[level - 1].size()
        ? entryTooltip(level, coduri_[level - 1].at(row), list->item(row)->text())
        : QString();
    list->setToolTip(tip);
    list->viewport()->setToolTip(tip);
}

std::optional<ChosenEntry> CatalogueBrowser::chosen() const
{
    for (int level = 7; level >= 1; --level) {
        const QListWidget *list = w_.lists[level - 1];
        if (list->count() == 0)
            continue;
        const int row = list->currentRow();
        if (row < 0 || row >= coduri_[level - 1].size())
            return std::nullopt;
        return ChosenEntry{level, coduri_[level - 1].at(row), list->item(row)->text()};
    }
    return std::nullopt;
}

void CatalogueBrowser::setBlocked(bool on) { blocat_.fill(on ? 1 : 0); }

void CatalogueBrowser::pozitionare(const QString &code, int fel)
{
    const PositioningPlan plan = positioningPlan(code);
    if (plan.level == 0) {
        chooseKind(fel);   // a division only switches the kind
        return;
    }
    // Blocked before the kind fills list I: the cascade it would start is
    // emptied right after, so it is not run at all.
    setBlocked(true);
    chooseKind(fel);
    emptyFrom(2);
    try {
        for (const LevelPlan &lp : plan.levels) {
            QListWidget *list = w_.lists[lp.level - 1];
            int selected = -1;
            for (int j = 1; j <= 9; ++j) {
                const qint64 candidate = lp.candidates.at(j - 1);
                if (const std::optional<CpvEntry> e = store_.byCode(candidate)) {
                    if (j == lp.selectedDigit)
                        selected = list->count();
                    addEntry(lp.level, e->den, QString::number(candidate));
                }
            }
            // A missing ancestor leaves its level without a current entry.
            list->setCurrentRow(selected);
        }
        QListWidget *list1 = w_.lists[0];
        for (int p = 0; p < coduri_[0].size(); ++p)
            if (codeNumber(coduri_[0].at(p)) == plan.firstLevelCode) {
                list1->setCurrentRow(p);
                break;
            }
    } catch (const DbError &e) {
        setBlocked(false);
        messages_.engineError(window_, e);
        return;
    }
    setBlocked(false);
}

void CatalogueBrowser::searchCode(const QString &text)
{
    if (text.isEmpty())
        return;
    std::optional<CpvEntry> entry;
    try {
        entry = store_.byCode(qint64(leadingNumber(text)));
    } catch (const DbError &e) {
        messages_.engineError(window_, e);
        return;
    }
    if (!entry) {
        messages_.show(window_, QStringLiteral(" Numarul introdus nu figureaza printre codurile CPV ! "));
        return;
    }
    pozitionare(entry->cod, entry->fel);
}

void CatalogueBrowser::searchWord(const QString &word)
{
    if (!searchRowsLoaded_) {
        // Nothing changes the catalogue while this window is open, so it is
        // read and folded once.
        try {
            searchRows_ = store_.searchRows();
        } catch (const DbError &e) {
            messages_.engineError(window_, e);
            return;
        }
        searchRowsLoaded_ = true;
    }
    if (searchRows_.isEmpty()) {
        messages_.show(window_, QStringLiteral(" Cuvantul ,,") + word
                                    + QStringLiteral(",, nu a fost gasit in denumirea codurilor CPV ! "));
        return;
    }
    const WordPattern pattern(word);
    const SearchRow *hit = nullptr;
    bool first = true;
    for (const SearchRow &row : std::as_const(searchRows_)) {
        if (!pattern.matchesFolded(row.folded))
            continue;
        if (first && word != cuvvechi_) {
            gasite_.clear();
            gasiteSet_.clear();
        }
        first = false;
        if (gasiteSet_.contains(row.cod2))
            continue;
        hit = &row;
        break;
    }
    if (!hit) {
        messages_.show(window_, QStringLiteral(" Cautarea acestui cuvant a fost epuizata ! "));
        cuvvechi_.clear();
        return;
    }
    if (gasite_.isEmpty())
        cuvvechi_ = word;
    gasite_.append(hit->cod2);
    gasiteSet_.insert(hit->cod2);
    pozitionare(hit->cod, hit->fel);
}

} // namespace tendro
