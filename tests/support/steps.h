#pragma once
// Window tests as tables of steps: type here, press that, expect this
// message and answer it, expect these rows. The steps drive the real widgets
// with key and mouse events, and messages come up as real modal boxes that
// are answered by clicking their buttons.

#include "fakes.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtTest>
#include <functional>

namespace tendro::test {

enum class Answer { Ok, Yes, No };

struct Step {
    enum class Kind { Type, Key, Click, ClickCell, DoubleClickCell, Choose, Message, Text, Cell, Focus, Rows, Call };
    Kind kind = Kind::Call;
    QString control{};   // object name; empty: the widget that has the focus
    QString text{};      // typed text, expected text, message or SQL
    int key = 0;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    int row = 0, column = 0;   // a negative row counts from the end
    Answer answer = Answer::Ok;
    QStringList rows{};
    std::function<void()> fn{};
};

// Selects the control's text, then types `text` key by key into whatever
// has the focus (an open grid editor takes over from the grid). A named
// control that does not hold the focus is clicked into first.
Step type(const QString &control, const QString &text);
Step key(const QString &control, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// A mouse click on a button, option button or check box; a QAction is triggered.
Step click(const QString &control);
Step clickCell(const QString &view, int row, int column = 0);
Step doubleClickCell(const QString &view, int row, int column = 0);
// A click on the first row whose first column shows `text`.
Step clickItem(const QString &view, const QString &text);
// The entry is picked from the combo's open list with the keyboard.
Step choose(const QString &combo, const QString &text);
// A modal box with exactly this text, raised by the steps before it.
Step message(const QString &text, Answer answer = Answer::Ok);
Step expectText(const QString &control, const QString &text);
Step expectCell(const QString &view, int row, int column, const QString &text);
Step expectFocus(const QString &control);
// The rows of a query on the working file, each row's columns joined by "|"
// (NULL reads "<null>", numbers in their plain "." form).
Step expectRows(const QString &sql, const QStringList &rows);
Step call(std::function<void()> fn);

// Runs the steps against `window` (controls are looked up by object name in
// the modal window in front, then under `window`, then in every top-level
// one); the first failure as text, empty when every step passed.
QString runSteps(Env &env, QWidget *window, const QList<Step> &steps);

// The rows of a query as expectRows compares them.
QStringList queryRows(Database &db, const QString &sql);

} // namespace tendro::test

#define RUN_STEPS(env, window, ...)                                                     \
    do {                                                                                \
        const QString stepError_ = tendro::test::runSteps(env, window, __VA_ARGS__);   \
        QVERIFY2(stepError_.isEmpty(), qPrintable(stepError_));                         \
    } while (0)
