#pragma once
// The spreadsheet import: replaces the rows of the table excel with the
// recipient rows of a workbook's Sheet1 in one transaction (all rows or
// none; a failed import keeps the previous rows), and reopens the imported
// list on "select * from excel".

#include "import/recipient_shape.h"

#include <QString>
#include <functional>
#include <optional>

class Connection;
class Dataset;

struct ImportResult {
    bool success = false;
    QString message; // the message the user sees
    QString reason;  // why it failed, for the command line
    int rows = 0;    // rows imported
    // When the sheet's headings give no name or address: its headings and
    // what could be guessed, for the user to choose the columns.
    bool needsMapping = false;
    QStringList headings = {};
    ColumnMapping guesses = {};
};

namespace import_messages {
inline const QString kEmptyPath = QStringLiteral(u"请正确选择相关路径！");
inline const QString kConnectFailed = QStringLiteral(u"连接ACCESS失败!");
inline const QString kFailed = QStringLiteral(u"批量导入EXCEL失败!");
inline const QString kSucceeded = QStringLiteral(u"批量导入EXCEL成功!");
} // namespace import_messages

// The path as the import uses it: blanks and control characters removed
// at both ends.
QString trimmedPath(const QString &path);

// Told how far the copy is, in percent (reading the sheet up to 50, then
// inserting its rows).
using ImportProgress = std::function<void(int percent)>;

// Runs the import on the window's connection and list (none for the
// command line, which shows no list). Every failure is reported in the
// result; the table then holds what it held before, and the list shows it.
// The columns are found under their own headings or the recognised ones
// (import/recipient_shape.h); mapping, when given, says where instead, and
// is remembered for workbooks with the same headings. The closing message
// tells of masked numbers and repeated rows.
ImportResult importWorkbook(Connection &connection, Dataset *list, const QString &path,
                            const ImportProgress &progress = {}, const std::optional<ColumnMapping> &mapping = {});
