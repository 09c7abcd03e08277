#pragma once
// A worksheet as the import reads it: the first used row as headings and
// every following row as a record, each cell as the text the user sees.
// The readers of the workbook formats fill a SheetGrid cell by cell; it
// keeps every text in one buffer (a shared string only by its number), so
// that a sheet of a million cells costs its characters, not a string each,
// and hands the rows on one at a time.

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <vector>

struct Sheet {
    QStringList headings;
    std::vector<QStringList> rows; // each as wide as the headings
};

// Texts kept one after another in one buffer, each by its number.
class TextPool {
public:
    quint32 add(QStringView text)
    {
        m_text.append(text);
        m_ends.push_back(quint32(m_text.size()));
        return quint32(m_ends.size() - 1);
    }
    QStringView at(quint32 index) const
    {
        const quint32 start = index == 0 ? 0 : m_ends[index - 1];
        return QStringView(m_text).mid(start, m_ends[index] - start);
    }
    qsizetype size() const { return qsizetype(m_ends.size()); }
    void reserve(qsizetype texts) { m_ends.reserve(size_t(texts)); }
    // The buffer, for a text appended to it piece by piece; endText()
    // then makes the pieces since the last text one more text.
    QString &buffer() { return m_text; }
    quint32 endText()
    {
        m_ends.push_back(quint32(m_text.size()));
        return quint32(m_ends.size() - 1);
    }
    // Forgets every text, keeping the room they took.
    void clear()
    {
        m_text.resize(0);
        m_ends.clear();
    }

private:
    QString m_text;
    std::vector<quint32> m_ends;
};

// Told the headings (once, before any row) and then each row, as wide as
// the headings; the views are valid during the call.
struct SheetSink {
    std::function<void(const QStringList &headings)> headings;
    std::function<void(const QStringView *cells, qsizetype count)> row;
    // Given: forgets the rows handed on so far. Then readSheet() first
    // hands the rows on while the sheet is read, none of them held; when
    // the sheet turns out to need the whole grid (cells out of order,
    // merged areas reaching the headings or the rows), it discards them and
    // reads the sheet again, whole.
    std::function<void()> discard;
    // Set by readSheet() for the grid: hand rows on as they come, throwing
    // SheetNeedsWholeGrid when they cannot be.
    bool rowsAsTheyCome = false;
};
struct SheetNeedsWholeGrid {};

class SheetGrid {
public:
    // sink must outlive the grid.
    explicit SheetGrid(const SheetSink &sink) : m_sink(sink), m_streaming(sink.rowsAsTheyCome) {}

    // Sheets hold at most this many rows and columns (.xlsx limits).
    static constexpr int kMaxRows = 1048576;
    static constexpr int kMaxColumns = 16384;
    // The headings may stand under a title row, within this many used rows.
    static constexpr int kHeadingRows = 5;
    // The most characters a cell holds (Excel's limit).
    static constexpr int kMaxCellChars = 32767;
    // At most this many cells are filled from merged areas.
    static constexpr qint64 kMaxMergedFills = 20'000'000;

    // Sets a cell (0-based); cells outside the limits and empty texts are
    // ignored, a later text for the same cell replaces an earlier one.
    // Throws WorkbookError for a text longer than a cell holds.
    void set(int row, int column, QStringView text);
    // The strings cells may name by number (a workbook's shared strings);
    // they must outlive the grid.
    void setSharedStrings(const TextPool *strings) { m_shared = strings; }
    // Sets a cell to shared string index (which the caller has checked).
    void setShared(int row, int column, quint32 index);
    // Every cell of a merged area reads as its top-left cell.
    void merge(int firstRow, int lastRow, int firstColumn, int lastColumn);
    // The sheet: headings from the first row holding text (or, under a
    // title row of one cell, the first row of the first five filling two
    // cells or more), then the rows below it; wholly empty rows are left out. Only the columns that have
    // a heading are kept (in their order), so a stray cell far to the right
    // costs nothing. An empty sheet tells no headings and no rows.
    void finish();

private:
    struct Cell {
        quint32 row;
        quint16 column;
        quint16 shared; // 1: text is an index into the shared strings
        quint32 text;   // index into m_texts or the shared strings
    };
    struct Area {
        int firstRow, lastRow, firstColumn, lastColumn;
    };
    QStringView textOf(const Cell &cell) const;
    // Called before a cell is kept: notes the order, hands a finished row on.
    void before(int row, int column);
    void finishWhole();
    // Rows as they come: each used row when the next starts.
    void rowDone();
    bool decideHeadings(bool atEnd);
    void handOn(size_t from, size_t to);
    static size_t rowEnd(const std::vector<Cell> &cells, size_t from);

    const SheetSink &m_sink;
    bool m_streaming;
    bool m_headingsTold = false;
    quint32 m_headingRow = 0;
    std::vector<int> m_keptAt;      // kept column of each sheet column (-1: none)
    std::vector<QStringView> m_row; // the row handed on
    quint32 m_lastRow = 0;          // of the cell set last
    int m_lastColumn = -1;

    std::vector<Cell> m_cells;
    TextPool m_texts;
    const TextPool *m_shared = nullptr;
    std::vector<Area> m_merged;
    bool m_inOrder = true; // cells were set row by row, left to right
    int m_width = 0;
};

// A sheet as bytes, for the reader process to hand over: the headings, then
// row by row each text as its length and its UTF-16 code units, in this
// machine's byte order (each row led by its size in bytes), then the
// number of rows. Written as the rows come; false when the device fails.
class EncodedSheetWriter {
public:
    explicit EncodedSheetWriter(QIODevice &out) : m_out(out) {}
    bool headings(const QStringList &texts);
    bool row(const QStringView *cells, qsizetype count);
    // Writes the end; false when any write failed.
    bool finish();
    // Forgets what was written, for the device to start again (emptied by
    // the caller).
    void restart()
    {
        m_chunk.clear();
        m_rows = 0;
    }

private:
    bool flushIfFull();
    QIODevice &m_out;
    QByteArray m_chunk;
    quint32 m_rows = 0;
    bool m_ok = true;
};
bool writeEncodedSheet(QIODevice &out, const Sheet &sheet);

// Reads EncodedSheetWriter's bytes from a device a piece at a time: the
// headings, then row by row as views into its buffer (valid until the next
// call). Each call returns false when the bytes are not whole.
class EncodedSheetReader {
public:
    explicit EncodedSheetReader(QIODevice &in) : m_in(in) {}
    bool headings(QStringList &texts);
    // Reads the next row into cells; false at the end (then atEnd() tells
    // whether the bytes ended as written) or when the bytes are damaged.
    bool nextRow(std::vector<QStringView> &cells);
    bool atEnd() const { return m_end; }
    quint32 rowsRead() const { return m_rows; }

private:
    bool need(qsizetype bytes);
    bool u32(quint32 &value);
    bool cellsOf(const char *p, const char *end, std::vector<QStringView> &cells) const;
    QIODevice &m_in;
    QByteArray m_buffer;
    qsizetype m_at = 0;
    quint32 m_rows = 0;
    bool m_end = false;
};
