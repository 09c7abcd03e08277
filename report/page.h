#pragma once
// The report engine: composing a waybill page from printed items and the
// values of the two rows into a plain value, and painting a composed page
// onto any painter (screen at a zoom, thumbnail, PDF, printer).
// Composed pages are in layout units (1/96 inch); paper in millimetres.

#include "waybill/layout.h"

#include <QFont>
#include <QHash>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QStringList>
#include <functional>

class QPainter;
class QPagedPaintDevice;

struct ComposedItem {
    QString name;
    QRectF box;      // left, top, widest line x stored height
    int font = 0;    // index into ComposedPage::fonts
    QStringList lines; // the lines that fit the box
};

struct PageFont {
    QFont font;      // pixel-sized in layout units
    qreal ascent = 0;
    qreal lineHeight = 0;
};

struct ComposedPage {
    QSizeF paperMm;
    QList<PageFont> fonts;
    QList<ComposedItem> items;
};

// The text of a column of the sender or the recipient row.
using RowValues = std::function<QString(RowSide row, const QString &column)>;

// Composes pages from one set of items (positions and fonts as a print
// window holds them). Font metrics are prepared once for all pages.
class PageComposer {
public:
    PageComposer(const QSizeF &paperMm, const QList<LayoutItem> &items);
    ComposedPage compose(const RowValues &values) const;

private:
    QSizeF m_paperMm;
    QList<LayoutItem> m_items;
    QList<PageFont> m_fonts;
    QList<int> m_itemFont;
};

// A font in points as drawn in layout units (12 pt -> 16 units).
QFont layoutFont(const QFont &font);

// The lines of a text: each CR ends a line, LF is dropped.
QStringList textLines(const QString &text);

// How many lines of lineHeight fit a box of the stored height (+0.1 mm).
int fittingLines(qreal lineHeight, int boxHeight, int lineCount);

// Paints the page's items with the painter's origin at the paper's top-left
// corner, at dotsPerUnit device dots per layout unit. Nothing else is
// painted (no form picture, no paper background).
void paintPage(QPainter &painter, const ComposedPage &page, qreal dotsPerUnit);

// Sets a printer or PDF writer to the page's paper: custom size in
// millimetres, portrait, zero margins.
void setUpPaper(QPagedPaintDevice &device, const QSizeF &paperMm);
