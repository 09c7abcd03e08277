#pragma once
// Reading the values of command-line options; a malformed value is a
// UsageError naming the option.

#include "cli/command_line.h"

int intOption(const QString &option, const QString &text);
double numberOption(const QString &option, const QString &text);
