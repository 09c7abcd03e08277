#pragma once
// Consistent copies of the database file through SQLite's online backup
// API, which copies the committed pages under SQLite's own locks, whatever
// journal lies beside the file: a backup is a page-for-page copy of
// data.mdb's committed state, and a restore loads a checked file into
// data.mdb through the same API, so SQLite keeps the journal and the locks
// right. Nothing is replaced before the new content has been checked, and
// a failure at any point leaves the previous files as they were. Both
// throw AppError subclasses whose text says why.

#include <QDateTime>
#include <QString>

// Copies source (data.mdb) to target (replacing a file of that name, only
// after the copy passed the checks).
void backupDatabase(const QString &source, const QString &target);

// Throws DbError saying why path is not a sound database of this program:
// not an SQLite file, damaged (integrity check), or lacking a table or
// column of outrxx, inrxx and excel.
void checkProgramDatabase(const QString &path);

// What a backup holds, as the user is told before it replaces the data.
struct BackupContents {
    QDateTime written; // when the file was last written
    int recipients = 0;
    int imported = 0;
};

// Checks path as a restore does (checkProgramDatabase; throws DbError or
// FileError saying why not) and counts its rows.
BackupContents describeBackup(const QString &path);

struct RestoreResult {
    QString safetyCopy;        // where the replaced data were kept (empty: there were none)
    bool sharedBackup = false; // the backup pointed to a shared store: restored as local data
    QStringList leftOut;       // tables and columns of the backup this version does not know
};

// Replaces the content of target (data.mdb) with that of source after
// checking source. A backup is data, never instructions: only the
// program's own tables are taken from it, column by column (never its
// triggers, views, indexes, other tables or a shared-store pointer). The
// replaced content is kept beside target as a dated safety copy
// (data.mdb.YYYYMMDD-HHMMSS.bak; the last few are kept).
RestoreResult restoreDatabase(const QString &source, const QString &target);

// What the closing message of a restore adds to "数据恢复成功！".
QString restoreNotes(const RestoreResult &result);

// How many safety copies a restore keeps beside data.mdb.
constexpr int kKeptSafetyCopies = 5;
