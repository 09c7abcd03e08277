#pragma once
// Printing a run straight onto a printer: with the printer's page range,
// copies and paper, showing a progress window; and through the print setup
// dialog first.

class QPrinter;
class QWidget;
class WaybillRun;

// Composes the run's pages again from the data and prints them onto
// printer with its page range; a progress window lets the user stop.
void printRun(const WaybillRun &run, QPrinter &printer, QWidget *parent);

// Asks for the printer (copies, page range) and prints the run onto it.
void printThroughSetup(const WaybillRun &run, QWidget *parent);
