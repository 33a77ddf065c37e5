#include "workbook.h"
#include "document.h"
#include "output.h"
#include "render.h"

#include <QDate>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QMap>
#include <QRegularExpression>

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace tendro {

namespace {

constexpr double kPoints = 11;       // the sheet's own font
constexpr double kLine = 15;         // the height of one line of it, in points
constexpr double kMarginMm = 10;     // the PDF's page margins
constexpr double kFooterMm = 8;      // the PDF's running line, inside the bottom margin

// Widths in the unit of the sheet's columns, the width of a digit. Texts are
// measured in the report font and given a seventh more, since a sheet may be
// shown in a font whose capitals are wider for its digits: a text measured to
// fit on a line does.
class Measure {
public:
    Measure() : device_(8, 8, QImage::Format_RGB32)
    {
        device_.setDotsPerMeterX(3780);   // 96 dpi, as sheets are drawn
        device_.setDotsPerMeterY(3780);
        digit_ = metrics(false, kPoints).horizontalAdvance(QLatin1Char('0'));
    }
    double width(const QString &text, bool bold = false, double points = kPoints)
    {
        // Vocabularies repeat: each word measured once.
        const QString key = QString::number(points) + (bold ? QLatin1Char('!') : QLatin1Char('|')) + text;
        auto it = widths_.constFind(key);
        if (it == widths_.constEnd())
            it = widths_.insert(key, metrics(bold, points).horizontalAdvance(text) / digit_ * 8 / 7);
        return *it;
    }
    double longestWord(const QString &text, bool bold = false)
    {
        double w = 0;
        for (const QString &word : QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).split(QLatin1Char(' ')))
            w = qMax(w, width(word, bold));
        return w;
    }
    // The lines a text takes in a cell `columns` wide: wrapped at blanks and
    // at its own line breaks, a word wider than the cell broken.
    int lines(const QString &text, double columns, bool bold = false, double points = kPoints)
    {
        const QString key = QString::number(columns) + QLatin1Char('/') + QString::number(points)
            + (bold ? QLatin1Char('!') : QLatin1Char('|')) + text;
        auto it = lines_.constFind(key);
        if (it == lines_.constEnd())
            it = lines_.insert(key, wrapped(text, columns, bold, points));
        return *it;
    }

private:
    int wrapped(const QString &text, double columns, bool bold, double points)
    {
        const double room = qMax(1.0, columns - 0.5);
        const double space = width(QStringLiteral(" "), bold, points);
        int count = 0;
        for (const QString &paragraph : text.split(QLatin1Char('\n'))) {
            ++count;
            double x = 0;
            for (const QString &word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                const double w = width(word, bold, points);
                if (x > 0 && x + space + w <= room) {
                    x += space + w;
                    continue;
                }
                if (x > 0)
                    ++count;
                for (x = w; x > room; x -= room)
                    ++count;
            }
        }
        return count;
    }

    const QFontMetricsF &metrics(bool bold, double points)
    {
        const int key = int(points * 10) * 2 + (bold ? 1 : 0);
        auto it = made_.find(key);
        if (it == made_.end()) {
            QFont f(reportFontFamily());
            f.setPointSizeF(points);
            f.setBold(bold);
            it = made_.insert(key, std::make_shared<QFontMetricsF>(f, &device_));
        }
        return **it;
    }

    QImage device_;
    double digit_ = 1;
    QHash<int, std::shared_ptr<QFontMetricsF>> made_;
    QHash<QString, double> widths_;
    QHash<QString, int> lines_;
};

// "F12" for row 11, column 5 (both counted from 0).
QString cellName(int row, int column)
{
    QString letters;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row + 1);
}

// A cell holds at most 32 767 characters.
QByteArray utf8(const QString &text) { return text.left(32767).toUtf8(); }

// The sheet is named after the report: at most 31 characters, none of those
// a sheet name may not hold, no quote at either end.
QString sheetName(const QString &title)
{
    static const QRegularExpression forbidden(QStringLiteral("[\\[\\]:*?/\\\\]"));
    QString name = QString(title).replace(forbidden, QStringLiteral(" ")).simplified().left(31);
    while (name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char(' ')))
        name = name.startsWith(QLatin1Char('\'')) ? name.mid(1).trimmed() : name.chopped(1);
    return name.isEmpty() || name.compare(QLatin1String("History"), Qt::CaseInsensitive) == 0 ? QStringLiteral("Raport")
                                                                                                : name;
}

// A text for a printed header or footer: "&" doubled, cut to `room` characters.
QString headerText(const QString &text, int room)
{
    QString out;
    for (QChar c : text) {
        const QString piece = c == QLatin1Char('&') ? QStringLiteral("&&") : QString(c);
        if (out.size() + piece.size() > room)
            break;
        out += piece;
    }
    return out;
}

class Sheet {
public:
    Sheet(const QString &path, const QString &name) : book_(workbook_new(QFile::encodeName(path).constData()))
    {
        if (!book_)
            throw WorkbookFailure{QStringLiteral("fisierul nu poate fi creat")};
        sheet_ = workbook_add_worksheet(book_, utf8(name).constData());
        if (!sheet_)
            sheet_ = workbook_add_worksheet(book_, "Raport");
    }
    ~Sheet()
    {
        if (book_)
            workbook_close(book_);
    }
    Sheet(const Sheet &) = delete;
    Sheet &operator=(const Sheet &) = delete;

    lxw_format *format(bool bold, bool border, const char *number = nullptr, uint8_t align = LXW_ALIGN_LEFT,
                       bool shaded = false, double size = 0)
    {
        lxw_format *f = workbook_add_format(book_);
        if (bold)
            format_set_bold(f);
        if (border)
            format_set_border(f, LXW_BORDER_THIN);
        if (number)
            format_set_num_format(f, number);
        format_set_align(f, align);
        format_set_align(f, LXW_ALIGN_VERTICAL_TOP);
        format_set_text_wrap(f);
        if (shaded)
            format_set_bg_color(f, 0xE1E1E1);
        if (size > 0)
            format_set_font_size(f, size);
        return f;
    }
    lxw_worksheet *get() const { return sheet_; }
    void text(int row, int column, const QString &value, lxw_format *f)
    {
        check(worksheet_write_string(sheet_, row, lxw_col_t(column), utf8(value).constData(), f));
    }
    void number(int row, int column, double value, lxw_format *f)
    {
        check(worksheet_write_number(sheet_, row, lxw_col_t(column), value, f));
    }
    void formula(int row, int column, const QString &formula, double value, lxw_format *f)
    {
        check(worksheet_write_formula_num(sheet_, row, lxw_col_t(column), utf8(formula).constData(), f, value));
    }
    void date(int row, int column, const QDate &d, lxw_format *f)
    {
        lxw_datetime when{d.year(), d.month(), d.day(), 0, 0, 0};
        check(worksheet_write_datetime(sheet_, row, lxw_col_t(column), &when, f));
    }
    void merge(int row, int first, int last, const QString &value, lxw_format *f)
    {
        if (last > first)
            check(worksheet_merge_range(sheet_, row, lxw_col_t(first), row, lxw_col_t(last), utf8(value).constData(), f));
        else
            text(row, first, value, f);
    }
    // Writes the file; the workbook is released whatever happens.
    void close()
    {
        const lxw_error e = workbook_close(book_);
        book_ = nullptr;
        check(e);
    }
    static void check(lxw_error e)
    {
        if (e != LXW_NO_ERROR)
            throw WorkbookFailure{QString::fromUtf8(lxw_strerror(e))};
    }

private:
    lxw_workbook *book_;
    lxw_worksheet *sheet_ = nullptr;
};

// The columns a sum's label spans: those before the first one it totals.
int labelSpan(const ReportDocument &doc)
{
    int span = 1;
    while (span < doc.columns.size() && !doc.columns.at(span).total)
        ++span;
    return span;
}

// Each column at least as wide as its definition says (millimetres as
// characters), as its widest amount (totals included) and date, and as its
// captions' longest word; a text column as its longest word, up to half
// again its width (longer words break).
QVector<double> columnWidths(const ReportDocument &doc, Measure &m)
{
    const int n = int(doc.columns.size()), span = labelSpan(doc);
    QVector<double> out(n);
    for (int c = 0; c < n; ++c) {
        const ReportColumn &col = doc.columns.at(c);
        const double base = col.width / 1.6;
        double must = m.longestWord(col.caption, true), word = 0;
        for (const ReportLine &l : doc.lines) {
            const bool sum = l.kind != ReportLine::Item;
            if (l.kind == ReportLine::Group || (sum && c < span) || l.cells.value(c).isEmpty())
                continue;
            const QString &text = l.cells.at(c);
            if (col.format == ReportColumn::Money)
                must = qMax(must, m.width(text, sum || l.bold));
            else if (col.format == ReportColumn::Center || col.field.kind == ReportField::RowNumber)
                must = qMax(must, m.longestWord(text, l.bold));
            else
                word = qMax(word, qMin(1.5 * base, qMax(m.longestWord(text, l.bold), m.longestWord(l.under.value(c)))));
        }
        out[c] = qMin(255.0, std::max({base, must + 1, word + 1}));
    }
    return out;
}

void fill(Sheet &s, const ReportDocument &doc)
{
    const int n = int(doc.columns.size());
    Measure m;
    const QVector<double> widths = columnWidths(doc, m);
    for (int c = 0; c < n; ++c)
        worksheet_set_column(s.get(), lxw_col_t(c), lxw_col_t(c), widths.at(c), nullptr);
    const auto across = [&widths](int first, int last) {
        double w = 0;
        for (int c = first; c <= last; ++c)
            w += widths.at(c);
        return w;
    };
    const double full = across(0, n - 1);

    lxw_format *header = s.format(true, false);
    lxw_format *plain = s.format(false, false);
    lxw_format *centeredPlain = s.format(false, false, nullptr, LXW_ALIGN_CENTER);
    lxw_format *boldCentered = s.format(true, false, nullptr, LXW_ALIGN_CENTER);
    lxw_format *title = s.format(true, false, nullptr, LXW_ALIGN_CENTER, false, 13);
    lxw_format *caption = s.format(true, true, nullptr, LXW_ALIGN_CENTER, true);
    lxw_format *heading = s.format(true, true, nullptr, LXW_ALIGN_LEFT, true);
    lxw_format *sumLabel = s.format(true, true);
    lxw_format *sumMoney = s.format(true, true, "#,##0.00", LXW_ALIGN_RIGHT);
    lxw_format *text[2], *centered[2], *money[2], *date[2];   // by boldness
    for (int b = 0; b < 2; ++b) {
        text[b] = s.format(b, true);
        centered[b] = s.format(b, true, nullptr, LXW_ALIGN_CENTER);
        money[b] = s.format(b, true, "#,##0.00", LXW_ALIGN_RIGHT);
        date[b] = s.format(b, true, "dd.mm.yyyy", LXW_ALIGN_CENTER);
    }

    // Every row that wraps gets its height: sheets do not fit merged cells.
    QMap<int, double> heights;
    const auto fit = [&heights](int row, int lines, double points = kPoints) {
        const double h = lines * kLine * points / kPoints;
        if (lines > 1 || points > kPoints)
            heights[row] = qMax(heights.value(row), h);
    };
    const auto wide = [&](int row, const QString &value, lxw_format *f, bool bold, double points = kPoints) {
        s.merge(row, 0, n - 1, value, f);
        fit(row, m.lines(value, full, bold, points), points);
        return row;
    };

    int row = 0;
    wide(row++, doc.directorate, header, true);
    wide(row++, doc.subunit, header, true);
    wide(row++, doc.title, title, true, 13);
    if (doc.drawnUp.isValid())
        wide(row++, QStringLiteral("Data intocmirii: ") + doc.drawnUp.toString(QStringLiteral("dd.MM.yyyy")),
             centeredPlain, false);
    int criteriaRow = -1, criteriaLines = 0;
    if (!doc.criteria.isEmpty()) {
        criteriaRow = wide(row++, doc.criteria, centeredPlain, false);
        criteriaLines = m.lines(doc.criteria, full);
    }
    ++row;
    const int captionRow = row;
    for (int c = 0; c < n; ++c) {
        s.text(row, c, doc.columns.at(c).caption, caption);
        fit(row, m.lines(doc.columns.at(c).caption, widths.at(c), true));
    }
    worksheet_freeze_panes(s.get(), lxw_row_t(row + 1), 0);
    const int top = row + 1;   // the sheet row of the document's first line

    static const QRegularExpression dayForm(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4}$"));
    const int span = labelSpan(doc);
    QVector<QStringList> subtotals(n);   // per column, the cells of the groups' subtotals
    for (int l = 0; l < doc.lines.size(); ++l) {
        const ReportLine &line = doc.lines.at(l);
        const int r = top + l;
        if (line.kind == ReportLine::Group) {
            wide(r, line.cells.value(0), heading, true);
            continue;
        }
        if (line.kind != ReportLine::Item) {
            s.merge(r, 0, span - 1, line.cells.value(0), sumLabel);
            fit(r, m.lines(line.cells.value(0), across(0, span - 1), true));
            for (int c = span; c < n; ++c) {
                if (!doc.columns.at(c).total) {
                    s.text(r, c, QString(), sumLabel);
                    continue;
                }
                QString formula = QStringLiteral("=0");
                const QString rows = line.firstItem < 0 ? QString()
                    : cellName(top + line.firstItem, c) + QLatin1Char(':') + cellName(top + line.lastItem, c);
                if (line.kind == ReportLine::Total && subtotals.at(c).size() > 255)
                    // More groups than SUM takes arguments: the subtotal lines by their label.
                    formula = QStringLiteral("=SUMIF(%1,\"Total *\",%2)")
                                  .arg(cellName(top + line.firstItem, 0) + QLatin1Char(':')
                                           + cellName(top + line.lastItem, 0),
                                       rows);
                else if (line.kind == ReportLine::Total && !subtotals.at(c).isEmpty())
                    formula = QStringLiteral("=SUM(") + subtotals.at(c).join(QLatin1Char(',')) + QLatin1Char(')');
                else if (!rows.isEmpty())
                    formula = QStringLiteral("=SUM(") + rows + QLatin1Char(')');
                if (line.kind == ReportLine::Subtotal)
                    subtotals[c] << cellName(r, c);
                s.formula(r, c, formula, line.cents.value(c) / 100.0, sumMoney);
            }
            continue;
        }
        const int b = line.bold ? 1 : 0;
        for (int c = 0; c < n; ++c) {
            const ReportColumn &col = doc.columns.at(c);
            const QString value = line.cells.value(c);
            if (col.field.kind == ReportField::Difference) {
                // A difference of two columns of the sheet follows them when one is corrected.
                int from = -1, less = -1;
                for (int k = 0; k < n; ++k) {
                    const ReportField &f = doc.columns.at(k).field;
                    if (f.kind == ReportField::Column && doc.columns.at(k).format == ReportColumn::Money) {
                        from = f.first == col.field.first && from < 0 ? k : from;
                        less = f.first == col.field.second && less < 0 ? k : less;
                    }
                }
                if (from >= 0 && less >= 0)
                    s.formula(r, c, QLatin1Char('=') + cellName(r, from) + QLatin1Char('-') + cellName(r, less),
                              line.cents.value(c) / 100.0, money[b]);
                else
                    s.number(r, c, line.cents.value(c) / 100.0, money[b]);
            } else if (col.format == ReportColumn::Money) {
                if (!value.isEmpty())   // no value: an empty cell, as printed
                    s.number(r, c, line.cents.value(c) / 100.0, money[b]);
            } else if (col.field.kind == ReportField::RowNumber) {
                s.number(r, c, value.toDouble(), centered[b]);
            } else if (dayForm.match(value).hasMatch() && QDate::fromString(value, QStringLiteral("dd.MM.yyyy")).isValid()) {
                s.date(r, c, QDate::fromString(value, QStringLiteral("dd.MM.yyyy")), date[b]);
            } else {
                const QString under = line.under.value(c);
                const QString shown = under.isEmpty() ? value : value + QLatin1Char('\n') + under;
                s.text(r, c, shown, col.format == ReportColumn::Center ? centered[b] : text[b]);
                fit(r, m.lines(shown, widths.at(c), b));
            }
        }
    }
    row = top + int(doc.lines.size());
    if (doc.empty())
        wide(row++, noRowsText(), centeredPlain, false);
    ++row;
    for (const QString &note : doc.notes)
        wide(row++, note, plain, false);
    if (!doc.empty()) {
        // Three blocks side by side, the outer two each over the columns that hold
        // its longest line and come nearest a third of the table, the middle one
        // over the columns between; one under the other when the table has fewer
        // than three columns.
        ++row;
        const Signatories &g = doc.signatories;
        const QString captions[3] = {g.headCaption(), QStringLiteral("CONTABIL SEF"), QStringLiteral("INTOCMIT")};
        const QString names[3] = {g.sef, g.contabil, g.intocmit};
        const auto block = [&](int from, int step, int stop, int i) {
            const double need = qMax(m.width(captions[i], true), m.width(names[i])) + 1;
            int last = from;
            double w = widths.at(from);
            while (last + step != stop
                   && (w < need || std::abs(w + widths.at(last + step) - full / 3) < std::abs(w - full / 3))) {
                last += step;
                w += widths.at(last);
            }
            return last;
        };
        const int end0 = n >= 3 ? block(0, 1, n - 2, 0) : n - 1;
        const int start2 = n >= 3 ? block(n - 1, -1, end0 + 1, 2) : 0;
        const int spans[3][2] = {{0, end0}, {n >= 3 ? end0 + 1 : 0, n >= 3 ? start2 - 1 : n - 1}, {start2, n - 1}};
        for (int i = 0; i < 3; ++i) {
            const int first = spans[i][0], last = spans[i][1];
            const int at = n >= 3 ? row : row + 4 * i;
            s.merge(at, first, last, captions[i], boldCentered);
            fit(at, m.lines(captions[i], across(first, last), true));
            s.merge(at + 2, first, last, names[i], centeredPlain);
            fit(at + 2, m.lines(names[i], across(first, last)));
        }
    }
    for (auto it = heights.cbegin(); it != heights.cend(); ++it)
        Sheet::check(worksheet_set_row(s.get(), lxw_row_t(it.key()), it.value(), nullptr));

    // Printed as the PDF is: A4 landscape, its margins (the report's own top margin
    // above them), as wide as the page, its running line at the foot of every page.
    worksheet_set_landscape(s.get());
    worksheet_set_paper(s.get(), 9);
    worksheet_fit_to_pages(s.get(), 1, 0);
    const double inch = 25.4;
    worksheet_set_margins(s.get(), kMarginMm / inch, kMarginMm / inch,
                          kMarginMm / inch + qMax(0, doc.topMarginTwips) / 1440.0, (kMarginMm + kFooterMm) / inch);
    lxw_header_footer_options foot{};
    foot.margin = kMarginMm / inch;
    const QString footer = QStringLiteral("&L&8") + headerText(doc.subunit, 60) + QStringLiteral("&C&8")
        + headerText(doc.title, 150) + QStringLiteral("&R&8pagina &P / &N");
    Sheet::check(worksheet_set_footer_opt(s.get(), utf8(footer).constData(), &foot));
    // The criteria stand with the captions on every page while they are short.
    const int repeated = criteriaRow >= 0 && criteriaLines <= 3 ? criteriaRow : captionRow;
    Sheet::check(worksheet_repeat_rows(s.get(), lxw_row_t(repeated), lxw_row_t(captionRow)));
}

} // namespace

void writeWorkbook(const ReportDocument &doc, const QString &path)
{
    try {
        ReportOutput out(path);
        {
            Sheet sheet(out.scratchPath(), sheetName(doc.title));
            fill(sheet, doc);
            sheet.close();
        }
        out.commit();
    } catch (const OutputFailure &f) {
        throw WorkbookFailure{f.cause};
    }
}

} // namespace tendro
