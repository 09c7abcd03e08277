#pragma once
// One owner's connection to data.mdb in the current working directory.
// Each owner (main window, imported recipients window, each batch-print
// window, the command line) has its own, under a distinct Qt connection name.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <vector>

class Connection {
public:
    explicit Connection(const QString &owner);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Opens data.mdb of the working directory as it is now. Never creates the
    // file; a missing file or one that is not a database throws DbError.
    // Opening an open connection does nothing.
    void open();
    void close();
    bool isOpen() const;

    // The file the connection was last opened on.
    const QString &filePath() const { return m_filePath; }

    // Runs one statement with bound parameters; throws DbError on failure.
    QSqlQuery exec(const QString &sql, const QVariantList &params = {});

    // Runs one statement once per parameter row, prepared once; throws
    // DbError at the first failing row.
    void execMany(const QString &sql, const std::vector<QVariantList> &paramRows);

    // Runs work inside one immediate transaction (the write lock taken at
    // its start): commits when it returns, rolls back
    // and rethrows when it throws.
    template <class Work> void inTransaction(Work &&work)
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

    QSqlDatabase database() const;

    // data.mdb in the current working directory.
    static QString currentFilePath();

private:
    void begin();
    void commit();
    void rollback();

    QString m_name;
    QString m_filePath;
};
