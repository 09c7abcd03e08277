#pragma once
// The command-line front end: `waybill SUBCOMMAND ...` works headless on
// the data file the desktop program would use (store/data_file.h), or the
// one named with --data, through the same core code as the windows. Exit status 0 on success, 1 on failure (reason on stderr),
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

// What a sub-command needs of the data file.
enum class DataUse {
    Open,     // the chosen file; the user's own is made empty when missing
    Existing, // the chosen file, which must exist already
    Create,   // where a new file goes (init)
};

struct CliCommand {
    QString name;
    QString usage;   // arguments after the name
    QString summary; // one line for the list of sub-commands
    std::function<int(const QStringList &args, CliStreams &io)> run;
    DataUse data = DataUse::Open;
};

namespace exit_status {
constexpr int kOk = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;
} // namespace exit_status

// All sub-commands, in the order --help lists them.
const QList<CliCommand> &cliCommands();

// Runs the command line given without the program name, with the data
// file it names or the rule picks (Connection::currentFilePath() while
// the sub-command runs). This is the one
// error boundary of the command line: a sub-command throws, and the text
// of what it threw goes to stderr with exit status 1 (2 for UsageError).
int runCommandLine(const QStringList &args, CliStreams &io);
