#pragma once
// The backup window TSjbfForm "数据库备份与恢复": backs data.mdb up to a
// file the user names (".bak" appended) and restores it from a file the
// user picks; after a restore the program ends.

#include <QDialog>
#include <functional>

class BackupWindow : public QDialog {
    Q_OBJECT
public:
    // disconnectMain closes the main window's connection before a restore;
    // endProgram ends the program after a successful one.
    BackupWindow(std::function<void()> disconnectMain, std::function<void()> endProgram, QWidget *parent = nullptr);

    void Button1Click(); // backup
    void Button2Click(); // restore

private:
    std::function<void()> m_disconnectMain;
    std::function<void()> m_endProgram;
};
