#pragma once
// Reading a .csv file as a sheet: UTF-8 (with or without a byte-order
// mark) or GB18030, as Chinese office programs and web shops write it,
// told apart by whether the bytes are valid UTF-8; fields separated by
// commas (or tabs, when the first line has tabs and no commas), quoted
// fields with embedded separators, quotes and line breaks as RFC 4180 says.
// A field written ="digits" (a number kept as text) reads as its digits.

#include "import/sheet_grid.h"

#include <QByteArray>

// The text of the file's bytes in the encoding detected.
QString decodeCsvText(const QByteArray &bytes);

// The sheet of a .csv file's bytes, handed to sink: its first line as
// headings.
void readCsv(QByteArray bytes, const SheetSink &sink);
