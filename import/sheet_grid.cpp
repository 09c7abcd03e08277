#include "import/sheet_grid.h"

#include <algorithm>

void SheetGrid::set(int row, int column, QString text)
{
    if (row < 0 || row >= kMaxRows || column < 0 || column >= kMaxColumns || text.isEmpty())
        return;
    if (size_t(row) >= m_rows.size())
        m_rows.resize(size_t(row) + 1);
    QStringList &cells = m_rows[size_t(row)];
    if (column >= cells.size())
        cells.resize(column + 1);
    cells[column] = std::move(text);
    m_width = std::max(m_width, column + 1);
}

void SheetGrid::merge(int firstRow, int lastRow, int firstColumn, int lastColumn)
{
    if (firstRow < 0 || firstColumn < 0 || lastRow < firstRow || lastColumn < firstColumn)
        return;
    // A damaged file may claim a huge area; only cells that exist are filled.
    m_merged.push_back({firstRow, std::min(lastRow, kMaxRows - 1), firstColumn, std::min(lastColumn, kMaxColumns - 1)});
}

Sheet SheetGrid::finish()
{
    for (const Area &area : m_merged) {
        if (size_t(area.firstRow) >= m_rows.size() || area.firstColumn >= m_rows[size_t(area.firstRow)].size())
            continue;
        const QString value = m_rows[size_t(area.firstRow)][area.firstColumn];
        const int lastRow = std::min<int>(area.lastRow, int(m_rows.size()) - 1);
        const int lastColumn = std::min(area.lastColumn, m_width - 1);
        for (int row = area.firstRow; row <= lastRow; ++row)
            for (int column = area.firstColumn; column <= lastColumn; ++column)
                if (row != area.firstRow || column != area.firstColumn)
                    set(row, column, value);
    }
    Sheet sheet;
    size_t row = 0;
    const auto isEmpty = [](const QStringList &cells) {
        return std::all_of(cells.cbegin(), cells.cend(), [](const QString &cell) { return cell.isEmpty(); });
    };
    while (row < m_rows.size() && isEmpty(m_rows[row]))
        ++row;
    if (row == m_rows.size())
        return sheet;
    sheet.headings = std::move(m_rows[row]);
    sheet.headings.resize(m_width);
    for (++row; row < m_rows.size(); ++row) {
        if (isEmpty(m_rows[row]))
            continue;
        m_rows[row].resize(m_width);
        sheet.rows.push_back(std::move(m_rows[row]));
    }
    m_rows.clear();
    return sheet;
}
