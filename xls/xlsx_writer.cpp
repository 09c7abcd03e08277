#include "xls/xlsx_writer.h"

#include "common/safe_file.h"
#include "common/stderr_capture.h"
#include "xls/xls_writer.h"

#include <QFile>
#include <cerrno>
#include <xlsxwriter.h>

namespace {

bool isHex(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

} // namespace

QString xlsxCellText(QStringView text, int &replaced)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        // A literal _xHHHH_ would read back as the character it names: its
        // underscore is written as _x005F_.
        if (c == QLatin1Char('_') && i + 6 < text.size() && text[i + 1] == QLatin1Char('x') && isHex(text[i + 2])
            && isHex(text[i + 3]) && isHex(text[i + 4]) && isHex(text[i + 5]) && text[i + 6] == QLatin1Char('_')) {
            out += QLatin1String("_x005F_");
            continue;
        }
        // XML cannot hold U+FFFE and U+FFFF, nor a surrogate without its pair.
        const bool pairedHigh = c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (c.unicode() == 0xFFFE || c.unicode() == 0xFFFF || (c.isSurrogate() && !pairedHigh)) {
            out += QChar(QChar::ReplacementCharacter);
            ++replaced;
            continue;
        }
        out += c;
        if (pairedHigh)
            out += text[++i];
    }
    return out;
}

namespace {

// Whether a text goes into the workbook as it is (no _xHHHH_, nothing XML
// cannot hold): most do, and are not copied.
bool plainCellText(QStringView text)
{
    for (const QChar c : text)
        if (c == QLatin1Char('_') || c.isSurrogate() || c.unicode() >= 0xFFFE)
            return false;
    return true;
}

} // namespace

XlsxStream::XlsxStream(const QString &target, const QString &sheetName) : m_target(target)
{
    try {
        m_file = std::make_unique<SafeFile>(target);
    } catch (const FileError &error) {
        throw XlsError(error.text());
    }
    m_libraryLines = std::make_unique<StderrCapture>();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    m_book = workbook_new_opt(QFile::encodeName(m_file->tempPath()).constData(), &options);
    if (!m_book)
        throw XlsError(QStringLiteral(u"无法写入文件 %1").arg(target));
    m_sheet = workbook_add_worksheet(m_book, sheetName.toUtf8().constData());
}

XlsxStream::~XlsxStream()
{
    if (m_book)
        workbook_close(m_book);
}

void XlsxStream::writeRow(const QList<QStringView> &cells)
{
    if (m_row >= xlsx::kMaxRows)
        throw XlsError(QStringLiteral(u"行数超过 Excel 工作表的上限（%1 行）").arg(xlsx::kMaxRows));
    for (qsizetype c = 0; c < cells.size(); ++c) {
        const QStringView cell = cells[c];
        if (cell.isEmpty())
            continue;
        if (cell.size() > xlsx::kMaxCellChars)
            throw XlsError(QStringLiteral(u"第 %1 行第 %2 列的内容超过 Excel 单元格的上限（%3 个字符）")
                               .arg(m_row + 1)
                               .arg(c + 1)
                               .arg(xlsx::kMaxCellChars));
        m_utf8 = plainCellText(cell) ? cell.toUtf8() : xlsxCellText(cell, m_replaced).toUtf8();
        worksheet_write_string(m_sheet, lxw_row_t(m_row), lxw_col_t(c), m_utf8.constData(), nullptr);
    }
    ++m_row;
}

int XlsxStream::commit()
{
    errno = 0;
    const lxw_error closed = workbook_close(m_book);
    m_book = nullptr;
    const int systemError = errno;
    m_libraryLines.reset();
    if (closed != LXW_NO_ERROR)
        throw XlsError(
            systemError != 0
                ? writeFailureText(m_target, systemError)
                : QStringLiteral(u"无法写入文件 %1：%2").arg(m_target, QString::fromUtf8(lxw_strerror(closed))));
    try {
        m_file->commit();
    } catch (const FileError &error) {
        throw XlsError(error.text());
    }
    return m_replaced;
}

int saveXlsx(const QString &target, const QString &sheetName, const TextRows &rows)
{
    if (rows.width() > xlsx::kMaxColumns)
        throw XlsError(QStringLiteral(u"列数超过 Excel 工作表的上限（%1 列）").arg(xlsx::kMaxColumns));
    if (rows.rowCount() > xlsx::kMaxRows)
        throw XlsError(QStringLiteral(u"行数超过 Excel 工作表的上限（%1 行）").arg(xlsx::kMaxRows));
    XlsxStream out(target, sheetName);
    QList<QStringView> cells(rows.width());
    for (qsizetype r = 0; r < rows.rowCount(); ++r) {
        for (int c = 0; c < rows.width(); ++c)
            cells[c] = rows.cell(r, c);
        out.writeRow(cells);
    }
    return out.commit();
}
