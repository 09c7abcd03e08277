#pragma once
// Where a command-line print goes: a PDF file or a printer by name, as
// --pdf and --printer give them (exactly one of the two is set).

#include "report/print_job.h"

#include <QString>
#include <memory>

class QPrinter;

struct PrintTarget {
    QString pdf;
    QString printer;

    // What the print record keeps as the output ("PDF：path" or the printer).
    QString output() const;
};

// The printer of that name, set to print on the whole paper; throws
// PrintError when there is none.
std::unique_ptr<QPrinter> printerNamed(const QString &name);

// Prints the pages of the range to the target; throws PrintError (an
// unknown printer included).
void printTo(const PrintTarget &target, int pageCount, const PageSource &compose, PageRange range = {});
// Prints one sheet of paperMm to the target; throws PrintError.
void printSheetTo(const PrintTarget &target, const QSizeF &paperMm, const SheetPainter &paint);
