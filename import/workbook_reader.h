#pragma once
// Reading the recipient sheet of a workbook: an Excel 97-2003 workbook
// (.xls, BIFF8), an Excel workbook (.xlsx) or a .csv file, told apart by
// their content. The worksheet is found by its name (letter case ignored;
// a .csv file is its own sheet), its first used row gives the headings and
// every following row is a record, each cell as the text an office user
// sees in the spreadsheet. Other formats (.ods, .xlsb, Excel 95, a web page
// saved as .xls, a password-protected workbook) fail with a message saying
// what the file is and which formats are read.

#include "common/error.h"
#include "import/sheet_grid.h"
#include "store/text_table.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

// A workbook that cannot be read as asked; the text says why.
class WorkbookError : public AppError {
public:
    using AppError::AppError;
};

// Told how far the reading is: done of total.
using ReadProgress = std::function<void(qsizetype done, qsizetype total)>;

enum class WorkbookKind { Xls, Xlsx, Csv };

// The kind of workbook at path, by its content (separated text saved with
// an .xls name is read as a .csv file). Throws WorkbookError for a missing
// or unreadable file and for every format that is not read.
WorkbookKind workbookKindOf(const QString &path);

// The file dialog's filter for the workbooks read ("Label (*.ext)" entries
// joined by ";;"): every format read first, then one entry per format,
// then every file.
QString workbookFileFilter();

// Reads the worksheet named sheetName, handing its headings and then its
// rows to sink; throws WorkbookError.
void readSheet(const QString &path, const QString &sheetName, const SheetSink &sink, const ReadProgress &progress = {});
// The same, held whole.
Sheet readSheet(const QString &path, const QString &sheetName, const ReadProgress &progress = {});

// A heading as the user reads it: without line breaks and invisible
// characters (zero-width spaces, byte-order marks), blanks trimmed.
QString headingAsSeen(const QString &heading);

// "No sheet named Sheet1 (there are: …)", and how to rename one.
QString noSuchSheetText(const QString &sheetName, const QStringList &names);

// How the records are made from a sheet's rows, chosen once its headings
// are known (the exact headings below; the recipients' recognised ones in
// import/recipient_shape.h).
class RecordShape {
public:
    virtual ~RecordShape() = default;
    // Called with the sheet's headings before any row; throws
    // WorkbookError when the sheet cannot give the records.
    virtual void plan(const QStringList &headings) = 0;
    virtual int width() const = 0;
    // Appends the record of a row (its cells as on the sheet, count of
    // them) unless the record would be empty.
    virtual void append(TextTable &records, const QStringView *cells, qsizetype count) const = 0;
};

// The records of a sheet as shape makes them.
TextTable recordsOf(const Sheet &sheet, RecordShape &shape);

// The values under the given headings, one row per record with the
// columns in the order given; headings compare as headingAsSeen gives them, their
// order on the sheet is free and other columns are ignored. A row whose
// values under these headings are all empty is no record. Throws
// WorkbookError when a heading is missing.
TextTable recordsByHeading(const Sheet &sheet, const QStringList &columns);

// A worksheet read in a separate process (the waybill-xls-reader program
// beside this one) with a time limit, so that a damaged workbook that
// crashes or hangs the reader only fails the read. The event loop keeps
// running while it reads, and progress is told as the helper reads. Reads
// in this process when the helper is not installed. The helper hands the
// rows over through a file, and they are read back from it a batch at a
// time: a long sheet is never held whole. Throws WorkbookError.
class IsolatedSheet {
public:
    IsolatedSheet(const QString &path, const QString &sheetName, const ReadProgress &progress = {});
    ~IsolatedSheet();
    const QStringList &headings() const;
    // The rows under the headings.
    qsizetype rowCount() const;
    // The records of the rows as shape (planned on headings()) makes
    // them, handed to onBatch at most batchRows at a time with how many
    // rows are read so far. Throws WorkbookError.
    using Batch = std::function<void(TextTable &records, qsizetype rowsRead)>;
    void readRecords(const RecordShape &shape, qsizetype batchRows, const Batch &onBatch);

private:
    struct Rows;
    std::unique_ptr<Rows> m_rows;
};

// The records of a worksheet as recordsByHeading gives them, read whole
// through an IsolatedSheet.
TextTable readRecordsIsolated(const QString &path, const QString &sheetName, const QStringList &columns,
                              const ReadProgress &progress = {});
// The same, the records as shape makes them.
TextTable readRecordsIsolated(const QString &path, const QString &sheetName, RecordShape &shape,
                              const ReadProgress &progress = {});

// Removes the sheets killed imports of this user left in the temporary
// folder (recipients' data): those no running import holds.
void cleanReaderLeftovers();

// How long the helper may read before it is stopped, in milliseconds.
constexpr int kReadLimitMs = 120000;
