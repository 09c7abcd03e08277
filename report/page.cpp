#include "report/page.h"

#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

void paintPage(QPainter &painter, const ComposedPage &page, qreal dotsPerUnit)
{
    painter.save();
    painter.scale(dotsPerUnit, dotsPerUnit);
    painter.setPen(Qt::black);
    for (const ComposedItem &item : page.items) {
        const PageFont &font = page.fonts[item.font];
        painter.fillRect(item.box, Qt::white);
        painter.setFont(font.font);
        for (int k = 0; k < item.lines.size(); ++k)
            painter.drawText(QPointF(item.box.left(), item.box.top() + k * font.lineHeight + font.ascent),
                             item.lines[k]);
    }
    painter.restore();
}

void setUpPaper(QPagedPaintDevice &device, const QSizeF &paperMm)
{
    const QPageSize size(paperMm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    device.setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                     QPageLayout::Millimeter));
}
