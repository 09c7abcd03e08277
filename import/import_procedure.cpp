#include "import/import_procedure.h"

#include "import/workbook_reader.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/db_error.h"
#include "store/reopen.h"
#include "store/schema.h"
#include "store/bulk_rows.h"
#include "store/statements.h"

using namespace import_messages;

QString trimmedPath(const QString &path)
{
    const auto blankOrControl = [](QChar c) { return c.isSpace() || c.category() == QChar::Other_Control; };
    qsizetype start = 0;
    qsizetype end = path.size();
    while (start < end && blankOrControl(path[start]))
        ++start;
    while (end > start && blankOrControl(path[end - 1]))
        --end;
    return path.mid(start, end - start);
}

ImportResult importWorkbook(Connection &connection, Dataset *list, const QString &path,
                            const ImportProgress &progress)
{
    // 1. Empty the table on the connection as it is; its failure is the
    //    database's own error.
    if (list)
        list->close();
    connection.exec(statements::deleteAllImported());

    // 2. The trimmed path.
    const QString file = trimmedPath(path);
    if (file.isEmpty())
        return {false, kEmptyPath, QString(), 0};

    // 3, 4. Reconnect from the working directory.
    connection.close();
    try {
        connection.open();
    } catch (const DbError &error) {
        return {false, kConnectFailed, error.text(), 0};
    }

    // 5. Copy: read the sheet, insert every record in one transaction.
    int rows = 0;
    try {
        const TextTable records = readRecordsIsolated(file, QStringLiteral("Sheet1"), schema::recipientColumns(),
                                                      [&](qsizetype done, qsizetype total) {
                                                          if (progress && total > 0)
                                                              progress(int(done * 50 / total));
                                                      });
        // The rows replace whatever the table holds now in one transaction:
        // an import that ran meanwhile cannot leave its rows beside these.
        connection.inTransaction([&] {
            connection.exec(statements::deleteAllImported());
            insertTextRows(connection, schema::kImportedTable, schema::recipientColumns(), records, [&](qsizetype done) {
                if (progress && records.rowCount() > 0)
                    progress(50 + int(done * 50 / records.rowCount()));
            });
        });
        rows = int(records.rowCount());
    } catch (const WorkbookError &error) {
        return {false, kFailed, error.text(), 0};
    } catch (const DbError &error) {
        return {false, kFailed, error.text(), 0};
    }

    // 6. Reload the list on "select * from excel".
    if (!list)
        return {true, kSucceeded, QString(), rows};
    try {
        reopen(connection, {{list, schema::kImportedTable}});
    } catch (const DbError &error) {
        return {false, kFailed, error.text(), rows};
    }
    return {true, kSucceeded, QString(), rows};
}
