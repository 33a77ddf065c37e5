// The report languages: selection formulas, formula values and report
// definitions, read from any text. Each is refused or read; none crashes.

#include "reports/definition.h"
#include "reports/formula.h"

#include <QString>

using namespace tendro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    try {
        const SqlCondition c = parseSelection(text);
        // Every value bound stands for one placeholder.
        if (c.where.count(QLatin1Char('?')) != c.params.size())
            __builtin_trap();
    } catch (const FormulaError &) {
    }
    try {
        parseFormulaValue(text);
    } catch (const FormulaError &) {
    }
    try {
        parseDefinition(text);
    } catch (const DefinitionError &) {
    }
    return 0;
}
