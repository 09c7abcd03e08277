#pragma once
// Reading a select straight from SQLite, under the connection's Qt driver:
// the fast path for long lists, with each row's texts handed over as UTF-8
// without per-cell QVariant copies.

#include <QStringList>
#include <functional>

class Connection;

struct SelectedRow {
    qint64 rowid;           // the first selected column
    const char *const *texts; // the other columns, UTF-8 (nullptr for NULL)
    const int *lengths;       // their lengths in bytes
    int count;                // how many texts
};

// Runs sql with its text parameters; returns the column names after the
// rowid. Throws DbError.
QStringList selectRows(Connection &connection, const QString &sql, const QStringList &params,
                       const std::function<void(const SelectedRow &row)> &onRow);
