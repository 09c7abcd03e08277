#pragma once
// Sharing a working folder's data with other PCs through a PostgreSQL
// server. data.mdb records the server in a table of its own
// (shared_store); while it does, every connection of the folder uses the
// server, and data.mdb keeps the data as they were when sharing began.
// The server holds the same tables and columns, all text, each with a row
// key of its own (rowid).

#include "store/server_address.h"

#include <QString>
#include <functional>
#include <optional>

class Connection;

namespace shared_store {

inline const QString kPointerTable = QStringLiteral("shared_store");
// A share under way: data.mdb holds its token until it points to the
// server; the server holds the token of the share that filled it.
inline const QString kPendingShareTable = QStringLiteral("shared_store_pending");
inline const QString kShareOriginTable = QStringLiteral("shared_store_origin");

// The server a local connection's data.mdb points to (none: not shared).
// Throws DbError when the recorded address is damaged.
std::optional<ServerAddress> readPointer(Connection &local);
// The server data.mdb at path points to.
std::optional<ServerAddress> serverOf(const QString &dataMdb);

// Replaces the store's tables in to (the three tables, and the saved
// calibrations and the office's own forms when from has them) with from's rows, in one transaction of
// to; tables to lacks are made. progress is told the rows copied.
void copyStore(Connection &from, Connection &to, const std::function<void(qint64 rows)> &progress = {});
// What copyStore leaves out of an SQLite file: the tables and columns this
// version does not know (a backup made by a newer version, or changed by
// another program), as "表 NAME" and "字段 TABLE.COLUMN".
QStringList unknownParts(Connection &from);

// Copies the folder's data into an empty database on the server and then
// records the server in data.mdb. Throws AppError (a server database that
// already holds the program's tables is refused: join it instead). A share
// of this folder that stopped between the two steps is finished instead
// (the server's copy is made again from the folder's data as they are).
// afterServerCopy runs between the two steps (tests stop a share there).
void share(const QString &dataMdb, const ServerAddress &server, const std::function<void()> &afterServerCopy = {});
// Records in data.mdb a server that already holds the program's tables.
void join(const QString &dataMdb, const ServerAddress &server);
// Copies the server's data back into data.mdb and forgets the server, in
// one transaction of data.mdb; returns the server it used.
ServerAddress unshare(const QString &dataMdb);
// Stops sharing without the server (gone, or never to be reached again):
// data.mdb forgets the server and its own tables, as they were before
// sharing, are used again. Returns the address data.mdb held (as stored).
// Throws AppError when the folder is not shared.
QString leaveWithoutServer(const QString &dataMdb);

} // namespace shared_store
