#pragma once
// The calibration page of a print run: on plain paper of the courier's
// size, a millimetre grid, the form's fields as frames where the layout
// puts them, and a cross at each item's top-left corner where the run
// prints it (shifted and scaled), labelled with the item. Held against the
// courier form, it shows in millimetres how far the fields stand off.

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;
class WaybillRun;
struct Calibration;

// Where a calibration puts the fields: "右移 12、下移 -3（3.2、-0.8 毫米）",
// then the scale when it is not 1 ("，缩放 1.020 × 1.000").
QString calibrationSummary(const Calibration &calibration);

struct CalibrationCross {
    QPointF at;    // layout units from the paper's top-left corner
    QString label; // the item's field ("收件人姓名")
};

struct CalibrationSheet {
    QSizeF paperMm;
    QList<QRectF> frames; // layout units, the fields' boxes on the form
    QList<CalibrationCross> crosses;
    QString caption; // what the sheet is for, printed at its foot
};

// The sheet for the run as it stands now, printed on a printer (empty:
// PDF); its caption names the form (as the user named it), the
// calibration and the printer.
CalibrationSheet calibrationSheet(const WaybillRun &run, const QString &formName, const QString &printer);

// Paints the sheet with the painter's origin at the paper's top-left corner.
void paintCalibrationSheet(QPainter &painter, const CalibrationSheet &sheet, qreal dotsPerUnit);

// Where a cross's label starts, right of and below its cross (layout units).
constexpr double kCrossLabelOffset = 4.0;
