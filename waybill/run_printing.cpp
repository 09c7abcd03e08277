#include "waybill/run_printing.h"

#include "report/print_job.h"
#include "ui/dialogs.h"
#include "waybill/waybill_run.h"

#include <QPrinter>
#include <QProgressDialog>

void printRun(const WaybillRun &run, QPrinter &printer, QWidget *parent)
{
    const int pages = run.pageCount();
    PageRange range;
    if (printer.printRange() == QPrinter::PageRange)
        range = {printer.fromPage(), printer.toPage()};
    QProgressDialog progress(QStringLiteral(u"正在打印..."), QStringLiteral(u"取消"), 0, pages, parent);
    progress.setWindowTitle(QStringLiteral(u"打印"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    printPages(printer, printer.resolution(), pages, [&](int page) { return run.page(page); }, range,
               [&](int done, int total) {
                   progress.setMaximum(total);
                   progress.setValue(done);
                   return !progress.wasCanceled();
               });
}

void printThroughSetup(const WaybillRun &run, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    setUpPaper(printer, run.paperMm());
    if (dialogs().printSetup(parent, printer, 1, run.pageCount()))
        printRun(run, printer, parent);
}
