#include "waybill/run_printing.h"

#include "common/error.h"
#include "report/pdf_page_box.h"
#include "report/print_job.h"
#include "store/connection.h"
#include "ui/dialogs.h"
#include "waybill/calibration_page.h"
#include "waybill/family.h"
#include "waybill/print_checks.h"
#include "waybill/waybill_run.h"

#include <QDate>
#include <QDir>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>

bool confirmedBeforePrint(Connection &connection, const WaybillRun &run, int first, int count, QWidget *parent)
{
    const PrintChecks checks = checkBeforePrint(connection, run, first, count);
    if (!checks.numberTaken.isEmpty())
        throw AppError(checks.numberTaken);
    if (!checks.printedBefore.isEmpty() && !dialogs().confirm(parent, printAgainQuestion(checks), false))
        return false;
    return !checks.numberForgotten || dialogs().confirm(parent, numberForgottenQuestion(), false);
}

PrintedRun printRun(const WaybillRun &run, QPrinter &printer, QWidget *parent)
{
    const int pages = run.pageCount();
    PageRange range;
    if (printer.printRange() == QPrinter::PageRange)
        range = {printer.fromPage(), printer.toPage()};
    Connection connection(QStringLiteral("print.record"));
    const int first = firstPage(range);
    const int count = lastPage(range, pages) - first + 1;
    if (!confirmedBeforePrint(connection, run, first - 1, count, parent))
        return {};
    PrintRecording recording(connection, run, first - 1, count, printerOutput(printer));
    QProgressDialog progress(QStringLiteral(u"正在打印..."), QStringLiteral(u"取消"), 0, pages, parent);
    progress.setWindowTitle(QStringLiteral(u"打印"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    const int printed = printPages(
        printer, printer.resolution(), pages,
        [&](int page, int dpi) {
            recording.pageGoing(page - (first - 1));
            return run.page(page, {dpi, first - 1});
        },
        range,
        [&](int done, int total) {
            progress.setMaximum(total);
            progress.setValue(done);
            return !progress.wasCanceled();
        });
    if (printer.outputFormat() == QPrinter::PdfFormat)
        setExactPageBoxesOfFile(printer.outputFileName(), run.paperMm());
    PrintedRun done = recording.finish(printed);
    if (!done.problem.isEmpty())
        dialogs().notice(parent, done.problem);
    return done;
}

QString printerOutput(const QPrinter &printer)
{
    return printer.outputFormat() == QPrinter::NativeFormat ? printer.printerName()
                                                            : pdfOutput(printer.outputFileName());
}

QString printedText(int pages, const QPrinter &printer)
{
    return printer.outputFormat() == QPrinter::NativeFormat
        ? QStringLiteral(u"已送出 %1 张到打印机 %2").arg(pages).arg(printer.printerName())
        : QStringLiteral(u"已送出 %1 张到文件 %2").arg(pages).arg(QDir::toNativeSeparators(printer.outputFileName()));
}

std::unique_ptr<QPrinter> freshPrinterLike(const QPrinter &printer)
{
    auto copy = std::make_unique<QPrinter>(QPrinter::HighResolution);
    copy->setOutputFormat(printer.outputFormat());
    if (printer.outputFormat() == QPrinter::NativeFormat)
        copy->setPrinterName(printer.printerName());
    else
        copy->setOutputFileName(printer.outputFileName());
    // What the printer's own properties page set (CUPS options, job sheets).
    QPrintEngine *from = const_cast<QPrinter &>(printer).printEngine();
    for (int key = 0xfe00; key <= 0xfe04; ++key) {
        const auto property = QPrintEngine::PrintEnginePropertyKey(key);
        const QVariant value = from->property(property);
        if (value.isValid())
            copy->printEngine()->setProperty(property, value);
    }
    copy->setDocName(printer.docName());
    copy->setCopyCount(printer.copyCount());
    copy->setCollateCopies(printer.collateCopies());
    copy->setDuplex(printer.duplex());
    copy->setColorMode(printer.colorMode());
    copy->setPageOrder(printer.pageOrder());
    copy->setFullPage(printer.fullPage());
    copy->setPageLayout(printer.pageLayout());
    copy->setPrintRange(printer.printRange());
    copy->setFromTo(printer.fromPage(), printer.toPage());
    return copy;
}

namespace {

struct ChosenPrinter {
    bool chosen = false;
    QString name; // empty: PDF output
};

ChosenPrinter &chosenPrinter()
{
    static ChosenPrinter current;
    return current;
}

} // namespace

QString calibrationPrinter()
{
    return chosenPrinter().chosen ? chosenPrinter().name : QPrinterInfo::defaultPrinterName();
}

void rememberChosenPrinter(const QPrinter &printer)
{
    chosenPrinter() = {true, printer.outputFormat() == QPrinter::NativeFormat ? printer.printerName() : QString()};
}

void startOnChosenPrinter(QPrinter &printer)
{
    if (chosenPrinter().chosen && !chosenPrinter().name.isEmpty())
        printer.setPrinterName(chosenPrinter().name);
}

QString documentName(const WaybillRun &run, const QDate &date)
{
    const Courier *courier = courierByCode(run.layout().code);
    return (courier ? courier->captionTail : run.layout().code) + QLatin1Char('-')
        + date.toString(QStringLiteral("yyyy-MM-dd"));
}

namespace {

// Sets printer up for the run's paper on the printer last chosen and asks
// for the printer; remembers the choice when the user confirms.
bool choosePrinter(QPrinter &printer, const WaybillRun &run, int lastPage, QWidget *parent)
{
    startOnChosenPrinter(printer);
    printer.setDocName(documentName(run, QDate::currentDate()));
    printer.setFullPage(true);
    setUpPaper(printer, run.paperMm());
    if (!dialogs().printSetup(parent, printer, 1, lastPage))
        return false;
    rememberChosenPrinter(printer);
    return true;
}

} // namespace

PrintedRun printThroughSetup(const WaybillRun &run, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!choosePrinter(printer, run, run.pageCount(), parent))
        return {};
    return printRun(run, printer, parent);
}

void printCalibrationPage(const WaybillRun &run, const QString &formName, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!choosePrinter(printer, run, 1, parent))
        return;
    const CalibrationSheet sheet = calibrationSheet(run, formName, calibrationPrinter()); // the one just chosen
    printSheet(printer, printer.resolution(), run.paperMm(),
               [&](QPainter &painter, qreal dot) { paintCalibrationSheet(painter, sheet, dot); });
}
