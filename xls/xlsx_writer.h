#pragma once
// Writes an Excel workbook (.xlsx) with libxlsxwriter: one worksheet of
// text cells, row by row in its constant-memory mode, written beside the
// target and renamed into place (no half-written file under the name).

#include "store/text_table.h"

#include <QString>
#include <QStringList>
#include <memory>
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

struct lxw_workbook;
struct lxw_worksheet;
class SafeFile;
class StderrCapture;

// A workbook written row by row as the rows come (nothing of them is
// kept), beside the target: commit() renames it into place; destroyed
// uncommitted, it leaves nothing. Throws XlsError.
class XlsxStream {
public:
    XlsxStream(const QString &target, const QString &sheetName);
    ~XlsxStream();
    XlsxStream(const XlsxStream &) = delete;
    XlsxStream &operator=(const XlsxStream &) = delete;

    // The next row; empty cells stay empty.
    void writeRow(const QList<QStringView> &cells);
    qsizetype rows() const { return m_row; }
    // Closes the workbook and renames it into place; returns how many
    // characters had to be replaced.
    int commit();

private:
    QString m_target;
    std::unique_ptr<SafeFile> m_file;
    // libxlsxwriter tells its failures on stderr, naming the temporary
    // file; the failure thrown names the user's file instead.
    std::unique_ptr<StderrCapture> m_libraryLines;
    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    qsizetype m_row = 0;
    int m_replaced = 0;
    QByteArray m_utf8;
};
