#pragma once
// Lays a report out on A4 landscape pages and paints them. The layout is a
// model of every page (each text with the font that paints it and the cell
// it must stay in, each ruled or shaded box), so what is painted is exactly
// what was measured: nothing is clipped. The first page carries the header,
// the title, the date the report was drawn up and the criteria; every page
// the table's captions and a running line with the sub-unit, the title and
// "pagina x / y". Rows never split; a group's heading stays with its first
// row and is repeated "(continuare)" on the next page; a subtotal keeps
// the group's last row; the total general and the signatories stand on the
// page of the last rows.

#include "document.h"

#include <QColor>
#include <QFont>
#include <QPageLayout>
#include <QRectF>
#include <QVector>

#include <memory>

class QPagedPaintDevice;
class QPainter;

namespace tendro {

// The fonts every report uses, loaded once from the program's resources so
// that the output is the same on every machine.
QString reportFontFamily();
// A4 landscape, 10 mm margins.
QPageLayout reportPage();

class ReportMetrics;

struct LaidText {
    QString text;
    QFont font;
    QPointF origin;    // the start of the baseline
    QRectF cell;       // the rules the text stays within
    int line = -1;     // the document line; -1 outside the table
    int column = -1;   // the column (0 also for a group heading or a sum's label);
                       // outside the table -1, or -2 for the running line
};

struct LaidBox {
    QRectF rect;
    QColor fill;       // invalid: not filled
};

struct LaidPage {
    QVector<LaidBox> boxes;
    QVector<LaidText> texts;
    QVector<int> lines;        // the document lines on this page, in order
    bool signatories = false;
};

class ReportLayout {
public:
    ReportLayout(const ReportDocument &doc, QPagedPaintDevice *device);

    int pageCount() const { return int(pages_.size()); }
    const QVector<LaidPage> &pages() const { return pages_; }
    const QVector<double> &columnWidths() const { return colW_; }
    double pageWidth() const { return width_; }
    double pageHeight() const { return height_; }
    // Paints every page, starting new pages on the device between them.
    void paint(QPainter &painter, QPagedPaintDevice *device) const;

private:
    struct Block {   // texts and boxes placed relative to y = 0
        QVector<LaidBox> boxes;
        QVector<LaidText> texts;
        double height = 0;
    };

    double px(double mm) const { return mm * dpi_ / 25.4; }
    void fitColumns();
    // A text in a cell: wrapped at blanks, a word wider than the cell
    // broken between its characters, a number shrunk to fit instead.
    void place(Block &b, const QString &text, QFont font, const QRectF &cell, int align, bool number, int line,
               int column, double top) const;
    Block lineBlock(int index, bool continuation) const;
    Block captionBlock() const;
    Block signatoriesBlock() const;
    Block notesBlock() const;
    Block paragraph(const QString &text, const QFont &font) const;
    void append(LaidPage &page, const Block &b, double y) const;
    void paginate();
    void addRunningLines();

    const ReportDocument &doc_;
    std::shared_ptr<ReportMetrics> metrics_;
    double dpi_;
    double width_, height_;   // the paintable area, device pixels
    QVector<double> colX_, colW_;
    QVector<int> groupOf_;    // the heading line of each line's group; -1 for none
    QVector<LaidPage> pages_;
};

} // namespace tendro
