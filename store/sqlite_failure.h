#pragma once
// What an SQLite failure means for the user, by SQLite's result code: one
// table for every place that reads or writes an SQLite file.

#include <QString>

class QSqlDatabase;
class QSqlError;

// "meaning。advice（SQLite's own words）" for a failure of the program's own
// data file; advice says what to do and that nothing was saved. A code
// without a meaning of its own gives SQLite's words alone. With file, a
// full disk names it: "磁盘已满：FILE。修改没有保存，请腾出空间后再试（…）".
QString sqliteFailureText(int code, const QString &detail, const QString &file = {});
// The same without the advice, for files the user picked (a backup to
// restore, a copy being written): "meaning（SQLite's own words）".
QString sqliteFailureMeaning(int code, const QString &detail);

// SQLite's result code of a failure Qt reports on db. Qt leaves it out of
// some (a failed COMMIT): then the connection's last one, so call this
// before anything else runs on db.
int sqliteCodeOf(const QSqlDatabase &db, const QSqlError &error);
