#include "waybill/page_composer.h"

#include "store/schema.h"
#include "waybill/code_item.h"
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

PageComposer::PageComposer(const QSizeF &paperMm, const QList<LayoutItem> &items, int gridDpi)
    : m_paperMm(paperMm), m_items(items), m_gridDpi(gridDpi)
{
    for (const LayoutItem &item : m_items)
        m_itemFonts.append(QList<int>{fontIndex(layoutFont(item.font))});
    // The smaller sizes after every item's own font, which keep their places.
    for (int i = 0; i < m_items.size(); ++i) {
        const LayoutItem &item = m_items[i];
        if (!item.fitText || item.kind != ItemKind::Text)
            continue;
        for (int points = item.font.pointSize() - 1; points >= item.minPoints; --points) {
            QFont smaller = item.font;
            smaller.setPointSize(points);
            m_itemFonts[i].append(fontIndex(layoutFont(smaller)));
        }
    }
}

int PageComposer::fontIndex(const QFont &font)
{
    for (int i = 0; i < m_fonts.size(); ++i)
        if (m_fonts[i].font == font)
            return i;
    m_fonts.append(pageFont(font));
    return int(m_fonts.size()) - 1;
}

void PageComposer::composeCode(ComposedPage &page, int index, const QString &value) const
{
    const LayoutItem &item = m_items[index];
    const int fontIndex = m_itemFonts[index].first();
    const PageFont &font = m_fonts[fontIndex];
    const PlacedCode code = placeCode(item, value, m_gridDpi, font.lineHeight);
    ComposedItem bars{
        item.name, QRectF(item.left, item.top, item.width, item.height), fontIndex, {}, false, item.color, {}, {}};
    bars.bars = code.bars;
    if (!code.problem.isEmpty()) {
        bars.flagged = true;
        page.warnings << QStringLiteral(u"%1 未打全（%2）").arg(itemLabel(item), code.problem);
    }
    page.items.append(bars);
    if (code.readable.isEmpty())
        return;
    LaidOutLine line = layOutLine(font, value);
    line.indent = (code.readable.width() - line.width) / 2;
    page.items.append({item.name, code.readable, fontIndex, {value}, false, item.color, {line}, {}});
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
            || column == kQuantity || column == kRemarks || column == kWaybillNumberColumn || column == kOrderNumber
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
                                   m_itemFonts[i].first(),
                                   {},
                                   true,
                                   item.color,
                                   {},
                                   {}});
            continue;
        }
        if (item.kind != ItemKind::Text) {
            const qsizetype before = page.items.size();
            composeCode(page, i, text);
            for (qsizetype k = before; k < page.items.size(); ++k)
                if (!page.items[k].bars.isEmpty() || !page.items[k].lines.isEmpty())
                    inks.append({int(k), i, page.items[k].box, QRectF()});
            continue;
        }
        if (item.splitWidth > 0)
            text = splitLines(text, item.splitWidth);
        const QStringList allLines = textLines(text);
        // The lines as they stand in one font: each laid out once, measured
        // here and painted from it later.
        struct Measured {
            int font = 0;
            QList<LaidOutLine> laidOut;
            qreal width = 0; // the widest line
            int fit = 0;     // the lines that print
            bool fits = false;
        };
        qsizetype needed = allLines.size();
        while (needed > 0 && allLines[needed - 1].isEmpty())
            --needed;
        const auto measure = [&](int fontIndex) {
            Measured measured;
            measured.font = fontIndex;
            const PageFont &font = m_fonts[fontIndex];
            measured.laidOut.reserve(allLines.size());
            for (const QString &line : allLines) {
                measured.laidOut.append(layOutLine(font, line));
                measured.width = std::max(measured.width, measured.laidOut.last().width);
            }
            const int fitting = fittingLines(font.lineHeight, item.height, int(allLines.size()));
            // The first line always prints, even in a box lower than the font;
            // later lines only where they fit.
            measured.fit = std::max(1, fitting);
            measured.fits = fitting >= needed && measured.width <= item.width + 0.5;
            return measured;
        };
        // A text fitted to its box takes the largest of its sizes it fits at.
        Measured chosen = measure(m_itemFonts[i].first());
        for (qsizetype k = 1; k < m_itemFonts[i].size() && !chosen.fits; ++k)
            chosen = measure(m_itemFonts[i][k]);
        const bool unfitted = item.fitText && !chosen.fits;
        const PageFont &font = m_fonts[chosen.font];
        const bool dropped = std::any_of(allLines.cbegin() + std::min<qsizetype>(chosen.fit, allLines.size()),
                                         allLines.cend(), [](const QString &line) { return !line.isEmpty(); });
        const QStringList lines = allLines.mid(0, chosen.fit);
        QList<LaidOutLine> laidOut = chosen.laidOut.mid(0, chosen.fit);
        qreal width = chosen.width;
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
        page.items.append({item.name,
                           QRectF(item.left, item.top, width, item.height),
                           chosen.font,
                           lines,
                           false,
                           item.color,
                           laidOut,
                           {}});
        // Text past the paper's edge is cut off by it as surely as lines
        // below the box.
        const qreal inkHeight = lines.size() * font.lineHeight;
        const bool pastPaper =
            item.left + inkWidth > paperUnits.width() + 0.5 || item.top + inkHeight > paperUnits.height() + 0.5;
        page.items.last().flagged = !mobile.isEmpty();
        if (dropped || pastPaper || unfitted) {
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
