#pragma once
// Reading an Excel 97-2003 workbook (.xls) with FreeXL: the worksheet found
// by its name, the first row as headings, every following row of the used
// area as a record, each cell as the text an office user expects (whole
// numbers as their digits, dates readable, empty cells empty). Wholly empty
// rows are skipped.

#include <QString>
#include <QStringList>
#include <functional>
#include "common/error.h"

#include <vector>

// A workbook that cannot be read as asked; the text says why.
class WorkbookError : public AppError {
public:
    using AppError::AppError;
};

struct Sheet {
    QStringList headings;
    std::vector<QStringList> rows; // each as wide as the headings
};

// Told the number of rows read so far and the total.
using ReadProgress = std::function<void(qsizetype done, qsizetype total)>;

// Reads the worksheet named sheetName; throws WorkbookError.
Sheet readSheet(const QString &path, const QString &sheetName, const ReadProgress &progress = {});

// As readSheet, in a separate process (the waybill-xls-reader program beside
// this one), so that a damaged workbook that crashes or hangs the reading
// library only fails the read. Reads in this process when the helper is
// not installed.
Sheet readSheetIsolated(const QString &path, const QString &sheetName, const ReadProgress &progress = {});

// The values under the given headings, one list per record in the order
// of columns; headings compare after trimming blanks, their order on the
// sheet is free and other columns are ignored. Throws WorkbookError when a
// heading is missing.
std::vector<QStringList> recordsByHeading(const Sheet &sheet, const QStringList &columns);

// The text of a numeric cell: whole values below 1e15 as plain digits,
// others with up to 15 significant digits.
QString numberText(double value);
