#include "render.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

namespace tendro {

namespace {

constexpr double kPadMm = 1.0;
constexpr double kFooterMm = 8.0;
constexpr double kSignaturesMm = 24.0;

enum class Style { Table, Under, Caption, Header, Title, Criteria, Footer };

QFont fontFor(Style s)
{
    QFont f(reportFontFamily());
    // No ligatures: "fi" stays two letters for whoever copies the text.
    f.setStyleStrategy(QFont::PreferNoShaping);
    switch (s) {
    case Style::Table: f.setPointSizeF(8); break;
    case Style::Under: f.setPointSizeF(7); f.setItalic(true); break;
    case Style::Caption: f.setPointSizeF(7.5); f.setBold(true); break;
    case Style::Header: f.setPointSizeF(9); f.setBold(true); break;
    case Style::Title: f.setPointSizeF(13); f.setBold(true); break;
    case Style::Criteria: f.setPointSizeF(9); break;
    case Style::Footer: f.setPointSizeF(8); break;
    }
    return f;
}

int alignmentOf(ReportColumn::Format f)
{
    switch (f) {
    case ReportColumn::Money: return Qt::AlignRight | Qt::AlignTop;
    case ReportColumn::Center: return Qt::AlignHCenter | Qt::AlignTop;
    case ReportColumn::Text: break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
}

} // namespace

QString reportFontFamily()
{
    static const QString family = [] {
        const int regular = QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/DejaVuSans.ttf"));
        QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/DejaVuSans-Bold.ttf"));
        const QStringList families = QFontDatabase::applicationFontFamilies(regular);
        return families.isEmpty() ? QStringLiteral("DejaVu Sans") : families.first();
    }();
    return family;
}

ReportLayout::ReportLayout(const ReportDocument &doc, QPagedPaintDevice *device)
    : doc_(doc), dpi_(device->logicalDpiY()), width_(device->width()), height_(device->height()), device_(device)
{
    double total = 0;
    for (const ReportColumn &c : doc_.columns)
        total += c.width;
    double x = 0;
    for (const ReportColumn &c : doc_.columns) {
        colX_ << x;
        colW_ << width_ * c.width / total;
        x += colW_.last();
    }

    const double bottom = height_ - px(kFooterMm);
    const double top = headerHeight() + px(2) + px(doc_.topMarginTwips * 25.4 / 1440.0);
    const double captions = lineHeight(ReportLine{});
    Page page;
    page.tableTop = top + titleHeight();
    double y = page.tableTop + captions;
    for (int i = 0; i < doc_.lines.size(); ++i) {
        const double h = lineHeight(doc_.lines.at(i));
        // A group's heading stays with its first row.
        double need = h;
        if (doc_.lines.at(i).kind == ReportLine::Group && i + 1 < doc_.lines.size())
            need += lineHeight(doc_.lines.at(i + 1));
        if (y + need > bottom && !page.items.isEmpty()) {
            pages_ << page;
            page = Page();
            page.tableTop = top;
            y = top + captions;
        }
        page.items << Placed{i, y, h};
        y += h;
    }
    const double signatures = px(kSignaturesMm);
    y += px(8);
    if (y + signatures > bottom) {
        pages_ << page;
        page = Page();
        page.tableTop = -1;   // nothing of the table on this page
        y = top;
    }
    page.items << Placed{-1, y, signatures};
    pages_ << page;
}

double ReportLayout::headerHeight() const
{
    return 2 * QFontMetricsF(fontFor(Style::Header), device_).height();
}

double ReportLayout::titleHeight() const
{
    const QRectF wide(0, 0, width_, 1e6);
    double h = QFontMetricsF(fontFor(Style::Title), device_).boundingRect(wide, Qt::TextWordWrap, doc_.title).height();
    if (!doc_.criteria.isEmpty())
        h += px(1.5)
            + QFontMetricsF(fontFor(Style::Criteria), device_).boundingRect(wide, Qt::TextWordWrap, doc_.criteria).height();
    return h + px(5);
}

double ReportLayout::lineHeight(const ReportLine &line) const
{
    const double pad = px(kPadMm);
    const bool captions = line.cells.isEmpty();   // the table's captions
    const QFontMetricsF main(fontFor(captions ? Style::Caption : Style::Table), device_);
    const QFontMetricsF small(fontFor(Style::Under), device_);
    double h = main.height();
    if (line.kind == ReportLine::Group) {
        const QRectF r(0, 0, width_ - 2 * pad, 1e6);
        return main.boundingRect(r, Qt::TextWordWrap, line.cells.value(0)).height() + 2 * pad;
    }
    for (int c = 0; c < colW_.size(); ++c) {
        const QRectF r(0, 0, colW_.at(c) - 2 * pad, 1e6);
        const QString text = captions ? doc_.columns.at(c).caption : line.cells.value(c);
        double ch = main.boundingRect(r, Qt::TextWordWrap, text).height();
        const QString under = line.under.value(c);
        if (!under.isEmpty())
            ch += small.boundingRect(r, Qt::TextWordWrap, under).height();
        h = qMax(h, ch);
    }
    return h + 2 * pad;
}

void ReportLayout::paint(QPainter &painter, QPagedPaintDevice *device) const
{
    for (int i = 0; i < pages_.size(); ++i) {
        if (i > 0)
            device->newPage();
        paintPage(painter, i);
    }
}

void ReportLayout::paintPage(QPainter &p, int index) const
{
    const Page &page = pages_.at(index);
    p.setPen(QPen(Qt::black, px(0.2)));
    const QFontMetricsF header(fontFor(Style::Header), device_);
    p.setFont(fontFor(Style::Header));
    p.drawText(QRectF(0, 0, width_, header.height()), Qt::AlignLeft, doc_.directorate);
    p.drawText(QRectF(0, header.height(), width_, header.height()), Qt::AlignLeft, doc_.subunit);

    if (index == 0) {
        double y = headerHeight() + px(2) + px(doc_.topMarginTwips * 25.4 / 1440.0);
        const QRectF wide(0, y, width_, 1e6);
        p.setFont(fontFor(Style::Title));
        const QRectF title = p.boundingRect(wide, Qt::AlignHCenter | Qt::TextWordWrap, doc_.title);
        p.drawText(title, Qt::AlignHCenter | Qt::TextWordWrap, doc_.title);
        if (!doc_.criteria.isEmpty()) {
            p.setFont(fontFor(Style::Criteria));
            const QRectF crit(0, title.bottom() + px(1.5), width_, 1e6);
            p.drawText(p.boundingRect(crit, Qt::AlignHCenter | Qt::TextWordWrap, doc_.criteria),
                       Qt::AlignHCenter | Qt::TextWordWrap, doc_.criteria);
        }
    }
    if (page.tableTop >= 0)
        paintCaptions(p, page.tableTop);
    for (const Placed &item : page.items) {
        if (item.line < 0)
            paintSignatories(p, item.y);
        else
            paintLine(p, doc_.lines.at(item.line), item.y, item.height);
    }
    // "x / y", its three parts set apart so that text readers keep the blanks.
    p.setFont(fontFor(Style::Footer));
    const QFontMetricsF footer(fontFor(Style::Footer), device_);
    const QString parts[3] = {QString::number(index + 1), QStringLiteral("/"), QString::number(pages_.size())};
    const double gap = footer.horizontalAdvance(QStringLiteral("  "));
    double x = (width_ - footer.horizontalAdvance(parts[0] + parts[1] + parts[2]) - 2 * gap) / 2;
    const double y = height_ - px(kFooterMm) + px(2) + footer.ascent();
    for (const QString &part : parts) {
        p.drawText(QPointF(x, y), part);
        x += footer.horizontalAdvance(part) + gap;
    }
}

void ReportLayout::paintCaptions(QPainter &p, double y) const
{
    const double h = lineHeight(ReportLine{});
    const double pad = px(kPadMm);
    p.setFont(fontFor(Style::Caption));
    for (int c = 0; c < colW_.size(); ++c) {
        const QRectF cell(colX_.at(c), y, colW_.at(c), h);
        p.fillRect(cell, QColor(225, 225, 225));
        p.drawRect(cell);
        p.drawText(cell.adjusted(pad, pad, -pad, -pad), Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap,
                   doc_.columns.at(c).caption);
    }
}

void ReportLayout::paintLine(QPainter &p, const ReportLine &line, double y, double height) const
{
    const double pad = px(kPadMm);
    if (line.kind == ReportLine::Group) {
        const QRectF cell(0, y, width_, height);
        p.fillRect(cell, QColor(240, 240, 240));
        p.drawRect(cell);
        QFont f = fontFor(Style::Table);
        f.setBold(true);
        p.setFont(f);
        p.drawText(cell.adjusted(pad, pad, -pad, -pad), Qt::AlignLeft | Qt::TextWordWrap, line.cells.value(0));
        return;
    }
    const bool sum = line.kind == ReportLine::Subtotal || line.kind == ReportLine::Total;
    QFont main = fontFor(Style::Table);
    main.setBold(sum);
    const QFontMetricsF mainMetrics(main, device_);
    // A sum's label spans the columns before the first one it totals.
    int labelSpan = 1;
    if (sum)
        while (labelSpan < colW_.size() && !doc_.columns.at(labelSpan).total)
            ++labelSpan;
    for (int c = 0; c < colW_.size(); ++c) {
        double x = colX_.at(c), w = colW_.at(c);
        if (sum && c == 0)
            w = colX_.value(labelSpan - 1) + colW_.value(labelSpan - 1) - x;
        else if (sum && c < labelSpan)
            continue;
        const QRectF cell(x, y, w, height);
        p.drawRect(cell);
        const QRectF inner = cell.adjusted(pad, pad, -pad, -pad);
        p.setFont(main);
        const int align = sum && c == 0 ? Qt::AlignLeft : alignmentOf(doc_.columns.at(c).format);
        const QString text = line.cells.value(c);
        p.drawText(inner, align | Qt::TextWordWrap, text);
        const QString under = line.under.value(c);
        if (!under.isEmpty()) {
            const double used = mainMetrics.boundingRect(QRectF(0, 0, inner.width(), 1e6), Qt::TextWordWrap, text).height();
            p.setFont(fontFor(Style::Under));
            p.drawText(inner.adjusted(0, used, 0, 0), align | Qt::TextWordWrap, under);
        }
    }
}

void ReportLayout::paintSignatories(QPainter &p, double y) const
{
    const Signatories &s = doc_.signatories;
    const QString captions[3] = {s.functiesef, QStringLiteral("CONTABIL SEF"), QStringLiteral("INTOCMIT")};
    const QString names[3] = {s.sef, s.contabil, s.intocmit};
    const double w = width_ / 3;
    const QFontMetricsF metrics(fontFor(Style::Header), device_);
    for (int i = 0; i < 3; ++i) {
        p.setFont(fontFor(Style::Header));
        p.drawText(QRectF(i * w, y, w, metrics.height()), Qt::AlignHCenter, captions[i]);
        p.setFont(fontFor(Style::Criteria));
        p.drawText(QRectF(i * w, y + metrics.height() * 1.4, w, metrics.height()), Qt::AlignHCenter, names[i]);
    }
}

} // namespace tendro
