#pragma once
// The export of a recipient list: a heading row of the dataset's column
// names in table order, then one row per listed recipient, every column as
// text. The list's current row stays where it was, so that the next print
// is for the recipient the user selected. Written safely (temporary file,
// then renamed into place).

#include <QString>

class Dataset;

// A target whose name ends in .xlsx is an Excel workbook (.xlsx); any other
// an Excel 97-2003 workbook (.xls), which holds at most 65,535 recipients.
// Returns how many characters the workbook could not hold and had to be
// replaced (see saveXlsx). Throws XlsError (or DbError from the dataset).
int exportDataset(Dataset &list, const QString &target);
// What the closing message adds when characters were replaced (empty
// when none were).
QString replacedCharactersText(int replaced);

bool isXlsxName(const QString &target);
// The file an export writes for a name the user chose: .xls is added
// unless the name already ends in .xls or .xlsx.
QString exportFileName(const QString &chosen);
