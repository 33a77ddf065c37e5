#include "numbers.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace tendro {

QString formatNumber(double value)
{
    if (std::isnan(value) || std::isinf(value))
        return QStringLiteral("0");
    // The shortest digits that read back as the same double, never in
    // exponent form: 123456789.12 stays that, not 123456789.120000005.
    // 'f' never uses the locale.
    QString s = QString::number(value, 'f', QLocale::FloatingPointShortest);
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    return s;
}

double leadingNumber(const QString &text)
{
    QString digits;
    bool seenDigit = false, seenPoint = false;
    for (const QChar c : text) {
        if (c.isSpace())
            continue;
        if (c == QLatin1Char('-') || c == QLatin1Char('+')) {
            if (!digits.isEmpty())
                break;
            digits += c;
        } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digits += c;
            seenDigit = true;
        } else if (c == QLatin1Char('.') && !seenPoint) {
            digits += c;
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0.0;
    bool ok = false;
    const double v = digits.toDouble(&ok);   // QString::toDouble reads the C form
    return ok ? v : 0.0;
}

qint64 wholeNumber(double value)
{
    // 2^63 is exact in a double; anything at or beyond it does not fit.
    if (!std::isfinite(value) || value >= 9223372036854775808.0 || value < -9223372036854775808.0)
        return 0;
    return qint64(value);
}

bool isNumeric(const QString &text)
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*[-+]?(\\d+\\.?\\d*|\\.\\d+)([eE][-+]?\\d+)?\\s*$"));
    return re.match(text).hasMatch();
}

} // namespace tendro

namespace tendro {

double numberValue(const QString &text)
{
    if (isNumeric(text)) {
        bool ok = false;
        const double v = text.trimmed().toDouble(&ok);
        if (ok && std::isfinite(v))
            return v;
    }
    return leadingNumber(text);
}

} // namespace tendro
