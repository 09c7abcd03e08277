#pragma once
// The print submenus of the two recipient windows: one entry per courier
// in menu order, named after the family table, each running the print
// command with its window's class name; after them the office's own forms,
// read again each time a submenu opens.

#include "waybill/family.h"

#include <QList>
#include <QString>
#include <functional>

class Connection;
class QMenu;
class QWidget;

enum class PrintMenuOwner { MainWindow, ImportedWindow };
enum class PrintMenuPlace { MainMenu, PopupMenu };

using PrintCommand = std::function<void(const QString &windowClass)>;

// Fills the single-print and the batch-print submenus with the built-in couriers.
void addPrintEntries(QMenu *single, QMenu *batch, PrintMenuOwner owner, PrintMenuPlace place,
                     const PrintCommand &command);
// Keeps the entries of the office's own forms (as stored where connection
// reaches) at the end of both submenus: each submenu makes them again as it
// is about to show. A store that cannot be read shows none.
void keepFormEntries(QMenu *single, QMenu *batch, PrintMenuOwner owner, PrintMenuPlace place,
                     const PrintCommand &command, Connection &connection);

// A submenu with its component name on both the menu and its action.
QMenu *namedSubMenu(QWidget *owner, const QString &name, const QString &caption);
