#pragma once
// A file of labels as the courier's portal hands it out: a PDF (each page
// one label or a sheet of them) or a picture (PNG, JPEG) of one page. Pages
// are rendered on request, in grey, so that a long file never sits in
// memory whole.

#include "common/error.h"

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <memory>

class LabelDocument {
public:
    virtual ~LabelDocument() = default;
    // Opens a PDF or a picture; throws FileError saying why it cannot
    // (missing, damaged, protected, not a kind of file that holds labels).
    static std::unique_ptr<LabelDocument> open(const QString &path);

    virtual int pageCount() const = 0;
    // The page's size in millimetres (a picture without a resolution of
    // its own counts as 203 dpi, a thermal printer's).
    virtual QSizeF pageMm(int page) const = 0;
    // The area (millimetres) of a page at dotsX and dotsY per inch, in
    // grey (Format_Grayscale8, white where nothing is printed).
    virtual QImage render(int page, const QRectF &areaMm, double dotsX, double dotsY) const = 0;
    // The text printed in the area (PDF pages that carry text; empty for
    // pictures).
    virtual QString text(int page, const QRectF &areaMm) const = 0;
};

// The files that hold labels among paths: files as given, a folder's PDF,
// PNG and JPEG files by name. Throws FileError naming a path that is
// neither, or a folder without any.
QStringList labelFiles(const QStringList &paths);
// Whether a file's name says it can hold labels.
bool isLabelFile(const QString &path);

// The dots per inch a picture without its own is taken at.
constexpr double kDefaultPictureDpi = 203.0;
