#include "store/shared_store.h"

#include "store/bulk_rows.h"
#include "store/calibration.h"
#include "store/connection.h"
#include "store/db_error.h"
#include "store/form_store.h"
#include "store/mapping_store.h"
#include "store/print_log.h"
#include "store/schema.h"
#include "store/statements.h"
#include "store/text_table.h"

#include <QDir>
#include <QSqlQuery>
#include <QUuid>

namespace shared_store {

namespace {

const QString kUrlColumn = QStringLiteral("url");
const QString kTokenColumn = QStringLiteral("token");

// Throws unless the store holds the three tables with all their columns.
void requireProgramTables(Connection &connection, const QString &where)
{
    const QString missing = schema::missingPart([&](const QString &table) { return connection.tableColumns(table); });
    if (!missing.isEmpty())
        throw DbError(QStringLiteral(u"%1 不是本软件的数据库：%2").arg(where, missing));
}

// The rows of some columns of a table, in the order they were added.
TextTable readTable(Connection &from, const QString &table, const QStringList &columns)
{
    const QString sql = statements::selectAllInOrder(table, columns);
    TextTable rows(int(columns.size()));
    QStringDecoder decoder = storedTextDecoder();
    selectRows(from, sql, {}, [&](const SelectedRow &row) {
        for (int i = 0; i < row.count; ++i)
            rows.appendCell(row.texts[i] ? decoder.decode(QByteArrayView(row.texts[i], row.lengths[i])) : QString());
    });
    return rows;
}

void copyInto(Connection &from, Connection &to, const std::function<void(qint64)> &progress,
              const std::function<void()> &alsoInTransaction)
{
    from.open();
    to.open();
    QList<QPair<QString, QStringList>> tables;
    for (const QString &table : schema::tables())
        tables.append({table, schema::columnsOf(table)});
    // Tables that gained columns over time: the columns the source has.
    const auto presentOf = [&](const QString &table, const QStringList &known) {
        QStringList present;
        for (const QString &column : from.tableColumns(table))
            if (known.contains(column))
                present << column;
        return present;
    };
    if (const QStringList columns = presentOf(schema::kCalibrationTable, CalibrationStore::columnNames());
        !columns.isEmpty())
        tables.append({schema::kCalibrationTable, columns});
    if (from.hasTable(schema::kFormsTable))
        tables.append({schema::kFormsTable, FormStore::columnNames()});
    if (from.hasTable(schema::kImportMappingsTable))
        tables.append({schema::kImportMappingsTable, MappingStore::columnNames()});
    if (const QStringList columns = presentOf(schema::kPrintLogTable, PrintLog::columnNames()); !columns.isEmpty())
        tables.append({schema::kPrintLogTable, columns});

    qint64 copied = 0;
    to.inTransaction([&] {
        for (const auto &[table, columns] : tables) {
            if (table == schema::kCalibrationTable)
                CalibrationStore(to).ensureTable();
            else if (table == schema::kFormsTable)
                FormStore(to).ensureTable();
            else if (table == schema::kImportMappingsTable)
                MappingStore(to).ensureTable();
            else if (table == schema::kPrintLogTable)
                PrintLog(to).ensureTable();
            else if (!to.hasTable(table))
                to.exec(statements::createTable(table, schema::columnsOf(table), to.backend()));
            to.exec(statements::deleteAll(table));
            const TextTable rows = readTable(from, table, columns);
            insertTextRows(to, table, columns, rows);
            copied += rows.rowCount();
            if (progress)
                progress(copied);
        }
        if (alsoInTransaction)
            alsoInTransaction();
    });
}

// The tables the program knows and their columns.
QList<QPair<QString, QStringList>> knownTables()
{
    QList<QPair<QString, QStringList>> known;
    for (const QString &table : schema::tables())
        known.append({table, schema::columnsOf(table)});
    known.append({schema::kCalibrationTable, CalibrationStore::columnNames()});
    known.append({schema::kFormsTable, FormStore::columnNames()});
    known.append({schema::kImportMappingsTable, MappingStore::columnNames()});
    known.append({schema::kPrintLogTable, PrintLog::columnNames()});
    known.append({kPointerTable, {kUrlColumn}});
    known.append({kPendingShareTable, {kTokenColumn}});
    return known;
}

// Replaces a one-column, one-row table with a text (none: drops it).
void writeSingleText(Connection &connection, const QString &table, const QString &column,
                     const std::optional<QString> &text)
{
    connection.exec(statements::dropTableIfThere(table));
    if (text) {
        connection.exec(statements::createTable(table, {column}, connection.backend()));
        connection.exec(statements::insertRow(table, {column}), {*text});
    }
}

// The text of a one-column table (none: no table or no row).
std::optional<QString> readSingleText(Connection &connection, const QString &table, const QString &column)
{
    if (!connection.hasTable(table))
        return std::nullopt;
    QSqlQuery query = connection.exec(statements::selectWhere(table, {column}, {}));
    if (!query.next())
        return std::nullopt;
    return query.value(0).toString();
}

void writePointer(Connection &local, const std::optional<ServerAddress> &server)
{
    local.inTransaction([&] {
        writeSingleText(local, kPointerTable, kUrlColumn,
                        server ? std::optional<QString>(server->url()) : std::nullopt);
        writeSingleText(local, kPendingShareTable, kTokenColumn, std::nullopt);
    });
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

std::optional<ServerAddress> readPointer(Connection &local)
{
    const std::optional<QString> url = readSingleText(local, kPointerTable, kUrlColumn);
    if (!url)
        return std::nullopt;
    try {
        return ServerAddress::parse(*url);
    } catch (const AppError &error) {
        throw DbError(
            QStringLiteral(u"%1 中记录的共享数据库地址已损坏：%2").arg(native(local.filePath()), error.text()));
    }
}

std::optional<ServerAddress> serverOf(const QString &dataMdb)
{
    Connection local(QStringLiteral("shared-store.pointer"));
    local.openFile(dataMdb);
    return readPointer(local);
}

void copyStore(Connection &from, Connection &to, const std::function<void(qint64 rows)> &progress)
{
    copyInto(from, to, progress, {});
}

void share(const QString &dataMdb, const ServerAddress &server, const std::function<void()> &afterServerCopy)
{
    Connection local(QStringLiteral("share.local"));
    local.openFile(dataMdb);
    if (const std::optional<ServerAddress> current = readPointer(local))
        throw AppError(QStringLiteral(u"这个文件夹的数据已经共享在 %1；要换服务器，请先取消共享（waybill unshare）。")
                           .arg(current->url()));
    requireProgramTables(local, native(dataMdb));
    Connection remote(QStringLiteral("share.server"));
    remote.openServer(server);
    // A share of this folder that stopped after the server had the data
    // (the program killed, the PC off) left the same token on both sides:
    // that share is finished now, with the folder's data as they are.
    const std::optional<QString> pending = readSingleText(local, kPendingShareTable, kTokenColumn);
    const bool resuming = pending && readSingleText(remote, kShareOriginTable, kTokenColumn) == pending;
    if (!resuming) {
        for (const QString &table : schema::tables())
            if (remote.hasTable(table))
                throw AppError(QStringLiteral(u"服务器上的数据库 %1 已有本软件的数据（数据表 %2），未做任何改动。"
                                              u"要使用它，请用 waybill share --join %1。")
                                   .arg(server.url(), table));
    }
    const QString token = resuming ? *pending : QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!resuming)
        local.inTransaction([&] { writeSingleText(local, kPendingShareTable, kTokenColumn, token); });
    // The server first, in one transaction that also records the token;
    // data.mdb points to it (and forgets the token) only once it holds
    // everything.
    copyInto(local, remote, {}, [&] { writeSingleText(remote, kShareOriginTable, kTokenColumn, token); });
    if (afterServerCopy)
        afterServerCopy();
    writePointer(local, server);
}

void join(const QString &dataMdb, const ServerAddress &server)
{
    Connection local(QStringLiteral("join.local"));
    local.openFile(dataMdb);
    Connection remote(QStringLiteral("join.server"));
    remote.openServer(server);
    requireProgramTables(remote, server.url());
    writePointer(local, server);
}

QString leaveWithoutServer(const QString &dataMdb)
{
    Connection local(QStringLiteral("unshare.leave"));
    local.openFile(dataMdb);
    if (!local.hasTable(kPointerTable))
        throw AppError(QStringLiteral(u"这个文件夹的数据没有共享，未做任何改动。"));
    QString url = readSingleText(local, kPointerTable, kUrlColumn).value_or(QString());
    writePointer(local, std::nullopt);
    return url;
}

ServerAddress unshare(const QString &dataMdb)
{
    Connection local(QStringLiteral("unshare.local"));
    local.openFile(dataMdb);
    const std::optional<ServerAddress> server = readPointer(local);
    if (!server)
        throw AppError(QStringLiteral(u"这个文件夹的数据没有共享，未做任何改动。"));
    Connection remote(QStringLiteral("unshare.server"));
    remote.openServer(*server);
    requireProgramTables(remote, server->url());
    // The server's data replace data.mdb's, and the pointer goes, at once.
    copyInto(remote, local, {}, [&] { local.exec(statements::dropTableIfThere(kPointerTable)); });
    return *server;
}

QStringList unknownParts(Connection &from)
{
    QHash<QString, QStringList> known;
    for (const auto &[table, columns] : knownTables())
        known.insert(table, columns);
    QStringList parts;
    QSqlQuery tables = from.exec(statements::sqliteTableNames());
    QStringList names;
    while (tables.next())
        names << tables.value(0).toString();
    for (const QString &table : names) {
        if (!known.contains(table)) {
            parts << QStringLiteral(u"表 %1").arg(table);
            continue;
        }
        for (const QString &column : from.tableColumns(table))
            if (!known.value(table).contains(column))
                parts << QStringLiteral(u"字段 %1.%2").arg(table, column);
    }
    return parts;
}

} // namespace shared_store
