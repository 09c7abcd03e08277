#pragma once
// A snapshot of one SELECT over a connection, with a current row and the
// record operations the windows use: read a column by name, edit and post,
// append, delete the current row, step through the rows, counts, column
// names. Rows are identified by their key (SQLite's rowid, or the shared
// server's rowid column), which is never shown as a column. A row changed
// or deleted elsewhere since the snapshot is never written over: modifying
// or deleting it is refused.
// The rows are read from the store a window at a time as they are asked
// for (in key order, SQLite's rowid order), never the whole list at once;
// the number of rows is counted only when asked for. The rows the select
// holds are those stored when it ran (keys up to the largest one then) and
// those this dataset appended since: rows added through another connection
// show after reopening, a row deleted elsewhere meanwhile may shift the
// rows not yet read by one.

#include "store/statements.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVarLengthArray>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <utility>
#include <vector>

class Connection;
class QStringDecoder;
struct SelectedRow;

class Dataset : public QObject {
    Q_OBJECT
public:
    enum class State { Closed, Browse, Edit, Insert };

    Dataset(Connection &connection, const QString &name, QObject *parent = nullptr);

    void setStatement(const Select &select);
    // How many rows one statement reads (256 unless set); set it before open().
    void setWindowRows(int rows) { m_windowRows = std::max(1, rows); }
    // The rows read from the store since open (for checking that a long
    // list is read only where it is used).
    qint64 rowsRead() const { return m_rowsRead; }
    const Select &statement() const { return m_select; }

    // Runs the statement (opening the connection if needed); the first row
    // becomes current. Throws DbError.
    void open();
    void close();
    bool isOpen() const { return m_state != State::Closed; }
    State state() const { return m_state; }

    // Rows and columns. rowCount counts the rows when they have not been
    // read to their end (one scan of the table); throws DbError.
    int rowCount() const;
    // The rows known to exist without counting: all of them once counted
    // or read to the end, else the rows read so far.
    int knownRowCount() const;
    bool allRowsKnown() const { return m_stored.has_value(); }
    // Whether the dataset holds no row (open reads the first window).
    bool isEmpty() const { return knownRowCount() == 0; }
    // Reads the window after the known rows (nothing once all are known);
    // rowsFound tells the new number. Throws DbError.
    void readMore();
    int columnCount() const { return int(m_columns.size()); }
    const QStringList &columnNames() const { return m_columns; }
    int columnIndex(const QString &column) const { return m_columnIndex.value(column, -1); }
    // Empty for a row or column there is not. Throws DbError when the row
    // cannot be read.
    QString valueAt(int row, int column) const;
    // The same text without a copy; valid until the dataset changes or
    // reads rows of another window.
    QStringView viewAt(int row, int column) const;
    // The text of a column of a row by name; throws DbError when the dataset
    // is closed or lacks the column.
    QString valueAt(int row, const QString &column) const;

    // SQLite's rowid of a row (-1 when there is no such row), and the row
    // holding a rowid (-1 when none does).
    qint64 rowidAt(int row) const;
    int rowOfRowid(qint64 rowid) const;

    // The current row: -1 when the dataset is empty or closed.
    int currentRow() const { return m_current; }
    bool hasCurrent() const { return m_current >= 0; }
    // True after next() on the last row, and on an empty dataset.
    bool atEnd() const { return m_eof; }
    void first();
    void last();
    void next();
    void moveTo(int row);

    // The text of a column of the current row (the edit buffer while editing).
    // Empty when there is no current row; throws DbError for an unknown column.
    QString value(const QString &column) const;

    // Edits the current row; on an empty dataset this starts a new row.
    void edit();
    // Starts a new row that post() adds at the end.
    void append();
    void setValue(const QString &column, const QString &text);
    // Writes the edit buffer; the new or changed row is current. On failure
    // the dataset stays in its editing state and DbError is thrown.
    void post();
    void cancel();
    // Deletes the current row; the next row becomes current, or the one
    // before it when the last row was deleted.
    void deleteCurrent();
    // Deletes every row the dataset holds (all of them or none, in one
    // transaction), as deleting the current row until none is left would.
    void deleteAll();

Q_SIGNALS:
    void reset();
    void aboutToInsertRow(int row);
    void rowInserted(int row);
    void aboutToRemoveRow(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void currentChanged(int row);
    // More rows are known to exist than were (read on or counted): total.
    void rowsFound(int total);

private:
    // One row's texts packed into one string, to keep a long list cheap to
    // build and to free: ends[i] is where column i's text ends.
    struct Row {
        qint64 rowid = 0;
        QString text;
        QVarLengthArray<int, 12> ends;

        QString value(int column) const;
        QStringView view(int column) const;
        void assign(const QStringList &values);
        QStringList values() const;
    };
    // Consecutive stored rows read in one statement.
    struct Window {
        std::vector<Row> rows;
        quint64 used = 0; // when last read from, for dropping the oldest
    };
    static constexpr size_t kKeptWindows = 8;
    // Below every key (one above the least integer, which PostgreSQL would
    // read as a wider type and then compare without the key's index).
    static constexpr qint64 kNoKey = std::numeric_limits<qint64>::min() + 1;

    // The row at an index (stored, read when needed, or appended);
    // nullptr when there is none. Throws DbError.
    const Row *rowPtr(int row) const;
    Row *rowPtr(int row) { return const_cast<Row *>(std::as_const(*this).rowPtr(row)); }
    const Window &window(int number) const;
    // Reads the rows of window number from the nearest row of known key.
    std::vector<Row> readWindow(int number) const;
    std::vector<Row> readRows(const WindowRead &read, QStringList *columns = nullptr) const;
    // Notes that rows up to known exist (all stored rows once counted);
    // tells rowsFound when more are known than before.
    void found(int known, int before) const;
    int storedCount() const;
    QStringList searchParams() const;
    // Forgets what was read of the stored rows from index row on (after a
    // row there was deleted).
    void forgetFrom(int row);
    void resetRows();

    int requireColumn(const QString &column) const;
    // The row's texts as the snapshot holds them, for a statement that only
    // writes a row nobody changed meanwhile.
    QVariantList snapshotParams(const Row &row) const;
    // Whether the row is stored as the snapshot read it.
    enum class Stored { Gone, Changed, AsRead };
    Stored storedState(const Row &row);
    // Runs write when the row is stored as read; throws DbError with the
    // text for a changed or a gone row otherwise.
    void writeIfAsRead(const Row &row, const std::function<void()> &write, const QString &changed, const QString &gone);
    static Row decodedRow(const SelectedRow &selected, QStringDecoder &decoder, QList<QChar> &scratch);
    void requireOpen(const char *operation) const;
    void setCurrent(int row);
    bool exists(int row) const { return rowPtr(row) != nullptr; }

    Connection &m_connection;
    QString m_name;
    Select m_select;
    State m_state = State::Closed;
    QStringList m_columns;
    QHash<QString, int> m_columnIndex;
    qint64 m_endKey = 0;                     // the stored rows have keys below this one
    mutable std::map<int, Window> m_windows; // by number: rows number * kWindowRows on
    mutable std::map<int, qint64> m_keys;    // index -> key of rows read (each window's first and last)
    mutable int m_known = 0;                 // stored rows known to exist
    mutable std::optional<int> m_stored;     // how many rows are stored, once known
    mutable quint64 m_clock = 0;
    mutable qint64 m_rowsRead = 0;
    int m_windowRows = 256;
    std::vector<Row> m_appended; // rows posted by append() since open, after the stored ones
    int m_current = -1;
    bool m_eof = true;
    std::map<int, QString> m_buffer; // column index -> text set since edit()/append()
};
