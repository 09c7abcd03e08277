#pragma once
// Starts the desktop program: creates every window once, in order, and runs
// the message loop until the main window closes. Returns the exit status.

#include <QString>

class WindowRegistry;

// Makes the print windows run their waybills through the preview (done by
// registerWindows too).
void installPreviewRunner();

// Registers the factory of every window the program has.
void registerWindows(WindowRegistry &windows);

class QWidget;

// Brings the main window (or the window open over it) to the front, as a
// second start on the same data asks.
void bringToFront(QWidget *main);

// Creates the windows and shows the main window centred; on a start-up
// failure (no readable data.mdb) shows the error and returns 1, else 0.
int startDesktop(WindowRegistry &windows);

// When the file at path is the old Windows program's data.mdb, offers to
// carry it over; when what is read from it does not add up, says what was
// found and offers to carry what could be read (No by default). Throws
// AppError when the file cannot be read.
void offerJetMigration(const QString &path);

// workbook: a workbook named on the command line, offered for import once
// the program has opened; dataFile: the data file named with --data (empty:
// the one store/data_file.h's rule picks).
int runDesktop(int argc, char **argv, const QString &workbook = {}, const QString &dataFile = {});
