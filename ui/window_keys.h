#pragma once
// The keyboard of the windows: keys that run a command wherever the focus
// is in a window or a panel, Esc closing a window as it closes a dialog,
// and F10 reaching the menu bar as Alt does.

#include <QKeySequence>
#include <QList>
#include <functional>

class QAction;
class QApplication;
class QWidget;

// Keys that run handler while the focus is in owner: anywhere in its window
// (Qt::WindowShortcut) or inside owner and its children
// (Qt::WidgetWithChildrenShortcut). The action, named name, is added to
// owner; a menu entry may show its keys.
QAction *addKeys(QWidget *owner, const QString &name, const QList<QKeySequence> &keys, std::function<void()> handler,
                 Qt::ShortcutContext context = Qt::WindowShortcut);

// Esc closes window (its close box, so that what closing does still runs).
void closeOnEscape(QWidget *window);

// F10 opens the menu bar of the window with the focus for the keyboard, as
// a press of Alt alone does.
void installMenuBarKey(QApplication &app);
