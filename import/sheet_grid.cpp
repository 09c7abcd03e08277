#include "import/sheet_grid.h"

#include "import/workbook_reader.h"

#include <algorithm>
#include <cstring>
#include <tuple>

namespace {

[[noreturn]] void tooLong(int row, int column, qsizetype chars)
{
    // No recipient's text is longer than a spreadsheet cell holds; a longer
    // one is damage, and would fail much later, in printing.
    throw WorkbookError(
        QStringLiteral(u"第 %1 行第 %2 列的内容有 %3 个字符，超过单元格的上限（%4 个字符）；文件可能已损坏")
            .arg(row + 1)
            .arg(column + 1)
            .arg(chars)
            .arg(SheetGrid::kMaxCellChars));
}

bool inside(int row, int column)
{
    return row >= 0 && row < SheetGrid::kMaxRows && column >= 0 && column < SheetGrid::kMaxColumns;
}

} // namespace

void SheetGrid::before(int row, int column)
{
    if (m_lastColumn >= 0) {
        if (quint32(row) < m_lastRow || (quint32(row) == m_lastRow && column <= m_lastColumn)) {
            if (m_streaming)
                throw SheetNeedsWholeGrid();
            m_inOrder = false;
        } else if (m_streaming && quint32(row) > m_lastRow) {
            rowDone();
        }
    }
    m_lastRow = quint32(row);
    m_lastColumn = column;
    m_width = std::max(m_width, column + 1);
}

size_t SheetGrid::rowEnd(const std::vector<Cell> &cells, size_t from)
{
    size_t to = from;
    while (to < cells.size() && cells[to].row == cells[from].row)
        ++to;
    return to;
}

void SheetGrid::rowDone()
{
    // Before the headings are known every row is kept (the first few); after
    // that only the row being read.
    if (m_headingsTold)
        handOn(0, m_cells.size());
    else if (!decideHeadings(false))
        return;
    m_cells.clear();
    m_texts.clear();
}

bool SheetGrid::decideHeadings(bool atEnd)
{
    // As finishWhole() chooses the heading row: the first used row, or under
    // a title of one cell the first of the next used rows within the first
    // kHeadingRows that fills two cells or more.
    size_t start = 0;
    size_t end = rowEnd(m_cells, 0);
    if (end < 2) {
        int used = 1;
        bool found = false;
        for (size_t next = end; next < m_cells.size() && used < kHeadingRows;) {
            const size_t nextEnd = rowEnd(m_cells, next);
            ++used;
            if (nextEnd - next >= 2) {
                start = next;
                end = nextEnd;
                found = true;
                break;
            }
            next = nextEnd;
        }
        if (!found && !atEnd && used < kHeadingRows)
            return false; // a row still to come may hold the headings
    }
    m_headingRow = m_cells[start].row;
    QStringList shown;
    m_keptAt.assign(size_t(m_cells[end - 1].column) + 1, -1);
    for (size_t i = start; i < end; ++i) {
        m_keptAt[m_cells[i].column] = int(shown.size());
        shown << textOf(m_cells[i]).toString();
    }
    m_sink.headings(shown);
    m_headingsTold = true;
    m_row.resize(size_t(shown.size()));
    handOn(end, m_cells.size());
    return true;
}

void SheetGrid::handOn(size_t from, size_t to)
{
    // Each used row below the headings that holds something under one.
    while (from < to) {
        const size_t end = rowEnd(m_cells, from);
        if (m_cells[from].row > m_headingRow) {
            std::fill(m_row.begin(), m_row.end(), QStringView());
            bool any = false;
            for (size_t i = from; i < end; ++i)
                if (const Cell &cell = m_cells[i]; cell.column < m_keptAt.size() && m_keptAt[cell.column] >= 0) {
                    m_row[size_t(m_keptAt[cell.column])] = textOf(cell);
                    any = true;
                }
            if (any)
                m_sink.row(m_row.data(), qsizetype(m_row.size()));
        }
        from = end;
    }
}

void SheetGrid::finish()
{
    if (!m_streaming) {
        finishWhole();
        return;
    }
    if (m_cells.empty() && !m_headingsTold) {
        m_sink.headings({});
        return;
    }
    // A merged area over the headings or the rows below changes what they
    // read: that takes the whole grid. One above them (a title) does not.
    if (!m_cells.empty()) {
        if (!m_headingsTold)
            decideHeadings(true);
        else
            handOn(0, m_cells.size());
    }
    for (const Area &area : m_merged)
        if (area.lastRow >= int(m_headingRow))
            throw SheetNeedsWholeGrid();
    m_cells.clear();
}

void SheetGrid::set(int row, int column, QStringView text)
{
    if (!inside(row, column) || text.isEmpty())
        return;
    if (text.size() > kMaxCellChars)
        tooLong(row, column, text.size());
    before(row, column);
    m_cells.push_back({quint32(row), quint16(column), 0, m_texts.add(text)});
}

void SheetGrid::setShared(int row, int column, quint32 index)
{
    if (!inside(row, column) || !m_shared)
        return;
    const qsizetype chars = m_shared->at(index).size();
    if (chars == 0)
        return;
    if (chars > kMaxCellChars)
        tooLong(row, column, chars);
    before(row, column);
    m_cells.push_back({quint32(row), quint16(column), 1, index});
}

QStringView SheetGrid::textOf(const Cell &cell) const
{
    return cell.shared ? m_shared->at(cell.text) : m_texts.at(cell.text);
}

void SheetGrid::merge(int firstRow, int lastRow, int firstColumn, int lastColumn)
{
    if (firstRow < 0 || firstColumn < 0 || lastRow < firstRow || lastColumn < firstColumn)
        return;
    // A damaged file may claim a huge area; only cells that exist are filled.
    m_merged.push_back({firstRow, std::min(lastRow, kMaxRows - 1), firstColumn, std::min(lastColumn, kMaxColumns - 1)});
}

void SheetGrid::finishWhole()
{
    const SheetSink &sink = m_sink;
    // Row by row, left to right; of two texts for one cell the later.
    if (!m_inOrder) {
        std::stable_sort(m_cells.begin(), m_cells.end(), [](const Cell &a, const Cell &b) {
            return std::tie(a.row, a.column) < std::tie(b.row, b.column);
        });
        size_t kept = 0;
        for (size_t i = 0; i < m_cells.size(); ++i) {
            if (kept > 0 && m_cells[kept - 1].row == m_cells[i].row && m_cells[kept - 1].column == m_cells[i].column)
                m_cells[kept - 1] = m_cells[i];
            else
                m_cells[kept++] = m_cells[i];
        }
        m_cells.resize(kept);
    }
    if (m_cells.empty()) {
        sink.headings({});
        return;
    }
    // Where each used row's cells start in m_cells.
    const auto rowEnd = [&](size_t from) {
        size_t to = from;
        while (to < m_cells.size() && m_cells[to].row == m_cells[from].row)
            ++to;
        return to;
    };
    size_t headingStart = 0;
    size_t headingEnd = rowEnd(0);
    // A title above the headings ("订单列表", one cell, or merged across
    // from one cell): the headings are the first of the next used rows,
    // within the first kHeadingRows, that fills two cells or more.
    if (headingEnd - headingStart < 2) {
        int used = 1;
        for (size_t start = headingEnd; start < m_cells.size() && used < kHeadingRows;) {
            const size_t end = rowEnd(start);
            ++used;
            if (end - start >= 2) {
                headingStart = start;
                headingEnd = end;
                break;
            }
            start = end;
        }
    }
    const quint32 headingRow = m_cells[headingStart].row;

    // The heading row as the user sees it (merged headings spread over
    // their columns). The first row holding text is the heading row, so an
    // area covering it with text starts in it.
    QStringList headings;
    for (size_t i = headingStart; i < headingEnd; ++i) {
        if (headings.size() <= m_cells[i].column)
            headings.resize(m_cells[i].column + 1);
        headings[m_cells[i].column] = textOf(m_cells[i]).toString();
    }
    // A merged area reads as its top-left cell in every cell it covers
    // (in the heading row as the spread headings make it).
    const auto topLeft = [&](const Area &area) -> QStringView {
        if (quint32(area.firstRow) == headingRow)
            return area.firstColumn < headings.size() ? QStringView(headings[area.firstColumn]) : QStringView();
        if (area.firstRow >= kMaxRows || area.firstColumn >= kMaxColumns)
            return {};
        const Cell key{quint32(area.firstRow), quint16(area.firstColumn), 0, 0};
        const auto at = std::lower_bound(m_cells.cbegin(), m_cells.cend(), key, [](const Cell &a, const Cell &b) {
            return std::tie(a.row, a.column) < std::tie(b.row, b.column);
        });
        return at != m_cells.cend() && at->row == key.row && at->column == key.column ? textOf(*at) : QStringView();
    };
    for (const Area &area : m_merged)
        if (quint32(area.firstRow) == headingRow)
            if (const QString text = topLeft(area).toString(); !text.isEmpty()) {
                const int last = std::min(area.lastColumn, m_width - 1);
                if (headings.size() <= last)
                    headings.resize(last + 1);
                for (int column = area.firstColumn + 1; column <= last; ++column)
                    headings[column] = text;
            }

    // Only the columns with a heading can matter: a stray cell far to the
    // right never widens every row.
    std::vector<int> kept;                        // sheet column of each kept column
    std::vector<int> keptAt(size_t(m_width), -1); // kept column of each sheet column
    QStringList shown;
    for (int column = 0; column < headings.size(); ++column)
        if (!headings[column].isEmpty()) {
            if (column < m_width)
                keptAt[size_t(column)] = int(kept.size());
            kept.push_back(column);
            shown << headings[column];
        }
    sink.headings(shown);

    // The rows below that hold something in a kept column.
    std::vector<quint32> dataRows;
    for (size_t start = headingEnd; start < m_cells.size();) {
        const size_t end = rowEnd(start);
        for (size_t i = start; i < end; ++i)
            if (keptAt[m_cells[i].column] >= 0) {
                dataRows.push_back(m_cells[i].row);
                break;
            }
        start = end;
    }

    // A merged area reaches only rows that hold something and columns that
    // are kept, each area once; the cells it fills are counted first, so
    // that a damaged file claiming huge or countless areas ends, and says
    // why, before any row is handed on.
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
    struct Fill {
        quint32 firstRow, lastRow; // the data rows it may reach
        size_t columnsFrom, columnsTo;
        QStringView value;
        const Area *area;
    };
    std::vector<Fill> fills;
    qint64 budget = kMaxMergedFills;
    for (const Area &area : m_merged) {
        if (area.lastRow <= int(headingRow))
            continue;
        const QStringView value = topLeft(area);
        const size_t columnsFrom =
            size_t(std::lower_bound(kept.cbegin(), kept.cend(), area.firstColumn) - kept.cbegin());
        const size_t columnsTo = size_t(std::upper_bound(kept.cbegin(), kept.cend(), area.lastColumn) - kept.cbegin());
        if (value.isEmpty() || columnsFrom == columnsTo)
            continue;
        const Fill fill{std::max(quint32(area.firstRow), headingRow + 1),
                        quint32(area.lastRow),
                        columnsFrom,
                        columnsTo,
                        value,
                        &area};
        const auto from = std::lower_bound(dataRows.cbegin(), dataRows.cend(), fill.firstRow);
        const auto to = std::upper_bound(from, dataRows.cend(), fill.lastRow);
        budget -= qint64(to - from) * qint64(columnsTo - columnsFrom);
        if (budget < 0)
            throw WorkbookError(QStringLiteral(u"工作簿已损坏：合并单元格太多"));
        if (from != to)
            fills.push_back(fill);
    }

    // Row by row: the row's own kept cells, then the areas over it in order.
    std::vector<QStringView> row(kept.size());
    std::vector<size_t> active; // indexes into fills, in their order
    size_t nextFill = 0;
    size_t start = headingEnd;
    for (const quint32 r : dataRows) {
        while (m_cells[start].row != r)
            start = rowEnd(start);
        const size_t end = rowEnd(start);
        std::fill(row.begin(), row.end(), QStringView());
        for (size_t i = start; i < end; ++i)
            if (const int at = keptAt[m_cells[i].column]; at >= 0)
                row[size_t(at)] = textOf(m_cells[i]);
        start = end;
        active.erase(std::remove_if(active.begin(), active.end(), [&](size_t f) { return fills[f].lastRow < r; }),
                     active.end());
        bool added = false;
        while (nextFill < fills.size() && fills[nextFill].firstRow <= r) {
            if (fills[nextFill].lastRow >= r) {
                active.push_back(nextFill);
                added = true;
            }
            ++nextFill;
        }
        if (added)
            std::sort(active.begin(), active.end());
        for (const size_t f : active) {
            const Fill &fill = fills[f];
            for (size_t column = fill.columnsFrom; column < fill.columnsTo; ++column)
                if (r != quint32(fill.area->firstRow) || kept[column] != fill.area->firstColumn)
                    row[column] = fill.value;
        }
        sink.row(row.data(), qsizetype(row.size()));
    }
    m_cells.clear();
}

namespace {

void appendU32(QByteArray &out, quint32 value)
{
    out.append(reinterpret_cast<const char *>(&value), 4);
}

void appendCells(QByteArray &out, const QStringView *cells, qsizetype count)
{
    appendU32(out, quint32(count));
    for (qsizetype i = 0; i < count; ++i) {
        appendU32(out, quint32(cells[i].size()));
        out.append(reinterpret_cast<const char *>(cells[i].utf16()), cells[i].size() * 2);
    }
}

} // namespace

bool EncodedSheetWriter::headings(const QStringList &texts)
{
    const std::vector<QStringView> cells(texts.cbegin(), texts.cend());
    appendCells(m_chunk, cells.data(), qsizetype(cells.size()));
    return flushIfFull();
}

bool EncodedSheetWriter::row(const QStringView *cells, qsizetype count)
{
    // Led by its size, so that the reader takes it whole from its buffer.
    const qsizetype sizeAt = m_chunk.size();
    appendU32(m_chunk, 0);
    appendCells(m_chunk, cells, count);
    const quint32 size = quint32(m_chunk.size() - sizeAt - 4);
    std::memcpy(m_chunk.data() + sizeAt, &size, 4);
    ++m_rows;
    return flushIfFull();
}

bool EncodedSheetWriter::flushIfFull()
{
    if (m_chunk.size() < (1 << 20))
        return m_ok;
    m_ok = m_ok && m_out.write(m_chunk) == m_chunk.size();
    m_chunk.clear();
    return m_ok;
}

bool EncodedSheetWriter::finish()
{
    // The end: a size no row has, then how many rows there are.
    appendU32(m_chunk, 0xFFFFFFFF);
    appendU32(m_chunk, m_rows);
    m_ok = m_ok && m_out.write(m_chunk) == m_chunk.size();
    m_chunk.clear();
    return m_ok;
}

bool writeEncodedSheet(QIODevice &out, const Sheet &sheet)
{
    EncodedSheetWriter writer(out);
    writer.headings(sheet.headings);
    std::vector<QStringView> cells;
    for (const QStringList &row : sheet.rows) {
        cells.assign(row.cbegin(), row.cend());
        writer.row(cells.data(), qsizetype(cells.size()));
    }
    return writer.finish();
}

bool EncodedSheetReader::need(qsizetype bytes)
{
    if (m_buffer.size() - m_at >= bytes)
        return true;
    m_buffer.remove(0, m_at);
    m_at = 0;
    const qsizetype wanted = std::max<qsizetype>(bytes, 256 << 10);
    const qsizetype before = m_buffer.size();
    m_buffer.resize(before + wanted);
    const qint64 got = m_in.read(m_buffer.data() + before, wanted);
    m_buffer.resize(before + std::max<qint64>(got, 0));
    return m_buffer.size() >= bytes;
}

bool EncodedSheetReader::u32(quint32 &value)
{
    if (!need(4))
        return false;
    std::memcpy(&value, m_buffer.constData() + m_at, 4);
    m_at += 4;
    return true;
}

bool EncodedSheetReader::cellsOf(const char *p, const char *end, std::vector<QStringView> &cells) const
{
    cells.clear();
    quint32 count = 0;
    if (end - p < 4)
        return false;
    std::memcpy(&count, p, 4);
    p += 4;
    if (count > quint32(SheetGrid::kMaxColumns))
        return false;
    for (quint32 i = 0; i < count; ++i) {
        quint32 length = 0;
        if (end - p < 4)
            return false;
        std::memcpy(&length, p, 4);
        p += 4;
        if (qint64(length) * 2 > end - p)
            return false;
        cells.emplace_back(reinterpret_cast<const char16_t *>(p), qsizetype(length));
        p += qsizetype(length) * 2;
    }
    return p == end;
}

bool EncodedSheetReader::headings(QStringList &texts)
{
    // The headings are no longer than their count and texts say.
    quint32 count = 0;
    if (!u32(count) || count > quint32(SheetGrid::kMaxColumns))
        return false;
    texts.clear();
    for (quint32 i = 0; i < count; ++i) {
        quint32 length = 0;
        if (!u32(length) || length > quint32(SheetGrid::kMaxCellChars) || !need(qsizetype(length) * 2))
            return false;
        texts << QString(reinterpret_cast<const QChar *>(m_buffer.constData() + m_at), qsizetype(length));
        m_at += qsizetype(length) * 2;
    }
    return true;
}

bool EncodedSheetReader::nextRow(std::vector<QStringView> &cells)
{
    quint32 size = 0;
    if (m_end || !u32(size))
        return false;
    if (size == 0xFFFFFFFF) {
        quint32 rows = 0;
        m_end = u32(rows) && rows == m_rows && !need(1);
        return false;
    }
    // A row holds at most every column's longest text.
    if (qint64(size) > (qint64(SheetGrid::kMaxColumns) + 1) * (qint64(SheetGrid::kMaxCellChars) * 2 + 4) || !need(size))
        return false;
    const char *p = m_buffer.constData() + m_at;
    m_at += size;
    ++m_rows;
    return cellsOf(p, p + size, cells);
}
