#pragma once
// Printing composed pages onto a paged device (printer or PDF): paper of the
// page's size in millimetres, zero margins, one waybill per sheet.

#include "common/error.h"
#include "report/page.h"

#include <functional>

class QPagedPaintDevice;
class QPainter;
class QPdfWriter;

struct PageRange {
    int from = 1; // 1-based, inclusive
    int to = 0;   // 0: to the last page
};

// A print run that could not be done; the text says why.
class PrintError : public AppError {
public:
    using AppError::AppError;
};

// The first and last page (1-based) a range selects of pageCount pages;
// first > last when it selects none.
int firstPage(PageRange range);
int lastPage(PageRange range, int pageCount);

// Composes page k (0-based) for a device of dpi dots per inch (its codes
// snap to the device's dots).
using PageSource = std::function<ComposedPage(int page, int dpi)>;
// Told after each page; returns false to stop.
using PrintProgress = std::function<bool(int done, int total)>;

// Prints pages of the range onto device at dpi dots per inch; returns how
// many were printed (fewer when progress stopped it). Throws PrintError
// when the range selects no page or the device cannot be painted on.
int printPages(QPagedPaintDevice &device, int dpi, int pageCount, const PageSource &compose, PageRange range = {},
               const PrintProgress &progress = {});

// Prints into a PDF file, written beside the target and renamed into place
// so that a failure leaves no file. Throws PrintError.
void printToPdf(const QString &path, int pageCount, const PageSource &compose, PageRange range = {});

// Paints one sheet of paper of its own (not a composed page: a test or
// calibration sheet), with the painter's origin at the paper's top-left
// corner, at dotsPerUnit device dots per layout unit.
using SheetPainter = std::function<void(QPainter &painter, qreal dotsPerUnit)>;

// Prints one sheet of paperMm onto device at dpi. Throws PrintError.
void printSheet(QPagedPaintDevice &device, int dpi, const QSizeF &paperMm, const SheetPainter &paint);
// Paints sheet k (0-based) of a run of sheets onto a device of dpi dots
// per inch, the painter's origin at the paper's top-left corner.
using SheetsPainter = std::function<void(QPainter &painter, int sheet, int dpi)>;
// Prints count sheets of paperMm, one after the other; returns how many
// were printed (fewer when progress stopped it). Throws PrintError.
int printSheets(QPagedPaintDevice &device, int dpi, const QSizeF &paperMm, int count, const SheetsPainter &paint,
                const PrintProgress &progress = {});
// The same into a PDF file, as printToPdf writes it. Throws PrintError.
int printSheetsToPdf(const QString &path, const QSizeF &paperMm, int count, const SheetsPainter &paint,
                     const PrintProgress &progress = {});
// Prints one sheet into a PDF file, as printToPdf does. Throws PrintError.
void printSheetToPdf(const QString &path, const QSizeF &paperMm, const SheetPainter &paint);
