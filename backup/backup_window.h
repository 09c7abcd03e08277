#pragma once
// The backup window TSjbfForm "数据库备份与恢复": backs data.mdb up to a
// file the user names (".bak" appended) and restores it from a file the
// user picks; after a restore the program ends.

#include <QDialog>
#include <functional>

// What the backup window does to the main window's connection around a
// restore, and how it ends the program.
struct BackupHooks {
    std::function<void()> disconnectMain; // before a restore
    std::function<void()> reconnectMain;  // after a failed one: data.mdb is as it was
    std::function<void()> endProgram;     // after a successful one
};

struct BackupContents;

// The question before a restore: the backup's date and rows, No the default.
QString restoreQuestion(const BackupContents &backup);
// The message after a restore: the program closes, and how to open it again.
QString restoredText();

class BackupWindow : public QDialog {
    Q_OBJECT
public:
    explicit BackupWindow(BackupHooks hooks, QWidget *parent = nullptr);

    void Button1Click(); // backup
    void Button2Click(); // restore

private:
    BackupHooks m_hooks;
};
