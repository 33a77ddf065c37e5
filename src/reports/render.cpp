#include "render.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QSet>
#include <QPagedPaintDevice>
#include <QPainter>

#include <memory>

namespace tendro {

namespace {

constexpr double kPadMm = 1.0;
constexpr double kFooterMm = 8.0;
constexpr double kSignaturesMm = 24.0;
constexpr double kSmallestPt = 6.0;

enum class Style { Table, Under, Caption, Header, Title, Criteria, Running };

QFont makeFont(Style s, bool bold)
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
    case Style::Running: f.setPointSizeF(7); break;
    }
    if (bold)
        f.setBold(true);
    return f;
}

// Each font made once: its copies share it, so that they are recognised
// cheaply when measured and painted.
QFont fontFor(Style s, bool bold = false)
{
    // Kept to the end of the process, never destroyed after the application.
    static auto *made = new QHash<int, QFont>;
    const int key = int(s) * 2 + (bold ? 1 : 0);
    auto it = made->find(key);
    if (it == made->end())
        it = made->insert(key, makeFont(s, bold));
    return *it;
}

// The longest prefix of `word` narrower than `width`; at least one character.
int fittingPrefix(const QFontMetricsF &m, const QString &word, double width)
{
    int lo = 1, hi = int(word.size());
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (m.horizontalAdvance(word.left(mid)) <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}

// The pieces a line may break between: words, and within a word after a
// hyphen or a slash and before an opening parenthesis ("nerambursabile(UE)",
// "PN-III-P2"). `spaced`: a blank stands before the piece.
struct Piece {
    QString text;
    bool spaced;
};

QVector<Piece> piecesOf(const QString &text)
{
    QVector<Piece> out;
    QString flat = text;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    for (const QString &word : flat.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        int start = 0;
        for (int i = 1; i < word.size(); ++i) {
            const QChar before = word.at(i - 1), here = word.at(i);
            if (before == QLatin1Char('-') || before == QLatin1Char('/') || here == QLatin1Char('(')) {
                out << Piece{word.mid(start, i - start), start == 0};
                start = i;
            }
        }
        out << Piece{word.mid(start), start == 0};
    }
    return out;
}

QStringList wrap(const QFontMetricsF &m, const QString &text, double width)
{
    QStringList lines;
    QString current;
    for (const Piece &p : piecesOf(text)) {
        QString piece = p.text;
        const QString joined = current.isEmpty() ? piece : current + (p.spaced ? QStringLiteral(" ") : QString()) + piece;
        if (m.horizontalAdvance(joined) <= width) {
            current = joined;
            continue;
        }
        if (!current.isEmpty())
            lines << current;
        // A piece wider than the cell breaks between its characters.
        while (piece.size() > 1 && m.horizontalAdvance(piece) > width) {
            const int n = fittingPrefix(m, piece, width);
            lines << piece.left(n);
            piece = piece.mid(n);
        }
        current = piece;
    }
    if (!current.isEmpty())
        lines << current;
    return lines;
}

} // namespace

// Metrics per font for the layout's device, kept for the whole layout.
class ReportMetrics {
public:
    explicit ReportMetrics(QPaintDevice *device) : device_(device) {}
    const QFontMetricsF &of(const QFont &f)
    {
        // Most fonts are copies of the few made once: found by identity first.
        for (const auto &[font, metrics] : seen_)
            if (font.isCopyOf(f))
                return *metrics;
        const QString key = f.key();
        auto it = cache_.find(key);
        if (it == cache_.end())
            it = cache_.insert(key, std::make_shared<QFontMetricsF>(f, device_));
        if (seen_.size() < 32)
            seen_.append({f, *it});
        return **it;
    }

private:
    QPaintDevice *device_;
    QHash<QString, std::shared_ptr<QFontMetricsF>> cache_;
    QVector<std::pair<QFont, std::shared_ptr<QFontMetricsF>>> seen_;
};

QPageLayout reportPage()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

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
    : doc_(doc), metrics_(std::make_shared<ReportMetrics>(device)), dpi_(device->logicalDpiY()),
      width_(device->width()), height_(device->height())
{
    int heading = -1;
    for (const ReportLine &l : doc_.lines) {
        if (l.kind == ReportLine::Group)
            heading = int(groupOf_.size());
        else if (l.kind == ReportLine::Total)
            heading = -1;
        groupOf_ << heading;
    }
    fitColumns();
    paginate();
    addRunningLines();
}

void ReportLayout::fitColumns()
{
    // Each column gets, in this order of precedence: what it must have (its
    // widest amount, its caption's longest word, the longest word of a
    // centred column such as a date); its longest word, up to half as wide
    // again as its share (longer words break); its share of the page as the
    // definition gives it; and the rest of the page in proportion.
    ReportMetrics &m = *metrics_;
    const int n = int(doc_.columns.size());
    const double pad = 2 * px(kPadMm) + px(0.2);   // a hair more, so that a measured width fits after rounding
    double defined = 0;
    for (const ReportColumn &c : doc_.columns)
        defined += c.width;
    QVector<double> base(n), must(n), word(n);
    const QFontMetricsF &regular = m.of(fontFor(Style::Table));
    const QFontMetricsF &bold = m.of(fontFor(Style::Table, true));
    const QFontMetricsF &under = m.of(fontFor(Style::Under));
    const QFontMetricsF &underBold = m.of(fontFor(Style::Under, true));
    const auto longestWord = [](const QFontMetricsF &fm, const QString &text) {
        double w = 0;
        for (const Piece &p : piecesOf(text))
            w = qMax(w, fm.horizontalAdvance(p.text));
        return w;
    };
    for (int c = 0; c < n; ++c) {
        base[c] = width_ * doc_.columns.at(c).width / defined;
        must[c] = qMin(longestWord(m.of(fontFor(Style::Caption)), doc_.columns.at(c).caption), base[c]);
        word[c] = must[c];
    }
    QSet<QString> seen;   // vocabularies repeat: measure each text once per column
    for (const ReportLine &l : doc_.lines) {
        if (l.kind == ReportLine::Group)
            continue;
        const bool sum = l.kind != ReportLine::Item;
        const QFontMetricsF &own = sum || l.bold ? bold : regular;
        for (int c = sum ? 1 : 0; c < n && c < l.cells.size(); ++c) {
            const QString &text = l.cells.at(c);
            const ReportColumn::Format format = doc_.columns.at(c).format;
            if (text.isEmpty())
                continue;
            if (format == ReportColumn::Money) {
                must[c] = qMax(must[c], own.horizontalAdvance(text));
                continue;
            }
            const QString key = QString::number(c) + (l.bold ? QLatin1Char('!') : QLatin1Char('|')) + text
                + l.under.value(c);
            if (seen.contains(key))
                continue;
            seen.insert(key);
            double longest = longestWord(own, text);
            if (!l.under.value(c).isEmpty())
                longest = qMax(longest, longestWord(l.bold ? underBold : under, l.under.at(c)));
            if (format == ReportColumn::Center)
                must[c] = qMax(must[c], qMin(longest, 1.5 * base[c]));
            word[c] = qMax(word[c], qMin(longest, 1.5 * base[c]));
        }
    }
    double musts = 0, words = 0, deficit = 0;
    for (int c = 0; c < n; ++c) {
        must[c] += pad;
        word[c] = qMax(word[c] + pad, must[c]);
        musts += must[c];
        words += word[c];
        deficit += qMax(0.0, base[c] - word[c]);
    }
    colW_.resize(n);
    const double rest = width_ - words;
    for (int c = 0; c < n; ++c) {
        const double below = qMax(0.0, base[c] - word[c]);
        if (musts >= width_)   // too narrow a page: amounts shrink, words break
            colW_[c] = must[c] * width_ / musts;
        else if (rest < 0)
            colW_[c] = must[c] + (word[c] - must[c]) * (width_ - musts) / (words - musts);
        else if (rest <= deficit && deficit > 0)
            colW_[c] = word[c] + below * rest / deficit;
        else
            colW_[c] = word[c] + below + (rest - deficit) * base[c] / width_;
    }
    double x = 0;
    colX_.clear();
    for (double w : colW_) {
        colX_ << x;
        x += w;
    }
}

void ReportLayout::place(Block &b, const QString &text, QFont font, const QRectF &cell, int align, bool number,
                         int line, int column, double top) const
{
    if (text.isEmpty())
        return;
    ReportMetrics &m = *metrics_;
    const double pad = px(kPadMm);
    const double inner = cell.width() - 2 * pad;
    QStringList lines;
    if (number) {
        // A number never wraps while a smaller size holds it.
        while (m.of(font).horizontalAdvance(text) > inner && font.pointSizeF() > kSmallestPt)
            font.setPointSizeF(qMax(kSmallestPt, font.pointSizeF() - 0.5));
        if (m.of(font).horizontalAdvance(text) <= inner)
            lines << text;
    }
    const QFontMetricsF &fm = m.of(font);
    if (lines.isEmpty())
        lines = wrap(fm, text, inner);
    double y = top;
    for (const QString &l : lines) {
        const double w = fm.horizontalAdvance(l);
        double x = cell.left() + pad;
        if (align & Qt::AlignRight)
            x = cell.right() - pad - w;
        else if (align & Qt::AlignHCenter)
            x = cell.left() + (cell.width() - w) / 2;
        b.texts << LaidText{l, font, QPointF(x, y + fm.ascent()), cell, line, column};
        y += fm.height();
    }
    b.height = qMax(b.height, y + pad);
}

ReportLayout::Block ReportLayout::lineBlock(int index, bool continuation) const
{
    const ReportLine &line = doc_.lines.at(index);
    const double pad = px(kPadMm);
    Block b;
    const auto closeCells = [&b](int fromText, const QVector<QRectF> &cells) {
        // The cells' height is known once every text of the line is placed.
        for (int i = fromText; i < b.texts.size(); ++i)
            b.texts[i].cell.setHeight(b.height);
        for (QRectF r : cells) {
            r.setHeight(b.height);
            b.boxes << LaidBox{r, QColor()};
        }
    };
    if (line.kind == ReportLine::Group) {
        const QString text = line.cells.value(0) + (continuation ? QStringLiteral(" (continuare)") : QString());
        const QRectF cell(0, 0, width_, 0);
        place(b, text, fontFor(Style::Table, true), cell, Qt::AlignLeft, false, index, 0, pad);
        b.boxes << LaidBox{QRectF(0, 0, width_, b.height), QColor(240, 240, 240)};
        closeCells(0, {});
        return b;
    }
    const bool sum = line.kind != ReportLine::Item;
    const QFont main = fontFor(Style::Table, sum || line.bold);
    // A sum's label spans the columns before the first one it totals.
    int labelSpan = 1;
    if (sum)
        while (labelSpan < colW_.size() && !doc_.columns.at(labelSpan).total)
            ++labelSpan;
    QVector<QRectF> cells;
    for (int c = 0; c < colW_.size(); ++c) {
        if (sum && c > 0 && c < labelSpan)
            continue;
        const double w = sum && c == 0 ? colX_.at(labelSpan - 1) + colW_.at(labelSpan - 1) : colW_.at(c);
        const QRectF cell(colX_.at(c), 0, w, 0);
        cells << cell;
        const ReportColumn::Format format = doc_.columns.at(c).format;
        const int align = sum && c == 0                          ? int(Qt::AlignLeft)
                        : format == ReportColumn::Money          ? int(Qt::AlignRight)
                        : format == ReportColumn::Center         ? int(Qt::AlignHCenter)
                                                                 : int(Qt::AlignLeft);
        const bool number = format == ReportColumn::Money && !(sum && c == 0);
        const int before = int(b.texts.size());
        place(b, line.cells.value(c), main, cell, align, number, index, c, pad);
        const QString under = line.under.value(c);
        if (!under.isEmpty()) {
            double top = pad;
            for (int i = before; i < b.texts.size(); ++i)
                top = qMax(top, b.texts.at(i).origin.y() + metrics_->of(b.texts.at(i).font).descent());
            place(b, under, fontFor(Style::Under, line.bold), cell, align, false, index, c, top);
        }
        b.height = qMax(b.height, metrics_->of(main).height() + 2 * pad);
    }
    closeCells(0, cells);
    return b;
}

ReportLayout::Block ReportLayout::captionBlock() const
{
    Block b;
    const double pad = px(kPadMm);
    QVector<QRectF> cells;
    QVector<int> starts;
    for (int c = 0; c < colW_.size(); ++c) {
        starts << int(b.texts.size());
        cells << QRectF(colX_.at(c), 0, colW_.at(c), 0);
        place(b, doc_.columns.at(c).caption, fontFor(Style::Caption), cells.last(), Qt::AlignHCenter, false, -1, c, pad);
    }
    starts << int(b.texts.size());
    for (int c = 0; c < colW_.size(); ++c) {
        // Captions stand in the middle of their cells.
        const int first = starts.at(c), end = starts.at(c + 1);
        double used = 0;
        if (end > first)
            used = b.texts.at(end - 1).origin.y() + metrics_->of(b.texts.at(end - 1).font).descent() - pad;
        const double shift = (b.height - 2 * pad - used) / 2;
        for (int i = first; i < end; ++i) {
            b.texts[i].origin.ry() += shift;
            b.texts[i].cell.setHeight(b.height);
        }
        QRectF r = cells.at(c);
        r.setHeight(b.height);
        b.boxes << LaidBox{r, QColor(225, 225, 225)};
    }
    return b;
}

ReportLayout::Block ReportLayout::signatoriesBlock() const
{
    const Signatories &s = doc_.signatories;
    const QString captions[3] = {s.headCaption(), QStringLiteral("CONTABIL SEF"), QStringLiteral("INTOCMIT")};
    const QString names[3] = {s.sef, s.contabil, s.intocmit};
    const double w = width_ / 3;
    const double gap = px(8);
    Block b;
    double bottom = 0;
    for (int i = 0; i < 3; ++i) {
        Block one;
        const QRectF cell(i * w, 0, w, px(kSignaturesMm));
        place(one, captions[i], fontFor(Style::Header), cell, Qt::AlignHCenter, false, -1, i, gap);
        const double top = one.texts.isEmpty() ? gap : one.height + px(2);
        place(one, names[i], fontFor(Style::Criteria), cell, Qt::AlignHCenter, false, -1, i, top);
        bottom = qMax(bottom, one.height);
        b.texts << one.texts;
    }
    b.height = qMax(bottom, px(kSignaturesMm));
    for (LaidText &t : b.texts)
        t.cell.setHeight(b.height);
    return b;
}

ReportLayout::Block ReportLayout::notesBlock() const
{
    Block b;
    for (const QString &note : doc_.notes)
        place(b, note, fontFor(Style::Criteria), QRectF(0, 0, width_, 0), Qt::AlignLeft, false, -1, -1,
              b.height + (b.texts.isEmpty() ? px(2) : 0));
    return b;
}

ReportLayout::Block ReportLayout::paragraph(const QString &text, const QFont &font) const
{
    Block b;
    place(b, text, font, QRectF(0, 0, width_, 0), Qt::AlignHCenter, false, -1, -1, 0);
    return b;
}

void ReportLayout::append(LaidPage &page, const Block &b, double y) const
{
    for (LaidBox box : b.boxes) {
        box.rect.translate(0, y);
        page.boxes << box;
    }
    for (LaidText t : b.texts) {
        t.origin.ry() += y;
        t.cell.translate(0, y);
        page.texts << t;
    }
}

void ReportLayout::paginate()
{
    const double bottom = height_ - px(kFooterMm);
    // Room for letterhead and binding above everything, on every page; a
    // margin never leaves less than half the page to the report.
    const double top = qBound(0.0, px(doc_.topMarginTwips * 25.4 / 1440.0), bottom / 2);
    LaidPage page;
    double y = top;
    bool captions = false;
    const auto newPage = [&] {
        pages_ << page;
        page = LaidPage();
        y = top;
        captions = false;
    };
    // Texts above the table flow line by line, so that a criteria line
    // longer than a page goes on over the next one.
    const auto flow = [&](const Block &para, bool left) {
        for (LaidText t : para.texts) {
            const QFontMetricsF &fm = metrics_->of(t.font);
            if (y + fm.height() > bottom && !page.texts.isEmpty())
                newPage();
            if (left)
                t.origin.setX(0);
            t.origin.setY(y + fm.ascent());
            t.cell = QRectF(0, y, width_, fm.height());
            page.texts << t;
            y += fm.height();
        }
    };
    flow(paragraph(doc_.directorate, fontFor(Style::Header)), true);
    flow(paragraph(doc_.subunit, fontFor(Style::Header)), true);
    y += px(2);
    flow(paragraph(doc_.title, fontFor(Style::Title)), false);
    if (doc_.drawnUp.isValid())
        flow(paragraph(QStringLiteral("Data intocmirii: ") + doc_.drawnUp.toString(QStringLiteral("dd.MM.yyyy")),
                       fontFor(Style::Criteria)),
             false);
    if (!doc_.criteria.isEmpty()) {
        y += px(1.5);
        flow(paragraph(doc_.criteria, fontFor(Style::Criteria)), false);
    }
    y += px(5);

    // Lines that must share a page with the next: a group's heading, a
    // group's last row, the total general's predecessor and the total
    // general itself (with the signatories).
    const int count = int(doc_.lines.size());
    QVector<bool> keepWithNext(count, false);
    for (int i = 0; i < count; ++i) {
        const ReportLine::Kind k = doc_.lines.at(i).kind;
        const ReportLine::Kind next = i + 1 < count ? doc_.lines.at(i + 1).kind : ReportLine::Item;
        keepWithNext[i] = k == ReportLine::Group || k == ReportLine::Total || next == ReportLine::Subtotal
                          || next == ReportLine::Total;
    }
    const Block captionsBlock = captionBlock();
    if (count == 0) {
        // Nothing to sign: the captions, what was not found, and the notes.
        const Block nothing = paragraph(noRowsText(), fontFor(Style::Criteria));
        const Block notes = notesBlock();
        for (const Block *b : {&captionsBlock, &nothing, &notes}) {
            if (y + b->height > bottom && !page.texts.isEmpty())
                newPage();
            append(page, *b, y + (b == &nothing ? px(2) : 0));
            y += b->height + (b == &nothing ? px(2) : 0);
        }
        pages_ << page;
        return;
    }
    // The notes under the total stand with it and the signatories.
    Block signatures = notesBlock();
    {
        Block names = signatoriesBlock();
        for (LaidText &t : names.texts) {
            t.origin.ry() += signatures.height;
            t.cell.translate(0, signatures.height);
        }
        signatures.texts << names.texts;
        signatures.height += names.height;
    }
    // What a line needs above it on a page where the table starts with it.
    const auto prefix = [&](int i) {
        if (captions)
            return 0.0;
        double h = captionsBlock.height;
        if (groupOf_.at(i) >= 0 && groupOf_.at(i) != i)
            h += lineBlock(groupOf_.at(i), true).height;
        return h;
    };
    const auto startTable = [&](int i) {
        if (captions)
            return;
        append(page, captionsBlock, y);
        y += captionsBlock.height;
        captions = true;
        if (groupOf_.at(i) >= 0 && groupOf_.at(i) != i) {
            const Block head = lineBlock(groupOf_.at(i), true);
            append(page, head, y);
            y += head.height;
        }
    };
    for (int i = 0; i < count;) {
        int end = i;
        while (end < count - 1 && keepWithNext.at(end))
            ++end;
        QVector<Block> chain;
        double h = 0;
        for (int k = i; k <= end; ++k) {
            chain << lineBlock(k, false);
            h += chain.last().height;
        }
        const bool last = end == count - 1;
        if (last)
            h += signatures.height;
        if (y + prefix(i) + h > bottom && !page.texts.isEmpty())
            newPage();
        // A chain taller than a page breaks between its lines.
        for (int k = i; k <= end; ++k) {
            const Block &b = chain.at(k - i);
            if (y + prefix(k) + b.height > bottom && !page.texts.isEmpty())
                newPage();
            startTable(k);
            append(page, b, y);
            y += b.height;
            page.lines << k;
        }
        if (last) {
            if (y + signatures.height > bottom && !page.texts.isEmpty())
                newPage();
            append(page, signatures, y);
            y += signatures.height;
            page.signatories = true;
        }
        i = end + 1;
    }
    pages_ << page;
}

void ReportLayout::addRunningLines()
{
    // Sub-unit on the left, title in the middle, "pagina x / y" on the right;
    // the parts of "x / y" set apart so that text readers keep the blanks.
    const double top = height_ - px(kFooterMm) + px(1.5);
    const QFont font = fontFor(Style::Running);
    const QFontMetricsF &fm = metrics_->of(font);
    const double quarter = width_ / 4;
    for (int i = 0; i < pages_.size(); ++i) {
        Block b;
        place(b, doc_.subunit, font, QRectF(0, 0, quarter, 0), Qt::AlignLeft, false, -1, -2, 0);
        place(b, doc_.title, font, QRectF(quarter, 0, 2 * quarter, 0), Qt::AlignHCenter, false, -1, -2, 0);
        const QString parts[4] = {QStringLiteral("pagina"), QString::number(i + 1), QStringLiteral("/"),
                                  QString::number(pages_.size())};
        const double gap = fm.horizontalAdvance(QStringLiteral("  "));
        double w = 3 * gap;
        for (const QString &p : parts)
            w += fm.horizontalAdvance(p);
        double x = width_ - px(kPadMm) - w;
        for (const QString &p : parts) {
            b.texts << LaidText{p, font, QPointF(x, fm.ascent()), QRectF(3 * quarter, 0, quarter, 0), -1, -2};
            x += fm.horizontalAdvance(p) + gap;
        }
        for (LaidText &t : b.texts)
            t.cell.setHeight(px(kFooterMm) - px(1.5));
        append(pages_[i], b, top);
    }
}

void ReportLayout::paint(QPainter &painter, QPagedPaintDevice *device) const
{
    for (int i = 0; i < pages_.size(); ++i) {
        if (i > 0)
            device->newPage();
        const LaidPage &page = pages_.at(i);
        painter.setPen(QPen(Qt::black, px(0.2)));
        for (const LaidBox &b : page.boxes) {
            if (b.fill.isValid())
                painter.fillRect(b.rect, b.fill);
            painter.drawRect(b.rect);
        }
        QFont current = painter.font();
        for (const LaidText &t : page.texts) {
            if (!current.isCopyOf(t.font) && current != t.font)
                painter.setFont(t.font);
            current = t.font;
            painter.drawText(t.origin, t.text);
        }
    }
}

} // namespace tendro
