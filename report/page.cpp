#include "report/page.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPageLayout>
#include <QRawFont>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>

namespace {

// The glyphs of a line and where each starts; false when the font lacks
// one of its characters.
bool layOut(const PageFont &font, const QString &text, QList<quint32> &glyphs, QList<QPointF> *positions, qreal &width)
{
    const QRawFont &raw = font.glyphs;
    if (!raw.isValid())
        return false;
    glyphs = raw.glyphIndexesForString(text);
    if (glyphs.isEmpty() || glyphs.contains(0u))
        return false;
    const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
    if (positions)
        positions->reserve(glyphs.size());
    qreal x = 0;
    for (const QPointF &advance : advances) {
        if (positions)
            positions->append(QPointF(x, 0));
        x += advance.x();
    }
    width = x;
    return true;
}

// Draws a line as a run of the font's own glyphs, placed by their advances:
// Chinese text needs no shaping, and the full text layout of drawText costs
// most of a page's printing. A line with a character the font lacks (it
// would come from a fallback font) is drawn with drawText.
void drawLine(QPainter &painter, const PageFont &font, const QPointF &baseline, const QString &text)
{
    QList<quint32> glyphs;
    QList<QPointF> positions;
    qreal width = 0;
    if (!layOut(font, text, glyphs, &positions, width)) {
        painter.setFont(font.font);
        painter.drawText(baseline, text);
        return;
    }
    QGlyphRun run;
    run.setRawFont(font.glyphs);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter.drawGlyphRun(baseline, run);
}

} // namespace

PageFont pageFont(const QFont &font)
{
    const QFontMetricsF metrics(font);
    return {font, metrics.ascent(), metrics.ascent() + metrics.descent(), QRawFont::fromFont(font)};
}

qreal textWidth(const PageFont &font, const QString &text)
{
    QList<quint32> glyphs;
    qreal width = 0;
    if (text.isEmpty())
        return 0;
    if (layOut(font, text, glyphs, nullptr, width))
        return width;
    return QFontMetricsF(font.font).horizontalAdvance(text);
}

void paintPage(QPainter &painter, const ComposedPage &page, qreal dotsPerUnit, PaintTarget target)
{
    painter.save();
    painter.scale(dotsPerUnit, dotsPerUnit);
    painter.setPen(Qt::black);
    for (const ComposedItem &item : page.items) {
        const PageFont &font = page.fonts[item.font];
        painter.fillRect(item.box, Qt::white);
        painter.setPen(item.color);
        for (int k = 0; k < item.lines.size(); ++k)
            if (!item.lines[k].isEmpty())
                drawLine(painter, font,
                         QPointF(item.box.left(), item.box.top() + k * font.lineHeight + font.ascent), item.lines[k]);
    }
    if (target == PaintTarget::Screen) {
        painter.setPen(QPen(QColor(220, 0, 0), 2 / std::max<qreal>(dotsPerUnit, 0.01)));
        painter.setBrush(Qt::NoBrush);
        for (const ComposedItem &item : page.items)
            if (item.flagged)
                painter.drawRect(item.box.adjusted(-2, -2, 2, 2));
    }
    painter.restore();
}

void setUpPaper(QPagedPaintDevice &device, const QSizeF &paperMm)
{
    const QPageSize size(paperMm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    // The orientation stays as the printer setup left it.
    device.setPageLayout(QPageLayout(size, device.pageLayout().orientation(), QMarginsF(0, 0, 0, 0),
                                     QPageLayout::Millimeter));
}
