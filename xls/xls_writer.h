#pragma once
// Writes an Excel 97-2003 workbook (.xls): BIFF8 records in an OLE2
// compound file (through libgsf), one worksheet of text cells held in the
// shared string table. Empty texts leave their cells empty.

#include "common/error.h"
#include "store/text_table.h"
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

class XlsError : public AppError {
public:
    using AppError::AppError;
};

namespace xls {
constexpr int kMaxRows = 65536;
constexpr int kMaxColumns = 256;
constexpr int kMaxCellChars = 32767;
} // namespace xls

// The Workbook stream: globals and one worksheet. Throws XlsError when the
// rows do not fit a BIFF8 sheet.
QByteArray buildWorkbookStream(const QString &sheetName, const TextRows &rows);

// Writes the workbook beside target under a temporary name and renames it
// into place, so that a failure leaves no half-written file and an existing
// file is replaced whole. Throws XlsError.
void saveXls(const QString &target, const QString &sheetName, const TextRows &rows);
