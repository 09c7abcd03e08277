#include "report/page.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <QRawFont>
#include <algorithm>

namespace {

// Draws a line as a run of the font's own glyphs, placed by their advances:
// Chinese text needs no shaping, and the full text layout of drawText costs
// most of a page's printing. A line with a character the font lacks (it
// would come from a fallback font) is drawn with drawText.
void drawLine(QPainter &painter, const PageFont &font, const QPointF &baseline, const QString &text,
              const LaidOutLine &line)
{
    if (line.stretch != 1) {
        painter.save();
        painter.translate(baseline);
        painter.scale(line.stretch, 1);
        LaidOutLine plain = line;
        plain.stretch = 1;
        drawLine(painter, font, QPointF(), text, plain);
        painter.restore();
        return;
    }
    if (line.glyphs.isEmpty()) {
        painter.setFont(font.font);
        painter.drawText(baseline, text);
        return;
    }
    QGlyphRun run;
    run.setRawFont(font.glyphs);
    run.setGlyphIndexes(line.glyphs);
    run.setPositions(line.positions);
    painter.drawGlyphRun(baseline, run);
}

} // namespace

PageFont pageFont(const QFont &font)
{
    const QFontMetricsF metrics(font);
    qreal ascent = metrics.ascent();
    qreal descent = metrics.descent();
    QRawFont raw = QRawFont::fromFont(font);
    // A Chinese face's lines are as high as its ideographs' ink and a small
    // margin (0.08 em above, 0.07 em below, as AR PL UMing has them), never
    // higher than the face's own metrics: faces with a tall line gap for
    // Latin accents (Noto CJK's ascent and descent are 1.44 em) would
    // otherwise lose the second line of an address in a box made for two.
    if (raw.isValid()) {
        const qreal em = raw.pixelSize();
        const QList<quint32> glyph = raw.glyphIndexesForString(QStringLiteral(u"国"));
        if (em > 0 && glyph.size() == 1 && glyph.first() != 0) {
            const QRectF ink = raw.boundingRect(glyph.first());
            ascent = std::min(ascent, -ink.top() + 0.08 * em);
            descent = std::min(descent, ink.bottom() + 0.07 * em);
        }
    }
    return {font, ascent, ascent + descent, std::move(raw)};
}

LaidOutLine layOutLine(const PageFont &font, const QString &text)
{
    LaidOutLine line;
    if (text.isEmpty())
        return line;
    const QRawFont &raw = font.glyphs;
    if (raw.isValid())
        line.glyphs = raw.glyphIndexesForString(text);
    if (line.glyphs.isEmpty() || line.glyphs.contains(0u)) {
        line.glyphs.clear();
        line.width = QFontMetricsF(font.font).horizontalAdvance(text);
        return line;
    }
    const QList<QPointF> advances = raw.advancesForGlyphIndexes(line.glyphs);
    line.positions.reserve(line.glyphs.size());
    qreal x = 0;
    for (const QPointF &advance : advances) {
        line.positions.append(QPointF(x, 0));
        x += advance.x();
    }
    line.width = x;
    return line;
}

qreal textWidth(const PageFont &font, const QString &text)
{
    return layOutLine(font, text).width;
}

void paintPage(QPainter &painter, const ComposedPage &page, qreal dotsPerUnit, PaintTarget target)
{
    painter.save();
    painter.scale(dotsPerUnit, dotsPerUnit);
    painter.setPen(Qt::black);
    for (qsizetype i = 0; i < page.items.size(); ++i) {
        const ComposedItem &item = page.items[i];
        for (const QRectF &bar : item.bars)
            painter.fillRect(bar, item.color);
        if (item.lines.isEmpty())
            continue; // nothing printed: only its frame, below
        const PageFont &font = page.fonts[item.font];
        // An item's box is white: on screen it covers the form's picture;
        // on paper white is no ink, so only where it covers an item drawn
        // before it does it change what prints.
        if (target == PaintTarget::Screen) {
            painter.fillRect(item.box, Qt::white);
        } else {
            for (qsizetype earlier = 0; earlier < i; ++earlier)
                if ((!page.items[earlier].lines.isEmpty() || !page.items[earlier].bars.isEmpty())
                    && page.items[earlier].box.intersects(item.box))
                    painter.fillRect(page.items[earlier].box.intersected(item.box), Qt::white);
        }
        painter.setPen(item.color);
        for (int k = 0; k < item.lines.size(); ++k) {
            const QString &text = item.lines[k];
            if (text.isEmpty())
                continue;
            const qreal indent = k < item.laidOut.size() ? item.laidOut[k].indent : 0;
            const QPointF baseline(item.box.left() + indent, item.box.top() + k * font.lineHeight + font.ascent);
            if (k < item.laidOut.size())
                drawLine(painter, font, baseline, text, item.laidOut[k]);
            else
                drawLine(painter, font, baseline, text, layOutLine(font, text));
        }
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

int codeGridDpi(int deviceDpi)
{
    if (deviceDpi <= kMaxCodeDpi)
        return std::max(1, deviceDpi);
    const int share = (deviceDpi + kMaxCodeDpi - 1) / kMaxCodeDpi;
    return deviceDpi / share;
}

void setUpPaper(QPagedPaintDevice &device, const QSizeF &paperMm)
{
    const QPageSize size(paperMm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    // The orientation stays as the printer setup left it.
    device.setPageLayout(
        QPageLayout(size, device.pageLayout().orientation(), QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
}
