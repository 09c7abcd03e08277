#pragma once
// What the program keeps between starts, in the user's config folder
// ($XDG_CONFIG_HOME/waybill/waybill.conf, normally ~/.config/waybill/):
// the places of its windows, the workbooks imported last and the folder of
// the last file chosen in a file dialog. Nothing there is data of the
// office; a file that cannot be read or written is as good as none.

#include "ui/screen_fit.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace remembered {

// How many workbooks the import offers again.
constexpr int kRecentWorkbooks = 6;

QString settingsFile();

// The place a window (by its name) had when the program was closed last.
std::optional<WindowPlace> windowPlace(const QString &window);
void setWindowPlace(const QString &window, const WindowPlace &place);

// The workbooks imported last, the latest first, those that are still there.
QStringList recentWorkbooks();
// Puts path (absolute) first, once, keeping kRecentWorkbooks.
void addRecentWorkbook(const QString &path);

// The folder of the last file chosen in a file dialog (empty: none yet).
QString lastFolder();
void setLastFolder(const QString &folder);

} // namespace remembered
