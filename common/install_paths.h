#pragma once
// Where the program finds the files that come with it: beside it in a build
// tree (build/bin), or where an install put them (/usr/bin/waybill with
// /usr/libexec/waybill/ and /usr/share/waybill/).

#include <QString>

// The workbook reader helper program.
QString readerHelperPath();
// The folder of the help pages.
QString helpFolderPath();
