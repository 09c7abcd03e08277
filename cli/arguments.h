#pragma once
// The command line as the sub-commands read it. An option's value may be
// given as the next argument or after '=' (--row 2, --row=2); the second
// form is split into the first here, once for every sub-command. --data
// FILE, which every sub-command and the desktop start take, is taken out
// wherever it stands.

#include <QStringList>

struct SplitArguments {
    QStringList args; // what is left, each option's value after it
    QString dataFile; // --data's value (empty: not given)
};

// Throws UsageError for a --data without a value, or given twice.
SplitArguments splitArguments(const QStringList &args);
