#pragma once
// Which data file the program works on: one rule for the desktop program
// and every command. The file named with --data (a folder stands for its
// data.mdb); else data.mdb of the working directory when it has one (a
// start from the program's folder, as start.sh does); else data.mdb in the
// user's data folder ($XDG_DATA_HOME/waybill, normally
// ~/.local/share/waybill), made empty on first use.

#include <QString>

namespace data_file {

// The user's data folder (whether or not it exists yet).
QString userFolder();
// data.mdb in the user's data folder.
QString userFile();

// The file the rule picks, as an absolute path; given is --data's value
// (empty: not given).
QString chosen(const QString &given);

// Where `waybill init` makes a new file: the file given; else data.mdb of
// the working directory when it has one (init then refuses) or when the
// working directory is the program's own folder (the one holding its bin/,
// where start.sh installs it); else the user's data folder, made when
// missing.
QString newFileTarget(const QString &given);

// How a missing chosen file is met.
enum class Missing {
    MakeUsersOwn, // the user's own data file is made empty (a first start)
    Refuse,       // no file is made: the caller needs one that exists
};

// The chosen file, ready to be opened: a file given with --data must exist;
// the user's own is made (with its folder) as missing says. Throws AppError
// saying what is missing or could not be made.
QString prepare(const QString &given, Missing missing = Missing::MakeUsersOwn);

// From now on the data of every connection on the program's data
// (Connection::currentFilePath()) are path; empty: data.mdb of the working
// directory again.
void use(const QString &path);
// The file set with use() (empty: none).
QString inUse();

} // namespace data_file
