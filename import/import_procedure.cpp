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

#include <QSqlQuery>

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

// While an import's rows go into data.mdb, SQLite holds a few megabytes of
// them, not the whole list: the transaction's pages spill to the file when
// its cache is full, and the old rows are read without mapping the file.
// The connection's own settings come back afterwards.
class LeanWrites {
public:
    explicit LeanWrites(Connection &connection) : m_connection(connection)
    {
        if (connection.backend() != Backend::Sqlite)
            return;
        m_cache = value(QStringLiteral("pragma cache_size"));
        m_mmap = value(QStringLiteral("pragma mmap_size"));
        connection.exec(QStringLiteral("pragma cache_size = -2048"));
        connection.exec(QStringLiteral("pragma mmap_size = 0"));
    }
    ~LeanWrites()
    {
        if (m_cache.isEmpty())
            return;
        try {
            m_connection.exec(QStringLiteral("pragma cache_size = %1").arg(m_cache));
            m_connection.exec(QStringLiteral("pragma mmap_size = %1").arg(m_mmap));
        } catch (const DbError &) {
            // A connection that fails now fails its next statement too, and says why there.
        }
    }
    LeanWrites(const LeanWrites &) = delete;
    LeanWrites &operator=(const LeanWrites &) = delete;

private:
    QString value(const QString &pragma)
    {
        QSqlQuery query = m_connection.exec(pragma);
        return query.next() ? query.value(0).toString() : QString();
    }
    Connection &m_connection;
    QString m_cache;
    QString m_mmap;
};

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
        // The helper reads the sheet whole; its rows are then made into
        // records and inserted a batch at a time, so that a long list is
        // never held whole.
        IsolatedSheet sheet(file, QStringLiteral("Sheet1"), [&](qsizetype done, qsizetype total) {
            if (progress && total > 0)
                progress(int(done * 50 / total));
        });
        shape.plan(sheet.headings());
        ImportNotes counted;
        const LeanWrites lean(connection);
        connection.inTransaction([&] {
            if (mapping)
                MappingStore(connection)
                    .save(RecipientShape::comparableHeadings(shape.headings()), mappingText(*mapping));
            connection.exec(statements::deleteAllImported());
            // An order export's order numbers go into a column of their own,
            // made when the first such export is imported.
            QStringList columns = schema::recipientColumns();
            if (shape.width() > columns.size()) {
                columns << schema::col::kOrderNumber;
                if (!connection.tableColumns(schema::kImportedTable).contains(schema::col::kOrderNumber))
                    connection.exec(statements::addTextColumn(schema::kImportedTable, schema::col::kOrderNumber));
            }
            constexpr qsizetype kBatchRows = 1024;
            sheet.readRecords(shape, kBatchRows, [&](TextTable &records, qsizetype rowsRead) {
                counted.count(records);
                insertTextRows(connection, schema::kImportedTable, columns, records);
                rows += int(records.rowCount());
                if (progress)
                    progress(sheet.rowCount() > 0 ? 50 + int(rowsRead * 50 / sheet.rowCount()) : 100);
            });
        });
        notes = counted.notes() + shape.notes();
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
