#include "waybill/page_composer.h"

#include "store/schema.h"
#include "waybill/split_lines.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>
#include <limits>

QFont layoutFont(const QFont &font)
{
    QFont result = font;
    if (font.pointSizeF() > 0)
        result.setPixelSize(std::max(1, int(std::lround(font.pointSizeF() * kUnitsPerPoint))));
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

PageComposer::PageComposer(const QSizeF &paperMm, const QList<LayoutItem> &items) : m_paperMm(paperMm), m_items(items)
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

QString itemLabel(const LayoutItem &item)
{
    using namespace schema::col;
    const QString &column = item.column;
    if (item.row == RowSide::Sender)
        return column.startsWith(QStringLiteral(u"寄件")) || column == kSignature || column == kYear || column == kMonth
                || column == kDay || column == kOrigin
            ? column
            : QStringLiteral(u"寄件人") + column;
    return column.startsWith(QStringLiteral(u"收件")) || column == kDestination || column == kContents
            || column == kQuantity || column == kRemarks
        ? column
        : QStringLiteral(u"收件人") + column;
}

ComposedPage PageComposer::compose(const RowValues &values) const
{
    ComposedPage page;
    page.paperMm = m_paperMm;
    page.fonts = m_fonts;
    page.items.reserve(m_items.size());
    // Where each printed item's text lands, and whether it is wider than its
    // box, for the checks below.
    struct Ink {
        int item;        // index into page.items
        int layout;      // index into m_items
        QRectF rect;     // the text
        QRectF overflow; // the text beyond the item's box (empty when none)
    };
    QList<Ink> inks;
    const QSizeF paperUnits(m_paperMm.width() / kMmPerUnit, m_paperMm.height() / kMmPerUnit);
    for (int i = 0; i < m_items.size(); ++i) {
        const LayoutItem &item = m_items[i];
        QString text = item.fixedText.isEmpty() ? values(item.row, item.column) : item.fixedText;
        // A recipient's mobile number that cannot be dialled prints as it
        // is, framed and told like a text that does not fit.
        const QString mobile =
            item.row == RowSide::Recipient && item.column == schema::col::kMobile && item.fixedText.isEmpty()
            ? mobileProblem(text)
            : QString();
        if (!mobile.isEmpty()) {
            const QString warning = QStringLiteral(u"%1 %2").arg(itemLabel(item), mobile);
            if (!page.warnings.contains(warning))
                page.warnings << warning;
        }
        if (text.isEmpty()) {
            // An empty value prints nothing; an empty mobile number leaves
            // its box framed.
            if (!mobile.isEmpty())
                page.items.append({item.name,
                                   QRectF(item.left, item.top, std::max(item.width, item.height), item.height),
                                   m_itemFont[i],
                                   {},
                                   true,
                                   item.color,
                                   {}});
            continue;
        }
        if (item.splitWidth > 0)
            text = splitLines(text, item.splitWidth);
        const PageFont &font = m_fonts[m_itemFont[i]];
        QStringList lines = textLines(text);
        // Each line is laid out once: measured here, painted from it later.
        QList<LaidOutLine> laidOut;
        laidOut.reserve(lines.size());
        qreal width = 0;
        for (const QString &line : lines) {
            laidOut.append(layOutLine(font, line));
            width = std::max(width, laidOut.last().width);
        }
        // The first line always prints, even in a box lower than the font;
        // later lines only where they fit.
        const int fit = std::max(1, fittingLines(font.lineHeight, item.height, int(lines.size())));
        const bool dropped = std::any_of(lines.cbegin() + std::min<qsizetype>(fit, lines.size()), lines.cend(),
                                         [](const QString &line) { return !line.isEmpty(); });
        lines = lines.mid(0, fit);
        laidOut = laidOut.mid(0, fit);
        qreal inkWidth = 0;
        for (const LaidOutLine &line : laidOut)
            inkWidth = std::max(inkWidth, line.width);
        // A centred or right-aligned line stands in the design width (or in
        // the widest line, when that is wider).
        if (item.align != TextAlign::Left) {
            const qreal room = std::max<qreal>(item.width, width);
            const qreal share = item.align == TextAlign::Centre ? 0.5 : 1.0;
            for (LaidOutLine &line : laidOut)
                line.indent = (room - line.width) * share;
            width = room;
        }
        page.items.append({item.name, QRectF(item.left, item.top, width, item.height), m_itemFont[i], lines, false,
                           item.color, laidOut});
        // Text past the paper's edge is cut off by it as surely as lines
        // below the box.
        const qreal inkHeight = lines.size() * font.lineHeight;
        const bool pastPaper =
            item.left + inkWidth > paperUnits.width() + 0.5 || item.top + inkHeight > paperUnits.height() + 0.5;
        page.items.last().flagged = !mobile.isEmpty();
        if (dropped || pastPaper) {
            page.items.last().flagged = true;
            page.warnings << QStringLiteral(u"%1 未打全").arg(itemLabel(item));
        }
        inks.append({int(page.items.size()) - 1, i, QRectF(item.left, item.top, inkWidth, inkHeight),
                     inkWidth > item.width + 0.5
                         ? QRectF(item.left + item.width, item.top, inkWidth - item.width, inkHeight)
                         : QRectF()});
    }
    // A line that runs out of its box into a text further right (a wide
    // font's digits) is condensed to end a millimetre before that text, by
    // at most 15 %; beyond that it prints as it is, with a warning.
    constexpr qreal kMinStretch = 0.85;
    constexpr qreal kGap = 1.0 / kMmPerUnit;
    for (Ink &ink : inks) {
        if (ink.overflow.isEmpty() || m_items[ink.layout].align != TextAlign::Left)
            continue;
        qreal stop = std::numeric_limits<qreal>::max();
        for (const Ink &other : inks)
            if (other.item != ink.item && ink.overflow.intersects(other.rect) && other.rect.left() > ink.rect.left())
                stop = std::min(stop, other.rect.left());
        const qreal room = stop - kGap - ink.rect.left();
        const qreal stretch = room / ink.rect.width();
        if (stop == std::numeric_limits<qreal>::max() || stretch < kMinStretch)
            continue;
        ComposedItem &composed = page.items[ink.item];
        for (LaidOutLine &line : composed.laidOut)
            line.stretch = stretch;
        composed.box.setWidth(room);
        ink.rect.setWidth(room);
        const qreal boxRight = m_items[ink.layout].left + m_items[ink.layout].width;
        ink.overflow = ink.rect.right() > boxRight + 0.5
            ? QRectF(boxRight, ink.rect.top(), ink.rect.right() - boxRight, ink.rect.height())
            : QRectF();
    }
    // A text that runs out of its box into another printed text.
    for (const Ink &ink : inks) {
        if (ink.overflow.isEmpty())
            continue;
        for (const Ink &other : inks) {
            if (other.item == ink.item || !ink.overflow.intersects(other.rect))
                continue;
            page.items[ink.item].flagged = true;
            page.warnings << QStringLiteral(u"%1 压到了 %2")
                                 .arg(itemLabel(m_items[ink.layout]), itemLabel(m_items[other.layout]));
            break;
        }
    }
    return page;
}

QString mobileProblem(const QString &mobile)
{
    if (mobile.isEmpty())
        return QStringLiteral(u"为空");
    if (mobile.contains(QLatin1Char('*')))
        return QStringLiteral(u"不完整");
    return {};
}

QString pageWarning(const ComposedPage &page, int pageNumber)
{
    if (page.warnings.isEmpty())
        return {};
    return QStringLiteral(u"第 %1 页：%2").arg(pageNumber).arg(page.warnings.join(QStringLiteral(u"，")));
}
