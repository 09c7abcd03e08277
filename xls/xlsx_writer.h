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

// Writes every text so that it reads back as it is: a literal _xHHHH_
// gets its underscore escaped (_x005F_); what XML
// cannot hold (U+FFFE, U+FFFF, a lone surrogate) becomes U+FFFD and is
// counted in replaced.
QString xlsxCellText(QStringView text, int &replaced);

// Returns how many characters had to be replaced. Throws XlsError.
int saveXlsx(const QString &target, const QString &sheetName, const TextRows &rows);
