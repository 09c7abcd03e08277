#pragma once
// A worksheet as the import reads it: the first used row as headings and
// every following row as a record, each cell as the text the user sees.
// The readers of the workbook formats fill a SheetGrid cell by cell.

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

struct Sheet {
    QStringList headings;
    std::vector<QStringList> rows; // each as wide as the headings
};

class SheetGrid {
public:
    // Sheets hold at most this many rows and columns (.xlsx limits).
    static constexpr int kMaxRows = 1048576;
    static constexpr int kMaxColumns = 16384;
    // The headings may stand under a title row, within this many used rows.
    static constexpr int kHeadingRows = 5;
    // The most characters a cell holds (Excel's limit).
    static constexpr int kMaxCellChars = 32767;
    // At most this many cells are filled from merged areas.
    static constexpr qint64 kMaxMergedFills = 20'000'000;

    // Sets a cell (0-based); cells outside the limits are ignored. Throws
    // WorkbookError for a text longer than a cell holds.
    void set(int row, int column, QString text);
    // Every cell of a merged area reads as its top-left cell.
    void merge(int firstRow, int lastRow, int firstColumn, int lastColumn);
    // The sheet: headings from the first row holding text (or, under a
    // title row of one cell, the first row of the first five filling two
    // cells or more), then the rows below it; wholly empty rows are left out. Only the columns that have
    // a heading are kept (in their order), so a stray cell far to the right
    // costs nothing.
    Sheet finish();

private:
    std::vector<QStringList> m_rows;
    struct Area {
        int firstRow, lastRow, firstColumn, lastColumn;
    };
    std::vector<Area> m_merged;
    int m_width = 0;
};

// A sheet as bytes, for the reader process to hand over: every text as its
// length and its UTF-16 code units, in this machine's byte order. Written
// row by row; false when the device fails.
bool writeEncodedSheet(QIODevice &out, const Sheet &sheet);
// Reads encodeSheet's bytes: the headings, the row count, then row by row
// as views into the bytes (no copies). Each call returns false when the
// bytes are not whole.
class EncodedSheetReader {
public:
    explicit EncodedSheetReader(const QByteArray &bytes)
        : m_p(bytes.constData()), m_end(bytes.constData() + bytes.size())
    {
    }
    bool headings(QStringList &texts);
    bool rowCount(quint32 &rows);
    bool nextRow(std::vector<QStringView> &cells);
    bool atEnd() const { return m_p == m_end; }

private:
    bool u32(quint32 &value);
    const char *m_p;
    const char *m_end;
};
