#include "formula.h"
#include "thresholds/legalsql.h"

#include <QSet>
#include <algorithm>

namespace tendro {

namespace {

const QSet<QString> &columnsOf(const QString &table)
{
    static const QSet<QString> program{"idp", "id", "activit", "lei", "euro", "datainc1", "datainc2", "datafin1",
                                       "datafin2", "resp", "detal", "fond", "idos", "proced", "anunt", "proiect",
                                       "realiz"};
    static const QSet<QString> cpv{"id", "cod", "den", "fel", "anexa2", "lista", "cod2"};
    static const QSet<QString> none;
    // Each item's class total and legal procedure, joined by the report when read.
    static const QSet<QString> clasa(itemClassColumns().begin(), itemClassColumns().end());
    if (table == QLatin1String("clasa"))
        return clasa;
    if (table == QLatin1String("program"))
        return program;
    if (table == QLatin1String("cpv"))
        return cpv;
    return none;
}

class Reader {
public:
    explicit Reader(const QString &text) : s_(text) {}

    SqlCondition selection()
    {
        SqlCondition out;
        skipBlanks();
        if (atEnd())
            return out;
        QStringList parts;
        for (;;) {
            parts << condition(out.params);
            skipBlanks();
            if (atEnd())
                break;
            if (!takeWord(QStringLiteral("and")))
                fail(QStringLiteral("se astepta \"and\""));
        }
        out.where = parts.join(QStringLiteral(" AND "));
        return out;
    }

private:
    QString condition(QVariantList &params)
    {
        skipBlanks();
        const QString left = column();
        skipBlanks();
        const QString op = compare();
        skipBlanks();
        if (peek() == QLatin1Char('{'))
            return left + op + column();
        params << value();
        return left + op + QLatin1Char('?');
    }

    QString column()
    {
        if (!take(QLatin1Char('{')))
            fail(QStringLiteral("se astepta o coloana {tabel.coloana}"));
        const int close = s_.indexOf(QLatin1Char('}'), pos_);
        if (close < 0)
            fail(QStringLiteral("lipseste \"}\""));
        const QString name = s_.mid(pos_, close - pos_);
        pos_ = close + 1;
        const QString table = name.section(QLatin1Char('.'), 0, 0);
        const QString col = name.section(QLatin1Char('.'), 1);
        if (!isReportColumn(table, col))
            fail(QStringLiteral("coloana necunoscuta {") + name + QLatin1Char('}'));
        return table + QLatin1Char('.') + col;
    }

    QString compare()
    {
        for (const char *op : {"<>", ">=", "<=", "=", ">"})
            if (s_.mid(pos_).startsWith(QLatin1String(op))) {
                pos_ += int(qstrlen(op));
                return QLatin1String(op);
            }
        fail(QStringLiteral("se astepta un operator de comparatie"));
    }

    QVariant value()
    {
        if (take(QLatin1Char('\''))) {
            // Quotes inside a text are not doubled: the text ends at the
            // quote that closes the formula or comes before " and ".
            int end = pos_;
            for (;;) {
                end = s_.indexOf(QLatin1Char('\''), end);
                if (end < 0)
                    fail(QStringLiteral("text neterminat"));
                if (closesText(end + 1))
                    break;
                ++end;
            }
            const QString text = s_.mid(pos_, end - pos_);
            pos_ = end + 1;
            return text;
        }
        const int start = pos_;
        if (peek() == QLatin1Char('-'))
            ++pos_;
        int digits = 0;
        while (!atEnd() && peek().isDigit()) {
            ++pos_;
            ++digits;
        }
        if (!atEnd() && peek() == QLatin1Char('.')) {
            ++pos_;
            while (!atEnd() && peek().isDigit()) {
                ++pos_;
                ++digits;
            }
        }
        if (digits == 0)
            fail(QStringLiteral("se astepta o valoare"));
        bool ok = false;
        const double v = s_.mid(start, pos_ - start).toDouble(&ok);
        if (!ok)
            fail(QStringLiteral("numar invalid"));
        return v;
    }

    bool closesText(int after) const
    {
        int p = after;
        while (p < s_.size() && s_.at(p).isSpace())
            ++p;
        if (p == s_.size())
            return true;
        return p > after && s_.mid(p, 3).compare(QLatin1String("and"), Qt::CaseInsensitive) == 0 && p + 3 < s_.size()
            && s_.at(p + 3).isSpace();
    }

    bool takeWord(const QString &word)
    {
        if (s_.mid(pos_, word.size()).compare(word, Qt::CaseInsensitive) != 0)
            return false;
        const int after = pos_ + int(word.size());
        if (after >= s_.size() || !s_.at(after).isSpace() || pos_ == 0 || !s_.at(pos_ - 1).isSpace())
            return false;
        pos_ = after;
        return true;
    }

    bool take(QChar c)
    {
        if (peek() != c)
            return false;
        ++pos_;
        return true;
    }
    QChar peek() const { return atEnd() ? QChar() : s_.at(pos_); }
    bool atEnd() const { return pos_ >= s_.size(); }
    void skipBlanks()
    {
        while (!atEnd() && s_.at(pos_).isSpace())
            ++pos_;
    }
    [[noreturn]] void fail(const QString &why) const
    {
        throw FormulaError{QStringLiteral("formula de selectie invalida la pozitia %1: ").arg(pos_ + 1) + why};
    }

    const QString &s_;
    int pos_ = 0;
};

} // namespace

bool isReportColumn(const QString &table, const QString &column)
{
    return columnsOf(table).contains(column);
}

SqlCondition parseSelection(const QString &formula)
{
    return Reader(formula).selection();
}

QString forSubunit(const QString &selection, int idos)
{
    const QString condition = QStringLiteral("{program.idos}=") + QString::number(idos);
    return selection.trimmed().isEmpty() ? condition : selection + QStringLiteral(" and ") + condition;
}

NamedText parseFormulaValue(const QString &formula)
{
    const QString body = formula.trimmed();
    const int eq = int(body.indexOf(QStringLiteral("='")));
    const QString name = body.left(qMax(eq, 0));
    const bool nameOk = eq > 0
        && std::all_of(name.begin(), name.end(), [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); });
    if (!nameOk || body.size() < eq + 3 || !body.endsWith(QLatin1Char('\'')))
        throw FormulaError{QStringLiteral("formula invalida: ") + formula};
    return {name, body.mid(eq + 2, body.size() - eq - 3)};
}

} // namespace tendro
