// The word search's patterns: the first line is the word, the rest a name.

#include "catalogue/pattern.h"

#include <QString>

using namespace tendro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const QString word = text.section(QLatin1Char('\n'), 0, 0);
    const QString name = text.section(QLatin1Char('\n'), 1);
    const WordPattern pattern(word);
    const bool hit = pattern.matches(name);
    // A word without pattern characters is found exactly where it occurs.
    static const QString special = QStringLiteral("*?#[");
    if (std::none_of(word.begin(), word.end(), [](QChar c) { return special.contains(c); })
        && hit != foldForSearch(name).contains(foldForSearch(word)))
        __builtin_trap();
    return 0;
}
