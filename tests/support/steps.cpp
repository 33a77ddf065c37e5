#include "steps.h"
#include "store/database.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QTimer>
#include <array>

using namespace Qt::StringLiterals;

namespace tendro::test {

using K = Step::Kind;

Step type(const QString &c, const QString &text) { return {.kind = K::Type, .control = c, .text = text}; }
Step key(const QString &c, int k, Qt::KeyboardModifiers m) { return {K::Key, c, {}, k, m}; }
Step click(const QString &c) { return {.kind = K::Click, .control = c}; }
Step clickCell(const QString &v, int r, int c) { return {.kind = K::ClickCell, .control = v, .row = r, .column = c}; }
Step doubleClickCell(const QString &v, int r, int c) { return {K::DoubleClickCell, v, {}, 0, {}, r, c}; }
Step clickItem(const QString &v, const QString &text) { return {.kind = K::ClickCell, .control = v, .text = text}; }
Step choose(const QString &c, const QString &text) { return {.kind = K::Choose, .control = c, .text = text}; }
Step message(const QString &text, Answer a) { return {.kind = K::Message, .text = text, .answer = a}; }
Step expectText(const QString &c, const QString &text) { return {.kind = K::Text, .control = c, .text = text}; }
Step expectCell(const QString &v, int r, int c, const QString &text) { return {K::Cell, v, text, 0, {}, r, c}; }
Step expectFocus(const QString &c) { return {.kind = K::Focus, .control = c}; }
Step expectRows(const QString &sql, const QStringList &rows) { return {.kind = K::Rows, .text = sql, .rows = rows}; }
Step call(std::function<void()> fn) { return {.kind = K::Call, .fn = std::move(fn)}; }

QStringList queryRows(Database &db, const QString &sql)
{
    QStringList out;
    const ResultSet rs = db.query(sql);
    for (int r = 0; r < rs.count(); ++r) {
        QStringList cells;
        for (int c = 0; c < rs.columns().size(); ++c)
            cells << (rs.value(r, c).isNull() ? u"<null>"_s : rs.text(r, rs.columns().at(c)));
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

namespace {

// Runs what the windows have queued (a committed cell, a refused cell opened
// again), however loaded the machine is: each pass runs what the last one posted.
void settle()
{
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
}

// The answer that changes nothing, for a box no step expected.
QAbstractButton *harmless(QMessageBox *box)
{
    return box->button(QMessageBox::No) ? box->button(QMessageBox::No) : box->button(QMessageBox::Ok);
}

// Runs the steps from a timer, so that a step that opens a modal window
// (and so does not return until that window closes) lets the following
// steps drive the window, and modal boxes are answered as they come up.
class Runner {
public:
    Runner(Env &env, QWidget *window, const QList<Step> &steps) : env_(env), window_(window), steps_(steps) {}

    QString run()
    {
        const QScopedValueRollback<bool> realBoxes(env_.messages.realBoxes, true);
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [this] { tick(); });
        timer.start(2);
        clock_.start();
        while (!finished())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        timer.stop();
        closeModals();
        return error_;
    }

private:
    bool finished() const { return !error_.isEmpty() || (next_ >= steps_.size() && running_.isEmpty() && !scheduled_); }

    void fail(const QString &why)
    {
        if (!error_.isEmpty())
            return;
        error_ = u"step %1: %2"_s.arg(qMin(current_, steps_.size() - 1) + 1).arg(why);
        // A step may be waiting inside a modal window: close it so the run can end.
        QTimer::singleShot(0, [this] { closeModals(); });
    }

    void tick()
    {
        if (!error_.isEmpty() || inTick_)
            return;
        if (clock_.elapsed() > 30000)
            return fail(u"timed out"_s);
        const QScopedValueRollback<bool> busy(inTick_, true);
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            answer(box);
        else if (next_ < steps_.size() && !scheduled_ && mayStart()) {
            // Each step runs from a timer of its own: Qt does not fire a timer
            // again while its handler runs, and this one must keep polling.
            scheduled_ = true;
            QTimer::singleShot(0, [this, index = next_++] { perform(index); });
        }
    }

    // A new step starts when none runs, or when the running one has opened
    // a modal window of its own and waits inside it.
    bool mayStart() const { return running_.isEmpty() || QApplication::activeModalWidget() != running_.last(); }

    void answer(QMessageBox *box)
    {
        const QString shown = box->text();
        QAbstractButton *button = nullptr;
        if (next_ < steps_.size() && steps_.at(next_).kind == K::Message) {
            const Step &s = steps_.at(current_ = next_++);
            button = box->button(std::array{QMessageBox::Ok, QMessageBox::Yes, QMessageBox::No}[int(s.answer)]);
            if (shown != s.text)
                fail(u"message \"%1\", expected \"%2\""_s.arg(shown, s.text));
            else if (!button)
                fail(u"message \"%1\" has no such button"_s.arg(shown));
        } else {
            fail(u"unexpected message \"%1\""_s.arg(shown));
        }
        QPointer<QWidget> back = box->parentWidget() ? box->parentWidget()->window() : window_.data();
        if (QAbstractButton *b = button ? button : harmless(box))
            QTest::mouseClick(b, Qt::LeftButton);
        if (!QApplication::activeWindow() && back)
            QApplication::setActiveWindow(back);
    }

    void perform(int index)
    {
        scheduled_ = false;
        current_ = index;
        const Step &s = steps_.at(index);
        if (s.kind == K::Message)
            return fail(u"message \"%1\" was not shown"_s.arg(s.text));
        // Offscreen, no window manager gives the activation back when a box
        // or a window closes; do what it would do.
        if (QWidget *front = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : window_.data();
            front && !QApplication::activeWindow())
            QApplication::setActiveWindow(front);
        running_.append(QApplication::activeModalWidget());
        act(s);
        settle();
        running_.removeLast();
        current_ = index;
        if (running_.isEmpty() && next_ < steps_.size() && steps_.at(next_).kind == K::Message && error_.isEmpty())
            fail(u"message \"%1\" was not shown"_s.arg(steps_.at(next_).text));
    }

    // The window in front first: a name like "Command1" is in every window.
    QObject *find(const QString &name) const
    {
        const QWidgetList fronts{QApplication::activeModalWidget(), window_.data()};
        for (QWidget *w : fronts + QApplication::topLevelWidgets())
            if (QObject *o = !w ? nullptr : w->objectName() == name ? w : w->findChild<QObject *>(name))
                return o;
        return nullptr;
    }

    // An empty name: the widget that has the focus.
    QWidget *widget(const QString &name)
    {
        QWidget *w = name.isEmpty() ? QApplication::focusWidget() : qobject_cast<QWidget *>(find(name));
        if (!w)
            fail(name.isEmpty() ? u"no widget has the focus"_s : u"no control \"%1\""_s.arg(name));
        return w;
    }

    QAbstractItemView *gridOrList(const QString &name)
    {
        auto *view = qobject_cast<QAbstractItemView *>(widget(name));
        if (!view)
            fail(u"\"%1\" is no grid or list"_s.arg(name));
        return view;
    }

    // The cell at row, column, or else the first row that shows `text` in its first column.
    QModelIndex cell(QAbstractItemView *view, int row, int column, const QString &text = {})
    {
        const QAbstractItemModel *m = view->model();
        const QModelIndex i = text.isEmpty()
            ? m->index(row < 0 ? m->rowCount() + row : row, column)
            : m->match(m->index(0, 0), Qt::DisplayRole, text, 1, Qt::MatchExactly).value(0);
        if (!i.isValid())
            fail(text.isEmpty() ? u"no cell %1,%2 in \"%3\""_s.arg(row).arg(column).arg(view->objectName())
                                : u"\"%1\" has no row \"%2\""_s.arg(view->objectName(), text));
        return i;
    }

    void act(const Step &s)
    {
        switch (s.kind) {
        case K::Type: {
            QWidget *w = widget(s.control);
            if (!w)
                return;
            if (auto *combo = qobject_cast<QComboBox *>(w); combo && combo->lineEdit())
                w = combo->lineEdit();
            if (!s.control.isEmpty() && !(w->hasFocus() || w->isAncestorOf(QApplication::focusWidget())))
                QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(qMin(4, w->width() - 1), w->height() / 2));
            if (QWidget *f = QApplication::focusWidget(); f && !qobject_cast<QAbstractItemView *>(w))
                QTest::keyClick(f, Qt::Key_A, Qt::ControlModifier);
            for (int i = 0; i < s.text.size() && QApplication::focusWidget(); ++i) {
                // A key per character, one for a character outside the basic plane (its two halves).
                const QChar c = s.text.at(i);
                const int length = c.isHighSurrogate() && i + 1 < s.text.size() ? 2 : 1;
                if (c.unicode() < 0x7f && c.isPrint())
                    QTest::keyClick(QApplication::focusWidget(), char(c.unicode()));
                else
                    QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown,
                                        s.text.mid(i, length), Qt::NoModifier);
                i += length - 1;
            }
            return;
        }
        case K::Key:
            if (QWidget *w = widget(s.control))
                QTest::keyClick(w, Qt::Key(s.key), s.modifiers);
            return;
        case K::Click:
            if (auto *action = qobject_cast<QAction *>(find(s.control)))
                return action->trigger();
            if (QWidget *w = widget(s.control)) {
                const bool option = qobject_cast<QRadioButton *>(w) || qobject_cast<QCheckBox *>(w);
                const QPoint at = option ? QPoint(qMin(6, w->width() - 1), w->height() / 2) : w->rect().center();
                QTest::mouseClick(w, Qt::LeftButton, {}, at);
            }
            return;
        case K::ClickCell:
        case K::DoubleClickCell: {
            QAbstractItemView *view = gridOrList(s.control);
            const QModelIndex i = view ? cell(view, s.row, s.column, s.text) : QModelIndex();
            if (!i.isValid())
                return;
            view->scrollTo(i);
            const QPoint at = view->visualRect(i).center();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
            if (s.kind == K::DoubleClickCell)
                QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
            return;
        }
        case K::Choose: {
            auto *combo = qobject_cast<QComboBox *>(widget(s.control));
            const int at = combo ? combo->findText(s.text, Qt::MatchExactly) : -1;
            if (at < 0)
                return fail(combo ? u"\"%1\" has no entry \"%2\""_s.arg(s.control, s.text)
                                  : u"\"%1\" is no combo"_s.arg(s.control));
            combo->setFocus(Qt::MouseFocusReason);
            combo->showPopup();
            combo->view()->setCurrentIndex(combo->model()->index(at, combo->modelColumn()));
            QTest::keyClick(combo->view(), Qt::Key_Return);
            // Offscreen, the closed list stays the active window; a window manager would give it back.
            if (QApplication::activeWindow() != combo->window())
                QApplication::setActiveWindow(combo->window());
            return;
        }
        case K::Text: {
            QObject *o = find(s.control);
            if (!o)
                return fail(u"no control \"%1\""_s.arg(s.control));
            // What the user reads on it: a combo's entry, a frame's title, its text, else a window's caption.
            QVariant shown;
            for (const char *property : {"currentText", "title", "text", "windowTitle"})
                shown = shown.isValid() ? shown : o->property(property);
            if (shown.toString() != s.text)
                fail(u"\"%1\" shows \"%2\", expected \"%3\""_s.arg(s.control, shown.toString(), s.text));
            return;
        }
        case K::Cell:
            if (QAbstractItemView *view = gridOrList(s.control)) {
                const QModelIndex i = cell(view, s.row, s.column);
                if (i.isValid() && i.data().toString() != s.text)
                    fail(u"cell %1,%2 of \"%3\" shows \"%4\", expected \"%5\""_s.arg(s.row).arg(s.column).arg(
                        s.control, i.data().toString(), s.text));
            }
            return;
        case K::Focus: {
            QWidget *w = widget(s.control), *f = QApplication::focusWidget();
            if (w && f != w && !w->isAncestorOf(f))
                fail(u"the focus is on \"%1\", expected \"%2\""_s.arg(f ? f->objectName() : u"nothing"_s, s.control));
            return;
        }
        case K::Rows:
            if (const QStringList actual = queryRows(env_.db(), s.text); actual != s.rows)
                fail(u"%1\n  gives  [%2]\n  expected [%3]"_s.arg(s.text, actual.join(u"; "_s), s.rows.join(u"; "_s)));
            return;
        case K::Call:
            return s.fn();
        case K::Message:
            return;
        }
    }

    // Nothing is left waiting for an answer after a failure.
    void closeModals()
    {
        for (int guard = 0; guard < 20 && QApplication::activeModalWidget(); ++guard) {
            QWidget *m = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(m); box && harmless(box))
                harmless(box)->click();
            else if (auto *d = qobject_cast<QDialog *>(m))
                d->reject();
            else
                m->close();
            settle();
        }
    }

    Env &env_;
    QPointer<QWidget> window_;
    const QList<Step> &steps_;
    QList<QWidget *> running_;   // the modal window in front when each running step began
    int next_ = 0, current_ = 0;
    bool inTick_ = false, scheduled_ = false;
    QString error_;
    QElapsedTimer clock_;
};

} // namespace

QString runSteps(Env &env, QWidget *window, const QList<Step> &steps)
{
    return Runner(env, window, steps).run();
}

} // namespace tendro::test
