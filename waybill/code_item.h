#pragma once
// Where a code item's modules print: the symbol of its value (Code 128 or
// QR, waybill/barcode.h) in the item's box, each module a whole number of
// dots of the device (its code grid, report/page.h: codeGridDpi), as wide
// as the box allows, centred in it, the quiet zones kept. A Code 128 may
// have its value as a line of text under the bars.

#include "waybill/layout.h"

#include <QList>
#include <QRectF>
#include <QString>

struct PlacedCode {
    QList<QRectF> bars; // the dark modules, layout units (runs of a row joined)
    QRectF symbol;      // the whole symbol with its quiet zones, layout units
    QRectF readable;    // where the readable line stands; empty: none
    int moduleDots = 0; // one module's width in dots of the grid
    QString problem;    // why it does not print ("框太小，放不下条码"); empty: it prints
};

// The least height of a Code 128's bars: 4 mm, and 15 % of their width.
constexpr double kMinBarsMm = 4.0;
constexpr double kMinBarsShare = 0.15;

// What a code item without a value shows on screen, so that it can be
// found and sized on the form: a number of a waybill number's length.
QString codePlaceholder();

// Places the code of value in item's box at gridDpi dots per inch;
// readableHeight is the height (layout units) of a line of the item's
// font, used when the item has a readable line.
PlacedCode placeCode(const LayoutItem &item, const QString &value, int gridDpi, qreal readableHeight);
