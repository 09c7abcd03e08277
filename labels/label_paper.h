#pragma once
// The papers thermal labels print on, and how a source page holds its
// labels: one a page, or an A4 page cut into two (top, bottom) or four
// (two by two), as couriers' portals hand them out.

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <optional>

struct LabelPaper {
    QString name; // "100×150"
    QSizeF mm;
};

// The usual e-waybill sizes, the most common first.
const QList<LabelPaper> &labelPapers();
// "100×150" for any size, to 0.1 mm.
QString labelPaperName(const QSizeF &mm);

enum class PageSplit { Whole = 1, Halves = 2, Quarters = 4 };
// 1, 2 or 4; none for any other count.
std::optional<PageSplit> pageSplitOf(int labelsPerPage);

// The cells a page of pageMm is cut into, in reading order (millimetres
// from the page's top-left corner).
QList<QRectF> labelCells(const QSizeF &pageMm, PageSplit split);

// Whether a label of labelMm stands across the paper (landscape on
// portrait or the other way): it is then turned by 90° to print.
bool turnsOnPaper(const QSizeF &labelMm, const QSizeF &paperMm);

// The code a label paper's saved position is kept under, beside the
// couriers' (store/calibration.h): "label_100x150".
QString labelCalibrationCode(const QSizeF &paperMm);
