#pragma once
// Writes an Excel 97-2003 workbook (.xls): BIFF8 records in an OLE2
// compound file (through libgsf), one worksheet of text cells held in the
// shared string table. Empty texts leave their cells empty.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <stdexcept>
#include <vector>

class XlsError : public std::runtime_error {
public:
    explicit XlsError(const QString &text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString &text() const { return m_text; }

private:
    QString m_text;
};

namespace xls {
constexpr int kMaxRows = 65536;
constexpr int kMaxColumns = 256;
constexpr int kMaxCellChars = 32767;
} // namespace xls

// The Workbook stream: globals and one worksheet. Throws XlsError when the
// rows do not fit a BIFF8 sheet.
QByteArray buildWorkbookStream(const QString &sheetName, const std::vector<QStringList> &rows);

// Writes an OLE2 compound file holding one stream. Throws XlsError.
void writeCompoundFile(const QString &path, const char *streamName, const QByteArray &stream);

// The bytes of the workbook stream ("Workbook", or "Book" in older files)
// of an OLE2 compound file, read with libgsf, which refuses damaged
// sector chains. Throws XlsError.
QByteArray readWorkbookStream(const QString &path);

// Writes the workbook to path (replacing a file of that name). Throws
// XlsError; a failure may leave a partial file at path, so callers write
// to a temporary name first.
void writeXlsFile(const QString &path, const QString &sheetName, const std::vector<QStringList> &rows);

// Writes the workbook beside target under a temporary name and renames it
// into place, so that a failure leaves no half-written file and an existing
// file is replaced whole. Throws XlsError.
void saveXls(const QString &target, const QString &sheetName, const std::vector<QStringList> &rows);
