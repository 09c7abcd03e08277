#pragma once
// The OLE2 compound file around a workbook stream, through libgsf: reading
// the workbook stream out of an .xls file (libgsf refuses damaged sector
// chains) and building a compound file holding one stream, in memory.

#include <QByteArray>
#include <QString>

// Sets libgsf up once and silences its warnings about damaged files.
void initialiseGsf();

// The bytes of the workbook stream ("Workbook", or "Book" in older files).
// Throws XlsError.
QByteArray readWorkbookStream(const QString &path);

// An OLE2 compound file holding one stream. Throws XlsError.
QByteArray buildCompoundFile(const char *streamName, const QByteArray &stream);
