#pragma once
// Reading the values of command-line options; a malformed value is a
// UsageError naming the option.

#include "cli/command_line.h"

#include <QFont>

int intOption(const QString &option, const QString &text);
double numberOption(const QString &option, const QString &text);
// "FAMILY,SIZE[,bold][,italic]".
QFont fontOption(const QString &option, const QString &text);
