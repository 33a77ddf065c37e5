#pragma once
// Small behaviours shared by the entry fields of several windows.

#include <QString>
#include <functional>
#include <initializer_list>

class QLineEdit;
class QListWidget;
class QRadioButton;
class QWidget;

namespace tendro {

// A control under the name the program and its tests know it by.
template <typename W> W *named(W *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

// The whole text is selected whenever the field gets the focus, by mouse too.
void selectAllOnFocus(QLineEdit *field);

// Runs `check` when `field` loses the focus to another control of its window.
// Leaving for another window (a message box, a pop-up) does not count, and
// while one check runs no other starts: its message and its move of the
// focus back would otherwise set off the checks of the fields in between.
void onFocusLost(QWidget *field, std::function<void()> check);

// Runs `handler` on every click on an entry of `list`, also on the entry
// that is already current (which changes nothing and so emits no change),
// and on every change of the current entry made by keyboard or program.
// A double-click delivers one click, as the window system's own lists do.
void onEveryClick(QListWidget *list, std::function<void(int row)> handler);

// Fixes the list's height to show `rows` entries whole, in its own font and style.
void fitRows(QListWidget *list, int rows);

// Leaves none of the options chosen.
void clearOptions(std::initializer_list<QRadioButton *> options);

} // namespace tendro
