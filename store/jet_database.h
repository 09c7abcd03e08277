#pragma once
// The data.mdb of the old Windows program: a Microsoft Jet 3/4 database
// (its database password does not encrypt the pages), read with mdbtools'
// libmdb and carried into a new SQLite data.mdb in place, the original
// kept beside it.

#include "common/error.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Whether the file at path is a Jet (or ACE) database, by its first bytes.
bool isJetDatabase(const QString &path);

struct JetMigration {
    QString backup;                  // where the original now is
    QList<QPair<QString, int>> rows; // per table: rows carried
    QStringList missing;             // tables the old file did not have (made empty)
    QStringList extraColumns;        // "table.column" kept beyond the described ones
    QStringList findings;            // what did not add up, when only what could be read was carried
};

// A Jet file whose content does not add up: a table yields fewer or more
// rows than its definition declares, a described column is missing, a
// column's name is no text, none of the tables is found, or libmdb warned
// while reading. Nothing was changed; findings say what was found.
class JetDamage : public AppError {
public:
    JetDamage(const QString &path, const QStringList &findings);
    const QStringList &findings() const { return m_findings; }

private:
    QStringList m_findings;
};

enum class JetCarry {
    Whole,        // refuse a file that does not add up (JetDamage)
    WhatCanBeRead // carry what could be read, and say what was found
};

// Converts the Jet database at path (data.mdb) into a new SQLite database
// under the same name: outrxx, inrxx and excel with their columns in the
// described order, any other columns of theirs after them as TEXT, every
// value as its text. The original is kept as
// data.mdb.jet-YYYYMMDD-HHMMSS.bak; both are the user's own (0600).
// Throws AppError (nothing changed) when the file cannot be read, and
// JetDamage when it is read but does not add up, unless told to carry what
// could be read.
JetMigration migrateJetDatabase(const QString &path, JetCarry carry = JetCarry::Whole);
// What a migration did, for the user.
QString migrationText(const JetMigration &migration);
