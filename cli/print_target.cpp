#include "cli/print_target.h"

#include "waybill/print_record.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

std::unique_ptr<QPrinter> printerNamed(const QString &name)
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull())
        throw PrintError(QStringLiteral(u"找不到打印机：%1").arg(name));
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer->setFullPage(true);
    return printer;
}

QString PrintTarget::output() const
{
    return pdf.isEmpty() ? printer : pdfOutput(pdf);
}

void printTo(const PrintTarget &target, int pageCount, const PageSource &compose, PageRange range)
{
    if (!target.pdf.isEmpty()) {
        printToPdf(target.pdf, pageCount, compose, range);
        return;
    }
    const std::unique_ptr<QPrinter> printer = printerNamed(target.printer);
    printPages(*printer, printer->resolution(), pageCount, compose, range);
}

void printSheetTo(const PrintTarget &target, const QSizeF &paperMm, const SheetPainter &paint)
{
    if (!target.pdf.isEmpty()) {
        printSheetToPdf(target.pdf, paperMm, paint);
        return;
    }
    const std::unique_ptr<QPrinter> printer = printerNamed(target.printer);
    printSheet(*printer, printer->resolution(), paperMm, paint);
}
