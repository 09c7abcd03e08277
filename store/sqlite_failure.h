#pragma once
// What an SQLite failure means for the user, by SQLite's result code: one
// table for every place that reads or writes an SQLite file.

#include <QString>

// "meaning。advice（SQLite's own words）" for a failure of the program's own
// data file; advice says what to do and that nothing was saved. A code
// without a meaning of its own gives SQLite's words alone.
QString sqliteFailureText(int code, const QString &detail);
// The same without the advice, for files the user picked (a backup to
// restore, a copy being written): "meaning（SQLite's own words）".
QString sqliteFailureMeaning(int code, const QString &detail);
