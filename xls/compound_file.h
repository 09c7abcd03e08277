#pragma once
// The OLE2 compound file around a workbook stream, through libgsf: reading
// the workbook stream out of an .xls file (libgsf refuses damaged sector
// chains) and writing a compound file holding one stream.

#include <QByteArray>
#include <QString>

// Sets libgsf up once and silences its warnings about damaged files.
void initialiseGsf();

// The bytes of the workbook stream ("Workbook", or "Book" in older files).
// Throws XlsError.
QByteArray readWorkbookStream(const QString &path);

// Writes an OLE2 compound file holding one stream into the open file
// descriptor fd (which stays open). Throws XlsError naming shownAs (the
// file the user chose, not the temporary fd writes).
void writeCompoundFile(int fd, const QString &shownAs, const char *streamName, const QByteArray &stream);
