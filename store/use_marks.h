#pragma once
// Marks of the database files this process has open, kept under the user's
// state folder (XDG_STATE_HOME, else ~/.local/state) until the process ends
// normally. A mark left by a process that is gone (it crashed or was killed,
// or the machine lost power) tells the next start that the file's last use
// did not end cleanly, so that the whole file is checked then.

#include <QString>

namespace use_marks {

// Marks path as in use by this process; returns whether a process that
// used it before ended without removing its mark.
bool markInUse(const QString &path);
// After a check of path: sound, the marks of gone processes are removed;
// damaged, they stay and so does this process's own mark after it ends,
// so that every start checks the file again until it is sound.
void checked(const QString &path, bool sound);

// The folder of the marks, and the name a process's mark of path has
// there: the path's hash, the process id.
QString folder();
QString markName(const QString &path, qint64 pid);

} // namespace use_marks
