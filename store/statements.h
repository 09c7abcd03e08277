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

namespace statements {

// The select of a dataset, with SQLite's rowid first so that rows can be
// written back; the rowid is never shown as a column.
QString selectWithRowid(const Select &select);
// The bound LIKE pattern of a search text: "%" + text + "%".
QString likePattern(const QString &text);

QString insertRow(const QString &table, const QStringList &columns);
QString updateRow(const QString &table, const QStringList &columns);
QString deleteRow(const QString &table);

// Empties the imported recipients table before an import.
QString deleteAllImported();
// Inserts one imported recipient (the ten recipient columns).
QString insertImported();

QString createTable(const QString &table, const QStringList &columns);
// A cheap read that fails when the file is not a database.
QString probe();

} // namespace statements
