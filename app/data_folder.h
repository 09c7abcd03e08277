#pragma once
// Where the desktop program keeps its data: the working directory when it
// holds a data.mdb (a start from the program's folder, as it always was),
// else the user's own data folder ($XDG_DATA_HOME/waybill, normally
// ~/.local/share/waybill), where an empty data.mdb is made on the first
// start from a menu or a fresh account.

#include <QString>

// The user's data folder (whether or not it exists yet).
QString userDataFolder();

// Makes the folder holding the data.mdb to use the working directory,
// creating the user's data folder and its empty data.mdb when needed.
// Throws AppError saying what could not be made.
void enterDataFolder();
