#pragma once
// The command-line front end: `waybill SUBCOMMAND ...` works headless on
// data.mdb of the working directory, through the same core code as the
// windows. Exit status 0 on success, 1 on failure (reason on stderr),
// 2 on a usage error.

#include <QStringList>
#include <QTextStream>
#include <functional>

struct CliStreams {
    QTextStream &out;
    QTextStream &err;
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

// Runs the command line given without the program name.
int runCommandLine(const QStringList &args, CliStreams &io);
