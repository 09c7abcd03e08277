#pragma once
// Reading one worksheet of an Office Open XML workbook (.xlsx, as Excel
// 2007 and later, WPS, LibreOffice and openpyxl write it): the zip
// container through libgsf, the parts through QXmlStreamReader. Shared and
// inline strings (rich-text runs joined, phonetic runs left out), numbers,
// booleans, errors, formulas' cached values, dates by their number format,
// the 1904 date system and merged areas.

#include "import/biff8_reader.h"
#include "import/sheet_grid.h"

#include <QString>

// The worksheet named sheetName (letter case ignored) of the workbook at
// path, handed to sink. Throws WorkbookError.
void readXlsxSheet(const QString &path, const QString &sheetName, const SheetSink &sink,
                   const SheetProgress &progress = {});

// What a zip file holds, by the parts that name its kind.
enum class ZipKind { Xlsx, Xlsb, Ods, Other };
ZipKind zipKindOf(const QString &path);
