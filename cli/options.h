#pragma once
// Reading the values of command-line options; a malformed value is a
// UsageError naming the option.

#include "cli/command_line.h"

#include <QFont>
#include <QSizeF>

int intOption(const QString &option, const QString &text);
double numberOption(const QString &option, const QString &text);
// "FAMILY,SIZE[,bold][,italic]".
QFont fontOption(const QString &option, const QString &text);
// "WxH" in millimetres ("230x127.3"), rounded to 0.1 mm.
QSizeF paperOption(const QString &option, const QString &text);
