#include "cli/commands.h"
#include "cli/options.h"
#include "cli/print_target.h"

#include "report/fonts.h"
#include "report/print_job.h"
#include "store/connection.h"
#include "store/print_log.h"
#include "waybill/print_checks.h"
#include "waybill/print_record.h"
#include "waybill/waybill_number.h"
#include "waybill/waybill_run.h"
#include "xls/tracking_list.h"

#include <QDir>

namespace {

QDate dateOption(const QString &option, const QString &text)
{
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-M-d"));
    if (!date.isValid())
        throw UsageError(QStringLiteral(u"%1 的格式是 年-月-日，例如 2026-12-9：%2").arg(option, text));
    return date;
}

// The filter options of list and export; what is left goes to *rest.
PrintLogFilter parseFilter(const QStringList &args, QStringList *rest)
{
    PrintLogFilter filter;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        const bool option = arg == QStringLiteral("--from") || arg == QStringLiteral("--to")
            || arg == QStringLiteral("--courier") || arg == QStringLiteral("--find");
        if (!option) {
            if (arg.startsWith(QLatin1Char('-')))
                throw UsageError(QStringLiteral(u"无法识别的参数：%1").arg(arg));
            *rest << arg;
            continue;
        }
        if (i + 1 >= args.size())
            throw UsageError(QStringLiteral(u"%1 后面缺少参数").arg(arg));
        const QString &value = args[++i];
        if (arg == QStringLiteral("--from"))
            filter.from = dateOption(arg, value);
        else if (arg == QStringLiteral("--to"))
            filter.to = dateOption(arg, value);
        else if (arg == QStringLiteral("--courier"))
            filter.courier = value;
        else
            filter.text = value;
    }
    return filter;
}

void writeEntryLine(QTextStream &out, const PrintLogRow &row)
{
    const QChar tab = QLatin1Char('\t');
    out << row.entry << tab << row.printedAt << tab << row.courier << tab << row.number << tab << row.recipientName
        << tab << row.mobile << tab << row.address;
    if (row.reprintOf)
        out << QStringLiteral(u"\t重打第 %1 条").arg(row.reprintOf);
    if (row.pending)
        out << tab << possiblyPrintedText();
    out << '\n';
}

qint64 entryOption(const QString &text)
{
    bool ok = false;
    const qint64 entry = text.toLongLong(&ok);
    if (!ok || entry < 1)
        throw UsageError(QStringLiteral(u"记录序号必须是正整数：%1").arg(text));
    return entry;
}

int list(const QStringList &args, CliStreams &io, PrintLog &log)
{
    QStringList rest;
    const PrintLogFilter filter = parseFilter(args, &rest);
    if (!rest.isEmpty())
        throw UsageError(QStringLiteral(u"无法识别的参数：%1").arg(rest.first()));
    // Each entry written as it is read: a record of years is never held.
    bool any = false;
    log.forEachRow(filter, [&](const PrintLogRow &row) {
        writeEntryLine(io.out, row);
        any = true;
        return true;
    });
    if (!any)
        io.out << QStringLiteral(u"没有打印记录。\n");
    return exit_status::kOk;
}

int exportList(const QStringList &args, CliStreams &io, PrintLog &log)
{
    QStringList rest;
    QStringList filterArgs;
    bool everyPrint = false;
    for (const QString &arg : args) {
        if (arg == QStringLiteral("--every-print"))
            everyPrint = true;
        else
            filterArgs << arg;
    }
    const PrintLogFilter filter = parseFilter(filterArgs, &rest);
    if (rest.size() != 1)
        throw UsageError(
            QStringLiteral(u"用法：log export FILE [--from 日期] [--to 日期] [--courier 代码] [--find 文字] "
                           u"[--every-print]"));
    const TrackingList exported = exportTrackingList(log, TrackingRows::selectedBy(filter), rest.first(), everyPrint);
    io.out << QStringLiteral(u"已导出 %1 条到 %2").arg(exported.exported).arg(QDir::toNativeSeparators(rest.first()))
           << exported.leftOutText() << QStringLiteral(u"。\n");
    return exit_status::kOk;
}

int setNumber(const QStringList &args, CliStreams &io, PrintLog &log)
{
    if (args.size() != 2)
        throw UsageError(QStringLiteral(u"用法：log number 序号 运单号"));
    const QString number = args[1].trimmed();
    checkWaybillNumber(number);
    log.setNumber(entryOption(args[0]), number);
    io.out << QStringLiteral(u"第 %1 条记录的运单号改为 %2。\n").arg(args[0], number.isEmpty() ? u"（空）"_qs : number);
    return exit_status::kOk;
}

int reprint(const QStringList &args, CliStreams &io, Connection &connection)
{
    QList<qint64> wanted;
    PrintTarget target;
    QString number;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QStringLiteral("--pdf") || arg == QStringLiteral("--printer") || arg == QStringLiteral("--number")) {
            if (i + 1 >= args.size())
                throw UsageError(QStringLiteral(u"%1 后面缺少参数").arg(arg));
            QString &value = arg == QStringLiteral("--pdf") ? target.pdf
                : arg == QStringLiteral("--printer")        ? target.printer
                                                            : number;
            value = args[++i];
        } else if (arg.startsWith(QLatin1Char('-'))) {
            throw UsageError(QStringLiteral(u"无法识别的参数：%1").arg(arg));
        } else {
            wanted << entryOption(arg);
        }
    }
    if (wanted.isEmpty())
        throw UsageError(QStringLiteral(u"请给出要重打的记录序号"));
    if (target.pdf.isEmpty() == target.printer.isEmpty())
        throw UsageError(QStringLiteral(u"请给出 --pdf 文件 或 --printer 打印机 其中之一"));
    number = number.trimmed();
    checkWaybillNumber(number);
    installFontSubstitutions();
    const QList<PrintLogEntry> entries = PrintLog(connection).find(wanted);
    QString problem;
    std::vector<Reprint> reprints = reprintsOf(entries, connection, target.printer, &problem);
    if (!problem.isEmpty())
        io.err << problem << '\n';
    if (reprints.size() > 1 && !target.pdf.isEmpty())
        throw UsageError(QStringLiteral(u"这些记录用了不同的快递单，请分别重打到 PDF"));
    const QStringList summaries = printReprints(reprints, number, [&](WaybillRun &run) {
        const PrintChecks checks = checkBeforePrint(connection, run, 0, run.pageCount());
        if (!checks.numberTaken.isEmpty())
            throw AppError(checks.numberTaken);
        PrintRecording recording(connection, run, 0, run.pageCount(), target.output());
        printTo(target, run.pageCount(), [&](int page, int dpi) {
            recording.pageGoing(page);
            return run.page(page, {dpi, 0});
        });
        PrintedRun done = recording.finish(run.pageCount());
        if (!done.problem.isEmpty())
            io.err << done.problem << '\n';
        return done;
    });
    io.out << QStringLiteral(u"重打：%1。\n").arg(summaries.join(QStringLiteral(u"；")));
    return exit_status::kOk;
}

} // namespace

int runLog(const QStringList &args, CliStreams &io)
{
    if (args.isEmpty())
        throw UsageError(QStringLiteral(u"需要 list、export、number 或 reprint"));
    Connection connection(QStringLiteral("cli.log"));
    connection.open();
    PrintLog log(connection);
    const QString &what = args.first();
    if (what == QStringLiteral("list"))
        return list(args.mid(1), io, log);
    if (what == QStringLiteral("export"))
        return exportList(args.mid(1), io, log);
    if (what == QStringLiteral("number"))
        return setNumber(args.mid(1), io, log);
    if (what == QStringLiteral("reprint"))
        return reprint(args.mid(1), io, connection);
    throw UsageError(QStringLiteral(u"未知的操作：%1（可用 list、export、number、reprint）").arg(what));
}
