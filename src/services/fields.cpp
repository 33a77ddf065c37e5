#include "fields.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTimer>

namespace tendro {

namespace {

class SelectAllOnFocus : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn)
            // After the click that brought the focus has placed the cursor.
            QTimer::singleShot(0, static_cast<QLineEdit *>(watched), &QLineEdit::selectAll);
        return QObject::eventFilter(watched, event);
    }
};

bool checkRunning = false;

class FocusLostCheck : public QObject {
public:
    FocusLostCheck(std::function<void()> check, QObject *parent) : QObject(parent), check_(std::move(check)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusOut && !checkRunning) {
            const Qt::FocusReason r = static_cast<QFocusEvent *>(event)->reason();
            if (r != Qt::ActiveWindowFocusReason && r != Qt::PopupFocusReason) {
                checkRunning = true;
                struct Reset {
                    ~Reset() { checkRunning = false; }
                } reset;
                check_();
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> check_;
};

class ClickOnCurrent : public QObject {
public:
    ClickOnCurrent(QListWidget *list, std::function<void(int)> handler) : QObject(list), list_(list), handler_(std::move(handler))
    {
        connect(list, &QListWidget::currentRowChanged, this, [this](int row) {
            if (row >= 0)
                handler_(row);
        });
        connect(list, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
            const bool act = pressedCurrent_ && !doubleClick_;
            pressedCurrent_ = doubleClick_ = false;
            if (act && item && list_->row(item) == list_->currentRow())
                handler_(list_->currentRow());
        });
        list->viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress) {
            const auto *me = static_cast<QMouseEvent *>(event);
            const int row = list_->indexAt(me->position().toPoint()).row();
            pressedCurrent_ = row >= 0 && row == list_->currentRow();
            doubleClick_ = false;
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            // The release that ends a double-click is no click of its own.
            doubleClick_ = true;
        }
        return false;
    }

private:
    QListWidget *list_;
    std::function<void(int)> handler_;
    bool pressedCurrent_ = false;
    bool doubleClick_ = false;
};

} // namespace

void selectAllOnFocus(QLineEdit *field)
{
    field->installEventFilter(new SelectAllOnFocus(field));
}

void onFocusLost(QWidget *field, std::function<void()> check)
{
    field->installEventFilter(new FocusLostCheck(std::move(check), field));
}

void fitRows(QListWidget *list, int rows)
{
    // An entry's height is known only from an entry: measure a stand-in when there is none.
    const bool empty = list->count() == 0;
    if (empty)
        list->addItem(QStringLiteral("Xg"));
    const int row = list->sizeHintForRow(0);
    if (empty)
        delete list->takeItem(0);
    list->setFixedHeight(rows * row + 2 * list->frameWidth());
}

void clearOptions(std::initializer_list<QRadioButton *> options)
{
    // Options that exclude each other cannot all be unchecked while they do.
    for (QRadioButton *o : options) {
        o->setAutoExclusive(false);
        o->setChecked(false);
        o->setAutoExclusive(true);
    }
}

void onEveryClick(QListWidget *list, std::function<void(int row)> handler)
{
    new ClickOnCurrent(list, std::move(handler));
}

} // namespace tendro
