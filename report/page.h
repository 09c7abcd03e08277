#pragma once
// The report engine's pages: a composed page is a plain value (paper in
// millimetres, every printed item's box in layout units of 1/96 inch, its
// font and the lines it draws), painted onto any painter (screen at a zoom,
// thumbnail, PDF, printer) by one function. The engine knows nothing of
// waybills: composing a page from a layout is the waybill's part.

#include <QColor>
#include <QFont>
#include <QList>
#include <QRawFont>
#include <QRectF>
#include <QSizeF>
#include <QStringList>

class QPainter;
class QPagedPaintDevice;

// The layout unit: 1/96 inch. Positions and sizes of composed pages are in
// it; paper is in millimetres; device dots only inside painting.
constexpr double kUnitsPerInch = 96.0;
constexpr double kMmPerUnit = 25.4 / kUnitsPerInch;
// A font's pixel size in layout units for its size in points.
constexpr double kUnitsPerPoint = kUnitsPerInch / 72.0;

// A line laid out in a page font: its glyphs and where each starts, and its
// width. No glyphs: the font lacks one of its characters, and the line is
// drawn with drawText (a fallback font) and measured likewise.
struct LaidOutLine {
    QList<quint32> glyphs;
    QList<QPointF> positions;
    qreal width = 0;
    qreal indent = 0;  // from the item's left edge (a centred or right-aligned line)
    qreal stretch = 1; // horizontal scale it is drawn at (below 1: condensed to fit)
};

struct ComposedItem {
    QString name;
    QRectF box;           // left, top, widest line x stored height
    int font = 0;         // index into ComposedPage::fonts
    QStringList lines;    // the lines that fit the box
    bool flagged = false; // its text did not print as it should: outlined on screen, never on paper
    QColor color = Qt::black;
    QList<LaidOutLine> laidOut; // per line, as composing measured it (none: laid out when painted)
    QList<QRectF> bars;         // a code's dark modules, filled in its colour (layout units, on whole dots)
};

struct PageFont {
    QFont font; // pixel-sized in layout units
    qreal ascent = 0;
    qreal lineHeight = 0;
    QRawFont glyphs; // the font's own glyphs, to draw lines without layout
};

// A page font for a font pixel-sized in layout units, with its metrics.
PageFont pageFont(const QFont &font);

struct ComposedPage {
    QSizeF paperMm;
    QList<PageFont> fonts;
    QList<ComposedItem> items;
    QStringList warnings; // what did not print as it should, for the user ("收件地址 未打全")
};

// The dots per inch a device's codes are snapped to: its own up to 600
// (a printer's), a finer one's divided down to at most 600 (a PDF's 1200
// to 600), so that each of these dots is whole dots of the device.
constexpr int kMaxCodeDpi = 600;
int codeGridDpi(int deviceDpi);

// How a page is painted: on screen the flagged items get an outline.
enum class PaintTarget { Paper, Screen };

// A line laid out as painting draws it, once for measuring and painting.
LaidOutLine layOutLine(const PageFont &font, const QString &text);
// The width of a line of text in the font as the painting draws it.
qreal textWidth(const PageFont &font, const QString &text);

// Paints the page's items with the painter's origin at the paper's top-left
// corner, at dotsPerUnit device dots per layout unit. Nothing else is
// painted (no form picture, no paper background).
void paintPage(QPainter &painter, const ComposedPage &page, qreal dotsPerUnit, PaintTarget target = PaintTarget::Paper);

// Sets a printer or PDF writer to the page's paper: custom size in
// millimetres, zero margins, in the orientation the device has (portrait
// unless the user chose otherwise in the printer setup).
void setUpPaper(QPagedPaintDevice &device, const QSizeF &paperMm);
