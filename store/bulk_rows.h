#pragma once
// Reading and writing many rows straight through the store's own client
// library, under the connection's Qt driver (SQLite's API for data.mdb,
// libpq for a shared server): the fast path for long lists, with each
// row's texts handed over without per-cell QVariant copies.

#include "store/text_table.h"

#include <QStringDecoder>
#include <QStringList>
#include <functional>
#include <vector>

class Connection;

struct SelectedRow {
    qint64 rowid;             // the first selected column
    const char *const *texts; // the other columns, UTF-8 (nullptr for NULL)
    const int *lengths;       // their lengths in bytes
    int count;                // how many texts
};

// A decoder for SelectedRow's texts, one text at a time; a leading U+FEFF
// is part of a text, never dropped as a byte-order mark.
QStringDecoder storedTextDecoder();

// Runs sql (a select with the row key first, ? for parameters) with its
// text parameters; returns the column names after the key. Throws DbError.
QStringList selectRows(Connection &connection, const QString &sql, const QStringList &params,
                       const std::function<void(const SelectedRow &row)> &onRow);

// Runs sql, a count (? for text parameters), and returns its number. On
// data.mdb through a read-only connection of its own without the memory map
// and large cache of the file's connection, so that counting a long table
// leaves none of it in memory. Throws DbError.
qint64 countRows(Connection &connection, const QString &sql, const QStringList &params);

// Adds the rows (one text per column) to a table, inside the caller's
// transaction; progress is told the rows done now and then. Throws DbError.
void insertTextRows(Connection &connection, const QString &table, const QStringList &columns, const TextRows &rows,
                    const std::function<void(qsizetype done)> &progress = {});
