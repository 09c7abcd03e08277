#include "xls/export.h"

#include "store/dataset.h"
#include "xls/xls_writer.h"

void exportDataset(Dataset &list, const QString &target)
{
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
    saveXls(target, QStringLiteral("Sheet1"), rows);
}
