#include "import/sheet_grid.h"

#include "import/workbook_reader.h"

#include <algorithm>
#include <cstring>
#include <tuple>

void SheetGrid::set(int row, int column, QString text)
{
    if (row < 0 || row >= kMaxRows || column < 0 || column >= kMaxColumns || text.isEmpty())
        return;
    // No recipient's text is longer than a spreadsheet cell holds; a longer
    // one is damage, and would fail much later, in printing.
    if (text.size() > kMaxCellChars)
        throw WorkbookError(
            QStringLiteral(u"第 %1 行第 %2 列的内容有 %3 个字符，超过单元格的上限（%4 个字符）；文件可能已损坏")
                .arg(row + 1)
                .arg(column + 1)
                .arg(text.size())
                .arg(kMaxCellChars));
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
    Sheet sheet;
    const auto isEmpty = [](const QStringList &cells) {
        return std::all_of(cells.cbegin(), cells.cend(), [](const QString &cell) { return cell.isEmpty(); });
    };
    size_t headingRow = 0;
    while (headingRow < m_rows.size() && isEmpty(m_rows[headingRow]))
        ++headingRow;
    if (headingRow == m_rows.size())
        return sheet;
    // A title above the headings ("订单列表", one cell, or merged across
    // from one cell): the headings are the first of the next used rows,
    // within the first kHeadingRows, that fills two cells or more.
    const auto filledCells = [](const QStringList &cells) {
        return std::count_if(cells.cbegin(), cells.cend(), [](const QString &cell) { return !cell.isEmpty(); });
    };
    if (filledCells(m_rows[headingRow]) < 2) {
        int used = 1;
        for (size_t row = headingRow + 1; row < m_rows.size() && used < kHeadingRows; ++row) {
            if (isEmpty(m_rows[row]))
                continue;
            ++used;
            if (filledCells(m_rows[row]) >= 2) {
                headingRow = row;
                break;
            }
        }
    }

    // A merged area reads as its top-left cell in every cell it covers.
    const auto topLeft = [&](const Area &area) -> const QString * {
        if (size_t(area.firstRow) >= m_rows.size() || area.firstColumn >= m_rows[size_t(area.firstRow)].size())
            return nullptr;
        const QString &value = m_rows[size_t(area.firstRow)][area.firstColumn];
        return value.isEmpty() ? nullptr : &value;
    };
    // The heading row as the user sees it (merged headings spread over
    // their columns). The first row holding text is the heading row, so an
    // area covering it with text starts in it.
    QStringList &headings = m_rows[headingRow];
    for (const Area &area : m_merged)
        if (size_t(area.firstRow) == headingRow)
            if (const QString *value = topLeft(area)) {
                const QString text = *value;
                const int last = std::min(area.lastColumn, m_width - 1);
                if (headings.size() <= last)
                    headings.resize(last + 1);
                for (int column = area.firstColumn + 1; column <= last; ++column)
                    headings[column] = text;
            }

    // Only the columns with a heading can matter: a stray cell far to the
    // right never widens every row.
    std::vector<int> kept; // sheet column of each kept column
    for (int column = 0; column < headings.size(); ++column)
        if (!headings[column].isEmpty()) {
            kept.push_back(column);
            sheet.headings << headings[column];
        }

    // The rows below, narrowed to the kept columns, merged areas filled in.
    std::vector<QStringList> rows(m_rows.size() > headingRow ? m_rows.size() - headingRow - 1 : 0);
    for (size_t row = headingRow + 1; row < m_rows.size(); ++row) {
        const QStringList &cells = m_rows[row];
        QStringList &narrow = rows[row - headingRow - 1];
        for (size_t i = 0; i < kept.size(); ++i)
            if (kept[i] < cells.size() && !cells[kept[i]].isEmpty()) {
                if (narrow.isEmpty())
                    narrow.resize(qsizetype(kept.size()));
                narrow[qsizetype(i)] = cells[kept[i]];
            }
    }
    // A merged area reaches only rows that hold something and columns that
    // are kept, each area once; the cells it fills are counted, so that a
    // damaged file claiming huge or countless areas ends, and says why.
    std::vector<size_t> dataRows; // indexes into rows
    for (size_t i = 0; i < rows.size(); ++i)
        if (!rows[i].isEmpty())
            dataRows.push_back(i);
    std::sort(m_merged.begin(), m_merged.end(), [](const Area &a, const Area &b) {
        return std::tie(a.firstRow, a.lastRow, a.firstColumn, a.lastColumn)
            < std::tie(b.firstRow, b.lastRow, b.firstColumn, b.lastColumn);
    });
    m_merged.erase(std::unique(m_merged.begin(), m_merged.end(),
                               [](const Area &a, const Area &b) {
                                   return a.firstRow == b.firstRow && a.lastRow == b.lastRow
                                       && a.firstColumn == b.firstColumn && a.lastColumn == b.lastColumn;
                               }),
                   m_merged.end());
    qint64 budget = kMaxMergedFills;
    for (const Area &area : m_merged) {
        const QString *value = topLeft(area);
        if (!value)
            continue;
        const size_t firstRow = size_t(std::max(area.firstRow, int(headingRow) + 1)) - headingRow - 1;
        const size_t lastRow = size_t(std::max(area.lastRow, int(headingRow))) - headingRow - 1;
        const auto columnsFrom = std::lower_bound(kept.cbegin(), kept.cend(), area.firstColumn);
        const auto columnsTo = std::upper_bound(kept.cbegin(), kept.cend(), area.lastColumn);
        if (area.lastRow <= int(headingRow) || columnsFrom == columnsTo)
            continue;
        for (auto row = std::lower_bound(dataRows.cbegin(), dataRows.cend(), firstRow);
             row != dataRows.cend() && *row <= lastRow; ++row) {
            budget -= columnsTo - columnsFrom;
            if (budget < 0)
                throw WorkbookError(QStringLiteral(u"工作簿已损坏：合并单元格太多"));
            for (auto column = columnsFrom; column != columnsTo; ++column)
                if (*row + headingRow + 1 != size_t(area.firstRow) || *column != area.firstColumn)
                    rows[*row][qsizetype(column - kept.cbegin())] = *value;
        }
    }
    m_rows.clear();
    for (QStringList &row : rows)
        if (!row.isEmpty() && !isEmpty(row))
            sheet.rows.push_back(std::move(row));
    return sheet;
}

namespace {

void appendList(QByteArray &out, const QStringList &texts)
{
    const quint32 count = quint32(texts.size());
    out.append(reinterpret_cast<const char *>(&count), 4);
    for (const QString &text : texts) {
        const quint32 length = quint32(text.size());
        out.append(reinterpret_cast<const char *>(&length), 4);
        out.append(reinterpret_cast<const char *>(text.utf16()), qsizetype(length) * 2);
    }
}

} // namespace

bool writeEncodedSheet(QIODevice &out, const Sheet &sheet)
{
    QByteArray chunk;
    const auto flush = [&] {
        const bool ok = out.write(chunk) == chunk.size();
        chunk.clear();
        return ok;
    };
    appendList(chunk, sheet.headings);
    const quint32 rows = quint32(sheet.rows.size());
    chunk.append(reinterpret_cast<const char *>(&rows), 4);
    for (const QStringList &row : sheet.rows) {
        appendList(chunk, row);
        if (chunk.size() > (1 << 20) && !flush())
            return false;
    }
    return flush();
}

bool EncodedSheetReader::u32(quint32 &value)
{
    if (m_end - m_p < 4)
        return false;
    std::memcpy(&value, m_p, 4);
    m_p += 4;
    return true;
}

bool EncodedSheetReader::nextRow(std::vector<QStringView> &cells)
{
    cells.clear();
    quint32 count = 0;
    if (!u32(count) || count > quint32(SheetGrid::kMaxColumns))
        return false;
    for (quint32 i = 0; i < count; ++i) {
        quint32 length = 0;
        if (!u32(length) || qint64(length) * 2 > m_end - m_p)
            return false;
        cells.emplace_back(reinterpret_cast<const char16_t *>(m_p), qsizetype(length));
        m_p += qsizetype(length) * 2;
    }
    return true;
}

bool EncodedSheetReader::headings(QStringList &texts)
{
    std::vector<QStringView> cells;
    if (!nextRow(cells))
        return false;
    for (QStringView cell : cells)
        texts << cell.toString();
    return true;
}

bool EncodedSheetReader::rowCount(quint32 &rows)
{
    return u32(rows) && rows <= quint32(SheetGrid::kMaxRows);
}
