#pragma once
// Small behaviours shared by the entry fields of several windows.

class QLineEdit;

namespace tendro {

// The whole text is selected whenever the field gets the focus, by mouse too.
void selectAllOnFocus(QLineEdit *field);

} // namespace tendro
