#include "xls/export.h"

#include "store/dataset.h"
#include "store/db_error.h"
#include "xls/xls_writer.h"
#include "xls/xlsx_writer.h"

void exportDataset(Dataset &list, const QString &target)
{
    // A closed list (after a failed reopen) is a failure, never an empty file.
    if (!list.isOpen())
        throw DbError(QStringLiteral(u"%1：数据集未打开，不能导出。请先点“刷新”重新打开数据库。").arg(list.objectName()));
    std::vector<QStringList> rows;
    rows.reserve(size_t(list.rowCount()) + 1);
    rows.push_back(list.columnNames());
    list.first();
    while (!list.atEnd() && list.hasCurrent()) {
        QStringList row;
        row.reserve(list.columnCount());
        for (int column = 0; column < list.columnCount(); ++column)
            row << list.valueAt(list.currentRow(), column);
        rows.push_back(std::move(row));
        list.next();
    }
    if (isXlsxName(target)) {
        saveXlsx(target, QStringLiteral("Sheet1"), rows);
    } else {
        if (rows.size() > size_t(xls::kMaxRows))
            throw XlsError(QStringLiteral(u"Excel 97-2003 工作簿（.xls）最多只能存放 %1 位收件人，名单中有 %2 位；"
                                          u"请导出为 Excel 工作簿（文件名以 .xlsx 结尾）")
                               .arg(xls::kMaxRows - 1)
                               .arg(rows.size() - 1));
        saveXls(target, QStringLiteral("Sheet1"), rows);
    }
}

bool isXlsxName(const QString &target)
{
    return target.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive);
}
