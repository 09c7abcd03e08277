#include "cli/commands.h"
#include "cli/options.h"

#include "report/fonts.h"
#include "store/calibration.h"
#include "store/connection.h"
#include "waybill/calibration_page.h"
#include "waybill/family.h"
#include "waybill/layout.h"
#include "waybill/page_composer.h"
#include "waybill/print_form.h"

namespace {

// A built-in courier's or one of the office's own forms, by code.
PrintForm formNamed(const QString &code, Connection &connection)
{
    if (std::optional<PrintForm> form = printFormOf(code, Variant::Single, connection))
        return std::move(*form);
    throw UsageError(QStringLiteral(u"未知的快递公司代码：%1").arg(code));
}

QString describe(const Calibration &calibration)
{
    return calibration.courier + QLatin1Char('\t')
        + (calibration.printer.isEmpty() ? QStringLiteral(u"（所有打印机）") : calibration.printer) + QLatin1Char('\t')
        + calibrationSummary(calibration)
        + (calibration.font.isEmpty() ? QString() : QStringLiteral(u"，字体 ") + calibration.font);
}

int set(const QStringList &args, CliStreams &io, Connection &connection)
{
    if (args.isEmpty() || args.first().startsWith(QLatin1Char('-')))
        throw UsageError(QStringLiteral(u"缺少快递公司代码"));
    const PrintForm form = formNamed(args.first(), connection);
    Calibration calibration;
    calibration.courier = form.code;
    bool given = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (i + 1 >= args.size())
            throw UsageError(QStringLiteral(u"%1 后面缺少参数").arg(arg));
        const QString &value = args[++i];
        if (arg == QStringLiteral("--printer"))
            calibration.printer = value;
        else if (arg == QStringLiteral("--shift-x"))
            calibration.shiftX = intOption(arg, value), given = true;
        else if (arg == QStringLiteral("--shift-y"))
            calibration.shiftY = intOption(arg, value), given = true;
        else if (arg == QStringLiteral("--scale-x"))
            calibration.scaleX = numberOption(arg, value);
        else if (arg == QStringLiteral("--scale-y"))
            calibration.scaleY = numberOption(arg, value);
        else if (arg == QStringLiteral("--font"))
            calibration.font = fontText(fontOption(arg, value));
        else if (arg == QStringLiteral("--paper")) {
            const QSizeF paper = paperOption(arg, value);
            calibration.paperWidth = paper.width();
            calibration.paperHeight = paper.height();
            given = true;
        } else
            throw UsageError(QStringLiteral(u"无法识别的参数：%1").arg(arg));
    }
    if (!given)
        throw UsageError(QStringLiteral(u"请给出 --shift-x、--shift-y 或 --paper"));
    checkCalibration(calibration);
    // A shift that moves every field off the paper is no calibration.
    QList<LayoutItem> items = form.layout.items;
    shiftItems(items, calibration.shiftX, calibration.shiftY);
    if (!anyItemOnPaper(items, form.layout.paperUnits()))
        throw AppError(QStringLiteral(u"移动量太大：所有内容都移出了纸张，未保存。"));
    CalibrationStore(connection).save(calibration);
    io.out << QStringLiteral(u"已保存位置：") << describe(calibration) << '\n';
    return exit_status::kOk;
}

} // namespace

int runCalibration(const QStringList &args, CliStreams &io)
{
    if (args.isEmpty())
        throw UsageError(QStringLiteral(u"需要 list、set 或 clear"));
    Connection connection(QStringLiteral("cli.calibration"));
    connection.open();
    CalibrationStore store(connection);
    const QString &what = args.first();
    if (what == QStringLiteral("list")) {
        if (args.size() != 1)
            throw UsageError(QStringLiteral(u"list 不接受参数"));
        const QList<Calibration> all = store.list();
        if (all.isEmpty())
            io.out << QStringLiteral(u"没有保存的位置。\n");
        for (const Calibration &calibration : all)
            io.out << describe(calibration) << '\n';
        return exit_status::kOk;
    }
    if (what == QStringLiteral("set"))
        return set(args.mid(1), io, connection);
    if (what == QStringLiteral("clear")) {
        if (args.size() != 2)
            throw UsageError(QStringLiteral(u"用法：clear COURIER"));
        const int removed = store.clear(formNamed(args[1], connection).code);
        io.out << QStringLiteral(u"已恢复默认位置：%1（删除 %2 条保存的位置）\n").arg(args[1]).arg(removed);
        return exit_status::kOk;
    }
    throw UsageError(QStringLiteral(u"未知的操作：%1（可用 list、set、clear）").arg(what));
}
