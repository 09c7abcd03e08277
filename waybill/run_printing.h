#pragma once
// Printing a run straight onto a printer: with the printer's page range,
// copies and paper, showing a progress window; and through the print setup
// dialog first.

#include "waybill/print_record.h"

#include <memory>

class Connection;
class QDate;
class QPrinter;
class QString;
class QWidget;
class WaybillRun;

// Before count pages of the run from page first (0-based) print: refuses
// (AppError) a number another live entry of the form holds, asks
// whether recipients printed before print again and whether a form last
// printed with numbers prints without (No the default). False: not to print.
bool confirmedBeforePrint(Connection &connection, const WaybillRun &run, int first, int count, QWidget *parent);

// Composes the run's pages again from the data and prints them onto
// printer with its page range; a progress window lets the user stop.
// The pages sent go into the print record, the run's first number on
// the first of them; a record that cannot be written is told, the print
// stands. Returns what was printed.
PrintedRun printRun(const WaybillRun &run, QPrinter &printer, QWidget *parent);

// Where a printer prints, as the record keeps it (the printer, or the PDF file).
QString printerOutput(const QPrinter &printer);

// "已送出 N 张到打印机 X" (or "到文件 F") for a print that sent pages.
QString printedText(int pages, const QPrinter &printer);

// A new printer with printer's settings (printer or file, copies, range,
// paper, orientation, the printer's own options). A printer whose print
// failed keeps failing in Qt until it is replaced; the copy starts afresh.
std::unique_ptr<QPrinter> freshPrinterLike(const QPrinter &printer);

// Asks for the printer (copies, page range) and prints the run onto it;
// nothing printed when the user cancels.
PrintedRun printThroughSetup(const WaybillRun &run, QWidget *parent);

// Asks for the printer and prints the run's calibration page onto it,
// captioned with the form's name.
void printCalibrationPage(const WaybillRun &run, const QString &formName, QWidget *parent);

// The printer calibrations are saved and applied for: the one the user
// last chose in a printer setup, else the default printer; empty for PDF
// output or a machine without printers (the courier's own calibration).
QString calibrationPrinter();
// Remembers the printer the user chose in a printer setup.
void rememberChosenPrinter(const QPrinter &printer);
// Starts a printer on the one the user last chose, when there is one.
void startOnChosenPrinter(QPrinter &printer);

// The print job's name, also the name a PDF is offered under: the form
// and the date ("顺丰快递单-2026-12-10").
QString documentName(const WaybillRun &run, const QDate &date);
