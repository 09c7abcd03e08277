#include "import/import_procedure.h"

#include "import/workbook_reader.h"
#include "store/bulk_rows.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/db_error.h"
#include "store/mapping_store.h"
#include "store/reopen.h"
#include "store/schema.h"
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

namespace {

// After a failure the list shows the rows the table kept, where it can.
ImportResult failed(Connection &connection, Dataset *list, const QString &message, const QString &reason)
{
    if (list) {
        try {
            reopen(connection, {{list, schema::kImportedTable}});
        } catch (const DbError &) {
            // The list stays closed; the failure already says what is wrong.
        }
    }
    return {false, message, reason, 0};
}

} // namespace

ImportResult importWorkbook(Connection &connection, Dataset *list, const QString &path, const ImportProgress &progress,
                            const std::optional<ColumnMapping> &mapping)
{
    // The table keeps its rows until the new ones are in: the old list is
    // replaced in the one transaction that inserts the new rows, so a
    // failed import never costs the last good one.
    if (list)
        list->close();

    // The trimmed path.
    const QString file = trimmedPath(path);
    if (file.isEmpty())
        return failed(connection, list, kEmptyPath, QString());

    // Reconnect from the working directory.
    connection.close();
    try {
        connection.open();
    } catch (const DbError &error) {
        return {false, kConnectFailed, error.text(), 0};
    }

    // Copy: read the sheet, then replace the table's rows in one transaction.
    int rows = 0;
    QStringList notes;
    try {
        RecipientShape shape(mapping, [&connection](const QStringList &headings) -> std::optional<ColumnMapping> {
            const std::optional<QString> saved = MappingStore(connection).find(headings);
            if (!saved)
                return std::nullopt;
            try {
                return parseMapping(*saved);
            } catch (const AppError &) {
                return std::nullopt; // a damaged one is guessed anew
            }
        });
        const TextTable records =
            readRecordsIsolated(file, QStringLiteral("Sheet1"), shape, [&](qsizetype done, qsizetype total) {
                if (progress && total > 0)
                    progress(int(done * 50 / total));
            });
        notes = importNotes(records) + shape.notes();
        connection.inTransaction([&] {
            if (mapping)
                MappingStore(connection)
                    .save(RecipientShape::comparableHeadings(shape.headings()), mappingText(*mapping));
            connection.exec(statements::deleteAllImported());
            // An order export's order numbers go into a column of their own,
            // made when the first such export is imported.
            QStringList columns = schema::recipientColumns();
            if (records.width() > columns.size()) {
                columns << schema::col::kOrderNumber;
                if (!connection.tableColumns(schema::kImportedTable).contains(schema::col::kOrderNumber))
                    connection.exec(statements::addTextColumn(schema::kImportedTable, schema::col::kOrderNumber));
            }
            insertTextRows(connection, schema::kImportedTable, columns, records, [&](qsizetype done) {
                if (progress && records.rowCount() > 0)
                    progress(50 + int(done * 50 / records.rowCount()));
            });
        });
        rows = int(records.rowCount());
    } catch (const UnmappedSheet &error) {
        ImportResult result = failed(connection, list, kFailed, error.text());
        result.needsMapping = true;
        result.headings = error.headings;
        result.guesses = error.guesses;
        return result;
    } catch (const WorkbookError &error) {
        return failed(connection, list, kFailed, error.text());
    } catch (const DbError &error) {
        return failed(connection, list, kFailed, error.text());
    }

    // Reload the list on "select * from excel".
    const QString succeeded =
        notes.isEmpty() ? kSucceeded : kSucceeded + QLatin1Char('\n') + notes.join(QLatin1Char('\n'));
    if (!list)
        return {true, succeeded, QString(), rows};
    try {
        reopen(connection, {{list, schema::kImportedTable}});
    } catch (const DbError &error) {
        return {false, kFailed, error.text(), rows};
    }
    return {true, succeeded, QString(), rows};
}
