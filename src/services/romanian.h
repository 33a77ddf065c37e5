#pragma once
// Romanian for the texts of Qt's own dialogs that users meet: file dialogs
// (and their overwrite question), the print preview, the print dialog and
// the buttons of message boxes. Qt 6.4 ships no Romanian translation of
// its own, so the program carries these.

#include <QTranslator>

namespace tendro {

class RomanianQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    QString translate(const char *context, const char *sourceText, const char *disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }
};

} // namespace tendro
