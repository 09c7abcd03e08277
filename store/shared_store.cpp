#include "store/shared_store.h"

#include "store/bulk_rows.h"
#include "store/calibration.h"
#include "store/connection.h"
#include "store/db_error.h"
#include "store/schema.h"
#include "store/statements.h"
#include "store/text_table.h"

#include <QDir>

namespace shared_store {

namespace {

const QString kCalibrationTable = QStringLiteral("calibration");

const QStringList &programTables()
{
    static const QStringList tables{schema::kSenderTable, schema::kRecipientTable, schema::kImportedTable};
    return tables;
}

// Throws unless the store holds the three tables with all their columns.
void requireProgramTables(Connection &connection, const QString &where)
{
    for (const QString &table : programTables()) {
        const QStringList columns = connection.tableColumns(table);
        if (columns.isEmpty())
            throw DbError(QStringLiteral(u"%1 不是本软件的数据库：缺少数据表 %2").arg(where, table));
        for (const QString &column : schema::columnsOf(table))
            if (!columns.contains(column))
                throw DbError(QStringLiteral(u"%1 不是本软件的数据库：数据表 %2 缺少字段 %3").arg(where, table, column));
    }
}

// The rows of some columns of a table, in the order they were added.
TextTable readTable(Connection &from, const QString &table, const QStringList &columns)
{
    QStringList names;
    for (const QString &column : columns)
        names << statements::quoted(column);
    const QString sql = QStringLiteral("select rowid, %1 from %2 order by rowid").arg(names.join(QStringLiteral(", ")), statements::quoted(table));
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
    for (const QString &table : programTables())
        tables.append({table, schema::columnsOf(table)});
    QStringList calibrationColumns;
    for (const QString &column : from.tableColumns(kCalibrationTable))
        if (CalibrationStore::columnNames().contains(column))
            calibrationColumns << column;
    if (!calibrationColumns.isEmpty())
        tables.append({kCalibrationTable, calibrationColumns});

    qint64 copied = 0;
    to.inTransaction([&] {
        for (const auto &[table, columns] : tables) {
            if (table == kCalibrationTable)
                CalibrationStore(to).ensureTable();
            else if (!to.hasTable(table))
                to.exec(statements::createTable(table, schema::columnsOf(table), to.backend()));
            to.exec(QStringLiteral("delete from ") + statements::quoted(table));
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

void writePointer(Connection &local, const std::optional<ServerAddress> &server)
{
    local.inTransaction([&] {
        local.exec(QStringLiteral("drop table if exists ") + kPointerTable);
        if (server) {
            local.exec(QStringLiteral("create table %1 (url TEXT)").arg(kPointerTable));
            local.exec(QStringLiteral("insert into %1 (url) values (?)").arg(kPointerTable), {server->url()});
        }
    });
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

std::optional<ServerAddress> readPointer(Connection &local)
{
    if (!local.hasTable(kPointerTable))
        return std::nullopt;
    QSqlQuery query = local.exec(QStringLiteral("select url from %1").arg(kPointerTable));
    if (!query.next())
        return std::nullopt;
    const QString url = query.value(0).toString();
    try {
        return ServerAddress::parse(url);
    } catch (const AppError &error) {
        throw DbError(QStringLiteral(u"%1 中记录的共享数据库地址已损坏：%2").arg(native(local.filePath()), error.text()));
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

void share(const QString &dataMdb, const ServerAddress &server)
{
    Connection local(QStringLiteral("share.local"));
    local.openFile(dataMdb);
    if (const std::optional<ServerAddress> current = readPointer(local))
        throw AppError(QStringLiteral(u"这个文件夹的数据已经共享在 %1；要换服务器，请先取消共享（waybill unshare）。").arg(current->url()));
    requireProgramTables(local, native(dataMdb));
    Connection remote(QStringLiteral("share.server"));
    remote.openServer(server);
    for (const QString &table : programTables())
        if (remote.hasTable(table))
            throw AppError(QStringLiteral(u"服务器上的数据库 %1 已有本软件的数据（数据表 %2），未做任何改动。"
                                          u"要使用它，请用 waybill share --join %1。")
                               .arg(server.url(), table));
    // The server first, in one transaction; data.mdb points to it only
    // once it holds everything.
    copyStore(local, remote);
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
    QSqlQuery query = local.exec(QStringLiteral("select url from %1").arg(kPointerTable));
    const QString url = query.next() ? query.value(0).toString() : QString();
    query.finish();
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
    copyInto(remote, local, {}, [&] { local.exec(QStringLiteral("drop table ") + kPointerTable); });
    return *server;
}

} // namespace shared_store
