#pragma once
// The sub-commands of the command line; each issue of the program adds its
// own entry to allCommands().

#include "cli/command_line.h"

QList<CliCommand> allCommands();

// Sub-command implementations.
int runInit(const QStringList &args, CliStreams &io);
int runPrint(const QStringList &args, CliStreams &io);
int runImport(const QStringList &args, CliStreams &io);
int runExport(const QStringList &args, CliStreams &io);
int runBackup(const QStringList &args, CliStreams &io);
int runRestore(const QStringList &args, CliStreams &io);
int runCalibration(const QStringList &args, CliStreams &io);
int runShare(const QStringList &args, CliStreams &io);
int runUnshare(const QStringList &args, CliStreams &io);
int runForm(const QStringList &args, CliStreams &io);
int runRecipients(const QStringList &args, CliStreams &io);
int runMigrate(const QStringList &args, CliStreams &io);
int runLog(const QStringList &args, CliStreams &io);
int runLabels(const QStringList &args, CliStreams &io);
