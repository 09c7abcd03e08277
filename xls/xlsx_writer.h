#pragma once
// Writes an Excel workbook (.xlsx) with libxlsxwriter: one worksheet of
// text cells, row by row in its constant-memory mode, written beside the
// target and renamed into place (no half-written file under the name).

#include "store/text_table.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace xlsx {
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
constexpr int kMaxCellChars = 32767;
} // namespace xlsx

// Throws XlsError.
void saveXlsx(const QString &target, const QString &sheetName, const TextRows &rows);
