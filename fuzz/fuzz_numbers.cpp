// The readers of numbers and dates typed by the user.

#include "programme/itemchecks.h"
#include "realizations/entrychecks.h"
#include "reports/criteria.h"
#include "store/dates.h"
#include "store/numbers.h"

#include <QString>
#include <cmath>

using namespace tendro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const double v = leadingNumber(text);
    if (std::isnan(v))
        __builtin_trap();
    // What is written back reads as the same number.
    const QString written = formatNumber(v);
    if (std::isfinite(v) && std::fabs(v) < 1e15 && std::fabs(leadingNumber(written) - v) > 1e-6 * std::fabs(v) + 1e-9)
        __builtin_trap();
    wholeNumber(v);
    if (isNumeric(text) && std::isnan(numberValue(text)))
        __builtin_trap();
    // An amount read the Romanian way shows as money that reads back to the same bani.
    if (const std::optional<double> amount = readAmount(text, true); amount && std::fabs(*amount) < 1e12) {
        const std::optional<double> shown = readAmount(moneyText(*amount), true);
        if (!shown || toCents(*shown) != toCents(*amount))
            __builtin_trap();
    }
    formatWhole(text);
    formatTwoDigits(text);
    dayRefusal(text);
    monthRefusal(text);
    compareFromDisplay(text);
    dateBoxRefusal(text, 2026);
    entryDateRefusal(text, QStringLiteral("2026"), true);
    compareFormOf(text);
    return 0;
}
