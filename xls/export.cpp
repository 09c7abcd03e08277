#include "xls/export.h"

#include "store/dataset.h"
#include "store/db_error.h"
#include "store/text_table.h"
#include "xls/xls_writer.h"
#include "xls/xlsx_writer.h"

#include <QFileInfo>

namespace {

// The heading row of column names, then the rows of the list: a copy, as
// the writers keep the views of the texts until the end, and the list
// reads its rows a window at a time.
TextTable listTable(const Dataset &list)
{
    TextTable table(list.columnCount());
    for (const QString &name : list.columnNames())
        table.appendCell(name);
    for (int row = 0; row < list.rowCount(); ++row)
        for (int column = 0; column < list.columnCount(); ++column)
            table.appendCell(list.viewAt(row, column));
    return table;
}

} // namespace

int exportDataset(Dataset &list, const QString &target)
{
    // A closed list (after a failed reopen) is a failure, never an empty file.
    if (!list.isOpen())
        throw DbError(
            QStringLiteral(u"%1：数据集未打开，不能导出。请先点“刷新”重新打开数据库。").arg(list.objectName()));
    // Every row of the list, from its first to its end.
    if (isXlsxName(target))
        return saveXlsx(target, QStringLiteral("Sheet1"), listTable(list));
    if (list.rowCount() + 1 > xls::kMaxRows)
        throw XlsError(QStringLiteral(u"Excel 97-2003 工作簿（.xls）最多只能存放 %1 位收件人，名单中有 %2 位；"
                                      u"请导出为 Excel 工作簿（文件名以 .xlsx 结尾）")
                           .arg(xls::kMaxRows - 1)
                           .arg(list.rowCount()));
    saveXls(target, QStringLiteral("Sheet1"), listTable(list));
    return 0;
}

QString replacedCharactersText(int replaced)
{
    return replaced == 0 ? QString() : QStringLiteral(u"有 %1 个字符 Excel 工作簿不能保存，已换成“�”。").arg(replaced);
}

QString exportFileName(const QString &chosen)
{
    // A folder ("list/") is no file name: nothing is added, and the write
    // says it is a folder.
    if (QFileInfo(chosen).fileName().isEmpty() || QFileInfo(chosen).isDir())
        return chosen;
    if (isXlsxName(chosen) || chosen.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive))
        return chosen;
    return chosen + QStringLiteral(".xls");
}

bool isXlsxName(const QString &target)
{
    return target.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive);
}
