#include "labels/label_print.h"

#include "labels/label_record.h"
#include "report/page.h"
#include "store/calibration.h"
#include "waybill/print_record.h"

#include <QDateTime>

namespace {

// The record of the run's labels printed onto output, written as they go.
PrintRecording recordingOf(const LabelRun &run, const QString &output, Connection &connection)
{
    return PrintRecording(connection, run.count(), [&run, output, when = QDateTime::currentDateTime()](int k) {
        return labelEntries(run, k, 1, output, when).first();
    });
}

LabelsPrinted finished(PrintRecording &recording, int printed)
{
    const PrintedRun run = recording.finish(printed);
    LabelsPrinted done;
    done.labels = run.pages;
    done.summary = QStringLiteral(u"已打印 %1 张电子面单%2").arg(run.pages).arg(run.numbers);
    done.problem = run.problem;
    return done;
}

} // namespace

LabelOptions withSavedPosition(LabelOptions options, Connection &connection, const QString &printer, QString *problem)
{
    const std::optional<Calibration> saved =
        CalibrationStore(connection).find(labelCalibrationCode(options.paperMm), printer, problem);
    if (!saved)
        return options;
    options.shiftXmm = saved->shiftX * kMmPerUnit;
    options.shiftYmm = saved->shiftY * kMmPerUnit;
    options.scaleX = saved->scaleX;
    options.scaleY = saved->scaleY;
    return options;
}

LabelsPrinted printLabels(const LabelRun &run, QPagedPaintDevice &device, int dpi, const QString &output,
                          Connection &connection, const LabelProgress &progress)
{
    PrintRecording recording = recordingOf(run, output, connection);
    const int printed = printSheets(
        device, dpi, run.options().paperMm, run.count(),
        [&](QPainter &painter, int label, int dots) {
            recording.pageGoing(label);
            run.paint(painter, label, dots, dots);
        },
        progress);
    return finished(recording, printed);
}

LabelsPrinted printLabelsToPdf(const LabelRun &run, const QString &path, Connection &connection,
                               const LabelProgress &progress)
{
    PrintRecording recording = recordingOf(run, pdfOutput(path), connection);
    const int printed = printSheetsToPdf(
        path, run.options().paperMm, run.count(),
        [&](QPainter &painter, int label, int dots) {
            recording.pageGoing(label);
            run.paint(painter, label, dots, run.options().dpi);
        },
        progress);
    return finished(recording, printed);
}

CalibrationSheet labelCalibrationSheet(const LabelOptions &options, const QString &printer)
{
    CalibrationSheet sheet;
    sheet.paperMm = options.paperMm;
    const double toUnits = 1.0 / kMmPerUnit;
    sheet.frames << QRectF(0, 0, options.paperMm.width() * toUnits, options.paperMm.height() * toUnits);
    sheet.crosses << CalibrationCross{QPointF(options.shiftXmm * toUnits, options.shiftYmm * toUnits),
                                      QStringLiteral(u"标签左上角")};
    sheet.caption = QStringLiteral(u"电子面单 %1 校准页 · %2")
                        .arg(labelPaperName(options.paperMm),
                             printer.isEmpty() ? QStringLiteral("PDF") : QStringLiteral(u"打印机 %1").arg(printer));
    return sheet;
}
