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

namespace tendro {

std::optional<QString> plainAmount(const QString &input, bool negative)
{
    // Digits grouped by "." in threes, the first group of one to three.
    static const QRegularExpression grouped(QStringLiteral("^\\d{1,3}(\\.\\d{3})+$"));
    static const QRegularExpression digits(QStringLiteral("^\\d+$"));
    static const QRegularExpression pointed(QStringLiteral("^(\\d*)\\.(\\d+)$"));
    QString t = input.trimmed();
    QString sign;
    if (t.startsWith(QLatin1Char('-'))) {
        if (!negative)
            return std::nullopt;
        sign = QStringLiteral("-");
        t = t.mid(1);
    }
    QString whole, fraction;
    const int comma = int(t.indexOf(QLatin1Char(',')));
    if (comma >= 0) {
        whole = t.left(comma);
        fraction = t.mid(comma + 1);
        if (!digits.match(fraction).hasMatch())
            return std::nullopt;   // a second comma, or nothing after it
        if (whole.isEmpty())
            whole = QStringLiteral("0");
        else if (grouped.match(whole).hasMatch())
            whole.remove(QLatin1Char('.'));
        else if (!digits.match(whole).hasMatch())
            return std::nullopt;
    } else if (digits.match(t).hasMatch()) {
        whole = t;
    } else if (grouped.match(t).hasMatch()) {
        whole = t;
        whole.remove(QLatin1Char('.'));
    } else if (const QRegularExpressionMatch m = pointed.match(t); m.hasMatch()) {
        whole = m.captured(1).isEmpty() ? QStringLiteral("0") : m.captured(1);
        fraction = m.captured(2);
    } else {
        return std::nullopt;
    }
    return sign + whole + (fraction.isEmpty() ? QString() : QLatin1Char('.') + fraction);
}

std::optional<double> readAmount(const QString &input, bool negative)
{
    const std::optional<QString> plain = plainAmount(input, negative);
    if (!plain)
        return std::nullopt;
    bool ok = false;
    const double v = plain->toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v == 0 ? 0.0 : v;   // no "-0"
}

qint64 toCents(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 9e16)
        return 0;
    // The stored value is a binary approximation of a decimal one: round
    // its shortest decimal form, so 0.125 and 1.005 show as typed.
    return std::llround(QString::number(value * 100, 'g', 15).toDouble());
}

QString centsSql(const QString &v)
{
    // Half away from zero; the factor takes up the binary representation's
    // error of a value typed with two decimals, up to 1e11 bani.
    return QStringLiteral("(CASE WHEN (%1)<0 THEN -CAST(-(%1)*100*(1+1e-13)+0.5 AS INTEGER)"
                          " ELSE CAST((%1)*100*(1+1e-13)+0.5 AS INTEGER) END)")
        .arg(v);
}

QString moneyText(qint64 cents)
{
    const bool minus = cents < 0;
    const quint64 abs = minus ? quint64(-(cents + 1)) + 1 : quint64(cents);
    QString whole = QString::number(abs / 100);
    for (int i = int(whole.size()) - 3; i > 0; i -= 3)
        whole.insert(i, QLatin1Char('.'));
    return (minus ? QStringLiteral("-") : QString()) + whole + QLatin1Char(',')
        + QStringLiteral("%1").arg(abs % 100, 2, 10, QLatin1Char('0'));
}

QString moneyText(double value) { return moneyText(toCents(value)); }

QString leiText(double value)
{
    const QString money = moneyText(value);
    return money.endsWith(QLatin1String(",00")) ? money.chopped(3) : money;
}

} // namespace tendro
