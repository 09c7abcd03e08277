#include "xls/xlsx_writer.h"

#include "common/safe_file.h"
#include "xls/xls_writer.h"

#include <QFile>
#include <xlsxwriter.h>

void saveXlsx(const QString &target, const QString &sheetName, const TextRows &rows)
{
    if (rows.width() > xlsx::kMaxColumns)
        throw XlsError(QStringLiteral(u"列数超过 Excel 工作表的上限（%1 列）").arg(xlsx::kMaxColumns));
    if (rows.rowCount() > xlsx::kMaxRows)
        throw XlsError(QStringLiteral(u"行数超过 Excel 工作表的上限（%1 行）").arg(xlsx::kMaxRows));
    try {
        SafeFile out(target);
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
                utf8 = cell.toUtf8();
                worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), utf8.constData(), nullptr);
            }
        }
        const lxw_error closed = workbook_close(book);
        if (closed != LXW_NO_ERROR)
            throw XlsError(QStringLiteral(u"无法写入文件 %1：%2").arg(target, QString::fromUtf8(lxw_strerror(closed))));
        out.commit();
    } catch (const FileError &error) {
        throw XlsError(error.text());
    }
}
