#pragma once
// A run of thermal labels: the labels found in the files (blank cells left
// out), each cut from its page, cropped to its printed area when the cell
// is larger than the paper, turned when it stands across the paper, and
// printed at the paper's exact size, black and white at the printer's
// resolution, moved and stretched as saved for that printer and paper.
// Pages are rendered when a label is painted, so memory stays flat
// whatever the run's length.

#include "labels/label_document.h"
#include "labels/label_image.h"
#include "labels/label_paper.h"

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QPainter;

struct LabelOptions {
    QSizeF paperMm{100, 150};
    PageSplit split = PageSplit::Whole;
    double dpi = 203;                  // the picture's resolution when it goes to a PDF
    int threshold = kDefaultThreshold; // grey at or below it prints black
    // The saved position for this paper on the printer.
    double shiftXmm = 0;
    double shiftYmm = 0;
    double scaleX = 1;
    double scaleY = 1;
};

// Where a label stands in its file.
struct LabelSpot {
    QString file;
    int page = 0; // 0-based
    int cell = 0; // 0-based, in the page's reading order
    // A reprint: the record entry it prints again, and that entry's number
    // (kept, not read again).
    qint64 recordedEntry = 0;
    QString recordedNumber;
};

struct LabelPlace {
    LabelSpot spot;
    QRectF areaMm;       // the part of the page that prints
    bool turned = false; // turned by 90° clockwise onto the paper
    double fit = 1;      // below 1: shrunk, as it is larger than the paper
    QPointF offsetMm;    // where its top-left corner lands on the paper (before the saved shift)
    QString number;      // the waybill number read from it; empty: none found
};

// Told after each page is looked at, or each label printed; false stops.
using LabelProgress = std::function<bool(int done, int total)>;

class LabelRun {
public:
    // Finds the labels of the files. Throws FileError naming a file that
    // cannot be read; stops early (fewer labels) when progress says so.
    LabelRun(const QStringList &files, const LabelOptions &options, const LabelProgress &progress = {});
    // The labels at these spots (a reprint of recorded labels); a spot
    // that is blank or gone now throws FileError.
    LabelRun(const QList<LabelSpot> &spots, const LabelOptions &options);

    int count() const { return int(m_places.size()); }
    const LabelPlace &place(int label) const { return m_places[label]; }
    const LabelOptions &options() const { return m_options; }
    // The labels that had to be shrunk to fit the paper, as one line each.
    QStringList notes() const;

    // Label k as it prints at dotsPerInch: black and white, turned, with the
    // saved stretch. Small values give thumbnails.
    QImage picture(int label, double dotsPerInch) const;
    // Paints label k on a sheet of the paper (painter's origin at the
    // paper's top-left corner, deviceDpi dots per inch), at pictureDpi.
    void paint(QPainter &painter, int label, double deviceDpi, double pictureDpi) const;

private:
    void look(const LabelSpot &spot, const LabelDocument &document, bool keepBlank);
    const LabelDocument &document(const QString &file) const;

    LabelOptions m_options;
    QList<LabelPlace> m_places;
    mutable QString m_openFile;
    mutable std::unique_ptr<LabelDocument> m_open;
};

// A label's place in a message: "a.pdf 第 2 页" or "a.pdf 第 2 页第 3 张".
QString labelSpotText(const LabelSpot &spot, PageSplit split);
