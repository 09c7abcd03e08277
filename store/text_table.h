#pragma once
// Rows of texts of one width held in one buffer: a long list of records
// (a workbook's recipients on their way into the database) without an
// allocation per cell.

#include <QString>
#include <QStringList>
#include <QStringView>
#include <algorithm>
#include <vector>

// Rows of texts to write out, from wherever they are kept.
class TextRows {
public:
    virtual ~TextRows() = default;
    virtual int width() const = 0;
    virtual qsizetype rowCount() const = 0;
    // Valid while the rows are not changed.
    virtual QStringView cell(qsizetype row, int column) const = 0;
};

class TextTable : public TextRows {
public:
    explicit TextTable(int width = 0) : m_width(width) {}

    int width() const override { return m_width; }
    qsizetype rowCount() const override { return m_width == 0 ? m_emptyRows : qsizetype(m_ends.size()) / m_width; }

    // Appends the cells of one row, one call per column in order.
    void appendCell(QStringView text)
    {
        if (m_width == 0)
            return;
        m_text.append(text);
        m_ends.push_back(m_text.size());
    }
    // Keeps the first rows rows (dropping a row just appended, say).
    void truncate(qsizetype rows)
    {
        const size_t cells = size_t(rows) * size_t(m_width);
        if (cells >= m_ends.size())
            return;
        m_ends.resize(cells);
        m_text.truncate(cells == 0 ? 0 : m_ends.back());
    }
    void reserve(qsizetype rows, qsizetype chars)
    {
        m_ends.reserve(size_t(rows * m_width));
        m_text.reserve(chars);
    }

    QStringView cell(qsizetype row, int column) const override
    {
        const size_t at = size_t(row) * size_t(m_width) + size_t(column);
        const qsizetype start = at == 0 ? 0 : m_ends[at - 1];
        return QStringView(m_text).mid(start, m_ends[at] - start);
    }
    // A table of rows of any widths, padded with empty cells.
    static TextTable fromRows(const std::vector<QStringList> &rows)
    {
        int width = 0;
        for (const QStringList &row : rows)
            width = std::max(width, int(row.size()));
        TextTable table(width);
        if (width == 0)
            table.m_emptyRows = qsizetype(rows.size());
        for (const QStringList &row : rows)
            for (int c = 0; c < width; ++c)
                table.appendCell(c < row.size() ? QStringView(row[c]) : QStringView());
        return table;
    }

private:
    int m_width;
    qsizetype m_emptyRows = 0; // rows of a table without columns
    QString m_text;
    std::vector<qsizetype> m_ends; // where each cell's text ends, row by row
};
