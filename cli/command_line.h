#pragma once
// The command-line front end: `waybill SUBCOMMAND ...` works headless on
// data.mdb of the working directory, through the same core code as the
// windows. Exit status 0 on success, 1 on failure (reason on stderr),
// 2 on a usage error.

#include "common/error.h"

#include <QStringList>
#include <QTextStream>
#include <functional>

struct CliStreams {
    QTextStream &out;
    QTextStream &err;
};

// A malformed command line: the text says what is wrong (exit status 2).
class UsageError : public AppError {
public:
    using AppError::AppError;
};

struct CliCommand {
    QString name;
    QString usage;   // arguments after the name
    QString summary; // one line for the list of sub-commands
    std::function<int(const QStringList &args, CliStreams &io)> run;
};

namespace exit_status {
constexpr int kOk = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;
} // namespace exit_status

// All sub-commands, in the order --help lists them.
const QList<CliCommand> &cliCommands();

// Runs the command line given without the program name. This is the one
// error boundary of the command line: a sub-command throws, and the text
// of what it threw goes to stderr with exit status 1 (2 for UsageError).
int runCommandLine(const QStringList &args, CliStreams &io);
