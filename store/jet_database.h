#pragma once
// The data.mdb of the old Windows program: a Microsoft Jet 3/4 database
// (its database password does not encrypt the pages), read with mdbtools'
// libmdb and carried into a new SQLite data.mdb in place, the original
// kept beside it.

#include <QList>
#include <QPair>
#include <QString>

// Whether the file at path is a Jet (or ACE) database, by its first bytes.
bool isJetDatabase(const QString &path);

struct JetMigration {
    QString backup;                  // where the original now is
    QList<QPair<QString, int>> rows; // per table: rows carried
    QStringList missing;             // tables the old file did not have (made empty)
    QStringList extraColumns;        // "table.column" kept beyond the described ones
};

// Converts the Jet database at path (data.mdb) into a new SQLite database
// under the same name: outrxx, inrxx and excel with their columns in the
// described order, any other columns of theirs after them as TEXT, every
// value as its text. The original is kept as
// data.mdb.jet-YYYYMMDD-HHMMSS.bak. Throws AppError (nothing changed) when
// the file cannot be read.
JetMigration migrateJetDatabase(const QString &path);
// What a migration did, for the user.
QString migrationText(const JetMigration &migration);
