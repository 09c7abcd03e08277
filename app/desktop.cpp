#include "app/desktop.h"
int runDesktop(int, char **) { return 1; }
