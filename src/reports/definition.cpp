#include "definition.h"
#include "formula.h"

#include <QFile>
#include <QRegularExpression>

namespace tendro {

namespace {

[[noreturn]] void fail(int line, const QString &why)
{
    throw DefinitionError{QStringLiteral("linia %1: ").arg(line) + why};
}

QString checkedColumn(const QString &text, int line)
{
    const QString t = text.trimmed();
    if (!isReportColumn(t.section(QLatin1Char('.'), 0, 0), t.section(QLatin1Char('.'), 1)))
        fail(line, QStringLiteral("coloana necunoscuta \"") + t + QLatin1Char('"'));
    return t;
}

ReportField fieldOf(const QString &text, int line)
{
    const QString t = text.trimmed();
    if (t == QLatin1String("#"))
        return {ReportField::RowNumber, {}, {}};
    if (t.contains(QLatin1Char('/')))
        return {ReportField::Stacked, checkedColumn(t.section(QLatin1Char('/'), 0, 0), line),
                checkedColumn(t.section(QLatin1Char('/'), 1), line)};
    if (t.contains(QLatin1String(" - ")))
        return {ReportField::Difference, checkedColumn(t.section(QStringLiteral(" - "), 0, 0), line),
                checkedColumn(t.section(QStringLiteral(" - "), 1), line)};
    return {ReportField::Column, checkedColumn(t, line), {}};
}

ReportColumn columnOf(const QString &text, int line)
{
    const QStringList parts = text.split(QLatin1Char('|'));
    if (parts.size() < 4 || parts.size() > 5)
        fail(line, QStringLiteral("o coloana are forma: titlu | camp | latime | aliniere [| total]"));
    ReportColumn c;
    c.caption = parts.at(0).trimmed();
    c.field = fieldOf(parts.at(1), line);
    bool ok = false;
    c.width = parts.at(2).trimmed().toDouble(&ok);
    if (!ok || c.width <= 0 || c.width > 1000)
        fail(line, QStringLiteral("latime invalida \"") + parts.at(2).trimmed() + QLatin1Char('"'));
    const QString format = parts.at(3).trimmed();
    if (format == QLatin1String("text"))
        c.format = ReportColumn::Text;
    else if (format == QLatin1String("center"))
        c.format = ReportColumn::Center;
    else if (format == QLatin1String("money"))
        c.format = ReportColumn::Money;
    else
        fail(line, QStringLiteral("aliniere necunoscuta \"") + format + QLatin1Char('"'));
    if (parts.size() == 5) {
        if (parts.at(4).trimmed() != QLatin1String("total") || c.format != ReportColumn::Money)
            fail(line, QStringLiteral("doar o coloana \"money\" poate avea \"total\""));
        c.total = true;
    }
    return c;
}

} // namespace

ReportDefinition parseDefinition(const QString &text)
{
    ReportDefinition def;
    const QStringList lines = text.split(QLatin1Char('\n'));
    static const QRegularExpression word(QStringLiteral("^\\s*(\\S+)\\s*(.*)$"));
    for (int i = 0; i < lines.size(); ++i) {
        const int n = i + 1;
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#')))
            continue;
        const auto m = word.match(line);
        const QString key = m.captured(1);
        const QString value = m.captured(2).trimmed();
        if (key == QLatin1String("title")) {
            def.titleFormula = value;
        } else if (key == QLatin1String("criteria")) {
            def.criteriaFormula = value;
        } else if (key == QLatin1String("order")) {
            def.order.clear();
            for (const QString &part : value.split(QLatin1Char(','))) {
                const QString p = part.trimmed();
                const bool desc = p.endsWith(QLatin1String(" DESC"), Qt::CaseInsensitive);
                def.order << checkedColumn(desc ? p.chopped(5) : p, n) + (desc ? QStringLiteral(" DESC") : QString());
            }
        } else if (key == QLatin1String("group")) {
            def.group = checkedColumn(value, n);
        } else if (key == QLatin1String("group-label")) {
            def.groupLabel = checkedColumn(value, n);
        } else if (key == QLatin1String("bold")) {
            def.bold = checkedColumn(value, n);
        } else if (key == QLatin1String("column")) {
            def.columns << columnOf(value, n);
        } else {
            fail(n, QStringLiteral("cuvant necunoscut \"") + key + QLatin1Char('"'));
        }
    }
    if (def.columns.isEmpty())
        throw DefinitionError{QStringLiteral("raportul nu are nicio coloana")};
    if (def.titleFormula.isEmpty())
        throw DefinitionError{QStringLiteral("raportul nu are formula de titlu")};
    return def;
}

ReportDefinition loadDefinition(const QString &path)
{
    QFile f(path);
    if (!f.exists())
        throw DefinitionError{QStringLiteral("fisierul nu exista")};
    if (!f.open(QIODevice::ReadOnly))
        throw DefinitionError{QStringLiteral("fisierul nu poate fi citit")};
    return parseDefinition(QString::fromUtf8(f.readAll()));
}

} // namespace tendro
