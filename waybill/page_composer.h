#pragma once
// Composing a waybill page: the values of the Sender and the Recipient row
// under a layout's printed items, split by SplitLines and cut to the boxes
// by the box rule, as a composed page of the report engine.

#include "report/page.h"
#include "waybill/layout.h"

#include <QList>
#include <functional>

// The text of a column of the sender or the recipient row.
using RowValues = std::function<QString(RowSide row, const QString &column)>;

// Composes pages from one set of items (positions and fonts as a print
// run holds them) for a device whose codes snap to gridDpi dots per inch
// (report/page.h: codeGridDpi). Font metrics are prepared once for all
// pages, for an item that fits its text to its box at each size it may take.
class PageComposer {
public:
    PageComposer(const QSizeF &paperMm, const QList<LayoutItem> &items, int gridDpi = kMaxCodeDpi);
    ComposedPage compose(const RowValues &values) const;

private:
    int fontIndex(const QFont &font);
    void composeCode(ComposedPage &page, int index, const QString &value) const;

    QSizeF m_paperMm;
    QList<LayoutItem> m_items;
    int m_gridDpi;
    QList<PageFont> m_fonts;
    // Per item, the fonts it may print in: its own, then (fitting its text
    // to its box) a point smaller each down to its least size.
    QList<QList<int>> m_itemFonts;
};

// What an item is called in a warning: its column, with 寄件人 or 收件人
// before it where the column does not say whose it is.
QString itemLabel(const LayoutItem &item);

// What keeps a recipient's mobile number from being dialled: "为空" when
// it is empty, "不完整" when digits are hidden (138****5678, as shop exports
// give them); empty when it is fine. Such a number prints as it is, framed
// on screen and told in the page's warnings.
QString mobileProblem(const QString &mobile);

// The warning line of a page ("第 3 页：收件地址 未打全"); empty when it has
// no warnings. pageNumber counts from 1.
QString pageWarning(const ComposedPage &page, int pageNumber);

// A font in points as drawn in layout units (12 pt -> 16 units).
QFont layoutFont(const QFont &font);

// The lines of a text: each CR ends a line, LF is dropped.
QStringList textLines(const QString &text);

// How many lines of lineHeight fit a box of the stored height (+0.1 mm).
int fittingLines(qreal lineHeight, int boxHeight, int lineCount);
