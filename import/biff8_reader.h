#pragma once
// Reading one worksheet of an Excel 97-2003 workbook stream (BIFF8), as
// [MS-XLS] describes it: the shared strings (across any number of
// CONTINUE records, compressed or not, with rich-text and phonetic runs),
// the number formats and the date system of the globals, and the sheet's
// LABELSST, LABEL, RSTRING, NUMBER, RK, MULRK, BOOLERR and FORMULA cells
// (cached results, with the STRING record of a text result) and merged
// areas. Every read is bounds-checked: a damaged stream fails with a
// WorkbookError, never reads outside its bytes.

#include "import/sheet_grid.h"

#include <QByteArray>
#include <QStringList>
#include <functional>

// Told how far the reading of the sheet is, in parts of total.
using SheetProgress = std::function<void(qint64 done, qint64 total)>;

// The worksheet named sheetName (letter case ignored), handed to sink.
// Throws WorkbookError (naming the sheets there are when it is missing).
void readBiff8Sheet(const QByteArray &stream, const QString &sheetName, const SheetSink &sink,
                    const SheetProgress &progress = {});
