#pragma once
// Every SQL statement the program issues is built here and nowhere else.
// Table and column names come from the fixed vocabulary of schema.h; texts
// typed by the user are always bound as parameters, never spliced in.

#include <QString>
#include <QStringList>

// What a dataset selects: a whole table, or the rows of a table whose column
// contains a search text (LIKE with % on both sides; % and _ typed by the
// user keep acting as wildcards, quotes are matched literally).
struct Select {
    QString table;
    QString likeColumn; // empty: the whole table
    QString likeText;   // the search text as typed

    static Select all(const QString &table) { return {table, {}, {}}; }
    static Select search(const QString &table, const QString &column, const QString &text)
    {
        return {table, column, text};
    }
    bool isSearch() const { return !likeColumn.isEmpty(); }
};

// The two stores the statements are written for: the local data.mdb
// (SQLite, rows keyed by its rowid) and a shared PostgreSQL database
// (rows keyed by a column rowid of their own, made by the server).
enum class Backend { Sqlite, Postgres };

// A window of a dataset's rows: the rows of its select whose key lies
// strictly between two keys, in key order (or the reverse), at most limit
// of them after skipping offset. The key first, as selectWithRowid; a
// search binds its pattern.
struct WindowRead {
    qint64 afterKey;
    qint64 beforeKey;
    bool descending = false;
    int limit = 0;
    int offset = 0;
};

namespace statements {

// The select of a dataset, with the row key first so that rows can be
// written back; the key is never shown as a column. A search compares as
// SQLite's LIKE does on both stores: ASCII letters without case, % and _
// as wildcards, no escape character.
QString selectWithRowid(const Select &select, Backend backend);
// The bound LIKE pattern of a search text: "%" + text + "%".
QString likePattern(const QString &text);

// A window of a dataset's rows (see WindowRead).
QString selectWindow(const Select &select, Backend backend, const WindowRead &window);
// How many rows of a dataset's select have a key below beforeKey (a search
// binds its pattern).
QString countBelow(const Select &select, Backend backend, qint64 beforeKey);
// Deletes the rows of a dataset's select with a key below beforeKey.
QString deleteBelow(const Select &select, Backend backend, qint64 beforeKey);
// The greatest row key of a table (NULL: no rows).
QString maxKey(const QString &table);

// Inserts a row; on PostgreSQL it returns the new row's key.
QString insertRow(const QString &table, const QStringList &columns, Backend backend = Backend::Sqlite);
// Updates the columns of the row with a key, bound after the new values.
QString updateRow(const QString &table, const QStringList &columns);
QString deleteRow(const QString &table);
// The same, only while every one of snapshotColumns still holds the text
// bound for it after the key (NULL counting as empty): a row that someone
// else changed meanwhile is left alone.
QString updateUnchangedRow(const QString &table, const QStringList &columns, const QStringList &snapshotColumns);
QString deleteUnchangedRow(const QString &table, const QStringList &snapshotColumns);
// Selects the row with a key, the key first (as selectWithRowid).
QString selectRowByKey(const QString &table, Backend backend);

// Empties the imported recipients table before an import.
QString deleteAllImported();

// Every row of some columns of a table, the key first, in the order the
// rows were added.
QString selectAllInOrder(const QString &table, const QStringList &columns);
// Rows of a table whose whereColumns equal the texts bound in that order;
// no whereColumns: every row. Ordered by orderColumns when given.
QString selectWhere(const QString &table, const QStringList &columns, const QStringList &whereColumns,
                    const QStringList &orderColumns = {});
QString deleteWhere(const QString &table, const QStringList &whereColumns);
// Counts 1 when a row of a table has whereColumns equal to the texts bound
// in that order, else 0 (stops at the first such row).
QString countAnyWhere(const QString &table, const QStringList &whereColumns);
// Sets the columns of the rows whose whereColumns equal the texts bound
// after the new values.
QString updateWhere(const QString &table, const QStringList &columns, const QStringList &whereColumns);
// The greatest value of a column of integers kept as text (NULL: no rows).
QString maxInteger(const QString &table, const QString &column);
// The column of the last row (by orderColumn, integers kept as text) whose
// whereColumn equals the bound text and whose column is not empty.
QString lastNonEmpty(const QString &table, const QString &column, const QString &whereColumn,
                     const QString &orderColumn);
QString deleteAll(const QString &table);

// Creates a table of text columns (on PostgreSQL with its row key first);
// uniqueColumns, when given, may hold each combination of texts once.
QString createTable(const QString &table, const QStringList &columns, Backend backend = Backend::Sqlite,
                    const QStringList &uniqueColumns = {});
QString addTextColumn(const QString &table, const QString &column);
QString dropTableIfThere(const QString &table);
// Selects what kind of schema object a name is in an SQLite file ("table",
// "view", ...; no row: there is none).
QString schemaObjectKind(const QString &name);
// The names of an SQLite file's tables (SQLite's own left out).
QString sqliteTableNames();

// The write transaction of the program: SQLite takes the file's write lock
// at once; on the server one advisory lock stands for that lock.
QStringList beginWrite(Backend backend);
inline constexpr qint64 kServerWriteLockKey = 20260701;

// SQLite only: the page cache and memory-mapped reads of a connection
// (neither writes to the file).
QStringList readTuning();
// The settings the file check at open runs under: a small cache, no mapping
// (readTuning() again afterwards).
QStringList checkTuning();
QString quickCheck();
QString integrityCheck();
// Refuses every write on the connection from now on.
QString queryOnly();
// A cheap read that fails when the file is not a database.
QString probe(Backend backend = Backend::Sqlite);
// Selects the names of the columns a table has (none: no such table).
QString tableColumns(const QString &table, Backend backend);
// A text as an SQL string literal, for names of the program's own in
// statements that cannot bind parameters (pragmas, the sqlite3 C API).
QString literal(const QString &text);
// An identifier in double quotes (on SQLite with double-quoted strings
// turned off, so it never stands for a string literal).
QString quoted(const QString &identifier);

} // namespace statements
