#pragma once
// Safe copies of the database file: a backup is a byte-for-byte copy of
// data.mdb; a restore first checks that the chosen file is a database of
// this program, then replaces data.mdb in one rename. A failure at any
// point leaves the previous files intact. Both throw std::runtime_error.

#include <QString>

// Copies source to target (replacing a file of that name) through a
// temporary file beside target.
void backupDatabase(const QString &source, const QString &target);

// Whether path is an SQLite database holding the tables outrxx, inrxx and
// excel with their columns.
bool isProgramDatabase(const QString &path);

// Replaces target (data.mdb) with a copy of source, after checking source.
void restoreDatabase(const QString &source, const QString &target);
