#include "workbook.h"
#include "document.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tendro {

namespace {

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

class Sheet {
public:
    explicit Sheet(const QString &path) : book_(workbook_new(QFile::encodeName(path).constData()))
    {
        if (!book_)
            throw WorkbookFailure{QStringLiteral("fisierul nu poate fi creat")};
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
    lxw_worksheet *operator->() const { return sheet_; }
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

private:
    static void check(lxw_error e)
    {
        if (e != LXW_NO_ERROR)
            throw WorkbookFailure{QString::fromUtf8(lxw_strerror(e))};
    }

    lxw_workbook *book_;
    lxw_worksheet *sheet_ = nullptr;
};

void fill(Sheet &s, const ReportDocument &doc)
{
    const int n = int(doc.columns.size());
    lxw_format *bold = s.format(true, false);
    lxw_format *plain = s.format(false, false);
    lxw_format *caption = s.format(true, true, nullptr, LXW_ALIGN_CENTER, true);
    lxw_format *text = s.format(false, true);
    lxw_format *centered = s.format(false, true, nullptr, LXW_ALIGN_CENTER);
    lxw_format *money = s.format(false, true, "#,##0.00", LXW_ALIGN_RIGHT);
    lxw_format *date = s.format(false, true, "dd.mm.yyyy", LXW_ALIGN_CENTER);
    lxw_format *heading = s.format(true, true, nullptr, LXW_ALIGN_LEFT, true);
    lxw_format *sumLabel = s.format(true, true);
    lxw_format *sumMoney = s.format(true, true, "#,##0.00", LXW_ALIGN_RIGHT);
    lxw_format *title = s.format(true, false, nullptr, LXW_ALIGN_CENTER, false, 13);
    lxw_format *centeredPlain = s.format(false, false, nullptr, LXW_ALIGN_CENTER);

    double chars = 0;
    for (int c = 0; c < n; ++c) {
        // Millimetres of the definition as character widths; an amount of
        // 999.999.999,99 always shows.
        double w = doc.columns.at(c).width / 1.6;
        if (doc.columns.at(c).format == ReportColumn::Money)
            w = qMax(w, 15.0);
        chars += w;
        worksheet_set_column(s.get(), lxw_col_t(c), lxw_col_t(c), w, nullptr);
    }
    int row = 0;
    s.text(row++, 0, doc.directorate, bold);
    s.text(row++, 0, doc.subunit, bold);
    s.merge(row++, 0, n - 1, doc.title, title);
    if (doc.drawnUp.isValid())
        s.merge(row++, 0, n - 1, QStringLiteral("Data intocmirii: ") + doc.drawnUp.toString(QStringLiteral("dd.MM.yyyy")),
                centeredPlain);
    if (!doc.criteria.isEmpty()) {
        worksheet_set_row(s.get(), row, 15 * std::ceil(doc.criteria.size() * 1.1 / chars), nullptr);
        s.merge(row++, 0, n - 1, doc.criteria, centeredPlain);
    }
    ++row;
    for (int c = 0; c < n; ++c)
        s.text(row, c, doc.columns.at(c).caption, caption);
    worksheet_freeze_panes(s.get(), lxw_row_t(row + 1), 0);
    // Printed as the PDF is: A4 landscape, as wide as the page, the captions on every page.
    worksheet_set_landscape(s.get());
    worksheet_set_paper(s.get(), 9);
    worksheet_fit_to_pages(s.get(), 1, 0);
    worksheet_repeat_rows(s.get(), lxw_row_t(row), lxw_row_t(row));
    const int top = row + 1;   // the sheet row of the document's first line

    static const QRegularExpression dayForm(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4}$"));
    QVector<QStringList> subtotals(n);   // per column, the cells of the groups' subtotals
    for (int l = 0; l < doc.lines.size(); ++l) {
        const ReportLine &line = doc.lines.at(l);
        const int r = top + l;
        if (line.kind == ReportLine::Group) {
            s.merge(r, 0, n - 1, line.cells.value(0), heading);
            continue;
        }
        if (line.kind != ReportLine::Item) {
            int span = 1;
            while (span < n && !doc.columns.at(span).total)
                ++span;
            s.merge(r, 0, span - 1, line.cells.value(0), sumLabel);
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
        for (int c = 0; c < n; ++c) {
            const ReportColumn &col = doc.columns.at(c);
            const QString value = line.cells.value(c);
            if (col.format == ReportColumn::Money) {
                if (!value.isEmpty())   // no value: an empty cell, as printed
                    s.number(r, c, line.cents.value(c) / 100.0, money);
            } else if (col.field.kind == ReportField::RowNumber) {
                s.number(r, c, value.toDouble(), centered);
            } else if (dayForm.match(value).hasMatch() && QDate::fromString(value, QStringLiteral("dd.MM.yyyy")).isValid()) {
                s.date(r, c, QDate::fromString(value, QStringLiteral("dd.MM.yyyy")), date);
            } else {
                const QString under = line.under.value(c);
                s.text(r, c, under.isEmpty() ? value : value + QLatin1Char('\n') + under,
                       col.format == ReportColumn::Center ? centered : text);
            }
        }
    }
    row = top + int(doc.lines.size()) + 1;
    for (const QString &note : doc.notes)
        s.merge(row++, 0, n - 1, note, plain);
    ++row;
    const Signatories &g = doc.signatories;
    const int at[3] = {qMin(1, n - 1), n / 2, qMax(0, n - 2)};
    const QString captions[3] = {g.functiesef, QStringLiteral("CONTABIL SEF"), QStringLiteral("INTOCMIT")};
    const QString names[3] = {g.sef, g.contabil, g.intocmit};
    for (int i = 0; i < 3; ++i) {
        s.text(row, at[i], captions[i], bold);
        s.text(row + 2, at[i], names[i], plain);
    }
}

} // namespace

void writeWorkbook(const ReportDocument &doc, const QString &path)
{
    const QFileInfo target(path);
    if (!target.absoluteDir().exists())
        throw WorkbookFailure{QStringLiteral("folderul ") + target.absolutePath() + QStringLiteral(" nu exista")};
    QTemporaryFile reserve(target.absoluteDir().filePath(QLatin1Char('.') + target.fileName() + QStringLiteral(".XXXXXX")));
    if (!reserve.open())
        throw WorkbookFailure{QStringLiteral("folderul ") + target.absolutePath() + QStringLiteral(" nu poate fi scris")};
    const QString temporary = reserve.fileName();
    reserve.close();
    try {
        Sheet sheet(temporary);
        fill(sheet, doc);
        sheet.close();
    } catch (const WorkbookFailure &) {
        QFile::remove(temporary);
        throw;
    }
    reserve.setAutoRemove(false);
    // rename() replaces an older file of that name in one step.
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        const QString cause = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temporary);
        throw WorkbookFailure{cause};
    }
}

} // namespace tendro
