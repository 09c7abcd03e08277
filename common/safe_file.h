#pragma once
// Writing a file so that a crash, a full disk or a power cut never leaves a
// half-written file under its final name: the content goes to a temporary
// file beside the target, is synced, renamed over the target in one step,
// and the folder is synced so that the rename itself is on disk. New files
// are readable and writable by the user only (0600: they hold recipients'
// personal data); a regular file that is replaced keeps the mode it had, a
// symbolic link is replaced by a new file (0600; what it pointed to is left
// as it is). A device, a pipe or a socket is never replaced.
//
// The temporary file is locked (flock) while it is being written, so that
// cleanStaleTemporaries() can tell the leftovers of a killed process from
// the files of a writer that is still running.

#include "common/error.h"

#include <QFile>
#include <QString>
#include <functional>

class SafeFile {
public:
    // Creates the temporary file beside target. Throws FileError when the
    // folder is missing or not writable, or target is a folder, a device,
    // a pipe or a socket.
    explicit SafeFile(const QString &target);
    // Removes the temporary file unless commit() succeeded.
    ~SafeFile();
    SafeFile(const SafeFile &) = delete;
    SafeFile &operator=(const SafeFile &) = delete;

    const QString &target() const { return m_target; }
    const QString &tempPath() const { return m_temp; }
    // The temporary file, open for writing (as a QFile, or its descriptor).
    QFile &file() { return m_file; }
    int handle() const { return m_lockFd; }

    // Writes bytes to the temporary file; throws FileError (a full disk
    // says so).
    void write(const QByteArray &bytes);
    // The mode a file that is replaced leaves to its successor.
    enum class Mode {
        KeepReplaced, // the mode the user gave the replaced file
        Private       // 0600: the replaced file was not the user's own (another program's)
    };
    // Syncs the temporary file, renames it over the target and syncs the
    // folder. Throws FileError; the target is then as it was.
    void commit(Mode mode = Mode::KeepReplaced);
    // As commit(), but never replaces a file: throws FileError when target
    // exists (then nothing changed).
    void commitAsNew();

private:
    void syncTemporary();

    QString m_target;
    QString m_temp;
    QFile m_file;
    int m_lockFd = -1;
    bool m_committed = false;
};

// The text for a failed write of path: a full disk, a missing permission,
// or the system's own text.
QString writeFailureText(const QString &path, int errorNumber);

// Syncs a folder, so that a rename or a new file in it survives a power cut.
void syncFolder(const QString &folder);

// Removes the temporary files and folders this program leaves behind when
// it is killed while writing into folder: those no live writer holds.
void cleanStaleTemporaries(const QString &folder);

// Removes this user's regular files in folder (never following a link)
// that are a few seconds old and whose holder, the name holderOf gives
// (empty: not a file of ours), no live process holds locked: what killed
// runs of the program left there.
void removeUnheldFiles(const QString &folder, const std::function<QByteArray(const QByteArray &)> &holderOf);

// Holds a file locked for as long as it lives, so that removeUnheldFiles()
// leaves it alone (a file of a run that is still using it).
class FileHold {
public:
    explicit FileHold(const QString &path);
    ~FileHold();
    FileHold(const FileHold &) = delete;
    FileHold &operator=(const FileHold &) = delete;

private:
    int m_fd = -1;
};

// Removes files and folders under parent whose names start with prefix and
// that are older than the workbook reader's time limit allows a live one to
// be (what a killed import leaves in the temporary folder).
void cleanStaleFolders(const QString &parent, const QString &prefix);

// The temporary-file name pattern (for tests): ".NAME.XXXXXXXX.waybill-tmp".
bool isProgramTemporary(const QString &fileName);
