#include "cli/commands.h"
#include "cli/options.h"
#include "cli/print_target.h"

#include "report/fonts.h"
#include "report/print_job.h"
#include "store/calibration.h"
#include "store/db_error.h"
#include "store/ship_date.h"
#include "waybill/calibration_page.h"
#include "waybill/family.h"
#include "waybill/layout.h"
#include "waybill/print_checks.h"
#include "waybill/print_data.h"
#include "waybill/print_form.h"
#include "waybill/print_record.h"
#include "waybill/waybill_number.h"
#include "waybill/waybill_run.h"

#include <QDate>
#include <QFont>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <optional>
#include <stdexcept>

namespace {

struct PrintOptions {
    QString courier;
    bool imported = false;
    bool batch = false;
    int row = 1;
    bool rowGiven = false;
    PageRange pages;
    QDate date = QDate::currentDate();
    int shiftX = 0;
    int shiftY = 0;
    PrintTarget target;
    std::optional<QFont> font;
    bool calibrated = true;
    bool calibrationPage = false;
    QString number;     // the waybill number of the first form printed
    bool again = false; // recipients printed on the form before print again
};

PrintOptions parse(const QStringList &args)
{
    PrintOptions options;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        const auto next = [&]() -> QString {
            if (i + 1 >= args.size())
                throw UsageError(QStringLiteral(u"%1 后面缺少参数").arg(arg));
            return args[++i];
        };
        if (arg == QStringLiteral("--imported")) {
            options.imported = true;
        } else if (arg == QStringLiteral("--batch")) {
            options.batch = true;
        } else if (arg == QStringLiteral("--row")) {
            options.row = intOption(arg, next());
            options.rowGiven = true;
            if (options.row < 1)
                throw UsageError(QStringLiteral(u"--row 从 1 开始"));
        } else if (arg == QStringLiteral("--pages")) {
            const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^(\\d+)-(\\d+)$")).match(next());
            if (!match.hasMatch() || match.captured(1).toInt() < 1
                || match.captured(1).toInt() > match.captured(2).toInt())
                throw UsageError(QStringLiteral(u"--pages 的格式是 起始页-结束页，例如 2-3"));
            options.pages = {match.captured(1).toInt(), match.captured(2).toInt()};
        } else if (arg == QStringLiteral("--date")) {
            options.date = QDate::fromString(next(), QStringLiteral("yyyy-M-d"));
            if (!options.date.isValid())
                throw UsageError(QStringLiteral(u"--date 的格式是 年-月-日，例如 2026-7-5"));
        } else if (arg == QStringLiteral("--shift-x")) {
            options.shiftX = intOption(arg, next());
        } else if (arg == QStringLiteral("--shift-y")) {
            options.shiftY = intOption(arg, next());
        } else if (arg == QStringLiteral("--calibration-page")) {
            options.calibrationPage = true;
        } else if (arg == QStringLiteral("--no-calibration")) {
            options.calibrated = false;
        } else if (arg == QStringLiteral("--font")) {
            options.font = fontOption(arg, next());
        } else if (arg == QStringLiteral("--pdf")) {
            options.target.pdf = next();
        } else if (arg == QStringLiteral("--printer")) {
            options.target.printer = next();
        } else if (arg == QStringLiteral("--again")) {
            options.again = true;
        } else if (arg == QStringLiteral("--number")) {
            options.number = next().trimmed();
            checkWaybillNumber(options.number);
        } else if (arg.startsWith(QLatin1Char('-')) || !options.courier.isEmpty()) {
            throw UsageError(QStringLiteral(u"无法识别的参数：%1").arg(arg));
        } else {
            options.courier = arg;
        }
    }
    if (options.courier.isEmpty())
        throw UsageError(QStringLiteral(u"缺少快递公司代码"));
    if (options.target.pdf.isEmpty() == options.target.printer.isEmpty())
        throw UsageError(QStringLiteral(u"请给出 --pdf 文件 或 --printer 打印机 其中之一"));
    if (options.batch && options.rowGiven)
        throw UsageError(QStringLiteral(u"--row 只用于单张打印；批量打印请用 --pages"));
    if (!options.batch && (options.pages.from != 1 || options.pages.to != 0))
        throw UsageError(QStringLiteral(u"--pages 只用于批量打印（--batch）"));
    return options;
}

PrintForm printFormNamed(const QString &code, Variant variant, Connection &connection)
{
    if (std::optional<PrintForm> form = printFormOf(code, variant, connection))
        return std::move(*form);
    throw UsageError(QStringLiteral(u"未知的快递公司代码：%1（可用：%2）")
                         .arg(code, printFormCodes(connection).join(QStringLiteral(", "))));
}

int print(const PrintOptions &options, CliStreams &io)
{
    installFontSubstitutions();
    const Variant variant = options.batch ? (options.imported ? Variant::ImportedBatch : Variant::Batch)
                                          : (options.imported ? Variant::ImportedSingle : Variant::Single);
    PrintData data(QStringLiteral("cli.print"), variant);
    data.reopen();
    const PrintForm courier = printFormNamed(options.courier, variant, data.connection);
    if (!options.batch) {
        if (options.row > data.recipients.rowCount() && (data.recipients.rowCount() > 0 || options.rowGiven))
            throw PrintError(QStringLiteral(u"第 %1 行收件人不存在（%2 中共有 %3 行）")
                                 .arg(options.row)
                                 .arg(data.recipientTable())
                                 .arg(data.recipients.rowCount()));
        data.recipients.moveTo(options.row - 1);
    }
    // As the print command does: the ship date into the Sender record first.
    writeShipDate(data.sender, QString::number(options.date.year()), QString::number(options.date.month()),
                  QString::number(options.date.day()));

    // The same run a print window drives: its layout, the shift, the data.
    WaybillRun run(courier.layout, data.source());
    // The saved calibration for this courier and printer (or the courier's
    // own), then the shift given here on top of it.
    if (options.calibrated) {
        QString problem;
        if (const std::optional<Calibration> saved =
                CalibrationStore(data.connection).find(courier.code, options.target.printer, &problem))
            run.apply(*saved);
        if (!problem.isEmpty())
            io.err << problem << '\n';
    }
    run.shift(options.shiftX, options.shiftY);
    if (options.font)
        run.setFont(*options.font); // as the font dialog sets every item's font
    if (!run.anyItemOnPaper())
        throw PrintError(run.offPaperText() + QStringLiteral(u"，未打印。"));
    if (options.calibrationPage) {
        const CalibrationSheet sheet = calibrationSheet(run, courier.captionTail, options.target.printer);
        printSheetTo(options.target, run.paperMm(),
                     [&](QPainter &painter, qreal dot) { paintCalibrationSheet(painter, sheet, dot); });
        io.out << QStringLiteral(u"已打印%1的校准页。\n").arg(courier.captionTail);
        return exit_status::kOk;
    }
    // Pages that do not print whole are told, one line each, after the run.
    QStringList warnings;
    const int pages = run.pageCount();
    run.setFirstNumber(options.number);
    const int first = firstPage(options.pages);
    std::optional<PrintRecording> recording;
    const PageSource compose = [&](int page, int dpi) {
        recording->pageGoing(page - (first - 1));
        ComposedPage composed = run.page(page, {dpi, first - 1});
        if (!composed.warnings.isEmpty())
            warnings << pageWarning(composed, page + 1);
        return composed;
    };
    const int printed = lastPage(options.pages, pages) - first + 1;
    const PrintChecks checks = checkBeforePrint(data.connection, run, first - 1, printed);
    if (!checks.numberTaken.isEmpty())
        throw PrintError(checks.numberTaken);
    if (!checks.printedBefore.isEmpty() && !options.again)
        throw PrintError(checks.printedBefore + QStringLiteral(u"，未打印；要再打印请加 --again：\n")
                         + checks.printedBeforePages.join(QLatin1Char('\n')));
    if (checks.numberForgotten)
        io.err << QStringLiteral(u"提示：上次用这种快递单打印时填了运单号，这次没有填（--number）。\n");
    recording.emplace(data.connection, run, first - 1, printed, options.target.output());
    printTo(options.target, pages, compose, options.pages);
    const PrintedRun done = recording->finish(printed);
    io.out << QStringLiteral(u"已打印 %1 张%2%3。\n").arg(printed).arg(courier.captionTail, done.numbers);
    if (!done.problem.isEmpty())
        io.err << done.problem << '\n';
    for (const QString &warning : warnings)
        io.err << warning << '\n';
    return exit_status::kOk;
}

} // namespace

int runPrint(const QStringList &args, CliStreams &io)
{
    return print(parse(args), io);
}
