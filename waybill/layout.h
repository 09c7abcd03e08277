#pragma once
// The waybill layouts: for each courier and window variant the paper size
// (millimetres), the screen-only form picture and the printed items with
// their positions (layout units of 1/96 inch), sizes, fonts and split
// widths. Each courier's form is one data file embedded as a resource
// (waybill/layouts/CODE.json), checked as it is read (waybill/form_file.h).

#include "common/error.h"
#include "report/page.h"
#include "waybill/family.h"
#include "waybill/form_file.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <QString>

enum class RowSide { Sender, Recipient };

// Where an item's lines stand in its design width (the built-in forms: left).
enum class TextAlign { Left, Centre, Right };

// What an item prints its value as: text, or a code filling its box (the
// built-in forms print text only).
enum class ItemKind { Text, Code128, Qr };

// What an item may print besides the columns of the two records: the
// page's waybill number (运单号) and the imported order's number (订单号),
// both on the recipient side.
inline const QString kWaybillNumberColumn = QStringLiteral(u"运单号");
// The columns an item of a row may print: the record's, and on the
// recipient side the waybill and the order number.
QStringList itemColumns(RowSide row);

struct LayoutItem {
    QString name; // QRDBTextN, as named in this window
    RowSide row;
    QString column;
    QString fixedText; // printed instead of a column's value when set (forms of the office's own)
    int left = 0;      // layout units from the paper's top-left corner
    int top = 0;
    int width = 0;  // design size; the printed box widens to its text
    int height = 0; // lines below this height are not printed
    QFont font;     // in points
    QColor color = Qt::black;
    int splitWidth = 0; // bytes; 0: no splitting
    TextAlign align = TextAlign::Left;
    ItemKind kind = ItemKind::Text;
    bool readableLine = false; // a Code 128 with its value in text under the bars
    bool fitText = false;      // the font shrinks, down to minPoints, until the text fits its box
    int minPoints = 6;
};

// How a print window of the layout is laid out on screen.
struct WindowSpec {
    int stripLeft = 0; // the shift strip's left edge, pixels
    int pageLeft = 5;  // the page's left edge in the panel
    QString panel;     // the panel's component name (Panel1 or Panel2)
    QSize frame;       // the panel's room right of and below the page
};

struct Layout {
    QString code;
    Variant variant = Variant::Single;
    QSizeF paperMm;
    int pictureLeft = 0;     // layout units (forms of the office's own: a scan's offset)
    int pictureTop = 0;      // layout units
    QString picture;         // resource path of the form picture
    QByteArray pictureBytes; // the picture itself, for forms kept in data.mdb
    QSize picturePixels;     // the JPEG's own size
    QSize pictureDrawn;      // the rectangle it is stretched to, layout units
    QList<LayoutItem> items; // in item-number order
    WindowSpec window;

    // The paper in layout units, rounded to whole units.
    QSize paperUnits() const;
    // Where the form picture stands, layout units.
    QRect pictureRect() const { return {QPoint(pictureLeft, pictureTop), pictureDrawn}; }
    // The form picture decoded (from its resource or its bytes), scaled to
    // size when one is given; null when there is none or it does not decode.
    QImage pictureImage(const QSize &size = {}) const;
};

// A paper in layout units, rounded to whole units.
QSize paperUnitsOf(const QSizeF &paperMm);

// The layout of a courier's window; throws AppError for an unknown
// courier code or a form file with a fault. The reference stays valid for
// the life of the program.
const Layout &layoutFor(const QString &code, Variant variant);
// The codes of the built-in forms, and the data file of one; throws
// AppError for an unknown code or a file that is no JSON object.
QStringList formCodes();
FormValue formDocument(const QString &code);
// The layout of one variant of a form document; throws AppError naming
// the file and the key of a fault.
Layout parseLayout(const FormValue &document, Variant variant);
// Reads the whole of a form document (its courier and all four variants);
// throws AppError naming the file and the key of the first fault.
void checkForm(const FormValue &document);

// Moves every item by dx, dy layout units; positions saturate at the
// limits of int instead of overflowing.
void shiftItems(QList<LayoutItem> &items, int dx, int dy);

// Whether any item's top-left corner lies on a paper of the given size.
bool anyItemOnPaper(const QList<LayoutItem> &items, QSize paperUnits);

// The number in an item name (QRDBText12 -> 12).
int itemNumber(const QString &name);
