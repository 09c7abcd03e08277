#pragma once
// A snapshot of one SELECT over a connection, with a current row and the
// record operations the windows use: read a column by name, edit and post,
// append, delete the current row, step through the rows, counts, column
// names. Rows are identified by their key (SQLite's rowid, or the shared
// server's rowid column), which is never shown as a column. A row changed
// or deleted elsewhere since the snapshot is never written over: modifying
// or deleting it is refused.
// Changes posted through another connection show after reopening.

#include "store/statements.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVarLengthArray>
#include <functional>
#include <map>
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
    const Select &statement() const { return m_select; }

    // Runs the statement (opening the connection if needed); the first row
    // becomes current. Throws DbError.
    void open();
    void close();
    bool isOpen() const { return m_state != State::Closed; }
    State state() const { return m_state; }

    // Rows and columns.
    int rowCount() const { return int(m_rows.size()); }
    int columnCount() const { return int(m_columns.size()); }
    const QStringList &columnNames() const { return m_columns; }
    int columnIndex(const QString &column) const { return m_columnIndex.value(column, -1); }
    QString valueAt(int row, int column) const;
    // The same text without a copy; valid until the dataset changes.
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

    Connection &m_connection;
    QString m_name;
    Select m_select;
    State m_state = State::Closed;
    QStringList m_columns;
    QHash<QString, int> m_columnIndex;
    std::vector<Row> m_rows;
    int m_current = -1;
    bool m_eof = true;
    std::map<int, QString> m_buffer; // column index -> text set since edit()/append()
};
