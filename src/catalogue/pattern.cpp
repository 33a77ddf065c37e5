#include "pattern.h"

namespace tendro {

QString foldForSearch(const QString &text)
{
    bool ascii = true;
    for (const QChar c : text)
        if (c.unicode() > 127) {
            ascii = false;
            break;
        }
    if (ascii)
        return text.toUpper();
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            out.append(c);
    return out.toUpper();
}

WordPattern::WordPattern(const QString &word)
{
    const QString p = QStringLiteral("*") + foldForSearch(word) + QStringLiteral("*");
    for (int i = 0; i < p.size(); ++i) {
        const QChar c = p.at(i);
        Token t;
        if (c == QLatin1Char('*')) {
            if (!tokens_.isEmpty() && tokens_.last().kind == Token::AnyRun)
                continue;
            t.kind = Token::AnyRun;
        } else if (c == QLatin1Char('?')) {
            t.kind = Token::AnyChar;
        } else if (c == QLatin1Char('#')) {
            t.kind = Token::Digit;
        } else if (c == QLatin1Char('[')) {
            const int close = p.indexOf(QLatin1Char(']'), i + 1);
            if (close < 0) {   // no closing bracket: the bracket stands for itself
                t.ch = c;
            } else {
                QString body = p.mid(i + 1, close - i - 1);
                i = close;
                if (body.isEmpty())
                    continue;   // "[]" stands for nothing
                t.kind = Token::Set;
                if (body.startsWith(QLatin1Char('!'))) {
                    t.negated = true;
                    body.remove(0, 1);
                }
                for (int k = 0; k < body.size(); ++k) {
                    if (k + 2 < body.size() && body.at(k + 1) == QLatin1Char('-')) {
                        t.ranges.append({body.at(k), body.at(k + 2)});
                        k += 2;
                    } else {
                        t.ranges.append({body.at(k), body.at(k)});
                    }
                }
            }
        } else {
            t.ch = c;
        }
        tokens_.append(t);
    }
}

bool WordPattern::tokenMatches(const Token &t, QChar c) const
{
    switch (t.kind) {
    case Token::Literal: return c == t.ch;
    case Token::AnyChar: return true;
    case Token::Digit: return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    case Token::Set: {
        bool in = false;
        for (const auto &r : t.ranges)
            if (c >= r.first && c <= r.second) {
                in = true;
                break;
            }
        return in != t.negated;
    }
    case Token::AnyRun: break;
    }
    return false;
}

bool WordPattern::matchesFolded(const QString &s) const
{
    // Every token but "*" takes exactly one character, so one backtrack
    // point (the last "*") is enough.
    int ti = 0, si = 0, starTi = -1, starSi = 0;
    const int nt = int(tokens_.size()), ns = int(s.size());
    while (si < ns) {
        if (ti < nt && tokens_.at(ti).kind == Token::AnyRun) {
            starTi = ti++;
            starSi = si;
        } else if (ti < nt && tokenMatches(tokens_.at(ti), s.at(si))) {
            ++ti;
            ++si;
        } else if (starTi >= 0) {
            ti = starTi + 1;
            si = ++starSi;
        } else {
            return false;
        }
    }
    while (ti < nt && tokens_.at(ti).kind == Token::AnyRun)
        ++ti;
    return ti == nt;
}

} // namespace tendro
