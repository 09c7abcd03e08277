#pragma once
// A worksheet as the import reads it: the first used row as headings and
// every following row as a record, each cell as the text the user sees.
// The readers of the workbook formats fill a SheetGrid cell by cell.

#include <QString>
#include <QStringList>
#include <vector>

struct Sheet {
    QStringList headings;
    std::vector<QStringList> rows; // each as wide as the widest row
};

class SheetGrid {
public:
    // Sheets hold at most this many rows and columns (.xlsx limits).
    static constexpr int kMaxRows = 1048576;
    static constexpr int kMaxColumns = 16384;

    // Sets a cell (0-based); cells outside the limits are ignored.
    void set(int row, int column, QString text);
    // Every cell of a merged area reads as its top-left cell.
    void merge(int firstRow, int lastRow, int firstColumn, int lastColumn);
    // The sheet: headings from the first row holding text, then the rows
    // below it; wholly empty rows are left out.
    Sheet finish();

private:
    std::vector<QStringList> m_rows;
    struct Area {
        int firstRow, lastRow, firstColumn, lastColumn;
    };
    std::vector<Area> m_merged;
    int m_width = 0;
};
