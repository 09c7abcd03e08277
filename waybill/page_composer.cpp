#include "waybill/page_composer.h"

#include "waybill/split_lines.h"

#include <QFontMetricsF>
#include <cmath>

QFont layoutFont(const QFont &font)
{
    QFont result = font;
    if (font.pointSizeF() > 0)
        result.setPixelSize(std::max(1, int(std::lround(font.pointSizeF() * 96.0 / 72.0))));
    return result;
}

QStringList textLines(const QString &text)
{
    QString withoutFeeds = text;
    withoutFeeds.remove(QLatin1Char('\n'));
    return withoutFeeds.split(QLatin1Char('\r'));
}

int fittingLines(qreal lineHeight, int boxHeight, int lineCount)
{
    const qreal limit = boxHeight + 0.1 / kMmPerUnit;
    int fit = 0;
    while (fit < lineCount && (fit + 1) * lineHeight <= limit + 1e-9)
        ++fit;
    return fit;
}

PageComposer::PageComposer(const QSizeF &paperMm, const QList<LayoutItem> &items)
    : m_paperMm(paperMm), m_items(items)
{
    for (const LayoutItem &item : m_items) {
        const QFont font = layoutFont(item.font);
        int index = -1;
        for (int i = 0; i < m_fonts.size(); ++i)
            if (m_fonts[i].font == font)
                index = i;
        if (index < 0) {
            m_fonts.append(pageFont(font));
            index = int(m_fonts.size()) - 1;
        }
        m_itemFont << index;
    }
}

ComposedPage PageComposer::compose(const RowValues &values) const
{
    ComposedPage page;
    page.paperMm = m_paperMm;
    page.fonts = m_fonts;
    page.items.reserve(m_items.size());
    for (int i = 0; i < m_items.size(); ++i) {
        const LayoutItem &item = m_items[i];
        QString text = values(item.row, item.column);
        if (text.isEmpty())
            continue; // an empty value prints nothing
        if (item.splitWidth > 0)
            text = splitLines(text, item.splitWidth);
        const PageFont &font = m_fonts[m_itemFont[i]];
        QStringList lines = textLines(text);
        qreal width = 0;
        for (const QString &line : lines)
            width = std::max(width, textWidth(font, line));
        lines = lines.mid(0, fittingLines(font.lineHeight, item.height, int(lines.size())));
        page.items.append({item.name, QRectF(item.left, item.top, width, item.height), m_itemFont[i], lines});
    }
    return page;
}

