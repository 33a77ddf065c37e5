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
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace tendro::test {

using K = Step::Kind;

Step type(const QString &c, const QString &text) { return {.kind = K::Type, .control = c, .text = text}; }
Step key(const QString &c, int k, Qt::KeyboardModifiers m) { return {.kind = K::Key, .control = c, .key = k, .modifiers = m}; }
Step click(const QString &c) { return {.kind = K::Click, .control = c}; }
Step clickCell(const QString &v, int r, int col) { return {.kind = K::ClickCell, .control = v, .row = r, .column = col}; }
Step doubleClickCell(const QString &v, int r, int col)
{
    return {.kind = K::DoubleClickCell, .control = v, .row = r, .column = col};
}
Step clickItem(const QString &v, const QString &text) { return {.kind = K::ClickCell, .control = v, .text = text}; }
Step choose(const QString &c, const QString &text) { return {.kind = K::Choose, .control = c, .text = text}; }
Step message(const QString &text, Answer a) { return {.kind = K::Message, .text = text, .answer = a}; }
Step expectText(const QString &c, const QString &text) { return {.kind = K::Text, .control = c, .text = text}; }
Step expectCell(const QString &v, int r, int col, const QString &text)
{
    return {.kind = K::Cell, .control = v, .text = text, .row = r, .column = col};
}
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

// Runs the steps from a timer, so that a step that opens a modal window
// (and so does not return until that window closes) lets the following
// steps drive the window, and modal boxes are answered as they come up.
class Runner {
public:
    Runner(Env &env, QWidget *window, const QList<Step> &steps) : env_(env), window_(window), steps_(steps) {}

    QString run()
    {
        const bool wasReal = env_.messages.realBoxes;
        env_.messages.realBoxes = true;
        QTimer timer;
        timer.setInterval(2);
        QObject::connect(&timer, &QTimer::timeout, [this] { tick(); });
        timer.start();
        clock_.start();
        while (!finished())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        timer.stop();
        closeModals();
        env_.messages.realBoxes = wasReal;
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
        inTick_ = true;
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            answer(box);
        else if (next_ < steps_.size() && !scheduled_ && mayStart()) {
            // Each step runs from a timer of its own: Qt does not fire a timer
            // again while its handler runs, and this one must keep polling.
            scheduled_ = true;
            const int index = next_++;
            QTimer::singleShot(0, [this, index] {
                scheduled_ = false;
                perform(index);
            });
        }
        inTick_ = false;
    }

    // A new step starts when none runs, or when the running one has opened
    // a modal window of its own and waits inside it.
    bool mayStart() const
    {
        return running_.isEmpty() || QApplication::activeModalWidget() != running_.last();
    }

    void answer(QMessageBox *box)
    {
        const QString shown = box->text();
        QAbstractButton *button = nullptr;
        if (next_ < steps_.size() && steps_.at(next_).kind == Step::Kind::Message) {
            const Step &s = steps_.at(next_);
            current_ = next_++;
            const auto which = s.answer == Answer::Yes ? QMessageBox::Yes
                               : s.answer == Answer::No ? QMessageBox::No
                                                        : QMessageBox::Ok;
            button = box->button(which);
            if (shown != s.text)
                fail(u"message \"%1\", expected \"%2\""_s.arg(shown, s.text));
            else if (!button)
                fail(u"message \"%1\" has no such button"_s.arg(shown));
        } else {
            fail(u"unexpected message \"%1\""_s.arg(shown));
        }
        if (!button)
            button = box->button(QMessageBox::No) ? box->button(QMessageBox::No) : box->button(QMessageBox::Ok);
        QPointer<QWidget> back = box->parentWidget() ? box->parentWidget()->window() : window_.data();
        if (button)
            QTest::mouseClick(button, Qt::LeftButton);
        if (!QApplication::activeWindow() && back)
            QApplication::setActiveWindow(back);
    }

    void perform(int index)
    {
        current_ = index;
        const Step &s = steps_.at(index);
        if (s.kind == Step::Kind::Message) {
            fail(u"message \"%1\" was not shown"_s.arg(s.text));
            return;
        }
        // Offscreen, no window manager gives the activation back when a box
        // or a window closes; do what it would do.
        if (!QApplication::activeWindow()) {
            QWidget *front = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : window_.data();
            if (front)
                QApplication::setActiveWindow(front);
        }
        running_.append(QApplication::activeModalWidget());
        act(s);
        settle();
        running_.removeLast();
        current_ = index;
        if (running_.isEmpty() && next_ < steps_.size() && steps_.at(next_).kind == Step::Kind::Message && error_.isEmpty())
            fail(u"message \"%1\" was not shown"_s.arg(steps_.at(next_).text));
    }

    // The window in front first: a name like "Command1" is in every window.
    QObject *find(const QString &name) const
    {
        for (QWidget *w : {QApplication::activeModalWidget(), window_.data()})
            if (w)
                if (QObject *o = w->objectName() == name ? w : w->findChild<QObject *>(name))
                    return o;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->objectName() == name)
                return top;
            if (QObject *o = top->findChild<QObject *>(name))
                return o;
        }
        return nullptr;
    }

    QWidget *widget(const QString &name)
    {
        if (name.isEmpty()) {
            QWidget *w = QApplication::focusWidget();
            if (!w)
                fail(u"no widget has the focus"_s);
            return w;
        }
        auto *w = qobject_cast<QWidget *>(find(name));
        if (!w)
            fail(u"no control \"%1\""_s.arg(name));
        return w;
    }

    QModelIndex cell(QAbstractItemView *view, int row, int column)
    {
        QAbstractItemModel *m = view->model();
        const QModelIndex i = m->index(row < 0 ? m->rowCount() + row : row, column);
        if (!i.isValid())
            fail(u"no cell %1,%2 in \"%3\""_s.arg(row).arg(column).arg(view->objectName()));
        return i;
    }

    static void typeText(const QString &text)
    {
        for (int i = 0; i < text.size(); ++i) {
            QWidget *target = QApplication::focusWidget();
            if (!target)
                return;
            const QChar c = text.at(i);
            if (c.unicode() < 0x7f && c.isPrint()) {
                QTest::keyClick(target, char(c.unicode()));
                continue;
            }
            // One key for a character outside the basic plane (its two halves).
            const int length = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, text.mid(i, length), Qt::NoModifier);
            i += length - 1;
        }
    }

    void act(const Step &s)
    {
        switch (s.kind) {
        case Step::Kind::Type: {
            QWidget *w = widget(s.control);
            if (!w)
                return;
            if (auto *combo = qobject_cast<QComboBox *>(w); combo && combo->lineEdit())
                w = combo->lineEdit();
            if (!s.control.isEmpty() && !(w->hasFocus() || w->isAncestorOf(QApplication::focusWidget())))
                QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(qMin(4, w->width() - 1), w->height() / 2));
            if (!qobject_cast<QAbstractItemView *>(w)) {
                if (QWidget *f = QApplication::focusWidget())
                    QTest::keyClick(f, Qt::Key_A, Qt::ControlModifier);
            }
            typeText(s.text);
            return;
        }
        case Step::Kind::Key:
            if (QWidget *w = widget(s.control))
                QTest::keyClick(w, Qt::Key(s.key), s.modifiers);
            return;
        case Step::Kind::Click: {
            if (auto *action = qobject_cast<QAction *>(find(s.control))) {
                action->trigger();
                return;
            }
            QWidget *w = widget(s.control);
            if (!w)
                return;
            const bool option = qobject_cast<QRadioButton *>(w) || qobject_cast<QCheckBox *>(w);
            QTest::mouseClick(w, Qt::LeftButton, {}, option ? QPoint(qMin(6, w->width() - 1), w->height() / 2) : w->rect().center());
            return;
        }
        case Step::Kind::ClickCell:
        case Step::Kind::DoubleClickCell: {
            auto *view = qobject_cast<QAbstractItemView *>(widget(s.control));
            if (!view)
                return fail(u"\"%1\" is no grid or list"_s.arg(s.control));
            QModelIndex i;
            if (s.text.isEmpty())
                i = cell(view, s.row, s.column);
            else if (const QModelIndexList hit = view->model()->match(view->model()->index(0, 0), Qt::DisplayRole, s.text, 1,
                                                                      Qt::MatchExactly);
                     !hit.isEmpty())
                i = hit.first();
            else
                fail(u"\"%1\" has no row \"%2\""_s.arg(s.control, s.text));
            if (!i.isValid())
                return;
            view->scrollTo(i);
            const QPoint at = view->visualRect(i).center();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
            if (s.kind == Step::Kind::DoubleClickCell)
                QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
            return;
        }
        case Step::Kind::Choose: {
            auto *combo = qobject_cast<QComboBox *>(widget(s.control));
            if (!combo)
                return fail(u"\"%1\" is no combo"_s.arg(s.control));
            const int at = combo->findText(s.text, Qt::MatchExactly);
            if (at < 0)
                return fail(u"\"%1\" has no entry \"%2\""_s.arg(s.control, s.text));
            combo->setFocus(Qt::MouseFocusReason);
            combo->showPopup();
            combo->view()->setCurrentIndex(combo->model()->index(at, combo->modelColumn()));
            QTest::keyClick(combo->view(), Qt::Key_Return);
            return;
        }
        case Step::Kind::Text: {
            QObject *o = find(s.control);
            QString actual;
            if (auto *e = qobject_cast<QLineEdit *>(o))
                actual = e->text();
            else if (auto *l = qobject_cast<QLabel *>(o))
                actual = l->text();
            else if (auto *c = qobject_cast<QComboBox *>(o))
                actual = c->currentText();
            else if (auto *b = qobject_cast<QAbstractButton *>(o))
                actual = b->text();
            else if (auto *g = qobject_cast<QGroupBox *>(o))
                actual = g->title();
            else if (auto *w = qobject_cast<QWidget *>(o))
                actual = w->windowTitle();
            else
                return fail(u"no control \"%1\""_s.arg(s.control));
            if (actual != s.text)
                fail(u"\"%1\" shows \"%2\", expected \"%3\""_s.arg(s.control, actual, s.text));
            return;
        }
        case Step::Kind::Cell: {
            auto *view = qobject_cast<QAbstractItemView *>(widget(s.control));
            if (!view)
                return fail(u"\"%1\" is no grid or list"_s.arg(s.control));
            const QModelIndex i = cell(view, s.row, s.column);
            const QString actual = i.data().toString();
            if (i.isValid() && actual != s.text)
                fail(u"cell %1,%2 of \"%3\" shows \"%4\", expected \"%5\""_s.arg(s.row).arg(s.column).arg(s.control, actual, s.text));
            return;
        }
        case Step::Kind::Focus: {
            QWidget *w = widget(s.control);
            QWidget *f = QApplication::focusWidget();
            if (w && f != w && !w->isAncestorOf(f))
                fail(u"the focus is on \"%1\", expected \"%2\""_s.arg(f ? f->objectName() : u"nothing"_s, s.control));
            return;
        }
        case Step::Kind::Rows: {
            const QStringList actual = queryRows(env_.db(), s.text);
            if (actual != s.rows)
                fail(u"%1\n  gives  [%2]\n  expected [%3]"_s.arg(s.text, actual.join(u"; "_s), s.rows.join(u"; "_s)));
            return;
        }
        case Step::Kind::Call:
            s.fn();
            return;
        case Step::Kind::Message:
            return;
        }
    }

    // Nothing is left waiting for an answer after a failure.
    void closeModals()
    {
        for (int guard = 0; guard < 20; ++guard) {
            QWidget *m = QApplication::activeModalWidget();
            if (!m)
                return;
            if (auto *box = qobject_cast<QMessageBox *>(m)) {
                QAbstractButton *b = box->button(QMessageBox::No) ? box->button(QMessageBox::No) : box->button(QMessageBox::Ok);
                if (b)
                    b->click();
            } else if (auto *d = qobject_cast<QDialog *>(m)) {
                d->reject();
            } else {
                m->close();
            }
            settle();
        }
    }

    Env &env_;
    QPointer<QWidget> window_;
    const QList<Step> &steps_;
    QList<QWidget *> running_;   // the modal window in front when each running step began
    int next_ = 0;
    int current_ = 0;
    bool inTick_ = false;
    bool scheduled_ = false;
    QString error_;
    QElapsedTimer clock_;
};

} // namespace

QString runSteps(Env &env, QWidget *window, const QList<Step> &steps)
{
    return Runner(env, window, steps).run();
}

} // namespace tendro::test
