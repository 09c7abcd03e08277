#pragma once
// The print submenus of the two recipient windows: one entry per courier
// in menu order, named after the family table, each running the print
// command with its window's class name.

#include <QString>
#include <functional>

class QMenu;
class QWidget;

enum class PrintMenuOwner { MainWindow, ImportedWindow };
enum class PrintMenuPlace { MainMenu, PopupMenu };

// Fills the single-print and the batch-print submenus.
void addPrintEntries(QMenu *single, QMenu *batch, PrintMenuOwner owner, PrintMenuPlace place,
                     const std::function<void(const QString &windowClass)> &command);

// A submenu with its component name on both the menu and its action.
QMenu *namedSubMenu(QWidget *owner, const QString &name, const QString &caption);
