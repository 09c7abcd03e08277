#pragma once
// Printing composed pages onto a paged device (printer or PDF): paper of the
// page's size in millimetres, zero margins, one waybill per sheet.

#include "report/page.h"

#include <functional>

class QPagedPaintDevice;

struct PageRange {
    int from = 1; // 1-based, inclusive
    int to = 0;   // 0: to the last page
};

// Composes page k (0-based).
using PageSource = std::function<ComposedPage(int page)>;
// Told after each page; returns false to stop.
using PrintProgress = std::function<bool(int done, int total)>;

// Prints pages of the range onto device at dpi dots per inch. Throws
// std::runtime_error when the device cannot be painted on.
void printPages(QPagedPaintDevice &device, int dpi, int pageCount, const PageSource &compose,
                PageRange range = {}, const PrintProgress &progress = {});

// Prints into a PDF file, written beside the target and renamed into place
// so that a failure leaves no file. Throws std::runtime_error.
void printToPdf(const QString &path, int pageCount, const PageSource &compose, PageRange range = {});
