#pragma once
// The word search's pattern: "*" any run, "?" one character, "#" one digit,
// "[...]" one of a list (ranges allowed, "!" first inverts); the rest stands
// for itself. Letter case and Romanian diacritics are ignored.

#include <QString>
#include <QVector>

namespace tendro {

// Upper case without diacritics: "ţigări" and "TIGARI" fold alike.
QString foldForSearch(const QString &text);

class WordPattern {
public:
    // Matches names that contain `word` anywhere.
    explicit WordPattern(const QString &word);
    // `folded` must come from foldForSearch.
    bool matchesFolded(const QString &folded) const;
    bool matches(const QString &name) const { return matchesFolded(foldForSearch(name)); }

private:
    struct Token {
        enum Kind { Literal, AnyRun, AnyChar, Digit, Set } kind = Literal;
        QChar ch;
        bool negated = false;
        QVector<QPair<QChar, QChar>> ranges;
    };
    bool tokenMatches(const Token &t, QChar c) const;
    QVector<Token> tokens_;
};

} // namespace tendro
