#pragma once
// Starts the desktop program: creates every window once, in order, and runs
// the message loop until the main window closes. Returns the exit status.

int runDesktop(int argc, char **argv);
