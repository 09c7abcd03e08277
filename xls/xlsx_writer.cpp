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

int saveXlsx(const QString &target, const QString &sheetName, const TextRows &rows)
{
    int replaced = 0;
    if (rows.width() > xlsx::kMaxColumns)
        throw XlsError(QStringLiteral(u"列数超过 Excel 工作表的上限（%1 列）").arg(xlsx::kMaxColumns));
    if (rows.rowCount() > xlsx::kMaxRows)
        throw XlsError(QStringLiteral(u"行数超过 Excel 工作表的上限（%1 行）").arg(xlsx::kMaxRows));
    try {
        SafeFile out(target);
        // libxlsxwriter tells its failures on stderr, naming the temporary
        // file; the failure thrown names the user's file instead.
        StderrCapture libraryLines;
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        lxw_workbook *book = workbook_new_opt(QFile::encodeName(out.tempPath()).constData(), &options);
        if (!book)
            throw XlsError(QStringLiteral(u"无法写入文件 %1").arg(target));
        lxw_worksheet *sheet = workbook_add_worksheet(book, sheetName.toUtf8().constData());
        QByteArray utf8;
        for (qsizetype r = 0; r < rows.rowCount(); ++r) {
            for (int c = 0; c < rows.width(); ++c) {
                const QStringView cell = rows.cell(r, c);
                if (cell.isEmpty())
                    continue;
                if (cell.size() > xlsx::kMaxCellChars) {
                    workbook_close(book);
                    throw XlsError(QStringLiteral(u"第 %1 行第 %2 列的内容超过 Excel 单元格的上限（%3 个字符）")
                                       .arg(r + 1)
                                       .arg(c + 1)
                                       .arg(xlsx::kMaxCellChars));
                }
                utf8 = xlsxCellText(cell, replaced).toUtf8();
                worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), utf8.constData(), nullptr);
            }
        }
        errno = 0;
        const lxw_error closed = workbook_close(book);
        const int systemError = errno;
        libraryLines.lines();
        if (closed != LXW_NO_ERROR)
            throw XlsError(
                systemError != 0
                    ? writeFailureText(target, systemError)
                    : QStringLiteral(u"无法写入文件 %1：%2").arg(target, QString::fromUtf8(lxw_strerror(closed))));
        out.commit();
    } catch (const FileError &error) {
        throw XlsError(error.text());
    }
    return replaced;
}
