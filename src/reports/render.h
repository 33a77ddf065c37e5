#pragma once
// Lays a report out on A4 landscape pages and paints them: the header on
// every page, the title and criteria on the first, the table's captions at
// the top of each page, rows that never split, the signatories after the
// last row and "x / y" at the foot of each page.

#include "document.h"

#include <QVector>

class QPagedPaintDevice;
class QPainter;

namespace tendro {

// The fonts every report uses, loaded once from the program's resources so
// that the output is the same on every machine.
QString reportFontFamily();

class ReportLayout {
public:
    ReportLayout(const ReportDocument &doc, QPagedPaintDevice *device);

    int pageCount() const { return int(pages_.size()); }
    // Paints every page, starting new pages on the device between them.
    void paint(QPainter &painter, QPagedPaintDevice *device) const;

private:
    struct Placed {
        int line;       // index in the document's lines; -1 the signatories
        double y;
        double height;
    };
    struct Page {
        QVector<Placed> items;
        double tableTop = 0;
    };

    double px(double mm) const { return mm * dpi_ / 25.4; }
    double lineHeight(const ReportLine &line) const;
    double headerHeight() const;
    double titleHeight() const;
    void paintPage(QPainter &p, int index) const;
    void paintLine(QPainter &p, const ReportLine &line, double y, double height) const;
    void paintCaptions(QPainter &p, double y) const;
    void paintSignatories(QPainter &p, double y) const;

    const ReportDocument &doc_;
    double dpi_;
    double width_, height_;   // the paintable area, device pixels
    QPagedPaintDevice *device_;
    QVector<double> colX_, colW_;
    QVector<Page> pages_;
};

} // namespace tendro
