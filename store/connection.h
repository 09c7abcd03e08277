#pragma once
// One owner's connection to the program's store. Each owner (main window,
// imported recipients window, each batch-print window, the command line)
// has its own, under a distinct Qt connection name. The store is the data
// file chosen for this run (see store/data_file.h), or, when that file says
// that its data are shared (see store/shared_store.h), the PostgreSQL
// database it names; the owners do not know which.

#include "store/server_address.h"
#include "store/statements.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <optional>
#include <vector>

class Connection {
public:
    explicit Connection(const QString &owner);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Opens data.mdb of the working directory as it is now, and the server
    // it points to when it is shared. Never creates the file; a missing file,
    // one that is not a database or a server that does not answer throws
    // DbError. Opening an open connection does nothing.
    void open();
    // From now on opens this SQLite file itself (never the server it may
    // point to), and opens it now.
    void openFile(const QString &path);
    // From now on opens this server's database, and opens it now.
    void openServer(const ServerAddress &server);
    void close();
    bool isOpen() const;

    // The store's kind, for choosing the SQL to send. Opens the connection
    // first: a connection on the working folder learns only when it opens
    // whether data.mdb points to a server.
    Backend backend();
    // The server the connection uses (none: the local file); as last opened.
    const std::optional<ServerAddress> &server() const { return m_server; }

    // The file the connection was last opened on (data.mdb also when it
    // points to a server).
    const QString &filePath() const { return m_filePath; }

    // Runs one statement with bound parameters; throws DbError on failure.
    QSqlQuery exec(const QString &sql, const QVariantList &params = {});

    // Runs one statement once per parameter row, prepared once; throws
    // DbError at the first failing row.
    void execMany(const QString &sql, const std::vector<QVariantList> &paramRows);

    // Runs work inside one transaction that holds the store's write lock
    // from its start (so that two writers queue instead of interleaving):
    // commits when it returns, rolls back and rethrows when it throws.
    template <class Work>
    void inTransaction(Work &&work)
    {
        begin();
        try {
            work();
        } catch (...) {
            rollback();
            throw;
        }
        commit();
    }

    // Why data.mdb may not be written (empty when it is sound): the file is
    // checked once per process when it is first opened (a file larger than
    // kCheckedEveryStart only when its last use did not end cleanly, see
    // store/use_marks.h), and a damaged one
    // is opened for reading only, so that nothing is written into it until
    // the user restores a backup.
    const QString &damage() const { return m_damage; }
    // Forgets the check of a file, so that the next open checks it again
    // (after a restore has replaced its content).
    static void forgetCheck(const QString &path);
    static constexpr qint64 kCheckedEveryStart = 8 * 1024 * 1024;

    // The names of a table's columns, in order (empty: no such table);
    // opens the connection first, whatever its state.
    QStringList tableColumns(const QString &table);
    bool hasTable(const QString &table) { return !tableColumns(table).isEmpty(); }

    QSqlDatabase database() const;

    // The program's data file: the one chosen for this run (see
    // store/data_file.h), else data.mdb in the current working directory.
    static QString currentFilePath();

private:
    enum class Target { CurrentFolder, File, Server };

    void openSqlite(const QString &path);
    void checkOnce();
    // The kind of the store as last opened, without opening.
    Backend openedBackend() const { return m_server ? Backend::Postgres : Backend::Sqlite; }
    [[noreturn]] void fail(const QSqlError &error);

public:
    // Throws DbError for a failure of this connection's store, in words the
    // user can act on (a damaged file's notice, SQLite's result code
    // explained before its own words).
    [[noreturn]] void failWith(int sqliteCode, const QString &detail);

private:
    void openPostgres(const ServerAddress &server);
    void begin();
    void commit();
    void rollback();

    QString m_name;   // the SQLite connection's name
    QString m_pgName; // the PostgreSQL connection's name
    Target m_target = Target::CurrentFolder;
    QString m_filePath;
    QString m_damage;
    std::optional<ServerAddress> m_server;
};
