#include "cli/commands.h"
#include "cli/options.h"
#include "cli/print_target.h"

#include "labels/label_print.h"
#include "labels/label_run.h"
#include "store/calibration.h"
#include "store/connection.h"
#include "waybill/calibration_page.h"

#include <QPrinter>

namespace {

struct LabelArgs {
    QStringList files;
    PrintTarget target;
    LabelOptions options;
    bool calibrated = true;
    Calibration position; // labels position
    bool positionGiven = false;
};

LabelArgs parse(const QStringList &args, bool takesFiles)
{
    LabelArgs parsed;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QStringLiteral("--no-calibration")) {
            parsed.calibrated = false;
            continue;
        }
        if (!arg.startsWith(QStringLiteral("--"))) {
            if (!takesFiles)
                throw UsageError(QStringLiteral(u"无法识别的参数：%1").arg(arg));
            parsed.files << arg;
            continue;
        }
        if (i + 1 >= args.size())
            throw UsageError(QStringLiteral(u"%1 后面缺少参数").arg(arg));
        const QString &value = args[++i];
        if (arg == QStringLiteral("--pdf")) {
            parsed.target.pdf = value;
        } else if (arg == QStringLiteral("--printer")) {
            parsed.target.printer = value;
        } else if (arg == QStringLiteral("--paper")) {
            parsed.options.paperMm = paperOption(arg, value);
        } else if (arg == QStringLiteral("--per-page")) {
            const std::optional<PageSplit> split = pageSplitOf(intOption(arg, value));
            if (!split)
                throw UsageError(QStringLiteral(u"--per-page 只能是 1、2 或 4：%1").arg(value));
            parsed.options.split = *split;
        } else if (arg == QStringLiteral("--dpi")) {
            parsed.options.dpi = intOption(arg, value);
            if (parsed.options.dpi < 100 || parsed.options.dpi > 1200)
                throw UsageError(QStringLiteral(u"--dpi 应在 100 到 1200 之间：%1").arg(value));
        } else if (arg == QStringLiteral("--threshold")) {
            parsed.options.threshold = intOption(arg, value);
            if (parsed.options.threshold < 1 || parsed.options.threshold > 254)
                throw UsageError(QStringLiteral(u"--threshold 应在 1 到 254 之间：%1").arg(value));
        } else if (arg == QStringLiteral("--shift-x")) {
            parsed.position.shiftX = intOption(arg, value), parsed.positionGiven = true;
        } else if (arg == QStringLiteral("--shift-y")) {
            parsed.position.shiftY = intOption(arg, value), parsed.positionGiven = true;
        } else if (arg == QStringLiteral("--scale-x")) {
            parsed.position.scaleX = numberOption(arg, value), parsed.positionGiven = true;
        } else if (arg == QStringLiteral("--scale-y")) {
            parsed.position.scaleY = numberOption(arg, value), parsed.positionGiven = true;
        } else {
            throw UsageError(QStringLiteral(u"无法识别的参数：%1").arg(arg));
        }
    }
    return parsed;
}

void needTarget(const PrintTarget &target)
{
    if (target.pdf.isEmpty() == target.printer.isEmpty())
        throw UsageError(QStringLiteral(u"请给出 --pdf 文件 或 --printer 打印机 其中之一"));
}

int print(const QStringList &args, CliStreams &io)
{
    LabelArgs parsed = parse(args, true);
    if (parsed.files.isEmpty())
        throw UsageError(QStringLiteral(u"请给出电子面单文件（PDF、PNG、JPEG）或文件夹"));
    needTarget(parsed.target);
    Connection connection(QStringLiteral("cli.labels"));
    connection.open();
    if (parsed.calibrated) {
        QString problem;
        parsed.options = withSavedPosition(parsed.options, connection, parsed.target.printer, &problem);
        if (!problem.isEmpty())
            io.err << problem << '\n';
    }
    const LabelRun run(labelFiles(parsed.files), parsed.options);
    if (run.count() == 0)
        throw PrintError(QStringLiteral(u"这些文件中没有可打印的电子面单（页面都是空白的）。"));
    for (const QString &note : run.notes())
        io.err << note << '\n';
    LabelsPrinted done;
    if (!parsed.target.pdf.isEmpty()) {
        done = printLabelsToPdf(run, parsed.target.pdf, connection);
    } else {
        const std::unique_ptr<QPrinter> printer = printerNamed(parsed.target.printer);
        done = printLabels(run, *printer, printer->resolution(), parsed.target.output(), connection);
    }
    io.out << done.summary << QStringLiteral(u"。\n");
    if (!done.problem.isEmpty()) {
        io.err << done.problem << '\n';
        return exit_status::kFailure;
    }
    return exit_status::kOk;
}

int calibrationPage(const QStringList &args, CliStreams &io)
{
    LabelArgs parsed = parse(args, false);
    needTarget(parsed.target);
    Connection connection(QStringLiteral("cli.labels"));
    connection.open();
    QString problem;
    const LabelOptions options = withSavedPosition(parsed.options, connection, parsed.target.printer, &problem);
    if (!problem.isEmpty())
        io.err << problem << '\n';
    const CalibrationSheet sheet = labelCalibrationSheet(options, parsed.target.printer);
    printSheetTo(parsed.target, sheet.paperMm,
                 [&](QPainter &painter, qreal dotsPerUnit) { paintCalibrationSheet(painter, sheet, dotsPerUnit); });
    io.out << QStringLiteral(u"已打印校准页：%1。\n").arg(sheet.caption);
    return exit_status::kOk;
}

int position(const QStringList &args, CliStreams &io)
{
    LabelArgs parsed = parse(args, false);
    if (!parsed.target.pdf.isEmpty())
        throw UsageError(QStringLiteral(u"保存位置时不用 --pdf；不给 --printer 时对所有打印机和 PDF 有效"));
    if (!parsed.positionGiven)
        throw UsageError(QStringLiteral(u"请给出 --shift-x、--shift-y、--scale-x 或 --scale-y"));
    Calibration calibration = parsed.position;
    calibration.courier = labelCalibrationCode(parsed.options.paperMm);
    calibration.printer = parsed.target.printer;
    checkCalibration(calibration);
    Connection connection(QStringLiteral("cli.labels"));
    connection.open();
    CalibrationStore(connection).save(calibration);
    io.out << QStringLiteral(u"已保存电子面单 %1 的位置：%2。\n")
                  .arg(labelPaperName(parsed.options.paperMm), calibrationSummary(calibration));
    return exit_status::kOk;
}

} // namespace

int runLabels(const QStringList &args, CliStreams &io)
{
    if (args.isEmpty())
        throw UsageError(QStringLiteral(u"需要 print、calibration-page 或 position"));
    const QString &what = args.first();
    if (what == QStringLiteral("print"))
        return print(args.mid(1), io);
    if (what == QStringLiteral("calibration-page"))
        return calibrationPage(args.mid(1), io);
    if (what == QStringLiteral("position"))
        return position(args.mid(1), io);
    throw UsageError(QStringLiteral(u"未知的操作：%1（可用 print、calibration-page、position）").arg(what));
}
