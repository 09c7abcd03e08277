#pragma once
// Printing a run of labels, onto a printer or into a PDF, with the saved
// position of the paper on that printer, recorded in the print record
// (pending before the job goes out, confirmed after).

#include "labels/label_run.h"
#include "report/print_job.h"
#include "waybill/calibration_page.h"

#include <QString>

class Connection;
class QPagedPaintDevice;

// The saved shift and stretch of the paper on the printer (empty: PDF)
// put into options. A damaged saved position is told in *problem and not
// applied.
LabelOptions withSavedPosition(LabelOptions options, Connection &connection, const QString &printer,
                               QString *problem = nullptr);

struct LabelsPrinted {
    int labels = 0;
    QString summary; // "已打印 N 张电子面单（运单号 A–B）"
    QString problem; // why the record could not be written (the labels did print)
};

// Prints the run's labels onto device at its dpi (the pictures at the
// same dpi, dot for dot) and records them as printed onto output.
// Throws PrintError.
LabelsPrinted printLabels(const LabelRun &run, QPagedPaintDevice &device, int dpi, const QString &output,
                          Connection &connection, const LabelProgress &progress = {});
// The same into a PDF file, the pictures at the run's dpi.
LabelsPrinted printLabelsToPdf(const LabelRun &run, const QString &path, Connection &connection,
                               const LabelProgress &progress = {});

// The calibration sheet of a label paper: a millimetre grid, the frame of
// the paper's edge and a cross at its top-left corner where the saved
// position puts it.
CalibrationSheet labelCalibrationSheet(const LabelOptions &options, const QString &printer);
