#include "xls/xlsx_writer.h"

#include "common/safe_file.h"
#include "xls/xls_writer.h"

#include <QFile>
#include <xlsxwriter.h>

void saveXlsx(const QString &target, const QString &sheetName, const std::vector<QStringList> &rows)
{
    if (rows.size() > size_t(xlsx::kMaxRows))
        throw XlsError(QStringLiteral(u"行数超过 Excel 工作表的上限（%1 行）").arg(xlsx::kMaxRows));
    try {
        SafeFile out(target);
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        lxw_workbook *book = workbook_new_opt(QFile::encodeName(out.tempPath()).constData(), &options);
        if (!book)
            throw XlsError(QStringLiteral(u"无法写入文件 %1").arg(target));
        lxw_worksheet *sheet = workbook_add_worksheet(book, sheetName.toUtf8().constData());
        for (size_t r = 0; r < rows.size(); ++r) {
            const QStringList &row = rows[r];
            if (row.size() > xlsx::kMaxColumns) {
                workbook_close(book);
                throw XlsError(QStringLiteral(u"列数超过 Excel 工作表的上限（%1 列）").arg(xlsx::kMaxColumns));
            }
            for (int c = 0; c < row.size(); ++c) {
                if (row[c].isEmpty())
                    continue;
                if (row[c].size() > xlsx::kMaxCellChars) {
                    workbook_close(book);
                    throw XlsError(QStringLiteral(u"第 %1 行第 %2 列的内容超过 Excel 单元格的上限（%3 个字符）")
                                       .arg(r + 1)
                                       .arg(c + 1)
                                       .arg(xlsx::kMaxCellChars));
                }
                worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), row[c].toUtf8().constData(), nullptr);
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
